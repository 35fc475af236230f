#pragma once
// The layers of a drawing as a picture needs them: colour, visibility and lineweight.

#include <string>
#include <string_view>
#include <unordered_map>

#include "db/database.h"
#include "render/aci_color.h"

namespace kx::render {

struct LayerStyle {
  std::string name;  // as the table spells it
  Rgb color{0, 0, 0};
  bool off = false;     // LAYER 62 negative
  bool frozen = false;  // LAYER 70 bit 1
  int lineweight = -3;  // LAYER 370, hundredths of a millimetre; negative: the default
  std::string linetype = "Continuous";  // LAYER 6
};

class LayerStyles {
 public:
  explicit LayerStyles(const db::Database& db);
  // The layer named `name` (raw text as the drawing holds it, case-insensitive); a layer the table
  // does not have draws in black, visible, as a CAD program shows it.
  const LayerStyle& find(std::string_view name) const;

 private:
  std::unordered_map<std::string, LayerStyle> layers_;
  LayerStyle missing_;
};

// Line width in pixels of a lineweight in hundredths of a millimetre; thin and default lines are
// one pixel.
double pixelWidthOf(int lineweight);

}  // namespace kx::render
