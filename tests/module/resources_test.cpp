// The resource module as the host sees it: loaded from its file, read through its one export.
// What binds here is what the module's code relies on: every identifier it asks for exists, a
// format receives exactly the arguments the code passes, a keyword list returns the words the
// code compares, and the dialogs hold the controls the code addresses.

#include <dlfcn.h>

#include <cstdint>
#include <cwctype>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "kx/kxresfmt.h"

namespace {

using Ids = std::vector<std::uint32_t>;

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

// Every identifier the commands ask for, as ranges.
constexpr std::pair<std::uint32_t, std::uint32_t> kUsedIds[] = {
    {5999, 5999}, {6031, 6049}, {6107, 6108}, {6800, 6800},                // command names
    {2621, 2621}, {2623, 2623}, {2647, 2648}, {3548, 3548},                // shared
    {2358, 2362}, {2364, 2365}, {2367, 2367}, {3567, 3569},                // TCOUNT
    {2566, 2568}, {2577, 2578}, {2617, 2617}, {2569, 2569},                // heights, style, lines
    {2291, 2291}, {2346, 2349}, {2581, 2584}, {2334, 2334}, {2627, 2628},  // layout
    {2337, 2337}, {2626, 2626}, {3007, 3008}, {2579, 2580}, {2585, 2585},  // TXT2MTXT, MTEXP
    {3522, 3522}, {3528, 3529}, {3530, 3530},                              // TXTEXP, GB2BIG5
    {2350, 2350}, {2352, 2357}, {2622, 2622},                              // TCIRCLE
    {2343, 2343}, {2570, 2576}, {3508, 3510}, {3564, 3566},                // masks
    {6801, 6804},                                                          // TEXTTOFRONT
    {2454, 2458}, {2100, 2100}, {2404, 2404}, {2459, 2468}, {2470, 2474},  // ATTOUT, ATTIN
    {6123, 6124}, {6126, 6129}, {6132, 6132}, {6135, 6143},                // GATTE
    {2452, 2453}, {3239, 3240},                                            // BURST
    {6900, 6922}, {6930, 6952},                                            // HELP
};

// The local name of each command: its global name, since this module is the English one.
const std::pair<std::uint32_t, std::wstring_view> kCommandNames[] = {
    {6047, L"BURST"},    {6048, L"ATTOUT"},      {6049, L"ATTIN"},    {5999, L"GATTE"},
    {6108, L"TXTEXP"},   {6031, L"TEXTFIT"},     {6032, L"TXT2MTXT"}, {6033, L"TJUST"},
    {6034, L"TORIENT"},  {6035, L"TCIRCLE"},     {6036, L"TCOUNT"},   {6037, L"TCASE"},
    {6038, L"CHGTHEI"},  {6039, L"CURSTYLE"},    {6040, L"TXTULINE"}, {6041, L"DELULINE"},
    {6042, L"TEXTMASK"}, {6043, L"TEXTUNMASK"},  {6044, L"MATHEI"},   {6045, L"MTEXP"},
    {6046, L"TXTALIGN"}, {6800, L"TEXTTOFRONT"}, {6107, L"GB2BIG5"},
};

struct KeywordList {
  std::uint32_t id;
  std::wstring_view returned;  // what the command compares
  std::uint32_t prompt;        // the prompt that offers the list
  std::wstring_view enter;     // the default the prompt shows: what Enter does; empty for none
};

// TCOUNT's placement and TEXTTOFRONT's class are told apart by their first letters only.
const KeywordList kKeywordLists[] = {
    {2358, L"X Y Select-order", 2359, L"%s"},
    {2365, L"Overwrite Prefix Suffix Find-replace", 2362, L"Prefix"},
    {2346, L"Start Center Middle Right TL TC TR ML MC MR BL BC BR", 2347, L"Start"},
    {2583, L"Left Middle Right", 2582, L"Left"},
    {3008, L"SEttings", 2337, L""},
    {3008, L"SEttings", 3007, L""},
    {2352, L"Circles Slots Rectangles", 2353, L"Slots"},
    {2356, L"Constant Variable", 2354, L"Variable"},
    {2357, L"Height Width Both", 2355, L"Both"},
    {2573, L"Masktype Offset", 2572, L""},
    {3510, L"Wipeout 3dface Solid", 3509, L"Wipeout"},
    {6801, L"Text Dimensions Leaders All", 6802, L"All"},
    {6138, L"Block", 6124, L""},
    {6139, L"Yes No", 6129, L"Yes"},
};

TEST_F(ResourceModule, HoldsEveryTextTheCommandsAskForAndNoOther) {
  EXPECT_EQ(table_->version, KX_RESOURCE_TABLE_VERSION);
  std::set<std::uint32_t> used;
  for (auto [first, last] : kUsedIds)
    for (auto id = first; id <= last; ++id) used.insert(id);

  std::set<std::uint32_t> present;
  for (const auto& s : strings()) {
    EXPECT_TRUE(present.insert(s.id).second) << "id " << s.id << " twice";
    EXPECT_TRUE(s.text && *s.text) << "id " << s.id << " empty";
  }
  EXPECT_EQ(present, used);
  for (std::uint32_t id : {2345u, 2366u, 3518u}) EXPECT_NE(dialog(id), nullptr) << id;

  // HELP describes every command, each with texts of its own.
  std::set<std::wstring_view> described;
  std::set<std::uint32_t> helpTexts;
  for (std::uint32_t i = 0; i < table_->commandCount; ++i) {
    const KxCommandHelp& entry = table_->commands[i];
    described.insert(entry.globalName);
    EXPECT_TRUE(present.contains(entry.aboutId) && present.contains(entry.usageId))
        << "HELP text " << entry.aboutId << " or " << entry.usageId;
    helpTexts.insert({entry.aboutId, entry.usageId});
  }
  std::set<std::wstring_view> commands;
  for (auto [id, name] : kCommandNames) commands.insert(name);
  EXPECT_EQ(described, commands);
  EXPECT_EQ(helpTexts.size(), 2 * commands.size());
}

TEST_F(ResourceModule, LocalCommandNamesAreTheEnglishNames) {
  for (auto [id, name] : kCommandNames) EXPECT_EQ(text(id), name) << id;
}

TEST_F(ResourceModule, TextsReadAsCommandLineLinesWithTheirArguments) {
  // The arguments each format receives, in order; every other text is printed as a format too
  // (kxutPrintf), so it must hold no conversion at all. 2617 is passed a 0 it does not show.
  const std::map<std::uint32_t, std::wstring> formats = {
      {2359, L"s"},  {2367, L"d"},   {2647, L"d"}, {2648, L"d"}, {2568, L"s"}, {2291, L"d"},
      {2348, L"d"},  {2626, L"dd"},  {2350, L"f"}, {2354, L"s"}, {2355, L"s"}, {2622, L"sds"},
      {2570, L"fs"}, {2571, L"fsd"}, {3508, L"s"}, {3509, L"s"}, {2343, L"f"}, {2575, L"d"},
      {6803, L"d"},  {2455, L"s"},   {2457, L"s"}, {2462, L"d"}, {2464, L"s"}, {2100, L"s"},
      {2468, L"ss"}, {6141, L"ss"},  {6143, L"d"}, {2452, L"d"}, {2453, L"d"}, {2473, L"s"},
      {2474, L"s"},  {3240, L"d"},   {3529, L"d"}, {3530, L"d"},
  };
  // Texts that do not open a line of their own: names, keyword lists, dialog and box titles,
  // the question box's text, and pieces printed after another on the same line.
  std::set<std::uint32_t> inline_ = {3564, 3565, 3566, 3567, 3568, 3569,  // display names
                                     2454, 2458, 2100, 2465, 2464, 2468, 6129};
  for (auto [id, name] : kCommandNames) inline_.insert(id);
  for (const KeywordList& list : kKeywordLists) inline_.insert(list.id);
  for (std::uint32_t i = 0; i < table_->commandCount; ++i)
    inline_.insert({table_->commands[i].aboutId, table_->commands[i].usageId});
  for (const auto& s : strings()) {
    const auto it = formats.find(s.id);
    EXPECT_EQ(conversions(s.text), it == formats.end() ? L"" : it->second) << "id " << s.id;
    EXPECT_EQ(std::wstring_view(s.text).starts_with(L'\n'), !inline_.contains(s.id))
        << "id " << s.id;
  }
}

TEST_F(ResourceModule, KeywordListsReturnTheWordsTheCommandsCompare) {
  for (const KeywordList& list : kKeywordLists) {
    SCOPED_TRACE(list.id);
    const std::wstring_view all = text(list.id);
    const auto split = all.find(L" _ ");
    ASSERT_NE(split, std::wstring_view::npos);
    const auto typed = words(all.substr(0, split));
    EXPECT_EQ(words(all.substr(split + 3)), words(list.returned));
    EXPECT_EQ(typed.size(), words(list.returned).size());

    // The prompt offers the typed words, in order, as "[A/B/C]", and names the default.
    const std::wstring_view prompt = text(list.prompt);
    EXPECT_TRUE(prompt.ends_with(L": ")) << list.prompt;
    const auto open = prompt.find(L'['), close = prompt.find(L']');
    ASSERT_TRUE(open != std::wstring_view::npos && close > open) << list.prompt;
    std::vector<std::wstring> offered;
    for (std::wstring_view rest = prompt.substr(open + 1, close - open - 1);;) {
      const auto slash = rest.find(L'/');
      offered.push_back(words(rest.substr(0, slash)).at(0));  // "Block name" offers "Block"
      if (slash == std::wstring_view::npos) break;
      rest.remove_prefix(slash + 1);
    }
    EXPECT_EQ(offered, typed) << list.prompt;
    const std::wstring shown = list.enter.empty() ? L"<" : L"<" + std::wstring(list.enter) + L">";
    EXPECT_EQ(prompt.find(shown) != std::wstring_view::npos, !list.enter.empty()) << list.prompt;
  }
}

TEST_F(ResourceModule, DialogsHoldTheControlsTheCommandsAddress) {
  using Kind = KxControlKind;
  struct Expected {
    std::uint32_t id;
    std::vector<std::pair<std::uint32_t, Kind>> controls;
    std::vector<Ids> radioGroups;
    Ids disabled;
  };
  constexpr Kind radio = Kind::kRadioButton, button = Kind::kPushButton;
  // clang-format off
  const Expected dialogs[] = {
      {2366,
       {{2005, radio}, {2006, radio}, {2021, radio}, {2022, radio}, {2023, radio},
        {1, button}, {2, button}},
       {{2005, 2006, 2021, 2022, 2023}},
       {}},
      {2345,
       {{2025, Kind::kCheckBox}, {2005, radio}, {2006, radio}, {1, button}, {2, button}},
       {{2005, 2006}},
       {}},
      {3518,
       {{3511, Kind::kStatic}, {3512, radio}, {3513, radio}, {3514, radio}, {3515, radio},
        {3516, radio}, {3517, Kind::kComboBox}, {1, button}, {2, button}},
       {{3512, 3513}, {3514, 3515, 3516}},
       {3517}},  // the layer list waits for the one-layer scope
  };
  // clang-format on
  for (const Expected& expected : dialogs) {
    SCOPED_TRACE(expected.id);
    const KxDialogTemplate* d = dialog(expected.id);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->caption && *d->caption);
    const std::span<const KxDialogControl> controls(d->controls, d->controlCount);

    std::map<std::uint32_t, Kind> kinds;
    std::set<std::wstring> captions;  // a reply may name a control by its caption
    std::vector<Ids> groups;
    Ids disabled;
    for (const KxDialogControl& c : controls) {
      if (c.groupStart || groups.empty()) groups.emplace_back();
      if (c.kind == Kind::kRadioButton) groups.back().push_back(c.id);
      if (c.disabled) disabled.push_back(c.id);
      const std::wstring caption = c.caption ? c.caption : L"";
      if (c.id == 0xFFFF) {
        EXPECT_TRUE(c.kind == Kind::kStatic || c.kind == Kind::kGroupBox);
        EXPECT_FALSE(caption.empty());
        continue;
      }
      EXPECT_TRUE(kinds.emplace(c.id, c.kind).second) << "control " << c.id << " twice";
      std::wstring key = caption;
      for (wchar_t& ch : key) ch = static_cast<wchar_t>(std::towupper(ch));
      if (!key.empty()) {
        EXPECT_TRUE(captions.insert(key).second) << caption;
      }
      if (c.kind != Kind::kStatic && c.kind != Kind::kComboBox) {
        EXPECT_FALSE(caption.empty());
      }
    }
    EXPECT_EQ(kinds,
              (std::map<std::uint32_t, Kind>(expected.controls.begin(), expected.controls.end())));
    std::erase_if(groups, [](const Ids& g) { return g.empty(); });
    EXPECT_EQ(groups, expected.radioGroups);
    EXPECT_EQ(disabled, expected.disabled);
  }
}

}  // namespace
