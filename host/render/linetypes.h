#pragma once
// The linetypes of a drawing as a picture strokes them: each LTYPE record's dash pattern, and
// which pattern an entity gets through its own linetype, its layer's or its block reference's.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "db/database.h"

namespace kx::render {

// A dash pattern ready for a stroker: lengths alternate drawn and left out, starting with a drawn
// one, and the stroke starts `offset` into the pattern. Empty: a solid line.
struct DashPattern {
  std::vector<double> lengths;
  double offset = 0;
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
