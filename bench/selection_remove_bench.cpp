// Taking most of a large selection out again, as a user does at "Select objects:": ALL, then R
// and a window around most of the drawing, then Enter.
//
//   selection_remove_bench [--total N] [--removed M] [--runs R] [--write FILE]
//
// Builds a drawing of N POINTs (330,000 by default) in memory, M of them (300,000) inside the
// window, and times kxedSSGet at its standard prompt, best of R runs (3), with the replies
//   select   "ALL", ""                     selecting alone
//   window   "W ...", ""                   finding what the window holds
//   remove   "ALL", "R", "P", ""           all, then the window's objects (the previous
//                                          selection) taken out, with no window to search
//   whole    "ALL", "R", "W ...", ""       what a user types: all three
// --write FILE also saves the drawing, for bench/ezdxf_select_remove.py to do the same on it.
// Prints one "key=value ..." line.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "db/dxf_io.h"
#include "db/new_drawing.h"
#include "editor/input_source.h"
#include "editor/selection_prompt.h"
#include "editor/session.h"
#include "kx/kxed.h"

namespace {

using namespace kx;
using Clock = std::chrono::steady_clock;

std::string drawingText(long total, long removed) {
  db::Database fresh = db::newDrawing();
  std::string text = db::writeDxf(fresh);
  const std::size_t entities = text.find("ENTITIES");
  const std::size_t at = text.rfind("  0\n", text.find("ENDSEC", entities));
  std::string points;
  points.reserve(static_cast<std::size_t>(total) * 96);
  for (long i = 0; i < total; ++i) {
    // Inside the window: a grid of 1000 columns from the origin; outside: far to the right.
    const long x = i < removed ? i % 1000 : 5000 + i % 1000;
    const long y = i < removed ? i / 1000 : (i - removed) / 1000;
    points += fmt::format(
        "  0\nPOINT\n  5\n{:X}\n330\n12\n100\nAcDbEntity\n  8\n0\n100\nAcDbPoint\n 10\n{}\n 20\n{}"
        "\n 30\n0\n",
        0x100000 + i, x, y);
  }
  text.insert(at, points);
  return text;
}

// Seconds kxedSSGet takes with `replies` at its prompt; the number of objects it gave.
double timeSelection(std::initializer_list<std::wstring_view> replies, std::int32_t& selected) {
  for (std::wstring_view reply : replies) editor::InputSource::instance().queue(reply);
  kds_name set;
  const auto start = Clock::now();
  const int status = kxedSSGet(nullptr, nullptr, nullptr, nullptr, set);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (status != KXRT_NORM) throw std::runtime_error("the selection failed");
  kxedSSLength(set, &selected);
  kxedSSFree(set);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    long total = 330'000, removed = 300'000;
    int runs = 3;
    std::filesystem::path write;
    for (int i = 1; i < argc; ++i) {
      const std::string_view a = argv[i];
      if (a == "--total" && i + 1 < argc) {
        total = std::atol(argv[++i]);
      } else if (a == "--removed" && i + 1 < argc) {
        removed = std::atol(argv[++i]);
      } else if (a == "--runs" && i + 1 < argc) {
        runs = std::max(1, std::atoi(argv[++i]));
      } else if (a == "--write" && i + 1 < argc) {
        write = argv[++i];
      } else {
        fmt::print(stderr,
                   "usage: selection_remove_bench [--total N] [--removed M] [--runs R] "
                   "[--write FILE]\n");
        return 2;
      }
    }
    removed = std::clamp(removed, 0L, total);
    const std::string text = drawingText(total, removed);
    if (!write.empty()) {
      std::FILE* f = std::fopen(write.c_str(), "wb");
      if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f))
        throw std::runtime_error("cannot write " + write.string());
    }
    editor::Session& session = editor::Session::instance();
    session.output = [](std::wstring_view) {};  // the prompts' transcript is not the point
    session.open(db::readDxf(text, "bench").db);
    editor::installSelectionPrompter();

    const std::wstring window = L"W -1,-1 1001," + std::to_wstring(removed / 1000 + 1);
    double select = 1e300, inWindow = 1e300, remove = 1e300, whole = 1e300;
    std::int32_t all = 0, found = 0, left = 0, leftWhole = 0;
    for (int r = 0; r < runs; ++r) {
      select = std::min(select, timeSelection({L"ALL", L""}, all));
      inWindow = std::min(inWindow, timeSelection({window, L""}, found));
      remove = std::min(remove, timeSelection({L"ALL", L"R", L"P", L""}, left));
      whole = std::min(whole, timeSelection({L"ALL", L"R", window, L""}, leftWhole));
    }
    if (left != leftWhole) throw std::runtime_error("the two removals left different sets");
    fmt::print(
        "selected={} in_window={} left={} select_s={:.4f} window_s={:.4f} remove_s={:.4f} "
        "whole_reply_s={:.4f}\n",
        all, found, left, select, inWindow, remove, whole);
    session.closeAll();
    return 0;
  } catch (const std::exception& e) {
    fmt::print(stderr, "selection_remove_bench: {}\n", e.what());
    return 1;
  }
}
