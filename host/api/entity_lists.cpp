// kxdbEntGet and kxdbEntMod: an object's groups as a list, and a list written back into them.

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "api/entity_list_codec.h"
#include "api/host_names.h"
#include "api/implied_groups.h"
#include "db/field_table.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "dxf/number_syntax.h"
#include "kx/kxdb.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace kx::api {
namespace {

bool isStructural(std::string_view type) {
  return type == "SECTION" || type == "ENDSEC" || type == "EOF" || type.empty();
}

// One list element matched to the object's groups.
struct Change {
  const resbuf* rb;
  ListKind kind;
  std::size_t occurrence;  // the element is the occurrence-th of its code in the list
};

// Where the identity elements (-1, 0 and the leading 5 and 330) of a list end.
const resbuf* skipIdentity(const resbuf* list) {
  bool handleSeen = false, ownerSeen = false;
  for (; list; list = list->next) {
    if (list->code == -1 || list->code == 0) continue;
    if (list->code == 5 && !handleSeen) {
      handleSeen = true;
      continue;
    }
    if (list->code == 330 && !ownerSeen) {
      ownerSeen = true;
      continue;
    }
    break;
  }
  return list;
}

// The index into `items` of the occurrence-th item with `code`, identity items left out.
std::optional<std::size_t> findOccurrence(const ObjectItems& scan, int code,
                                          std::size_t occurrence) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < scan.items.size(); ++i) {
    if (static_cast<std::ptrdiff_t>(i) == scan.handleItem ||
        static_cast<std::ptrdiff_t>(i) == scan.ownerItem)
      continue;
    if (scan.items[i].code != code) continue;
    if (seen++ == occurrence) return i;
  }
  return std::nullopt;
}

std::size_t xdataStart(std::span<const dxf::Tag> tags) {
  for (std::size_t i = 1; i < tags.size(); ++i)
    if (tags[i].code >= 1000) return i;
  return tags.size();
}

// Writes a point over an item, adding y or z when the item lacks them and the value needs them.
void writePoint(db::Database& db, db::ObjectId id, const ListItem& item,
                const std::vector<std::string>& texts, const resbuf& rb) {
  const std::span<const dxf::Tag> tags = db.tags(id);
  std::uint32_t present = item.count;
  for (std::uint32_t k = 0; k < 3; ++k) {
    if (k < present) {
      const auto stored = dxf::parseReal(db.text(tags[item.first + k]));
      if (stored != rb.value.point[k]) db.setText(id, item.first + k, texts[k]);
    } else if (rb.value.point[k] != 0) {
      // A missing y before a needed z comes too.
      for (; present <= k; ++present)
        db.insertTag(id, item.first + present, item.code + 10 * static_cast<int>(present),
                     texts[present]);
    }
  }
}

// Inserts a new group (one tag, or a point's tags) at `at`; returns how many tags went in.
std::size_t insertItem(db::Database& db, db::ObjectId id, std::size_t at, int code, ListKind kind,
                       const std::vector<std::string>& texts) {
  if (kind != ListKind::Point) {
    db.insertTag(id, at, code, texts[0]);
    return 1;
  }
  const bool withZ = db.version().hasSubclassMarkers() || texts[2] != "0.0";
  db.insertTag(id, at, code, texts[0]);
  db.insertTag(id, at + 1, code + 10, texts[1]);
  if (withZ) db.insertTag(id, at + 2, code + 20, texts[2]);
  return withZ ? 3 : 2;
}

// Adds the first group of a code the tables place, where a CAD program writes it.
void insertField(db::Database& db, db::ObjectId id, const resbuf& rb, ListKind kind) {
  db::ObjectFields fields(db, id);
  const int code = rb.code;
  switch (kind) {
    case ListKind::Point:
      fields.setPoint(code, {rb.value.point[0], rb.value.point[1], rb.value.point[2]});
      return;
    default:
      fields.setRawText(code, valueTexts(db, rb, kind)[0]);
  }
}

void syncVertexCount(db::Database& db, db::ObjectId id) {
  long long vertices = 0;
  for (const dxf::Tag& t : db.tags(id))
    if (t.code == 10) ++vertices;
  db::ObjectFields(db, id).setInteger(90, vertices);
}

// A justified text's insertion point as the host places it: handed out instead of what the file
// holds, and taken back as no change.
std::optional<geom::Vec3> placedTextInsertion(const db::Database& db, db::ObjectId id,
                                              std::string_view type) {
  if (type != "TEXT" && type != "ATTDEF" && type != "ATTRIB") return std::nullopt;
  return text::placedInsertion(db, id);
}

bool isPlacedInsertion(const db::Database& db, db::ObjectId id, std::string_view type,
                       const resbuf& rb) {
  if (rb.code != 10) return false;
  const auto placed = placedTextInsertion(db, id, type);
  return placed && placed->x == rb.value.point[0] && placed->y == rb.value.point[1] &&
         placed->z == rb.value.point[2];
}

std::string joinedContents(const db::Database& db, db::ObjectId id) {
  std::string bytes;
  std::string last;
  for (const ListItem& item : scanItems(db, id).items) {
    const dxf::Tag& t = db.tags(id)[item.first];
    if (item.code == 3) bytes += db.text(t);
    if (item.code == 1) {
      last = db.text(t);
      break;
    }
  }
  return bytes + last;
}

}  // namespace

}  // namespace kx::api

using namespace kx;
using namespace kx::api;

extern "C" {

resbuf* kxdbEntGet(const kds_name entity) {
  const ResolvedObject r = resolve(entity);
  if (!r) return nullptr;
  const db::Database& db = r.document->db();
  const db::ObjectId id = r.id;
  const std::string_view type = db.typeName(id);
  if (db.isErased(id) || isStructural(type)) return nullptr;

  resbuf* head = nullptr;
  resbuf** tail = &head;
  auto append = [&](resbuf* rb) {
    *tail = rb;
    tail = &rb->next;
  };
  try {
    resbuf* name = newListElement(-1);
    setName(name->value.name, db, id);
    append(name);
    resbuf* typeRb = newListElement(0);
    typeRb->value.string = newHostString(db.codec().decode(type));
    append(typeRb);

    const ObjectItems scan = scanItems(db, id);
    const std::span<const dxf::Tag> tags = db.tags(id);
    if (scan.handleItem >= 0) {
      resbuf* handle = newListElement(5);
      handle->value.string = newHostString(db, tags[scan.items[scan.handleItem].first]);
      append(handle);
    }
    const db::ObjectId owner = db.owner(id);
    if (db::hasIdentity(type) && (scan.ownerItem >= 0 || !owner.isNull())) {
      resbuf* ownerRb = newListElement(330);
      if (!owner.isNull()) setName(ownerRb->value.name, db, owner);
      append(ownerRb);
    }
    const bool graphical = isGraphical(db, id);
    for (std::size_t i = 0; i < scan.items.size(); ++i) {
      if (static_cast<std::ptrdiff_t>(i) == scan.handleItem ||
          static_cast<std::ptrdiff_t>(i) == scan.ownerItem)
        continue;
      const ListItem& item = scan.items[i];
      append(itemValue(db, tags, item, listKindOf(type, graphical, item.code)));
    }
    for (int code : impliedCodes(type))
      if (!findOccurrence(scan, code, 0)) append(impliedEntry(db, id, type, code));
    if (const auto placed = placedTextInsertion(db, id, type))
      for (resbuf* rb = head; rb; rb = rb->next)
        if (rb->code == 10) {
          rb->value.point[0] = placed->x;
          rb->value.point[1] = placed->y;
          rb->value.point[2] = placed->z;
          break;
        }
  } catch (...) {
    kxutRelRb(head);
    return nullptr;
  }
  return head;
}

int kxdbEntMod(const resbuf* list) {
  if (!list || list->code != -1) return KXRT_ERROR;
  const ResolvedObject r = resolveActive(list->value.name);
  if (!r) return KXRT_ERROR;
  db::Database& db = r.document->db();
  const db::ObjectId id = r.id;
  const std::string type(db.typeName(id));
  if (db.isErased(id) || isStructural(type)) return KXRT_ERROR;
  if (db::isOnLockedLayer(db, id)) return KXRT_ERROR;
  const bool graphical = isGraphical(db, id);

  // Check everything before the first write, so a refused list changes nothing.
  for (const resbuf* rb = list->next; rb; rb = rb->next) {
    if (rb->code == 0) {
      if (!valueFits(db, *rb, ListKind::String)) return KXRT_ERROR;
      if (db.encode(rb->value.string) != type) return KXRT_ERROR;
      break;
    }
  }
  const resbuf* body = skipIdentity(list);
  std::vector<Change> changes;
  std::vector<std::pair<int, std::size_t>> seen;  // occurrences per code so far
  auto occurrenceOf = [&seen](int code) {
    for (auto& [c, n] : seen)
      if (c == code) return n++;
    seen.emplace_back(code, 1);
    return std::size_t{0};
  };
  ObjectItems scan = scanItems(db, id);
  // An MTEXT turned through its rotation is turned last, whatever else the list holds: the
  // direction (11) it may store is what a reader draws by, and has to follow.
  std::optional<double> mtextTurn;
  for (const resbuf* rb = body; rb; rb = rb->next) {
    if (rb->code == -1 || rb->code == 0) return KXRT_ERROR;  // identity groups come first
    if (storageOf(rb->code) == Storage::None) return KXRT_ERROR;
    const ListKind kind = listKindOf(type, graphical, rb->code);
    if (!valueFits(db, *rb, kind)) return KXRT_ERROR;
    const std::size_t occurrence = occurrenceOf(rb->code);
    const auto stored = findOccurrence(scan, rb->code, occurrence);
    if (!stored && !canHold(type, graphical, rb->code)) return KXRT_ERROR;
    if (type == "MTEXT" && rb->code == 50 && occurrence == 0) {
      // A rotation worked out from the direction is the same one whole turns away.
      const bool same = stored
                            ? sameValue(db, db.tags(id), scan.items[*stored], kind, *rb)
                            : std::fabs(std::remainder(rb->value.real - text::mtextRotation(db, id),
                                                       2 * std::numbers::pi)) < 1e-12;
      if (!same) mtextTurn = rb->value.real;
      continue;
    }
    changes.push_back({rb, kind, occurrence});
  }

  bool changed = false, contentsChanged = false;
  std::optional<std::size_t> anchor;  // last tag of the previous element, for new groups
  // Items are found again only after a write, which may regroup the tags.
  bool rescan = false;
  for (const Change& c : changes) {
    const int code = c.rb->code;
    if (rescan) scan = scanItems(db, id);
    rescan = true;
    const std::span<const dxf::Tag> tags = db.tags(id);
    if (const auto at = findOccurrence(scan, code, c.occurrence)) {
      const ListItem item = scan.items[*at];
      if (!sameValue(db, tags, item, c.kind, *c.rb) && !isPlacedInsertion(db, id, type, *c.rb)) {
        const std::vector<std::string> texts = valueTexts(db, *c.rb, c.kind);
        const std::size_t sizeBefore = tags.size();
        if (c.kind == ListKind::Point) {
          writePoint(db, id, item, texts, *c.rb);
        } else {
          db.setText(id, item.first, texts[0]);
        }
        changed = true;
        contentsChanged |= code == 1 || code == 3;
        anchor = item.first + item.count - 1 + (db.tags(id).size() - sizeBefore);
      } else {
        anchor = item.first + item.count - 1;
        rescan = false;
      }
      continue;
    }
    // A group the object does not have yet; one the host reported on its own is added only when
    // its value changed.
    if (c.occurrence == 0) {
      std::unique_ptr<resbuf, int (*)(resbuf*)> implied(impliedEntry(db, id, type, code),
                                                        kxutRelRb);
      if (implied && sameImpliedValue(*implied, *c.rb)) continue;
    }
    const std::vector<std::string> texts = valueTexts(db, *c.rb, c.kind);
    const std::size_t sizeBefore = tags.size();
    if (c.occurrence == 0 && code < 1000 && db::findField(type, code).field) {
      insertField(db, id, *c.rb, c.kind);
      const auto at = findOccurrence(scanItems(db, id), code, 0);
      const std::size_t grown = db.tags(id).size() - sizeBefore;
      if (at) {
        const ListItem item = scanItems(db, id).items[*at];
        if (anchor && item.first <= *anchor) *anchor += grown;
      }
    } else {
      std::size_t position;
      const std::size_t xdata = xdataStart(tags);
      if (code >= 1000) {
        position = anchor && *anchor + 1 >= xdata ? *anchor + 1 : tags.size();
      } else if (anchor && *anchor + 1 <= xdata) {
        position = *anchor + 1;
      } else {
        position = xdata;
      }
      const std::size_t n = insertItem(db, id, position, code, c.kind, texts);
      anchor = position + n - 1;
    }
    changed = true;
    contentsChanged |= code == 1 || code == 3;
  }
  if (mtextTurn) {
    text::setMTextRotation(db, id, *mtextTurn);
    changed = true;
  }
  if (!changed) return KXRT_NORM;

  if (type == "LWPOLYLINE") syncVertexCount(db, id);
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    text::updateTextPosition(db, id);
  } else if (type == "MTEXT") {
    if (contentsChanged) text::setMTextContents(db, id, db.codec().decode(joinedContents(db, id)));
    text::updateMTextExtents(db, id);
  }
  return KXRT_NORM;
}
}
