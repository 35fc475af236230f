#include "db/layers.h"

#include <string>
#include <unordered_map>

#include "db/header_values.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"

namespace kx::db {

bool isLayerLocked(const Database& db, std::wstring_view layer) {
  const ObjectId record = findTableRecord(db, "LAYER", layer);
  if (record.isNull()) return false;
  return FieldReader(db, record).integer(70) & 4;
}

std::wstring currentLayer(const Database& db) {
  std::wstring name = headerString(db, "$CLAYER").value_or(L"");
  if (findTableRecord(db, "LAYER", name).isNull()) return L"0";
  return name;
}

namespace {

// Layer flags by the layer name as entities write it.
struct LayerFlags {
  std::unordered_map<std::string, long long> byName;
};

}  // namespace

long long entityLayerFlags(const Database& db, ObjectId entity) {
  // Asked before every change to an entity: the answer per layer name as written is kept while no
  // table record changes.
  auto& flags = db.tablesCache<LayerFlags>().byName;
  const FieldReader fields(db, entity);
  const std::optional<std::string_view> raw = fields.rawText(8);
  std::string key(raw ? *raw : "0");
  if (const auto it = flags.find(key); it != flags.end()) return it->second;
  const ObjectId record = findTableRecord(db, "LAYER", raw ? fields.string(8) : std::wstring(L"0"));
  const long long value = record.isNull() ? 0 : FieldReader(db, record).integer(70);
  return flags.emplace(std::move(key), value).first->second;
}

bool isLayerInUse(const Database& db, std::wstring_view name) {
  for (const char* section : {"ENTITIES", "BLOCKS"}) {
    const Section* s = db.findSection(section);
    if (!s) continue;
    for (const ObjectId id : s->records) {
      if (db.isErased(id) || db.isType(id, "BLOCK") || db.isType(id, "ENDBLK")) continue;
      const FieldReader fields(db, id);
      if (fields.locate(8) && sameTableName(fields.string(8), name)) return true;
    }
  }
  return false;
}

ObjectId addLayer(Database& db, std::wstring_view name) {
  std::vector<NewTag> record;
  if (db.version().hasSubclassMarkers()) {
    record.push_back({100, "AcDbSymbolTableRecord"});
    record.push_back({100, "AcDbLayerTableRecord"});
  }
  record.insert(record.end(), {{2, db.encode(name)}, {70, "0"}, {62, "7"}, {6, "Continuous"}});
  return addTableRecord(db, "LAYER", record);
}

void setLayerLocked(Database& db, ObjectId layerRecord, bool locked) {
  ObjectFields fields(db, layerRecord);
  const long long flags = fields.integer(70);
  const long long changed = locked ? (flags | 4) : (flags & ~4LL);
  if (changed != flags) fields.setInteger(70, changed);
}

}  // namespace kx::db
