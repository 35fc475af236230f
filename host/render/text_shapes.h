#pragma once
// Texts as a picture draws them: the glyphs of TEXT, ATTDEF, ATTRIB and MTEXT, placed by the text
// engine exactly where its boxes and extents say, and their underlines, overlines,
// strike-through lines and fraction bars as lines.

#include "db/database.h"
#include "render/shape.h"
#include "text/mtext_entity.h"

namespace kx::render {

// TEXT, ATTDEF, ATTRIB (one line) and MTEXT; empty for other types and for texts with nothing to
// draw. An ATTDEF shows its tag, or with `attributeValue` its value (a constant attribute in a
// block reference). Throws what the text engine throws for a text it cannot read.
Shapes textShapes(const db::Database& db, db::ObjectId id, bool attributeValue = false);

// A multi-line text as it is laid out (MTEXT and the texts other entities carry).
Shapes mtextShapes(const text::MTextEntity& entity);

}  // namespace kx::render
