#pragma once
// What an MTEXT explodes into: left/baseline TEXT entities, one per run (a piece of a line in one
// format), and line segments for what a TEXT cannot draw (fraction bars, strike-through).
//
// Everything is in MTEXT coordinates (origin at the insertion point, x along the MTEXT's
// direction, y up in its plane), with rotation 0 relative to the MTEXT: placing the results in
// the drawing is the MTEXT's own transform.

#include <string>
#include <string_view>
#include <vector>

#include "geom/vec.h"
#include "text/mtext_layout.h"

namespace kx::text {

struct ExplodedText {
  geom::Vec2 position;     // 10: start of the baseline
  double height = 1;       // 40
  double widthFactor = 1;  // 41
  double oblique = 0;      // 51, in radians as TextLook
  // 1: the run's characters with %%u / %%o in front when underlined / overlined, and every '%'
  // of a run that holds "%%" written as "%%%" so that no control code starts by accident.
  std::wstring text;
  // The font for the TEXT's style: empty for the MTEXT's own style, else a family name from \f
  // ("Arial", with bold and italic) or a font file from \F ("romans.shx").
  std::wstring fontFamily;
  bool bold = false, italic = false;
  int color = 256;       // 62: ACI, 256 by layer (the MTEXT's own colour), 0 by block
  int trueColor = -1;    // 420: 0xRRGGBB, -1 for none
  bool stacked = false;  // a part of a stacked fraction
};

struct ExplodedLine {
  geom::Vec2 start, end;
  int color = 256;
  int trueColor = -1;
};

struct MTextExplosion {
  std::vector<ExplodedText> texts;  // in reading order
  std::vector<ExplodedLine> lines;  // strike-through lines, then fraction bars
};

// A run with tracking (\T) other than 1 becomes one TEXT per character at its spread position,
// since a TEXT has no tracking; blank characters give no TEXT.
MTextExplosion explodeMTextLayout(const MTextLayout& layout);

// `plain` as a TEXT string that shows exactly these characters.
std::wstring escapeForText(std::wstring_view plain);

}  // namespace kx::text
