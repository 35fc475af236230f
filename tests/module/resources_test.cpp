// The resource module as the host sees it: loaded from its file, read through its one export.
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

// The library, loaded once for all tests.
class ResourceModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    library_ = dlopen(KX_RESOURCE_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    auto* entry =
        reinterpret_cast<const KxResourceTable* (*)()>(dlsym(library_, KX_RESOURCE_TABLE_SYMBOL));
    ASSERT_NE(entry, nullptr) << "no " KX_RESOURCE_TABLE_SYMBOL " export";
    table_ = entry();
  }
  static void TearDownTestSuite() {
    if (library_) dlclose(library_);
    library_ = nullptr;
    table_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(table_, nullptr); }

  static std::span<const KxStringResource> strings() {
    return {table_->strings, table_->stringCount};
  }
  static std::wstring_view text(std::uint32_t id) {
    for (const auto& s : strings())
      if (s.id == id && s.text) return s.text;
    return {};
  }
  static const KxDialogTemplate* dialog(std::uint32_t id) {
    for (const auto& d : std::span(table_->dialogs, table_->dialogCount))
      if (d.id == id) return &d;
    return nullptr;
  }

  static inline void* library_ = nullptr;
  static inline const KxResourceTable* table_ = nullptr;
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

TEST_F(ResourceModule, TextsAndDialogsHoldWhatTheCommandsRead) {
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

}  // namespace
