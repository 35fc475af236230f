// The module's life in the host: it registers its commands with their names and flags, answers
// messages it does not know without doing anything, refuses to start without its texts, and
// leaves nothing behind when unloaded.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/command_stack.h"
#include "editor/module_loader.h"
#include "editor/session.h"
#include "kx/kxsdk.h"
#include "support/sdk_fixture.h"

namespace kx::test {
namespace {

const std::filesystem::path kTextModule = KX_TEXT_MODULE;
constexpr wchar_t kGroup[] = L"NRX_EXTENDTEXT_COMMANDS";
constexpr wchar_t kService[] = L"NRXEXTENDTEXTCMDS_SERVICE";

struct Row {
  std::wstring name;
  std::int32_t flags;
  bool operator==(const Row&) const = default;
};

class FrameTest : public SdkTest {
 protected:
  FrameTest() {
    openNew();
    loader.errors = [this](std::string_view line) { errors.emplace_back(line); };
  }
  ~FrameTest() override {
    loader.unloadAll();
    editor::Session::instance().productPreName.clear();
  }

  std::vector<Row> registered() {
    std::vector<Row> rows;
    KxEdCommandStack& stack = editor::commandStack();
    for (std::uint32_t i = 0; i < stack.numCommands(kGroup); ++i) {
      const KxEdCommand* command = stack.commandAt(kGroup, i);
      rows.push_back({command->globalName(), command->commandFlags()});
      EXPECT_STREQ(command->localName(), command->globalName());
    }
    return rows;
  }

  editor::ModuleLoader loader;
  std::vector<std::string> errors;
};

TEST_F(FrameTest, RegistersTheCommandTableAndTakesItAllBackOnUnload) {
  const std::vector<Row> table = {
      {L"BURST", 6},    {L"ATTOUT", 0},      {L"ATTIN", 0},      {L"GATTE", 0},    {L"TXTEXP", 6},
      {L"TEXTFIT", 6},  {L"TXT2MTXT", 6},    {L"TJUST", 6},      {L"TORIENT", 6},  {L"TCIRCLE", 6},
      {L"TCOUNT", 6},   {L"TCASE", 6},       {L"CHGTHEI", 0},    {L"CURSTYLE", 0}, {L"TXTULINE", 0},
      {L"DELULINE", 0}, {L"TEXTMASK", 0},    {L"TEXTUNMASK", 0}, {L"MATHEI", 0},   {L"MTEXP", 0},
      {L"TXTALIGN", 0}, {L"TEXTTOFRONT", 0}, {L"GB2BIG5", 0}};
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(loader.load(kTextModule)) << (errors.empty() ? "" : errors.back());
    EXPECT_EQ(registered(), table);
    EXPECT_TRUE(kxrxServiceIsRegistered(kService));
    ASSERT_TRUE(loader.unload(kTextModule));
    EXPECT_TRUE(registered().empty());
    EXPECT_FALSE(kxrxServiceIsRegistered(kService));
  }
}

TEST_F(FrameTest, WithoutItsResourceModuleTheModuleRegistersNothing) {
  // A pre-name naming no file, and one that leaves the file name no room in the module's
  // 1024-character buffer although "./" parts make it lead to the real file.
  std::wstring crowded = kTextModule.parent_path().wstring() + L"/";
  while (crowded.size() < 1001) crowded += crowded.size() == 1000 ? L"/" : L"./";
  for (const std::wstring& preName : {std::wstring(L"Elsewhere"), crowded + L"Pq"}) {
    editor::Session::instance().productPreName = preName;
    errors.clear();
    EXPECT_FALSE(loader.load(kTextModule));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("PqExtendTextCmds.nrx"), std::string::npos) << errors[0];
    EXPECT_TRUE(registered().empty());
    EXPECT_FALSE(kxrxServiceIsRegistered(kService));
  }
}

TEST_F(FrameTest, MessagesOutsideOneToFiveAreAnsweredWithoutEffect) {
  ASSERT_TRUE(loader.load(kTextModule));
  void* library = dlopen(kTextModule.c_str(), RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr);
  auto entryPoint = reinterpret_cast<int (*)(int, void*)>(dlsym(library, "kxrxEntryPoint"));
  auto apiVersion = reinterpret_cast<std::uint32_t (*)()>(dlsym(library, "kxrxGetApiVersion"));
  ASSERT_TRUE(entryPoint && apiVersion);
  EXPECT_EQ(apiVersion(), 0x07E50014u);
  for (int message : {0, 6, 7, 10, 15, 16, 1000, -1}) EXPECT_EQ(entryPoint(message, nullptr), 0);
  EXPECT_EQ(registered().size(), 23u);
  EXPECT_TRUE(printed.empty()) << printed;
  dlclose(library);
}

}  // namespace
}  // namespace kx::test
