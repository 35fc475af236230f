#pragma once
// Painting a scene with Cairo.

#include <cairo.h>

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

#include "render/render.h"
#include "render/scene.h"

namespace kx::render {

// The view that fits `extents` (or the window asked for) into a picture `options.width` wide (and
// `options.height` high, or as high as the aspect asks), with the margin on every side; on paper,
// the sheet at `pixelsPerInch`, at the plot scale when one is asked for.
View fitView(const Extents& extents, const RenderOptions& options, double pixelsPerInch);

// The part of a ray or a line without ends inside the picture (a little more, so no cap shows),
// in picture coordinates; nothing when it misses the picture.
std::optional<std::pair<geom::Vec2, geom::Vec2>> unboundedSegment(const Primitive& p,
                                                                  const View& view);

// Picture coordinates beyond this are off any picture; clamping to it keeps every writer's
// numbers finite and small enough to print.
inline constexpr double kFarOff = 1e6;

// Where a glyph's origin lands in the picture and how many pixels its text height takes; nothing
// when it is too small to see or too far off the picture to draw.
std::optional<std::pair<geom::Vec2, double>> shownGlyph(const GlyphPlacement& g, const View& view);

// Where an image primitive's PNG, `pixelsWide` by `pixelsHigh`, lands: its pixels to the picture.
Affine2 imageToPicture(const Primitive& p, const View& view, int pixelsWide, int pixelsHigh);

// Colour 7's black shows white on a dark background.
Rgb inkOn(Rgb background, Rgb color);

class GlyphOutlines;

// Paints the background, then each primitive as it comes.
class ScenePainter : public PrimitiveSink {
 public:
  ScenePainter(cairo_t* cr, const View& view, Rgb background);
  ~ScenePainter() override;
  ScenePainter(const ScenePainter&) = delete;
  ScenePainter& operator=(const ScenePainter&) = delete;
  void add(Primitive p) override;
  void paint(const Primitive& p);
  // Ends the clips left open.
  void finish();

 private:
  void image(const Primitive& p);

  cairo_t* cr_;
  View view_;
  Rgb background_;
  int clips_ = 0;
  std::unique_ptr<GlyphOutlines> outlines_;
  // Images read, by file; null: the file is not a PNG Cairo can read.
  std::unordered_map<std::string, cairo_surface_t*> images_;
};

// Paints the background and every primitive in order.
void paintScene(cairo_t* cr, const Scene& scene, const View& view,
                Rgb background = {255, 255, 255});

}  // namespace kx::render
