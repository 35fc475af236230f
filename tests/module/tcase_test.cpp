// TCASE as a user runs it: texts picked or preselected, the conversion chosen in the dialog, the
// choice remembered for next time, locked and field-driven texts left alone, Cancel changing
// nothing.

#include <gtest/gtest.h>

#include <string>

#include "db/layers.h"
#include "db/symbol_tables.h"
#include "module_test_support.h"

namespace kx::test {
namespace {

class TcaseTest : public CommandTest {
 protected:
  TcaseTest() { kxedGetKxadWinApp()->WriteProfileStringW(L"TcaseDialog", nullptr, nullptr); }

  void run(std::initializer_list<const wchar_t*> replies) { CommandTest::run(L"TCASE", replies); }

  int lastChoice() {
    return static_cast<int>(
        kxedGetKxadWinApp()->GetProfileIntW(L"TcaseDialog", L"LastChoiced", -1));
  }
};

TEST_F(TcaseTest, ConvertsEveryKindOfTextAndRemembersTheChoice) {
  const double at[3] = {0, 0, 0};
  const auto text = makeText(L"hello. world", {0, 0, 0});
  const auto mtext = make(
      kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 40, 2.5, 1, L"{\\fArial|b0;one two}\\Pthree", 0));
  const auto attdef = make(
      kxutBuildList(KXRT_DXF0, L"ATTDEF", 10, at, 40, 2.5, 1, L"abc", 2, L"tag", 3, L"prompt", 0));
  const auto locked =
      make(kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.5, 1, L"locked", 8, L"Fixed", 0));
  auto& db = editor::activeDocument().db();
  db::setLayerLocked(db, db::findTableRecord(db, "LAYER", L"Fixed"), true);

  run({L"ALL", L"", L"2021", L"OK"});
  EXPECT_EQ(textOf(text), L"HELLO. WORLD");
  EXPECT_EQ(textOf(mtext), L"{\\fARIAL|B0;ONE TWO}\\PTHREE");
  EXPECT_EQ(textOf(attdef), L"ABC");
  EXPECT_EQ(textOf(locked), L"locked");
  EXPECT_EQ(lastChoice(), L'U');
  EXPECT_EQ(stringOf(attdef, 2), L"tag");
  EXPECT_EQ(stringOf(attdef, 3), L"prompt");

  // The next run starts on upper case: OK at once converts with it.
  const auto later = makeText(L"later text", {0, 10, 0});
  run({L"L", L"", L"OK"});
  EXPECT_EQ(textOf(later), L"LATER TEXT");

  run({L"L", L"", L"2022", L"OK"});
  EXPECT_EQ(textOf(later), L"Later Text");
  EXPECT_EQ(lastChoice(), L'T');
}

TEST_F(TcaseTest, PreselectedTextsNeedNoPromptAndCancelChangesNothing) {
  const auto text = makeText(L"Mixed Case", {0, 0, 0});
  const auto line = [] {
    const double a[3] = {0, 0, 0}, b[3] = {5, 5, 0};
    resbuf* list = kxutBuildList(KXRT_DXF0, L"LINE", 10, a, 11, b, 0);
    kxdbEntMake(list);
    kxutRelRb(list);
  };
  line();
  kds_name all;
  ASSERT_EQ(kxedSSGet(L"X", nullptr, nullptr, nullptr, all), KXRT_NORM);
  kxedSSSetFirst(nullptr, all);
  kxedSSFree(all);
  run({L"2006", L"Cancel"});
  EXPECT_EQ(textOf(text), L"Mixed Case");
  EXPECT_EQ(lastChoice(), -1);

  kxedSSGet(L"X", nullptr, nullptr, nullptr, all);
  kxedSSSetFirst(nullptr, all);
  kxedSSFree(all);
  run({L"2023", L"OK"});
  EXPECT_EQ(textOf(text), L"mIXED cASE");
}

TEST_F(TcaseTest, NothingSelectedEndsWithTheMessageAndNoDialog) {
  makeText(L"alone", {0, 0, 0});
  run({L"^C"});
  EXPECT_NE(printed.find(message(2623)), std::wstring::npos) << printed;
  EXPECT_EQ(printed.find(L"2366"), std::wstring::npos) << printed;
}

}  // namespace
}  // namespace kx::test
