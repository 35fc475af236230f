#include "render/linetypes.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "db/header_values.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/number_syntax.h"
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
  for (LinetypeText& t : out.texts) {
    t.at *= factor;
    t.height *= factor;
    t.along *= factor;
    t.across *= factor;
  }
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

// The texts of a complex linetype's elements, where their style's font is known.
std::vector<LinetypeText> textsOf(const db::Database& db, const std::vector<Group>& groups) {
  std::vector<LinetypeText> texts;
  double end = 0;  // of the element read last
  long long flags = 0;
  LinetypeText text;
  std::uint64_t style = 0;
  const auto finish = [&] {
    if (!(flags & 2) || text.text.empty() || style == 0) return;
    const db::ObjectId record = db.findByHandle(style);
    if (record.isNull() || !db.isType(record, "STYLE")) return;
    const db::FieldReader s(db, record);
    text.font = text::FontLibrary::instance().styleFont(s.rawText(3).value_or("txt"),
                                                        s.rawText(4).value_or(""));
    // A style of fixed height sets the size the scale multiplies.
    const double fixed = s.real(40);
    if (fixed > 0 && std::isfinite(fixed)) text.height *= fixed;
    const double width = s.real(41);
    if (width > 0 && std::isfinite(width)) text.widthFactor = width;
    text.absolute = flags & 1;
    text.at = end;
    if (text.font && std::isfinite(text.height) && text.height > 0) texts.push_back(text);
  };
  for (const Group& g : groups) {
    switch (g.code) {
      case 49:
        finish();
        end += std::abs(g.real());
        flags = 0;
        style = 0;
        text = {};
        break;
      case 74:
        flags = g.integer();
        break;
      case 340:
        style = dxf::parseHex(g.text).value_or(0);
        break;
      case 46:
        text.height = g.real();
        break;
      case 50:
        text.rotation = g.real();
        break;
      case 44:
        text.along = g.real();
        break;
      case 45:
        text.across = g.real();
        break;
      case 9:
        for (const wchar_t c : db.codec().decode(g.text)) text.text += static_cast<char32_t>(c);
        break;
    }
  }
  finish();
  return texts;
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
    const auto groups = groupsOf(db, id, "AcDbLinetypeTableRecord");
    for (const Group& g : groups)
      if (g.code == 49) elements.push_back(g.real());
    // A record without elements leaves its pattern to the reader: the common one of its name.
    if (elements.empty()) continue;
    DashPattern pattern = dashPatternOf(elements);
    if (!pattern.solid()) pattern.texts = textsOf(db, groups);
    patterns_.emplace(db::tableNameKey(*name), std::move(pattern));
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
