// Block references, symbol tables and their records, blocks and layers.

#include <algorithm>
#include <functional>

#include "api/host_names.h"
#include "api/object_state.h"
#include "db/block_index.h"
#include "db/draw_order.h"
#include "db/entities.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "geom/vec.h"
#include "kx/kxdbblock.h"
#include "kx/kxdbdict.h"

namespace {

namespace db = kx::db;
namespace geom = kx::geom;
using kx::api::databaseOf;

geom::Vec3 toVec(const db::Point3& p) {
  return {p.x, p.y, p.z};
}

// Walks a list of ids fixed when the iterator was made.
class IdIterator final : public KxDbObjectIterator {
 public:
  explicit IdIterator(std::vector<KxDbObjectId> ids) : ids_(std::move(ids)) {}
  bool done() const override { return at_ >= ids_.size(); }
  void step() override { at_ = std::min(at_ + 1, ids_.size()); }
  KxDbObjectId objectId() const override { return done() ? KxDbObjectId::kNull : ids_[at_]; }
  void start() override { at_ = 0; }

 private:
  std::vector<KxDbObjectId> ids_;
  std::size_t at_ = 0;
};

std::vector<KxDbObjectId> idsOf(const db::Database& db, const std::vector<db::ObjectId>& ids) {
  std::vector<KxDbObjectId> out;
  out.reserve(ids.size());
  for (db::ObjectId id : ids) out.push_back(kx::api::objectIdOf(db, id));
  return out;
}

// The record of the table `table` (a TABLE record) named `name`: the live one, found in the
// drawing's index as every other lookup by name finds it, or else, when `getErased`, the first
// erased one in file order.
db::ObjectId tableLookup(const db::Database& db, db::ObjectId table, const wchar_t* name,
                         bool getErased) {
  const auto type = db::FieldReader(db, table).rawText(2);
  if (!name || !type) return {};
  if (const db::ObjectId live = db::findTableRecord(db, *type, name)) return live;
  const db::Section* tables = db.findSection("TABLES");
  if (!getErased || !tables) return {};
  // The index holds every live record: one of the name found now is erased.
  for (const db::ObjectId id : tables->records)
    if (db.isType(id, *type) && db::sameTableName(db::FieldReader(db, id).string(2), name))
      return id;
  return {};
}

db::ObjectId blockBegin(const KxDbObject& record) {
  return db::findBlockBegin(databaseOf(record), record.state().id);
}

int blockFlags(const KxDbObject& record) {
  const db::ObjectId begin = blockBegin(record);
  return begin.isNull() ? 0
                        : static_cast<int>(db::FieldReader(databaseOf(record), begin).integer(70));
}

std::wstring recordName(const KxDbObject& record) {
  return db::FieldReader(databaseOf(record), record.state().id).string(2);
}

}  // namespace

// ---- KxDbBlockReference ----

KxGePoint3d KxDbBlockReference::position() const {
  const db::FieldReader f(databaseOf(*this), state_->id);
  const geom::Vec3 p = geom::ocsToWorld(toVec(f.point(210))).apply(toVec(f.point(10)));
  return {p.x, p.y, p.z};
}

Kxad::ErrorStatus KxDbBlockReference::setPosition(const KxGePoint3d& p) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  db::ObjectFields f(databaseOf(*this), state_->id);
  const geom::Vec3 ocs = geom::worldToOcs(toVec(f.point(210))).apply({p.x, p.y, p.z});
  f.setPoint(10, {ocs.x, ocs.y, ocs.z});
  return Kxad::eOk;
}

KxDbObjectId KxDbBlockReference::blockTableRecord() const {
  const db::Database& db = databaseOf(*this);
  const auto name = db::FieldReader(db, state_->id).rawText(2);
  return name ? kx::api::objectIdOf(db, db::findBlockRecord(db, *name)) : KxDbObjectId::kNull;
}

double KxDbBlockReference::rotation() const {
  return db::FieldReader(databaseOf(*this), state_->id).angle(50);
}

KxGeVector3d KxDbBlockReference::normal() const {
  const db::Point3 n = db::FieldReader(databaseOf(*this), state_->id).point(210);
  return {n.x, n.y, n.z};
}

KxDbObjectIterator* KxDbBlockReference::attributeIterator() const {
  const db::Database& db = databaseOf(*this);
  std::vector<db::ObjectId> attributes;
  if (!state_->isNew && db::FieldReader(db, state_->id).integer(66) == 1) {
    for (const db::Section& section : db.sections()) {
      const auto at = std::find(section.records.begin(), section.records.end(), state_->id);
      if (at == section.records.end()) continue;
      for (auto it = at + 1; it != section.records.end() && db.isType(*it, "ATTRIB"); ++it)
        if (!db.isErased(*it)) attributes.push_back(*it);
      break;
    }
  }
  return new IdIterator(idsOf(db, attributes));
}

// ---- symbol tables ----

const wchar_t* KxDbSymbolTableRecord::nameConst() const {
  state_->stringCache = recordName(*this);
  return state_->stringCache.c_str();
}

bool KxDbSymbolTable::has(const wchar_t* name) const {
  return !tableLookup(databaseOf(*this), state_->id, name, false).isNull();
}

Kxad::ErrorStatus KxDbSymbolTable::getAt(const wchar_t* name, KxDbObjectId& id,
                                         bool getErased) const {
  const db::Database& db = databaseOf(*this);
  const db::ObjectId found = tableLookup(db, state_->id, name, getErased);
  if (found.isNull()) {
    id.setNull();
    return Kxad::eNotFound;
  }
  id = kx::api::objectIdOf(db, found);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbBlockTable::getAt(const wchar_t* name, KxDbBlockTableRecord*& record,
                                        KxDb::OpenMode mode, bool openErased) const {
  record = nullptr;
  KxDbObjectId id;
  if (const auto es = KxDbSymbolTable::getAt(name, id, openErased); es != Kxad::eOk) return es;
  return kxdbOpenObject(record, id, mode, openErased);
}

Kxad::ErrorStatus KxDbLayerTable::getAt(const wchar_t* name, KxDbLayerTableRecord*& record,
                                        KxDb::OpenMode mode) const {
  record = nullptr;
  KxDbObjectId id;
  if (const auto es = KxDbSymbolTable::getAt(name, id); es != Kxad::eOk) return es;
  return kxdbOpenObject(record, id, mode);
}

// ---- KxDbBlockTableRecord ----

KxDbObjectIterator* KxDbBlockTableRecord::newIterator() const {
  const db::Database& db = databaseOf(*this);
  return new IdIterator(idsOf(db, db::blockEntities(db, state_->id)));
}

bool KxDbBlockTableRecord::explodable() const {
  return db::FieldReader(databaseOf(*this), state_->id).integer(280) != 0;
}

bool KxDbBlockTableRecord::hasAttributeDefinitions() const {
  if (blockFlags(*this) & 2) return true;
  const db::Database& db = databaseOf(*this);
  for (db::ObjectId id : db::blockEntities(db, state_->id))
    if (db.isType(id, "ATTDEF")) return true;
  return false;
}

KxGePoint3d KxDbBlockTableRecord::origin() const {
  const db::ObjectId begin = blockBegin(*this);
  if (begin.isNull()) return {0, 0, 0};
  const db::Point3 p = db::FieldReader(databaseOf(*this), begin).point(10);
  return {p.x, p.y, p.z};
}

Kxad::ErrorStatus KxDbBlockTableRecord::getBlockReferenceIds(KxDbObjectIdArray& ids,
                                                             bool directOnly) const {
  const db::Database& db = databaseOf(*this);
  const db::BlockReferenceIndex index(db);
  std::vector<db::ObjectId> path;  // blocks on the way up, against blocks that hold themselves
  std::function<void(db::ObjectId)> collect = [&](db::ObjectId block) {
    if (std::find(path.begin(), path.end(), block) != path.end()) return;
    path.push_back(block);
    const auto name = db::FieldReader(db, block).rawText(2).value_or("");
    for (const db::BlockReference& ref : index.referencesTo(name)) {
      ids.append(kx::api::objectIdOf(db, ref.insert));
      if (directOnly || ref.container.isNull()) continue;
      const std::wstring holder = db::FieldReader(db, ref.container).string(2);
      const bool space =
          db::sameTableName(holder, L"*Model_Space") ||
          (holder.size() >= 12 &&
           db::sameTableName(std::wstring_view(holder).substr(0, 12), L"*Paper_Space"));
      if (!space) collect(ref.container);
    }
    path.pop_back();
  };
  collect(state_->id);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbBlockTableRecord::appendKxDbEntity(KxDbObjectId& id, KxDbEntity* entity) {
  id.setNull();
  if (!entity) return Kxad::eInvalidInput;
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  KxDbObjectState& made = entity->state();
  if (!made.isNew) return Kxad::eAlreadyInDb;
  if (made.serial != state_->serial) return Kxad::eWrongDatabase;
  db::Database& db = databaseOf(*this);
  db::ObjectId added;
  try {
    added = db::moveEntity(db, state_->id, made.id);
  } catch (const std::exception&) {
    return Kxad::eInvalidInput;
  }
  made.id = added;
  made.isNew = false;
  made.mode = KxDb::kForWrite;
  made.textChanged = true;  // a new text is placed from its anchor when its maker closes it
  id = kx::api::objectIdOf(db, added);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbBlockTableRecord::appendKxDbEntity(KxDbEntity* entity) {
  KxDbObjectId id;
  return appendKxDbEntity(id, entity);
}

Kxad::ErrorStatus KxDbBlockTableRecord::getSortentsTable(KxDbSortentsTable*& table,
                                                         KxDb::OpenMode mode,
                                                         bool createIfNotFound) {
  table = nullptr;
  db::Database& db = databaseOf(*this);
  db::ObjectId found = db::findSortTable(db, state_->id);
  // The table is an object of its own in the record's extension dictionary: making it does not
  // need the record open for write.
  if (found.isNull() && createIfNotFound) found = db::ensureSortTable(db, state_->id);
  if (found.isNull()) return Kxad::eNotFound;
  return kxdbOpenObject(table, kx::api::objectIdOf(db, found), mode);
}

// ---- KxDbLayerTableRecord ----

bool KxDbLayerTableRecord::isLocked() const {
  return db::FieldReader(databaseOf(*this), state_->id).integer(70) & 4;
}

Kxad::ErrorStatus KxDbLayerTableRecord::setIsLocked(bool locked) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  db::ObjectFields f(databaseOf(*this), state_->id);
  const long long flags = f.integer(70);
  f.setInteger(70, locked ? (flags | 4) : (flags & ~4LL));
  return Kxad::eOk;
}

std::uint16_t KxDbLayerTableRecord::colorIndex() const {
  const long long c = db::FieldReader(databaseOf(*this), state_->id).integer(62);
  return static_cast<std::uint16_t>(c < 0 ? -c : c);
}
