// ATTOUT: writes the attribute values of the block references the user selects into an exchange
// file, one line per reference, so that they can be edited elsewhere and brought back by ATTIN.
// The drawing is not changed.

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <string>
#include <unordered_map>
#include <vector>

#include "commands/attributes/exchange_file.h"
#include "commands/attributes/kx_stdio_file.h"
#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/text_geometry.h"

namespace {

constexpr int kDialogFlags = 0x8080001;
constexpr wchar_t kFilters[] = L"text files(*.txt)|CSV files(*.csv)";

// What the file's fields hold at most; a reference that does not fit is left out whole rather
// than cut, so that bringing the file back can never shorten a value.
constexpr std::size_t kNameLimit = 127;
constexpr std::size_t kTagLimit = 127;
constexpr std::size_t kValueLimit = 255;

struct TagColumn {
  std::wstring tag;
  std::uint16_t count;  // the most attributes with this tag in one reference
};

struct Attribute {
  std::size_t column;  // into the tag table
  std::wstring value;
};

struct Reference {
  std::wstring handle;
  std::wstring block;
  std::vector<Attribute> attributes;  // in the reference's order
};

std::wstring listString(resbuf* list, int code) {
  const resbuf* entry = entryByGroup(list, code);
  return entry && entry->value.string ? entry->value.string : L"";
}

// The tags and values of the attributes that follow a reference, up to its end of sequence.
void readAttributes(const kds_name insert, std::vector<std::wstring>& tags,
                    std::vector<std::wstring>& values) {
  kds_name current;
  kds_name_set(insert, current);
  kds_name next;
  while (kxdbEntNext(current, next) == KXRT_NORM) {
    resbuf* list = kxdbEntGet(next);
    const std::wstring type = listString(list, 0);
    if (!sameKeyword(type.c_str(), L"ATTRIB")) {
      kxutRelRb(list);
      break;
    }
    tags.push_back(listString(list, 2));
    values.push_back(listString(list, 1));
    kxutRelRb(list);
    kds_name_set(next, current);
  }
}

// The table of tags in order of first appearance, each with its largest count in one reference,
// and every reference's attributes pointed at their column. A reference with a field the file
// cannot hold is reported and left out.
void readReferences(const kds_name set, std::vector<TagColumn>& columns,
                    std::vector<Reference>& references) {
  std::unordered_map<std::wstring, std::size_t> columnOf;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  references.reserve(static_cast<std::size_t>(length));
  std::vector<std::wstring> tags, values;
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name insert;
    kxedSSName(set, i, insert);
    resbuf* list = kxdbEntGet(insert);
    Reference reference{listString(list, 5), listString(list, 2), {}};
    kxutRelRb(list);
    tags.clear();
    values.clear();
    readAttributes(insert, tags, values);

    bool fits = reference.handle.size() <= kNameLimit && reference.block.size() <= kNameLimit;
    for (std::size_t a = 0; a < tags.size(); ++a)
      fits = fits && tags[a].size() <= kTagLimit && values[a].size() <= kValueLimit;
    if (!fits) {
      printFormat(res::kAttoutLeftOut, reference.handle.c_str());
      continue;
    }
    for (std::size_t a = 0; a < tags.size(); ++a) {
      const auto [at, added] = columnOf.try_emplace(tags[a], columns.size());
      if (added) columns.push_back({tags[a], 0});
      const auto count = std::count(tags.begin(), tags.end(), tags[a]);
      TagColumn& column = columns[at->second];
      column.count = std::max<std::uint16_t>(column.count, static_cast<std::uint16_t>(count));
      reference.attributes.push_back({at->second, std::move(values[a])});
    }
    references.push_back(std::move(reference));
  }
}

std::wstring headerLine(const std::vector<TagColumn>& columns, wchar_t separator) {
  std::wstring line = L"HANDLE";
  line += separator;
  line += L"BLOCKNAME";
  for (const TagColumn& column : columns) {
    line += separator;
    line += column.tag;
    for (int k = 1; k < column.count; ++k) {
      line += separator;
      line += column.tag + L"(" + std::to_wstring(k) + L")";
    }
  }
  return line + L"\n";
}

// A value that reading the file back would not give as it is: it holds the separator or a line
// break, or it ends the line with blanks (lines are trimmed when read).
bool readsBackChanged(const std::wstring& value, wchar_t separator, bool endsLine) {
  if (value.find_first_of(std::wstring{separator, L'\n', L'\r'}) != std::wstring::npos) return true;
  return endsLine && !value.empty() && std::iswspace(static_cast<wint_t>(value.back()));
}

std::wstring dataLine(Reference& reference, const std::vector<TagColumn>& columns,
                      wchar_t separator, bool& changedOnReading) {
  std::wstring line = L"'" + reference.handle;
  line += separator;
  line += reference.block;
  // The reference's values column by column, each tag's in the reference's order.
  std::stable_sort(reference.attributes.begin(), reference.attributes.end(),
                   [](const Attribute& a, const Attribute& b) { return a.column < b.column; });
  changedOnReading = false;
  auto next = reference.attributes.begin();
  for (std::size_t c = 0; c < columns.size(); ++c) {
    int written = 0;
    for (; next != reference.attributes.end() && next->column == c; ++next, ++written) {
      line += separator;
      line += next->value;
      const bool endsLine = c + 1 == columns.size() && written + 1 == columns[c].count;
      changedOnReading = changedOnReading || readsBackChanged(next->value, separator, endsLine);
    }
    for (; written < columns[c].count; ++written) {
      line += separator;
      line += L"<>";
    }
  }
  return line + L"\n";
}

void writeFile(KxCStdioFile& file, const kds_name set, wchar_t separator) {
  std::vector<TagColumn> columns;
  std::vector<Reference> references;
  readReferences(set, columns, references);
  file.WriteString(headerLine(columns, separator).c_str());
  for (Reference& reference : references) {
    bool changedOnReading = false;
    file.WriteString(dataLine(reference, columns, separator, changedOnReading).c_str());
    if (changedOnReading) printFormat(res::kAttoutNotReadBack, reference.handle.c_str());
  }
  file.Close();
}

}  // namespace

void ATTOUT() {
  ResourceGuard guard;
  CString path;
  wchar_t separator = L'\t';
  if (!chooseExchangeFile(res::kAttoutTitle, kDialogFlags, kFilters, path, separator)) return;

  resbuf* filter = kxutBuildList(KXRT_DXF0, L"INSERT", 66, 1, 0);
  kds_name set;
  const int status = kxedSSGet(nullptr, nullptr, nullptr, filter, set);
  kxutRelRb(filter);
  if (status != KXRT_NORM) return;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  if (length == 0) {
    kxedSSFree(set);
    return;
  }

  // Writing through a buffer: one system call per character would dominate a large export. The
  // buffer outlives the file, which writes out what is left when it closes.
  std::vector<char> buffer(64 * 1024);
  KxCStdioFile file;
  if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText)) {
    printFormat(res::kAttoutCannotWrite, path.GetString());
    printString(res::kAttoutCheckFile);
    kxedSSFree(set);
    return;
  }
  file.AttachWriteBuffer(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
  try {
    writeFile(file, set, separator);
  } catch (CException* e) {
    // The file may be incomplete; the user is told why before the usual closing line.
    wchar_t reason[512] = L"";
    if (e->GetErrorMessage(reason, 512)) kxutPrintf(L"\n%s", reason);
    e->Delete();
  } catch (...) {
  }
  printFormat(res::kAttoutDone, path.GetString());
  kxedSSFree(set);
  kxedRetVoid();
}
