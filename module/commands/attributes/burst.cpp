// BURST: explodes block references as the host's explode does, but keeps what their attributes
// showed: each attribute becomes a TEXT (an MTEXT for a multi-line one) with its value, place,
// layer and colour, constant attributes of the block become texts too, and the attribute
// definitions the explode leaves behind are deleted.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxdbblock.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/system_variables.h"
#include "toolkit/text_geometry.h"

namespace {

constexpr wchar_t kEmbeddedMarker[] = L"Embedded Object";

// What one attribute showed, gathered from its entity list.
struct AttributeLook {
  double first[3] = {0, 0, 0};
  double second[3] = {0, 0, 0};
  double height = 0, rotation = 0, width = 0, oblique = 0;
  short horizontal = 0, vertical = 0, flags = 0;
  short color = 256;
  std::int32_t trueColor = 0;
  bool hasTrueColor = false;
  std::wstring colorName;
  bool hasColorName = false;
  std::wstring style, linetype = L"Continuous", layer, text;
  double normal[3] = {0, 0, 1};  // the text's own plane
  bool multiline = false;
  double mtextSizes[4] = {0, 0, 0, 0};  // 42, 43, 44, 46 of the embedded text
  double mtextNormal[3] = {0, 0, 1};
  std::vector<int> embeddedCodes;  // the groups the embedded text gave

  bool embeds(int code) const {
    for (int c : embeddedCodes)
      if (c == code) return true;
    return false;
  }
};

struct Reference {
  std::wstring layer;
  short color = 256;
};

void copyPoint(const resbuf* rb, double to[3]) {
  std::copy_n(rb->value.point, 3, to);
}

// Reads the list in order. Before the multi-line marker the text's own groups come first and
// stand (an attribute's later part repeats some of them for its own bookkeeping); after it, the
// embedded text's groups override, a long text's pieces (3) joined before its last one (1).
AttributeLook lookOf(const resbuf* list, const Reference& reference) {
  AttributeLook a;
  std::vector<int> seen;
  const auto first = [&](int code) {
    if (a.multiline) return true;
    for (int s : seen)
      if (s == code) return false;
    seen.push_back(code);
    return true;
  };
  std::wstring pieces;
  for (const resbuf* rb = list; rb; rb = rb->next) {
    const int code = rb->code;
    if (code == 101 && rb->value.string && std::wstring(rb->value.string) == kEmbeddedMarker) {
      a.multiline = true;
      continue;
    }
    if (code >= 1000) break;  // extended data
    if (!first(code)) continue;
    if (a.multiline) a.embeddedCodes.push_back(code);
    switch (code) {
      case 10:
        copyPoint(rb, a.first);
        break;
      case 11:
        copyPoint(rb, a.second);
        break;
      case 40:
        a.height = rb->value.real;
        break;
      case 50:
        a.rotation = rb->value.real;
        break;
      case 41:
        a.width = rb->value.real;
        break;
      case 51:
        a.oblique = rb->value.real;
        break;
      case 72:
        a.horizontal = rb->value.int16;
        break;
      case 74:
        a.vertical = rb->value.int16;
        break;
      case 73:
        if (a.multiline) a.vertical = rb->value.int16;
        break;
      case 71:
        a.flags = rb->value.int16;
        break;
      case 62:
        a.color = rb->value.int16 == 0 ? reference.color : rb->value.int16;
        break;
      case 420:
        a.trueColor = rb->value.int32;
        a.hasTrueColor = true;
        break;
      case 430:
        a.colorName = rb->value.string ? rb->value.string : L"";
        a.hasColorName = true;
        break;
      case 7:
        a.style = rb->value.string ? rb->value.string : L"";
        break;
      case 6:
        a.linetype = rb->value.string ? rb->value.string : L"";
        break;
      case 8:
        a.layer = rb->value.string ? rb->value.string : L"";
        if (sameKeyword(a.layer.c_str(), L"0")) a.layer = reference.layer;
        break;
      case 3:
        if (a.multiline) pieces += rb->value.string ? rb->value.string : L"";
        break;
      case 1:
        a.text = pieces + (rb->value.string ? rb->value.string : L"");
        pieces.clear();
        break;
      case 42:
        if (a.multiline) a.mtextSizes[0] = rb->value.real;
        break;
      case 43:
        if (a.multiline) a.mtextSizes[1] = rb->value.real;
        break;
      case 44:
        if (a.multiline) a.mtextSizes[2] = rb->value.real;
        break;
      case 46:
        if (a.multiline) a.mtextSizes[3] = rb->value.real;
        break;
      case 210:
        copyPoint(rb, a.multiline ? a.mtextNormal : a.normal);
        break;
      default:
        break;
    }
  }
  return a;
}

// Builds an entity list element by element.
class ListBuilder {
 public:
  resbuf* add(int code) {
    *tail_ = kxutNewRb(code);
    resbuf* added = *tail_;
    tail_ = &added->next;
    return added;
  }
  void point(int code, const double p[3]) { std::copy_n(p, 3, add(code)->value.point); }
  void real(int code, double value) { add(code)->value.real = value; }
  void integer(int code, short value) { add(code)->value.int16 = value; }
  void text(int code, const std::wstring& value) {
    kxutNewString(value.c_str(), &add(code)->value.string);
  }
  resbuf* release() {
    resbuf* list = head_;
    head_ = nullptr;
    tail_ = &head_;
    return list;
  }

 private:
  resbuf* head_ = nullptr;
  resbuf** tail_ = &head_;
};

void addColors(ListBuilder& list, const AttributeLook& a) {
  list.integer(62, a.color);
  if (a.hasTrueColor) {
    list.add(420)->value.int32 = a.trueColor;
    if (a.hasColorName) list.text(430, a.colorName);
  }
}

// The TEXT or MTEXT that shows what the attribute showed.
resbuf* textListOf(const AttributeLook& a) {
  ListBuilder list;
  if (!a.multiline) {
    list.text(0, L"TEXT");
    list.point(10, a.first);
    list.point(11, a.second);
    list.real(40, a.height);
    list.real(50, a.rotation);
    list.real(41, a.width);
    list.real(51, a.oblique);
    list.integer(72, a.horizontal);
    list.integer(73, a.vertical);
    list.integer(71, a.flags);
  } else {
    // The embedded text's direction, wrapping width, sizes and spacing are taken where it gives
    // them; the attribute's own groups of those codes (its alignment point, its width factor)
    // mean something else.
    list.text(0, L"MTEXT");
    list.text(100, L"AcDbEntity");
    list.text(100, L"AcDbMText");
    list.point(10, a.first);
    if (a.embeds(11)) list.point(11, a.second);
    list.real(40, a.height);
    list.real(50, a.rotation);
    list.real(41, a.embeds(41) ? a.width : 0);
    const int sizeCodes[4] = {42, 43, 44, 46};
    for (int i = 0; i < 4; ++i)
      if (a.embeds(sizeCodes[i])) list.real(sizeCodes[i], a.mtextSizes[i]);
    // An embedded text without a normal of its own lies in its attribute's plane.
    list.point(210, a.embeds(210) ? a.mtextNormal : a.normal);
    list.integer(72, a.horizontal);
    if (a.embeds(73)) list.integer(73, a.vertical);
    list.integer(71, a.flags);
  }
  addColors(list, a);
  list.text(7, a.style);
  list.text(8, a.layer);
  list.text(6, a.linetype);
  list.text(1, a.text);
  // A text in a plane of its own keeps it: its points are in that plane's coordinates.
  constexpr double kWorldNormal[3] = {0, 0, 1};
  if (!a.multiline && !std::equal(a.normal, a.normal + 3, kWorldNormal)) list.point(210, a.normal);
  return list.release();
}

std::wstring typeOf(const resbuf* list) {
  const resbuf* type = entryByGroup(const_cast<resbuf*>(list), 0);
  return type ? type->value.string : L"";
}

// The reference's layer and colour, which attributes and block geometry "by block" take.
Reference referenceLook(const KxDbBlockReference* insert) {
  Reference reference;
  wchar_t* layer = insert->layer();
  reference.layer = layer ? layer : L"0";
  kxad_free(layer);
  reference.color = static_cast<short>(insert->colorIndex());
  return reference;
}

// The entity opened as a block reference; null for anything else.
KxDbBlockReference* openReference(const kds_name entity, KxDb::OpenMode mode) {
  KxDbObjectId id;
  kxdbGetObjectId(id, entity);
  KxDbBlockReference* insert = nullptr;
  return kxdbOpenObject(insert, id, mode) == Kxad::eOk ? insert : nullptr;
}

// The texts of every attribute of the selected references, in order.
std::vector<resbuf*> attributeTexts(const kds_name set) {
  std::vector<resbuf*> texts;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name insert;
    kxedSSName(set, i, insert);
    KxDbBlockReference* opened = openReference(insert, KxDb::kForRead);
    if (!opened) continue;
    const Reference reference = referenceLook(opened);
    opened->close();
    kds_name current, next;
    kds_name_set(insert, current);
    while (kxdbEntNext(current, next) == KXRT_NORM) {
      resbuf* list = kxdbEntGet(next);
      const std::wstring type = typeOf(list);
      if (!sameKeyword(type.c_str(), L"ATTRIB")) {
        kxutRelRb(list);
        break;
      }
      texts.push_back(textListOf(lookOf(list, reference)));
      kxutRelRb(list);
      kds_name_set(next, current);
    }
  }
  return texts;
}

bool isOnLockedLayer(const kds_name entity) {
  KxDbObjectId id;
  kxdbGetObjectId(id, entity);
  KxDbEntity* object = nullptr;
  if (kxdbOpenObject(object, id, KxDb::kForRead) != Kxad::eOk) return false;
  const KxDbObjectId layerId = object->layerId();
  object->close();
  KxDbLayerTableRecord* layer = nullptr;
  if (kxdbOpenObject(layer, layerId, KxDb::kForRead) != Kxad::eOk) return false;
  const bool locked = layer->isLocked();
  layer->close();
  return locked;
}

// A block reference that can be burst: not an external reference or overlay.
bool isBurstable(const kds_name entity) {
  resbuf* list = kxdbEntGet(entity);
  const std::wstring type = typeOf(list);
  const resbuf* name = entryByGroup(list, 2);
  bool ok = sameKeyword(type.c_str(), L"INSERT") && name;
  if (ok) {
    resbuf* block = kxdbTblSearch(L"BLOCK", name->value.string, 0);
    const resbuf* flags = entryByGroup(block, 70);
    ok = !(flags && (flags->value.int16 & (4 | 8)));
    kxutRelRb(block);
  }
  kxutRelRb(list);
  return ok;
}

// Removes from the set the entities `keep` refuses; how many.
template <typename Test>
int removeUnless(kds_name set, Test keep) {
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  int removed = 0;
  for (std::int32_t i = 0; i < length;) {
    kds_name entity;
    kxedSSName(set, i, entity);
    if (keep(entity)) {
      ++i;
      continue;
    }
    kxedSSDel(entity, set);
    --length;
    ++removed;
  }
  return removed;
}

// The references to burst: the pickfirst set as it is, or the user's selection without locked
// layers, other entities and external references. False when the user cancels.
bool selectReferences(kds_name set) {
  std::int32_t length = 0;
  if (shortVariable(L"PICKFIRST", 0) == 1 &&
      kxedSSGet(L"I", nullptr, nullptr, nullptr, set) == KXRT_NORM)
    kxedSSLength(set, &length);
  kxedSSSetFirst(nullptr, nullptr);
  if (length > 0) return true;

  const int status = kxedSSGet(nullptr, nullptr, nullptr, nullptr, set);
  if (status == KXRT_CANCEL) return false;
  if (status != KXRT_NORM) {
    kxedSSAdd(nullptr, nullptr, set);  // nothing selected: an empty set
  }
  removeUnless(set, [](const kds_name e) { return !isOnLockedLayer(e); });
  kxedSSLength(set, &length);
  if (length == 0) printString(res::kBurstNothing);  // and nothing below says more
  if (const int others = removeUnless(set, isBurstable); others > 0)
    printFormat(res::kBurstLeftOut, others);
  kxedSSLength(set, &length);
  if (length > 0) printFormat(res::kBurstCount, static_cast<int>(length));
  return true;
}

// Whether exploded geometry and constant-attribute texts go to paper space: a layout is current
// and no model-space viewport is active in it.
bool toPaperSpace() {
  return shortVariable(L"TILEMODE", 1) == 0 && shortVariable(L"CVPORT", 2) <= 1;
}

// Adds the entity to the space; it stays open for its maker to close.
void appendToSpace(KxDbEntity* entity, bool paper) {
  KxDbDatabase* db = kxdbHostApplicationServices()->workingDatabase();
  KxDbBlockTable* table = nullptr;
  if (!db || db->getBlockTable(table, KxDb::kForRead) != Kxad::eOk) return;
  KxDbBlockTableRecord* space = nullptr;
  const Kxad::ErrorStatus found =
      table->getAt(paper ? L"*Paper_Space" : L"*Model_Space", space, KxDb::kForWrite);
  table->close();
  if (found != Kxad::eOk) return;
  space->appendKxDbEntity(entity);
  space->close();
}

// An entity "by block" or on layer 0 takes the reference's layer and colour as it showed them.
void takeReferenceLook(KxDbEntity* entity, const Reference& reference, bool layerByColor) {
  wchar_t* layer = entity->layer();
  const bool onZero = layer && sameKeyword(layer, L"0");
  kxad_free(layer);
  const std::uint16_t color = entity->colorIndex();
  if (onZero && (!layerByColor || color == 256 || color == 0))
    entity->setLayer(reference.layer.c_str());
  if (color == 0) entity->setColorIndex(static_cast<std::uint16_t>(reference.color));
}

// Constant attributes live only in the block: each becomes a text at the reference's position
// plus its own.
void addConstantTexts(KxDbBlockTableRecord* record, const KxGePoint3d& at,
                      const Reference& reference, bool paper) {
  std::unique_ptr<KxDbObjectIterator> it(record->newIterator());
  for (; it && !it->done(); it->step()) {
    KxDbAttributeDefinition* definition = nullptr;
    if (kxdbOpenObject(definition, it->objectId(), KxDb::kForRead) != Kxad::eOk) continue;
    KxDbEntity* text = nullptr;
    if (definition->isConstant()) {
      if (definition->isMTextAttributeDefinition()) {
        if (KxDbMText* mtext = definition->getMTextAttributeDefinition()) {
          const KxGePoint3d p = definition->alignmentPoint();
          mtext->setLocation(KxGePoint3d(at.x + p.x, at.y + p.y, at.z + p.z));
          text = mtext;
        }
      } else {
        const KxGePoint3d p = definition->position();
        text = new KxDbText(KxGePoint3d(at.x + p.x, at.y + p.y, at.z + p.z),
                            definition->textStringConst(), definition->textStyle(),
                            definition->height(), definition->rotation());
      }
    }
    if (text) {
      wchar_t* layer = definition->layer();
      text->setLayer(layer);
      kxad_free(layer);
      text->setColorIndex(definition->colorIndex());
      takeReferenceLook(text, reference, false);
      appendToSpace(text, paper);
      text->close();
    }
    definition->close();
  }
}

enum class Burst { kDone, kKept, kExplodeFailed };

// Replaces one reference by its block's entities. It is kept when it cannot be opened for write
// or its block may not be exploded, and when the explode fails.
Burst burstReference(const kds_name entity, bool paper) {
  KxDbBlockReference* insert = openReference(entity, KxDb::kForWrite);
  if (!insert) return Burst::kKept;
  const Reference reference = referenceLook(insert);
  KxDbBlockTableRecord* record = nullptr;
  if (kxdbOpenObject(record, insert->blockTableRecord(), KxDb::kForRead) != Kxad::eOk) {
    insert->close();
    return Burst::kKept;
  }
  if (!record->explodable()) {
    record->close();
    insert->close();
    return Burst::kKept;
  }
  // The explode comes first: a reference it fails on keeps its geometry and gets no texts of its
  // constant attributes on top.
  KxDbVoidPtrArray pieces;
  if (insert->explode(pieces) != Kxad::eOk) {
    for (void* piece : pieces) static_cast<KxDbEntity*>(piece)->close();
    record->close();
    insert->close();
    return Burst::kExplodeFailed;
  }
  addConstantTexts(record, insert->position(), reference, paper);
  record->close();
  for (void* piece : pieces) {
    auto* part = static_cast<KxDbEntity*>(piece);
    takeReferenceLook(part, reference, true);
    appendToSpace(part, paper);  // one that cannot be added is deleted by its close
    part->close();
  }
  kxedSSSetFirst(nullptr, nullptr);
  insert->erase();
  insert->close();
  return Burst::kDone;
}

// Deletes the attribute definitions that were not in the drawing before the command.
void deleteNewDefinitions(const kds_name before) {
  resbuf* filter = kxutBuildList(KXRT_DXF0, L"ATTDEF", 0);
  kds_name now;
  const int status = kxedSSGet(L"X", nullptr, nullptr, filter, now);
  kxutRelRb(filter);
  if (status != KXRT_NORM) return;
  std::int32_t length = 0;
  kxedSSLength(now, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name definition;
    kxedSSName(now, i, definition);
    if (kxedSSMemb(definition, before) != KXRT_NORM) kxdbEntDel(definition);
  }
  kxedSSFree(now);
}

}  // namespace

void BURST() {
  ResourceGuard guard;
  QuietHostCommands quiet;
  resbuf* filter = kxutBuildList(KXRT_DXF0, L"ATTDEF", 0);
  kds_name definitionsBefore;
  if (kxedSSGet(L"X", nullptr, nullptr, filter, definitionsBefore) != KXRT_NORM)
    kxedSSAdd(nullptr, nullptr, definitionsBefore);
  kxutRelRb(filter);

  kds_name set;
  if (!selectReferences(set)) {
    kxedSSFree(definitionsBefore);
    return;
  }
  std::vector<resbuf*> texts = attributeTexts(set);
  const bool paper = toPaperSpace();
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  int failed = 0;
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    if (burstReference(entity, paper) == Burst::kExplodeFailed) ++failed;
  }
  if (failed > 0) printFormat(res::kBurstNotExploded, failed);
  deleteNewDefinitions(definitionsBefore);
  kxedSSFree(definitionsBefore);
  kxedSSFree(set);
  for (resbuf* text : texts) {
    kxdbEntMake(text);
    kxutRelRb(text);
  }
  kxedRetVoid();
}
