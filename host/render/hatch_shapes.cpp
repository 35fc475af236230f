#include "render/hatch_shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <string>

#include "db/object_fields.h"
#include "dxf/number_syntax.h"
#include "render/entity_groups.h"
#include "support/case_fold.h"

namespace kx::render {
namespace {

using geom::Vec2;
using geom::Vec3;

constexpr double kDegree = std::numbers::pi / 180;

// Reads a hatch's groups in order; a group that is not where it should be reads as nothing,
// so a damaged hatch gives a partial boundary instead of a misreading.
class GroupCursor {
 public:
  explicit GroupCursor(const std::vector<Group>& groups) : groups_(groups) {}
  bool done() const { return at_ >= groups_.size(); }
  int code() const { return done() ? -1 : groups_[at_].code; }
  void skip() { ++at_; }
  std::optional<double> real(int code) {
    if (this->code() != code) return std::nullopt;
    return groups_[at_++].real();
  }
  long long integer(int code, long long otherwise = 0) {
    if (this->code() != code) return otherwise;
    return groups_[at_++].integer();
  }
  std::string_view text(int code) {
    if (this->code() != code) return {};
    return groups_[at_++].text;
  }
  Vec2 point(int code) {
    if (this->code() != code) return {};
    const Vec3 p = readPoint(groups_, at_);
    ++at_;
    return p.xy();
  }

 private:
  const std::vector<Group>& groups_;
  std::size_t at_ = 0;
};

double distance(const Vec3& a, const Vec3& b) {
  return (a.xy() - b.xy()).length();
}

// Joins the edges of a boundary path into closed contours, whatever order and direction their
// writer gave them: each contour goes on with the edge whose nearer end is nearest its end, and
// a new contour starts once one has come back to its start. A gap no edge closes is bridged.
std::vector<Points3> joinEdges(std::vector<Points3> edges) {
  std::erase_if(edges, [](const Points3& e) { return e.empty(); });
  std::vector<Points3> contours;
  if (edges.empty()) return contours;
  Extents box;
  for (const Points3& e : edges)
    for (const Vec3& p : e) box.add(p.xy());
  const double tolerance = 1e-6 * std::max(box.xMax - box.xMin, box.yMax - box.yMin) + 1e-12;
  std::vector<bool> used(edges.size(), false);
  std::size_t left = edges.size();
  Points3 contour;
  while (left > 0) {
    std::size_t next = 0;
    bool reversed = false;
    double best = INFINITY;
    if (!contour.empty()) {
      for (std::size_t i = 0; i < edges.size(); ++i) {
        if (used[i]) continue;
        const double toFront = distance(contour.back(), edges[i].front());
        const double toBack = distance(contour.back(), edges[i].back());
        if (std::min(toFront, toBack) < best) {
          best = std::min(toFront, toBack);
          next = i;
          reversed = toBack < toFront;
        }
      }
      const bool closed =
          contour.size() > 2 && distance(contour.back(), contour.front()) <= tolerance;
      if (closed && best > tolerance) {
        contours.push_back(std::move(contour));
        contour.clear();
      }
    }
    if (contour.empty()) {
      next = static_cast<std::size_t>(std::find(used.begin(), used.end(), false) - used.begin());
      reversed = false;
    }
    used[next] = true;
    --left;
    Points3& edge = edges[next];
    if (reversed) std::reverse(edge.begin(), edge.end());
    const bool joins = !contour.empty() && distance(contour.back(), edge.front()) <= tolerance;
    contour.insert(contour.end(), edge.begin() + (joins ? 1 : 0), edge.end());
  }
  contours.push_back(std::move(contour));
  return contours;
}

// Clockwise arcs and ellipses keep their angles mirrored (360 - angle): the arc runs clockwise
// from 360 - start to 360 - end.
std::pair<double, double> edgeAngles(double start, double end, bool ccw) {
  if (ccw) return {start * kDegree, end * kDegree};
  return {(360 - end) * kDegree, (360 - start) * kDegree};
}

std::vector<Points3> readEdgeLoop(GroupCursor& in) {
  std::vector<Points3> loopEdges;
  const long long edges = in.integer(93);
  for (long long e = 0; e < edges && !in.done(); ++e) {
    const long long type = in.integer(72);
    Points3 points;
    if (type == 1) {
      const Vec2 a = in.point(10), b = in.point(11);
      points = {{a.x, a.y, 0}, {b.x, b.y, 0}};
    } else if (type == 2) {
      const Vec2 c = in.point(10);
      const double r = in.real(40).value_or(0);
      const double s = in.real(50).value_or(0), t = in.real(51).value_or(360);
      const bool ccw = in.integer(73, 1) != 0;
      const auto [a0, a1] = edgeAngles(s, t, ccw);
      points = std::abs(t - s) >= 360 ? arcPoints(c, r, 0, 2 * std::numbers::pi)
                                      : arcPoints(c, r, a0, a1);
      if (!ccw) std::reverse(points.begin(), points.end());
    } else if (type == 3) {
      const Vec2 c = in.point(10), major = in.point(11);
      const double ratio = in.real(40).value_or(1);
      const double s = in.real(50).value_or(0), t = in.real(51).value_or(360);
      const bool ccw = in.integer(73, 1) != 0;
      auto [a0, a1] = edgeAngles(s, t, ccw);
      // The angles are of the ellipse's points as seen from its centre; the curve needs them as
      // parameters of the unit circle it is stretched from.
      const auto param = [&](double a) {
        return ratio == 0 ? a : std::atan2(std::sin(a) / ratio, std::cos(a));
      };
      const bool full = std::abs(t - s) >= 360;
      points = ellipsePoints({c.x, c.y, 0}, {major.x, major.y, 0}, ratio, full ? 0 : param(a0),
                             full ? 2 * std::numbers::pi : param(a1));
      if (!ccw) std::reverse(points.begin(), points.end());
    } else if (type == 4) {
      const int degree = static_cast<int>(std::clamp<long long>(in.integer(94, 3), 1, 32));
      in.integer(73);
      in.integer(74);
      in.integer(95);
      in.integer(96);
      std::vector<double> knots, weights;
      Points3 control, fit;
      while (in.code() == 40) knots.push_back(*in.real(40));
      while (in.code() == 10) {
        const Vec2 p = in.point(10);
        control.push_back({p.x, p.y, 0});
        if (in.code() == 42) weights.push_back(*in.real(42));
      }
      if (in.code() == 97) {
        in.integer(97);
        while (in.code() == 11) {
          const Vec2 p = in.point(11);
          fit.push_back({p.x, p.y, 0});
        }
        if (in.code() == 12) in.point(12);
        if (in.code() == 13) in.point(13);
      }
      points = control.empty() ? fit : splinePoints(degree, knots, control, weights);
    } else {
      break;  // an edge type nobody writes: the rest of the loop cannot be read
    }
    loopEdges.push_back(std::move(points));
  }
  return joinEdges(std::move(loopEdges));
}

Points3 readPolylineLoop(GroupCursor& in) {
  const bool hasBulge = in.integer(72) != 0;
  in.integer(73);  // closed: a hatch boundary always is
  const long long count = in.integer(93);
  std::vector<std::pair<Vec2, double>> vertices;
  for (long long v = 0; v < count && in.code() == 10; ++v) {
    const Vec2 p = in.point(10);
    const double bulge = hasBulge || in.code() == 42 ? in.real(42).value_or(0) : 0;
    vertices.emplace_back(p, bulge);
  }
  Points3 contour;
  if (vertices.empty()) return contour;
  contour.push_back({vertices[0].first.x, vertices[0].first.y, 0});
  for (std::size_t i = 0; i < vertices.size(); ++i) {
    const auto& [p, bulge] = vertices[i];
    const Vec2 q = vertices[(i + 1) % vertices.size()].first;
    appendBulgeSegment(contour, {p.x, p.y, 0}, {q.x, q.y, 0}, bulge);
  }
  contour.pop_back();  // back at the first vertex
  return contour;
}

struct PatternLine {
  double angle = 0;  // radians
  Vec2 base, offset;
  std::vector<double> dashes;
};

struct HatchData {
  std::vector<Points3> boundaries;
  bool solid = true;
  int style = 0;  // 75: 0 odd parity, 1 outermost areas only, 2 ignore islands
  std::vector<PatternLine> pattern;
  Gradient gradient;
};

// Gradient fill groups after the pattern: 450 on, 452 one colour, 460 angle, 462 tint, the
// colours (421 true colour, else 63), 470 the gradient's name.
void readGradient(GroupCursor& in, Gradient& gradient) {
  while (!in.done() && in.code() != 450) in.skip();
  if (in.integer(450) != 1) return;
  bool oneColor = false;
  double tint = 0;
  std::vector<Rgb> colors;
  bool aciLast = false;  // the last colour is an ACI its true colour may follow
  std::string name = "LINEAR";
  while (!in.done()) {
    switch (in.code()) {
      case 452:
        oneColor = in.integer(452) != 0;
        break;
      case 460:
        gradient.angle = in.real(460).value_or(0);
        break;
      case 462:
        tint = in.real(462).value_or(0);
        break;
      case 63:
        colors.push_back(aciColor(static_cast<int>(std::llabs(in.integer(63)))));
        aciLast = true;
        break;
      case 421:
        // The true colour wins over its ACI; many writers give only the true colour.
        if (aciLast) colors.pop_back();
        colors.push_back(trueColor(in.integer(421)));
        aciLast = false;
        break;
      case 470:
        name = support::asciiUpperCase(std::string(in.text(470)));
        break;
      default:
        in.skip();
    }
  }
  if (colors.empty()) return;
  gradient.first = colors[0];
  const auto toward = [](Rgb c, double t, std::uint8_t to) {
    const auto mix = [&](std::uint8_t v) {
      return static_cast<std::uint8_t>(std::lround(v + (to - v) * std::clamp(t, 0.0, 1.0)));
    };
    return Rgb{mix(c.r), mix(c.g), mix(c.b)};
  };
  // One colour shades toward white (tint 1) or black (tint 0).
  gradient.second = colors.size() > 1 && !oneColor ? colors[1]
                    : tint >= 0.5                  ? toward(colors[0], 2 * tint - 1, 255)
                                                   : toward(colors[0], 1 - 2 * tint, 0);
  gradient.inverted = name.starts_with("INV");
  if (name.ends_with("CYLINDER"))
    gradient.kind = Gradient::Kind::Cylinder;
  else if (name.ends_with("SPHERICAL"))
    gradient.kind = Gradient::Kind::Spherical;
  else
    gradient.kind = Gradient::Kind::Linear;
}

// Boundaries inside others are islands: the style says how deep the fill goes.
void keepStyledIslands(HatchData& hatch) {
  if (hatch.style != 1 && hatch.style != 2) return;
  const auto inside = [](const Vec2 p, const Points3& c) {
    bool in = false;
    for (std::size_t i = 0, j = c.size() - 1; i < c.size(); j = i++) {
      const Vec2 a = c[i].xy(), b = c[j].xy();
      if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
        in = !in;
    }
    return in;
  };
  const int deepest = hatch.style == 1 ? 1 : 0;
  std::vector<Points3> kept;
  for (const Points3& c : hatch.boundaries) {
    int depth = 0;
    for (const Points3& other : hatch.boundaries)
      if (&other != &c && inside(c.front().xy(), other)) ++depth;
    if (depth <= deepest) kept.push_back(c);
  }
  hatch.boundaries = std::move(kept);
}

HatchData readHatch(const db::Database& db, db::ObjectId id) {
  const auto groups = groupsOf(db, id, "AcDbHatch");
  GroupCursor in(groups);
  HatchData hatch;
  double elevation = 0;
  while (!in.done() && in.code() != 91) {
    if (in.code() == 30)
      elevation = in.real(30).value_or(0);
    else if (in.code() == 70)
      hatch.solid = in.integer(70) != 0;
    else
      in.skip();
  }
  const long long loops = in.integer(91);
  for (long long l = 0; l < loops && !in.done(); ++l) {
    while (!in.done() && in.code() != 92) in.skip();
    const long long flags = in.integer(92);
    std::vector<Points3> contours =
        (flags & 2) ? std::vector<Points3>{readPolylineLoop(in)} : readEdgeLoop(in);
    for (Points3& contour : contours) {
      for (Vec3& p : contour) p.z = elevation;
      if (contour.size() >= 2) hatch.boundaries.push_back(std::move(contour));
    }
    // Handles of the objects the boundary came from.
    if (in.code() == 97) {
      in.integer(97);
      while (in.code() == 330) in.skip();
    }
  }
  while (!in.done() && in.code() != 75 && in.code() != 78) in.skip();
  hatch.style = static_cast<int>(in.integer(75));
  while (!in.done() && in.code() != 78 && in.code() != 450) in.skip();
  const long long lines = in.integer(78);
  for (long long k = 0; k < lines && !in.done(); ++k) {
    PatternLine line;
    line.angle = in.real(53).value_or(0) * kDegree;
    line.base = {in.real(43).value_or(0), in.real(44).value_or(0)};
    line.offset = {in.real(45).value_or(0), in.real(46).value_or(0)};
    const long long dashes = in.integer(79);
    for (long long d = 0; d < dashes && in.code() == 49; ++d) line.dashes.push_back(*in.real(49));
    hatch.pattern.push_back(std::move(line));
  }
  readGradient(in, hatch.gradient);
  return hatch;
}

// Pattern lines over the box of the boundaries; the painter clips them to the boundaries.
std::optional<Shape> patternShape(const HatchData& hatch) {
  Extents box;
  for (const Points3& c : hatch.boundaries)
    for (const Vec3& p : c) box.add(p.xy());
  if (box.empty) return std::nullopt;
  const double z = hatch.boundaries.front().front().z;
  const Vec2 corners[4] = {
      {box.xMin, box.yMin}, {box.xMax, box.yMin}, {box.xMax, box.yMax}, {box.xMin, box.yMax}};
  Shape shape;
  std::size_t segments = 0;
  for (const PatternLine& line : hatch.pattern) {
    const Vec2 u{std::cos(line.angle), std::sin(line.angle)};
    const Vec2 n{-u.y, u.x};
    const double spacing = line.offset.x * n.x + line.offset.y * n.y;
    if (!(std::abs(spacing) > 1e-12)) continue;
    double lo = INFINITY, hi = -INFINITY;
    for (const Vec2 c : corners) {
      const double d = ((c.x - line.base.x) * n.x + (c.y - line.base.y) * n.y) / spacing;
      lo = std::min(lo, d);
      hi = std::max(hi, d);
    }
    if (!std::isfinite(lo) || !std::isfinite(hi)) continue;
    const double first = std::floor(lo), last = std::ceil(hi);
    if (last - first > static_cast<double>(kMaxPatternSegments)) return std::nullopt;
    double period = 0;
    for (double d : line.dashes) period += std::abs(d);
    if (!std::isfinite(period)) continue;
    const auto lineCount = static_cast<long long>(last - first);
    for (long long i = 0; i <= lineCount; ++i) {
      const Vec2 origin = line.base + line.offset * (first + static_cast<double>(i));
      double t0 = INFINITY, t1 = -INFINITY;
      for (const Vec2 c : corners) {
        const double t = (c.x - origin.x) * u.x + (c.y - origin.y) * u.y;
        t0 = std::min(t0, t);
        t1 = std::max(t1, t);
      }
      const auto add = [&](double a, double b) {
        const Vec2 p = origin + u * a, q = origin + u * b;
        shape.contours.push_back({{p.x, p.y, z}, {q.x, q.y, z}});
        ++segments;
      };
      if (!std::isfinite(t0) || !std::isfinite(t1)) continue;
      if (period <= 0) {
        add(t0, t1);
      } else {
        if ((t1 - t0) / period * static_cast<double>(line.dashes.size()) >
            static_cast<double>(kMaxPatternSegments))
          return std::nullopt;
        // Dashes repeat from the line's origin; dots (zero dashes) get a sliver so they show.
        const double start = std::floor(t0 / period);
        const auto periods = static_cast<long long>(std::ceil(t1 / period) - start);
        for (long long p = 0; p < periods; ++p) {
          double t = (start + static_cast<double>(p)) * period;
          for (double d : line.dashes) {
            if (d > 0) add(t, t + d);
            if (d == 0) add(t, t + period * 0.02);
            t += std::abs(d);
          }
        }
      }
      if (segments > kMaxPatternSegments) return std::nullopt;
    }
  }
  shape.clip = hatch.boundaries;
  return shape;
}

}  // namespace

Shapes hatchShapes(const db::Database& db, db::ObjectId id) {
  HatchData hatch = readHatch(db, id);
  keepStyledIslands(hatch);
  if (hatch.boundaries.empty()) return {};
  const db::FieldReader f(db, id);
  const db::Point3 n = f.point(210);
  const geom::Matrix3d toBlock = geom::ocsToWorld({n.x, n.y, n.z});
  Shapes out;
  if (!hatch.solid && !hatch.pattern.empty()) {
    if (auto lines = patternShape(hatch)) out.push_back(std::move(*lines));
  }
  if (out.empty()) {
    out.push_back(fillShape(std::move(hatch.boundaries)));
    out.back().gradient = hatch.gradient;
  }
  for (Shape& s : out) {
    for (Points3& c : s.contours)
      for (Vec3& p : c) p = toBlock.apply(p);
    for (Points3& c : s.clip)
      for (Vec3& p : c) p = toBlock.apply(p);
  }
  return out;
}

namespace {

// Where an image (or a wipeout, which is one) lies: its pixel grid and its outline, the clip
// boundary when it has one and clipping is on (280; a wipeout always is clipped), else the whole
// image.
struct ImageFrame {
  Vec3 origin, u, v;             // the bottom-left corner; one pixel's width and height
  double width = 1, height = 1;  // in pixels
  Points3 outline;
  std::uint64_t definition = 0;  // the IMAGEDEF's handle
};

ImageFrame imageFrame(const db::Database& db, db::ObjectId id, std::string_view marker) {
  const auto groups = groupsOf(db, id, marker);
  const bool wipeout = marker == "AcDbWipeout";
  bool clipped = wipeout;
  for (const Group& g : groups)
    if (g.code == 280 && !wipeout) clipped = g.integer() != 0;
  ImageFrame f;
  std::vector<Vec2> boundary;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    const int code = groups[i].code;
    if (code == 14 && clipped) boundary.push_back(readPoint(groups, i).xy());
    if (code == 10) f.origin = readPoint(groups, i);
    if (code == 11) f.u = readPoint(groups, i);
    if (code == 12) f.v = readPoint(groups, i);
    if (code == 13) {
      const Vec3 size = readPoint(groups, i);
      f.width = size.x;
      f.height = size.y;
    }
    if (code == 340) f.definition = dxf::parseHex(groups[i].text).value_or(0);
  }
  if (boundary.empty()) boundary = {{-0.5, -0.5}, {f.width - 0.5, f.height - 0.5}};
  if (boundary.size() == 2) {  // opposite corners of a rectangle
    const Vec2 a = boundary[0], b = boundary[1];
    boundary = {a, {b.x, a.y}, b, {a.x, b.y}};
  }
  if (boundary.size() > 2 && boundary.front() == boundary.back()) boundary.pop_back();
  if (boundary.size() < 3) return f;
  // Boundary vertices are in pixels with the origin at the image's top left corner.
  for (const Vec2 p : boundary)
    f.outline.push_back(f.origin + f.u * (p.x + 0.5) + f.v * (f.height - 0.5 - p.y));
  return f;
}

// The image's PNG file in `folder`: the path the definition gives, taken from the folder when it
// is relative, else its last part (drawings often name the folder of another machine).
std::filesystem::path imageFileIn(const db::Database& db, std::uint64_t definition,
                                  const std::filesystem::path& folder) {
  if (folder.empty() || definition == 0) return {};
  const db::ObjectId def = db.findByHandle(definition);
  if (!def) return {};
  std::string named;
  for (const Group& g : groupsOf(db, def, "AcDbRasterImageDef"))
    if (g.code == 1) named = std::string(g.text);
  std::replace(named.begin(), named.end(), '\\', '/');
  const auto lower = support::asciiLowerCase(std::filesystem::path(named).extension().string());
  if (named.empty() || lower != ".png") return {};
  std::error_code error;
  const std::filesystem::path given(named);
  if (given.is_relative() && named.find(':') == std::string::npos &&
      std::filesystem::is_regular_file(folder / given, error))
    return folder / given;
  const std::filesystem::path beside = folder / given.filename();
  if (std::filesystem::is_regular_file(beside, error)) return beside;
  return {};
}

}  // namespace

Shapes imageShapes(const db::Database& db, db::ObjectId id, const std::filesystem::path& folder) {
  ImageFrame f = imageFrame(db, id, "AcDbRasterImage");
  if (f.outline.empty()) return {};
  Shapes out;
  if (const auto file = imageFileIn(db, f.definition, folder); !file.empty()) {
    Shape image;
    image.kind = PrimitiveKind::Image;
    image.contours.push_back(f.outline);
    image.imageFile = file.string();
    image.imageWidth = f.width;
    image.imageHeight = f.height;
    // Image units run right and down from the top-left corner, which is `height` pixels up.
    image.imageToBlock =
        geom::Matrix3d(f.u, -f.v, geom::cross(f.u, f.v), f.origin + f.v * f.height);
    out.push_back(std::move(image));
  }
  out.push_back(strokeShape(std::move(f.outline), true));
  return out;
}

Shapes wipeoutShapes(const db::Database& db, db::ObjectId id, bool frame) {
  Points3 corners = imageFrame(db, id, "AcDbWipeout").outline;
  if (corners.empty()) return {};
  Shape mask;
  mask.kind = PrimitiveKind::Background;
  mask.contours.push_back(corners);
  Shapes out{mask};
  if (frame) out.push_back(strokeShape(std::move(corners), true));
  return out;
}

}  // namespace kx::render
