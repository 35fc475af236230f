// Dictionaries, groups, draw order tables and wipeouts.

#include <algorithm>

#include <fmt/format.h>

#include "api/host_names.h"
#include "api/object_state.h"
#include "db/dictionaries.h"
#include "db/draw_order.h"
#include "db/groups.h"
#include "db/object_fields.h"
#include "dxf/number_syntax.h"
#include "kx/kxdbdict.h"

namespace {

namespace db = kx::db;
using kx::api::databaseOf;

class EntryIterator final : public KxDbDictionaryIterator {
 public:
  struct Entry {
    std::wstring name;
    KxDbObjectId id;
  };
  explicit EntryIterator(std::vector<Entry> entries) : entries_(std::move(entries)) {}
  bool done() const override { return at_ >= entries_.size(); }
  bool next() override {
    at_ = std::min(at_ + 1, entries_.size());
    return !done();
  }
  const wchar_t* name() const override { return done() ? nullptr : entries_[at_].name.c_str(); }
  KxDbObjectId objectId() const override { return done() ? KxDbObjectId::kNull : entries_[at_].id; }

 private:
  std::vector<Entry> entries_;
  std::size_t at_ = 0;
};

// The entity of the object's drawing that `id` names; null (and `es` set) when it is not one.
db::ObjectId entityOf(const KxDbObject& object, KxDbObjectId id, Kxad::ErrorStatus& es) {
  es = Kxad::eOk;
  const kx::api::ResolvedObject r = kx::api::resolve(id);
  if (!r) {
    es = Kxad::eNullObjectId;
    return {};
  }
  if (r.document != &kx::api::documentOf(object.state())) {
    es = Kxad::eWrongDatabase;
    return {};
  }
  if (!kx::api::isEntity(r.document->db(), r.id)) {
    es = Kxad::eWrongObjectType;
    return {};
  }
  return r.id;
}

// Members as listed, erased ones included: what has() and remove() go by.
std::vector<db::ObjectId> listedMembers(const db::Database& db, db::ObjectId group) {
  std::vector<db::ObjectId> out;
  for (const db::Tag& t : db.tags(group)) {
    if (t.code != 340) continue;
    const auto h = kx::dxf::parseHex(db.text(t));
    if (const db::ObjectId id = h ? db.findByHandle(*h) : db::ObjectId{}; !id.isNull())
      out.push_back(id);
  }
  return out;
}

// The key under which the group dictionary holds `group`; empty when it does not.
std::wstring groupKey(const db::Database& db, db::ObjectId group) {
  const db::ObjectId dictionary = db::findGroupDictionary(db);
  if (dictionary.isNull()) return {};
  for (const db::DictionaryEntry& e : db::dictionaryEntries(db, dictionary))
    if (e.object == group) return e.key;
  return {};
}

db::ObjectId newGroupRecord(const wchar_t* description, bool selectable) {
  db::Database& db = kx::editor::activeDocument().db();
  return kx::api::addLimboRecord(
      db, "GROUP", db::groupBody(db, description ? description : L"", false, selectable), false);
}

}  // namespace

// ---- KxDbDictionary ----

bool KxDbDictionary::has(const wchar_t* key) const {
  return key && !db::dictionaryLookup(databaseOf(*this), state_->id, key).isNull();
}

Kxad::ErrorStatus KxDbDictionary::getAt(const wchar_t* key, KxDbObjectId& id) const {
  id.setNull();
  if (!key) return Kxad::eInvalidKey;
  const db::Database& db = databaseOf(*this);
  const db::ObjectId found = db::dictionaryLookup(db, state_->id, key);
  if (found.isNull()) return Kxad::eNotFound;
  id = kx::api::objectIdOf(db, found);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbDictionary::setAt(const wchar_t* key, KxDbObject* object, KxDbObjectId& id) {
  id.setNull();
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  if (!object) return Kxad::eInvalidInput;
  if (!key || !*key) return Kxad::eInvalidKey;
  KxDbObjectState& made = object->state();
  if (!made.isNew) return Kxad::eAlreadyInDb;
  if (made.serial != state_->serial) return Kxad::eWrongDatabase;
  db::Database& db = databaseOf(*this);
  if (kx::api::isEntity(db, made.id)) return Kxad::eWrongObjectType;

  const bool isGroup = db.isType(made.id, "GROUP");
  const bool anonymous =
      isGroup && state_->id == db::findGroupDictionary(db) && db::isAnonymousGroupRequest(key);
  const std::wstring name = anonymous ? db::nextAnonymousGroupName(db) : std::wstring(key);
  if (!db::dictionaryLookup(db, state_->id, name).isNull()) return Kxad::eDuplicateKey;
  if (anonymous) db::ObjectFields(db, made.id).setInteger(70, 1);

  const std::string type(db.typeName(made.id));
  const db::ObjectId added =
      db::addDictionaryObject(db, state_->id, name, type, kx::api::bodyOf(db, made.id));
  if (isGroup)
    for (db::ObjectId member : listedMembers(db, added)) db::addReactor(db, member, added);
  made.id = added;
  made.isNew = false;
  made.mode = KxDb::kForWrite;
  id = kx::api::objectIdOf(db, added);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbDictionary::remove(const wchar_t* key) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  if (!key) return Kxad::eInvalidKey;
  return db::removeDictionaryEntry(databaseOf(*this), state_->id, key).isNull() ? Kxad::eNotFound
                                                                                : Kxad::eOk;
}

std::int32_t KxDbDictionary::numEntries() const {
  return static_cast<std::int32_t>(db::dictionaryEntries(databaseOf(*this), state_->id).size());
}

KxDbDictionaryIterator* KxDbDictionary::newIterator() const {
  const db::Database& db = databaseOf(*this);
  std::vector<EntryIterator::Entry> entries;
  for (db::DictionaryEntry& e : db::dictionaryEntries(db, state_->id))
    entries.push_back({std::move(e.key), kx::api::objectIdOf(db, e.object)});
  return new EntryIterator(std::move(entries));
}

// ---- KxDbGroup ----

KxDbGroup::KxDbGroup() : KxDbGroup(L"", true) {}

KxDbGroup::KxDbGroup(const wchar_t* description, bool selectable) {
  state_->id = newGroupRecord(description, selectable);
}

wchar_t* KxDbGroup::description() const {
  return kx::api::hostString(db::FieldReader(databaseOf(*this), state_->id).string(300));
}

Kxad::ErrorStatus KxDbGroup::setDescription(const wchar_t* description) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  if (!description) return Kxad::eInvalidInput;
  db::ObjectFields f(databaseOf(*this), state_->id);
  if (f.string(300) != description) f.setString(300, description);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbGroup::setAnonymous() {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  db::Database& db = databaseOf(*this);
  if (isAnonymous()) return Kxad::eOk;
  if (!state_->isNew) {
    // A named group in the drawing takes the next anonymous name.
    const db::ObjectId dictionary = db::findGroupDictionary(db);
    const std::wstring key = groupKey(db, state_->id);
    if (!dictionary.isNull() && !key.empty()) {
      const std::wstring name = db::nextAnonymousGroupName(db);
      db::removeDictionaryEntry(db, dictionary, key);
      db::setDictionaryEntry(db, dictionary, name, state_->id);
    }
  }
  db::ObjectFields(db, state_->id).setInteger(70, 1);
  return Kxad::eOk;
}

bool KxDbGroup::isAnonymous() const {
  return db::FieldReader(databaseOf(*this), state_->id).integer(70) != 0;
}

wchar_t* KxDbGroup::name() const {
  if (state_->isNew) return kx::api::hostString(L"");
  return kx::api::hostString(groupKey(databaseOf(*this), state_->id));
}

Kxad::ErrorStatus KxDbGroup::append(KxDbObjectId entity) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  Kxad::ErrorStatus es;
  const db::ObjectId member = entityOf(*this, entity, es);
  if (member.isNull()) return es;
  db::Database& db = databaseOf(*this);
  if (db.isErased(member)) return Kxad::eWasErased;
  const auto listed = listedMembers(db, state_->id);
  if (std::find(listed.begin(), listed.end(), member) != listed.end()) return Kxad::eDuplicateKey;
  if (state_->isNew) {
    // The member learns of the group when the group goes into the drawing (it has no handle yet).
    std::size_t end = db.tags(state_->id).size();
    db.insertTag(state_->id, end, 340, fmt::format("{:X}", db.handle(member)));
    return Kxad::eOk;
  }
  db::appendGroupMember(db, state_->id, member);
  return Kxad::eOk;
}

Kxad::ErrorStatus KxDbGroup::remove(KxDbObjectId entity) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  Kxad::ErrorStatus es;
  const db::ObjectId member = entityOf(*this, entity, es);
  if (member.isNull()) return es;
  db::Database& db = databaseOf(*this);
  return db::removeGroupMember(db, state_->id, member) ? Kxad::eOk : Kxad::eNotFound;
}

bool KxDbGroup::has(const KxDbEntity* entity) const {
  return entity && !entity->isNewObject() && has(entity->objectId());
}

bool KxDbGroup::has(KxDbObjectId entity) const {
  const kx::api::ResolvedObject r = kx::api::resolve(entity);
  if (!r || r.document != &kx::api::documentOf(*state_)) return false;
  const auto listed = listedMembers(databaseOf(*this), state_->id);
  return std::find(listed.begin(), listed.end(), r.id) != listed.end();
}

std::uint32_t KxDbGroup::allEntityIds(KxDbObjectIdArray& ids) const {
  const db::Database& db = databaseOf(*this);
  const auto members = db::groupMembers(db, state_->id);
  for (db::ObjectId id : members) ids.append(kx::api::objectIdOf(db, id));
  return static_cast<std::uint32_t>(members.size());
}

// ---- KxDbSortentsTable ----

KxDbObjectId KxDbSortentsTable::blockId() const {
  const db::Database& db = databaseOf(*this);
  const auto text = db::FieldReader(db, state_->id).rawText(330, "AcDbSortentsTable");
  const auto h = text ? kx::dxf::parseHex(*text) : std::nullopt;
  return h ? kx::api::objectIdOf(db, db.findByHandle(*h)) : KxDbObjectId::kNull;
}

Kxad::ErrorStatus KxDbSortentsTable::moveToTop(const KxDbObjectIdArray& ids) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  db::Database& db = databaseOf(*this);
  const kx::api::ResolvedObject block = kx::api::resolve(blockId());
  if (!block) return Kxad::eNotInDatabase;
  std::vector<db::ObjectId> entities;
  for (const KxDbObjectId& id : ids) {
    Kxad::ErrorStatus es;
    const db::ObjectId e = entityOf(*this, id, es);
    if (e.isNull()) return es;
    entities.push_back(e);
  }
  db::moveInDrawOrder(db, block.id, entities, db::DrawOrderMove::ToTop);
  return Kxad::eOk;
}

// ---- KxDbWipeout ----

namespace {

// Index of the display options of a wipeout: its only 70, whichever marker a file puts it after
// ("AcDbWipeout", "AcDbRasterImage" or none).
std::optional<std::size_t> displayOptionsAt(const db::Database& db, db::ObjectId id) {
  const auto tags = db.tags(id);
  for (std::size_t i = 1; i < tags.size(); ++i)
    if (tags[i].code == 70) return i;
  return std::nullopt;
}

constexpr int kDefaultDisplayOptions = 7;

}  // namespace

Kxad::ErrorStatus KxDbWipeout::setDisplayOpt(ImageDisplayOpt option, bool on) {
  if (const auto es = kx::api::checkWritable(*this); es != Kxad::eOk) return es;
  db::Database& db = databaseOf(*this);
  const auto at = displayOptionsAt(db, state_->id);
  if (!at) return Kxad::eInvalidInput;  // not a wipeout the host can read
  const long long flags =
      kx::dxf::parseInteger(db.text(db.tags(state_->id)[*at])).value_or(kDefaultDisplayOptions);
  const long long changed = on ? (flags | option) : (flags & ~static_cast<long long>(option));
  if (changed != flags) db.setText(state_->id, *at, std::to_string(changed));
  return Kxad::eOk;
}
