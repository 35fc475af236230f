#include "db/symbol_tables.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <optional>
#include <stdexcept>
#include <unordered_map>

#include <fmt/compile.h>
#include <fmt/format.h>

#include "db/object_fields.h"
#include "dxf/group_code.h"
#include "support/case_fold.h"

namespace kx::db {

bool sameTableName(std::string_view a, std::string_view b) {
  return kx::support::sameIgnoringAsciiCase(a, b);
}

bool sameTableName(std::wstring_view a, std::wstring_view b) {
  return kx::support::sameIgnoringCase(a, b);
}

std::string tableNameKey(std::string_view name) {
  return kx::support::asciiUpperCase(name);
}

namespace {

// Table type and name folded as sameTableName compares them, written into `key`.
void makeRecordKey(std::wstring& key, std::string_view type, std::wstring_view name) {
  key.resize(type.size() + 1 + name.size());
  wchar_t* out = std::copy(type.begin(), type.end(), key.data());
  *out++ = L'\0';
  for (const wchar_t c : name)
    *out++ = static_cast<wchar_t>(kx::support::toLowerCase(static_cast<char32_t>(c)));
}

// Commands look records up by name for every entity they touch (the layer's lock, the text's
// style), so the live records are indexed once for as long as no table record changes.
using RecordIndex = std::unordered_map<std::wstring, ObjectId>;

struct TableRecordIndex {
  std::optional<RecordIndex> records;
  std::wstring key;  // the key looked up last: a lookup allocates nothing once it is long enough
};

const RecordIndex& recordIndex(const Database& db) {
  std::optional<RecordIndex>& index = db.tablesCache<TableRecordIndex>().records;
  if (index) return *index;
  index.emplace();
  std::wstring key;
  if (const Section* tables = db.findSection("TABLES")) {
    for (const ObjectId id : tables->records) {
      const std::string_view type = db.typeName(id);
      if (db.isErased(id) || type == "TABLE" || type == "ENDTAB" || type == "SECTION" ||
          type == "ENDSEC")
        continue;
      // The first of two records with one name is the one found.
      makeRecordKey(key, type, FieldReader(db, id).string(2));
      index->emplace(key, id);
    }
  }
  return *index;
}

}  // namespace

ObjectId findTableRecord(const Database& db, std::string_view type, std::wstring_view name) {
  if (name.empty()) return {};
  const RecordIndex& index = recordIndex(db);
  std::wstring& key = db.tablesCache<TableRecordIndex>().key;
  makeRecordKey(key, type, name);
  const auto it = index.find(key);
  return it == index.end() ? ObjectId() : it->second;
}

std::vector<NewTag> identityTags(Database& db, ObjectId owner) {
  if (!db.headerText("$HANDSEED")) return {};
  // Asked for every object made: the format is compiled rather than parsed each time.
  return {{5, fmt::format(FMT_COMPILE("{:X}"), db.allocateHandle())},
          {330, fmt::format(FMT_COMPILE("{:X}"), db.handle(owner))}};
}

std::size_t bodyStart(const Database& db, ObjectId id) {
  const std::span<const Tag> tags = db.tags(id);
  const std::string_view type = db.typeName(id);
  std::size_t i = 1;
  int depth = 0;
  for (; i < tags.size(); ++i) {
    const int c = tags[i].code;
    if (c == 102) {
      depth = dxf::applicationDepthAfter(depth, db.text(tags[i]));
      continue;
    }
    if (depth > 0 || isHandleGroup(type, c) || c == 330) continue;
    break;
  }
  return std::min(i, tags.size());
}

namespace {

struct TableBounds {
  ObjectId table, end;
};

bool headsTable(const Database& db, ObjectId record, std::string_view type) {
  return db.isType(record, "TABLE") && FieldReader(db, record).rawText(2) == type;
}

// The TABLE record of `type` and its ENDTAB; null when the drawing has no such table.
TableBounds findTableBounds(const Database& db, std::string_view type) {
  TableBounds found;
  const int section = db.sectionIndex("TABLES");
  if (section < 0) return found;
  for (const ObjectId r : db.sections()[static_cast<std::size_t>(section)].records) {
    if (found.table.isNull() && headsTable(db, r, type)) {
      found.table = r;
    } else if (!found.table.isNull() && db.isType(r, "ENDTAB")) {
      found.end = r;
      break;
    }
  }
  return found;
}

// The TABLE records found, by table type: a command asks for the block table for every entity it
// adds. Each is checked to still head its table when it is used again.
struct TableHeads {
  std::vector<std::pair<std::string, ObjectId>> byType;
};

}  // namespace

ObjectId findTable(const Database& db, std::string_view type) {
  auto& heads = db.tablesCache<TableHeads>().byType;
  for (const auto& [headType, record] : heads)
    if (headType == type && headsTable(db, record, type)) return record;
  const ObjectId record = findTableBounds(db, type).table;
  if (!record.isNull()) heads.emplace_back(type, record);
  return record;
}

namespace {

void addToEntryCount(Database& db, ObjectId table, long long change) {
  ObjectFields tableFields(db, table);
  if (tableFields.locate(70))
    tableFields.setInteger(70, std::max(0LL, tableFields.integer(70) + change));
}

}  // namespace

ObjectId addTableRecord(Database& db, std::string_view type, const std::vector<NewTag>& body) {
  const int section = db.sectionIndex("TABLES");
  if (section < 0) throw std::invalid_argument("the drawing has no tables");
  const TableBounds bounds = findTableBounds(db, type);
  if (bounds.table.isNull() || bounds.end.isNull())
    throw std::invalid_argument(fmt::format("the drawing has no {} table", type));

  std::vector<NewTag> tags = identityTags(db, bounds.table);
  tags.insert(tags.end(), body.begin(), body.end());
  const ObjectId record = db.addRecord(section, bounds.end, type, tags);
  addToEntryCount(db, bounds.table, 1);
  return record;
}

void eraseTableRecord(Database& db, ObjectId record) {
  if (db.isErased(record)) return;
  db.setErased(record, true);
  const ObjectId table = findTable(db, db.typeName(record));
  if (!table.isNull()) addToEntryCount(db, table, -1);
}

}  // namespace kx::db
