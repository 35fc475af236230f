#pragma once
// Blocks, block references and layers.

#include "kx/kxdbobject.h"

class KxDbBlockTableRecord;
class KxDbLayerTableRecord;
class KxDbSortentsTable;

class KxDbBlockReference : public KxDbEntity {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbBlockReference)
  KxGePoint3d position() const;
  Kxad::ErrorStatus setPosition(const KxGePoint3d& p);
  KxDbObjectId blockTableRecord() const;
  double rotation() const;
  KxGeVector3d normal() const;
  // The ATTRIBs that follow the reference; the caller deletes the iterator.
  KxDbObjectIterator* attributeIterator() const;

 protected:
  using KxDbEntity::KxDbEntity;
};

class KxDbSymbolTableRecord : public KxDbObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbSymbolTableRecord)
  const wchar_t* nameConst() const;

 protected:
  using KxDbObject::KxDbObject;
};

class KxDbSymbolTable : public KxDbObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbSymbolTable)
  bool has(const wchar_t* name) const;
  Kxad::ErrorStatus getAt(const wchar_t* name, KxDbObjectId& id, bool getErased = false) const;

 protected:
  using KxDbObject::KxDbObject;
};

class KxDbBlockTable : public KxDbSymbolTable {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbBlockTable)
  using KxDbSymbolTable::getAt;
  Kxad::ErrorStatus getAt(const wchar_t* name, KxDbBlockTableRecord*& record, KxDb::OpenMode mode,
                          bool openErased = false) const;

 protected:
  using KxDbSymbolTable::KxDbSymbolTable;
};

class KxDbBlockTableRecord : public KxDbSymbolTableRecord {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbBlockTableRecord)
  // The caller deletes the iterator; erased entities are skipped.
  KxDbObjectIterator* newIterator() const;
  bool explodable() const;
  bool hasAttributeDefinitions() const;
  KxGePoint3d origin() const;
  // The references of this block: with `directOnly` those in model or paper space and in other
  // blocks alike (each INSERT naming it); without, also the references of every block that holds
  // such a reference, up to the spaces (a reference through nesting counts once per path).
  Kxad::ErrorStatus getBlockReferenceIds(KxDbObjectIdArray& ids, bool directOnly = true) const;
  // Adds a new entity at the end of the block; the entity stays open for write for its maker.
  Kxad::ErrorStatus appendKxDbEntity(KxDbObjectId& id, KxDbEntity* entity);
  Kxad::ErrorStatus appendKxDbEntity(KxDbEntity* entity);
  Kxad::ErrorStatus getSortentsTable(KxDbSortentsTable*& table, KxDb::OpenMode mode,
                                     bool createIfNotFound = false);

 protected:
  using KxDbSymbolTableRecord::KxDbSymbolTableRecord;
};

class KxDbLayerTable : public KxDbSymbolTable {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbLayerTable)
  using KxDbSymbolTable::getAt;
  Kxad::ErrorStatus getAt(const wchar_t* name, KxDbLayerTableRecord*& record,
                          KxDb::OpenMode mode) const;

 protected:
  using KxDbSymbolTable::KxDbSymbolTable;
};

class KxDbLayerTableRecord : public KxDbSymbolTableRecord {
 public:
  KX_RX_DECLARE_MEMBERS(KxDbLayerTableRecord)
  bool isLocked() const;
  Kxad::ErrorStatus setIsLocked(bool locked);
  std::uint16_t colorIndex() const;

 protected:
  using KxDbSymbolTableRecord::KxDbSymbolTableRecord;
};
