#include "render/text_shapes.h"

#include "db/object_fields.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace kx::render {
namespace {

using geom::Matrix3d;

Shape glyphShape(std::shared_ptr<const text::Font> font) {
  Shape s;
  s.kind = PrimitiveKind::Glyphs;
  s.font = std::move(font);
  return s;
}

Shapes lineTextShapes(const db::Database& db, db::ObjectId id, bool attributeValue) {
  const text::TextEntity entity = text::readTextEntity(
      db, id, attributeValue ? text::AttdefText::Value : text::AttdefText::Tag);
  const text::TextPicture picture = text::placeGlyphs(entity);
  Shapes out;
  if (picture.font) {
    Shape glyphs = glyphShape(picture.font);
    for (const text::WorldGlyph& g : picture.glyphs) glyphs.glyphs.emplace_back(g.c, g.fontToWorld);
    if (!glyphs.glyphs.empty()) out.push_back(std::move(glyphs));
  }
  Shape lines;
  for (const auto& [a, b] : picture.decorations) lines.contours.push_back({a, b});
  if (!lines.contours.empty()) out.push_back(std::move(lines));
  return out;
}

}  // namespace

Shapes mtextShapes(const text::MTextEntity& entity) {
  const text::MTextLayout layout = text::layoutMText(entity.input);
  const auto toWorld = [&](geom::Vec2 p) { return entity.placement.apply({p.x, p.y, 0}); };
  Shapes out;
  for (const text::MTextRun& run : layout.runs) {
    const Matrix3d runToWorld =
        entity.placement * Matrix3d::translation({run.baseline.x, run.baseline.y, 0});
    Shape glyphs = glyphShape(run.font);
    if (run.font)
      for (const text::PlacedGlyph& g : run.layout.glyphs)
        glyphs.glyphs.emplace_back(g.c, runToWorld * g.toText);
    Shape lines;
    for (const auto& [a, b] : run.layout.decorations)
      lines.contours.push_back({runToWorld.apply({a.x, a.y, 0}), runToWorld.apply({b.x, b.y, 0})});
    for (Shape* s : {&glyphs, &lines}) {
      if (s->contours.empty() && s->glyphs.empty()) continue;
      s->aci = run.color;
      s->trueColor = run.trueColor;
      out.push_back(std::move(*s));
    }
  }
  for (std::size_t i = 0; i < layout.bars.size(); ++i) {
    Shape bar = strokeShape({toWorld(layout.bars[i].first), toWorld(layout.bars[i].second)});
    if (i < layout.barColors.size()) {
      bar.aci = layout.barColors[i].color;
      bar.trueColor = layout.barColors[i].trueColor;
    }
    out.push_back(std::move(bar));
  }
  return out;
}

Shapes textShapes(const db::Database& db, db::ObjectId id, bool attributeValue) {
  const std::string_view type = db.typeName(id);
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    // A multi-line attribute shows its value as the text it embeds; a definition shown by its
    // tag is one line.
    if (attributeValue || type == "ATTRIB")
      if (const auto embedded = text::readEmbeddedMText(db, id)) return mtextShapes(*embedded);
    return lineTextShapes(db, id, attributeValue);
  }
  if (type == "MTEXT") return mtextShapes(text::readMTextEntity(db, id));
  return {};
}

}  // namespace kx::render
