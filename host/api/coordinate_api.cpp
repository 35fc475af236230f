// kxedTrans: converting points and vectors between the world, the current UCS and object
// coordinate systems.

#include <optional>

#include "api/host_names.h"
#include "db/object_fields.h"
#include "editor/session.h"
#include "geom/vec.h"
#include "kx/kxed.h"

namespace {

using kx::geom::Matrix3d;
using kx::geom::Vec3;

// The transform from the system `rb` names to world coordinates; nothing for a system that
// cannot be worked out (an unknown code, a zero normal, a bad entity name).
std::optional<Matrix3d> toWorld(const resbuf* rb) {
  if (!rb) return std::nullopt;
  switch (rb->code) {
    case KXRT_SHORT:
    case KXRT_LONG: {
      const long code = rb->code == KXRT_SHORT ? rb->value.int16 : rb->value.int32;
      if (code == 0) return Matrix3d();
      if (code != 1 && code != 2) return std::nullopt;
      // Headless, the display system is the UCS: there is no view to look from.
      kx::editor::Document* document = kx::editor::Session::instance().active();
      if (!document) return std::nullopt;
      return document->ucs().toWorld();
    }
    case KXRT_3DPOINT: {
      const Vec3 normal{rb->value.point[0], rb->value.point[1], rb->value.point[2]};
      if (normal.length() < 1e-12) return std::nullopt;
      return kx::geom::ocsToWorld(normal);
    }
    case KXRT_ENAME: {
      const auto object = kx::api::resolve(rb->value.name);
      if (!object || object.document->db().isErased(object.id)) return std::nullopt;
      const kx::db::Point3 n = kx::db::FieldReader(object.document->db(), object.id).point(210);
      const Vec3 normal{n.x, n.y, n.z};
      return kx::geom::ocsToWorld(normal.length() < 1e-12 ? Vec3{0, 0, 1} : normal);
    }
    default:
      return std::nullopt;
  }
}

}  // namespace

extern "C" {

int kxedTrans(const double point[3], const resbuf* from, const resbuf* to, int displacement,
              double result[3]) {
  if (!point || !result) return KXRT_ERROR;
  const auto fromWorld = toWorld(from);
  const auto toSystem = toWorld(to);
  if (!fromWorld || !toSystem) return KXRT_ERROR;
  const Matrix3d m = toSystem->inverse() * *fromWorld;
  const Vec3 p{point[0], point[1], point[2]};
  const Vec3 q = displacement ? m.applyToVector(p) : m.apply(p);
  result[0] = q.x;  // `result` may be `point`
  result[1] = q.y;
  result[2] = q.z;
  return KXRT_NORM;
}
}
