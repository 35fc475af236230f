// The text form of a dialog on its own: radio groups, combo items, the lines it shows and what
// replies mean, with no module or message map involved.

#include "platform/dialog_form.h"

#include <gtest/gtest.h>

#include "kx/kxwindlg.h"
#include "support/test_dialog.h"

namespace kx::platform {
namespace {

using Kind = FormReply::Kind;

class DialogFormTest : public ::testing::Test {
 protected:
  DialogFormTest() : form(test::kTestDialog) {}
  FormControl& at(std::uint32_t id) { return form.controls()[*form.find(id)]; }
  std::size_t index(std::uint32_t id) { return *form.find(id); }
  void fillLayers() {
    for (const wchar_t* name : {L"0", L"Walls", L"Doors"}) form.addItem(index(3517), name);
    form.select(index(3517), 0);
  }

  DialogForm form;
};

TEST_F(DialogFormTest, RadioButtonsExcludeEachOtherWithinTheirGroupOnly) {
  form.checkRadio(index(3512));
  form.checkRadio(index(3515));
  form.checkRadio(index(3516));
  EXPECT_TRUE(at(3512).checked) << "another group's radio button must not clear this one";
  EXPECT_FALSE(at(3515).checked);
  EXPECT_TRUE(at(3516).checked);

  // CheckRadioButton goes by id range, whatever the groups; the lowest checked id is reported.
  form.checkRadioRange(3512, 3516, 3513);
  EXPECT_FALSE(at(3512).checked);
  EXPECT_TRUE(at(3513).checked);
  EXPECT_FALSE(at(3516).checked);
  form.controls()[index(3515)].checked = true;
  EXPECT_EQ(form.checkedInRange(3512, 3516), 3513u);
  EXPECT_EQ(form.checkedInRange(3514, 3516), 3515u);
  EXPECT_EQ(form.checkedInRange(3500, 3510), 0u);
}

TEST_F(DialogFormTest, ComboItemsKeepTheSelectionOnTheSameItem) {
  const std::size_t combo = index(3517);
  fillLayers();
  form.select(combo, 1);  // Walls
  EXPECT_EQ(form.insertItem(combo, 0, L"Roof"), 0);
  EXPECT_EQ(at(3517).selection, 2);
  EXPECT_TRUE(form.deleteItem(combo, 0));
  EXPECT_EQ(at(3517).selection, 1);
  EXPECT_TRUE(form.deleteItem(combo, 1));
  EXPECT_EQ(at(3517).selection, -1) << "deleting the selected item clears the selection";
  EXPECT_FALSE(form.deleteItem(combo, 5));
  EXPECT_EQ(form.insertItem(combo, 7, L"x"), -1);
  EXPECT_FALSE(form.select(combo, 9));
  EXPECT_EQ(at(3517).selection, -1);

  // Searches start after the given position and wrap around; prefix or whole text, any case.
  form.addItem(combo, L"Doorframes");  // 0, Doors, Doorframes
  EXPECT_EQ(form.findItem(combo, -1, L"door", false), 1);
  EXPECT_EQ(form.findItem(combo, 1, L"door", false), 2);
  EXPECT_EQ(form.findItem(combo, 2, L"door", false), 1);
  EXPECT_EQ(form.findItem(combo, -1, L"DOORFRAMES", true), 2);
  EXPECT_EQ(form.findItem(combo, -1, L"door", true), -1);
}

TEST_F(DialogFormTest, ShowsEveryControlKindOnItsOwnLine) {
  fillLayers();
  form.checkRadio(index(3512));
  at(2025).checked = true;
  at(3520).text = L"T-";
  at(1).enabled = false;
  const std::vector<std::wstring> expected = {
      L"Convert text (dialog 3518)",
      L"  Choose how to convert the text:",
      L"  No text selected #3511",
      L"  -- Direction --",
      L"  (*) Simplified to traditional #3512",
      L"  ( ) Traditional to simplified #3513",
      L"  -- Objects --",
      L"  ( ) Selected objects #3514",
      L"  ( ) All objects #3515",
      L"  ( ) Objects on layer #3516",
      L"  combo Layer: 0  {0, Walls, Doors} #3517 (disabled)",
      L"  [x] Join lines #2025",
      L"  edit Prefix: \"T-\" #3520",
      L"  [Browse...] #3521",
      L"  [Join lines] #3522",
      L"  [Convert] (disabled) [Cancel]",
  };
  EXPECT_EQ(form.render(), expected);
  EXPECT_EQ(form.prompt(), L"Dialog 3518 (caption or its start, #id, ID=VALUE, OK, Cancel): ");

  at(3517).selection = -1;
  at(3517).enabled = true;
  at(3517).visible = false;
  EXPECT_EQ(form.controlLine(index(3517)),
            L"  combo Layer: (none)  {0, Walls, Doors} #3517 (hidden)");
  // Without OK and Cancel buttons of its own the form still offers them.
  FormControl box;
  box.id = 10;
  box.kind = KxControlKind::kCheckBox;
  box.text = L"A";
  DialogForm bare(7, L"", {box});
  EXPECT_EQ(bare.render(),
            (std::vector<std::wstring>{L"Dialog 7", L"  [ ] A #10", L"  [OK] [Cancel]"}));
}

TEST_F(DialogFormTest, RepliesNameControlsByIdOrCaption) {
  fillLayers();
  auto expectReply = [&](std::wstring_view text, Kind kind, std::uint32_t id = 0, int value = 0) {
    const FormReply r = form.parse(text);
    EXPECT_EQ(r.kind, kind) << "reply: " << std::string(text.begin(), text.end())
                            << " reason: " << std::string(r.text.begin(), r.text.end());
    if (kind != Kind::kRefused && kind != Kind::kShowForm && kind != Kind::kCommand) {
      EXPECT_EQ(form.controls()[r.control].id, id);
    }
    if (kind == Kind::kCheck || kind == Kind::kSelect || kind == Kind::kCommand) {
      EXPECT_EQ(r.value, value);
    }
  };
  auto reason = [&](std::wstring_view text) { return form.parse(text).text; };

  expectReply(L"", Kind::kShowForm);
  expectReply(L" ? ", Kind::kShowForm);
  expectReply(L"3513", Kind::kClick, 3513);
  expectReply(L"  traditional TO simplified ", Kind::kClick, 3513);  // '&' and case ignored
  expectReply(L"browse", Kind::kClick, 3521);                        // "..." optional
  expectReply(L"BROWSE...", Kind::kClick, 3521);
  expectReply(L"convert", Kind::kClick, 1);
  expectReply(L"ok", Kind::kCommand, 0, IDOK);
  expectReply(L"IDCANCEL", Kind::kCommand, 0, IDCANCEL);
  EXPECT_EQ(reason(L"join lines"),
            L"\"join lines\" names several controls (2025, 3522); type the id.");
  EXPECT_EQ(reason(L"4711"), L"No control \"4711\" in this dialog.");
  expectReply(L"sel", Kind::kClick, 3514);  // the start of one caption only
  expectReply(L"#3514", Kind::kClick, 3514);
  EXPECT_EQ(reason(L"jo"), L"No control \"jo\" in this dialog.");  // starts two
  EXPECT_EQ(reason(L"3511"), L"Label 3511 cannot be clicked.");
  EXPECT_EQ(reason(L"3520"), L"Edit box 3520 takes text: 3520=TEXT.");

  // Values.
  expectReply(L"2025=1", Kind::kCheck, 2025, 1);
  expectReply(L"2025 = 0", Kind::kCheck, 2025, 0);
  EXPECT_EQ(reason(L"2025=yes"), L"Check box 2025 takes 0 or 1.");
  expectReply(L"3515=1", Kind::kClick, 3515);
  EXPECT_EQ(reason(L"3515=0"),
            L"Radio button 3515 takes 1; checking another button of its group clears it.");
  expectReply(L"3520=  \"  two words \" ", Kind::kText, 3520);
  EXPECT_EQ(form.parse(L"3520=  \"  two words \" ").text, L"  two words ");
  expectReply(L"prefix=x", Kind::kText, 3520);
  EXPECT_EQ(reason(L"3521=1"), L"Button 3521 takes a click: type 3521.");
  EXPECT_EQ(reason(L"=1"), L"Type ID=VALUE, such as 3517=#1.");

  // A disabled control refuses everything until enabled.
  EXPECT_EQ(reason(L"3517=Walls"), L"Combo box 3517 is disabled.");
  at(3517).enabled = true;
  expectReply(L"3517=walls", Kind::kSelect, 3517, 1);
  expectReply(L"layer=#3", Kind::kSelect, 3517, 2);
  expectReply(L"3517=0", Kind::kSelect, 3517, 0);  // an item's text wins over anything else
  EXPECT_EQ(reason(L"3517=#4"), L"Combo box 3517 has no item \"#4\"; give an item or #1 to #3.");
  EXPECT_EQ(reason(L"3517=Roof"),
            L"Combo box 3517 has no item \"Roof\"; give an item or #1 to #3.");
  EXPECT_EQ(reason(L"3517"), L"Combo box 3517 takes an item: 3517=ITEM or 3517=#N.");
  at(3513).visible = false;
  EXPECT_EQ(reason(L"3513"), L"Radio button 3513 is hidden.");

  // OK is refused while the dialog's own OK button is disabled; the bare form has no buttons,
  // so "1" and "2" are its OK and Cancel.
  at(1).enabled = false;
  EXPECT_EQ(reason(L"OK"), L"Button 1 is disabled.");
  EXPECT_EQ(reason(L"1"), L"Button 1 is disabled.");
  DialogForm bare(7, L"", {});
  EXPECT_EQ(bare.parse(L"1").value, IDOK);
  EXPECT_EQ(bare.parse(L"2").value, IDCANCEL);
}

TEST_F(DialogFormTest, ChangesTheUserMakesSendTheNotificationsAWindowWould) {
  fillLayers();
  at(3517).enabled = true;
  form.checkRadio(index(3514));
  EXPECT_EQ(form.apply(form.parse(L"3516")), (Notification{3516, BN_CLICKED}));
  EXPECT_TRUE(at(3516).checked);
  EXPECT_FALSE(at(3514).checked);
  // Clicking a checked radio button notifies again and leaves it checked.
  EXPECT_EQ(form.apply(form.parse(L"3516")), (Notification{3516, BN_CLICKED}));
  EXPECT_TRUE(at(3516).checked);

  EXPECT_EQ(form.apply(form.parse(L"2025")), (Notification{2025, BN_CLICKED}));
  EXPECT_TRUE(at(2025).checked);
  EXPECT_EQ(form.apply(form.parse(L"2025=1")), std::nullopt) << "no change, no click";
  EXPECT_EQ(form.apply(form.parse(L"2025=0")), (Notification{2025, BN_CLICKED}));
  EXPECT_FALSE(at(2025).checked);

  EXPECT_EQ(form.apply(form.parse(L"3517=Doors")), (Notification{3517, CBN_SELCHANGE}));
  EXPECT_EQ(at(3517).selection, 2);
  EXPECT_EQ(form.apply(form.parse(L"3520=abc")), (Notification{3520, EN_CHANGE}));
  EXPECT_EQ(at(3520).text, L"abc");
  EXPECT_EQ(form.apply(form.parse(L"3520=abc")), std::nullopt);
  EXPECT_EQ(form.apply(form.parse(L"Cancel")), (Notification{IDCANCEL, BN_CLICKED}));
}

TEST(PlainCaption, DropsAcceleratorMarksButKeepsDoubledOnes) {
  EXPECT_EQ(plainCaption(L"&Save && close"), L"Save & close");
  EXPECT_EQ(plainCaption(L"trailing&"), L"trailing");
}

}  // namespace
}  // namespace kx::platform
