// kxdbEntMake and kxdbEntMakeX: a new object from an entity list. Modules often give only the
// groups they care about and no subclass markers, so each group is put into its subclass part
// here and the groups the type needs get their defaults.

#include <algorithm>
#include <bitset>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "api/entity_list_codec.h"
#include "api/host_names.h"
#include "api/reported_groups.h"
#include "db/entities.h"
#include "db/field_table.h"
#include "db/header_values.h"
#include "db/layers.h"
#include "db/layouts.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "dxf/group_code.h"
#include "kx/kxdb.h"
#include "support/case_fold.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace kx::api {
namespace {

bool isMakeableEntity(std::string_view type) {
  for (std::string_view t : {"TEXT", "MTEXT", "CIRCLE", "LINE", "ARC", "LWPOLYLINE", "SOLID",
                             "3DFACE", "POINT", "INSERT", "ATTDEF"})
    if (t == type) return true;
  return false;
}

bool isMakeableObject(std::string_view type) {
  return type == "DICTIONARY" || type == "GROUP" || type == "XRECORD";
}

bool validTableName(std::wstring_view name) {
  if (name.empty()) return false;
  return name.find_first_of(L"<>/\\\":;?*|=`") == std::wstring_view::npos;
}

struct Element {
  const resbuf* rb;
  ListKind kind;
  std::size_t part = 0;
  double rank = 0;
};

// Where in its part a group goes that is not a single group the tables know (those go in table
// order): groups that repeat (dictionary entries, vertices) and groups of no table keep the list's
// order, as one run after the single groups. A polyline's vertices go before its normal, and an
// MTEXT's leading pieces of contents (3) before its last piece (1).
double anchorRank(std::string_view type, const db::SubclassSpec& part, int code) {
  auto indexOf = [&part](int c) -> std::optional<double> {
    for (std::size_t i = 0; i < part.fields.size(); ++i)
      if (part.fields[i].code == c) return static_cast<double>(i);
    return std::nullopt;
  };
  if (type == "LWPOLYLINE" && code != 210) return indexOf(210).value_or(1e6) - 0.5;
  if (type == "MTEXT" && code == 3) return indexOf(1).value_or(1e6) - 0.5;
  return 1e6;
}

struct Made {
  int status = KXRT_ERROR;
  db::ObjectId id;
};

Made make(const resbuf* list, bool objectsToo) {
  editor::Document* doc = activeDocumentOrNull();
  if (!doc || !list) return {};
  db::Database& db = doc->db();

  const resbuf* typeRb = nullptr;
  for (const resbuf* rb = list; rb; rb = rb->next) {
    if (rb->code == 0) {
      typeRb = rb;
      break;
    }
  }
  if (!typeRb || !valueFits(db, *typeRb, ListKind::String)) return {};
  const std::string type = support::asciiUpperCase(db.encode(typeRb->value.string));
  const bool graphical = isMakeableEntity(type);
  if (!graphical && !(objectsToo && isMakeableObject(type))) return {};
  const db::ClassSpec* cls = db::classSpecOf(type);
  const bool markers = db.version().hasSubclassMarkers();

  // ---- check every element; nothing is written before all pass ----
  std::vector<Element> elements;
  std::vector<Element> xdata;
  db::ObjectId owner;
  std::wstring layer;
  std::optional<std::wstring> layout;
  // A list that names no space makes its entity in the current one: paper space while a layout
  // is current.
  bool paper = db::headerInteger(db, "$TILEMODE").value_or(1) == 0;
  bool ownerSeen = false;
  int braceDepth = 0;
  for (const resbuf* rb = list; rb; rb = rb->next) {
    // The new object's handle is the host's to give, whatever handles the list holds.
    if (rb == typeRb || rb->code == -1 || rb->code == 5) continue;
    if (storageOf(rb->code) == Storage::None || rb->code < 0) return {};
    const ListKind kind = listKindOf(type, graphical, rb->code);
    if (!valueFits(db, *rb, kind)) return {};
    if (!canHold(type, graphical, rb->code)) return {};
    if (rb->code == 102) {
      braceDepth = dxf::applicationDepthAfter(braceDepth, std::wstring_view(rb->value.string));
      continue;
    }
    // Reactors and extension dictionaries belong to the object the list was read from: none of
    // them knows the copy.
    if (braceDepth > 0) continue;
    if (rb->code == 330 && !ownerSeen) {
      ownerSeen = true;
      owner = nameTarget(db, *rb);
      continue;
    }
    if (rb->code == 100) continue;
    if (dxf::isExtendedData(rb->code)) {
      if (xdata.empty() && rb->code != 1001) return {};
      xdata.push_back({rb, kind});
      continue;
    }
    if (rb->code == 0) return {};
    // An entity needs a direction to lie in, and a text a width to be drawn with.
    if (rb->code == 210 &&
        std::hypot(rb->value.point[0], rb->value.point[1], rb->value.point[2]) < 1e-12)
      return {};
    if (rb->code == 41 && rb->value.real == 0 &&
        (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB"))
      return {};
    if (rb->code == 8) {
      layer = rb->value.string;
      if (!validTableName(layer)) return {};
    }
    if (rb->code == 67) paper = rb->value.int16 == 1;
    if (rb->code == 410) layout = rb->value.string;
    if (type == "LWPOLYLINE" && rb->code == 90) continue;  // counted from the vertices below
    elements.push_back({rb, kind});
  }

  db::ObjectId block;
  if (graphical) {
    if (layout) {
      block = db::findLayoutBlock(db, *layout);
      paper = !db::sameTableName(*layout, std::wstring_view(L"Model"));
    } else {
      block = db::findBlockRecord(db, paper ? "*Paper_Space" : "*Model_Space");
    }
    if (block.isNull()) return {};
    if (type == "INSERT") {
      const auto name = std::find_if(elements.begin(), elements.end(),
                                     [](const Element& e) { return e.rb->code == 2; });
      if (name == elements.end()) return {};
      const std::wstring blockName = name->rb->value.string;
      const db::ObjectId target = db::findTableRecord(db, "BLOCK_RECORD", blockName);
      if (target.isNull() || db::sameTableName(blockName, std::wstring_view(L"*Model_Space")) ||
          db::sameTableName(blockName.substr(0, 12), std::wstring_view(L"*Paper_Space")))
        return {};
    }
  } else if (owner.isNull()) {
    // Objects made without an owner hang off the drawing's root dictionary.
    const db::Section* objects = db.findSection("OBJECTS");
    for (const db::ObjectId o : objects ? objects->records : std::vector<db::ObjectId>()) {
      if (db.isType(o, "DICTIONARY")) {
        owner = o;
        break;
      }
    }
    if (owner.isNull()) return {};
  }
  if (graphical && layer.empty()) {
    layer = db::currentLayer(db);
  }

  // ---- lay the groups out part by part ----
  std::vector<const db::SubclassSpec*> parts;
  if (cls) parts.assign(cls->subclasses.begin(), cls->subclasses.end());
  static constexpr db::FieldSpec kXrecordFields[] = {{280, "cloning", db::FieldKind::Integer, 1}};
  static constexpr db::SubclassSpec kXrecord{"AcDbXrecord", kXrecordFields};
  if (type == "XRECORD") parts = {&kXrecord};
  if (parts.empty()) return {};

  // Which field codes the elements give, and which more than once. Fields' codes are below 1000;
  // the elements' are 0 or more (negative codes were refused above) and may pass 1000 only in
  // types whose groups the tables know in part.
  std::bitset<1000> listed, repeated;
  for (const Element& e : elements) {
    const auto code = static_cast<std::size_t>(e.rb->code);
    if (code >= listed.size()) continue;
    if (listed[code]) repeated[code] = true;
    listed[code] = true;
  }
  for (Element& e : elements) {
    const int code = e.rb->code;
    const db::FieldPlace place = db::findField(cls, code);
    if (place.field) {
      e.part = place.part;
    } else {
      e.part = graphical && isCommonEntityGroup(code) ? 0 : parts.size() - 1;
    }
    const db::SubclassSpec& part = *parts[e.part];
    e.rank = place.field && !repeated[static_cast<std::size_t>(code)]
                 ? static_cast<double>(place.field - part.fields.data())
                 : anchorRank(type, part, code);
  }
  std::stable_sort(elements.begin(), elements.end(), [](const Element& a, const Element& b) {
    return a.part != b.part ? a.part < b.part : a.rank < b.rank;
  });

  std::vector<db::NewTag> body;
  body.reserve(3 * (elements.size() + xdata.size()) + 4 * parts.size() + 8);
  auto push = [&](int code, ListKind kind, ValueTexts&& texts) {
    if (kind != ListKind::Point) {
      body.push_back({code, std::move(texts[0])});
      return;
    }
    body.push_back({code, std::move(texts[0])});
    body.push_back({code + 10, std::move(texts[1])});
    if (!isFlatPoint(type, code) && (markers || texts[2] != "0.0"))
      body.push_back({code + 20, std::move(texts[2])});
  };
  long long vertices = 0;
  for (const Element& e : elements)
    if (type == "LWPOLYLINE" && e.rb->code == 10) ++vertices;
  for (std::size_t p = 0; p < parts.size(); ++p) {
    if (markers) body.push_back({100, std::string(parts[p]->marker)});
    std::vector<std::pair<double, std::vector<db::NewTag>>> defaults;
    for (std::size_t i = 0; i < parts[p]->fields.size(); ++i) {
      const db::FieldSpec& f = parts[p]->fields[i];
      const bool given = listed[static_cast<std::size_t>(f.code)];
      std::vector<db::NewTag> tags;
      if (type == "LWPOLYLINE" && f.code == 90) {
        tags.push_back({90, std::to_string(vertices)});
      } else if (f.code == 8 && p == 0 && graphical) {
        tags.push_back({8, db.encode(layer)});
      } else if (!given && f.required) {
        switch (f.kind) {
          case db::FieldKind::String:
            tags.push_back({f.code, std::string(f.defaultText)});
            break;
          case db::FieldKind::Point:
            tags.push_back({f.code, "0.0"});
            tags.push_back({f.code + 10, "0.0"});
            if (markers) tags.push_back({f.code + 20, "0.0"});
            break;
          case db::FieldKind::Integer:
            tags.push_back({f.code, std::to_string(static_cast<long long>(f.defaultNumber))});
            break;
          default:
            tags.push_back({f.code, db::formatReal(f.defaultNumber)});
        }
      }
      if (!tags.empty()) defaults.emplace_back(static_cast<double>(i), std::move(tags));
    }
    std::size_t d = 0;
    for (const Element& e : elements) {
      if (e.part != p) continue;
      if (e.rb->code == 8 && graphical) continue;
      while (d < defaults.size() && defaults[d].first <= e.rank) {
        body.insert(body.end(), defaults[d].second.begin(), defaults[d].second.end());
        ++d;
      }
      push(e.rb->code, e.kind, valueTexts(db, *e.rb, e.kind));
    }
    for (; d < defaults.size(); ++d)
      body.insert(body.end(), defaults[d].second.begin(), defaults[d].second.end());
  }
  for (const Element& e : xdata) push(e.rb->code, e.kind, valueTexts(db, *e.rb, e.kind));

  // ---- write: tables the new object needs, then the object ----
  try {
    if (graphical && db::findTableRecord(db, "LAYER", layer).isNull()) db::addLayer(db, layer);
    for (const Element& e : xdata) {
      if (e.rb->code != 1001) continue;
      if (!db::findTableRecord(db, "APPID", e.rb->value.string).isNull()) continue;
      std::vector<db::NewTag> record;
      if (markers) {
        record.push_back({100, "AcDbSymbolTableRecord"});
        record.push_back({100, "AcDbRegAppTableRecord"});
      }
      record.insert(record.end(), {{2, db.encode(e.rb->value.string)}, {70, "0"}});
      db::addTableRecord(db, "APPID", record);
    }
    db::ObjectId id;
    if (graphical) {
      id = db::addEntity(db, block, type, body);
      if (type == "MTEXT") {
        // A list's rotation means what kxdbEntGet lists: the angle in the current UCS.
        const auto rotation = std::find_if(elements.begin(), elements.end(),
                                           [](const Element& e) { return e.rb->code == 50; });
        const bool direction = std::any_of(elements.begin(), elements.end(),
                                           [](const Element& e) { return e.rb->code == 11; });
        if (rotation != elements.end() && !direction && !doc->ucs().isWorld())
          setMTextRotationInUcs(*doc, id, rotation->rb->value.real);
        text::updateMTextExtents(db, id);
      }
      if (type == "TEXT" || type == "ATTDEF") text::updateTextPosition(db, id);
    } else {
      const int section = db.sectionIndex("OBJECTS");
      if (section < 0) return {};
      std::vector<db::NewTag> tags = db::identityTags(db, owner);
      tags.insert(tags.end(), body.begin(), body.end());
      id = db.addRecord(section, db::ObjectId(), type, tags);
    }
    return {KXRT_NORM, id};
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace
}  // namespace kx::api

extern "C" {

int kxdbEntMake(const resbuf* list) {
  // The new entity goes to the end of the ENTITIES section, which is what kxdbEntLast reports.
  return kx::api::make(list, false).status;
}

int kxdbEntMakeX(const resbuf* list, kds_name result) {
  const kx::api::Made made = kx::api::make(list, true);
  if (made.status != KXRT_NORM) return made.status;
  if (result) kx::api::setName(result, kx::api::activeDocumentOrNull()->db(), made.id);
  return KXRT_NORM;
}
}
