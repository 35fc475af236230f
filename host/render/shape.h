#pragma once
// Geometry of one entity in the coordinates of the block it sits in, before the block's
// transform, colour and layer are applied.

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "render/curves.h"
#include "render/scene.h"
#include "text/font.h"

namespace kx::render {

struct Shape {
  PrimitiveKind kind = PrimitiveKind::Stroke;
  std::vector<Points3> contours;
  bool closed = false;
  FillRule fillRule = FillRule::EvenOdd;
  double width = 0;  // strokes with a width in drawing units (polyline widths)
  Unbounded unbounded = Unbounded::No;
  // Strokes whose linetype starts again at each vertex (polylines without continuous linetype
  // generation): where the vertices after the first fall in the contour.
  std::vector<std::size_t> patternRestarts;
  // Contours the shape is clipped to (pattern lines of a hatch), even-odd; none: not clipped.
  std::vector<Points3> clip;
  // A colour of its own (MTEXT \C and \c): ACI 1..255, 0 by block, 256 the entity's colour; a
  // true colour 0xRRGGBB wins when not negative.
  int aci = 256;
  long long trueColor = -1;
  Gradient gradient;  // fills
  // Glyphs: the font, and each glyph's font coordinates to block coordinates.
  std::shared_ptr<const text::Font> font;
  std::vector<std::pair<char32_t, geom::Matrix3d>> glyphs;
  // Images: the PNG file and its size in the entity's pixels, and image units to block
  // coordinates (as Primitive has them).
  std::string imageFile;
  double imageWidth = 0, imageHeight = 0;
  geom::Matrix3d imageToBlock;
  // Not empty: the shape is this block of the drawing (a leader's arrowhead), drawn through
  // `blockPlacement` (the block's coordinates, base point at the origin, to block coordinates)
  // with "by block" from the entity.
  std::string block;
  geom::Matrix3d blockPlacement;
};

using Shapes = std::vector<Shape>;

inline Shape strokeShape(Points3 points, bool closed = false) {
  Shape s;
  s.contours.push_back(std::move(points));
  s.closed = closed;
  return s;
}

inline Shape fillShape(std::vector<Points3> contours, FillRule rule = FillRule::EvenOdd) {
  Shape s;
  s.kind = PrimitiveKind::Fill;
  s.contours = std::move(contours);
  s.fillRule = rule;
  return s;
}

}  // namespace kx::render
