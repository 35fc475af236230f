#pragma once
// Dictionaries, groups, draw order and wipeouts.

#include "kx/kxdbobject.h"

class KxDbDictionaryIterator {
 public:
  virtual ~KxDbDictionaryIterator() = default;
  virtual bool done() const = 0;
  virtual bool next() = 0;
  virtual const wchar_t* name() const = 0;
  virtual KxDbObjectId objectId() const = 0;
};

class KxDbDictionary : public KxDbObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbDictionary)
  bool has(const wchar_t* key) const;
  Kxad::ErrorStatus getAt(const wchar_t* key, KxDbObjectId& id) const;
  // Adds a new object under `key` and makes the dictionary its owner; the object stays open for
  // its maker. In the group dictionary the key "*" or one starting with "*U" or "*A" asks for a
  // new anonymous name ("*A1", "*A2", ...).
  Kxad::ErrorStatus setAt(const wchar_t* key, KxDbObject* object, KxDbObjectId& id);
  Kxad::ErrorStatus remove(const wchar_t* key);
  std::int32_t numEntries() const;
  // Entries in dictionary order; the caller deletes the iterator.
  KxDbDictionaryIterator* newIterator() const;

 protected:
  using KxDbObject::KxDbObject;
};

class KxDbGroup : public KxDbObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbGroup)
  KxDbGroup();
  explicit KxDbGroup(const wchar_t* description, bool selectable = true);

  // A copy for the caller to free with kxad_free.
  wchar_t* description() const;
  Kxad::ErrorStatus setDescription(const wchar_t* description);
  Kxad::ErrorStatus setAnonymous();
  bool isAnonymous() const;
  wchar_t* name() const;
  Kxad::ErrorStatus append(KxDbObjectId entity);
  Kxad::ErrorStatus remove(KxDbObjectId entity);
  bool has(const KxDbEntity* entity) const;
  bool has(KxDbObjectId entity) const;
  std::uint32_t allEntityIds(KxDbObjectIdArray& ids) const;

 protected:
  using KxDbObject::KxDbObject;
};

class KxDbSortentsTable : public KxDbObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbSortentsTable)
  KxDbObjectId blockId() const;
  Kxad::ErrorStatus moveToTop(const KxDbObjectIdArray& ids);

 protected:
  using KxDbObject::KxDbObject;
};

class KxDbWipeout : public KxDbEntity {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbWipeout)
  enum ImageDisplayOpt { kShow = 1, kShowUnAligned = 2, kClip = 4, kTransparent = 8 };
  Kxad::ErrorStatus setDisplayOpt(ImageDisplayOpt option, bool on);

 protected:
  using KxDbEntity::KxDbEntity;
};
