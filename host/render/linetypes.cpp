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

Linetypes::Linetypes(const db::Database& db) {
  globalScale_ = db::headerReal(db, "$LTSCALE").value_or(1);
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
    patterns_.emplace(db::tableNameKey(*name), dashPatternOf(elements));
  }
}

const DashPattern& Linetypes::find(std::string_view name) const {
  const auto it = patterns_.find(db::tableNameKey(name));
  return it == patterns_.end() ? solid_ : it->second;
}

}  // namespace kx::render
