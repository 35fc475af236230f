// Speed of text boxes and MTEXT layouts on generated drawings.
//
//   text_bench [--texts N] [--mtexts M]
//
// Makes a new drawing with N TEXT entities (1,000,000 by default; strings of 5 to 30 characters,
// every justification, any rotation) and M MTEXT entities (10,000 by default; format codes and
// wrapping), then times, for every TEXT, reading it with its style and working out its text box and
// WCS extents, and, for every MTEXT, reading it and laying it out. Times are the CPU time of the
// thread, so other work on the machine does not count. Ends with one "key=value ..." line.

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace {

using kx::db::NewTag;
using kx::db::ObjectId;

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

std::string randomWord(std::mt19937& rng, int length) {
  static constexpr std::string_view kLetters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 .,-";
  std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
  std::string s;
  for (int i = 0; i < length; ++i) s += kLetters[pick(rng)];
  return s;
}

std::vector<ObjectId> addTexts(kx::db::Database& db, ObjectId model, std::mt19937& rng, int count) {
  std::uniform_int_distribution<int> length(5, 30), horizontal(0, 5), vertical(0, 3);
  std::uniform_real_distribution<double> coordinate(-1000, 1000), angle(0, 360);
  std::vector<ObjectId> ids;
  ids.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::string text = randomWord(rng, length(rng));
    if (i % 10 == 0) text = "%%u" + text + "%%d";
    const double x = coordinate(rng), y = coordinate(rng);
    const int h = horizontal(rng);
    const int v = (h == 3 || h == 4 || h == 5) ? 0 : vertical(rng);
    std::vector<NewTag> body{{100, "AcDbEntity"},
                             {8, "0"},
                             {100, "AcDbText"},
                             {10, kx::db::formatReal(x)},
                             {20, kx::db::formatReal(y)},
                             {30, "0.0"},
                             {40, "2.5"},
                             {1, text},
                             {50, kx::db::formatReal(angle(rng))}};
    if (i % 7 == 0) body.push_back({41, "0.8"});
    if (h != 0) body.push_back({72, std::to_string(h)});
    if (h != 0 || v != 0) {
      body.push_back({11, kx::db::formatReal(x + 10)});
      body.push_back({21, kx::db::formatReal(y)});
      body.push_back({31, "0.0"});
    }
    body.push_back({100, "AcDbText"});
    if (v != 0) body.push_back({73, std::to_string(v)});
    ids.push_back(kx::db::addEntity(db, model, "TEXT", body));
  }
  return ids;
}

std::vector<ObjectId> addMTexts(kx::db::Database& db, ObjectId model, std::mt19937& rng,
                                int count) {
  std::uniform_int_distribution<int> words(10, 60), wordLength(2, 9), attachment(1, 9);
  std::uniform_real_distribution<double> width(20, 80);
  std::vector<ObjectId> ids;
  ids.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    std::string contents = "{\\H1.5x;\\C1;Title " + std::to_string(i) + "}\\P";
    const int n = words(rng);
    for (int w = 0; w < n; ++w) {
      if (w % 12 == 3) contents += "\\LUnder\\l ";
      if (w % 15 == 7) contents += "{\\Farial|b1|i0;Bold} ";
      if (w % 20 == 11) contents += "\\S1/2; ";
      if (w % 25 == 13) contents += "\\P";
      std::string word = randomWord(rng, wordLength(rng));
      for (char& c : word)
        if (c == ' ') c = 'x';
      contents += word + " ";
    }
    ids.push_back(kx::db::addEntity(db, model, "MTEXT",
                                    {{100, "AcDbEntity"},
                                     {8, "0"},
                                     {100, "AcDbMText"},
                                     {10, "0.0"},
                                     {20, "0.0"},
                                     {30, "0.0"},
                                     {40, "2.5"},
                                     {41, kx::db::formatReal(width(rng))},
                                     {71, std::to_string(attachment(rng))},
                                     {1, contents}}));
  }
  return ids;
}

int argument(int argc, char** argv, std::string_view name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (argv[i] == name) return std::atoi(argv[i + 1]);
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const int textCount = argument(argc, argv, "--texts", 1'000'000);
  const int mtextCount = argument(argc, argv, "--mtexts", 10'000);
  kx::db::Database db = kx::db::newDrawing();
  const ObjectId model = kx::db::findBlockRecord(db, "*Model_Space");
  std::mt19937 rng(12345);

  double t0 = threadCpuSeconds();
  const std::vector<ObjectId> texts = addTexts(db, model, rng, textCount);
  const std::vector<ObjectId> mtexts = addMTexts(db, model, rng, mtextCount);
  fmt::print("made {} TEXT and {} MTEXT entities in {:.2f} s\n", texts.size(), mtexts.size(),
             threadCpuSeconds() - t0);

  // Warm the font caches so the first text does not pay for opening fonts.
  if (!texts.empty()) kx::text::readTextEntity(db, texts.front());
  if (!mtexts.empty()) kx::text::layoutMText(kx::text::readMTextEntity(db, mtexts.front()).input);

  double sink = 0;
  t0 = threadCpuSeconds();
  for (const ObjectId id : texts) {
    const kx::text::TextEntity text = kx::text::readTextEntity(db, id);
    const kx::text::Box2 box = kx::text::textBox(text);
    const auto extents = kx::text::geomExtents(text);
    sink += box.xMax + (extents ? extents->max.x : 0);
  }
  const double textSeconds = threadCpuSeconds() - t0;

  t0 = threadCpuSeconds();
  std::size_t lines = 0;
  for (const ObjectId id : mtexts) {
    const kx::text::MTextLayout layout =
        kx::text::layoutMText(kx::text::readMTextEntity(db, id).input);
    lines += layout.lineCount;
    sink += layout.actualHeight;
  }
  const double mtextSeconds = threadCpuSeconds() - t0;

  const double boxesPerSecond =
      textSeconds > 0 ? static_cast<double>(texts.size()) / textSeconds : 0;
  const double layoutsPerSecond =
      mtextSeconds > 0 ? static_cast<double>(mtexts.size()) / mtextSeconds : 0;
  fmt::print("text boxes: {} in {:.2f} s CPU, {:.0f} per second\n", texts.size(), textSeconds,
             boxesPerSecond);
  fmt::print("MTEXT layouts: {} ({} lines) in {:.2f} s CPU, {:.0f} per second\n", mtexts.size(),
             lines, mtextSeconds, layoutsPerSecond);
  fmt::print("text_boxes_per_s={:.0f} mtext_layouts_per_s={:.0f} checksum={:.3f}\n", boxesPerSecond,
             layoutsPerSecond, sink);
  return 0;
}
