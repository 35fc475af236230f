// TCOUNT as a user runs it: the three orders (the last one kept for the next run), start and
// increment in every reply form, the placements on TEXT, MTEXT paragraphs and ATTDEF tags, and
// the find-and-replace count.

#include <gtest/gtest.h>

#include <string>

#include "module_test_support.h"

namespace kx::test {
namespace {

class TcountTest : public CommandTest {
 protected:
  std::vector<std::vector<std::int64_t>> textsAt(std::initializer_list<double> xs) {
    std::vector<std::vector<std::int64_t>> made;
    for (double x : xs) made.push_back(makeText(L"T", {x, 0, 0}));
    return made;
  }
  // Texts picked one by one, in the order given.
  std::vector<std::wstring> picks(const std::vector<std::vector<std::int64_t>>& texts) {
    std::vector<std::wstring> replies;
    for (const auto& t : texts) replies.push_back(L"H " + stringOf(t, 5));
    replies.emplace_back(L"");
    return replies;
  }
  void runWith(std::vector<std::wstring> replies) {
    for (const auto& r : replies) editor::InputSource::instance().queue(r);
    run(L"TCOUNT", {});
  }
  template <typename... More>
  std::vector<std::wstring> then(std::vector<std::wstring> replies, More... more) {
    (replies.emplace_back(more), ...);
    return replies;
  }
};

TEST_F(TcountTest, OrdersAndStartsAsChosenAndRemembersTheOrder) {
  const auto texts = textsAt({30, 10, 20});
  runWith(then(picks(texts), L"_X", L"", L""));
  EXPECT_EQ(textOf(texts[1]), L"1 T");
  EXPECT_EQ(textOf(texts[2]), L"2 T");
  EXPECT_EQ(textOf(texts[0]), L"3 T");

  // Enter keeps X; "5,-1" counts down; overwrite.
  runWith(then(picks(texts), L"", L"5,-1", L"_Overwrite"));
  EXPECT_EQ(textOf(texts[1]), L"5");
  EXPECT_EQ(textOf(texts[2]), L"4");
  EXPECT_EQ(textOf(texts[0]), L"3");

  // An unreadable start is explained and asked again; "7" counts up by one in picking order.
  runWith(then(picks(texts), L"_Select-order", L"abc", L"7", L"_Suffix"));
  EXPECT_EQ(textOf(texts[0]), L"3 7");
  EXPECT_EQ(textOf(texts[1]), L"5 8");
  EXPECT_EQ(textOf(texts[2]), L"4 9");
  EXPECT_NE(printed.find(message(2364)), std::wstring::npos) << printed;
}

TEST_F(TcountTest, ParagraphsTagsAndFindAndReplace) {
  const double at[3] = {0, 0, 0};
  const auto mtext = make(kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 40, 2.0, 1, L"a\\Pb", 0));
  const auto attdef = make(kxutBuildList(KXRT_DXF0, L"ATTDEF", 10, at, 40, 2.0, 1, L"default", 2,
                                         L"PART", 3, L"Which part", 0));
  const auto text = makeText(L"c", {0, -10, 0});
  runWith(then(picks({mtext, attdef, text}), L"_Select-order", L"", L""));
  EXPECT_EQ(textOf(mtext), L"1 a\\P2 b");
  EXPECT_EQ(stringOf(attdef, 2), L"3 PART");
  EXPECT_EQ(stringOf(attdef, 1), L"default");
  EXPECT_EQ(stringOf(attdef, 3), L"Which part");
  EXPECT_EQ(textOf(text), L"4 c");

  const auto a = makeText(L"A#", {0, 20, 0});
  const auto b = makeText(L"B", {0, 30, 0});
  const auto d = makeText(L"D#", {0, 40, 0});
  printed.clear();
  runWith(then(picks({a, b, d}), L"", L"", L"_Find-replace", L"#"));
  EXPECT_EQ(textOf(a), L"A1");
  EXPECT_EQ(textOf(b), L"B");
  EXPECT_EQ(textOf(d), L"D3");
  EXPECT_NE(printed.find(message(2367, 2)), std::wstring::npos) << printed;
}

TEST_F(TcountTest, CancelAtAnyPromptChangesNothing) {
  const auto texts = textsAt({1, 2});
  runWith(then(picks(texts), L"", L"", L"^C"));
  runWith(then(picks(texts), L"", L"^C"));
  runWith(then(picks(texts), L"", L"", L"_Find-replace", L"^C"));
  EXPECT_EQ(textOf(texts[0]), L"T");
  EXPECT_EQ(textOf(texts[1]), L"T");
}

}  // namespace
}  // namespace kx::test
