// kxdbTblSearch and kxdbTblNext: the symbol tables as lists.

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "api/entity_list_codec.h"
#include "api/host_names.h"
#include "db/entities.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/group_code.h"
#include "kx/kxdb.h"
#include "support/case_fold.h"

namespace kx::api {
namespace {

// The record type of a table a module names; "BLOCK" is kept in BLOCK_RECORD.
std::optional<std::string> recordType(const wchar_t* table) {
  if (!table) return std::nullopt;
  std::string name;
  for (const wchar_t* p = table; *p; ++p) {
    if (*p > 0x7F) return std::nullopt;
    name += static_cast<char>(*p);
  }
  name = kx::support::asciiUpperCase(name);
  for (const char* t : {"LAYER", "LTYPE", "STYLE", "VIEW", "UCS", "VPORT", "APPID", "DIMSTYLE"})
    if (name == t) return name;
  if (name == "BLOCK") return std::string("BLOCK_RECORD");
  return std::nullopt;
}

bool isSpaceBlock(const db::Database& db, db::ObjectId record) {
  const std::wstring name = db::FieldReader(db, record).string(2);
  return db::sameTableName(name, std::wstring_view(L"*Model_Space")) ||
         db::sameTableName(name.substr(0, 12), std::wstring_view(L"*Paper_Space"));
}

// The live records of a table in file order; model and paper space are not blocks to a module.
std::vector<db::ObjectId> tableRecords(const db::Database& db, std::string_view type) {
  std::vector<db::ObjectId> out;
  const db::Section* tables = db.findSection("TABLES");
  if (!tables) return out;
  for (const db::ObjectId id : tables->records) {
    if (!db.isType(id, type) || db.isErased(id)) continue;
    if (type == "BLOCK_RECORD" && isSpaceBlock(db, id)) continue;
    out.push_back(id);
  }
  return out;
}

// Per drawing and table, the record kxdbTblNext gave last.
std::unordered_map<std::int64_t, std::map<std::string, db::ObjectId>>& cursors() {
  static std::unordered_map<std::int64_t, std::map<std::string, db::ObjectId>> c;
  return c;
}

resbuf* recordList(const db::Database& db, db::ObjectId record) {
  resbuf* head = nullptr;
  resbuf** tail = &head;
  auto append = [&](resbuf* rb) {
    *tail = rb;
    tail = &rb->next;
  };
  try {
    const std::string_view type = db.typeName(record);
    if (type == "BLOCK_RECORD") {
      const db::ObjectId begin = db::findBlockBegin(db, record);
      const db::FieldReader block(db, begin.isNull() ? record : begin);
      append(newListElement(0));
      head->value.string = newHostString(L"BLOCK");
      resbuf* name = newListElement(2);
      name->value.string = newHostString(db::FieldReader(db, record).string(2));
      append(name);
      resbuf* flags = newListElement(70);
      flags->value.int16 = static_cast<short>(begin.isNull() ? 0 : block.integer(70));
      append(flags);
      resbuf* base = newListElement(10);
      if (!begin.isNull()) {
        const db::Point3 p = block.point(10);
        base->value.point[0] = p.x;
        base->value.point[1] = p.y;
        base->value.point[2] = p.z;
      }
      append(base);
      const std::vector<db::ObjectId> entities = db::blockEntities(db, record);
      if (!entities.empty()) {
        resbuf* first = newListElement(-2);
        setName(first->value.name, db, entities.front());
        append(first);
      }
      return head;
    }
    append(newListElement(0));
    head->value.string = newHostString(db.codec().decode(type));
    const ObjectItems scan = scanItems(db, record);
    const std::span<const dxf::Tag> tags = db.tags(record);
    int braceDepth = 0;
    for (std::size_t i = 0; i < scan.items.size(); ++i) {
      const ListItem& item = scan.items[i];
      if (dxf::isExtendedData(item.code)) break;
      if (item.code == 102) {
        braceDepth = dxf::applicationDepthAfter(braceDepth, db.text(tags[item.first]));
        continue;
      }
      if (braceDepth > 0 || item.code == 100) continue;
      if (static_cast<std::ptrdiff_t>(i) == scan.handleItem ||
          static_cast<std::ptrdiff_t>(i) == scan.ownerItem)
        continue;
      append(itemValue(db, tags, item, listKindOf(type, false, item.code)));
    }
  } catch (...) {
    kxutRelRb(head);
    return nullptr;
  }
  return head;
}

}  // namespace
}  // namespace kx::api

using namespace kx;
using namespace kx::api;

extern "C" {

resbuf* kxdbTblSearch(const wchar_t* table, const wchar_t* name, int setNext) {
  editor::Document* doc = activeDocumentOrNull();
  const auto type = recordType(table);
  if (!doc || !type || !name) return nullptr;
  const db::Database& db = doc->db();
  const db::ObjectId record = db::findTableRecord(db, *type, name);
  if (record.isNull()) return nullptr;
  if (setNext) cursors()[db.serial()][*type] = record;
  return recordList(db, record);
}

resbuf* kxdbTblNext(const wchar_t* table, int rewind) {
  editor::Document* doc = activeDocumentOrNull();
  const auto type = recordType(table);
  if (!doc || !type) return nullptr;
  const db::Database& db = doc->db();
  db::ObjectId& cursor = cursors()[db.serial()][*type];
  const std::vector<db::ObjectId> records = tableRecords(db, *type);
  db::ObjectId next;
  if (rewind || cursor.isNull()) {
    if (!records.empty()) next = records.front();
  } else {
    // The cursor's record may have been erased since: go on after where it stood in the file.
    const auto& all = db.findSection("TABLES")->records;
    const auto at = std::find(all.begin(), all.end(), cursor);
    for (auto it = at == all.end() ? all.end() : at + 1; it != all.end(); ++it) {
      if (std::find(records.begin(), records.end(), *it) != records.end()) {
        next = *it;
        break;
      }
    }
  }
  if (next.isNull()) return nullptr;
  cursor = next;
  return recordList(db, next);
}
}
