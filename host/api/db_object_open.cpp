// Opening objects, the class registry, and what every KxDbObject does.

#include <stdexcept>

#include <fmt/format.h>

#include "api/host_names.h"
#include "api/object_state.h"
#include "db/dictionaries.h"
#include "db/entities.h"
#include "db/field_table.h"
#include "db/groups.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "kx/kxdbblock.h"
#include "kx/kxdbdict.h"
#include "kx/kxdbtext.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

// ---- the class registry ----

#define KX_RX_DEFINE_CLASS(CLASS, PARENT)                   \
  const KxRxClass* CLASS::desc() {                          \
    static const KxRxClass cls(L## #CLASS, PARENT::desc()); \
    return &cls;                                            \
  }

const KxRxClass* KxRxObject::desc() {
  static const KxRxClass cls(L"KxRxObject", nullptr);
  return &cls;
}
KX_RX_DEFINE_CLASS(KxDbObject, KxRxObject)
KX_RX_DEFINE_CLASS(KxDbEntity, KxDbObject)
KX_RX_DEFINE_CLASS(KxDbText, KxDbEntity)
KX_RX_DEFINE_CLASS(KxDbAttributeDefinition, KxDbText)
KX_RX_DEFINE_CLASS(KxDbAttribute, KxDbText)
KX_RX_DEFINE_CLASS(KxDbMText, KxDbEntity)
KX_RX_DEFINE_CLASS(KxDbBlockReference, KxDbEntity)
KX_RX_DEFINE_CLASS(KxDbSymbolTableRecord, KxDbObject)
KX_RX_DEFINE_CLASS(KxDbSymbolTable, KxDbObject)
KX_RX_DEFINE_CLASS(KxDbBlockTable, KxDbSymbolTable)
KX_RX_DEFINE_CLASS(KxDbBlockTableRecord, KxDbSymbolTableRecord)
KX_RX_DEFINE_CLASS(KxDbLayerTable, KxDbSymbolTable)
KX_RX_DEFINE_CLASS(KxDbLayerTableRecord, KxDbSymbolTableRecord)
KX_RX_DEFINE_CLASS(KxDbDictionary, KxDbObject)
KX_RX_DEFINE_CLASS(KxDbGroup, KxDbObject)
KX_RX_DEFINE_CLASS(KxDbSortentsTable, KxDbObject)
KX_RX_DEFINE_CLASS(KxDbWipeout, KxDbEntity)

#undef KX_RX_DEFINE_CLASS

const KxDbObjectId KxDbObjectId::kNull;

namespace kx::api {
namespace {

// The C++ object of an opened record: the class itself, built through its protected constructor.
template <typename T>
class Opened final : public T {
 public:
  explicit Opened(KxDbObjectState* state) : T(state) {}
};

bool startsWithSymbolRecord(std::string_view type) {
  const db::ClassSpec* cls = db::classSpecOf(type);
  return cls && !cls->subclasses.empty() &&
         cls->subclasses.front()->marker == "AcDbSymbolTableRecord";
}

}  // namespace

editor::Document& documentOf(const KxDbObjectState& state) {
  editor::Document* doc = editor::Session::instance().find(state.serial);
  if (!doc) throw std::logic_error("a database object outlived its drawing");
  return *doc;
}

Kxad::ErrorStatus checkWritable(const KxDbObject& object) {
  return object.isWriteEnabled() ? Kxad::eOk : Kxad::eNotOpenForWrite;
}

bool isEntity(const db::Database& db, db::ObjectId id) {
  const std::string_view type = db.typeName(id);
  if (type == "BLOCK" || type == "ENDBLK" || type == "SECTION" || type == "ENDSEC" ||
      type == "TABLE" || type == "ENDTAB" || type == "EOF")
    return false;
  if (const db::ClassSpec* cls = db::classSpecOf(type))
    return cls->subclasses.front()->marker == "AcDbEntity";
  bool markers = false;
  for (const db::Tag& t : db.tags(id)) {
    if (t.code != 100) continue;
    markers = true;
    if (db.text(t) == "AcDbEntity") return true;
  }
  if (markers) return false;
  // A drawing without subclass markers: entities are what sits in ENTITIES or in a block.
  for (const char* name : {"ENTITIES", "BLOCKS"}) {
    const db::Section* s = db.findSection(name);
    if (s && std::find(s->records.begin(), s->records.end(), id) != s->records.end()) return true;
  }
  return false;
}

std::vector<db::NewTag> bodyOf(const db::Database& db, db::ObjectId id) {
  const std::span<const db::Tag> tags = db.tags(id);
  std::vector<db::NewTag> out;
  for (std::size_t i = db::bodyStart(db, id); i < tags.size(); ++i)
    out.push_back({tags[i].code, std::string(db.text(tags[i]))});
  return out;
}

db::ObjectId addLimboRecord(db::Database& db, std::string_view type,
                            const std::vector<db::NewTag>& body, bool entity) {
  int section = db.sectionIndex(entity ? "ENTITIES" : "OBJECTS");
  if (section < 0) section = db.sectionIndex("ENTITIES");
  if (section < 0) throw std::logic_error("the drawing has no section for a new object");
  const db::ObjectId id = db.addRecord(section, {}, type, body);
  db.setErased(id, true);
  return id;
}

KxDbObject* makeObject(std::unique_ptr<KxDbObjectState> owned) {
  KxDbObjectState* state = owned.release();
  const db::Database& db = documentOf(*state).db();
  const std::string_view type = db.typeName(state->id);
  if (type == "TEXT") return new Opened<KxDbText>(state);
  if (type == "ATTDEF") return new Opened<KxDbAttributeDefinition>(state);
  if (type == "ATTRIB") return new Opened<KxDbAttribute>(state);
  if (type == "MTEXT") return new Opened<KxDbMText>(state);
  if (type == "INSERT") return new Opened<KxDbBlockReference>(state);
  if (type == "WIPEOUT") return new Opened<KxDbWipeout>(state);
  if (type == "BLOCK_RECORD") return new Opened<KxDbBlockTableRecord>(state);
  if (type == "LAYER") return new Opened<KxDbLayerTableRecord>(state);
  if (type == "DICTIONARY") return new Opened<KxDbDictionary>(state);
  if (type == "GROUP") return new Opened<KxDbGroup>(state);
  if (type == "SORTENTSTABLE") return new Opened<KxDbSortentsTable>(state);
  if (type == "TABLE") {
    const auto name = db::FieldReader(db, state->id).rawText(2);
    if (name && *name == "BLOCK_RECORD") return new Opened<KxDbBlockTable>(state);
    if (name && *name == "LAYER") return new Opened<KxDbLayerTable>(state);
    return new Opened<KxDbSymbolTable>(state);
  }
  if (startsWithSymbolRecord(type)) return new Opened<KxDbSymbolTableRecord>(state);
  if (isEntity(db, state->id)) return new Opened<KxDbEntity>(state);
  return new Opened<KxDbObject>(state);
}

KxDbObject* makeNewObject(editor::Document& document, db::ObjectId limbo) {
  auto state = std::make_unique<KxDbObjectState>();
  state->serial = document.db().serial();
  state->id = limbo;
  state->mode = KxDb::kForWrite;
  state->isNew = true;
  return makeObject(std::move(state));
}

wchar_t* hostString(std::wstring_view text) {
  return newHostString(text);
}

}  // namespace kx::api

using kx::api::documentOf;

// ---- KxDbObject ----

KxDbObject::KxDbObject() : state_(new KxDbObjectState) {
  kx::editor::Document& doc = kx::editor::activeDocument();
  state_->serial = doc.db().serial();
  state_->mode = KxDb::kForWrite;
  state_->isNew = true;
  ++doc.openObjects;
}

KxDbObject::KxDbObject(KxDbObjectState* state) : state_(state) {
  ++documentOf(*state_).openObjects;
}

KxDbObject::~KxDbObject() {
  // A drawing closed under the object has taken its count with it.
  kx::editor::Document* doc = kx::editor::Session::instance().find(state_->serial);
  if (doc) --doc->openObjects;
  delete state_;
}

KxDbObjectId KxDbObject::objectId() const {
  if (state_->isNew || state_->id.isNull()) return KxDbObjectId::kNull;
  return kx::api::objectIdOf(documentOf(*state_).db(), state_->id);
}

KxDbObjectId KxDbObject::ownerId() const {
  if (state_->isNew || state_->id.isNull()) return KxDbObjectId::kNull;
  const kx::db::Database& db = documentOf(*state_).db();
  return kx::api::objectIdOf(db, db.owner(state_->id));
}

KxDbDatabase* KxDbObject::database() const {
  return documentOf(*state_).sdkDatabase();
}

bool KxDbObject::isWriteEnabled() const {
  return state_->mode == KxDb::kForWrite;
}

bool KxDbObject::isNewObject() const {
  return state_->isNew;
}

namespace {

// Re-places a text or multi-line text changed while open.
void settleText(KxDbObjectState& state) {
  if (!state.textChanged || state.isNew || state.id.isNull()) return;
  kx::db::Database& db = documentOf(state).db();
  const std::string_view type = db.typeName(state.id);
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB")
    kx::text::updateTextPosition(db, state.id);
  else if (type == "MTEXT")
    kx::text::updateMTextExtents(db, state.id);
  state.textChanged = false;
}

}  // namespace

Kxad::ErrorStatus KxDbObject::close() {
  if (state_->mode == KxDb::kForWrite) settleText(*state_);
  delete this;
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbObject::erase(bool erasing) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  if (state_->isNew) return Kxad::eNotInDatabase;
  kx::db::Database& db = documentOf(*state_).db();
  if (db.isErased(state_->id) == erasing) return erasing ? Kxad::eWasErased : Kxad::eOk;
  if (kx::api::isEntity(db, state_->id))
    kx::db::setEntityErased(db, state_->id, erasing);
  else
    db.setErased(state_->id, erasing);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbObject::upgradeOpen() {
  if (state_->mode == KxDb::kForWrite) return Kxad::eWasOpenForWrite;
  const kx::db::Database& db = documentOf(*state_).db();
  if (kx::api::isEntity(db, state_->id) && kx::db::isOnLockedLayer(db, state_->id))
    return Kxad::eOnLockedLayer;
  state_->mode = KxDb::kForWrite;
  return Kxad::eOk;
}

KxDbObjectId KxDbObject::extensionDictionary() const {
  if (state_->isNew) return KxDbObjectId::kNull;
  const kx::db::Database& db = documentOf(*state_).db();
  return kx::api::objectIdOf(db, kx::db::extensionDictionary(db, state_->id));
}

// ---- opening ----

Kxad::ErrorStatus kxdbOpenKxDbObject(KxDbObject*& object, KxDbObjectId id, KxDb::OpenMode mode,
                                     bool openErased) {
  object = nullptr;
  if (id.isNull()) return Kxad::eNullObjectId;
  const kx::api::ResolvedObject r = kx::api::resolve(id);
  if (!r) return Kxad::eInvalidInput;
  const kx::db::Database& db = r.document->db();
  if (db.isErased(r.id) && !openErased) return Kxad::eWasErased;
  if (mode == KxDb::kForWrite && kx::api::isEntity(db, r.id) && kx::db::isOnLockedLayer(db, r.id))
    return Kxad::eOnLockedLayer;
  auto state = std::make_unique<KxDbObjectState>();
  state->serial = db.serial();
  state->id = r.id;
  state->mode = mode == KxDb::kForWrite ? KxDb::kForWrite : KxDb::kForRead;
  object = kx::api::makeObject(std::move(state));
  return Kxad::eOk;
}

extern "C" int kxdbGetObjectId(KxDbObjectId& id, const kds_name entity) {
  const kx::api::ResolvedObject r = kx::api::resolve(entity);
  if (!r) {
    id.setNull();
    return KXRT_ERROR;
  }
  id = kx::api::objectIdOf(r.document->db(), r.id);
  return KXRT_NORM;
}

extern "C" int kxdbGetKdsName(kds_name entity, KxDbObjectId id) {
  const kx::api::ResolvedObject r = kx::api::resolve(id);
  if (!r) return KXRT_ERROR;
  kx::api::setName(entity, r.document->db(), r.id);
  return KXRT_NORM;
}

// ---- the drawing ----

#define KX_DOC_OR(VALUE)                                                     \
  kx::editor::Document* doc = kx::editor::Session::instance().find(serial_); \
  if (!doc) return VALUE

KxDbObjectId KxDbDatabase::blockTableId() const {
  KX_DOC_OR(KxDbObjectId::kNull);
  return kx::api::objectIdOf(doc->db(), kx::db::findTable(doc->db(), "BLOCK_RECORD"));
}

KxDbObjectId KxDbDatabase::layerTableId() const {
  KX_DOC_OR(KxDbObjectId::kNull);
  return kx::api::objectIdOf(doc->db(), kx::db::findTable(doc->db(), "LAYER"));
}

KxDbObjectId KxDbDatabase::groupDictionaryId() const {
  KX_DOC_OR(KxDbObjectId::kNull);
  return kx::api::objectIdOf(doc->db(), kx::db::groupDictionary(doc->db()));
}

KxDbObjectId KxDbDatabase::clayer() const {
  KX_DOC_OR(KxDbObjectId::kNull);
  const kx::db::Database& db = doc->db();
  return kx::api::objectIdOf(db, kx::db::findTableRecord(db, "LAYER", kx::db::currentLayer(db)));
}

#undef KX_DOC_OR

Kxad::ErrorStatus KxDbDatabase::getBlockTable(KxDbBlockTable*& table, KxDb::OpenMode mode) {
  return kxdbOpenObject(table, blockTableId(), mode);
}

Kxad::ErrorStatus KxDbDatabase::getLayerTable(KxDbLayerTable*& table, KxDb::OpenMode mode) {
  return kxdbOpenObject(table, layerTableId(), mode);
}

Kxad::ErrorStatus KxDbDatabase::getGroupDictionary(KxDbDictionary*& dictionary,
                                                   KxDb::OpenMode mode) {
  return kxdbOpenObject(dictionary, groupDictionaryId(), mode);
}

KxDbDatabase* KxDbHostApplicationServices::workingDatabase() const {
  kx::editor::Document* doc = kx::editor::Session::instance().active();
  return doc ? doc->sdkDatabase() : nullptr;
}

const wchar_t* KxDbHostApplicationServices::getUserProductRootKey() const {
  return L"Software\\Orvex\\Host\\User";
}

extern "C" KxDbHostApplicationServices* kxdbHostApplicationServices() {
  static KxDbHostApplicationServices services;
  return &services;
}
