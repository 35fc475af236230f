// GATTE: gives one attribute a new value in many references of a block at once. The user names
// the block (picking a reference or one of its attributes, or typing its name) and the tag, types
// the new text, then changes every reference of the block or the ones selected.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdbblock.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "kx/kxwinres.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"

namespace {

constexpr std::size_t kTextCapacity = 256;

// The resource module's text, or the command's own when the module lacks it.
CString text(UINT id, const wchar_t* fallback) {
  CString loaded = loadString(id);
  return loaded.IsEmpty() ? CString(fallback) : loaded;
}

struct Chosen {
  KxDbObjectId block;      // its block table record
  KxDbObjectId reference;  // the reference picked, when the block was picked
  std::wstring pickedTag;  // the tag of an attribute picked, else empty
};

using Iterator = std::unique_ptr<KxDbObjectIterator>;

std::wstring attributeTag(KxDbObjectId id) {
  KxDbEntity* entity = nullptr;
  if (kxdbOpenObject(entity, id, KxDb::kForRead) != Kxad::eOk) return {};
  std::wstring tag;
  if (KxDbAttribute* attribute = KxDbAttribute::cast(entity))
    tag = attribute->tagConst();
  else if (KxDbAttributeDefinition* definition = KxDbAttributeDefinition::cast(entity))
    tag = definition->tagConst();
  entity->close();
  return tag;
}

// A picked entity: the reference it belongs to (an attribute's owner, or the outermost
// reference holding a nested pick) and the tag when it is an attribute. False for anything that
// belongs to no reference.
bool referenceOfPick(const kds_name picked, resbuf* containers, Chosen& chosen) {
  KxDbObjectId id;
  kxdbGetObjectId(id, picked);
  KxDbEntity* entity = nullptr;
  if (kxdbOpenObject(entity, id, KxDb::kForRead) != Kxad::eOk) return false;
  KxDbObjectId reference;
  KxDbAttribute* attribute = KxDbAttribute::cast(entity);
  if (attribute) chosen.pickedTag = attribute->tagConst();
  if (attribute && !containers) {
    reference = entity->ownerId();
  } else if (containers) {
    const resbuf* outermost = containers;
    while (outermost->next) outermost = outermost->next;
    kxdbGetObjectId(reference, outermost->value.name);
  }
  entity->close();
  if (reference.isNull()) return false;
  KxDbBlockReference* insert = nullptr;
  if (kxdbOpenObject(insert, reference, KxDb::kForRead) != Kxad::eOk) return false;
  chosen.reference = reference;
  chosen.block = insert->blockTableRecord();
  insert->close();
  return true;
}

// The name as a selection filter matches it: wildcard characters (a '.' or '-' in a block name
// among them) taken literally.
std::wstring wildcardLiteral(const wchar_t* name) {
  std::wstring out;
  for (const wchar_t* p = name; *p; ++p) {
    if (std::wstring_view(L"#@.*?~[]-,`").find(*p) != std::wstring_view::npos) out += L'`';
    out += *p;
  }
  return out;
}

resbuf* referencesFilter(const wchar_t* blockName) {
  return kxutBuildList(KXRT_DXF0, L"INSERT", 2, wildcardLiteral(blockName).c_str(), 0);
}

std::int32_t countSelected(const resbuf* filter) {
  kds_name set;
  if (kxedSSGet(L"X", nullptr, nullptr, filter, set) != KXRT_NORM) return 0;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  kxedSSFree(set);
  return length;
}

// Whether the block only appears inside other blocks' definitions: counting references through
// nesting finds more than its direct ones, and the drawing holds no reference of it.
bool isOnlyNested(KxDbBlockTableRecord* record, const wchar_t* name) {
  KxDbObjectIdArray direct, nested;
  record->getBlockReferenceIds(direct, true);
  record->getBlockReferenceIds(nested, false);
  if (direct.length() == nested.length()) return false;
  resbuf* filter = referencesFilter(name);
  const std::int32_t found = countSelected(filter);
  kxutRelRb(filter);
  return found == 0;
}

// Asks for an entity, nested ones included: `containers` are the references holding it.
int pick(const wchar_t* prompt, kds_name picked, resbuf** containers) {
  double point[3] = {0, 0, 0};
  double xform[4][4];
  return kxedNEntSelP(prompt, picked, point, 0, xform, containers);
}

// The typed block name, checked; false when the user gave up (the command ends), true with
// `chosen.block` null when the name was refused and the block prompt is to be asked again.
bool blockOfTypedName(Chosen& chosen) {
  kxedInitGet(KXINP_ARBITRARY, nullptr);
  wchar_t name[kTextCapacity] = L"";
  if (kxedGetString(0, text(res::kGatteBlockNamePrompt, L"\nEnter block name: "), name,
                    kTextCapacity) != KXRT_NORM)
    return false;
  KxDbBlockTable* table = nullptr;
  KxDbDatabase* db = kxdbHostApplicationServices()->workingDatabase();
  if (!db || db->getBlockTable(table, KxDb::kForRead) != Kxad::eOk) return true;
  KxDbObjectId id;
  const bool exists = table->getAt(name, id) == Kxad::eOk;
  table->close();
  if (!exists) {
    kxutPrintf(text(res::kGatteInvalidBlockName, L"\nInvalid block name."));
    return true;
  }
  KxDbBlockTableRecord* record = nullptr;
  if (kxdbOpenObject(record, id, KxDb::kForRead) != Kxad::eOk) {
    kxutPrintf(text(res::kGatteInvalidBlockName, L"\nInvalid block name."));
    return true;
  }
  if (isOnlyNested(record, name)) {
    kxutPrintf(text(res::kGatteNestedOnly, L"\nThe block is nested and can't to change."));
  } else if (!record->hasAttributeDefinitions()) {
    kxutPrintf(text(res::kGatteNoAttributes, L"\nThe block selected has no attributes!"));
  } else {
    chosen.block = id;
  }
  record->close();
  return true;
}

// The block prompt until a block is chosen; false when the user cancels.
bool chooseBlock(Chosen& chosen) {
  for (;;) {
    chosen = Chosen{};
    kxedInitGet(KXINP_ARBITRARY, text(res::kGatteKeywords, L"Block _ Block"));
    kds_name picked;
    resbuf* containers = nullptr;
    const int status = pick(text(res::kGatteSelect, L"\nSelect block or attribute [Block name]: "),
                            picked, &containers);
    if (status == KXRT_CANCEL) return false;
    if (status == KXRT_NORM) {
      const bool found = referenceOfPick(picked, containers, chosen);
      kxutRelRb(containers);
      if (found) return true;
      kxutPrintf(text(res::kGatteNotAReference, L"\nSelected item not an INSERT."));
      continue;
    }
    kxutRelRb(containers);
    if (status != KXRT_KWORD) continue;
    wchar_t keyword[kTextCapacity] = L"";
    kxedGetInput(keyword, kTextCapacity);
    if (!sameKeyword(keyword, L"block")) continue;
    if (!blockOfTypedName(chosen)) return false;
    if (!chosen.block.isNull()) return true;
  }
}

// The tags a user can choose: the picked reference's attributes, or the block's definitions.
std::vector<std::wstring> tagsOf(const Chosen& chosen) {
  std::vector<std::wstring> tags;
  if (!chosen.reference.isNull()) {
    KxDbBlockReference* insert = nullptr;
    if (kxdbOpenObject(insert, chosen.reference, KxDb::kForRead) != Kxad::eOk) return tags;
    Iterator it(insert->attributeIterator());
    insert->close();
    for (; it && !it->done(); it->step()) tags.push_back(attributeTag(it->objectId()));
    return tags;
  }
  KxDbBlockTableRecord* record = nullptr;
  if (kxdbOpenObject(record, chosen.block, KxDb::kForRead) != Kxad::eOk) return tags;
  Iterator it(record->newIterator());
  record->close();
  for (; it && !it->done(); it->step()) {
    KxDbAttributeDefinition* definition = nullptr;
    if (kxdbOpenObject(definition, it->objectId(), KxDb::kForRead) != Kxad::eOk) continue;
    tags.push_back(definition->tagConst());
    definition->close();
  }
  return tags;
}

bool listHolds(const std::vector<std::wstring>& tags, const std::wstring& tag) {
  for (const std::wstring& t : tags)
    if (t == tag) return true;
  return false;
}

// The tag prompt until a tag of the list is chosen; false when the user cancels.
bool chooseTag(const std::vector<std::wstring>& tags, std::wstring& tag) {
  std::wstring keywords;
  for (const std::wstring& t : tags) keywords += L" " + t;
  for (;;) {
    kxutPrintf(L"%s%s", text(res::kGatteKnownTags, L"\nKnown tag names for block: ").GetString(),
               keywords.c_str());
    kxedInitGet(KXINP_ARBITRARY, keywords.c_str());
    kds_name picked;
    resbuf* containers = nullptr;
    const int status =
        pick(text(res::kGatteTagPrompt, L"\nSelect attribute or type attribute name: "), picked,
             &containers);
    kxutRelRb(containers);
    if (status == KXRT_CANCEL) return false;
    if (status == KXRT_NORM) {
      KxDbObjectId id;
      kxdbGetObjectId(id, picked);
      KxDbAttribute* attribute = nullptr;
      if (kxdbOpenObject(attribute, id, KxDb::kForRead) != Kxad::eOk) continue;
      tag = attribute->tagConst();
      attribute->close();
    } else if (status == KXRT_KWORD) {
      wchar_t typed[kTextCapacity] = L"";
      kxedGetInput(typed, kTextCapacity);
      tag = typed;
    } else {
      continue;
    }
    if (listHolds(tags, tag)) return true;
  }
}

// Sets the tag's attributes of one reference to `value`; how many changed. An attribute that
// cannot be opened for write (a locked layer) is left as it is.
int changeReference(KxDbObjectId id, const std::wstring& tag, const wchar_t* value) {
  KxDbBlockReference* insert = nullptr;
  if (kxdbOpenObject(insert, id, KxDb::kForRead) != Kxad::eOk) return 0;
  Iterator it(insert->attributeIterator());
  int changed = 0;
  for (; it && !it->done(); it->step()) {
    KxDbAttribute* attribute = nullptr;
    if (kxdbOpenObject(attribute, it->objectId(), KxDb::kForRead) != Kxad::eOk) continue;
    if (tag == attribute->tagConst() && attribute->upgradeOpen() == Kxad::eOk &&
        attribute->setTextString(value) == Kxad::eOk)
      ++changed;
    attribute->close();
  }
  insert->close();
  return changed;
}

void idsOfSet(const kds_name set, KxDbObjectIdArray& ids) {
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    KxDbObjectId id;
    if (kxdbGetObjectId(id, entity) == KXRT_NORM) ids.append(id);
  }
}

}  // namespace

void GATTE() {
  ResourceGuard guard;
  Chosen chosen;
  if (!chooseBlock(chosen)) return;
  const std::vector<std::wstring> tags = tagsOf(chosen);
  if (tags.empty()) {
    kxutPrintf(
        L"%s\n",
        text(res::kGatteNoAttributes, L"\nThe block selected has no attributes!").GetString());
    return;
  }
  std::wstring tag = chosen.pickedTag;
  if (tag.empty() || !listHolds(tags, tag)) {
    if (!chooseTag(tags, tag)) return;
  }

  KxDbBlockTableRecord* record = nullptr;
  if (kxdbOpenObject(record, chosen.block, KxDb::kForRead) != Kxad::eOk) return;
  const std::wstring blockName = record->nameConst();
  record->close();
  resbuf* filter = referencesFilter(blockName.c_str());
  KxDbObjectIdArray references;
  kds_name all;
  if (kxedSSGet(L"X", nullptr, nullptr, filter, all) == KXRT_NORM) {
    idsOfSet(all, references);
    kxedSSFree(all);
  }
  kxutPrintf(text(res::kGatteBlockAndTag, L"\nBlock: %s   Attribute tag: %s"), blockName.c_str(),
             tag.c_str());

  kxedInitGet(0, nullptr);
  wchar_t value[kTextCapacity] = L"";
  const int status =
      kxedGetString(1, text(res::kGatteNewTextPrompt, L"\nEnter new text: "), value, kTextCapacity);
  if (status == KXRT_CANCEL || status == KXRT_ERROR) {
    kxutRelRb(filter);
    return;
  }

  kxedInitGet(0, text(res::kGatteYesNoKeywords, L"Yes No _ Yes No"));
  kxutPrintf(text(res::kGatteReferenceCount, L"Number of inserts in drawing is "));
  kxutPrintf(L"%d", static_cast<int>(references.length()));
  wchar_t answer[kTextCapacity] = L"";
  const int question =
      kxedGetKword(text(res::kGatteChangeAllPrompt, L" Process all of them? [Yes/No] <Yes>: "),
                   answer, kTextCapacity);
  if (question == KXRT_CANCEL || question == KXRT_ERROR) {
    kxutRelRb(filter);
    return;
  }
  if (question != KXRT_NONE && std::wstring(answer) != L"Yes") {
    references.setLogicalLength(0);
    kds_name set;
    if (kxedSSGet(nullptr, nullptr, nullptr, filter, set) == KXRT_NORM) {
      idsOfSet(set, references);
      kxedSSFree(set);
    }
  }
  kxutRelRb(filter);

  kxutPrintf(text(res::kGatteWait, L"\nPlease wait..."));
  int changed = 0;
  for (int i = 0; i < references.length(); ++i)
    changed += changeReference(references[i], tag, value);
  kxutPrintf(text(res::kGatteChanged, L"\n%d attributes changed."), changed);
}
