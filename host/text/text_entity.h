#pragma once
// TEXT, ATTDEF and ATTRIB entities of a drawing as the text engine sees them: their style and
// font, where their glyphs go, their boxes and extents, and keeping the insertion point of a
// justified text where its alignment point says.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "db/database.h"
#include "geom/vec.h"
#include "text/font.h"
#include "text/justification.h"
#include "text/line_layout.h"

namespace kx::text {

// A STYLE table record, or what a drawing without the named style shows instead.
struct TextStyle {
  db::ObjectId record;              // null when the drawing has no such style
  std::wstring name = L"Standard";  // 2
  std::string fontFile = "txt";     // 3, UTF-8
  std::string bigFont;              // 4, UTF-8
  double fixedHeight = 0;           // 40; 0 = not fixed
  double widthFactor = 1;           // 41
  double oblique = 0;               // 50, radians
  int generation = 0;               // 71
};

// The style named `name` (case-insensitive). A missing style falls back to "Standard", and a
// drawing without that to the defaults of a new drawing's Standard style.
TextStyle findTextStyle(const db::Database& db, std::wstring_view name);

// A one-line text entity, placed as a CAD program shows it. For every justification but
// left/baseline the alignment point (11) anchors the text, so `insertion` is worked out from it
// and may differ from a stale group 10 until updateTextPosition writes it back; aligned and fit
// texts take their height or width factor and rotation from the two points.
struct TextEntity {
  db::ObjectId id;
  std::wstring text;  // what it shows: group 1, or an ATTDEF's tag (2); %% codes not worked out
  TextStyle style;
  std::shared_ptr<const Font> font;
  TextLook look;  // height, width factor, oblique, mirroring as placed
  Justification justification;
  double rotation = 0;         // radians, in the plane of the normal
  geom::Vec3 normal{0, 0, 1};  // 210
  double elevation = 0;        // z of group 10
  geom::Vec2 insertion;        // group 10 as placed, OCS
  geom::Vec2 alignment;        // group 11, OCS; group 10 when the text has no 11
  LineLayout layout;           // in the text's own coordinates, origin at `insertion`

  // The text's own coordinates (origin at the insertion point, x along the baseline) to WCS.
  geom::Matrix3d textToWorld() const;
  // The text's own coordinates to its OCS.
  geom::Matrix3d textToOcs() const;
};

// Reads a TEXT, ATTDEF or ATTRIB; throws std::invalid_argument for anything else. Damaged values
// (no height, a zero width factor, an oblique angle past 85 degrees) are read as a CAD program
// would draw them, never as a crash.
// An ATTDEF shows its tag when drawn on its own; a constant one drawn through a block reference
// shows its value instead.
enum class AttdefText { Tag, Value };
TextEntity readTextEntity(const db::Database& db, db::ObjectId id,
                          AttdefText attdef = AttdefText::Tag);
// The same without placing the glyphs (no ink box, no glyphs): where the text is and how it is
// justified, for callers that need its points, height, width factor and rotation only.
TextEntity readTextPlacement(const db::Database& db, db::ObjectId id);

// What laying a text out gives for the groups a justified text's record may hold stale: where it
// is inserted, and the height, width factor and rotation an aligned or fit text's two points give.
struct TextPlacement {
  bool laidOut = false;  // false when the text has no font to lay it out with
  geom::Vec2 insertion;
  double elevation = 0;
  double height = 0;
  double widthFactor = 1;
  double rotation = 0;
};
// The text's placement, kept with the drawing for the object last placed while its groups and the
// symbol tables stay the same: a list is read, then written back, then read again, and each
// would otherwise lay the text out once more.
TextPlacement textPlacement(const db::Database& db, db::ObjectId id);

// The text box a CAD API's text-box call returns: lower-left and upper-right of the ink,
// relative to the insertion point, in the text's own coordinates (before rotation). All zero for
// a text with nothing to draw.
Box2 textBox(const TextEntity& text);

struct Extents3 {
  geom::Vec3 min, max;
};
// Geometric extents in WCS: the corners of the ink box placed in the text's plane. Nothing for a
// text with nothing to draw.
std::optional<Extents3> geomExtents(const TextEntity& text);

// Corners of the ink box in WCS: lower-left, lower-right, upper-right, upper-left as the text
// reads (so a frame drawn through them in order is closed by the last one back to the first).
std::array<geom::Vec3, 4> boxCorners(const TextEntity& text);

// Recomputes group 10 from group 11 for every justification except left/baseline, and for aligned
// and fit texts their height (40) or width factor (41) and rotation (50) from the two points.
// Only groups whose value changes are written, so an unchanged text leaves the file as it was.
// The host calls this whenever the text, its style, height, width factor or justification
// changes. Returns whether anything was written.
bool updateTextPosition(db::Database& db, db::ObjectId id);
// The same after a write that changed, since the object's revision `before`, only groups for
// which keepsLineLayout holds. Moving, turning or re-justifying a text leaves its line as it was
// laid out: when it was laid out at `before`, it is re-placed from that line.
bool updateMovedTextPosition(db::Database& db, db::ObjectId id, std::uint32_t before);
// Whether a change to group `code` of a TEXT, ATTDEF or ATTRIB leaves its line as laid out: its
// points, rotation and justification place the line but do not shape it.
bool keepsLineLayout(int code);

// The glyphs of a text in WCS, for renderers and for text to geometry.
struct WorldGlyph {
  char32_t c;
  geom::Matrix3d fontToWorld;  // the glyph's font coordinates (height 1, pen at origin) to WCS
};
struct TextPicture {
  std::shared_ptr<const Font> font;
  std::vector<WorldGlyph> glyphs;
  std::vector<std::pair<geom::Vec3, geom::Vec3>> decorations;  // underlines, overlines
};
TextPicture placeGlyphs(const TextEntity& text);

}  // namespace kx::text
