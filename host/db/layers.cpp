#include "db/layers.h"

#include "db/object_fields.h"
#include "db/symbol_tables.h"

namespace kx::db {

bool isLayerLocked(const Database& db, std::wstring_view layer) {
  const ObjectId record = findTableRecord(db, "LAYER", layer);
  if (record.isNull()) return false;
  return FieldReader(db, record).integer(70) & 4;
}

bool isOnLockedLayer(const Database& db, ObjectId entity) {
  const FieldReader fields(db, entity);
  const std::wstring layer = fields.rawText(8) ? fields.string(8) : std::wstring(L"0");
  return isLayerLocked(db, layer);
}

}  // namespace kx::db
