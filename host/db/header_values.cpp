#include "db/header_values.h"

#include "dxf/number_syntax.h"

namespace kx::db {

std::optional<double> headerReal(const Database& db, std::string_view name) {
  auto text = db.headerText(name);
  if (!text) return std::nullopt;
  return dxf::parseReal(*text);
}

std::optional<long long> headerInteger(const Database& db, std::string_view name) {
  auto text = db.headerText(name);
  if (!text) return std::nullopt;
  return dxf::parseInteger(*text);
}

std::optional<std::wstring> headerString(const Database& db, std::string_view name) {
  auto range = db.headerVariable(name);
  if (!range || range->count == 0) return std::nullopt;
  return db.decode(db.tags(range->record)[range->first]);
}

std::optional<Point3> headerPoint(const Database& db, std::string_view name) {
  auto range = db.headerVariable(name);
  if (!range || range->count == 0) return std::nullopt;
  Point3 p;
  bool any = false;
  const auto tags = db.tags(range->record).subspan(range->first, range->count);
  for (const Tag& tag : tags) {
    auto value = dxf::parseReal(db.text(tag));
    if (!value) continue;
    if (tag.code == 10) p.x = *value, any = true;
    if (tag.code == 20) p.y = *value, any = true;
    if (tag.code == 30) p.z = *value;
  }
  if (!any) return std::nullopt;
  return p;
}

void setHeaderReal(Database& db, std::string_view name, double value) {
  db.setHeaderText(name, 40, formatReal(value));
}

void setHeaderInteger(Database& db, std::string_view name, int code, long long value) {
  db.setHeaderText(name, code, std::to_string(value));
}

void setHeaderString(Database& db, std::string_view name, int code, std::wstring_view value) {
  db.setHeaderText(name, code, db.encode(value));
}

void setHeaderPoint(Database& db, std::string_view name, const Point3& p) {
  const double values[3] = {p.x, p.y, p.z};
  auto range = db.headerVariable(name);
  if (!range) {
    db.setHeaderText(name, 10, formatReal(p.x));
    range = db.headerVariable(name);
    if (!range) return;
  }
  // Set the groups the variable has, then add those it lacks after them.
  bool present[3] = {false, false, false};
  for (std::size_t i = 0; i < range->count; ++i) {
    const int code = db.tags(range->record)[range->first + i].code;
    if (code == 10 || code == 20 || code == 30) {
      const int axis = code / 10 - 1;
      present[axis] = true;
      db.setText(range->record, range->first + i, formatReal(values[axis]));
    }
  }
  std::size_t at = range->first + range->count;
  for (int axis = 0; axis < 3; ++axis) {
    if (present[axis]) continue;
    db.insertTag(range->record, at++, (axis + 1) * 10, formatReal(values[axis]));
  }
}

}  // namespace kx::db
