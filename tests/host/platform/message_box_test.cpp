// Message boxes and the colour dialog as prompts: answers by word or letter, bad answers asked
// again, and what ^C and the end of the input answer.

#include <gtest/gtest.h>

#include <string>

#include "editor/input_source.h"
#include "editor/prompts.h"
#include "kx/kxwindlg.h"
#include "kx/kxwinres.h"
#include "support/sdk_fixture.h"

namespace {

using kx::editor::InputSource;
using kx::editor::Prompter;

class MessageBoxTest : public kx::test::SdkTest {
 protected:
  MessageBoxTest() {
    InputSource::instance().reset();
    Prompter::instance().reset();
  }
  ~MessageBoxTest() override { InputSource::instance().reset(); }
  void replies(std::initializer_list<const wchar_t*> lines) {
    for (const wchar_t* line : lines) InputSource::instance().queue(line);
  }
  int count(std::wstring_view text) const {
    int n = 0;
    for (auto at = printed.find(text); at != std::wstring::npos; at = printed.find(text, at + 1))
      ++n;
    return n;
  }
};

TEST_F(MessageBoxTest, YesNoTakesWordsAndLettersAndAsksAgainOtherwise) {
  replies({L"maybe", L"", L" y "});
  EXPECT_EQ(MessageBoxW(nullptr, L"\nReplace 3 texts?\nThis cannot be undone.\n", L"Convert",
                        MB_YESNO | MB_ICONQUESTION),
            IDYES);
  EXPECT_EQ(printed,
            L"** Convert **\n"
            L"Replace 3 texts?\n"
            L"This cannot be undone.\n"
            L"[Yes/No]: maybe\n"
            L"Answer Yes or No.\n"
            L"[Yes/No]: \n"
            L"Answer Yes or No.\n"
            L"[Yes/No]:  y \n");

  replies({L"NO"});
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_YESNO), IDNO);
  replies({L"cancel"});
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_YESNOCANCEL), IDCANCEL);
  replies({L"o"});
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_OKCANCEL), IDOK);
  replies({L"yes", L"r"});
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_RETRYCANCEL), IDRETRY);
  EXPECT_EQ(count(L"Answer Retry or Cancel.\n"), 1);
  replies({L"i"});
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_ABORTRETRYIGNORE), IDIGNORE);
  // A box with one button takes Enter.
  replies({L""});
  EXPECT_EQ(MessageBoxW(nullptr, L"Done.", L"c", MB_OK | MB_ICONINFORMATION), IDOK);
}

TEST_F(MessageBoxTest, CancelAnswersCancelWhereThereIsOneElseNo) {
  replies({L"^C"});
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_YESNO), IDNO);
  EXPECT_EQ(count(L"*Cancel*\n"), 1);
  replies({L"^C"});
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_YESNOCANCEL), IDCANCEL);
  // The end of the input.
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxW(nullptr, L"t", L"c", MB_ABORTRETRYIGNORE), IDABORT);
}

TEST_F(MessageBoxTest, WithoutACaptionTheProductNameShows) {
  replies({L"ok"});
  const std::wstring product = GetOemProductName() ? GetOemProductName() : L"";
  EXPECT_EQ(AfxMessageBox(L"Saved."), IDOK);
  EXPECT_TRUE(printed.starts_with(L"** " + (product.empty() ? L"kxhost" : product) + L" **\n"))
      << std::string(printed.begin(), printed.end());
  printed.clear();
  replies({L"n"});
  EXPECT_EQ(kxedGetKxadFrame()->MessageBoxW(L"Go on?", L"Question", MB_YESNO), IDNO);
  EXPECT_TRUE(printed.starts_with(L"** Question **\nGo on?\n[Yes/No]: n\n"));
}

TEST_F(MessageBoxTest, ColourDialogTakesNumbersNamesAndMetaColoursWhereAllowed) {
  int color = 256;
  replies({L"300", L"bylayer"});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), TRUE);
  EXPECT_EQ(color, 256);
  EXPECT_NE(printed.find(L"Colour (1-255, BYLAYER, BYBLOCK) <BYLAYER>: 300\n"
                         L"Enter a colour number from 1 to 255, BYLAYER or BYBLOCK.\n"),
            std::wstring::npos);
  color = 0;
  replies({L"  Red "});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), TRUE);
  EXPECT_EQ(color, 1);
  EXPECT_NE(printed.find(L"<BYBLOCK>: "), std::wstring::npos);

  // BYBLOCK and BYLAYER only where meta colours are allowed.
  color = 3;
  replies({L"byblock", L"0", L"256", L"42"});
  EXPECT_EQ(kxedSetColorDialog(color, FALSE, 5), TRUE);
  EXPECT_EQ(color, 42);
  EXPECT_EQ(count(L"Enter a colour number from 1 to 255.\n"), 3);
  replies({L"0"});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), TRUE);
  EXPECT_EQ(color, 0);

  // Enter keeps the colour; one the dialog cannot offer becomes the layer's.
  color = 256;
  replies({L""});
  EXPECT_EQ(kxedSetColorDialog(color, FALSE, 5), TRUE);
  EXPECT_EQ(color, 5);
  EXPECT_NE(printed.find(L"Colour (1-255) <5>: \n"), std::wstring::npos);
  color = 12;
  replies({L""});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), TRUE);
  EXPECT_EQ(color, 12);

  // ^C and the end of the input leave it alone.
  replies({L"^C"});
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), FALSE);
  EXPECT_EQ(kxedSetColorDialog(color, TRUE, 5), FALSE);
  EXPECT_EQ(color, 12);
}

}  // namespace
