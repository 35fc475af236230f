#include "db/block_placement.h"

#include <algorithm>
#include <cmath>

#include "db/object_fields.h"

namespace kx::db {
namespace {

double finiteOr(double v, double fallback) {
  return std::isfinite(v) ? v : fallback;
}

}  // namespace

geom::Matrix3d InsertPlacement::cell(long long row, long long column) const {
  const geom::Vec3 offset{static_cast<double>(column) * columnSpacing,
                          static_cast<double>(row) * rowSpacing, 0};
  return place * geom::Matrix3d::translation(offset) *
         geom::Matrix3d::scaling(scale.x, scale.y, scale.z) *
         geom::Matrix3d::translation(-basePoint);
}

InsertPlacement insertPlacement(const Database& db, ObjectId insert, geom::Vec3 basePoint) {
  const FieldReader f(db, insert);
  const Point3 n = f.point(210);
  geom::Vec3 normal{finiteOr(n.x, 0), finiteOr(n.y, 0), finiteOr(n.z, 1)};
  if (normal.length() < 1e-12) normal = {0, 0, 1};
  const Point3 at = f.point(10);
  InsertPlacement p;
  p.place = geom::ocsToWorld(normal) *
            geom::Matrix3d::translation({finiteOr(at.x, 0), finiteOr(at.y, 0), finiteOr(at.z, 0)}) *
            geom::Matrix3d::rotationZ(finiteOr(f.angle(50), 0));
  p.scale = {finiteOr(f.real(41), 1), finiteOr(f.real(42), 1), finiteOr(f.real(43), 1)};
  p.basePoint = basePoint;
  p.columns = std::max<long long>(f.integer(70), 1);
  p.rows = std::max<long long>(f.integer(71), 1);
  p.columnSpacing = finiteOr(f.real(44), 0);
  p.rowSpacing = finiteOr(f.real(45), 0);
  return p;
}

}  // namespace kx::db
