#include "render/entity_shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "db/object_fields.h"
#include "dxf/number_syntax.h"
#include "render/entity_groups.h"
#include "render/hatch_shapes.h"
#include "render/leader_shapes.h"

namespace kx::render {
namespace {

using geom::Matrix3d;
using geom::Vec2;
using geom::Vec3;

constexpr double kTwoPi = 2 * std::numbers::pi;

Vec3 vec(db::Point3 p) {
  return {p.x, p.y, p.z};
}

void transform(Shapes& shapes, const Matrix3d& m) {
  for (Shape& s : shapes)
    for (Points3& c : s.contours)
      for (Vec3& p : c) p = m.apply(p);
}

Matrix3d ocsOf(const db::FieldReader& f) {
  return geom::ocsToWorld(vec(f.point(210)));
}

Shapes lineShapes(const db::FieldReader& f) {
  return {strokeShape({vec(f.point(10)), vec(f.point(11))})};
}

Shapes pointShapes(const db::FieldReader& f) {
  Shape s = strokeShape({vec(f.point(10))});
  s.kind = PrimitiveKind::Dot;
  return {s};
}

Shapes circleShapes(const db::FieldReader& f, bool arc) {
  const Vec3 c = vec(f.point(10));
  const double r = f.real(40);
  if (!(r > 0) || !std::isfinite(r)) return {};
  const double start = arc ? f.angle(50) : 0;
  const double end = arc ? f.angle(51) : kTwoPi;
  Shapes out{strokeShape(arcPoints(c.xy(), r, start, end, c.z), !arc)};
  if (!arc) out[0].contours[0].pop_back();  // closed: the last point repeats the first
  transform(out, ocsOf(f));
  return out;
}

Shapes ellipseShapes(const db::FieldReader& f) {
  const double ratio = f.real(40);
  const Vec3 major = vec(f.point(11));
  if (!std::isfinite(ratio) || major.length() == 0) return {};
  double start = f.real(41), end = f.real(42);
  if (!f.locate(42)) end = kTwoPi;
  return {
      strokeShape(ellipsePoints(vec(f.point(10)), major, ratio, start, end, vec(f.point(210))))};
}

Shapes splineShapes(const db::Database& db, db::ObjectId id) {
  const auto groups = groupsOf(db, id, "AcDbSpline");
  int degree = 3;
  long long flags = 0;
  std::vector<double> knots, weights;
  Points3 control, fit;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    switch (groups[i].code) {
      case 70:
        flags = groups[i].integer();
        break;
      case 71:
        degree = static_cast<int>(std::clamp<long long>(groups[i].integer(), 1, 32));
        break;
      case 40:
        knots.push_back(groups[i].real());
        break;
      case 41:
        weights.push_back(groups[i].real());
        break;
      case 10:
        control.push_back(readPoint(groups, i));
        break;
      case 11:
        fit.push_back(readPoint(groups, i));
        break;
      default:
        break;
    }
  }
  const bool closed = (flags & 1) != 0;
  if (control.empty()) return {strokeShape(std::move(fit), closed)};
  return {strokeShape(splinePoints(degree, knots, control, weights))};
}

Shapes lwpolylineShapes(const db::Database& db, db::ObjectId id) {
  const auto groups = groupsOf(db, id, "AcDbPolyline");
  std::vector<PolylineVertex> vertices;
  double constantWidth = 0, elevation = 0;
  long long flags = 0;
  Vec3 normal{0, 0, 1};
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const Group& g = groups[i];
    switch (g.code) {
      case 10: {
        PolylineVertex v;
        v.point = readPoint(groups, i);
        v.startWidth = v.endWidth = -1;  // not given: the constant width
        vertices.push_back(v);
        break;
      }
      case 40:
        if (!vertices.empty()) vertices.back().startWidth = g.real();
        break;
      case 41:
        if (!vertices.empty()) vertices.back().endWidth = g.real();
        break;
      case 42:
        if (!vertices.empty()) vertices.back().bulge = g.real();
        break;
      case 43:
        constantWidth = g.real();
        break;
      case 38:
        elevation = g.real();
        break;
      case 70:
        flags = g.integer();
        break;
      case 210:
        normal = readPoint(groups, i);
        break;
      default:
        break;
    }
  }
  for (PolylineVertex& v : vertices) {
    v.point.z = elevation;
    if (v.startWidth < 0) v.startWidth = constantWidth;
    if (v.endWidth < 0) v.endWidth = constantWidth;
  }
  Shapes out = polylineShapes(vertices, (flags & 1) != 0, (flags & 128) != 0);
  transform(out, geom::ocsToWorld(normal));
  return out;
}

Shapes polylineEntityShapes(const db::Database& db, db::ObjectId id,
                            std::span<const db::ObjectId> followers) {
  const db::FieldReader f(db, id);
  const long long flags = f.integer(70);
  const double defaultStart = f.real(40), defaultEnd = f.real(41);
  const bool closed = (flags & 1) != 0;

  struct Vertex {
    Vec3 point;
    double startWidth, endWidth, bulge;
    long long flags;
    int faces[4];
  };
  std::vector<Vertex> vertices;
  vertices.reserve(followers.size());
  for (db::ObjectId v : followers) {
    if (!db.isType(v, "VERTEX")) continue;
    const db::FieldReader vf(db, v);
    Vertex x{vec(vf.point(10)),
             vf.locate(40) ? vf.real(40) : defaultStart,
             vf.locate(41) ? vf.real(41) : defaultEnd,
             vf.real(42),
             vf.integer(70),
             {static_cast<int>(vf.integer(71)), static_cast<int>(vf.integer(72)),
              static_cast<int>(vf.integer(73)), static_cast<int>(vf.integer(74))}};
    vertices.push_back(x);
  }

  if (flags & 64) {  // polyface mesh: positions, then faces that index them from 1
    Points3 positions;
    Shape edges;
    for (const Vertex& v : vertices)
      if ((v.flags & 128) && (v.flags & 64)) positions.push_back(v.point);
    for (const Vertex& v : vertices) {
      if (!(v.flags & 128) || (v.flags & 64)) continue;
      int count = 0;
      while (count < 4 && v.faces[count] != 0) ++count;
      for (int k = 0; k < count; ++k) {
        const int a = v.faces[k], b = v.faces[(k + 1) % count];
        if (a < 0) continue;  // a negative index hides the edge that starts there
        const auto ia = static_cast<std::size_t>(std::abs(a) - 1);
        const auto ib = static_cast<std::size_t>(std::abs(b) - 1);
        if (ia < positions.size() && ib < positions.size())
          edges.contours.push_back({positions[ia], positions[ib]});
      }
    }
    return {edges};
  }

  if (flags & 16) {  // polygon mesh: M rows of N vertices
    const auto m = static_cast<std::size_t>(std::max<long long>(f.integer(71), 0));
    const auto n = static_cast<std::size_t>(std::max<long long>(f.integer(72), 0));
    if (m == 0 || n == 0 || m * n > vertices.size()) return {};
    Shape grid;
    for (std::size_t r = 0; r < m; ++r) {
      Points3 row;
      for (std::size_t c = 0; c < n; ++c) row.push_back(vertices[r * n + c].point);
      if (flags & 32) row.push_back(row.front());
      grid.contours.push_back(std::move(row));
    }
    for (std::size_t c = 0; c < n; ++c) {
      Points3 column;
      for (std::size_t r = 0; r < m; ++r) column.push_back(vertices[r * n + c].point);
      if (flags & 1) column.push_back(column.front());
      grid.contours.push_back(std::move(column));
    }
    return {grid};
  }

  // Spline frame control points are not part of the curve.
  std::erase_if(vertices, [](const Vertex& v) { return (v.flags & 16) != 0; });
  if (flags & 8) {  // 3D polyline: straight segments in world coordinates
    Points3 points;
    for (const Vertex& v : vertices) points.push_back(v.point);
    return {strokeShape(std::move(points), closed)};
  }
  const double elevation = f.point(10).z;
  std::vector<PolylineVertex> plain;
  for (const Vertex& v : vertices)
    plain.push_back({{v.point.x, v.point.y, elevation}, v.startWidth, v.endWidth, v.bulge});
  Shapes out = polylineShapes(plain, closed, (flags & 128) != 0);
  transform(out, ocsOf(f));
  return out;
}

std::optional<Vec3> cornerOf(const db::FieldReader& f, int code) {
  if (!f.locate(code)) return std::nullopt;
  return vec(f.point(code));
}

Shapes solidShapes(const db::FieldReader& f) {
  const Vec3 p1 = vec(f.point(10)), p2 = vec(f.point(11)), p3 = vec(f.point(12));
  const Vec3 p4 = cornerOf(f, 13).value_or(p3);
  // Corners 3 and 4 are crossed: the outline runs 1, 2, 4, 3.
  Shapes out{fillShape({{p1, p2, p4, p3}}, FillRule::NonZero)};
  transform(out, ocsOf(f));
  return out;
}

// A face is opaque, as in a plot with hidden lines removed: it hides what is drawn before it,
// which is how a face with invisible edges masks a text, and shows its visible edges.
Shapes faceShapes(const db::FieldReader& f) {
  const Vec3 p[4] = {vec(f.point(10)), vec(f.point(11)), vec(f.point(12)),
                     cornerOf(f, 13).value_or(vec(f.point(12)))};
  Shape area;
  area.kind = PrimitiveKind::Background;
  area.fillRule = FillRule::NonZero;
  area.contours.push_back({p[0], p[1], p[2], p[3]});
  const long long hidden = f.integer(70);
  Shape edges;
  for (int k = 0; k < 4; ++k) {
    if (hidden & (1 << k)) continue;
    const Vec3 a = p[k], b = p[(k + 1) % 4];
    if (a == b) continue;
    edges.contours.push_back({a, b});
  }
  return {area, edges};
}

// MLINE: each element of its style runs through the vertices at its offset along their miters;
// the style's square caps close the ends.
Shapes mlineShapes(const db::Database& db, db::ObjectId id) {
  const auto groups = groupsOf(db, id, "AcDbMline");
  long long flags = 0;
  std::uint64_t styleHandle = 0;
  struct Vertex {
    Vec3 point, miter;
    std::vector<double> offsets;  // one per element
  };
  std::vector<Vertex> vertices;
  bool firstParameter = false;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const Group& g = groups[i];
    if (g.code == 71) flags = g.integer();
    if (g.code == 340) styleHandle = dxf::parseHex(g.text).value_or(0);
    if (g.code == 11) vertices.push_back({readPoint(groups, i), {}, {}});
    if (vertices.empty()) continue;
    if (g.code == 13) vertices.back().miter = readPoint(groups, i);
    // Each element's parameters start with its distance along the miter.
    if (g.code == 74) firstParameter = true;
    if (g.code == 41 && firstParameter) {
      vertices.back().offsets.push_back(g.real());
      firstParameter = false;
    }
  }
  if (vertices.empty()) return {};
  std::vector<int> colors;
  long long styleFlags = 0;
  const db::ObjectId style = styleHandle ? db.findByHandle(styleHandle) : db::ObjectId{};
  if (!style.isNull() && db.isType(style, "MLINESTYLE"))
    for (const Group& g : groupsOf(db, style, "AcDbMlineStyle")) {
      if (g.code == 70) styleFlags = g.integer();
      if (g.code == 62) colors.push_back(static_cast<int>(g.integer()));
    }
  const std::size_t elements = vertices.front().offsets.size();
  const bool closed = (flags & 2) != 0;
  Shapes out;
  std::vector<Points3> lines(elements);
  for (const Vertex& v : vertices)
    for (std::size_t e = 0; e < elements && e < v.offsets.size(); ++e)
      lines[e].push_back(v.point + v.miter * v.offsets[e]);
  for (std::size_t e = 0; e < elements; ++e) {
    Shape s = strokeShape(std::move(lines[e]), closed);
    if (e < colors.size() && colors[e] >= 0 && colors[e] <= 256) s.aci = colors[e];
    out.push_back(std::move(s));
  }
  if (!closed && elements >= 2) {
    const auto cap = [&](const Vertex& v) {
      const auto [lo, hi] = std::minmax_element(v.offsets.begin(), v.offsets.end());
      return strokeShape({v.point + v.miter * *lo, v.point + v.miter * *hi});
    };
    if ((styleFlags & 16) && !(flags & 4)) out.push_back(cap(vertices.front()));
    if ((styleFlags & 256) && !(flags & 8)) out.push_back(cap(vertices.back()));
  }
  return out;
}

// MESH: the edges of its faces (the control mesh, not the smoothed surface).
Shapes meshShapes(const db::Database& db, db::ObjectId id) {
  const auto groups = groupsOf(db, id, "AcDbSubDMesh");
  Points3 positions;
  std::vector<long long> faceList;
  long long faceListSize = -1;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const Group& g = groups[i];
    if (g.code == 10) positions.push_back(readPoint(groups, i));
    if (g.code == 93) faceListSize = g.integer();
    if (g.code == 90 && faceListSize > 0 &&
        faceList.size() < static_cast<std::size_t>(faceListSize))
      faceList.push_back(g.integer());
    if (g.code == 94) faceListSize = 0;  // edges follow, which the faces already show
  }
  Shape edges;
  for (std::size_t i = 0; i < faceList.size();) {
    const auto count = static_cast<std::size_t>(std::max<long long>(faceList[i], 0));
    if (i + count >= faceList.size()) break;
    Points3 face;
    for (std::size_t k = 1; k <= count; ++k) {
      const long long index = faceList[i + k];
      if (index >= 0 && static_cast<std::size_t>(index) < positions.size())
        face.push_back(positions[static_cast<std::size_t>(index)]);
    }
    if (face.size() >= 2) {
      face.push_back(face.front());
      edges.contours.push_back(std::move(face));
    }
    i += count + 1;
  }
  return {edges};
}

// XLINE and RAY: a line through the base point along the direction, which the painter carries
// to the edges of the picture.
Shapes unboundedShapes(const db::FieldReader& f, bool bothWays) {
  const Vec3 base = vec(f.point(10)), direction = vec(f.point(11));
  if (!(direction.length() > 0)) return {};
  Shape s = strokeShape({base, base + direction});
  s.unbounded = bothWays ? Unbounded::Line : Unbounded::Ray;
  return {s};
}

}  // namespace

Shapes polylineShapes(std::span<const PolylineVertex> vertices, bool closed,
                      bool continuousPattern) {
  const std::size_t n = vertices.size();
  if (n == 0) return {};
  if (n == 1) return {strokeShape({vertices[0].point})};
  const std::size_t segments = closed ? n : n - 1;
  bool constant = true;
  for (std::size_t i = 0; i < segments; ++i)
    constant = constant && vertices[i].startWidth == vertices[0].startWidth &&
               vertices[i].endWidth == vertices[0].startWidth;

  if (constant) {
    Points3 points{vertices[0].point};
    std::vector<std::size_t> restarts;
    for (std::size_t i = 0; i < segments; ++i) {
      appendBulgeSegment(points, vertices[i].point, vertices[(i + 1) % n].point, vertices[i].bulge);
      restarts.push_back(points.size() - 1);
    }
    if (closed) {
      points.pop_back();  // back at the first vertex
      restarts.back() = points.size();
    }
    Shape s = strokeShape(std::move(points), closed);
    s.width = std::abs(vertices[0].startWidth);
    if (!continuousPattern && segments > 1) s.patternRestarts = std::move(restarts);
    return {s};
  }

  // Tapered segments: one quadrilateral per flattened piece, all turning the same way so the
  // non-zero rule joins them.
  Shape area;
  area.kind = PrimitiveKind::Fill;
  area.fillRule = FillRule::NonZero;
  for (std::size_t i = 0; i < segments; ++i) {
    const PolylineVertex& v = vertices[i];
    Points3 piece{v.point};
    appendBulgeSegment(piece, v.point, vertices[(i + 1) % n].point, v.bulge);
    const std::size_t m = piece.size() - 1;
    for (std::size_t k = 0; k < m; ++k) {
      const Vec2 a = piece[k].xy(), b = piece[k + 1].xy();
      const Vec2 d = b - a;
      const double len = d.length();
      if (len == 0) continue;
      const Vec2 normal{-d.y / len, d.x / len};
      const double w0 = v.startWidth + (v.endWidth - v.startWidth) * k / m;
      const double w1 = v.startWidth + (v.endWidth - v.startWidth) * (k + 1) / m;
      const double z = piece[k].z;
      const Vec2 q[4] = {a + normal * (w0 / 2), a - normal * (w0 / 2), b - normal * (w1 / 2),
                         b + normal * (w1 / 2)};
      // Counter-clockwise whichever way the piece runs.
      area.contours.push_back(
          {{q[0].x, q[0].y, z}, {q[1].x, q[1].y, z}, {q[2].x, q[2].y, z}, {q[3].x, q[3].y, z}});
    }
  }
  return {area};
}

bool drawsAsShapes(std::string_view type) {
  static constexpr std::string_view kDrawn[] = {
      "LINE",        "POINT", "CIRCLE", "ARC",    "ELLIPSE", "SPLINE", "LWPOLYLINE",
      "POLYLINE",    "SOLID", "TRACE",  "3DFACE", "LEADER",  "HATCH",  "WIPEOUT",
      "MULTILEADER", "MLINE", "MESH",   "XLINE",  "RAY",     "IMAGE"};
  return std::find(std::begin(kDrawn), std::end(kDrawn), type) != std::end(kDrawn);
}

Shapes entityShapes(const db::Database& db, db::ObjectId id,
                    std::span<const db::ObjectId> followers, const ShapeOptions& options) {
  const std::string_view type = db.typeName(id);
  const db::FieldReader f(db, id);
  if (type == "LINE") return lineShapes(f);
  if (type == "POINT") return pointShapes(f);
  if (type == "CIRCLE") return circleShapes(f, false);
  if (type == "ARC") return circleShapes(f, true);
  if (type == "ELLIPSE") return ellipseShapes(f);
  if (type == "SPLINE") return splineShapes(db, id);
  if (type == "LWPOLYLINE") return lwpolylineShapes(db, id);
  if (type == "POLYLINE") return polylineEntityShapes(db, id, followers);
  if (type == "SOLID" || type == "TRACE") return solidShapes(f);
  if (type == "3DFACE") return faceShapes(f);
  if (type == "LEADER") return leaderShapes(db, id);
  if (type == "MULTILEADER") return multileaderShapes(db, id);
  if (type == "MLINE") return mlineShapes(db, id);
  if (type == "MESH") return meshShapes(db, id);
  if (type == "XLINE") return unboundedShapes(f, true);
  if (type == "RAY") return unboundedShapes(f, false);
  if (type == "IMAGE") return imageShapes(db, id, options.imageFolder);
  if (type == "HATCH") return hatchShapes(db, id);
  if (type == "WIPEOUT") return wipeoutShapes(db, id, options.wipeoutFrame);
  return {};
}

}  // namespace kx::render
