#include "editor/block_explode.h"
#include "dxf/group_code.h"

#include <array>
#include <cmath>
#include <iterator>
#include <numbers>
#include <optional>
#include <unordered_set>

#include "db/block_placement.h"
#include "db/draw_order.h"
#include "db/entities.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/number_syntax.h"
#include "geom/vec.h"
#include "text/mtext_entity.h"

namespace kx::editor {
namespace {

using db::NewTag;
using geom::Matrix3d;
using geom::Vec3;

constexpr double kDegrees = 180 / std::numbers::pi;

std::optional<std::string> explodeError(std::string message) {
  return message;
}

// ---- the groups of one entity being placed ----

class Body {
 public:
  Body(const db::Database& db, db::ObjectId id) {
    const auto tags = db.tags(id);
    const std::string_view type = db.typeName(id);
    int braces = 0;
    tags_.reserve(tags.size() + 3);  // room for a normal the entity leaves out
    for (std::size_t i = 1; i < tags.size(); ++i) {
      const int code = tags[i].code;
      const std::string_view text = db.text(tags[i]);
      // Handle, owner and the reactor and extension-dictionary groups belong to the original.
      if (code == 102) {
        braces = dxf::applicationDepthAfter(braces, text);
        continue;
      }
      if (braces > 0 || (code == 330 && !seenMarker_) || db::isHandleGroup(type, code)) continue;
      if (code == 100) seenMarker_ = true;
      tags_.push_back({code, std::string(text)});
    }
    end_ = tags_.size();
    for (std::size_t i = 0; i < tags_.size(); ++i) {
      if (dxf::isExtendedData(tags_[i].code)) {
        end_ = i;
        break;
      }
    }
  }

  std::vector<NewTag> take() { return std::move(tags_); }

  std::optional<std::size_t> find(int code, std::size_t from = 0) const {
    for (std::size_t i = from, last = end(); i < last; ++i)
      if (tags_[i].code == code) return i;
    return std::nullopt;
  }
  std::vector<std::size_t> all(int code) const {
    std::vector<std::size_t> out;
    for (std::size_t i = 0, last = end(); i < last; ++i)
      if (tags_[i].code == code) out.push_back(i);
    return out;
  }
  double real(int code, double fallback) const {
    const auto at = find(code);
    return at ? number(*at).value_or(fallback) : fallback;
  }
  Vec3 point(std::size_t at) const {
    Vec3 p{number(at).value_or(0), 0, 0};
    const int code = tags_[at].code;
    if (at + 1 < tags_.size() && tags_[at + 1].code == code + 10) p.y = number(at + 1).value_or(0);
    if (at + 2 < tags_.size() && tags_[at + 2].code == code + 20) p.z = number(at + 2).value_or(0);
    return p;
  }
  std::optional<Vec3> point(int code) const {
    const auto at = find(code);
    if (!at) return std::nullopt;
    return point(*at);
  }

  // Sets x and y, and z when the point has one or `p.z` is not 0 (a 2D point stays 2D in its
  // plane).
  void setPoint(std::size_t at, Vec3 p, bool keepTwoD = false) {
    const int code = tags_[at].code;
    tags_[at].text = db::formatReal(p.x);
    if (at + 1 < tags_.size() && tags_[at + 1].code == code + 10)
      tags_[at + 1].text = db::formatReal(p.y);
    if (at + 2 < tags_.size() && tags_[at + 2].code == code + 20)
      tags_[at + 2].text = db::formatReal(p.z);
    else if (!keepTwoD)
      insert(at + 2, NewTag{code + 20, db::formatReal(p.z)});
  }
  void setPoint(int code, Vec3 p) {
    if (const auto at = find(code)) return setPoint(*at, p);
    insert(insertPosition(), NewTag{code, db::formatReal(p.x)},
           NewTag{code + 10, db::formatReal(p.y)}, NewTag{code + 20, db::formatReal(p.z)});
  }
  void setReal(int code, double value) {
    if (const auto at = find(code)) {
      tags_[*at].text = db::formatReal(value);
      return;
    }
    insert(insertPosition(), NewTag{code, db::formatReal(value)});
  }
  void scaleAll(int code, double factor) {
    for (std::size_t at : all(code))
      tags_[at].text = db::formatReal(number(at).value_or(0) * factor);
  }
  void erase(int code) {
    if (const auto at = find(code)) {
      tags_.erase(tags_.begin() + static_cast<std::ptrdiff_t>(*at));
      --end_;
    }
  }

 private:
  std::optional<double> number(std::size_t at) const { return dxf::parseReal(tags_[at].text); }
  // Groups before the extended data.
  std::size_t end() const { return end_; }
  template <typename... Tags>
  void insert(std::size_t at, Tags&&... tags) {
    std::array<NewTag, sizeof...(Tags)> added{std::forward<Tags>(tags)...};
    tags_.insert(tags_.begin() + static_cast<std::ptrdiff_t>(at),
                 std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    if (at <= end_) end_ += added.size();
  }
  // A missing group goes at the end of the entity's own part: before a second part (the
  // AcDbArc after AcDbCircle, the second AcDbText), or before the extended data.
  std::size_t insertPosition() const {
    int markers = 0;
    const std::size_t last = end();
    for (std::size_t i = 0; i < last; ++i)
      if (tags_[i].code == 100 && ++markers == 3) return i;
    return last;
  }

  std::vector<NewTag> tags_;
  std::size_t end_ = 0;  // where the extended data starts
  bool seenMarker_ = false;
};

// ---- placing geometry ----

// How a transform acts on a plane: the plane's new normal and OCS, and how lengths in it scale.
struct PlaneMap {
  Vec3 normal;       // new 210
  Matrix3d toWorld;  // new OCS to world
  double scale = 1;  // in-plane length factor
  double depth = 1;  // factor along the normal (negative when the transform mirrors)
  bool uniform = true;
  bool folded = false;
};

PlaneMap mapPlane(const Matrix3d& m, Vec3 normal) {
  const geom::OcsAxes a = geom::ocsAxes(normal);
  const Vec3 x = m.applyToVector(a.x), y = m.applyToVector(a.y), z = m.applyToVector(a.z);
  PlaneMap p;
  // Keeping the in-plane orientation keeps arcs counterclockwise and texts readable.
  p.normal = geom::normalized(geom::cross(x, y));
  p.toWorld = geom::ocsToWorld(p.normal);
  p.scale = x.length();
  const double tolerance = 1e-9 * std::max(1.0, p.scale);
  p.uniform =
      std::abs(x.length() - y.length()) <= tolerance && std::abs(geom::dot(x, y)) <= tolerance;
  // A plane the transform folds onto a line (a zero scale across it) has no normal left.
  p.folded = geom::cross(x, y).length() == 0;
  p.depth = geom::dot(z, p.normal);
  return p;
}

// The angle (radians) in the new plane of the direction at `angle` in the old one.
double mapAngle(const Matrix3d& m, Vec3 normal, const PlaneMap& plane, double angle) {
  const Vec3 d = geom::ocsToWorld(normal).applyToVector({std::cos(angle), std::sin(angle), 0});
  const Vec3 w = plane.toWorld.inverse().applyToVector(m.applyToVector(d));
  return std::atan2(w.y, w.x);
}

Vec3 mapOcsPoint(const Matrix3d& m, Vec3 normal, const PlaneMap& plane, Vec3 p) {
  return plane.toWorld.inverse().apply(m.apply(geom::ocsToWorld(normal).apply(p)));
}

bool isIdentity(const Matrix3d& m) {
  const Matrix3d i;
  return (m.xAxis() - i.xAxis()).length() < 1e-12 && (m.yAxis() - i.yAxis()).length() < 1e-12 &&
         (m.zAxis() - i.zAxis()).length() < 1e-12 && m.origin().length() < 1e-12;
}

Vec3 normalOf(const Body& b) {
  const Vec3 n = b.point(210).value_or(Vec3{0, 0, 1});
  return n.length() < 1e-12 ? Vec3{0, 0, 1} : n;
}

// Places the groups of an entity whose geometry lives in the plane of its normal.
std::optional<std::string> placePlanar(Body& b, std::string_view type, const Matrix3d& m) {
  const Vec3 n = normalOf(b);
  const PlaneMap plane = mapPlane(m, n);
  if (plane.folded) return explodeError("a " + std::string(type) + " cannot follow a zero scale");
  const bool hasSize = type == "CIRCLE" || type == "ARC" || type == "TEXT" || type == "ATTDEF" ||
                       type == "ATTRIB" || type == "LWPOLYLINE";
  if (hasSize && !plane.uniform)
    return explodeError("a " + std::string(type) + " cannot follow a non-uniform scale");
  b.setPoint(210, plane.normal);
  if (type == "LWPOLYLINE") {
    const double elevation = b.real(38, 0);
    for (std::size_t at : b.all(10)) {
      Vec3 p = b.point(at);
      p.z = elevation;
      b.setPoint(at, mapOcsPoint(m, n, plane, p), true);
    }
    const Vec3 first = b.find(10) ? b.point(*b.find(10)) : Vec3{};
    const double newElevation = mapOcsPoint(m, n, plane, {first.x, first.y, elevation}).z;
    if (b.find(38) || std::abs(newElevation) > 1e-12) b.setReal(38, newElevation);
    // Widths scale with the polyline.
    for (int code : {40, 41, 43}) b.scaleAll(code, plane.scale);
  } else {
    for (int code : {10, 11, 12, 13}) {
      if (!b.find(code)) continue;
      // A TEXT's second point only counts when it is there; SOLIDs and TRACEs have four.
      b.setPoint(code, mapOcsPoint(m, n, plane, *b.point(code)));
    }
  }
  if (type == "CIRCLE" || type == "ARC") b.setReal(40, b.real(40, 0) * plane.scale);
  if (type == "ARC") {
    for (int code : {50, 51})
      b.setReal(code, mapAngle(m, n, plane, b.real(code, 0) / kDegrees) * kDegrees);
  }
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    b.setReal(40, b.real(40, 0) * plane.scale);
    b.setReal(50, mapAngle(m, n, plane, b.real(50, 0) / kDegrees) * kDegrees);
  }
  if (b.find(39)) b.setReal(39, b.real(39, 0) * plane.depth);
  return std::nullopt;
}

// The direction of a world-coordinate entity's thickness (LINE, POINT, SPLINE); one the
// transform folds away stays as it was.
void mapNormal(Body& b, const Matrix3d& m) {
  if (!b.find(210)) return;
  const Vec3 mapped = m.applyToVector(*b.point(210));
  if (mapped.length() > 0) b.setPoint(210, geom::normalized(mapped));
}

// Places an entity whose points are world coordinates; `vectors` are directions, not points.
void placeWorld(Body& b, const Matrix3d& m, std::initializer_list<int> points,
                std::initializer_list<int> vectors) {
  for (int code : points)
    for (std::size_t at : b.all(code)) b.setPoint(at, m.apply(b.point(at)));
  for (int code : vectors)
    for (std::size_t at : b.all(code)) b.setPoint(at, m.applyToVector(b.point(at)));
}

std::optional<std::string> placeMText(Body& b, const db::Database& db, db::ObjectId id,
                                      const Matrix3d& m) {
  const Vec3 n = normalOf(b);
  const PlaneMap plane = mapPlane(m, n);
  if (!plane.uniform || plane.folded)
    return explodeError("an MTEXT cannot follow a non-uniform scale");
  const Vec3 direction = geom::normalized(text::mtextPlacement(db, id).xAxis());
  const Vec3 newDirection = geom::normalized(m.applyToVector(direction));
  b.setPoint(10, m.apply(b.point(10).value_or(Vec3{})));
  b.setPoint(210, plane.normal);
  if (b.find(11) || !b.find(50)) b.setPoint(11, newDirection);
  if (b.find(50)) {
    const Vec3 d = plane.toWorld.inverse().applyToVector(newDirection);
    b.setReal(50, std::atan2(d.y, d.x) * kDegrees);
  }
  for (int code : {40, 41, 42, 43, 46}) b.scaleAll(code, plane.scale);
  return std::nullopt;
}

// A nested reference stays one INSERT: its placement and the outer one combined.
std::optional<std::string> placeInsert(Body& b, const Matrix3d& m) {
  const Vec3 n = normalOf(b);
  const PlaneMap plane = mapPlane(m, n);
  if (!plane.uniform || plane.folded)
    return explodeError("a nested block reference cannot follow a non-uniform scale");
  b.setPoint(210, plane.normal);
  b.setPoint(10, mapOcsPoint(m, n, plane, b.point(10).value_or(Vec3{})));
  b.setReal(50, mapAngle(m, n, plane, b.real(50, 0) / kDegrees) * kDegrees);
  b.setReal(41, b.real(41, 1) * plane.scale);
  b.setReal(42, b.real(42, 1) * plane.scale);
  b.setReal(43, b.real(43, 1) * plane.depth);
  for (int code : {44, 45}) b.scaleAll(code, plane.scale);
  // Its attributes are not carried over: the copy is made without them.
  b.erase(66);
  return std::nullopt;
}

std::optional<std::string> placeEllipse(Body& b, const Matrix3d& m) {
  const Vec3 n = normalOf(b);
  const Vec3 major = b.point(11).value_or(Vec3{1, 0, 0});
  const Vec3 minor = geom::cross(geom::normalized(n), major) * b.real(40, 1);
  const Vec3 newMajor = m.applyToVector(major), newMinor = m.applyToVector(minor);
  const double tolerance = 1e-9 * std::max(1.0, newMajor.length());
  if (std::abs(geom::dot(newMajor, newMinor)) > tolerance * std::max(1.0, newMinor.length()) ||
      std::abs(newMinor.length() - newMajor.length() * b.real(40, 1)) > tolerance)
    return explodeError("an ELLIPSE cannot follow a non-uniform scale");
  b.setPoint(10, m.apply(b.point(10).value_or(Vec3{})));
  b.setPoint(11, newMajor);
  b.setPoint(210, geom::normalized(geom::cross(newMajor, newMinor)));
  return std::nullopt;
}

// The groups of one block entity placed by `m`, or why it cannot be.
std::optional<std::string> place(Body& b, const db::Database& db, db::ObjectId id,
                                 const Matrix3d& m) {
  const std::string type(db.typeName(id));
  if (type == "CIRCLE" || type == "ARC" || type == "TEXT" || type == "ATTDEF" ||
      type == "LWPOLYLINE" || type == "SOLID" || type == "TRACE")
    return placePlanar(b, type, m);
  if (type == "MTEXT") return placeMText(b, db, id, m);
  if (type == "INSERT") return placeInsert(b, m);
  if (type == "ELLIPSE") return placeEllipse(b, m);
  if (type == "LINE" || type == "POINT") {
    placeWorld(b, m, {10, 11}, {});
    mapNormal(b, m);
    return std::nullopt;
  }
  if (type == "3DFACE") {
    placeWorld(b, m, {10, 11, 12, 13}, {});
    return std::nullopt;
  }
  if (type == "XLINE" || type == "RAY") {
    placeWorld(b, m, {10}, {11});
    return std::nullopt;
  }
  if (type == "SPLINE") {
    placeWorld(b, m, {10, 11}, {12, 13});
    mapNormal(b, m);
    return std::nullopt;
  }
  if (type == "WIPEOUT" || type == "IMAGE") {
    placeWorld(b, m, {10}, {11, 12});
    return std::nullopt;
  }
  // Anything else is copied only where it does not move.
  if (isIdentity(m)) return std::nullopt;
  return explodeError("a " + type + " in the block cannot be placed");
}

db::ObjectId referencedBlock(const db::Database& db, db::ObjectId insert) {
  return db::findTableRecord(db, "BLOCK_RECORD", db::FieldReader(db, insert).string(2));
}

// Whether `start`'s definition reaches `start` again through its references.
bool containsItself(const db::Database& db, db::ObjectId start) {
  std::unordered_set<db::ObjectId> seen;
  std::vector<db::ObjectId> pending{start};
  while (!pending.empty()) {
    const db::ObjectId block = pending.back();
    pending.pop_back();
    for (db::ObjectId id : db::blockEntities(db, block)) {
      if (!db.isType(id, "INSERT")) continue;
      const db::ObjectId inner = referencedBlock(db, id);
      if (!inner) continue;
      if (inner == start) return true;
      if (seen.insert(inner).second) pending.push_back(inner);
    }
  }
  return false;
}

}  // namespace

ExplodedReference explodeReference(const db::Database& db, db::ObjectId insert) {
  ExplodedReference out;
  auto refuse = [&](std::string why) {
    out.entities.clear();
    out.error = std::move(why);
    return out;
  };
  if (!insert || !db.isType(insert, "INSERT") || db.isErased(insert))
    return refuse("not a block reference");
  const db::ObjectId block = referencedBlock(db, insert);
  if (!block) return refuse("the block of the reference is missing");
  if (containsItself(db, block)) return refuse("the block contains itself");
  const db::InsertPlacement placement =
      db::insertPlacement(db, insert, db::blockBasePoint(db, db::findBlockBegin(db, block)));
  if (placement.isArray()) return refuse("a reference with rows and columns cannot be exploded");
  const Vec3 s = placement.scale;
  // Writers of flat drawings often leave the Z scale 0; what lies in the XY plane still places.
  if (s.x == 0 || s.y == 0) return refuse("the reference has a zero scale");
  const Matrix3d m = placement.cell();

  for (db::ObjectId id : db::drawOrder(db, block)) {
    Body body(db, id);
    if (auto error = place(body, db, id, m)) return refuse(std::move(*error));
    out.entities.push_back({std::string(db.typeName(id)), body.take()});
  }
  return out;
}

}  // namespace kx::editor
