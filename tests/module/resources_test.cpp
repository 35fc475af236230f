// The resource modules as the host sees them: loaded from their files, read through their one
// export, each whole on its own and the Chinese one a faithful twin of the English one.
// The numbers are shared with the module through one header; what is checked here is what no
// compiler sees: the formats, the keyword lists and the dialogs' controls.

#include <dlfcn.h>

#include <cstdint>
#include <cwctype>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "kx/kxresfmt.h"
#include "resource_ids.h"

namespace {

// A resource module loaded as the host loads it, kept for all tests.
struct LoadedTable {
  explicit LoadedTable(const char* path) : library(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
    if (!library) return;
    auto* entry =
        reinterpret_cast<const KxResourceTable* (*)()>(dlsym(library, KX_RESOURCE_TABLE_SYMBOL));
    table = entry ? entry() : nullptr;
  }
  std::span<const KxStringResource> strings() const { return {table->strings, table->stringCount}; }
  std::span<const KxDialogTemplate> dialogs() const { return {table->dialogs, table->dialogCount}; }
  std::wstring_view text(std::uint32_t id) const {
    for (const auto& s : strings())
      if (s.id == id && s.text) return s.text;
    return {};
  }
  const KxDialogTemplate* dialog(std::uint32_t id) const {
    for (const auto& d : dialogs())
      if (d.id == id) return &d;
    return nullptr;
  }

  void* library;
  const KxResourceTable* table = nullptr;
};

const LoadedTable& english() {
  static const LoadedTable loaded(KX_RESOURCE_MODULE);
  return loaded;
}
const LoadedTable& chinese() {
  static const LoadedTable loaded(KX_ZH_RESOURCE_MODULE);
  return loaded;
}

class ResourceModule : public ::testing::TestWithParam<const LoadedTable& (*)()> {
 protected:
  void SetUp() override {
    loaded_ = &GetParam()();
    ASSERT_NE(loaded_->table, nullptr) << dlerror();
    table_ = loaded_->table;
  }
  std::span<const KxStringResource> strings() const { return loaded_->strings(); }
  const KxDialogTemplate* dialog(std::uint32_t id) const { return loaded_->dialog(id); }

  const LoadedTable* loaded_ = nullptr;
  const KxResourceTable* table_ = nullptr;
};

std::vector<std::wstring> words(std::wstring_view text) {
  std::vector<std::wstring> out;
  std::wstring word;
  for (wchar_t c : text) {
    if (c == L' ') {
      if (!word.empty()) out.push_back(std::move(word));
      word.clear();
    } else {
      word.push_back(c);
    }
  }
  if (!word.empty()) out.push_back(std::move(word));
  return out;
}

// One letter per conversion of a printf format: d (int), f (double), s (wide string); anything
// else shows as '?' and the letter, which no expectation holds.
std::wstring conversions(std::wstring_view format) {
  std::wstring kinds;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != L'%') continue;
    if (++i < format.size() && format[i] == L'%') continue;
    while (i < format.size() &&
           std::wstring_view(L"-+ #0").find(format[i]) != std::wstring_view::npos)
      ++i;
    while (i < format.size() && (std::iswdigit(format[i]) || format[i] == L'.')) ++i;
    std::wstring length;
    while (i < format.size() &&
           std::wstring_view(L"hlLqjzt").find(format[i]) != std::wstring_view::npos)
      length += format[i++];
    const wchar_t c = i < format.size() ? format[i] : L'\0';
    if ((c == L'd' || c == L'i') && length.empty())
      kinds += L'd';
    else if (std::wstring_view(L"fFeEgG").find(c) != std::wstring_view::npos && length != L"L")
      kinds += L'f';
    else if (c == L's' && length.empty())
      kinds += L's';
    else
      kinds += std::wstring(L"?") + c;
  }
  return kinds;
}

TEST_P(ResourceModule, TextsAndDialogsHoldWhatTheCommandsRead) {
  EXPECT_EQ(table_->version, KX_RESOURCE_TABLE_VERSION);
  std::set<std::uint32_t> present;
  for (const auto& s : strings()) {
    SCOPED_TRACE(s.id);
    EXPECT_TRUE(present.insert(s.id).second) << "twice";
    ASSERT_TRUE(s.text && *s.text) << "empty";
    // Every text goes through a printf-style formatter, and the commands pass only ints, doubles
    // and wide strings: any other conversion would read an argument as the wrong type.
    for (wchar_t kind : conversions(s.text)) EXPECT_NE(kind, L'?') << conversions(s.text);
    // A keyword list offers as many typed words as it returns for the command to compare.
    const std::wstring_view all = s.text;
    if (const auto split = all.find(L" _ "); split != std::wstring_view::npos) {
      EXPECT_EQ(words(all.substr(0, split)).size(), words(all.substr(split + 3)).size());
    }
  }

  // HELP describes each of the 23 commands once, each with texts of its own.
  std::set<std::wstring_view> described;
  std::set<std::uint32_t> helpTexts;
  for (const KxCommandHelp& entry : std::span(table_->commands, table_->commandCount)) {
    EXPECT_TRUE(described.insert(entry.globalName).second);
    EXPECT_TRUE(present.contains(entry.aboutId) && present.contains(entry.usageId))
        << "HELP text " << entry.aboutId << " or " << entry.usageId;
    helpTexts.insert({entry.aboutId, entry.usageId});
  }
  EXPECT_EQ(described.size(), 23u);
  EXPECT_EQ(helpTexts.size(), 2 * described.size());

  for (std::uint32_t id : {res::kTcaseDialog, res::kTxt2mtxtDialog, res::kGb2big5Dialog}) {
    SCOPED_TRACE(id);
    const KxDialogTemplate* d = dialog(id);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->caption && *d->caption);
    // A reply names a control by its number or its caption, so both must be unambiguous.
    std::set<std::uint32_t> ids;
    std::set<std::wstring> captions;
    for (const KxDialogControl& c : std::span(d->controls, d->controlCount)) {
      std::wstring key = c.caption ? c.caption : L"";
      for (wchar_t& ch : key) ch = static_cast<wchar_t>(std::towupper(ch));
      if (!key.empty()) {
        EXPECT_TRUE(captions.insert(key).second) << key;
      }
      if (c.id == 0xFFFF) continue;
      EXPECT_TRUE(ids.insert(c.id).second) << "control " << c.id << " twice";
      if (c.kind != KxControlKind::kStatic && c.kind != KxControlKind::kComboBox) {
        EXPECT_FALSE(key.empty()) << "control " << c.id;
      }
    }
  }
}

// A translation is the English module with other words: every number there and nothing else,
// the same printf conversions in the same order (a %s where the command passes an int would read
// garbage), the same line start, keyword lists that return the very words the commands compare,
// and dialogs whose controls differ from the English ones only in their captions.
TEST(ResourceTranslation, ChineseModuleMatchesTheEnglishOneNumberForNumber) {
  const LoadedTable& en = english();
  const LoadedTable& zh = chinese();
  ASSERT_TRUE(en.table && zh.table);
  std::set<std::uint32_t> enIds, zhIds;
  for (const auto& s : en.strings()) enIds.insert(s.id);
  for (const auto& s : zh.strings()) zhIds.insert(s.id);
  for (std::uint32_t id : enIds) EXPECT_TRUE(zhIds.contains(id)) << id << " missing";
  for (std::uint32_t id : zhIds) EXPECT_TRUE(enIds.contains(id)) << id << " not in English";

  std::set<std::wstring_view> globalNames;
  for (const KxCommandHelp& entry : std::span(en.table->commands, en.table->commandCount))
    globalNames.insert(entry.globalName);
  std::set<std::wstring_view> localNames;
  for (std::uint32_t id : enIds) {
    SCOPED_TRACE(id);
    const std::wstring_view e = en.text(id), z = zh.text(id);
    EXPECT_EQ(conversions(e), conversions(z));
    EXPECT_EQ(e.starts_with(L'\n'), z.starts_with(L'\n'));
    if (const auto split = e.find(L" _ "); split != std::wstring_view::npos) {
      const auto zsplit = z.find(L" _ ");
      ASSERT_NE(zsplit, std::wstring_view::npos);
      EXPECT_EQ(words(e.substr(split + 3)), words(z.substr(zsplit + 3)));
    }
    // The English local names are the global ones; the Chinese one beside each must be a word
    // of its own, or the host refuses to register the command under it.
    if (globalNames.contains(e)) {
      EXPECT_EQ(words(z).size(), 1u) << "name with blanks";
      EXPECT_FALSE(globalNames.contains(z)) << "another command's name";
      EXPECT_TRUE(localNames.insert(z).second) << "name twice";
    }
  }
  EXPECT_EQ(localNames.size(), globalNames.size());

  ASSERT_EQ(en.dialogs().size(), zh.dialogs().size());
  for (const KxDialogTemplate& d : en.dialogs()) {
    SCOPED_TRACE(d.id);
    const KxDialogTemplate* z = zh.dialog(d.id);
    ASSERT_NE(z, nullptr);
    ASSERT_EQ(d.controlCount, z->controlCount);
    for (std::uint32_t i = 0; i < d.controlCount; ++i) {
      const KxDialogControl &a = d.controls[i], &b = z->controls[i];
      EXPECT_TRUE(a.id == b.id && a.kind == b.kind && a.groupStart == b.groupStart &&
                  a.disabled == b.disabled)
          << "control " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EachLanguage, ResourceModule, ::testing::Values(&english, &chinese),
                         [](const auto& info) { return info.index == 0 ? "English" : "Chinese"; });

}  // namespace
