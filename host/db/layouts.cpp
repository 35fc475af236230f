#include "db/layouts.h"

#include "db/entities.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/number_syntax.h"

namespace kx::db {

namespace {

template <typename Found>
void forEachLayout(const Database& db, Found&& found) {
  const Section* objects = db.findSection("OBJECTS");
  if (!objects) return;
  for (const ObjectId id : objects->records) {
    if (!db.isType(id, "LAYOUT") || db.isErased(id)) continue;
    const FieldReader layout(db, id);
    const auto block = layout.rawText(330, "AcDbLayout");
    const std::uint64_t handle = block ? dxf::parseHex(*block).value_or(0) : 0;
    const ObjectId space = handle ? db.findByHandle(handle) : ObjectId();
    if (found(layout.string(1, "AcDbLayout"), space)) return;
  }
}

}  // namespace

ObjectId findLayoutBlock(const Database& db, std::wstring_view name) {
  if (sameTableName(name, std::wstring_view(L"Model"))) return findBlockRecord(db, "*Model_Space");
  ObjectId out;
  forEachLayout(db, [&](const std::wstring& layout, ObjectId space) {
    if (!sameTableName(std::wstring_view(layout), name)) return false;
    out = space;
    return true;
  });
  return out;
}

std::wstring layoutNameOf(const Database& db, ObjectId block) {
  std::wstring out;
  forEachLayout(db, [&](const std::wstring& layout, ObjectId space) {
    if (space != block || layout.empty()) return false;
    out = layout;
    return true;
  });
  return out;
}

}  // namespace kx::db
