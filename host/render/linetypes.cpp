#include "render/linetypes.h"

#include <cmath>

#include "db/header_values.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "render/entity_groups.h"

namespace kx::render {

double DashPattern::period() const {
  double sum = 0;
  for (double d : lengths) sum += d;
  return sum;
}

DashPattern DashPattern::scaled(double factor) const {
  DashPattern out = *this;
  for (double& d : out.lengths) d *= factor;
  out.offset *= factor;
  return out;
}

DashPattern dashPatternOf(const std::vector<double>& elements) {
  // Runs of drawn (dashes and dots) and left-out elements, merged.
  std::vector<std::pair<bool, double>> runs;
  for (double e : elements) {
    if (!std::isfinite(e)) return {};
    const bool drawn = e >= 0;
    if (!runs.empty() && runs.back().first == drawn)
      runs.back().second += std::abs(e);
    else
      runs.emplace_back(drawn, std::abs(e));
  }
  bool anyGap = false, anyInk = false;
  for (const auto& [drawn, length] : runs) {
    if (!drawn && length > 0) anyGap = true;
    if (drawn) anyInk = true;
  }
  if (!anyGap || !anyInk) return {};
  DashPattern out;
  // A stroker starts with a dash: a leading gap moves to the end, and the stroke starts that far
  // before the end so the line still begins with the gap.
  if (!runs.front().first) {
    const double gap = runs.front().second;
    runs.erase(runs.begin());
    if (!runs.back().first)
      runs.back().second += gap;
    else
      runs.emplace_back(false, gap);
    double period = 0;
    for (const auto& r : runs) period += r.second;
    out.offset = period - gap;
  }
  // A trailing dash joins the leading one, and the stroke starts inside the joined dash.
  if (runs.size() > 1 && runs.back().first) {
    const double tail = runs.back().second;
    runs.pop_back();
    runs.front().second += tail;
    double period = 0;
    for (const auto& r : runs) period += r.second;
    out.offset = std::fmod(out.offset + tail, period);
  }
  for (const auto& r : runs) out.lengths.push_back(r.second);
  return out;
}

namespace {

// Patterns of the common linetype families in inches, for drawings that name a linetype their
// table does not define (some writers leave the definitions to the reader's own library). A "2"
// after the name halves the pattern, "X2" doubles it.
std::vector<double> commonPattern(std::string_view key) {
  static const std::pair<std::string_view, std::vector<double>> kFamilies[] = {
      {"CENTER", {1.25, -0.25, 0.25, -0.25}},
      {"DASHED", {0.5, -0.25}},
      {"HIDDEN", {0.25, -0.125}},
      {"PHANTOM", {1.25, -0.25, 0.25, -0.25, 0.25, -0.25}},
      {"DASHDOT", {0.5, -0.25, 0, -0.25}},
      {"DOT", {0, -0.25}},
      {"DIVIDE", {0.5, -0.25, 0, -0.25, 0, -0.25}},
      {"BORDER", {0.5, -0.25, 0.5, -0.25, 0, -0.25}},
  };
  double factor = 1;
  if (key.ends_with("X2")) {
    factor = 2;
    key.remove_suffix(2);
  } else if (key.ends_with("2")) {
    factor = 0.5;
    key.remove_suffix(1);
  }
  for (const auto& [name, pattern] : kFamilies)
    if (key == name) {
      std::vector<double> out = pattern;
      for (double& e : out) e *= factor;
      return out;
    }
  return {};
}

}  // namespace

Linetypes::Linetypes(const db::Database& db) {
  globalScale_ = db::headerReal(db, "$LTSCALE").value_or(1);
  // Metric drawings measure patterns in millimetres.
  unitsPerInch_ = db::headerInteger(db, "$MEASUREMENT").value_or(0) == 1 ? 25.4 : 1;
  if (!(globalScale_ > 0) || !std::isfinite(globalScale_)) globalScale_ = 1;
  const db::Section* tables = db.findSection("TABLES");
  if (!tables) return;
  for (db::ObjectId id : tables->records) {
    if (!db.isType(id, "LTYPE") || db.isErased(id)) continue;
    const auto name = db::FieldReader(db, id).rawText(2);
    if (!name) continue;
    std::vector<double> elements;
    for (const Group& g : groupsOf(db, id, "AcDbLinetypeTableRecord"))
      if (g.code == 49) elements.push_back(g.real());
    // A record without elements leaves its pattern to the reader: the common one of its name.
    if (!elements.empty()) patterns_.emplace(db::tableNameKey(*name), dashPatternOf(elements));
  }
}

const DashPattern& Linetypes::find(std::string_view name) const {
  const std::string key = db::tableNameKey(name);
  if (const auto it = patterns_.find(key); it != patterns_.end()) return it->second;
  if (const auto it = common_.find(key); it != common_.end()) return it->second;
  std::vector<double> pattern = commonPattern(key);
  for (double& e : pattern) e *= unitsPerInch_;
  return common_.emplace(key, dashPatternOf(pattern)).first->second;
}

}  // namespace kx::render
