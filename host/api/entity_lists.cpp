// kxdbEntGet and kxdbEntMod: an object's groups as a list, and a list written back into them.

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "api/entity_list_codec.h"
#include "api/host_names.h"
#include "api/object_state.h"
#include "api/reported_groups.h"
#include "db/field_table.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "db/tag_reals.h"
#include "dxf/group_code.h"
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

// Where the identity elements of a list end: its name (-1) and type (0), then the handle (5) and
// owner (330) that kxdbEntGet lists after them.
const resbuf* skipIdentity(const resbuf* list) {
  while (list && (list->code == -1 || list->code == 0)) list = list->next;
  if (list && list->code == 5) list = list->next;
  if (list && list->code == 330) list = list->next;
  return list;
}

// The item of a value the list reports that the record does not store (a text's placed point).
constexpr std::ptrdiff_t kNoItem = -1;

// One element of an object's list: a stored group (an index into ObjectItems::items) or a group
// the record lacks that the list reports all the same (kNoItem).
struct ListElement {
  int code;
  std::uint32_t occurrence;  // earlier elements of the code
  std::ptrdiff_t item;       // in the record's scan, or kNoItem
  // Worked out with the layout, which is kept while the groups stay where they are: every list
  // read would otherwise ask the field tables again for every element.
  ListKind kind = ListKind::String;  // of a stored group
  std::int8_t reportedSlot = -1;     // the code's place among the reported codes, or -1
};

void countOccurrences(std::vector<ListElement>& layout) {
  // A count for every code a group can have: codes are 16 bits in the file and in the lists. The
  // counts outlive the call and are put back to zero at its end (lists are made on the command
  // thread only): clearing all of them for every list cost more than the counting.
  static_assert(sizeof(dxf::Tag::code) == sizeof(std::uint16_t));
  static std::array<std::uint32_t, 1 << 16> seen{};
  const auto slot = [](int code) { return static_cast<std::uint16_t>(code); };
  for (ListElement& e : layout) e.occurrence = seen[slot(e.code)]++;
  for (const ListElement& e : layout) seen[slot(e.code)] = 0;
}

// The elements of an object's list after its identity groups, in the order kxdbEntGet lists them
// and kxdbEntMod matches a list's elements to the record: the occurrence-th element of a code in
// one is the occurrence-th in the other. Groups in file order, except that the group a reported
// code stands for comes first among the groups of its code (an ATTDEF's text justification 72
// before the 72 of an attribute definition's later part), and a reported group the record lacks
// comes where its code first appears, or, when none has the code, before the extended data in
// the order of the reported codes.
std::vector<ListElement> listLayout(const db::Database& db, db::ObjectId id,
                                    const ObjectItems& scan, const ReportedGroups& reported) {
  std::vector<ListElement> stored;
  stored.reserve(scan.items.size());
  const std::string_view type = db.typeName(id);
  const bool graphical = isEntity(db, id);
  for (std::size_t i = 0; i < scan.items.size(); ++i) {
    if (static_cast<std::ptrdiff_t>(i) == scan.handleItem ||
        static_cast<std::ptrdiff_t>(i) == scan.ownerItem)
      continue;
    const int code = scan.items[i].code;
    stored.push_back({code, 0, static_cast<std::ptrdiff_t>(i), listKindOf(type, graphical, code)});
  }
  const std::size_t slots = reported.codes().size();
  if (slots == 0) {
    countOccurrences(stored);
    return stored;
  }
  // Where each reported code's own group is stored (where the reported codes were located holds
  // until the object's groups change), and in one pass over the groups, the first element of
  // each reported code and the element of its own group.
  std::array<std::optional<std::size_t>, 16> ownTag{};
  std::array<std::ptrdiff_t, 16> firstAt, ownAt;
  firstAt.fill(-1);
  ownAt.fill(-1);
  const bool locatedStillHolds = db.revision(id) == reported.revision();
  const db::FieldReader fields(db, id);
  for (std::size_t slot = 0; const int code : reported.codes()) {
    ownTag[slot] = locatedStillHolds ? reported.storedAt(slot) : fields.locate(code);
    ++slot;
  }
  for (std::size_t i = 0; i < stored.size(); ++i) {
    ListElement& e = stored[i];
    e.reportedSlot = static_cast<std::int8_t>(reported.indexOf(e.code));
    if (e.reportedSlot < 0) continue;
    const auto slot = static_cast<std::size_t>(e.reportedSlot);
    if (firstAt[slot] < 0) firstAt[slot] = static_cast<std::ptrdiff_t>(i);
    if (ownAt[slot] < 0 && ownTag[slot] &&
        scan.items[static_cast<std::size_t>(e.item)].first == *ownTag[slot])
      ownAt[slot] = static_cast<std::ptrdiff_t>(i);
  }
  std::vector<ListElement> out;
  out.reserve(stored.size() + slots);
  auto missing = [&](std::size_t slot) {
    out.push_back(
        {reported.codes()[slot], 0, kNoItem, ListKind::String, static_cast<std::int8_t>(slot)});
  };
  // Extended data ends every record and has no reported codes: it is listed as stored.
  const auto xdata = std::find_if(stored.begin(), stored.end(),
                                  [](const ListElement& e) { return dxf::isExtendedData(e.code); });
  const auto beforeXdata = static_cast<std::size_t>(xdata - stored.begin());
  for (std::size_t i = 0; i < beforeXdata; ++i) {
    const ListElement& e = stored[i];
    const auto at = static_cast<std::ptrdiff_t>(i);
    if (e.reportedSlot >= 0) {
      const auto slot = static_cast<std::size_t>(e.reportedSlot);
      if (firstAt[slot] == at) {
        if (!ownTag[slot])
          missing(slot);
        else if (ownAt[slot] > at)
          out.push_back(stored[static_cast<std::size_t>(ownAt[slot])]);
      } else if (ownAt[slot] == at) {
        continue;  // listed first among its code's elements
      }
    }
    out.push_back(e);
  }
  for (std::size_t slot = 0; slot < slots; ++slot)
    if (!ownTag[slot] && firstAt[slot] < 0) missing(slot);
  out.insert(out.end(), xdata, stored.end());
  countOccurrences(out);
  return out;
}

// What listing an object works out from its groups: its items, the groups it reports and the
// order of its list. Kept for the object's revision, so the kxdbEntMod that writes back a list
// just read compares against what the read worked out instead of reading every group again.
struct ListView {
  db::ObjectId id;
  std::uint32_t revision = 0;
  std::uint64_t groupPlaces = 0;  // the drawing's groupPlacesRevision() when worked out
  // An MTEXT reports its rotation in the current UCS.
  std::optional<editor::Ucs> ucs;
  ObjectItems scan;
  std::optional<ReportedGroups> reported;
  std::vector<ListElement> layout;
};

// The last object listed; symbol table changes (a text's style) drop it with the other lookups.
struct LastListView {
  std::shared_ptr<const ListView> view;
};

std::shared_ptr<const ListView> listView(const editor::Document& document, db::ObjectId id) {
  const db::Database& db = document.db();
  std::shared_ptr<const ListView>& last = db.tablesCache<LastListView>().view;
  if (last && last->id == id && last->revision == db.revision(id) &&
      (!last->ucs || *last->ucs == document.ucs()))
    return last;
  auto view = std::make_shared<ListView>();
  view->id = id;
  view->revision = db.revision(id);
  view->groupPlaces = db.groupPlacesRevision();
  if (db.typeName(id) == "MTEXT") view->ucs = document.ucs();
  // Values rewritten in place (a command writing back the list it read) leave the items, the list
  // order and where the reported groups are stored as they were; only the values are read again.
  const bool samePlaces = last && last->id == id && last->groupPlaces == view->groupPlaces;
  view->reported.emplace(document, id, samePlaces ? &*last->reported : nullptr);
  if (samePlaces) {
    view->scan = last->scan;
    view->layout = last->layout;
  } else {
    view->scan = scanItems(db, id);
    view->layout = listLayout(db, id, view->scan, *view->reported);
  }
  last = view;
  return view;
}

// Finds the position in a layout of the occurrence-th element with a code. A list written back
// as it was read names the layout's elements in order, so the search starts after the last one
// found.
class LayoutPlaces {
 public:
  explicit LayoutPlaces(const std::vector<ListElement>* layout) : layout_(layout) {}
  void use(const std::vector<ListElement>* layout) {
    layout_ = layout;
    next_ = 0;
  }
  const std::vector<ListElement>& layout() const { return *layout_; }

  std::optional<std::size_t> find(int code, std::size_t occurrence) {
    const std::vector<ListElement>& l = *layout_;
    for (std::size_t k = 0; k < l.size(); ++k) {
      const std::size_t i = (next_ + k) % l.size();
      if (l[i].code == code && l[i].occurrence == occurrence) {
        next_ = i + 1;
        return i;
      }
    }
    return std::nullopt;
  }

 private:
  const std::vector<ListElement>* layout_;
  std::size_t next_ = 0;
};

// Writes a point over an item, adding y or z when the item lacks them and the value needs them.
// Only the coordinates that change are written (and formatted). A flat point never gets a z.
void writePoint(db::Database& db, db::ObjectId id, const ListItem& item, const resbuf& rb,
                bool flat) {
  const std::span<const dxf::Tag> tags = db.tags(id);
  std::uint32_t present = item.count;
  for (std::uint32_t k = 0; k < (flat ? 2u : 3u); ++k) {
    if (k < present) {
      const auto stored = db::tagReal(db, tags[item.first + k]);
      if (stored != rb.value.point[k]) db::setTagReal(db, id, item.first + k, rb.value.point[k]);
    } else if (rb.value.point[k] != 0) {
      // A missing y before a needed z comes too.
      for (; present <= k; ++present)
        db.insertTag(id, item.first + present, item.code + 10 * static_cast<int>(present),
                     db::formatReal(rb.value.point[present]));
    }
  }
}

// Inserts a new group (one tag, or a point's tags, a flat point's without z) at `at`; returns how
// many tags went in.
std::size_t insertItem(db::Database& db, db::ObjectId id, std::size_t at, int code, ListKind kind,
                       const ValueTexts& texts, bool flat) {
  if (kind != ListKind::Point) {
    db.insertTag(id, at, code, texts[0]);
    return 1;
  }
  const bool withZ = !flat && (db.version().hasSubclassMarkers() || texts[2] != "0.0");
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

// Where an LWPOLYLINE keeps its vertices: from the first vertex's point to the last group of a
// vertex. Its codes (y left out, as a list leaves it out) say which groups each vertex has.
struct VertexRun {
  std::size_t first = 0;
  std::size_t count = 0;
  std::vector<int> codes;
};
VertexRun storedVertexRun(std::span<const dxf::Tag> tags) {
  VertexRun run;
  std::size_t i = 0;
  while (i < tags.size() && tags[i].code != 10) ++i;
  run.first = i;
  for (; i < tags.size() && (isVertexGroup(tags[i].code) || tags[i].code == 20); ++i)
    if (tags[i].code != 20) run.codes.push_back(tags[i].code);
  run.count = i - run.first;
  return run;
}

void syncVertexCount(db::Database& db, db::ObjectId id) {
  long long vertices = 0;
  for (const dxf::Tag& t : db.tags(id))
    if (t.code == 10) ++vertices;
  db::ObjectFields(db, id).setInteger(90, vertices);
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
    typeRb->value.string = newHostString(db.codec(), type);
    append(typeRb);

    const std::shared_ptr<const ListView> view = listView(*r.document, id);
    const ObjectItems& scan = view->scan;
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
    // An MTEXT's contents groups each show whole characters and codes, however they were cut.
    std::vector<text::ContentsPiece> contents;
    if (type == "MTEXT") contents = text::mtextContentsPieces(db, id);
    auto appendStored = [&](std::size_t i, ListKind kind) {
      const ListItem& item = scan.items[i];
      const auto piece =
          std::find_if(contents.begin(), contents.end(),
                       [&item](const text::ContentsPiece& p) { return p.tag == item.first; });
      if (piece != contents.end()) {
        resbuf* rb = newListElement(item.code);
        rb->value.string = newHostString(piece->text);
        append(rb);
        return;
      }
      append(itemValue(db, tags, item, kind));
    };
    const ReportedGroups& reported = *view->reported;
    std::array<bool, 16> listed{};  // a reported code's first element is the one it reports
    for (const ListElement& e : view->layout) {
      const bool firstOfCode =
          e.reportedSlot >= 0 &&
          !std::exchange(listed[static_cast<std::size_t>(e.reportedSlot)], true);
      const resbuf* value = firstOfCode ? reported.value(e.code) : nullptr;
      if (value) {
        resbuf* copy = newListElement(e.code);
        copy->value = value->value;
        if (storageOf(e.code) == Storage::String)
          copy->value.string = newHostString(value->value.string);
        append(copy);
      } else if (e.item != kNoItem) {
        appendStored(static_cast<std::size_t>(e.item), e.kind);
      }
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
  const bool graphical = isEntity(db, id);

  // Check everything before the first write, so a refused list changes nothing.
  for (const resbuf* rb = list->next; rb; rb = rb->next) {
    if (rb->code == 0) {
      if (!valueFits(db, *rb, ListKind::String)) return KXRT_ERROR;
      if (db.encode(rb->value.string) != type) return KXRT_ERROR;
      break;
    }
  }
  const resbuf* body = skipIdentity(list);
  // An MTEXT's contents are its chunks (3) and last part (1) of the list taken together.
  const bool isMText = type == "MTEXT";
  std::optional<std::wstring> contents;
  std::size_t elements = 0;
  for (const resbuf* rb = list; rb; rb = rb->next) ++elements;
  std::vector<Change> changes;
  changes.reserve(elements);
  std::vector<std::pair<int, std::size_t>> seen;  // occurrences per code so far
  seen.reserve(elements);
  auto occurrenceOf = [&seen](int code) {
    for (auto& [c, n] : seen)
      if (c == code) return n++;
    seen.emplace_back(code, 1);
    return std::size_t{0};
  };
  // The values the list reports, as they were before anything changes: an element that still
  // holds one is unchanged.
  const std::shared_ptr<const ListView> view = listView(*r.document, id);
  const ReportedGroups& reported = *view->reported;
  // The view's items and list order, until a write that adds groups moves them: then the
  // object's own, found again.
  const ObjectItems* scan = &view->scan;
  LayoutPlaces places(&view->layout);
  ObjectItems rescanned;
  std::vector<ListElement> relaid;
  auto findItemsAgain = [&] {
    rescanned = scanItems(db, id);
    relaid = listLayout(db, id, rescanned, reported);
    scan = &rescanned;
    places.use(&relaid);
  };
  // A list whose vertices have other groups than the stored ones (a bulge or width added or
  // dropped, a vertex more or less) has its vertices written as it gives them: groups of one code
  // that belong to different vertices cannot be matched by their count.
  const resbuf* runBegin = nullptr;
  const resbuf* runEnd = nullptr;
  VertexRun storedRun;
  if (type == "LWPOLYLINE") {
    std::vector<int> listed;
    for (const resbuf* rb = body; rb; rb = rb->next) {
      if (!runBegin && rb->code != 10) continue;
      if (!isVertexGroup(rb->code)) {
        runEnd = rb;
        break;
      }
      if (!runBegin) runBegin = rb;
      listed.push_back(rb->code);
    }
    storedRun = storedVertexRun(db.tags(id));
    if (runBegin && listed == storedRun.codes) runBegin = runEnd = nullptr;
  }
  bool inRun = false;
  // An MTEXT turned through its rotation is turned last, whatever else the list holds: the
  // direction (11) it may store is what a reader draws by, and has to follow.
  std::optional<double> mtextTurn;
  for (const resbuf* rb = body; rb; rb = rb->next) {
    if (rb->code == -1 || rb->code == 0) return KXRT_ERROR;  // identity groups come first
    if (storageOf(rb->code) == Storage::None) return KXRT_ERROR;
    const ListKind kind = listKindOf(type, graphical, rb->code);
    if (!valueFits(db, *rb, kind)) return KXRT_ERROR;
    if (isMText && (rb->code == 1 || rb->code == 3)) {
      contents = contents.value_or(L"") + rb->value.string;
      continue;
    }
    if (rb == runBegin) inRun = true;
    if (rb == runEnd) inRun = false;
    if (inRun) continue;  // written as a whole below
    const std::size_t occurrence = occurrenceOf(rb->code);
    const auto at = places.find(rb->code, occurrence);
    if (!at && !canHold(type, graphical, rb->code)) return KXRT_ERROR;
    // A placed value the list changes from the one stored is compared with the value the list
    // was read with: lay the text out for it now, before any group changes.
    if (occurrence == 0 && reported.isPlaced(rb->code)) {
      const std::ptrdiff_t item = at ? places.layout()[*at].item : kNoItem;
      if (item == kNoItem ||
          !sameValue(db, db.tags(id), scan->items[static_cast<std::size_t>(item)], kind, *rb))
        reported.settle();
    }
    if (isMText && rb->code == 50 && occurrence == 0) {
      if (!sameReportedValue(*reported.value(50), *rb)) mtextTurn = rb->value.real;
      continue;
    }
    changes.push_back({rb, kind, occurrence});
  }

  bool changed = false;
  // Whether a group changed that the text's line is laid out by: moving, turning or
  // re-justifying a text keeps its line, so it need not be laid out again to be re-placed.
  bool shapeMayHaveChanged = false;
  const std::uint32_t revisionBefore = db.revision(id);
  if (contents && *contents != text::mtextContents(db, id)) {
    text::setMTextContents(db, id, *contents);
    changed = true;
    findItemsAgain();
  }
  if (runBegin) {
    // Nothing has written to the polyline since its run was found.
    db.eraseTags(id, storedRun.first, storedRun.count);
    std::size_t at = storedRun.count > 0 ? storedRun.first : dxf::extendedDataStart(db.tags(id));
    for (const resbuf* rb = runBegin; rb != runEnd; rb = rb->next) {
      const ListKind kind = listKindOf(type, graphical, rb->code);
      at += insertItem(db, id, at, rb->code, kind, valueTexts(db, *rb, kind),
                       isFlatPoint(type, rb->code));
    }
    changed = true;
    findItemsAgain();
  }
  std::optional<std::size_t> anchor;  // last tag of the previous element, for new groups
  // Items are found again only after a write that added tags and so moved the ones after them,
  // and only for an element the object already holds: a group that was missing before the
  // insertions is missing after them too (each added group was an element of its own), so a
  // text given its alignment point and modes as new groups is not scanned again between them.
  std::size_t scannedTags = db.tags(id).size();
  for (const Change& c : changes) {
    const int code = c.rb->code;
    auto at = places.find(code, c.occurrence);
    if (at && places.layout()[*at].item != kNoItem && db.tags(id).size() != scannedTags) {
      findItemsAgain();
      scannedTags = db.tags(id).size();
      at = places.find(code, c.occurrence);
    }
    const std::span<const dxf::Tag> tags = db.tags(id);
    const std::ptrdiff_t itemIndex = at ? places.layout()[*at].item : kNoItem;
    // An element holding the stored value changes nothing; one holding the reported value
    // (the value the list was read with) does not either.
    const bool sameAsStored =
        itemIndex != kNoItem &&
        sameValue(db, tags, scan->items[static_cast<std::size_t>(itemIndex)], c.kind, *c.rb);
    if (c.occurrence == 0 && !sameAsStored) {
      if (const resbuf* value = reported.value(code); value && sameReportedValue(*value, *c.rb)) {
        if (itemIndex != kNoItem) {
          const ListItem& item = scan->items[static_cast<std::size_t>(itemIndex)];
          anchor = item.first + item.count - 1;
        }
        continue;
      }
    }
    if (itemIndex != kNoItem) {
      const ListItem item = scan->items[static_cast<std::size_t>(itemIndex)];
      if (!sameAsStored) {
        const std::size_t sizeBefore = tags.size();
        if (c.kind == ListKind::Point) {
          writePoint(db, id, item, *c.rb, isFlatPoint(type, code));
        } else {
          db.setText(id, item.first, valueTexts(db, *c.rb, c.kind)[0]);
        }
        changed = true;
        shapeMayHaveChanged |= !text::keepsLineLayout(code);
        anchor = item.first + item.count - 1 + (db.tags(id).size() - sizeBefore);
      } else {
        anchor = item.first + item.count - 1;
      }
      continue;
    }
    // A group the object does not have yet: a field goes into the subclass part where DXF keeps
    // it, anything else after the element before it.
    const ValueTexts texts = valueTexts(db, *c.rb, c.kind);
    const std::size_t sizeBefore = tags.size();
    if (c.occurrence == 0 && db::findField(type, code).field) {
      insertField(db, id, *c.rb, c.kind);
      const std::size_t grown = db.tags(id).size() - sizeBefore;
      if (const auto placed = db::FieldReader(db, id).locate(code))
        if (anchor && *placed <= *anchor) *anchor += grown;
    } else {
      std::size_t position;
      const std::size_t xdata = dxf::extendedDataStart(tags);
      if (dxf::isExtendedData(code)) {
        position = anchor && *anchor + 1 >= xdata ? *anchor + 1 : tags.size();
      } else {
        position = anchor ? std::min(*anchor + 1, xdata) : xdata;
      }
      const std::size_t n =
          insertItem(db, id, position, code, c.kind, texts, isFlatPoint(type, code));
      anchor = position + n - 1;
    }
    changed = true;
    // A missing alignment point, rotation or mode added places the line as a rewritten one does.
    shapeMayHaveChanged |= !text::keepsLineLayout(code);
  }
  // A turn keeps an MTEXT's measured size: on its own it needs nothing worked out again.
  if (mtextTurn) setMTextRotationInUcs(*r.document, id, *mtextTurn);
  if (!changed) return KXRT_NORM;

  if (type == "LWPOLYLINE") syncVertexCount(db, id);
  if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
    if (shapeMayHaveChanged)
      text::updateTextPosition(db, id);
    else
      text::updateMovedTextPosition(db, id, revisionBefore);
  } else if (isMText) {
    text::updateMTextExtents(db, id);
  }
  return KXRT_NORM;
}
}
