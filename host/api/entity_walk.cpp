// Walking the drawing's entities, erasing them and finding them by handle.

#include <string>
#include <vector>

#include "api/entity_list_codec.h"
#include "api/host_names.h"
#include "db/entities.h"
#include "db/layers.h"
#include "dxf/number_syntax.h"
#include "kx/kxdb.h"

namespace kx::api {
namespace {

bool isFollower(std::string_view type) {
  return type == "ATTRIB" || type == "VERTEX" || type == "SEQEND";
}

bool isWalked(const db::Database& db, db::ObjectId id) {
  const std::string_view t = db.typeName(id);
  return !db.isErased(id) && t != "SECTION" && t != "ENDSEC" && t != "BLOCK" && t != "ENDBLK";
}

// Where each record sits in its section, so a walk over a big drawing is linear, not quadratic.
// Rebuilt when the drawing or the section's length changes (records are only ever added).
struct Positions {
  std::int64_t serial = 0;
  int section = -1;
  std::size_t length = 0;
  std::vector<std::uint32_t> at;  // by object index; npos when not in the section
};

std::optional<std::size_t> positionIn(const db::Database& db, int section, db::ObjectId id) {
  static thread_local Positions cache;
  const auto& records = db.sections()[static_cast<std::size_t>(section)].records;
  if (cache.serial != db.serial() || cache.section != section || cache.length != records.size() ||
      cache.at.size() < db.objectCount()) {
    cache = {db.serial(), section, records.size(), {}};
    cache.at.assign(db.objectCount(), 0xFFFFFFFFu);
    for (std::size_t i = 0; i < records.size(); ++i)
      cache.at[records[i].index()] = static_cast<std::uint32_t>(i);
  }
  const std::uint32_t p = id.index() < cache.at.size() ? cache.at[id.index()] : 0xFFFFFFFFu;
  if (p == 0xFFFFFFFFu || p >= records.size() || records[p] != id) return std::nullopt;
  return p;
}

int sectionOf(const db::Database& db, db::ObjectId id) {
  for (const char* name : {"ENTITIES", "BLOCKS"}) {
    const int s = db.sectionIndex(name);
    if (s >= 0 && positionIn(db, s, id)) return s;
  }
  return -1;
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
  if (!isGraphical(db, r.id) || isFollower(db.typeName(r.id))) return KXRT_ERROR;
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
    section = sectionOf(db, r.id);
    if (section < 0) return KXRT_ERROR;
    from = *positionIn(db, section, r.id) + 1;
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
    if (!isWalked(db, *it) || isFollower(db.typeName(*it))) continue;
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
