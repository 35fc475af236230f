// UCS: saving, restoring, deleting named coordinate systems, going back to the world system, and
// aligning the UCS with an entity.

#include <cmath>

#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "editor/host_commands.h"
#include "text/mtext_entity.h"

namespace kx::editor {
namespace {

using geom::Vec3;

Vec3 toVec(const db::Point3& p) {
  return {p.x, p.y, p.z};
}

// Names a CAD user can give a table record: not empty, none of the characters the host uses in
// its own syntax.
bool isValidName(std::wstring_view name) {
  if (name.empty() || name.size() > 255) return false;
  return name.find_first_of(L"<>/\\\":;?*|,=`") == std::wstring_view::npos &&
         name.front() != L' ' && name.back() != L' ';
}

std::optional<std::wstring> nameReply(Replies& replies) {
  const Reply* r = replies.next();
  if (!r || r->kind != Reply::Kind::Text || !isValidName(r->text)) return std::nullopt;
  return r->text;
}

// Groups 10, 11, 12 of a UCS table record.
void writeAxes(db::Database& db, db::ObjectId record, const Ucs& ucs) {
  db::ObjectFields f(db, record);
  f.setPoint(10, {ucs.origin.x, ucs.origin.y, ucs.origin.z});
  f.setPoint(11, {ucs.xAxis.x, ucs.xAxis.y, ucs.xAxis.z});
  f.setPoint(12, {ucs.yAxis.x, ucs.yAxis.y, ucs.yAxis.z});
  f.setInteger(70, 0);
}

bool save(Replies& replies, Document& document) {
  const auto name = nameReply(replies);
  if (!name) return false;
  db::Database& db = document.db();
  Ucs ucs = document.ucs();
  const db::ObjectId existing = db::findTableRecord(db, "UCS", *name);
  if (existing) {
    writeAxes(db, existing, ucs);
    ucs.name = db::FieldReader(db, existing).string(2);
  } else {
    if (db.sectionIndex("TABLES") < 0) return false;
    auto point = [&](int code, Vec3 v) {
      return std::vector<db::NewTag>{{code, db::formatReal(v.x)},
                                     {code + 10, db::formatReal(v.y)},
                                     {code + 20, db::formatReal(v.z)}};
    };
    std::vector<db::NewTag> body = {{100, "AcDbSymbolTableRecord"},
                                    {100, "AcDbUCSTableRecord"},
                                    {2, db.encode(*name)},
                                    {70, "0"}};
    for (const auto& tags : {point(10, ucs.origin), point(11, ucs.xAxis), point(12, ucs.yAxis)})
      body.insert(body.end(), tags.begin(), tags.end());
    body.push_back({79, "0"});
    body.push_back({146, "0.0"});
    try {
      db::addTableRecord(db, "UCS", body);
    } catch (const std::invalid_argument&) {
      return false;  // a drawing without a UCS table
    }
    ucs.name = *name;
  }
  document.setUcs(ucs);
  return true;
}

bool restore(Replies& replies, Document& document) {
  const auto name = nameReply(replies);
  if (!name) return false;
  const db::Database& db = document.db();
  const db::ObjectId record = db::findTableRecord(db, "UCS", *name);
  if (!record) return false;
  const db::FieldReader f(db, record);
  Ucs ucs;
  ucs.origin = toVec(f.point(10));
  const Vec3 x = geom::normalized(toVec(f.point(11)));
  // The y axis square to x, in the plane the record gives.
  const Vec3 z = geom::normalized(geom::cross(x, toVec(f.point(12))));
  const Vec3 y = geom::cross(z, x);
  if (x.length() < 0.5 || z.length() < 0.5) return false;  // a damaged record
  ucs.xAxis = x;
  ucs.yAxis = y;
  ucs.name = f.string(2);
  document.setUcs(ucs);
  return true;
}

bool remove(Replies& replies, Document& document) {
  const auto name = nameReply(replies);
  if (!name) return false;
  db::Database& db = document.db();
  const db::ObjectId record = db::findTableRecord(db, "UCS", *name);
  if (!record) return false;
  db::eraseTableRecord(db, record);
  if (db::sameTableName(document.ucs().name, *name)) {
    // The current UCS stays where it is but no longer has a name to go by.
    Ucs ucs = document.ucs();
    ucs.name.clear();
    document.setUcs(ucs);
  }
  return true;
}

bool alignWithEntity(Replies& replies, Document& document) {
  const Reply* r = replies.next();
  if (!r || r->kind != Reply::Kind::Entity) return false;
  const db::Database& db = document.db();
  if (r->name[0] != db.serial()) return false;
  const db::ObjectId id = db.fromEntityName({r->name[0], r->name[1]});
  if (!id || db.isErased(id)) return false;
  auto ucs = entityUcs(db, id);
  if (!ucs) return false;
  document.setUcs(*ucs);
  return true;
}

}  // namespace

std::optional<Ucs> entityUcs(const db::Database& db, db::ObjectId entity) {
  const std::string_view type = db.typeName(entity);
  const db::FieldReader f(db, entity);
  Vec3 normal = toVec(f.point(210));
  if (normal.length() < 1e-12) normal = {0, 0, 1};
  normal = geom::normalized(normal);
  const geom::Matrix3d ocs = geom::ocsToWorld(normal);
  Ucs ucs;
  Vec3 xAxis;
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    const double rotation = f.angle(50);
    ucs.origin = ocs.apply(toVec(f.point(10)));
    xAxis = ocs.applyToVector({std::cos(rotation), std::sin(rotation), 0});
  } else if (type == "MTEXT") {
    const geom::Matrix3d placement = text::mtextPlacement(db, entity);
    ucs.origin = placement.origin();
    xAxis = placement.xAxis();
    normal = geom::normalized(placement.zAxis());
  } else {
    if (!f.locate(10)) return std::nullopt;
    Vec3 first = toVec(f.point(10));
    // These keep their first point in their OCS; the others in world coordinates.
    const bool inOcs = type == "CIRCLE" || type == "ARC" || type == "INSERT" || type == "SOLID" ||
                       type == "TRACE" || type == "LWPOLYLINE";
    if (type == "LWPOLYLINE") first.z = f.real(38);
    ucs.origin = inOcs ? ocs.apply(first) : first;
    xAxis = ocs.xAxis();
  }
  ucs.xAxis = geom::normalized(xAxis);
  ucs.yAxis = geom::normalized(geom::cross(normal, ucs.xAxis));
  return ucs;
}

bool ucsCommand(Replies& replies, Document& document) {
  const Reply* r = replies.next();
  if (!r) return false;
  if (r->isEnter() || isOption(*r, L"World")) {
    document.setUcs(Ucs{});
    return true;
  }
  if (isOption(*r, L"Save")) return save(replies, document);
  if (isOption(*r, L"Restore")) return restore(replies, document);
  if (isOption(*r, L"Delete")) return remove(replies, document);
  if (isOption(*r, L"Entity") || isOption(*r, L"OBject", 2))
    return alignWithEntity(replies, document);
  return false;
}

}  // namespace kx::editor
