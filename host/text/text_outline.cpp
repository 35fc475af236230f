#include "text/text_outline.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <string>

#include "db/entities.h"
#include "db/object_fields.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace kx::text {
namespace {

struct Target {
  db::Database* db;
  db::ObjectId block;
  geom::Vec3 normal;
  double elevation = 0;
  std::string layer;
  std::optional<std::string> color, trueColor, paperSpace;
};

Target targetOf(db::Database& db, db::ObjectId id, geom::Vec3 normal, double elevation) {
  Target t{&db, db.owner(id), normal, elevation, "0", {}, {}, {}};
  if (t.block.isNull() || !db.isType(t.block, "BLOCK_RECORD"))
    t.block = db::findBlockRecord(db, "*Model_Space");
  if (t.block.isNull()) throw std::invalid_argument("the text belongs to no block");
  const db::FieldReader f(db, id);
  t.layer = std::string(f.rawText(8).value_or("0"));
  if (const auto c = f.rawText(62)) t.color = std::string(*c);
  if (const auto c = f.rawText(420)) t.trueColor = std::string(*c);
  if (const auto p = f.rawText(67); p && f.integer(67) != 0) t.paperSpace = std::string(*p);
  return t;
}

// One LWPOLYLINE through `points` (OCS; their z is the target's elevation).
struct RunColor {
  int color = 256;  // 256: the entity's own
  int trueColor = -1;
};

db::ObjectId addPolyline(const Target& t, const std::vector<geom::Vec3>& points, bool closed,
                         RunColor run) {
  db::Database& db = *t.db;
  const bool markers = db.version().hasSubclassMarkers();
  std::vector<db::NewTag> body;
  body.reserve(points.size() * 2 + 16);
  if (markers) body.push_back({100, "AcDbEntity"});
  if (t.paperSpace) body.push_back({67, *t.paperSpace});
  body.push_back({8, t.layer});
  if (run.trueColor >= 0 || (run.color >= 0 && run.color <= 255)) {
    if (run.color >= 0 && run.color <= 255) body.push_back({62, std::to_string(run.color)});
    if (run.trueColor >= 0) body.push_back({420, std::to_string(run.trueColor & 0xFFFFFF)});
  } else {
    if (t.color) body.push_back({62, *t.color});
    if (t.trueColor) body.push_back({420, *t.trueColor});
  }
  if (markers) body.push_back({100, "AcDbPolyline"});
  body.push_back({90, std::to_string(points.size())});
  body.push_back({70, closed ? "1" : "0"});
  if (t.elevation != 0) body.push_back({38, db::formatReal(t.elevation)});
  for (const geom::Vec3& p : points) {
    body.push_back({10, db::formatReal(p.x)});
    body.push_back({20, db::formatReal(p.y)});
  }
  if (t.normal != geom::Vec3{0, 0, 1}) {
    body.push_back({210, db::formatReal(t.normal.x)});
    body.push_back({220, db::formatReal(t.normal.y)});
    body.push_back({230, db::formatReal(t.normal.z)});
  }
  return db::addEntity(db, t.block, "LWPOLYLINE", body);
}

// Outlines of laid-out glyphs; `toOcs` maps the glyphs' layout coordinates to the OCS.
void addGlyphs(const Target& t, const Font& font, const LineLayout& layout,
               const geom::Matrix3d& toOcs, double tolerance, RunColor runColor,
               std::vector<db::ObjectId>& made) {
  for (const PlacedGlyph& g : layout.glyphs) {
    const geom::Matrix3d m = toOcs * g.toText;
    for (const Contour& contour : font.outline(g.c, tolerance)) {
      if (contour.size() < 2) continue;
      std::vector<geom::Vec3> points;
      points.reserve(contour.size());
      for (const geom::Vec2& p : contour) points.push_back(m.apply({p.x, p.y, 0}));
      made.push_back(addPolyline(t, points, true, runColor));
    }
  }
  for (const auto& [a, b] : layout.decorations)
    made.push_back(
        addPolyline(t, {toOcs.apply({a.x, a.y, 0}), toOcs.apply({b.x, b.y, 0})}, false, runColor));
}

std::vector<db::ObjectId> outlineText(db::Database& db, db::ObjectId id, double tolerance) {
  const TextEntity text = readTextEntity(db, id);
  std::vector<db::ObjectId> made;
  if (!text.font || !(text.look.height > 0)) return made;
  const Target target = targetOf(db, id, text.normal, text.elevation);
  addGlyphs(target, *text.font, text.layout, text.textToOcs(), tolerance, {}, made);
  return made;
}

std::vector<db::ObjectId> outlineMText(db::Database& db, db::ObjectId id, double tolerance) {
  const MTextEntity mtext = readMTextEntity(db, id);
  const MTextLayout layout = layoutMText(mtext.input);
  const geom::Matrix3d toOcs = geom::worldToOcs(mtext.normal) * mtext.placement;
  const Target target = targetOf(db, id, mtext.normal, toOcs.origin().z);
  std::vector<db::ObjectId> made;
  for (const MTextRun& run : layout.runs) {
    if (!run.font) continue;
    const geom::Matrix3d runToOcs =
        toOcs * geom::Matrix3d::translation({run.baseline.x, run.baseline.y, 0});
    addGlyphs(target, *run.font, run.layout, runToOcs, tolerance, {run.color, run.trueColor}, made);
  }
  for (std::size_t i = 0; i < layout.bars.size(); ++i) {
    const auto& [a, b] = layout.bars[i];
    RunColor color;
    if (i < layout.barColors.size())
      color = {layout.barColors[i].color, layout.barColors[i].trueColor};
    made.push_back(addPolyline(target, {toOcs.apply({a.x, a.y, 0}), toOcs.apply({b.x, b.y, 0})},
                               false, color));
  }
  return made;
}

}  // namespace

std::vector<db::ObjectId> textToOutlines(db::Database& db, db::ObjectId id, double tolerance) {
  if (!(tolerance > 0) || !std::isfinite(tolerance)) tolerance = 0.005;
  const std::string_view type = db.typeName(id);
  if (type == "MTEXT") return outlineMText(db, id, tolerance);
  return outlineText(db, id, tolerance);
}

}  // namespace kx::text
