#pragma once
// MTEXT entities of a drawing: reading them into the layout's input, where they are in WCS, their
// actual size (42/43), their frame, writing their contents back in chunks, and exploding them
// into one TEXT per run.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "db/database.h"
#include "dxf/encoding.h"
#include "geom/vec.h"
#include "text/mtext_layout.h"

namespace kx::text {

struct MTextEntity {
  db::ObjectId id;
  MTextInput input;
  // MTEXT coordinates (origin at the insertion point, x along the text's direction, y up in its
  // plane) to WCS.
  geom::Matrix3d placement;
  geom::Vec3 normal{0, 0, 1};
};

// Reads an MTEXT; throws std::invalid_argument for anything else. The contents are every group-3
// chunk in order, then group 1, decoded as one string, so a character or escape that a writer
// split across two chunks comes out whole.
MTextEntity readMTextEntity(const db::Database& db, db::ObjectId id);

// The groups of the multi-line text an ATTRIB or ATTDEF embeds (after its 101 "Embedded
// Object") that say how it is drawn: points 10, 11 and 210, sizes 40, 41, 46, rotation 50,
// attachment 71, direction 72, spacing 73 and 44, style 7 and contents 3 and 1, as written.
// Nothing when the attribute is a single-line one.
std::optional<std::vector<db::NewTag>> embeddedMTextGroups(const db::Database& db, db::ObjectId id);
// That text read as an MTEXT is read; what it leaves out (its normal, its style) is the
// attribute's.
std::optional<MTextEntity> readEmbeddedMText(const db::Database& db, db::ObjectId id);

// The placement of an MTEXT: insertion point 10, x direction from 11 (projected into the text's
// plane) or, without a usable 11, from rotation 50 in the plane of the normal 210; all WCS.
geom::Matrix3d mtextPlacement(const db::Database& db, db::ObjectId id);
// The MTEXT's direction as an angle in its own coordinate system, the rotation 50 a reader gets.
double mtextRotation(const db::Database& db, db::ObjectId id);
// Turns an MTEXT to `angle` in its own coordinate system. A stored direction (11) wins over the
// rotation when a reader finds both, so it is rewritten to the angle; 50 is written when it is
// stored or when there is no direction.
void setMTextRotation(db::Database& db, db::ObjectId id, double angle);

// Lays the MTEXT out and writes its actual width (42) and height (43) when they change. Returns
// whether anything was written.
bool updateMTextExtents(db::Database& db, db::ObjectId id);

// The frame of an MTEXT in WCS for its attachment point, grown by margin * text height on every
// side (0: the text's own rectangle).
struct FrameCorners {
  geom::Vec3 topLeft, topRight, bottomLeft, bottomRight;
};
FrameCorners frameCorners(const MTextLayout& layout, const geom::Matrix3d& placement,
                          double textHeight, double margin);
FrameCorners mtextFrame(const db::Database& db, db::ObjectId id, double margin);

// Splits contents into the chunks of a DXF MTEXT, as the drawing's bytes: none longer than `limit`
// characters of the file (code points in a UTF-8 drawing, bytes in a code-page drawing), none
// ending inside a format code, a \U+ or \M+ escape, a %% code or a character. The last chunk is
// for group 1, the others for group 3. Empty contents give one empty chunk.
std::vector<std::string> chunkMTextContents(std::wstring_view contents, const dxf::TextCodec& codec,
                                            std::size_t limit = 250);

// Replaces an MTEXT's contents: its old group-3 chunks go, the new ones are written before
// group 1, which gets the last chunk.
void setMTextContents(db::Database& db, db::ObjectId id, std::wstring_view contents);

// The contents (chunks 3, then 1) decoded as one string.
std::wstring mtextContents(const db::Database& db, db::ObjectId id);

// The groups that hold an MTEXT's contents, each with the text it shows: a character, escape or
// format code that a writer split across two groups belongs whole to the group it starts in, so
// each piece reads on its own and the pieces join to the contents.
struct ContentsPiece {
  std::size_t tag;  // index of the group among the object's tags
  std::wstring text;
};
std::vector<ContentsPiece> mtextContentsPieces(const db::Database& db, db::ObjectId id);

// Explodes an MTEXT into one left/baseline TEXT per run (per character where the run has
// tracking), in the MTEXT's block, on its layer, in the run's colour (or the MTEXT's own), in the
// MTEXT's style (or a style made for a \F or \f font that differs), placed and rotated where the
// run was; fraction bars and strike-through lines become LINEs. The MTEXT is erased. Returns the
// new entities in drawing order.
std::vector<db::ObjectId> explodeMText(db::Database& db, db::ObjectId id);

}  // namespace kx::text
