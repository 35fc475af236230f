#include "db/class_entries.h"

#include <string>
#include <vector>

#include "db/object_fields.h"
#include "db/symbol_tables.h"

namespace kx::db {

void ensureClassEntry(Database& db, std::string_view dxfName, std::string_view className,
                      std::string_view application, int proxyFlags, bool isEntity) {
  const int section = db.sectionIndex("CLASSES");
  if (section < 0) return;
  const Section& classes = db.sections()[static_cast<std::size_t>(section)];
  for (ObjectId id : classes.records) {
    if (!db.isType(id, "CLASS")) continue;
    const auto name = FieldReader(db, id).rawText(1);
    if (name && sameTableName(*name, dxfName)) return;
  }
  const std::vector<NewTag> tags = {{1, std::string(dxfName)},
                                    {2, std::string(className)},
                                    {3, std::string(application)},
                                    {90, std::to_string(proxyFlags)},
                                    {91, "0"},
                                    {280, "0"},
                                    {281, isEntity ? "1" : "0"}};
  db.addRecord(section, {}, "CLASS", tags);
}

}  // namespace kx::db
