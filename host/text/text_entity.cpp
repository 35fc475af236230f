#include "text/text_entity.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <unordered_map>

#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/encoding.h"
#include "support/utf8.h"

namespace kx::text {
namespace {

constexpr double kMaxOblique = 85 * std::numbers::pi / 180;

TextStyle readStyle(const db::Database& db, db::ObjectId record) {
  const db::FieldReader f(db, record);
  TextStyle s;
  s.record = record;
  s.name = f.string(2);
  s.fontFile = kx::support::toUtf8(f.string(3));
  s.bigFont = kx::support::toUtf8(f.string(4));
  s.fixedHeight = f.real(40);
  s.widthFactor = f.real(41);
  s.oblique = f.angle(50);
  s.generation = static_cast<int>(f.integer(71));
  return s;
}

double finiteOr(double v, double fallback) {
  return std::isfinite(v) ? v : fallback;
}

bool nearlyEqual(double a, double b) {
  return std::fabs(a - b) <= 1e-12 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

// Angles in degrees, compared around the circle.
bool sameAngleDegrees(double a, double b) {
  const double d = std::remainder(a - b, 360.0);
  return std::fabs(d) <= 1e-10 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

int verticalCode(std::string_view type) {
  return type == "TEXT" ? 73 : 74;
}

// The setters below write only a value that differs, and say whether they wrote.
bool setRealIfChanged(db::ObjectFields& f, int code, double value) {
  if (nearlyEqual(f.real(code), value)) return false;
  f.setReal(code, value);
  return true;
}

bool setPointIfChanged(db::ObjectFields& f, int code, const db::Point3& p) {
  const db::Point3 old = f.point(code);
  if (f.locate(code) && nearlyEqual(old.x, p.x) && nearlyEqual(old.y, p.y) &&
      nearlyEqual(old.z, p.z))
    return false;
  f.setPoint(code, p);
  return true;
}

}  // namespace

namespace {

// The styles texts were read with, by record, and the style name asked for last: texts come in
// runs of one style, and finding a record by name folds the name's case first.
struct StylesRead {
  std::unordered_map<db::ObjectId, TextStyle> byRecord;
  std::optional<std::wstring> lastName;
  TextStyle lastStyle;
};

}  // namespace

TextStyle findTextStyle(const db::Database& db, std::wstring_view name) {
  // Every text placed reads its style; keep them read while no table record changes.
  StylesRead& read = db.tablesCache<StylesRead>();
  if (read.lastName && *read.lastName == name) return read.lastStyle;
  db::ObjectId record = db::findTableRecord(db, "STYLE", name);
  if (!record) record = db::findTableRecord(db, "STYLE", L"Standard");
  TextStyle style;
  if (record) {
    auto it = read.byRecord.find(record);
    if (it == read.byRecord.end()) it = read.byRecord.emplace(record, readStyle(db, record)).first;
    style = it->second;
  }
  read.lastName = std::wstring(name);
  read.lastStyle = style;
  return style;
}

geom::Matrix3d TextEntity::textToOcs() const {
  return geom::Matrix3d::translation({insertion.x, insertion.y, elevation}) *
         geom::Matrix3d::rotationZ(rotation);
}

geom::Matrix3d TextEntity::textToWorld() const {
  return geom::ocsToWorld(normal) * textToOcs();
}

namespace {

TextEntity readText(const db::Database& db, db::ObjectId id, AttdefText attdef, Glyphs glyphs) {
  const std::string_view type = db.typeName(id);
  if (type != "TEXT" && type != "ATTDEF" && type != "ATTRIB")
    throw std::invalid_argument("not a TEXT, ATTDEF or ATTRIB: " + std::string(type));
  const db::FieldReader f(db, id);
  TextEntity t;
  t.id = id;
  // An attribute definition shows its tag, and is justified by it.
  t.text = type == "ATTDEF" && attdef == AttdefText::Tag ? f.string(2) : f.string(1);
  t.style = findTextStyle(db, f.string(7));
  t.font = FontLibrary::instance().styleFont(t.style.fontFile, t.style.bigFont);

  t.look.height = std::fabs(finiteOr(f.real(40), 0));
  const double widthFactor = finiteOr(f.real(41), 1);
  t.look.widthFactor = widthFactor > 0 ? widthFactor : 1;
  t.look.oblique = std::clamp(finiteOr(f.angle(51), 0), -kMaxOblique, kMaxOblique);
  const long long generation = f.integer(71);
  t.look.backward = generation & 2;
  t.look.upsideDown = generation & 4;
  t.rotation = finiteOr(f.angle(50), 0);
  t.justification.horizontal = static_cast<int>(f.integer(72));
  t.justification.vertical = static_cast<int>(f.integer(verticalCode(type)));

  const db::Point3 normal = f.point(210);
  t.normal = {finiteOr(normal.x, 0), finiteOr(normal.y, 0), finiteOr(normal.z, 1)};
  if (t.normal.length() < 1e-12) t.normal = {0, 0, 1};
  const db::Point3 p10 = f.point(10);
  t.insertion = {finiteOr(p10.x, 0), finiteOr(p10.y, 0)};
  t.elevation = finiteOr(p10.z, 0);
  t.alignment = t.insertion;
  if (f.locate(11)) {
    const db::Point3 p11 = f.point(11);
    t.alignment = {finiteOr(p11.x, 0), finiteOr(p11.y, 0)};
  }

  const std::vector<DecodedChar> chars = decodePercentCodes(t.text);
  if (!t.font) return t;
  t.layout = layoutLine(*t.font, chars, t.look, glyphs);

  const Justification& j = t.justification;
  if (j.isAligned() || j.isFit()) {
    if (const auto between =
            fitBetween(t.insertion, t.alignment, t.layout.advance, t.look, j.isFit())) {
      t.look.height = between->height;
      t.look.widthFactor = between->widthFactor;
      t.rotation = between->rotation;
      t.layout = layoutLine(*t.font, chars, t.look, glyphs);
    }
  } else if (!j.anchoredAtInsertion()) {
    t.insertion =
        insertionFromAlignment(t.alignment, alignmentOffset(t.layout.cell, j), t.rotation);
  }
  return t;
}

}  // namespace

TextEntity readTextEntity(const db::Database& db, db::ObjectId id, AttdefText attdef) {
  return readText(db, id, attdef, Glyphs::Place);
}

TextEntity readTextPlacement(const db::Database& db, db::ObjectId id) {
  return readText(db, id, AttdefText::Tag, Glyphs::Skip);
}

namespace {

// The last text placed, as of its revision; a change to a table record (its style) clears it.
struct LastPlacement {
  db::ObjectId id;
  std::uint32_t revision = 0;
  bool known = false;
  TextPlacement placement;
  // The cell of the text's line as laid out with the look its record gives (not for an aligned
  // or fit text, whose look its points give): moving, turning or re-justifying the text leaves
  // it as it is.
  std::optional<Box2> cell;
};

TextPlacement placementOf(const TextEntity& t) {
  if (!t.font) return {};
  return {true, t.insertion, t.elevation, t.look.height, t.look.widthFactor, t.rotation};
}

void keepPlacement(const db::Database& db, const TextEntity& t) {
  std::optional<Box2> cell;
  const Justification& j = t.justification;
  if (t.font && !j.isAligned() && !j.isFit()) cell = t.layout.cell;
  db.tablesCache<LastPlacement>() = {t.id, db.revision(t.id), true, placementOf(t), cell};
}

// Writes the insertion point of a text placed from its alignment point, and gives a text that
// had no alignment point the one it was anchored at.
bool writeInsertion(db::ObjectFields& f, const TextPlacement& placed, geom::Vec2 alignment) {
  const bool had11 = f.locate(11).has_value();
  bool wrote = setPointIfChanged(f, 10, {placed.insertion.x, placed.insertion.y, placed.elevation});
  // A justified text without an alignment point was anchored where its insertion point was;
  // keep it there, or the next update would move it again.
  if (!had11) {
    f.setPoint(11, {alignment.x, alignment.y, placed.elevation});
    wrote = true;
  }
  return wrote;
}

}  // namespace

TextPlacement textPlacement(const db::Database& db, db::ObjectId id) {
  const LastPlacement& last = db.tablesCache<LastPlacement>();
  if (last.known && last.id == id && last.revision == db.revision(id)) return last.placement;
  const TextEntity t = readTextPlacement(db, id);
  keepPlacement(db, t);
  return placementOf(t);
}

Box2 textBox(const TextEntity& text) {
  return text.layout.ink;
}

std::array<geom::Vec3, 4> boxCorners(const TextEntity& text) {
  const Box2& b = text.layout.ink;
  const geom::Matrix3d m = text.textToWorld();
  return {m.apply({b.xMin, b.yMin, 0}), m.apply({b.xMax, b.yMin, 0}), m.apply({b.xMax, b.yMax, 0}),
          m.apply({b.xMin, b.yMax, 0})};
}

std::optional<Extents3> geomExtents(const TextEntity& text) {
  const Box2& b = text.layout.ink;
  if (b.xMin == 0 && b.yMin == 0 && b.xMax == 0 && b.yMax == 0) return std::nullopt;
  const auto corners = boxCorners(text);
  Extents3 e{corners[0], corners[0]};
  for (const geom::Vec3& c : corners) {
    e.min = {std::min(e.min.x, c.x), std::min(e.min.y, c.y), std::min(e.min.z, c.z)};
    e.max = {std::max(e.max.x, c.x), std::max(e.max.y, c.y), std::max(e.max.z, c.z)};
  }
  return e;
}

bool updateTextPosition(db::Database& db, db::ObjectId id) {
  const std::string_view type = db.typeName(id);
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    // A text anchored at its insertion point has nothing to work out: no need to lay it out.
    const db::FieldReader f(db, id);
    if (Justification{static_cast<int>(f.integer(72)),
                      static_cast<int>(f.integer(verticalCode(type)))}
            .anchoredAtInsertion())
      return false;
  }
  const TextEntity t = readText(db, id, AttdefText::Tag, Glyphs::Skip);
  const Justification& j = t.justification;
  if (j.anchoredAtInsertion() || !t.font) return false;
  if (!j.isAligned() && !j.isFit()) {
    db::ObjectFields f(db, id);
    const bool wrote = writeInsertion(f, placementOf(t), t.alignment);
    // Writing the insertion point leaves what places the text (its alignment point, elevation
    // and look) as it was, so the placement holds for the groups as they are now.
    keepPlacement(db, t);
    return wrote;
  }
  db::ObjectFields f(db, id);
  bool wrote = false;
  if (j.isAligned())
    wrote = setRealIfChanged(f, 40, t.look.height);
  else
    wrote = setRealIfChanged(f, 41, t.look.widthFactor);
  double degrees = t.rotation * 180 / std::numbers::pi;
  if (degrees < 0) degrees += 360;
  if (!sameAngleDegrees(f.real(50), degrees)) {
    f.setReal(50, degrees);
    wrote = true;
  }
  return wrote;
}

bool keepsLineLayout(int code) {
  switch (code) {
    case 10:
    case 11:
    case 50:
    case 72:
    case 73:
    case 74:
      return true;
    default:
      return false;
  }
}

bool updateMovedTextPosition(db::Database& db, db::ObjectId id, std::uint32_t before) {
  const LastPlacement& last = db.tablesCache<LastPlacement>();
  if (!last.known || last.id != id || last.revision != before || !last.cell)
    return updateTextPosition(db, id);
  // One reader for what places the text and the insertion point written: they share its index.
  db::ObjectFields f(db, id);
  const Justification j{static_cast<int>(f.integer(72)),
                        static_cast<int>(f.integer(verticalCode(db.typeName(id))))};
  if (j.anchoredAtInsertion()) return false;
  // Made aligned or fit, the text takes its look from its points: lay it out again.
  if (j.isAligned() || j.isFit()) return updateTextPosition(db, id);
  const Box2 cell = *last.cell;
  const geom::Vec2 offset = alignmentOffset(cell, j);
  TextPlacement placed = last.placement;
  placed.rotation = finiteOr(f.angle(50), 0);
  // Read as readText reads them: the alignment point is the insertion point when there is none.
  const db::Point3 p10 = f.point(10);
  placed.elevation = finiteOr(p10.z, 0);
  geom::Vec2 alignment{finiteOr(p10.x, 0), finiteOr(p10.y, 0)};
  if (f.locate(11)) {
    const db::Point3 p11 = f.point(11);
    alignment = {finiteOr(p11.x, 0), finiteOr(p11.y, 0)};
  }
  placed.insertion = insertionFromAlignment(alignment, offset, placed.rotation);
  const bool wrote = writeInsertion(f, placed, alignment);
  db.tablesCache<LastPlacement>() = {id, db.revision(id), true, placed, cell};
  return wrote;
}

TextPicture placeGlyphs(const TextEntity& text) {
  TextPicture picture;
  picture.font = text.font;
  const geom::Matrix3d toWorld = text.textToWorld();
  picture.glyphs.reserve(text.layout.glyphs.size());
  for (const PlacedGlyph& g : text.layout.glyphs)
    picture.glyphs.push_back({g.c, toWorld * g.toText});
  for (const auto& [a, b] : text.layout.decorations)
    picture.decorations.emplace_back(toWorld.apply({a.x, a.y, 0}), toWorld.apply({b.x, b.y, 0}));
  return picture;
}

}  // namespace kx::text
