#pragma once
// Database objects opened from their ids. An object is opened for read or write with
// kxdbOpenObject and must be closed with close(), which ends the open and frees the C++ object;
// an object made with new and never added to the drawing is deleted by its maker instead.

#include <cstdint>

#include "kx/kxarray.h"
#include "kx/kxdbid.h"
#include "kx/kxge.h"
#include "kx/kxrx.h"
#include "kx/kxtypes.h"

class KxDbDatabase;
class KxDbDictionary;
class KxDbBlockTable;
class KxDbLayerTable;
struct KxDbObjectState;  // the host's side of an open object

using KxDbObjectIdArray = KxArray<KxDbObjectId>;

class KxDbObject : public KxRxObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbObject)
  ~KxDbObject() override;
  KxDbObject(const KxDbObject&) = delete;
  KxDbObject& operator=(const KxDbObject&) = delete;

  KxDbObjectId objectId() const;
  KxDbObjectId ownerId() const;
  KxDbDatabase* database() const;
  bool isWriteEnabled() const;
  // Made with new and not yet added to the drawing.
  bool isNewObject() const;

  // Ends the open (a new object not in the drawing is deleted instead). Texts and multi-line
  // texts changed while open are re-placed from their anchors here.
  Kxad::ErrorStatus close();
  Kxad::ErrorStatus erase(bool erasing = true);
  Kxad::ErrorStatus upgradeOpen();
  KxDbObjectId extensionDictionary() const;
  // Whether a field drives some of its values (an extension dictionary entry "ACAD_FIELD").
  bool hasFields() const;

  KxDbObjectState& state() const { return *state_; }

 protected:
  KxDbObject();  // a new object of the working drawing, not yet in it
  explicit KxDbObject(KxDbObjectState* state);
  KxDbObjectState* state_;
  friend struct KxDbObjectFactory;
};

class KxDbExtents {
 public:
  KxDbExtents() = default;
  KxDbExtents(const KxGePoint3d& min, const KxGePoint3d& max) : min_(min), max_(max) {}
  const KxGePoint3d& minPoint() const { return min_; }
  const KxGePoint3d& maxPoint() const { return max_; }
  void set(const KxGePoint3d& min, const KxGePoint3d& max) {
    min_ = min;
    max_ = max;
  }

 private:
  KxGePoint3d min_, max_;
};

class KxDbEntity : public KxDbObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbEntity)

  // A copy for the caller to free with kxad_free.
  wchar_t* layer() const;
  KxDbObjectId layerId() const;
  Kxad::ErrorStatus setLayer(const wchar_t* name);
  Kxad::ErrorStatus setLayer(KxDbObjectId layer);
  // 0 by block, 256 by layer, 1 to 255.
  std::uint16_t colorIndex() const;
  Kxad::ErrorStatus setColorIndex(std::uint16_t color);
  Kxad::ErrorStatus getGeomExtents(KxDbExtents& extents) const;
  // New entities, not in the drawing, that together draw what a block reference draws: its
  // block's entities transformed (attribute definitions included, its attributes not). Each
  // element is a KxDbEntity* for the caller. Other entities cannot be exploded this way.
  Kxad::ErrorStatus explode(KxDbVoidPtrArray& entities) const;

 protected:
  using KxDbObject::KxDbObject;
};

// Walks ids: the entities of a block, the attributes of a reference.
class KxDbObjectIterator {
 public:
  virtual ~KxDbObjectIterator() = default;
  virtual bool done() const = 0;
  virtual void step() = 0;
  virtual KxDbObjectId objectId() const = 0;
  virtual void start() = 0;
};

// Opens the object for read or write. Writing is refused for an entity on a locked layer
// (eOnLockedLayer); an erased object opens only with `openErased`.
Kxad::ErrorStatus kxdbOpenKxDbObject(KxDbObject*& object, KxDbObjectId id, KxDb::OpenMode mode,
                                     bool openErased = false);

template <typename T>
Kxad::ErrorStatus kxdbOpenObject(T*& object, KxDbObjectId id, KxDb::OpenMode mode,
                                 bool openErased = false) {
  object = nullptr;
  KxDbObject* opened = nullptr;
  const Kxad::ErrorStatus es = kxdbOpenKxDbObject(opened, id, mode, openErased);
  if (es != Kxad::eOk) return es;
  object = T::cast(opened);
  if (!object) {
    opened->close();
    return Kxad::eWrongObjectType;
  }
  return Kxad::eOk;
}

extern "C" {
int kxdbGetObjectId(KxDbObjectId& id, const kds_name entity);
int kxdbGetKdsName(kds_name entity, KxDbObjectId id);
}

class KxDbDatabase {
 public:
  KxDbObjectId blockTableId() const;
  KxDbObjectId layerTableId() const;
  KxDbObjectId groupDictionaryId() const;
  KxDbObjectId clayer() const;
  Kxad::ErrorStatus getBlockTable(KxDbBlockTable*& table, KxDb::OpenMode mode);
  Kxad::ErrorStatus getLayerTable(KxDbLayerTable*& table, KxDb::OpenMode mode);
  Kxad::ErrorStatus getGroupDictionary(KxDbDictionary*& dictionary, KxDb::OpenMode mode);
  // The drawing's identity for the host; the SDK never hands out copies.
  std::int64_t serial() const { return serial_; }
  explicit KxDbDatabase(std::int64_t serial) : serial_(serial) {}

 private:
  std::int64_t serial_;
};

class KxDbHostApplicationServices {
 public:
  KxDbDatabase* workingDatabase() const;
  // The per-user registry key of the host, under which modules keep their settings.
  const wchar_t* getUserProductRootKey() const;
};

extern "C" KxDbHostApplicationServices* kxdbHostApplicationServices();
