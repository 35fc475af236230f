// KxDbEntity: what every entity has (block, layer, colour, extents) and exploding.

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "api/host_names.h"
#include "api/object_state.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/number_syntax.h"
#include "editor/block_explode.h"
#include "geom/vec.h"
#include "kx/kxdbtext.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace {

using kx::api::databaseOf;
using kx::api::documentOf;
namespace db = kx::db;
namespace geom = kx::geom;

struct Bounds {
  geom::Vec3 min{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                 std::numeric_limits<double>::max()};
  geom::Vec3 max{-std::numeric_limits<double>::max(), -std::numeric_limits<double>::max(),
                 -std::numeric_limits<double>::max()};
  bool empty = true;
  void add(geom::Vec3 p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
    empty = false;
  }
};

geom::Vec3 vec(const db::Point3& p) {
  return {p.x, p.y, p.z};
}

// The extents of the entity types the host can measure without drawing them; false, with the box
// left empty, for any other entity or one with nothing to measure.
bool measure(const db::Database& db, db::ObjectId id, Bounds& b) {
  const std::string_view type = db.typeName(id);
  const db::FieldReader f(db, id);
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    const auto e = kx::text::geomExtents(kx::text::readTextEntity(db, id));
    if (!e) return false;
    b.add(e->min);
    b.add(e->max);
    return true;
  }
  if (type == "MTEXT") {
    const auto c = kx::text::mtextFrame(db, id, 0);
    for (geom::Vec3 p : {c.topLeft, c.topRight, c.bottomLeft, c.bottomRight}) b.add(p);
    return true;
  }
  if (type == "LINE") {
    b.add(vec(f.point(10)));
    b.add(vec(f.point(11)));
    return true;
  }
  if (type == "POINT") {
    b.add(vec(f.point(10)));
    return true;
  }
  if (type == "CIRCLE" || type == "ARC") {
    // The whole circle's box in its plane; an arc's box lies inside it.
    const geom::Matrix3d toWorld = geom::ocsToWorld(vec(f.point(210)));
    const geom::Vec3 c = vec(f.point(10));
    const double r = f.real(40);
    for (double dx : {-r, r})
      for (double dy : {-r, r}) b.add(toWorld.apply({c.x + dx, c.y + dy, c.z}));
    return true;
  }
  if (type == "LWPOLYLINE") {
    const geom::Matrix3d toWorld = geom::ocsToWorld(vec(f.point(210)));
    const double z = f.real(38);
    const auto tags = db.tags(id);
    for (std::size_t i = 1; i + 1 < tags.size(); ++i) {
      if (tags[i].code != 10 || tags[i + 1].code != 20) continue;
      const double x = kx::dxf::parseReal(db.text(tags[i])).value_or(0);
      const double y = kx::dxf::parseReal(db.text(tags[i + 1])).value_or(0);
      b.add(toWorld.apply({x, y, z}));
    }
    return !b.empty;
  }
  return false;
}

}  // namespace

wchar_t* KxDbEntity::layer() const {
  return kx::api::hostString(db::FieldReader(databaseOf(*this), state_->id).string(8));
}

KxDbObjectId KxDbEntity::layerId() const {
  const db::Database& db = databaseOf(*this);
  const std::wstring name = db::FieldReader(db, state_->id).string(8);
  return kx::api::objectIdOf(db, db::findTableRecord(db, "LAYER", name));
}

Kxad::ErrorStatus KxDbEntity::setLayer(const wchar_t* name) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  if (!name || !*name) return Kxad::eInvalidInput;
  db::Database& db = databaseOf(*this);
  db::ObjectId layer = db::findTableRecord(db, "LAYER", name);
  if (layer.isNull()) {
    // A layer that entities are on without a record in the table is a layer all the same (a CAD
    // program makes the record when it reads such a drawing); it gets its record now.
    if (!db::isLayerInUse(db, name)) return Kxad::eNotFound;
    layer = db::addLayer(db, name);
  }
  // The record's own spelling, as a CAD program stores it.
  const std::wstring stored = db::FieldReader(db, layer).string(2);
  db::ObjectFields f(db, state_->id);
  if (f.string(8) != stored) f.setString(8, stored);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbEntity::setLayer(KxDbObjectId layer) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  const kx::api::ResolvedObject r = kx::api::resolve(layer);
  if (!r) return Kxad::eNullObjectId;
  if (r.document != &documentOf(*state_)) return Kxad::eWrongDatabase;
  db::Database& db = databaseOf(*this);
  if (!db.isType(r.id, "LAYER")) return Kxad::eWrongObjectType;
  if (db.isErased(r.id)) return Kxad::eWasErased;
  const std::wstring stored = db::FieldReader(db, r.id).string(2);
  db::ObjectFields f(db, state_->id);
  if (f.string(8) != stored) f.setString(8, stored);
  return Kxad::eOk;
}

std::uint16_t KxDbEntity::colorIndex() const {
  // A negative colour, as a layer that is off stores it, is the same colour.
  const long long c = db::FieldReader(databaseOf(*this), state_->id).integer(62);
  return static_cast<std::uint16_t>(std::clamp<long long>(std::llabs(c), 0, 256));
}

Kxad::ErrorStatus KxDbEntity::setColorIndex(std::uint16_t color) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  if (color > 256) return Kxad::eInvalidInput;
  db::ObjectFields f(databaseOf(*this), state_->id);
  if (!f.locate(62) && color == 256) return Kxad::eOk;  // by layer already
  f.setInteger(62, color);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbEntity::getGeomExtents(KxDbExtents& extents) const {
  Bounds b;
  try {
    if (!measure(databaseOf(*this), state_->id, b)) return Kxad::eInvalidInput;
  } catch (const std::exception&) {
    return Kxad::eInvalidInput;
  }
  extents.set({b.min.x, b.min.y, b.min.z}, {b.max.x, b.max.y, b.max.z});
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbEntity::explode(KxDbVoidPtrArray& entities) const {
  if (state_->isNew) return Kxad::eNotInDatabase;
  kx::editor::Document& doc = documentOf(*state_);
  db::Database& db = doc.db();
  const db::ObjectId id = state_->id;
  const std::string_view type = db.typeName(id);
  if (type == "INSERT") {
    const kx::editor::ExplodedReference exploded = kx::editor::explodeReference(db, id);
    if (!exploded.error.empty()) return Kxad::eCannotExplode;
    for (const kx::editor::EntityDescription& e : exploded.entities) {
      const db::ObjectId limbo = kx::api::addLimboRecord(db, e.type, e.body, true);
      entities.append(kx::api::makeNewObject(doc, limbo));
    }
    return Kxad::eOk;
  }
  return Kxad::eCannotExplode;
}
