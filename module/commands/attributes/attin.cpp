// ATTIN: reads an exchange file (normally one ATTOUT wrote and the user edited) and puts its
// values into the attributes of the block references its lines name by handle. Lines whose
// reference is gone and values whose tag the reference lacks are not dropped: after a question
// the user picks the references they belong to.

#include <cstdint>
#include <string>
#include <vector>

#include "commands/attributes/exchange_file.h"
#include "commands/attributes/kx_stdio_file.h"
#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxcrash.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "kx/kxwindlg.h"
#include "kx/kxwinres.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/text_geometry.h"

namespace {

constexpr int kDialogFlags = 0x18080002;
constexpr wchar_t kFilters[] = L"Text Files(*.txt)|CSV Files(*.csv)";
constexpr wchar_t kPlaceholder[] = L"<>";

// A line of the file: the reference it names and its values by tag, in column order.
struct Record {
  std::wstring handle;
  std::wstring block;
  std::vector<std::wstring> tags;
  std::vector<std::wstring> values;
};

// Every non-empty line, trimmed, in file order. A file in UTF-8 or UTF-16 with a byte-order mark
// (as spreadsheets save it) is read in that encoding, any other in the ANSI code page with its
// escapes. A read error keeps the lines read before it.
bool readLines(const CString& path, std::vector<std::wstring>& lines) {
  KxCStdioFile file;
  if (!file.Open(path, CFile::modeRead | CFile::typeText)) return false;
  printString(res::kAttinReading);
  try {
    file.ReadByteOrderMark();
    CString line;
    while (file.ReadString(line)) {
      line.Trim();  // with the CR of a CR LF line end
      if (!line.IsEmpty()) lines.push_back(line.str());
    }
  } catch (CException* e) {
    e->Delete();
  }
  printString(res::kAttinRead);
  file.Close();
  return true;
}

// The header's tag columns: upper case, the handle and block name columns cut off, and the
// columns of a repeated tag ("PART(1)" after "PART") given the tag itself. False for a header
// whose first or second column is empty.
bool readHeader(std::wstring header, wchar_t separator, std::vector<std::wstring>& columns) {
  try {
    CString upper(header);
    upper.MakeUpper();
    header = upper.str();
  } catch (...) {
    if (IKxadCrashRecorder* recorder = kxadGetCrashRecorder())
      recorder->recordException(PqExceptionWithMsg("PQ_IRELEASE_THROW", 70));
  }
  std::size_t start = 0;
  for (int skipped = 0; skipped < 2; ++skipped) {
    const std::size_t at = header.find(separator, start);
    if (at == start) return false;
    if (at == std::wstring::npos) return true;  // no tag column at all
    start = at + 1;
  }
  for (;;) {
    const std::size_t at = header.find(separator, start);
    columns.push_back(header.substr(start, at == std::wstring::npos ? at : at - start));
    if (at == std::wstring::npos) break;
    start = at + 1;
  }
  std::vector<bool> settled(columns.size(), false);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (settled[i]) continue;
    for (std::size_t j = i + 1; j < columns.size(); ++j) {
      if (settled[j] || columns[j].size() < 3) continue;
      if (columns[j].compare(0, columns[j].size() - 3, columns[i]) == 0) {
        columns[j] = columns[i];
        settled[j] = true;
      }
    }
  }
  return true;
}

// Splits a data line into its record; prints why when the line cannot be one. "<>" fields leave
// their attribute as it is and are not kept.
bool readRecord(const std::wstring& line, wchar_t separator,
                const std::vector<std::wstring>& columns, Record& record) {
  record = Record{};
  const std::size_t handleEnd = line.find(separator);
  const std::size_t blockEnd =
      handleEnd == std::wstring::npos ? handleEnd : line.find(separator, handleEnd + 1);
  if (line.empty() || line[0] != L'\'' || blockEnd == std::wstring::npos) {
    printString(res::kAttinBadLine);
    return false;
  }
  record.handle = line.substr(1, handleEnd - 1);
  record.block = line.substr(handleEnd + 1, blockEnd - handleEnd - 1);
  std::size_t start = blockEnd + 1;
  for (std::size_t column = 0; column < columns.size(); ++column) {
    const std::size_t at = line.find(separator, start);
    std::wstring field = line.substr(start, at == std::wstring::npos ? at : at - start);
    if (field != kPlaceholder) {
      record.tags.push_back(columns[column]);
      record.values.push_back(std::move(field));
    }
    if (at == std::wstring::npos) break;
    start = at + 1;
  }
  if (record.tags.empty()) {
    printString(res::kAttinEmptyLine);
    return false;
  }
  return true;
}

void printPair(const std::wstring& tag, const std::wstring& value) {
  printString(res::kAttinNotAssigned);
  printFormat(res::kAttinTagValue, tag.c_str(), value.c_str());
}

void printListing(const Record& record) {
  kxutPrintf(L"\nTag        Value");
  kxutPrintf(L"\n------     -------");
  kxutPrintf(L"\n%s    %s", L"HANDLE", record.handle.c_str());
  kxutPrintf(L"\n%s    %s", L"BLOCKNAME", record.block.c_str());
  for (std::size_t i = 0; i < record.tags.size(); ++i)
    kxutPrintf(L"\n%s     %s", record.tags[i].c_str(), record.values[i].c_str());
}

void printLeftovers(const std::vector<std::wstring>& tags,
                    const std::vector<std::wstring>& values) {
  kxutPrintf(L"\nTag        Value");
  kxutPrintf(L"\n------     -------");
  for (std::size_t i = 0; i < tags.size(); ++i)
    kxutPrintf(L"\n%s     %s", tags[i].c_str(), values[i].c_str());
}

// Gives the reference's attributes the values of their tags (compared without regard to case);
// each pair used is taken out of the lists, so a second attribute with the same tag takes the
// next value of that tag. The pairs left are reported. True when any pair was used.
bool applyPairs(const kds_name insert, std::vector<std::wstring>& tags,
                std::vector<std::wstring>& values) {
  bool used = false;
  kds_name current;
  kds_name_set(insert, current);
  kds_name next;
  while (!tags.empty() && kxdbEntNext(current, next) == KXRT_NORM) {
    resbuf* list = kxdbEntGet(next);
    // The walk ends at the end of sequence, or at whatever else a damaged drawing has there.
    const resbuf* type = entryByGroup(list, 0);
    if (!type || !sameKeyword(type->value.string, L"ATTRIB")) {
      kxutRelRb(list);
      break;
    }
    const resbuf* tag = entryByGroup(list, 2);
    resbuf* value = entryByGroup(list, 1);
    for (std::size_t i = 0; tag && value && i < tags.size(); ++i) {
      if (!sameKeyword(tag->value.string, tags[i].c_str())) continue;
      kxutUpdString(values[i].c_str(), &value->value.string);
      kxdbEntMod(list);
      tags.erase(tags.begin() + static_cast<std::ptrdiff_t>(i));
      values.erase(values.begin() + static_cast<std::ptrdiff_t>(i));
      used = true;
      break;
    }
    kxutRelRb(list);
    kds_name_set(next, current);
  }
  // The reference itself is written back so that the host shows its changed attributes.
  resbuf* reference = kxdbEntGet(insert);
  if (reference) kxdbEntMod(reference);
  kxutRelRb(reference);
  kxdbEntUpd(insert);
  for (std::size_t i = 0; i < tags.size(); ++i) printPair(tags[i], values[i]);
  return used;
}

// Whether the entity is a reference of the record's block that carries attributes.
bool isReferenceOf(const kds_name entity, const std::wstring& block) {
  resbuf* list = kxdbEntGet(entity);
  const resbuf* type = entryByGroup(list, 0);
  const resbuf* follows = entryByGroup(list, 66);
  const resbuf* name = entryByGroup(list, 2);
  const bool match = type && sameKeyword(type->value.string, L"INSERT") && follows &&
                     (follows->value.int16 & 1) && name &&
                     sameKeyword(name->value.string, block.c_str());
  kxutRelRb(list);
  return match;
}

int selectReferences(const resbuf* filter, kds_name set) {
  return kxedSSGet(nullptr, nullptr, nullptr, filter, set);
}

void unhighlight(const kds_name entity) {
  kxedRedraw(entity, 4);
}

}  // namespace

void ATTIN() {
  ResourceGuard guard;
  CString path;
  wchar_t separator = L'\t';
  if (!chooseExchangeFile(res::kAttinTitle, kDialogFlags, kFilters, path, separator)) return;

  std::vector<std::wstring> lines;
  if (!readLines(path, lines)) {
    printString(res::kAttinCannotOpen);
    return;
  }
  int updated = 0;
  std::vector<std::wstring> columns;
  if (lines.empty()) {
    printFormat(res::kAttinUpdated, updated);
    return;
  }
  if (!readHeader(lines.front(), separator, columns)) {
    printString(res::kAttinBadHeader);
    printFormat(res::kAttinUpdated, updated);
    return;
  }
  lines.erase(lines.begin());

  // By handle: a line whose reference is found is used up; its values the reference could not
  // take are kept for later.
  std::vector<std::wstring> leftTags, leftValues;
  std::vector<std::wstring> unmatched;
  Record record;
  for (const std::wstring& line : lines) {
    if (!readRecord(line, separator, columns, record)) continue;
    kds_name insert;
    if (kxdbHandEnt(record.handle.c_str(), insert) != KXRT_NORM) {
      printString(res::kAttinNoHandle);
      printFormat(res::kAttinHandleValue, record.handle.c_str());
      unmatched.push_back(line);
      continue;
    }
    if (!isReferenceOf(insert, record.block)) {
      unmatched.push_back(line);
      continue;
    }
    if (applyPairs(insert, record.tags, record.values)) ++updated;
    leftTags.insert(leftTags.end(), record.tags.begin(), record.tags.end());
    leftValues.insert(leftValues.end(), record.values.begin(), record.values.end());
  }

  resbuf* filter = kxutBuildList(KXRT_DXF0, L"INSERT", 66, 1, 0);
  const bool anythingLeft = !unmatched.empty() || !leftTags.empty();
  CWnd* frame = kxedGetKxadFrame();
  CString caption;
  caption.Format(loadString(res::kAttinDialogTitle), GetOemProductName());
  if (anythingLeft && MessageBoxW(frame ? frame->GetSafeHwnd() : nullptr,
                                  loadString(res::kAttinUnmatched), caption, MB_YESNO) == IDYES) {
    // By picking: the user shows the reference of each line left.
    std::int32_t length = 0;  // of the last set made
    bool cancelled = false;
    for (std::size_t l = 0; l < unmatched.size() && !cancelled; ++l) {
      readRecord(unmatched[l], separator, columns, record);
      printListing(record);
      printString(res::kAttinSelectReference);
      for (;;) {
        kds_name set;
        const int status = selectReferences(filter, set);
        if (status == KXRT_NORM) kxedSSLength(set, &length);
        if (status == KXRT_NONE || length == 0) break;
        if (status == KXRT_CANCEL) {
          cancelled = true;
          break;
        }
        if (status == KXRT_NORM) {
          kds_name insert;
          kxedSSName(set, 0, insert);
          if (applyPairs(insert, record.tags, record.values))
            ++updated;
          else
            unhighlight(insert);
          kxedSSFree(set);
          break;
        }
        printPair(L"HANDLE", record.handle);
        printPair(L"BLOCKNAME", record.block);
        for (std::size_t i = 0; i < record.tags.size(); ++i)
          printPair(record.tags[i], record.values[i]);
        printString(res::kAttinSelectReference);
      }
    }

    // Values whose reference lacked their tag: each reference picked takes what it can.
    while (!leftTags.empty()) {
      printLeftovers(leftTags, leftValues);
      printString(res::kAttinSelectLeftOver);
      kds_name set;
      const int status = selectReferences(filter, set);
      if (status != KXRT_NORM) break;
      kxedSSLength(set, &length);
      for (std::int32_t i = 0; i < length; ++i) {
        kds_name insert;
        kxedSSName(set, i, insert);
        if (applyPairs(insert, leftTags, leftValues))
          ++updated;
        else
          unhighlight(insert);
      }
      kxedSSFree(set);
      if (length == 0) break;
    }
  }
  kxutRelRb(filter);
  printFormat(res::kAttinUpdated, updated);
  kxedRetVoid();
}
