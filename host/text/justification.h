#pragma once
// Justification arithmetic of TEXT, ATTDEF and ATTRIB, and the attachment points of MTEXT.
//
// A one-line text has two points: the insertion point (group 10) and the alignment point
// (group 11). Left/baseline texts are anchored at 10 and ignore 11. Every other combination is
// anchored at 11, and 10 is where the text's baseline starts, worked out from 11 and the text's
// cell box. Aligned and fit texts run from 10 to 11: their height (aligned) or width factor (fit)
// and their rotation follow from the two points.
//
// Coordinates here are the text's own (origin at 10, x along the writing direction, before
// rotation) or its plane's (the OCS of group 210), as each function says.

#include <optional>

#include "geom/vec.h"
#include "text/line_layout.h"

namespace kx::text {

enum class HorizontalMode { Left = 0, Center = 1, Right = 2, Aligned = 3, Middle = 4, Fit = 5 };
enum class VerticalMode { Baseline = 0, Bottom = 1, Middle = 2, Top = 3 };

struct Justification {
  int horizontal = 0;  // group 72: 0..5
  int vertical = 0;    // group 73 (TEXT) or 74 (ATTDEF, ATTRIB): 0..3

  // Values outside the ranges count as left and baseline, which is what a CAD program shows.
  HorizontalMode horizontalMode() const;
  // Aligned, middle and fit have their own vertical placement whatever the vertical mode says.
  VerticalMode verticalMode() const;
  // Left/baseline: the insertion point anchors the text and the alignment point is unused.
  bool anchoredAtInsertion() const;
  bool isAligned() const { return horizontalMode() == HorizontalMode::Aligned; }
  bool isFit() const { return horizontalMode() == HorizontalMode::Fit; }
  friend bool operator==(const Justification&, const Justification&) = default;
};

// Offset from the insertion point to the alignment point, in the text's own coordinates, for a
// text whose laid-out cell box is `cell` (LineLayout::cell). Horizontally: 0 at the start of the
// writing direction, half the advance for center and middle, the whole advance for right.
// Vertically: 0 at the baseline, the descender line for bottom, the cap height (the text height)
// for top, and half the cap height for middle — a CAD user expects "middle" to sit halfway between
// the baseline and the top of the capitals, not halfway down a box that includes descenders.
// Backward and upside-down texts are mirrored within their cell by the layout, so they are
// justified like the upright text.
geom::Vec2 alignmentOffset(const Box2& cell, Justification j);

// The insertion point (group 10) from the alignment point (group 11) in the text's plane;
// `rotation` is group 50 in radians.
geom::Vec2 rotated(geom::Vec2 v, double rotation);
geom::Vec2 insertionFromAlignment(geom::Vec2 alignment, geom::Vec2 offset, double rotation);

// What an aligned or fit text becomes when it runs from `from` (group 10) to `to` (group 11).
struct BetweenPoints {
  double height = 0;
  double widthFactor = 1;
  double rotation = 0;  // radians, along the writing direction
};
// `advance` is the text's advance at `look` (LineLayout::advance). Aligned keeps the width factor
// and scales the height; fit keeps the height and scales the width factor. Nothing when the points
// coincide or the text has no advance: the text then keeps what it had.
std::optional<BetweenPoints> fitBetween(geom::Vec2 from, geom::Vec2 to, double advance,
                                        const TextLook& look, bool fit);

}  // namespace kx::text
