#pragma once
// What a picture shows, in world coordinates (the WCS XY plane, seen from above): strokes, filled
// areas, areas painted with the background, and dots, in drawing order. Building the scene and
// painting it are separate so the view can be fitted to the extents of what is drawn.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "geom/vec.h"
#include "render/aci_color.h"
#include "render/linetypes.h"
#include "text/font.h"

namespace kx::render {

using Polyline2 = std::vector<geom::Vec2>;

enum class PrimitiveKind {
  Stroke,      // contours drawn as lines
  Fill,        // contours filled with the colour
  Background,  // contours filled with the background colour (wipeouts)
  Dot,         // a dot of a few pixels at each point of the first contour
  // Everything up to the matching ClipEnd shows only inside the contours (even-odd), and counts
  // for the extents by them: a paper-space viewport onto model space.
  ClipBegin,
  ClipEnd,
  // Text: glyph outlines of `font`, filled; flattened when painted, as finely as their size in
  // the picture needs.
  Glyphs,
  // A raster image from a PNG file, shown inside the contours.
  Image,
};

// Where a glyph goes: its font coordinates (text height 1, pen at the origin) to world XY,
// x' = xx x + xy y + x0, y' = yx x + yy y + y0.
struct GlyphPlacement {
  char32_t c = 0;
  double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;
  geom::Vec2 apply(geom::Vec2 p) const {
    return {xx * p.x + xy * p.y + x0, yx * p.x + yy * p.y + y0};
  }
};

// x' = xx x + xy y + x0, y' = yx x + yy y + y0.
struct Affine2 {
  double xx = 1, yx = 0, xy = 0, yy = 1, x0 = 0, y0 = 0;
};

enum class FillRule { EvenOdd, NonZero };

// Strokes of two points that go on past them: a ray from the first through the second, or a
// line through both, drawn to the edges of the picture.
enum class Unbounded { No, Ray, Line };

// A fill that runs from one colour to another across the area.
struct Gradient {
  enum class Kind { None, Linear, Cylinder, Spherical };
  Kind kind = Kind::None;
  Rgb first, second;
  double angle = 0;       // radians, of the direction the colours change along
  bool inverted = false;  // the colours swapped
};

struct Primitive {
  PrimitiveKind kind = PrimitiveKind::Stroke;
  Rgb color;
  std::vector<Polyline2> contours;
  bool closed = false;  // strokes: join the last point to the first
  Unbounded unbounded = Unbounded::No;
  FillRule fillRule = FillRule::EvenOdd;
  // Strokes: the line width in pixels when `worldWidth` is zero; else a width in drawing units
  // (polylines with a width), which the view scales.
  double pixelWidth = 1;
  double worldWidth = 0;
  // Strokes: the linetype's dashes in drawing units.
  DashPattern dashes;
  Gradient gradient;  // fills
  std::string layer;  // the layer it is drawn on
  // Contours the primitive is clipped to, even-odd; none: not clipped. Clipped primitives count
  // for the extents by their clip.
  std::vector<Polyline2> clip;
  std::shared_ptr<const text::Font> font;  // Glyphs
  std::vector<GlyphPlacement> glyphs;
  // Image: the PNG file, stretched over `imageWidth` by `imageHeight` image units placed in the
  // world by `imageToWorld` (image units: x right, y down from the top-left corner, one a pixel
  // of the entity).
  std::string imageFile;
  double imageWidth = 0, imageHeight = 0;
  Affine2 imageToWorld;
  // Shown highlighted: strokes dashed, areas and glyphs as dashed outlines.
  bool highlighted = false;
};

struct Extents {
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  bool empty = true;
  void add(geom::Vec2 p);
};

// Where a scene's primitives go as they are made: kept, measured or painted at once.
class PrimitiveSink {
 public:
  virtual ~PrimitiveSink() = default;
  virtual void add(Primitive p) = 0;
  // Points held, a glyph counting as a few: what the sink's memory goes by.
  virtual std::size_t pointCount() const { return 0; }
};

// The extents of primitives, one at a time: what is clipped counts by its clip, rays and lines
// without ends by their base point.
class ExtentsSink : public PrimitiveSink {
 public:
  void add(Primitive p) override { measure(p); }
  void measure(const Primitive& p);
  const Extents& extents() const { return extents_; }

 private:
  Extents extents_;
  int clipDepth_ = 0;
};

class Scene : public PrimitiveSink {
 public:
  void add(Primitive p) override;
  const std::vector<Primitive>& primitives() const { return primitives_; }
  Extents extents() const;
  std::size_t pointCount() const override { return points_; }

 private:
  std::vector<Primitive> primitives_;
  std::size_t points_ = 0;
};

}  // namespace kx::render
