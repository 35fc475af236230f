// Whole-drawing selections ("X" with a filter) per second on a drawing of a million entities.
//
//   selection_bench FILE [--make N] [--runs R]
//
// Makes FILE first when it is missing or --make is given: N entities (1,000,000 by default) of
// TEXT, MTEXT, LINE, INSERT and CIRCLE on eight layers, a tenth of them with reactors, written as
// DXF so that bench/ezdxf_select.py can time the same selections on the same file. Then loads
// FILE and times kxedSSGet("X") with three filters, best of R runs (5 by default):
//   type     0 "TEXT"
//   texts    <or <and 0 TEXT and> <and 0 MTEXT and> <and 0 ATTDEF and> or>
//   layered  0 "TEXT,MTEXT", 8 "X*", <not 102 "{ACAD_REACTORS" not>
// Each prints one "key=value ..." line for scripts. Rates are entities of the drawing tested per
// second of wall clock and of this thread's CPU time.

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "editor/selection_filter.h"
#include "editor/selection_sets.h"
#include "editor/session.h"
#include "kx/kxed.h"

namespace {

using namespace kx;
using Clock = std::chrono::steady_clock;

double threadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

constexpr const char* kLayers[] = {"NOTES", "XREF", "X-TEXT", "WALLS",
                                   "DOORS", "X1",   "ANNO",   "GRID"};
constexpr const char* kBlocks[] = {"DOOR", "WINDOW", "DESK"};

std::string num(double x) {
  return db::formatReal(std::round(x * 1000) / 1000);
}

void addBlock(db::Database& d, const std::string& name) {
  const db::ObjectId record = db::addTableRecord(d, "BLOCK_RECORD",
                                                 {{100, "AcDbSymbolTableRecord"},
                                                  {100, "AcDbBlockTableRecord"},
                                                  {2, name},
                                                  {70, "0"},
                                                  {280, "1"},
                                                  {281, "0"}});
  const int blocks = d.sectionIndex("BLOCKS");
  auto tags = db::identityTags(d, record);
  tags.insert(tags.end(), {{100, "AcDbEntity"},
                           {8, "0"},
                           {100, "AcDbBlockBegin"},
                           {2, name},
                           {70, "0"},
                           {10, "0.0"},
                           {20, "0.0"},
                           {30, "0.0"},
                           {3, name},
                           {1, ""}});
  d.addRecord(blocks, {}, "BLOCK", tags);
  db::addEntity(d, record, "CIRCLE",
                {{100, "AcDbEntity"},
                 {8, "0"},
                 {100, "AcDbCircle"},
                 {10, "0.0"},
                 {20, "0.0"},
                 {30, "0.0"},
                 {40, "5.0"}});
  tags = db::identityTags(d, record);
  tags.insert(tags.end(), {{100, "AcDbEntity"}, {8, "0"}, {100, "AcDbBlockEnd"}});
  d.addRecord(blocks, {}, "ENDBLK", tags);
}

void makeDrawing(const std::filesystem::path& path, long count) {
  db::Database d = db::newDrawing();
  for (std::size_t i = 0; i < std::size(kLayers); ++i)
    db::addTableRecord(d, "LAYER",
                       {{100, "AcDbSymbolTableRecord"},
                        {100, "AcDbLayerTableRecord"},
                        {2, kLayers[i]},
                        {70, "0"},
                        {62, std::to_string(i + 1)},
                        {6, "Continuous"}});
  for (const char* b : kBlocks) addBlock(d, b);
  const db::ObjectId model = db::findBlockRecord(d, "*Model_Space");
  const std::string reactorOwner = fmt::format("{:X}", d.handle(model));
  std::mt19937_64 random(20240611);
  auto uniform = [&](double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(random() >> 11) * 0x1.0p-53;
  };
  for (long i = 0; i < count; ++i) {
    const unsigned kind = random() % 100;
    std::vector<db::NewTag> body;
    if (random() % 10 == 0)
      body.insert(body.end(), {{102, "{ACAD_REACTORS"}, {330, reactorOwner}, {102, "}"}});
    body.insert(body.end(), {{100, "AcDbEntity"}, {8, kLayers[random() % std::size(kLayers)]}});
    if (random() % 8 == 0) body.push_back({62, std::to_string(1 + random() % 7)});
    const std::string x = num(uniform(-5000, 5000)), y = num(uniform(-5000, 5000));
    std::string type;
    if (kind < 30) {
      type = "TEXT";
      body.insert(body.end(), {{100, "AcDbText"},
                               {10, x},
                               {20, y},
                               {30, "0.0"},
                               {40, "2.5"},
                               {1, fmt::format("note {}", i)},
                               {100, "AcDbText"}});
    } else if (kind < 45) {
      type = "MTEXT";
      body.insert(body.end(), {{100, "AcDbMText"},
                               {10, x},
                               {20, y},
                               {30, "0.0"},
                               {40, "3.5"},
                               {41, "40.0"},
                               {71, "1"},
                               {1, fmt::format("room {}\\Pline 2", i)}});
    } else if (kind < 70) {
      type = "LINE";
      body.insert(body.end(), {{100, "AcDbLine"},
                               {10, x},
                               {20, y},
                               {30, "0.0"},
                               {11, num(uniform(-5000, 5000))},
                               {21, num(uniform(-5000, 5000))},
                               {31, "0.0"}});
    } else if (kind < 80) {
      type = "INSERT";
      body.insert(body.end(), {{100, "AcDbBlockReference"},
                               {2, kBlocks[random() % std::size(kBlocks)]},
                               {10, x},
                               {20, y},
                               {30, "0.0"}});
    } else {
      type = "CIRCLE";
      body.insert(body.end(),
                  {{100, "AcDbCircle"}, {10, x}, {20, y}, {30, "0.0"}, {40, num(uniform(1, 50))}});
    }
    db::addEntity(d, model, type, body);
  }
  d.syncHandleSeed();
  db::saveDxfFile(d, path);
}

double peakResidentMB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) * 1024.0 / 1e6;
}

// What the layer test would cost read through the database's tag lists instead of by scanning
// the entities' bytes: the first pass builds and keeps a list per entity, later passes reuse it.
void probeTagLists(const db::Database& d) {
  const std::vector<db::ObjectId> all = editor::selectAll(d, editor::SelectionFilter());
  const double peakBefore = peakResidentMB();
  for (int pass = 1; pass <= 2; ++pass) {
    const double cpu0 = threadCpuSeconds();
    const auto start = Clock::now();
    std::size_t onX = 0;
    for (const db::ObjectId id : all)
      for (const auto& tag : d.tags(id))
        if (tag.code == 8 && d.text(tag).starts_with("X")) ++onX;
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    fmt::print(
        "probe=tag_lists pass={} on_x={} best_s={:.4f} cpu_s={:.4f} eps={:.0f} "
        "peak_growth_mb={:.0f}\n",
        pass, onX, wall, threadCpuSeconds() - cpu0, static_cast<double>(all.size()) / wall,
        peakResidentMB() - peakBefore);
  }
}

// A filter list the bench keeps alive while it runs; a copy links its own elements.
class FilterList {
 public:
  FilterList() = default;
  FilterList(const FilterList& other) {
    for (std::size_t i = 0; i < other.items_.size(); ++i)
      add(other.items_[i].code, other.strings_[i]);
  }
  FilterList& operator=(const FilterList&) = delete;
  FilterList& add(int code, std::wstring value) {
    strings_.push_back(std::move(value));
    resbuf r{};
    r.code = static_cast<short>(code);
    r.value.string = strings_.back().data();
    items_.push_back(r);
    if (items_.size() > 1) items_[items_.size() - 2].next = &items_.back();
    return *this;
  }
  const resbuf* get() const { return &items_.front(); }

 private:
  std::deque<resbuf> items_;
  std::deque<std::wstring> strings_;
};

}  // namespace

int main(int argc, char** argv) {
  try {
    std::filesystem::path file;
    long make = 0;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
      const std::string_view a = argv[i];
      if (a == "--make" && i + 1 < argc) {
        make = std::atol(argv[++i]);
      } else if (a == "--runs" && i + 1 < argc) {
        runs = std::max(1, std::atoi(argv[++i]));
      } else if (file.empty()) {
        file = a;
      } else {
        fmt::print(stderr, "usage: selection_bench FILE [--make N] [--runs R]\n");
        return 2;
      }
    }
    if (file.empty()) {
      fmt::print(stderr, "usage: selection_bench FILE [--make N] [--runs R]\n");
      return 2;
    }
    if (make > 0 || !std::filesystem::exists(file)) {
      const long n = make > 0 ? make : 1'000'000;
      const auto start = Clock::now();
      makeDrawing(file, n);
      fmt::print("made {}: {} entities, {:.1f} MB, {:.1f} s\n", file.string(), n,
                 static_cast<double>(std::filesystem::file_size(file)) / 1e6,
                 std::chrono::duration<double>(Clock::now() - start).count());
    }

    auto start = Clock::now();
    editor::Document& doc = editor::Session::instance().open(db::readDxfFile(file).db);
    const double loadSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const std::size_t entities = editor::selectAll(doc.db(), editor::SelectionFilter()).size();
    fmt::print("loaded {} entities in {:.2f} s\n", entities, loadSeconds);

    struct Case {
      const char* name;
      FilterList filter;
    };
    std::vector<Case> cases;
    cases.push_back({"type", FilterList().add(0, L"TEXT")});
    cases.push_back({"texts", FilterList()
                                  .add(-4, L"<or")
                                  .add(-4, L"<and")
                                  .add(0, L"TEXT")
                                  .add(-4, L"and>")
                                  .add(-4, L"<and")
                                  .add(0, L"MTEXT")
                                  .add(-4, L"and>")
                                  .add(-4, L"<and")
                                  .add(0, L"ATTDEF")
                                  .add(-4, L"and>")
                                  .add(-4, L"or>")});
    cases.push_back({"layered", FilterList()
                                    .add(0, L"TEXT,MTEXT")
                                    .add(8, L"X*")
                                    .add(-4, L"<not")
                                    .add(102, L"{ACAD_REACTORS")
                                    .add(-4, L"not>")});
    for (const Case& c : cases) {
      double bestWall = 1e300, bestCpu = 1e300;
      std::int32_t found = 0;
      for (int r = 0; r < runs; ++r) {
        kds_name set;
        const double cpu0 = threadCpuSeconds();
        start = Clock::now();
        const int status = kxedSSGet(L"X", nullptr, nullptr, c.filter.get(), set);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = threadCpuSeconds() - cpu0;
        if (status != KXRT_NORM) throw std::runtime_error("the selection failed");
        kxedSSLength(set, &found);
        kxedSSFree(set);
        bestWall = std::min(bestWall, wall);
        bestCpu = std::min(bestCpu, cpu);
      }
      fmt::print(
          "case={} entities={} selected={} best_s={:.4f} cpu_s={:.4f} eps={:.0f} "
          "cpu_eps={:.0f}\n",
          c.name, entities, found, bestWall, bestCpu, static_cast<double>(entities) / bestWall,
          static_cast<double>(entities) / bestCpu);
    }
    probeTagLists(doc.db());
    editor::Session::instance().closeAll();
    return 0;
  } catch (const std::exception& e) {
    fmt::print(stderr, "selection_bench: {}\n", e.what());
    return 1;
  }
}
