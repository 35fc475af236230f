// Progress of long loads and saves: the bar's drawing and pacing, and the reader and writer
// reporting a few times per drawing rather than per group. That kxhost shows the bars for the
// drawings it opens and saves is its own end-to-end test's.

#include "editor/progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fmt/format.h>

#include "db/dxf_io.h"
#include "db/new_drawing.h"

namespace kx::editor {
namespace {

using namespace std::chrono_literals;

TEST(ProgressBar, DrawsInPlaceAtMostTenTimesASecondAndClearsAtTheEnd) {
  std::vector<std::string> drawn;
  ProgressBar::Clock::time_point now{};
  {
    ProgressBar bar(
        "Loading plan.dxf", [&](std::string_view s) { drawn.emplace_back(s); }, 80,
        [&] { return now; });
    bar.update(0.0);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0], "\rLoading plan.dxf  [" + std::string(30, ' ') + "]   0%");
    now += 50ms;
    bar.update(0.3);  // too soon
    now += 60ms;
    bar.update(0.48);
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[1],
              "\rLoading plan.dxf  [" + std::string(14, '#') + std::string(16, ' ') + "]  48%");
    now += 1s;
    bar.update(0.481);  // the same percentage: nothing to redraw
    bar.update(7.0);    // more than all is all
    ASSERT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn[2], "\rLoading plan.dxf  [" + std::string(30, '#') + "] 100%");
  }
  // Gone when the bar is: spaces over the whole line, and back to its start.
  ASSERT_EQ(drawn.size(), 4u);
  EXPECT_EQ(drawn[3], "\r" + std::string(drawn[2].size() - 1, ' ') + "\r");

  // A narrow terminal: fewer cells, then the label loses its start; never wider than the line.
  drawn.clear();
  {
    ProgressBar narrow(
        "Saving /a/long/folder/name/plan.dxf", [&](std::string_view s) { drawn.emplace_back(s); },
        40, [&] { return now; });
    narrow.update(0.5);
    narrow.finish();
    narrow.finish();  // once is enough
  }
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].size(), 40u);  // "\r" and 39 columns
  EXPECT_EQ(drawn[0], "\r...der/name/plan.dxf  [#####     ]  50%");

  // A bar never drawn leaves nothing to clear.
  drawn.clear();
  {
    ProgressBar quiet(
        "x", [&](std::string_view s) { drawn.emplace_back(s); }, 80);
  }
  EXPECT_TRUE(drawn.empty());
  EXPECT_FALSE(progressBarFor("Loading", "small.dxf", kProgressMinBytes - 1));
  EXPECT_TRUE(progressBarFor("Loading", "big.dxf", kProgressMinBytes));
}

// A new drawing with `lines` LINE entities added: about 100 bytes each.
std::string drawingWithLines(int lines) {
  db::Database fresh = db::newDrawing();
  std::string text = db::writeDxf(fresh);
  const std::size_t entities = text.find("ENTITIES");
  const std::size_t end = text.find("ENDSEC", entities);
  std::string added;
  for (int i = 0; i < lines; ++i)
    added += fmt::format(
        "  0\nLINE\n  5\n{:X}\n100\nAcDbEntity\n  8\n0\n100\nAcDbLine\n 10\n{}\n 20\n0\n 30\n0\n"
        " 11\n{}\n 21\n1\n 31\n0\n",
        0x10000 + i, i, i + 1);
  // The ENDSEC's group-code line starts 3 bytes before its value.
  text.insert(end - 3, added);
  return text;
}

void expectFewSteadyReports(const std::vector<double>& reports, std::size_t bytes) {
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), 1.0);
  for (std::size_t i = 1; i < reports.size(); ++i) EXPECT_GE(reports[i], reports[i - 1]);
  EXPECT_GE(reports.front(), 0.0);
  // Some while the work goes on, but per megabyte at most, never per group.
  EXPECT_GE(reports.size(), 3u);
  EXPECT_LE(reports.size(), bytes / 1'000'000 + 4);
}

TEST(ProgressReports, ReaderAndWriterReportAFewTimesPerDrawing) {
  const std::string text = drawingWithLines(120'000);
  ASSERT_GT(text.size(), 10'000'000u);

  std::vector<double> reports;
  const db::Progress record = [&](double f) { reports.push_back(f); };
  db::LoadedDrawing loaded = db::readDxf(text, "big.dxf", record);
  expectFewSteadyReports(reports, text.size());
  EXPECT_LT(reports[reports.size() - 2], 1.0);  // the last report is the end, not before it

  reports.clear();
  EXPECT_EQ(db::writeDxf(loaded.db, record), text);
  expectFewSteadyReports(reports, text.size());
}

}  // namespace
}  // namespace kx::editor
