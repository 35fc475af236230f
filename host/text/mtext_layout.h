#pragma once
// Layout of an MTEXT: its contents parsed into runs of one format, wrapped at the defined width,
// stacked into lines and placed by the attachment point.
//
// Coordinates are the MTEXT's own: origin at its insertion point (group 10), x along its direction
// (group 11 or rotation 50), y up, in drawing units, before the text's plane.

#include <memory>
#include <string>
#include <vector>

#include "geom/vec.h"
#include "text/font.h"
#include "text/line_layout.h"

namespace kx::text {

// What the layout needs of the entity and its text style.
struct MTextInput {
  std::wstring contents;         // groups 3 then 1, joined
  double textHeight = 2.5;       // 40
  double definedWidth = 0;       // 41; 0 or less: no wrapping, \P alone breaks lines
  int attachment = 1;            // 71: 1..9, top-left to bottom-right; others count as 1
  int lineSpacingStyle = 1;      // 73: 1 at least, 2 exactly
  double lineSpacingFactor = 1;  // 44
  // The text style: font file and big font (STYLE 3 and 4), width factor and oblique.
  std::string styleFontFile = "txt";
  std::string styleBigFont;
  std::wstring styleName = L"Standard";
  double styleWidthFactor = 1;
  double styleOblique = 0;  // radians, as in TextLook
};

// A piece of one line in one format.
struct MTextRun {
  std::wstring text;        // plain characters, format codes worked out
  std::wstring fontFamily;  // from \F or \f; empty: the style's font
  std::shared_ptr<const Font> font;
  bool bold = false, italic = false;
  TextLook look;        // height, width factor, oblique of this run
  double tracking = 1;  // \T
  int color = 256;      // ACI from \C (256: by layer, the entity's own colour)
  int trueColor = -1;   // 0xRRGGBB from \c (as group 420), -1 when there is none
  bool underline = false, overline = false, strikeThrough = false;
  geom::Vec2 baseline;   // start of the run's baseline, MTEXT coordinates
  LineLayout layout;     // glyphs relative to `baseline`
  bool stacked = false;  // part of a stacked fraction (\S)
};

struct MTextLayout {
  std::vector<MTextRun> runs;
  // Fraction bars of stacked fractions, MTEXT coordinates.
  std::vector<std::pair<geom::Vec2, geom::Vec2>> bars;
  // The colour of each bar, in the order of `bars`: the colour of its fraction.
  struct BarColor {
    int color = 256;
    int trueColor = -1;
  };
  std::vector<BarColor> barColors;
  double actualWidth = 0;   // 42: width of the widest line
  double actualHeight = 0;  // 43: from the top of the first line to the bottom of the last
  // The frame of the text for its attachment point: the rectangle of actualWidth by actualHeight
  // placed so that the attachment point is at the origin.
  Box2 frame;
  std::size_t lineCount = 0;
};

// Lines break at \P (and \X, \N, ^J) and, with a defined width, at spaces: a word that does not
// fit starts a new line, a word wider than the width alone overflows it rather than being cut,
// and Chinese, Japanese and Korean text, which has no spaces, breaks between any two characters.
//
// Vertically the top of the first line's capitals is at the top of the frame. With line spacing
// "at least" (73 = 1) the distance from one baseline to the next is the factor (44) times 2/3 of
// the upper line's tallest height plus the lower line's tallest height, 5/3 of the height when
// both are alike; with "exactly" (73 = 2) it is the factor times 5/3 of the nominal height (40).
// actualHeight runs down to the last line's baseline or, when its ink goes lower (descenders,
// underlines, stacked fractions), to the bottom of that ink: a single line of capitals is as
// tall as its height. actualWidth is the advance of the widest line without trailing spaces.
// Each line is left aligned, centred or right aligned on the origin by the attachment's column.
//
// Stacked fractions have both parts at 0.7 of the height, above and below the middle of the
// capitals; '/' puts a bar between them, '#' sets them side by side with a slanted bar, '^' stacks
// them left aligned without a bar. A line counts a fraction as tall as the top of its upper part
// (1.3 heights for '/' and '^'), so that it never sticks out of the frame. Tab stops are every 4
// nominal heights.
MTextLayout layoutMText(const MTextInput& input);

}  // namespace kx::text
