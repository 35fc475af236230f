#pragma once
// MTEXT contents (groups 3 and 1 joined) worked out into pieces of plain text, each in one format,
// with the line breaks, tabs and stacked fractions between them.
//
// A CAD user expects a code the host does not understand to show up in the text rather than
// vanish, so an unknown or unfinished code ("\Z", "\H" at the end, "\S1/2" without ';', a '{'
// that is never closed) is kept as the characters it was typed as.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kx::text {

// Heights beyond these are clamped so that no sum of advances overflows: nothing drawn is that
// small or that large.
constexpr double kMinMTextHeight = 1e-100, kMaxMTextHeight = 1e100;

// The format in effect for a piece of MTEXT.
struct MTextFormat {
  double height = 2.5;        // \H, drawing units (relative \H<n>x; is worked out)
  double widthFactor = 1;     // \W
  double obliqueDegrees = 0;  // \Q, positive slants to the right
  double tracking = 1;        // \T, factor on the spacing of characters
  int alignment = 0;          // \A: 0 bottom (baseline), 1 middle, 2 top of the line
  int color = 256;            // \C: ACI; 256 by layer (the entity's own colour), 0 by block
  int trueColor = -1;         // \c: 0xRRGGBB as in group 420, -1 when \C or nothing set it
  std::wstring fontFamily;    // \F / \f: family ("Arial") or shape file ("romans.shx");
                              // empty: the text style's font
  bool bold = false, italic = false;
  bool underline = false, overline = false, strikeThrough = false;  // \L \O \K
  friend bool operator==(const MTextFormat&, const MTextFormat&) = default;
};

enum class MTextItemKind {
  Text,       // characters in one format; \~ is U+00A0, the only space lines never break at
  Tab,        // ^I or a tab character
  LineBreak,  // \P, \X, \N, ^J, a line feed or a carriage return
  Stack,      // \S<top><divider><bottom>;
};

enum class StackKind {
  Tolerance,  // '^': top over bottom, left aligned, no bar
  Fraction,   // '/': top over bottom, centred, horizontal bar
  Diagonal,   // '#': top left, bottom right, slanted bar
};

struct MTextItem {
  MTextItemKind kind = MTextItemKind::Text;
  std::size_t format = 0;  // index into ParsedMText::formats
  std::wstring text;       // Text: the characters; Stack: the top part
  std::wstring bottom;     // Stack: the bottom part
  StackKind stack = StackKind::Fraction;
};

struct ParsedMText {
  // Every format used by an item; formats[0] is the one the parse started with.
  std::vector<MTextFormat> formats;
  std::vector<MTextItem> items;
};

// Works out the format codes of `contents`, starting from `base` (the entity's height and
// colour and its style's width factor and oblique angle). Runs in time linear in the length of
// the contents, whatever they hold.
//
// Besides the backslash codes and braces: caret notation (^I tab, ^J line break, ^M carriage
// return, "^ " a caret), %%d, %%p and %%c (degree, plus-minus, diameter), and \U+XXXX for
// contents that did not pass through the DXF reader. Paragraph properties (\p...;) are read and
// ignored.
ParsedMText parseMText(std::wstring_view contents, const MTextFormat& base = {});

// The characters a reader sees: line breaks as '\n', tabs as '\t', a stack as top, divider and
// bottom ("1/2"), non-breaking spaces as spaces.
std::wstring plainText(const ParsedMText& parsed);

}  // namespace kx::text
