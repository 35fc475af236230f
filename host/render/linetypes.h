#pragma once
// The linetypes of a drawing as a picture strokes them: each LTYPE record's dash pattern, and
// which pattern an entity gets through its own linetype, its layer's or its block reference's.

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/database.h"
#include "text/font.h"

namespace kx::render {

// A text a complex linetype writes along the line once a period, in pattern units.
struct LinetypeText {
  double at = 0;  // from the start of the pattern: the end of the element that carries it
  std::u32string text;
  std::shared_ptr<const text::Font> font;
  double height = 1, widthFactor = 1;
  // Radians from the line's direction, or from the x axis when `absolute`.
  double rotation = 0;
  bool absolute = false;
  double along = 0, across = 0;  // the text's start from its place, along and across the line
};

// A dash pattern ready for a stroker: lengths alternate drawn and left out, starting with a drawn
// one, and the stroke starts `offset` into the pattern. Empty: a solid line.
struct DashPattern {
  std::vector<double> lengths;
  double offset = 0;
  std::vector<LinetypeText> texts;  // where the line starts, the pattern starts
  bool solid() const { return lengths.empty(); }
  double period() const;
  DashPattern scaled(double factor) const;
};

// A pattern as an LTYPE record gives it (positive: a dash, negative: a gap, zero: a dot) made
// into a stroker's pattern. Patterns with no gap are solid.
DashPattern dashPatternOf(const std::vector<double>& elements);

class Linetypes {
 public:
  explicit Linetypes(const db::Database& db);
  // The pattern of the linetype named `name` (case-insensitive); solid for Continuous, ByLayer
  // and ByBlock. A linetype the table does not have is solid, or the common pattern of its name
  // (CENTER, DASHED, HIDDEN, ... and their "2" and "X2" sizes).
  const DashPattern& find(std::string_view name) const;
  // LTSCALE: every pattern's scale in the drawing.
  double globalScale() const { return globalScale_; }

 private:
  std::unordered_map<std::string, DashPattern> patterns_;
  mutable std::unordered_map<std::string, DashPattern> common_;
  double globalScale_ = 1;
  double unitsPerInch_ = 1;
};

}  // namespace kx::render
