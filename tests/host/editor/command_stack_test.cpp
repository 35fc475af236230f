// The command stack: registration, name clashes, lookup as a user types names, removal, and
// running commands safely (exceptions, commands that remove themselves, the pickfirst set).

#include "editor/command_stack.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "db/entities.h"
#include "editor/selection_sets.h"
#include "kx/kxed.h"
#include "kx/kxrxsys.h"
#include "kx/kxwinfile.h"
#include "support/drawing.h"
#include "support/sdk_fixture.h"

namespace kx::editor {
namespace {

std::vector<std::wstring> ran;  // what the handlers below saw, in order

void first() {
  ran.push_back(L"first");
}
void second() {
  ran.push_back(L"second");
}
void third() {
  ran.push_back(L"third");
}
void throwsStd() {
  throw std::runtime_error("out of paper");
}
void throwsInt() {
  throw 7;
}
void throwsFrameworkException() {
  throw new CFileException(CFileException::diskFull, -1, L"plan.txt");  // as the platform does
}
void removesItsGroup() {
  commandStack().removeGroup(L"KXT_SELF");
  ran.push_back(L"removed");
}
void countsPicked() {
  kds_name set;
  std::int32_t length = 0;
  if (kxedSSGet(L"_I", nullptr, nullptr, nullptr, set) == KXRT_NORM) {
    kxedSSLength(set, &length);
    kxedSSFree(set);
  }
  ran.push_back(std::to_wstring(length));
}
// Takes the picked set, then leaves every entity picked for the next command.
void countsAndPicksAll() {
  countsPicked();
  kds_name all;
  if (kxedSSGet(L"_X", nullptr, nullptr, nullptr, all) == KXRT_NORM) {
    kxedSSSetFirst(nullptr, all);
    kxedSSFree(all);
  }
}

class CommandStackTest : public test::SdkTest {
 protected:
  CommandStackTest() {
    ran.clear();
    commandErrors = [this](std::string_view line) { errors.emplace_back(line); };
  }
  ~CommandStackTest() override {
    commandErrors = nullptr;
    for (const wchar_t* g : {L"KXT_A", L"KXT_B", L"KXT_SELF", kHostCommandGroup})
      commandStack().removeGroup(g);
  }
  std::vector<std::wstring> table(const wchar_t* group) {
    std::vector<std::wstring> names;
    for (std::uint32_t i = 0; i < commandStack().numCommands(group); ++i)
      names.push_back(commandStack().commandAt(group, i)->globalName());
    return names;
  }
  std::vector<std::string> errors;
};

TEST_F(CommandStackTest, RegistersInOrderAndRefusesClashes) {
  KxEdCommandStack& stack = commandStack();
  // The registry holds the same stack, and it says what it is.
  EXPECT_EQ(kxrxSysRegistry()->at(KXRX_COMMAND_STACK), &stack);
  EXPECT_TRUE(kxrxSysRegistry()->at(KXRX_COMMAND_STACK)->isKindOf(KxEdCommandStack::desc()));

  void* out = nullptr;
  ASSERT_EQ(
      stack.addCommand(L"KXT_A", L"ZETA", L"ZED", KxEd::kModal, first, nullptr, -1, nullptr, &out),
      Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"KXT_A", L"ALPHA", nullptr, KxEd::kUsePickSet, second), Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"KXT_B", L"MIDDLE", L"MITTE", KxEd::kRedraw, third), Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"kxt_a", L"BETA", L"BETA", KxEd::kModal, third), Kxad::eOk);
  EXPECT_EQ(out, stack.lookupGlobalCmd(L"ZETA"));
  // Registration order, not name order; group names match without regard to case.
  EXPECT_EQ(table(L"KXT_A"), (std::vector<std::wstring>{L"ZETA", L"ALPHA", L"BETA"}));
  EXPECT_EQ(table(L"KXT_B"), (std::vector<std::wstring>{L"MIDDLE"}));
  EXPECT_EQ(stack.commandAt(L"KXT_A", 1)->commandFlags(), KxEd::kUsePickSet);
  EXPECT_STREQ(stack.commandAt(L"KXT_A", 1)->localName(), L"ALPHA");  // none given: the global
  EXPECT_STREQ(stack.commandAt(L"KXT_A", 2)->groupName(), L"KXT_A");
  EXPECT_EQ(stack.commandAt(L"KXT_A", 3), nullptr);

  // Either name clashing with either name of any command is refused, and nothing is added.
  EXPECT_EQ(stack.addCommand(L"KXT_B", L"zeta", L"Z2", 0, first), Kxad::eDuplicateKey);
  EXPECT_EQ(stack.addCommand(L"KXT_B", L"NEW", L"Zed", 0, first), Kxad::eDuplicateKey);
  EXPECT_EQ(stack.addCommand(L"KXT_B", L"MITTE", L"NEW", 0, first), Kxad::eDuplicateKey);
  EXPECT_EQ(stack.addCommand(L"KXT_A", L"ALPHA", L"ALPHA", 0, first), Kxad::eDuplicateKey);
  // Names a user could not type, and missing parts.
  EXPECT_EQ(stack.addCommand(L"KXT_B", L"TWO WORDS", L"TWOWORDS", 0, first), Kxad::eInvalidInput);
  EXPECT_EQ(stack.addCommand(L"KXT_B", L"SHOWN", L"_HIDDEN", 0, first), Kxad::eInvalidInput);
  EXPECT_EQ(stack.addCommand(L"KXT_B", L"", nullptr, 0, first), Kxad::eInvalidInput);
  EXPECT_EQ(stack.addCommand(L"", L"NOGROUP", nullptr, 0, first), Kxad::eInvalidInput);
  EXPECT_EQ(stack.addCommand(L"KXT_B", L"NOHANDLER", nullptr, 0, nullptr), Kxad::eInvalidInput);
  EXPECT_EQ(table(L"KXT_B"), (std::vector<std::wstring>{L"MIDDLE"}));
  EXPECT_EQ(table(L"KXT_A").size(), 3u);

  // Lookup as typed: local names first, "_" for global names only, "." ignored, any case.
  EXPECT_STREQ(stack.lookupCmd(L"mitte")->globalName(), L"MIDDLE");
  EXPECT_STREQ(stack.lookupCmd(L"middle")->globalName(), L"MIDDLE");
  EXPECT_EQ(stack.lookupCmd(L"_MITTE"), nullptr);
  EXPECT_STREQ(stack.lookupCmd(L"._middle")->globalName(), L"MIDDLE");
  EXPECT_STREQ(stack.lookupLocalCmd(L"Zed")->globalName(), L"ZETA");
  EXPECT_EQ(stack.lookupLocalCmd(L"ZETA"), nullptr);
  EXPECT_EQ(stack.lookupCmd(L"NOSUCH"), nullptr);

  // Removal: one command, then a group emptied by it disappears; unknown ones are reported.
  EXPECT_EQ(stack.removeCmd(L"KXT_A", L"alpha"), Kxad::eOk);
  EXPECT_EQ(table(L"KXT_A"), (std::vector<std::wstring>{L"ZETA", L"BETA"}));
  EXPECT_EQ(stack.removeCmd(L"KXT_A", L"ALPHA"), Kxad::eNotFound);
  EXPECT_EQ(stack.removeCmd(L"KXT_A", L"MIDDLE"), Kxad::eNotFound);  // another group's
  const std::uint32_t groups = stack.numGroups();
  EXPECT_EQ(stack.groupAt(groups), nullptr);
  EXPECT_EQ(stack.removeCmd(L"KXT_B", L"MIDDLE"), Kxad::eOk);
  EXPECT_EQ(stack.numGroups(), groups - 1);
  EXPECT_EQ(stack.removeGroup(L"KXT_B"), Kxad::eNotFound);
  EXPECT_EQ(stack.removeGroup(L"KXT_A"), Kxad::eOk);
  EXPECT_EQ(stack.lookupCmd(L"ZETA"), nullptr);
  // Freed names can be taken again.
  EXPECT_EQ(stack.addCommand(L"KXT_B", L"ZETA", L"MITTE", 0, first), Kxad::eOk);
}

TEST_F(CommandStackTest, RunsCommandsAndSurvivesTheirFaults) {
  KxEdCommandStack& stack = commandStack();
  ASSERT_EQ(stack.addCommand(L"KXT_A", L"FIRST", L"ERSTE", 0, first), Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"KXT_A", L"THROWS", nullptr, 0, throwsStd), Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"KXT_A", L"ODD", nullptr, 0, throwsInt), Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"KXT_A", L"FRAME", nullptr, 0, throwsFrameworkException), Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"KXT_SELF", L"SELFREMOVE", nullptr, 0, removesItsGroup), Kxad::eOk);

  EXPECT_EQ(runCommand(L"erste").status, CommandRun::Status::Done);
  const CommandRun byGlobal = runCommand(L"_First");
  EXPECT_EQ(byGlobal.status, CommandRun::Status::Done);
  EXPECT_EQ(byGlobal.command, L"FIRST");
  EXPECT_EQ(runCommand(L"_ERSTE").status, CommandRun::Status::Unknown);
  EXPECT_EQ(runCommand(L"").status, CommandRun::Status::Unknown);
  EXPECT_TRUE(errors.empty());

  const CommandRun failed = runCommand(L"THROWS");
  EXPECT_EQ(failed.status, CommandRun::Status::Failed);
  EXPECT_EQ(failed.error, "out of paper");
  EXPECT_EQ(runCommand(L"odd").status, CommandRun::Status::Failed);
  EXPECT_EQ(runCommand(L"frame").status, CommandRun::Status::Failed);
  EXPECT_EQ(errors, (std::vector<std::string>{"kxhost: THROWS: out of paper",
                                              "kxhost: ODD: unexpected exception",
                                              "kxhost: FRAME: The disk is full; 'plan.txt' could "
                                              "not be written."}));
  // The host goes on, and a command that removes itself while it runs finishes cleanly.
  EXPECT_EQ(runCommand(L"SELFREMOVE").status, CommandRun::Status::Done);
  EXPECT_EQ(stack.lookupCmd(L"SELFREMOVE"), nullptr);
  EXPECT_EQ(runCommand(L"FIRST").status, CommandRun::Status::Done);
  EXPECT_EQ(ran, (std::vector<std::wstring>{L"first", L"first", L"removed", L"first"}));

  // Host commands join the same table and clash with module names like any other.
  int hostRuns = 0;
  ASSERT_EQ(addHostCommand(L"KXTHOST", L"KXTHOST", 0, [&] { ++hostRuns; }), Kxad::eOk);
  EXPECT_EQ(addHostCommand(L"ERSTE", L"", 0, [] {}), Kxad::eDuplicateKey);
  EXPECT_EQ(addHostCommand(L"NOBODY", L"", 0, nullptr), Kxad::eInvalidInput);
  EXPECT_STREQ(stack.lookupCmd(L"kxthost")->groupName(), kHostCommandGroup);
  EXPECT_EQ(runCommand(L"kxthost").status, CommandRun::Status::Done);
  EXPECT_EQ(hostRuns, 1);
}

TEST_F(CommandStackTest, PickfirstGoesOnlyToCommandsThatTakeIt) {
  Document& doc = openNew();
  db::Database& db = doc.db();
  std::vector<db::ObjectId> lines;
  for (int i = 0; i < 2; ++i) lines.push_back(test::addLine(db, {0, 0, 0}, {1, 1, 0}));
  KxEdCommandStack& stack = commandStack();
  ASSERT_EQ(stack.addCommand(L"KXT_A", L"TAKES", nullptr, KxEd::kUsePickSet, countsPicked),
            Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"KXT_A", L"IGNORES", nullptr, KxEd::kModal, countsPicked), Kxad::eOk);
  ASSERT_EQ(stack.addCommand(L"KXT_A", L"PASSES", nullptr, KxEd::kUsePickSet, countsAndPicksAll),
            Kxad::eOk);
  SelectionSets& sets = Session::instance().selectionSets();

  sets.setPickfirst(db.serial(), lines);
  runCommand(L"TAKES");
  runCommand(L"TAKES");  // the first run used the set up
  sets.setPickfirst(db.serial(), lines);
  runCommand(L"IGNORES");
  runCommand(L"TAKES");  // and a command that does not take it drops it
  sets.setPickfirst(db.serial(), {lines[0]});
  runCommand(L"PASSES");
  runCommand(L"TAKES");  // a set made for the next command stays for it
  EXPECT_EQ(ran, (std::vector<std::wstring>{L"2", L"0", L"0", L"0", L"1", L"2"}));
}

}  // namespace
}  // namespace kx::editor
