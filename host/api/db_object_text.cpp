// KxDbText, KxDbAttributeDefinition, KxDbAttribute, KxDbMText and KxDbTxtExp.

#include <cmath>
#include <numbers>

#include "api/host_names.h"
#include "api/object_state.h"
#include "db/dictionaries.h"
#include "db/header_values.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "geom/vec.h"
#include "kx/kxdbtext.h"
#include "text/mtext_entity.h"
#include "text/mtext_layout.h"
#include "text/text_entity.h"
#include "text/text_outline.h"

namespace {

namespace db = kx::db;
namespace geom = kx::geom;
using kx::api::databaseOf;

db::Point3 toPoint(const KxGePoint3d& p) {
  return {p.x, p.y, p.z};
}
KxGePoint3d fromPoint(const db::Point3& p) {
  return {p.x, p.y, p.z};
}
KxGeVector3d fromVec(geom::Vec3 v) {
  return {v.x, v.y, v.z};
}
geom::Vec3 toVec(const db::Point3& p) {
  return {p.x, p.y, p.z};
}

bool isAttributeType(std::string_view type) {
  return type == "ATTDEF" || type == "ATTRIB";
}

bool isDrawableHeight(double height) {
  return height > 0 && std::isfinite(height);
}

// Runs a change of an open text: refused unless open for write; the text is re-placed on close.
template <typename Change>
Kxad::ErrorStatus change(const KxDbObject& object, Change&& apply) {
  if (const auto es = kx::api::checkWritable(object); es != Kxad::eOk) return es;
  db::ObjectFields f(databaseOf(object), object.state().id);
  apply(f);
  object.state().textChanged = true;
  object.state().stringCache.clear();
  return Kxad::eOk;
}

const wchar_t* cached(const KxDbObject& object, std::wstring value) {
  object.state().stringCache = std::move(value);
  return object.state().stringCache.c_str();
}

// The drawing's current layer, text style and text height, for new texts.
struct TextDefaults {
  std::string layer;
  std::string style = "Standard";
  double height = 2.5;
};
TextDefaults textDefaults(const db::Database& db) {
  TextDefaults d;
  d.layer = db.encode(db::currentLayer(db));
  if (const auto v = db.headerText("$TEXTSTYLE"); v && !v->empty()) d.style = std::string(*v);
  if (const auto v = db.headerText("$TEXTSIZE"))
    if (const double h = std::atof(std::string(*v).c_str()); h > 0) d.height = h;
  return d;
}

std::string styleName(const db::Database& db, KxDbObjectId style, const std::string& fallback) {
  const kx::api::ResolvedObject r = kx::api::resolve(style);
  if (!r || &r.document->db() != &db || !db.isType(r.id, "STYLE")) return fallback;
  return std::string(db::FieldReader(db, r.id).rawText(2).value_or(fallback));
}

void pushPoint(std::vector<db::NewTag>& body, int code, const KxGePoint3d& p) {
  body.push_back({code, db::formatReal(p.x)});
  body.push_back({code + 10, db::formatReal(p.y)});
  body.push_back({code + 20, db::formatReal(p.z)});
}

// A new TEXT's limbo record.
db::ObjectId newTextRecord(const KxGePoint3d& position, const wchar_t* text, KxDbObjectId style,
                           double height, double rotation) {
  db::Database& db = kx::editor::activeDocument().db();
  const TextDefaults d = textDefaults(db);
  const bool markers = db.version().hasSubclassMarkers();
  std::vector<db::NewTag> body;
  if (markers) body.push_back({100, "AcDbEntity"});
  body.push_back({8, d.layer});
  if (markers) body.push_back({100, "AcDbText"});
  pushPoint(body, 10, position);
  body.push_back({40, db::formatReal(height > 0 ? height : d.height)});
  body.push_back({1, db.encode(text ? text : L"")});
  if (rotation != 0) body.push_back({50, db::formatReal(rotation * 180 / std::numbers::pi)});
  body.push_back({7, styleName(db, style, d.style)});
  if (markers) body.push_back({100, "AcDbText"});
  return kx::api::addLimboRecord(db, "TEXT", body, true);
}

db::ObjectId styleRecord(const db::Database& db, db::ObjectId id) {
  return db::findTableRecord(db, "STYLE", db::FieldReader(db, id).string(7));
}

// The embedded multi-line text of an ATTDEF or ATTRIB (the groups after 101 "Embedded Object")
// as the body of a new MTEXT on the attribute's layer, in its colour. Nothing when there is none.
std::optional<std::vector<db::NewTag>> embeddedMText(const db::Database& db, db::ObjectId id) {
  const auto groups = kx::text::embeddedMTextGroups(db, id);
  if (!groups) return std::nullopt;
  const db::FieldReader f(db, id);
  const bool markers = db.version().hasSubclassMarkers();
  std::vector<db::NewTag> body;
  if (markers) body.push_back({100, "AcDbEntity"});
  body.push_back({8, std::string(f.rawText(8).value_or("0"))});
  for (int code : {6, 62, 370, 420})
    if (const auto v = f.rawText(code)) body.push_back({code, std::string(*v)});
  if (markers) body.push_back({100, "AcDbMText"});
  bool hasStyle = false, hasContents = false, hasNormal = false;
  for (const db::NewTag& g : *groups) {
    hasStyle |= g.code == 7;
    hasContents |= g.code == 1;
    hasNormal |= g.code == 210;
    body.push_back(g);
  }
  // The embedded text lies in its attribute's plane unless it says otherwise.
  if (!hasNormal && f.locate(210))
    for (int code : {210, 220, 230})
      body.push_back({code, std::string(f.rawText(code).value_or("0"))});
  if (!hasContents) body.push_back({1, ""});
  if (!hasStyle) body.push_back({7, std::string(f.rawText(7).value_or("Standard"))});
  return body;
}

KxDbMText* newEmbeddedMText(const KxDbObject& object) {
  if (object.state().isNew) return nullptr;
  kx::editor::Document& doc = kx::api::documentOf(object.state());
  const auto body = embeddedMText(doc.db(), object.state().id);
  if (!body) return nullptr;
  const db::ObjectId limbo = kx::api::addLimboRecord(doc.db(), "MTEXT", *body, true);
  return KxDbMText::cast(kx::api::makeNewObject(doc, limbo));
}

int attributeFlags(const KxDbObject& object) {
  return static_cast<int>(db::FieldReader(databaseOf(object), object.state().id).integer(70));
}

Kxad::ErrorStatus setTag(const KxDbObject& object, const wchar_t* tag) {
  if (!tag || !*tag) return Kxad::eInvalidInput;
  // Blanks are taken (numbering commands put "4 PART"); a line break could not be saved.
  for (const wchar_t* c = tag; *c; ++c)
    if (*c == L'\n' || *c == L'\r') return Kxad::eInvalidInput;
  return change(object, [&](db::ObjectFields& f) {
    if (f.string(2) != tag) f.setString(2, tag);
  });
}

}  // namespace

// ---- KxDbText ----

KxDbText::KxDbText() : KxDbText(KxGePoint3d(0, 0, 0), L"") {}

KxDbText::KxDbText(const KxGePoint3d& position, const wchar_t* text, KxDbObjectId style,
                   double height, double rotation) {
  state_->id = newTextRecord(position, text, style, height, rotation);
  state_->textChanged = true;
}

KxGePoint3d KxDbText::position() const {
  return fromPoint(db::FieldReader(databaseOf(*this), state_->id).point(10));
}

Kxad::ErrorStatus KxDbText::setPosition(const KxGePoint3d& p) {
  return change(*this, [&](db::ObjectFields& f) { f.setPoint(10, toPoint(p)); });
}

KxGePoint3d KxDbText::alignmentPoint() const {
  const db::FieldReader f(databaseOf(*this), state_->id);
  return fromPoint(f.locate(11) ? f.point(11) : f.point(10));
}

Kxad::ErrorStatus KxDbText::setAlignmentPoint(const KxGePoint3d& p) {
  return change(*this, [&](db::ObjectFields& f) { f.setPoint(11, toPoint(p)); });
}

KxDb::TextHorzMode KxDbText::horizontalMode() const {
  const long long m = db::FieldReader(databaseOf(*this), state_->id).integer(72);
  return m >= 1 && m <= 5 ? static_cast<KxDb::TextHorzMode>(m) : KxDb::kTextLeft;
}

Kxad::ErrorStatus KxDbText::setHorizontalMode(KxDb::TextHorzMode mode) {
  if (mode < KxDb::kTextLeft || mode > KxDb::kTextFit) return Kxad::eInvalidInput;
  return change(*this, [&](db::ObjectFields& f) {
    // Left is what a text without the group has: it stays without it.
    if (mode != KxDb::kTextLeft || f.locate(72)) f.setInteger(72, mode);
  });
}

KxDb::TextVertMode KxDbText::verticalMode() const {
  const db::FieldReader f(databaseOf(*this), state_->id);
  const long long m = f.integer(isAttributeType(f.type()) ? 74 : 73);
  return m >= 0 && m <= 3 ? static_cast<KxDb::TextVertMode>(m) : KxDb::kTextBase;
}

wchar_t* KxDbText::textString() const {
  return kx::api::hostString(db::FieldReader(databaseOf(*this), state_->id).string(1));
}

const wchar_t* KxDbText::textStringConst() const {
  return cached(*this, db::FieldReader(databaseOf(*this), state_->id).string(1));
}

Kxad::ErrorStatus KxDbText::setTextString(const wchar_t* text) {
  if (!text) return Kxad::eInvalidInput;
  return change(*this, [&](db::ObjectFields& f) {
    if (f.string(1) != text) f.setString(1, text);
  });
}

bool KxDbObject::hasFields() const {
  if (state_->isNew) return false;
  const db::Database& db = databaseOf(*this);
  const db::ObjectId x = db::extensionDictionary(db, state_->id);
  return !x.isNull() && !db::dictionaryLookup(db, x, L"ACAD_FIELD").isNull();
}

double KxDbText::height() const {
  return db::FieldReader(databaseOf(*this), state_->id).real(40);
}

Kxad::ErrorStatus KxDbText::setHeight(double height) {
  if (!isDrawableHeight(height)) return Kxad::eInvalidInput;
  return change(*this, [&](db::ObjectFields& f) { f.setReal(40, height); });
}

double KxDbText::widthFactor() const {
  return db::FieldReader(databaseOf(*this), state_->id).real(41);
}

double KxDbText::oblique() const {
  return db::FieldReader(databaseOf(*this), state_->id).angle(51);
}

double KxDbText::rotation() const {
  return db::FieldReader(databaseOf(*this), state_->id).angle(50);
}

KxGeVector3d KxDbText::normal() const {
  return fromVec(toVec(db::FieldReader(databaseOf(*this), state_->id).point(210)));
}

KxDbObjectId KxDbText::textStyle() const {
  const db::Database& db = databaseOf(*this);
  return kx::api::objectIdOf(db, styleRecord(db, state_->id));
}

// ---- attribute definitions and attributes ----

wchar_t* KxDbAttributeDefinition::tag() const {
  return kx::api::hostString(db::FieldReader(databaseOf(*this), state_->id).string(2));
}
const wchar_t* KxDbAttributeDefinition::tagConst() const {
  return cached(*this, db::FieldReader(databaseOf(*this), state_->id).string(2));
}
Kxad::ErrorStatus KxDbAttributeDefinition::setTag(const wchar_t* tag) {
  return ::setTag(*this, tag);
}
wchar_t* KxDbAttributeDefinition::prompt() const {
  return kx::api::hostString(db::FieldReader(databaseOf(*this), state_->id).string(3));
}
bool KxDbAttributeDefinition::isConstant() const {
  return attributeFlags(*this) & 2;
}
bool KxDbAttributeDefinition::isMTextAttributeDefinition() const {
  return embeddedMText(databaseOf(*this), state_->id).has_value();
}
KxDbMText* KxDbAttributeDefinition::getMTextAttributeDefinition() const {
  return newEmbeddedMText(*this);
}

wchar_t* KxDbAttribute::tag() const {
  return kx::api::hostString(db::FieldReader(databaseOf(*this), state_->id).string(2));
}
const wchar_t* KxDbAttribute::tagConst() const {
  return cached(*this, db::FieldReader(databaseOf(*this), state_->id).string(2));
}
Kxad::ErrorStatus KxDbAttribute::setTag(const wchar_t* tag) {
  return ::setTag(*this, tag);
}
bool KxDbAttribute::isConstant() const {
  return attributeFlags(*this) & 2;
}
// ---- KxDbMText ----

KxDbMText::KxDbMText() {
  db::Database& db = databaseOf(*this);
  const TextDefaults d = textDefaults(db);
  const bool markers = db.version().hasSubclassMarkers();
  std::vector<db::NewTag> body;
  if (markers) body.push_back({100, "AcDbEntity"});
  body.push_back({8, d.layer});
  if (markers) body.push_back({100, "AcDbMText"});
  pushPoint(body, 10, {0, 0, 0});
  body.push_back({40, db::formatReal(d.height)});
  body.push_back({41, "0.0"});
  body.push_back({71, "1"});
  body.push_back({72, "1"});
  body.push_back({1, ""});
  body.push_back({7, d.style});
  state_->id = kx::api::addLimboRecord(db, "MTEXT", body, true);
  state_->textChanged = true;
}

wchar_t* KxDbMText::contents() const {
  return kx::api::hostString(
      kx::text::readMTextEntity(databaseOf(*this), state_->id).input.contents);
}

Kxad::ErrorStatus KxDbMText::setContents(const wchar_t* text) {
  if (!text) return Kxad::eInvalidInput;
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  db::Database& db = databaseOf(*this);
  if (kx::text::readMTextEntity(db, state_->id).input.contents == text) return Kxad::eOk;
  kx::text::setMTextContents(db, state_->id, text);
  state_->textChanged = true;
  return Kxad::eOk;
}

KxGePoint3d KxDbMText::location() const {
  return fromPoint(db::FieldReader(databaseOf(*this), state_->id).point(10));
}

Kxad::ErrorStatus KxDbMText::setLocation(const KxGePoint3d& p) {
  return change(*this, [&](db::ObjectFields& f) { f.setPoint(10, toPoint(p)); });
}

KxGeVector3d KxDbMText::direction() const {
  const db::Database& db = databaseOf(*this);
  return fromVec(geom::normalized(kx::text::mtextPlacement(db, state_->id).xAxis()));
}

KxGeVector3d KxDbMText::normal() const {
  return fromVec(toVec(db::FieldReader(databaseOf(*this), state_->id).point(210)));
}

double KxDbMText::rotation() const {
  return kx::text::mtextRotation(databaseOf(*this), state_->id);
}

double KxDbMText::width() const {
  return db::FieldReader(databaseOf(*this), state_->id).real(41);
}

double KxDbMText::actualWidth() const {
  const auto m = kx::text::readMTextEntity(databaseOf(*this), state_->id);
  return kx::text::layoutMText(m.input).actualWidth;
}

double KxDbMText::actualHeight() const {
  const auto m = kx::text::readMTextEntity(databaseOf(*this), state_->id);
  return kx::text::layoutMText(m.input).actualHeight;
}

KxDbMText::AttachmentPoint KxDbMText::attachment() const {
  const long long a = db::FieldReader(databaseOf(*this), state_->id).integer(71);
  return a >= 1 && a <= 9 ? static_cast<AttachmentPoint>(a) : kTopLeft;
}

double KxDbMText::textHeight() const {
  return db::FieldReader(databaseOf(*this), state_->id).real(40);
}

Kxad::ErrorStatus KxDbMText::setTextHeight(double height) {
  if (!isDrawableHeight(height)) return Kxad::eInvalidInput;
  return change(*this, [&](db::ObjectFields& f) { f.setReal(40, height); });
}

KxDbObjectId KxDbMText::textStyle() const {
  const db::Database& db = databaseOf(*this);
  return kx::api::objectIdOf(db, styleRecord(db, state_->id));
}

// ---- text to geometry ----

Kxad::ErrorStatus KxDbTxtExp(KxDbEntity* text) {
  if (!text) return Kxad::eInvalidInput;
  if (text->isNewObject()) return Kxad::eNotInDatabase;
  db::Database& db = databaseOf(*text);
  const db::ObjectId id = text->state().id;
  const std::string_view type = db.typeName(id);
  if (type != "TEXT" && type != "MTEXT" && !isAttributeType(type)) return Kxad::eWrongObjectType;
  // The host's own text explode makes nothing while the current layer is locked, whatever the
  // text's layer; callers unlock it around the call.
  if (db::isLayerLocked(db, db::currentLayer(db)))
    return Kxad::eOnLockedLayer;
  try {
    return kx::text::textToOutlines(db, id).empty() ? Kxad::eInvalidInput : Kxad::eOk;
  } catch (const std::exception&) {
    return Kxad::eInvalidInput;
  }
}
