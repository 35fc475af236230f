// Loading extension modules: the test module registers its commands and service and runs; it
// unloads cleanly and loads again; broken modules are refused with their reason, leaving nothing
// registered, and the host goes on.

#include "editor/module_loader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/command_stack.h"
#include "kx/kxrxsys.h"
#include "support/sdk_fixture.h"

namespace kx::editor {
namespace {

const std::filesystem::path kModuleDir = KX_MODULE_DIR;
const std::filesystem::path kTestModule = kModuleDir / "kx_test_module.nrx";

class ModuleLoaderTest : public test::SdkTest {
 protected:
  ModuleLoaderTest() {
    loader.errors = [this](std::string_view line) { errors.emplace_back(line); };
    commandErrors = [this](std::string_view line) { errors.emplace_back(line); };
  }
  ~ModuleLoaderTest() override {
    loader.unloadAll();
    commandErrors = nullptr;
  }

  // The test module's table: global name and flags, in order.
  std::vector<std::pair<std::wstring, std::int32_t>> testTable() {
    std::vector<std::pair<std::wstring, std::int32_t>> rows;
    KxEdCommandStack& stack = commandStack();
    for (std::uint32_t i = 0; i < stack.numCommands(L"KX_TEST"); ++i)
      rows.emplace_back(stack.commandAt(L"KX_TEST", i)->globalName(),
                        stack.commandAt(L"KX_TEST", i)->commandFlags());
    return rows;
  }
  std::wstring takePrinted() { return std::exchange(printed, std::wstring()); }

  std::vector<std::string> errors;
  ModuleLoader loader;
};

TEST_F(ModuleLoaderTest, LoadsRunsUnloadsAndLoadsAgain) {
  openNew();
  // The module's service joins one registered before it.
  ASSERT_NE(kxrxRegisterService(L"KxEarlierService"), nullptr);
  EXPECT_EQ(kxrxRegisterService(L""), nullptr);  // a service without a name is none
  const std::uint32_t services = kxrxServiceDictionary()->numEntries();
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(loader.load(kTestModule)) << (errors.empty() ? "" : errors.back());
    EXPECT_EQ(takePrinted(), L"test module: init\ntest module: drawing opened\n");
    EXPECT_EQ(testTable(), (std::vector<std::pair<std::wstring, std::int32_t>>{
                               {L"KXHELLO", KxEd::kUsePickSet | KxEd::kRedraw},
                               {L"KXFAIL", 0},
                               {L"KXODD", 0},
                               {L"KXLOCK", 0}}));
    EXPECT_TRUE(kxrxServiceIsRegistered(L"KxTestModuleService"));
    EXPECT_EQ(loader.loaded(), std::vector<std::filesystem::path>{kTestModule});

    EXPECT_EQ(runCommand(L"kxhallo").status, CommandRun::Status::Done);
    EXPECT_EQ(runCommand(L"_KXHELLO").status, CommandRun::Status::Done);
    EXPECT_EQ(takePrinted(), L"Hello from the test module\nHello from the test module\n");
    // A module's exceptions end its command, not the host.
    EXPECT_EQ(runCommand(L"KXFAIL").status, CommandRun::Status::Failed);
    EXPECT_EQ(runCommand(L"KXODD").status, CommandRun::Status::Failed);
    EXPECT_EQ(errors, (std::vector<std::string>{"kxhost: KXFAIL: the test command gave up",
                                                "kxhost: KXODD: unexpected exception"}));
    errors.clear();

    // The same library twice is refused; the first stays.
    EXPECT_FALSE(loader.load(kModuleDir / "." / "kx_test_module.nrx"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("already loaded"), std::string::npos);
    errors.clear();

    ASSERT_TRUE(loader.unload(kModuleDir / "." / "kx_test_module.nrx"));  // any name of it
    EXPECT_EQ(takePrinted(), L"test module: drawing closing\ntest module: unload\n");
    EXPECT_EQ(commandStack().numCommands(L"KX_TEST"), 0u);
    EXPECT_EQ(commandStack().lookupCmd(L"KXHELLO"), nullptr);
    EXPECT_FALSE(kxrxServiceIsRegistered(L"KxTestModuleService"));
    EXPECT_EQ(kxrxServiceDictionary()->numEntries(), services);
    EXPECT_TRUE(loader.loaded().empty());
    EXPECT_TRUE(errors.empty());  // it cleaned up after itself
  }
  EXPECT_FALSE(loader.unload(kTestModule));
  EXPECT_TRUE(kxrxServiceIsRegistered(L"KxEarlierService"));
  delete kxrxServiceDictionary()->remove(L"KxEarlierService");
  KxRxObject keyless;  // nothing goes in without a key
  EXPECT_EQ(kxrxServiceDictionary()->atPut(nullptr, &keyless), nullptr);
  EXPECT_EQ(errors.back(),
            "kxhost: cannot unload module " + kTestModule.string() + ": it is not loaded");
}

TEST_F(ModuleLoaderTest, LockedModulesStayUntilExitAndHearOfDrawings) {
  ASSERT_TRUE(loader.load(kTestModule));
  EXPECT_EQ(takePrinted(), L"test module: init\n");  // no drawing open yet
  Document& drawing = openNew();
  loader.drawingOpened(drawing);
  EXPECT_EQ(takePrinted(), L"test module: drawing opened\n");
  loader.drawingClosing(drawing);
  EXPECT_EQ(takePrinted(), L"test module: drawing closing\n");

  // The linker knows the module only by its own packet.
  int notAPacket = 0;
  EXPECT_FALSE(kxrxDynamicLinker()->unlockApplication(&notAPacket));
  runCommand(L"KXLOCK");
  EXPECT_EQ(takePrinted(), L"Locked: 1\n");
  EXPECT_FALSE(loader.unload(kTestModule));
  EXPECT_EQ(errors.back(),
            "kxhost: cannot unload module " + kTestModule.string() + ": it is locked");
  EXPECT_NE(commandStack().lookupCmd(L"KXHELLO"), nullptr);

  // At exit it goes all the same.
  loader.unloadAll();
  EXPECT_EQ(takePrinted(), L"test module: drawing closing\ntest module: unload\n");
  EXPECT_EQ(commandStack().lookupCmd(L"KXHELLO"), nullptr);
  EXPECT_FALSE(kxrxServiceIsRegistered(L"KxTestModuleService"));
}

TEST_F(ModuleLoaderTest, RefusesBrokenModulesAndGoesOn) {
  openNew();
  const std::uint32_t groups = commandStack().numGroups();
  const std::uint32_t services = kxrxServiceDictionary()->numEntries();
  const struct {
    std::string file;
    std::string reason;  // the start of it
  } cases[] = {
      {"kx_broken_text.nrx", "not a loadable shared library ("},
      {"kx_broken_no_entry_point.nrx", "it exports no kxrxEntryPoint"},
      {"kx_broken_wrong_version.nrx",
       "it was built for API version 0x07e40014, this host has 0x07e50014"},
      {"kx_broken_init_fails.nrx", "its initialisation failed (returned 3)"},
      {"kx_broken_init_throws.nrx", "its initialisation threw: cannot find its settings"},
      {"no_such_module.nrx", "no such file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    errors.clear();
    const std::filesystem::path file = kModuleDir / c.file;
    const ModuleLoader::Outcome outcome = loader.load(file);
    EXPECT_FALSE(outcome);
    EXPECT_TRUE(outcome.reason.starts_with(c.reason)) << outcome.reason;
    EXPECT_EQ(errors, std::vector<std::string>{"kxhost: cannot load module " + file.string() +
                                               ": " + outcome.reason});
    // Whatever it registered before it failed is gone again.
    EXPECT_EQ(commandStack().lookupCmd(L"KXLEFTOVER"), nullptr);
    EXPECT_EQ(commandStack().numGroups(), groups);
    EXPECT_FALSE(kxrxServiceIsRegistered(L"KxBrokenService"));
    EXPECT_EQ(kxrxServiceDictionary()->numEntries(), services);
    EXPECT_TRUE(loader.loaded().empty());
  }
  EXPECT_TRUE(printed.empty());

  // And a good module still loads after them.
  EXPECT_TRUE(loader.load(kTestModule));
  EXPECT_EQ(runCommand(L"KXHELLO").status, CommandRun::Status::Done);
}

}  // namespace
}  // namespace kx::editor
