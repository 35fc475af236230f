#include "render/painter.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "render/glyph_outlines.h"

namespace kx::render {
namespace {

constexpr int kMaxSide = 16384;
// Cairo's fixed-point coordinates overflow far out; nothing that far off the picture shows anyway.

void setColor(cairo_t* cr, Rgb c) {
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

geom::Vec2 clamped(geom::Vec2 p) {
  return {std::clamp(p.x, -kFarOff, kFarOff), std::clamp(p.y, -kFarOff, kFarOff)};
}

void addContours(cairo_t* cr, const std::vector<Polyline2>& contours, const View& view,
                 bool closed) {
  cairo_new_path(cr);
  for (const Polyline2& c : contours) {
    bool first = true;
    for (const geom::Vec2 w : c) {
      if (!std::isfinite(w.x) || !std::isfinite(w.y)) continue;
      const geom::Vec2 p = clamped(view.toPicture(w));
      if (first)
        cairo_move_to(cr, p.x, p.y);
      else
        cairo_line_to(cr, p.x, p.y);
      first = false;
    }
    if (closed && !first) cairo_close_path(cr);
  }
}

// Strokes the current path in dashes of a few pixels, as a highlighted entity shows.
void strokeDashed(cairo_t* cr, double width) {
  constexpr double kDashes[] = {6, 4};
  cairo_set_dash(cr, kDashes, 2, 0);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
  cairo_set_dash(cr, nullptr, 0, 0);
}

void addStop(cairo_pattern_t* pattern, double at, Rgb c) {
  cairo_pattern_add_color_stop_rgb(pattern, at, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

// The current path's area painted from the gradient's first colour to its second along its
// angle (linear), out from a middle line and back (cylinder), or out from the middle (spherical).
void fillGradient(cairo_t* cr, const Gradient& g) {
  double x0, y0, x1, y1;
  cairo_path_extents(cr, &x0, &y0, &x1, &y1);
  const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
  // The picture's y runs down.
  const double dx = std::cos(g.angle), dy = -std::sin(g.angle);
  const double half = std::abs(dx) * (x1 - x0) / 2 + std::abs(dy) * (y1 - y0) / 2;
  const Rgb a = g.inverted ? g.second : g.first, b = g.inverted ? g.first : g.second;
  cairo_pattern_t* pattern =
      g.kind == Gradient::Kind::Spherical
          ? cairo_pattern_create_radial(cx, cy, 0, cx, cy, std::hypot(x1 - x0, y1 - y0) / 2)
          : cairo_pattern_create_linear(cx - dx * half, cy - dy * half, cx + dx * half,
                                        cy + dy * half);
  if (g.kind == Gradient::Kind::Spherical) {
    addStop(pattern, 0, b);
    addStop(pattern, 1, a);
  } else if (g.kind == Gradient::Kind::Cylinder) {
    addStop(pattern, 0, a);
    addStop(pattern, 0.5, b);
    addStop(pattern, 1, a);
  } else {
    addStop(pattern, 0, a);
    addStop(pattern, 1, b);
  }
  cairo_set_source(cr, pattern);
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
}

// `color`: what the area is painted with; `ink`: the primitive's colour as the picture shows it.
void fill(cairo_t* cr, const Primitive& p, const View& view, Rgb color, Rgb ink) {
  addContours(cr, p.contours, view, true);
  cairo_set_fill_rule(
      cr, p.fillRule == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
  if (p.gradient.kind != Gradient::Kind::None && !p.highlighted && p.kind == PrimitiveKind::Fill) {
    fillGradient(cr, p.gradient);
    return;
  }
  setColor(cr, color);
  if (p.highlighted) {
    if (color != ink) cairo_fill_preserve(cr);  // a wipeout still hides what is below it
    setColor(cr, ink);
    strokeDashed(cr, 1);
    return;
  }
  cairo_fill(cr);
}

void dots(cairo_t* cr, const std::vector<geom::Vec2>& points, const View& view, double radius) {
  cairo_new_path(cr);
  for (const geom::Vec2 w : points) {
    if (!std::isfinite(w.x) || !std::isfinite(w.y)) continue;
    const geom::Vec2 p = clamped(view.toPicture(w));
    cairo_new_sub_path(cr);
    cairo_arc(cr, p.x, p.y, radius, 0, 2 * M_PI);
  }
  cairo_fill(cr);
}

void addUnbounded(cairo_t* cr, const Primitive& p, const View& view) {
  cairo_new_path(cr);
  if (const auto segment = unboundedSegment(p, view)) {
    cairo_move_to(cr, segment->first.x, segment->first.y);
    cairo_line_to(cr, segment->second.x, segment->second.y);
  }
}

}  // namespace

std::optional<std::pair<geom::Vec2, geom::Vec2>> unboundedSegment(const Primitive& p,
                                                                  const View& view) {
  if (p.contours.empty() || p.contours[0].size() < 2) return std::nullopt;
  const geom::Vec2 a = view.toPicture(p.contours[0][0]);
  const geom::Vec2 d = view.toPicture(p.contours[0][1]) - a;
  double t0 = p.unbounded == Unbounded::Ray ? 0 : -INFINITY, t1 = INFINITY;
  const double lo[2] = {-8, -8}, hi[2] = {view.width + 8.0, view.height + 8.0};
  const double from[2] = {a.x, a.y}, along[2] = {d.x, d.y};
  for (int k = 0; k < 2; ++k) {
    if (along[k] == 0) {
      if (from[k] < lo[k] || from[k] > hi[k]) return std::nullopt;
      continue;
    }
    double e0 = (lo[k] - from[k]) / along[k], e1 = (hi[k] - from[k]) / along[k];
    if (e0 > e1) std::swap(e0, e1);
    t0 = std::max(t0, e0);
    t1 = std::min(t1, e1);
  }
  if (!(t0 < t1) || !std::isfinite(t0) || !std::isfinite(t1)) return std::nullopt;
  return std::pair{a + d * t0, a + d * t1};
}

namespace {

void stroke(cairo_t* cr, const Primitive& p, const View& view, Rgb ink) {
  setColor(cr, ink);
  const double width = std::max(p.worldWidth * view.scale, p.pixelWidth);
  // A polyline of one vertex is a dot, as a CAD program shows it.
  for (const Polyline2& c : p.contours)
    if (c.size() == 1) dots(cr, c, view, width / 2 + 0.5);
  if (p.unbounded != Unbounded::No)
    addUnbounded(cr, p, view);
  else
    addContours(cr, p.contours, view, p.closed);
  if (p.worldWidth > 0) {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
  } else {
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  }
  if (p.highlighted) {
    strokeDashed(cr, width);
    return;
  }
  cairo_set_line_width(cr, width);
  // A pattern finer than a few pixels shows as a solid line, as on a CAD screen.
  const bool dashed = !p.dashes.solid() && p.dashes.period() * view.scale >= 3 * width;
  if (dashed) {
    const DashPattern inPixels = p.dashes.scaled(view.scale);
    cairo_set_dash(cr, inPixels.lengths.data(), static_cast<int>(inPixels.lengths.size()),
                   inPixels.offset);
    // Round caps would lengthen every dash and put a speck where a dash begins right at the end
    // of a line; dots need them to show at all.
    const bool dots =
        std::find(p.dashes.lengths.begin(), p.dashes.lengths.end(), 0.0) != p.dashes.lengths.end();
    if (!dots) cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
  }
  cairo_stroke(cr);
  if (dashed) cairo_set_dash(cr, nullptr, 0, 0);
}

// Glyphs are drawn in their font coordinates through a matrix to the picture, one path for all
// of a text so that overlapping glyphs do not cancel out.
void glyphs(cairo_t* cr, const Primitive& p, const View& view, GlyphOutlines& outlines, Rgb ink) {
  if (!p.font) return;
  const double s = view.scale;
  bool outlined = false;
  cairo_new_path(cr);
  for (const GlyphPlacement& g : p.glyphs) {
    const auto shown = shownGlyph(g, view);
    if (!shown || !(std::abs(g.xx * g.yy - g.xy * g.yx) > 1e-300)) continue;
    const auto [origin, height] = *shown;
    cairo_matrix_t m;
    cairo_matrix_init(&m, s * g.xx, -s * g.yx, s * g.xy, -s * g.yy, origin.x, origin.y);
    cairo_set_matrix(cr, &m);
    for (const text::Contour& c : outlines.outline(p.font, g.c, 1 / height)) {
      if (c.empty()) continue;
      cairo_move_to(cr, c[0].x, c[0].y);
      for (std::size_t i = 1; i < c.size(); ++i) cairo_line_to(cr, c[i].x, c[i].y);
      cairo_close_path(cr);
      outlined = true;
    }
  }
  cairo_identity_matrix(cr);
  if (!outlined) return;
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  setColor(cr, ink);
  if (p.highlighted) {
    strokeDashed(cr, 1);
    return;
  }
  cairo_fill(cr);
}

}  // namespace

geom::Vec2 View::toPicture(geom::Vec2 world) const {
  return {width / 2.0 + (world.x - center.x) * scale, height / 2.0 - (world.y - center.y) * scale};
}

std::optional<std::pair<geom::Vec2, double>> shownGlyph(const GlyphPlacement& g, const View& view) {
  const double height = view.scale * std::hypot(g.xy, g.yy);
  if (!(height >= 0.25) || !std::isfinite(height)) return std::nullopt;
  const geom::Vec2 origin = view.toPicture({g.x0, g.y0});
  if (!(std::abs(origin.x) < kFarOff && std::abs(origin.y) < kFarOff)) return std::nullopt;
  return std::pair{origin, height};
}

View fitView(const Extents& extents, const RenderOptions& options, double pixelsPerInch) {
  View view;
  int width = options.width, height = options.height;
  const bool paper = options.paperWidth > 0 && options.paperHeight > 0;
  const double pixelsPerMillimetre = pixelsPerInch / 25.4;
  if (paper) {
    width = static_cast<int>(std::lround(std::min(options.paperWidth * pixelsPerMillimetre, 1e6)));
    height =
        static_cast<int>(std::lround(std::min(options.paperHeight * pixelsPerMillimetre, 1e6)));
  }
  Extents shown = extents;
  double margin = options.margin;
  if (options.window) {
    shown = {};
    shown.add({options.window->x1, options.window->y1});
    shown.add({options.window->x2, options.window->y2});
    margin = 0;
  }
  // As wide as the aspect asks for the height given.
  if (width <= 0 && height > 0 && !shown.empty) {
    const double ew = shown.xMax - shown.xMin, eh = shown.yMax - shown.yMin;
    width = eh > 0 ? static_cast<int>(std::clamp(std::ceil(ew / eh * std::min(height, kMaxSide)),
                                                 1.0, static_cast<double>(kMaxSide)))
                   : height;
  }
  if (width <= 0) width = height > 0 ? height : 1600;
  view.width = std::clamp(width, 1, kMaxSide);
  const double keep = 1 - 2 * std::clamp(margin, 0.0, 0.45);
  const int maxHeight =
      height > 0 ? std::min(height, kMaxSide) : std::min(4 * view.width, kMaxSide);
  if (shown.empty) {
    view.height = height > 0 ? maxHeight : std::max(1, view.width * 3 / 4);
    return view;
  }
  view.center = {(shown.xMin + shown.xMax) / 2, (shown.yMin + shown.yMax) / 2};
  const double ew = shown.xMax - shown.xMin, eh = shown.yMax - shown.yMin;
  double scale = INFINITY;
  if (ew > 0) scale = std::min(scale, view.width * keep / ew);
  if (eh > 0) scale = std::min(scale, maxHeight * keep / eh);
  if (!std::isfinite(scale) || scale <= 0) scale = 1;  // a single point, or extents past doubles
  // At a plot scale a millimetre of paper shows that many drawing units, wherever that leaves
  // the drawing on the sheet.
  if (paper && options.unitsPerMillimetre > 0)
    scale = view.width / options.paperWidth / options.unitsPerMillimetre;
  view.scale = scale;
  if (height > 0) {
    view.height = maxHeight;
  } else {
    const double needed = eh > 0 ? std::ceil(eh * scale / keep) : view.width * 0.75;
    view.height = static_cast<int>(std::clamp(needed, 1.0, static_cast<double>(maxHeight)));
  }
  return view;
}

Affine2 imageToPicture(const Primitive& p, const View& view, int pixelsWide, int pixelsHigh) {
  const Affine2& a = p.imageToWorld;
  const double s = view.scale;
  // The PNG is stretched over the entity's own size in pixels, whatever its own.
  const double sx = pixelsWide > 0 ? p.imageWidth / pixelsWide : 0;
  const double sy = pixelsHigh > 0 ? p.imageHeight / pixelsHigh : 0;
  const geom::Vec2 origin = view.toPicture({a.x0, a.y0});
  return {s * a.xx * sx, -s * a.yx * sx, s * a.xy * sy, -s * a.yy * sy, origin.x, origin.y};
}

Rgb inkOn(Rgb background, Rgb color) {
  const bool dark = background.r * 299 + background.g * 587 + background.b * 114 < 128000;
  return dark && color == Rgb{0, 0, 0} ? Rgb{255, 255, 255} : color;
}

ScenePainter::ScenePainter(cairo_t* cr, const View& view, Rgb background)
    : cr_(cr), view_(view), background_(background), outlines_(std::make_unique<GlyphOutlines>()) {
  setColor(cr_, background_);
  cairo_paint(cr_);
}

ScenePainter::~ScenePainter() {
  finish();
  for (auto& [file, surface] : images_)
    if (surface) cairo_surface_destroy(surface);
}

void ScenePainter::image(const Primitive& p) {
  auto it = images_.find(p.imageFile);
  if (it == images_.end()) {
    cairo_surface_t* png = cairo_image_surface_create_from_png(p.imageFile.c_str());
    if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(png);
      png = nullptr;
    }
    it = images_.emplace(p.imageFile, png).first;
  }
  cairo_surface_t* png = it->second;
  if (!png) return;
  const Affine2 a = imageToPicture(p, view_, cairo_image_surface_get_width(png),
                                   cairo_image_surface_get_height(png));
  cairo_matrix_t m;
  cairo_matrix_init(&m, a.xx, a.yx, a.xy, a.yy, a.x0, a.y0);
  cairo_matrix_t inverse = m;
  if (!(std::abs(a.x0) < kFarOff && std::abs(a.y0) < kFarOff) ||
      cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS)
    return;
  cairo_save(cr_);
  addContours(cr_, p.contours, view_, true);
  cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_EVEN_ODD);
  cairo_clip(cr_);
  cairo_set_matrix(cr_, &m);
  cairo_set_source_surface(cr_, png, 0, 0);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void ScenePainter::finish() {
  for (; clips_ > 0; --clips_) cairo_restore(cr_);
}

void ScenePainter::add(Primitive primitive) {
  paint(primitive);
}

void ScenePainter::paint(const Primitive& p) {
  cairo_t* cr = cr_;
  const View& view = view_;
  // Colour 7 is black on a light background and white on a dark one.
  const Rgb ink = inkOn(background_, p.color);
  const bool clipped = !p.clip.empty();
  if (clipped) {
    cairo_save(cr);
    addContours(cr, p.clip, view, true);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_clip(cr);
  }
  switch (p.kind) {
    case PrimitiveKind::Stroke:
      stroke(cr, p, view, ink);
      break;
    case PrimitiveKind::Fill:
      fill(cr, p, view, ink, ink);
      break;
    case PrimitiveKind::Background:
      fill(cr, p, view, background_, ink);
      break;
    case PrimitiveKind::Dot:
      setColor(cr, ink);
      for (const Polyline2& c : p.contours) dots(cr, c, view, std::max(1.5, p.pixelWidth));
      break;
    case PrimitiveKind::Glyphs:
      glyphs(cr, p, view, *outlines_, ink);
      break;
    case PrimitiveKind::Image:
      image(p);
      break;
    case PrimitiveKind::ClipBegin:
      cairo_save(cr);
      addContours(cr, p.contours, view, true);
      cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_clip(cr);
      ++clips_;
      break;
    case PrimitiveKind::ClipEnd:
      if (clips_ > 0) {
        cairo_restore(cr);
        --clips_;
      }
      break;
  }
  if (clipped) cairo_restore(cr);
}

void paintScene(cairo_t* cr, const Scene& scene, const View& view, Rgb background) {
  ScenePainter painter(cr, view, background);
  for (const Primitive& p : scene.primitives()) painter.paint(p);
}

}  // namespace kx::render
