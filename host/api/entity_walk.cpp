// Walking the drawing's entities, erasing them and finding them by handle.

#include <string>
#include <vector>

#include "api/entity_list_codec.h"
#include "api/host_names.h"
#include "api/object_state.h"
#include "db/entities.h"
#include "db/followers.h"
#include "db/groups.h"
#include "db/layers.h"
#include "dxf/number_syntax.h"
#include "kx/kxdb.h"

namespace kx::api {
namespace {

bool isWalked(const db::Database& db, db::ObjectId id) {
  const std::string_view t = db.typeName(id);
  return !db.isErased(id) && t != "SECTION" && t != "ENDSEC" && t != "BLOCK" && t != "ENDBLK";
}

}  // namespace
}  // namespace kx::api

using namespace kx;
using namespace kx::api;

extern "C" {

int kxdbEntDel(const kds_name entity) {
  const ResolvedObject r = resolveActive(entity);
  if (!r) return KXRT_ERROR;
  db::Database& db = r.document->db();
  if (db.isType(r.id, "GROUP")) {
    // A group is dissolved for good: asking again finds nothing to delete.
    if (db.isErased(r.id)) return KXRT_ERROR;
    db::dissolveGroup(db, r.id);
    return KXRT_NORM;
  }
  if (!isEntity(db, r.id) || db::isFollowerType(db.typeName(r.id))) return KXRT_ERROR;
  if (db::isOnLockedLayer(db, r.id)) return KXRT_ERROR;
  db::setEntityErased(db, r.id, !db.isErased(r.id));
  return KXRT_NORM;
}

int kxdbEntUpd(const kds_name entity) {
  const ResolvedObject r = resolveActive(entity);
  if (!r || r.document->db().isErased(r.id)) return KXRT_ERROR;
  return KXRT_NORM;
}

int kxdbEntNext(const kds_name entity, kds_name result) {
  editor::Document* doc = activeDocumentOrNull();
  if (!doc || !result) return KXRT_ERROR;
  const db::Database& db = doc->db();
  int section = db.sectionIndex("ENTITIES");
  std::size_t from = 0;
  if (entity && !kds_name_nil(entity)) {
    const ResolvedObject r = resolveActive(entity);
    if (!r) return KXRT_ERROR;
    const db::Database::Position at = db.position(r.id);
    section = at.section;
    if (section != db.sectionIndex("ENTITIES") && section != db.sectionIndex("BLOCKS"))
      return KXRT_ERROR;
    from = at.index + 1;
  }
  if (section < 0) return KXRT_ERROR;
  const auto& records = db.sections()[static_cast<std::size_t>(section)].records;
  for (std::size_t i = from; i < records.size(); ++i) {
    // Inside BLOCKS a walk ends with its block.
    if (db.isType(records[i], "ENDBLK")) break;
    if (!isWalked(db, records[i])) continue;
    setName(result, db, records[i]);
    return KXRT_NORM;
  }
  return KXRT_ERROR;
}

int kxdbEntLast(kds_name result) {
  editor::Document* doc = activeDocumentOrNull();
  if (!doc || !result) return KXRT_ERROR;
  const db::Database& db = doc->db();
  const db::Section* entities = db.findSection("ENTITIES");
  if (!entities) return KXRT_ERROR;
  for (auto it = entities->records.rbegin(); it != entities->records.rend(); ++it) {
    if (!isWalked(db, *it) || db::isFollowerType(db.typeName(*it))) continue;
    setName(result, db, *it);
    return KXRT_NORM;
  }
  return KXRT_ERROR;
}

int kxdbHandEnt(const wchar_t* handle, kds_name result) {
  editor::Document* doc = activeDocumentOrNull();
  if (!doc || !handle || !result) return KXRT_ERROR;
  std::string text;
  for (const wchar_t* p = handle; *p; ++p) {
    if (*p > 0x7F) return KXRT_ERROR;
    text += static_cast<char>(*p);
  }
  const auto value = dxf::parseHex(text);
  if (!value || *value == 0) return KXRT_ERROR;
  const db::Database& db = doc->db();
  const db::ObjectId id = db.findByHandle(*value);
  if (id.isNull() || db.isErased(id)) return KXRT_ERROR;
  setName(result, db, id);
  return KXRT_NORM;
}
}
