// TCOUNT: numbers texts in the order the user chooses, with a start and an increment, placing
// each number instead of the text, before or after it, or in place of a search string.

#include <cwctype>
#include <string>

#include "commands/commands.h"
#include "commands/edit/number_placement.h"
#include "frame/resource_module.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/selection_order.h"
#include "toolkit/text_selection.h"

namespace {

constexpr UINT kOrderNames[] = {res::kTcountOrderX, res::kTcountOrderY, res::kTcountOrderSelected};
constexpr const wchar_t* kOrderKeywordsReturned[] = {L"X", L"Y", L"Select-order"};

constexpr std::size_t kReplyCapacity = 512;

// The order of the last run, for as long as the module is loaded; the first run keeps the order
// of picking.
TextOrder lastOrder = TextOrder::kSelection;

bool askOrder(const kds_name set, SSOrderList& records) {
  kxedInitGet(0, loadString(res::kTcountOrderKeywords));
  CString prompt;
  prompt.Format(loadString(res::kTcountOrderPrompt),
                static_cast<const wchar_t*>(loadString(kOrderNames[static_cast<int>(lastOrder)])));
  wchar_t reply[kReplyCapacity] = L"";
  const int status = kxedGetKword(prompt, reply, kReplyCapacity);
  collectSelectionOrder(set, records);
  if (status == KXRT_CANCEL) return false;
  const wchar_t* keyword = reply;
  if (status == KXRT_NONE)
    keyword = kOrderKeywordsReturned[static_cast<int>(lastOrder)];
  else if (status != KXRT_NORM)
    return false;
  const TextOrder order = sameKeyword(keyword, L"X")   ? TextOrder::kX
                          : sameKeyword(keyword, L"Y") ? TextOrder::kY
                                                       : TextOrder::kSelection;
  sortSelectionOrder(records, order);
  lastOrder = order;
  return true;
}

enum class NumberRead { kNone, kNumber, kOutOfRange };

// Reads a whole number where "%d" would: after blanks, an optional sign and digits. A number
// beyond the 32-bit range is out of range rather than wrapped to another one.
NumberRead readWholeNumber(const wchar_t*& at, int& value) {
  const wchar_t* p = at;
  while (std::iswspace(static_cast<wint_t>(*p))) ++p;
  const bool negative = *p == L'-';
  if (*p == L'-' || *p == L'+') ++p;
  if (*p < L'0' || *p > L'9') return NumberRead::kNone;
  long long magnitude = 0;
  bool tooLarge = false;
  for (; *p >= L'0' && *p <= L'9'; ++p) {
    if (!tooLarge) magnitude = magnitude * 10 + (*p - L'0');
    tooLarge = tooLarge || magnitude > 2147483648LL;
  }
  at = p;
  const long long signedValue = negative ? -magnitude : magnitude;
  if (tooLarge || signedValue > 2147483647LL) return NumberRead::kOutOfRange;
  value = static_cast<int>(signedValue);
  return NumberRead::kNumber;
}

// "start" or "start,increment", read as "%d,%d" reads them; how many were read, 0 when the reply
// does not start with a number or holds one out of range.
int readStartAndIncrement(const wchar_t* reply, int& start, int& increment) {
  const wchar_t* at = reply;
  int first = 0, second = 0;
  if (readWholeNumber(at, first) != NumberRead::kNumber) return 0;
  NumberRead secondRead = NumberRead::kNone;
  if (*at == L',') secondRead = readWholeNumber(++at, second);
  if (secondRead == NumberRead::kOutOfRange) return 0;
  start = first;
  if (secondRead == NumberRead::kNone) return 1;
  increment = second;
  return 2;
}

bool askStartAndIncrement(int& start, int& increment) {
  start = 1;
  increment = 1;
  CString prompt = loadString(res::kTcountStartPrompt);
  for (;;) {
    wchar_t reply[kReplyCapacity] = L"";
    const int status = kxedGetString(0, prompt, reply, kReplyCapacity);
    if (status == KXRT_CANCEL) return false;
    if (status != KXRT_NORM || reply[0] == L'\0') return true;
    if (readStartAndIncrement(reply, start, increment) > 0) return true;
    printString(res::kTcountStartInvalid);
    prompt = loadString(res::kTcountStartInvalid);
  }
}

bool askPlacement(NumberPlacement& placement) {
  kxedInitGet(0, loadString(res::kTcountPlacementKeywords));
  wchar_t reply[kReplyCapacity] = L"";
  const int status = kxedGetKword(loadString(res::kTcountPlacementPrompt), reply, kReplyCapacity);
  if (status == KXRT_NONE) {
    placement = NumberPlacement::kPrefix;
    return true;
  }
  if (status != KXRT_NORM) return false;
  switch (std::towupper(static_cast<wint_t>(reply[0]))) {
    case L'O':
      placement = NumberPlacement::kOverwrite;
      return true;
    case L'S':
      placement = NumberPlacement::kSuffix;
      return true;
    case L'F':
      placement = NumberPlacement::kFindReplace;
      return true;
    default:
      placement = NumberPlacement::kPrefix;
      return true;
  }
}

// Numbers one text; returns the number after it and whether the search string was found.
int numberText(const kds_name entity, int number, int increment, NumberPlacement placement,
               const std::wstring& search, bool& replaced) {
  KxDbObjectId id;
  kxdbGetObjectId(id, entity);
  KxDbEntity* object = nullptr;
  if (kxdbOpenObject(object, id, KxDb::kForWrite) != Kxad::eOk)
    return advanceNumber(number, increment);
  if (KxDbMText* mtext = KxDbMText::cast(object)) {
    wchar_t* contents = mtext->contents();
    int paragraphs = 1;
    const NumberedText result =
        placeNumbers(contents ? contents : L"", number, increment, placement, search, paragraphs);
    kxutDelBuffer(&contents);
    mtext->setContents(result.text.c_str());
    replaced = result.replaced;
    for (int i = 1; i < paragraphs; ++i) number = advanceNumber(number, increment);
  } else if (KxDbAttributeDefinition* attdef = KxDbAttributeDefinition::cast(object)) {
    const NumberedText result = placeNumber(attdef->tagConst(), number, placement, search);
    attdef->setTag(result.text.c_str());
    replaced = result.replaced;
  } else if (KxDbText* text = KxDbText::cast(object)) {
    const NumberedText result = placeNumber(text->textStringConst(), number, placement, search);
    text->setTextString(result.text.c_str());
    replaced = result.replaced;
  }
  object->close();
  return advanceNumber(number, increment);
}

}  // namespace

void TCOUNT() {
  ResourceGuard guard;
  kds_name set;
  if (!openTextCommand(set)) return;
  if (!keepTextsInPlane(set)) return;

  SSOrderList records;
  int start = 1, increment = 1;
  NumberPlacement placement = NumberPlacement::kPrefix;
  std::wstring search;
  bool answered =
      askOrder(set, records) && askStartAndIncrement(start, increment) && askPlacement(placement);
  if (answered && placement == NumberPlacement::kFindReplace) {
    kxedInitGet(KXINP_NONULL, nullptr);
    wchar_t reply[kReplyCapacity] = L"";
    answered =
        kxedGetString(1, loadString(res::kTcountFindPrompt), reply, kReplyCapacity) == KXRT_NORM;
    search = reply;
  }
  if (answered) {
    int number = start;
    int replacedTexts = 0;
    for (INT_PTR i = 0; i < records.GetSize(); ++i) {
      bool replaced = false;
      number = numberText(records[i].name, number, increment, placement, search, replaced);
      if (replaced) ++replacedTexts;
    }
    if (placement == NumberPlacement::kFindReplace)
      printFormat(res::kTcountReplaced, replacedTexts);
  }
  kxedSSFree(set);
}
