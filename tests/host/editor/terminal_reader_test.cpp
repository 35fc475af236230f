// The terminal's command line: the transcript's line-start rule, the open line held for the line
// editor, the prompter's echo, the history rules and file, and Tab's command names.

#include "editor/terminal_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "editor/command_line.h"
#include "editor/prompts.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "support/files.h"
#include "support/sdk_fixture.h"
#include "support/utf8.h"

namespace kx::editor {
namespace {

namespace fs = std::filesystem;

class TranscriptTest : public test::SdkTest {
 protected:
  TranscriptTest() {
    Transcript::instance().reset();
    InputSource::instance().reset();
    Prompter::instance().reset();
    openNew();
  }
  ~TranscriptTest() override {
    Transcript::instance().reset();
    InputSource::instance().reset();
    Prompter::instance().reset();
  }
  std::wstring take() { return std::exchange(printed, std::wstring()); }
};

TEST_F(TranscriptTest, OneLeadingLineEndIsDroppedAtTheStartOfALine) {
  // At the start of the transcript, a prompt's "\n" has nothing to end.
  kxutPrintf(L"\nCommand: ");
  EXPECT_EQ(take(), L"Command: ");
  // Mid-line it ends the line, as it is meant to.
  kxutPrintf(L"\nSaved.");
  EXPECT_EQ(take(), L"\nSaved.");
  // After a line end only one is dropped: "\n\n" still leaves one empty line ...
  kxutPrintf(L"done\n");
  kxutPrintf(L"\n\nNext");
  EXPECT_EQ(take(), L"done\n\nNext");
  // ... and so do two "\n" printed one at a time.
  kxutPrintf(L"\n");
  kxutPrintf(L"\n");
  kxutPrintf(L"\n");
  EXPECT_EQ(take(), L"\n\n");
  // Empty text changes nothing; text that is only the dropped "\n" prints nothing.
  kxutPrintf(L"");
  kxutPrintf(L"x\n");
  kxutPrintf(L"\n");
  kxutPrintf(L"%s", L"");
  kxutPrintf(L"y");
  EXPECT_EQ(take(), L"x\ny");
  EXPECT_FALSE(Transcript::instance().atLineStart());
}

TEST_F(TranscriptTest, ScriptTranscriptHasNoEmptyLineBetweenReplyAndPrompt) {
  for (const wchar_t* line : {L"abc", L"2", L"^C"}) InputSource::instance().queue(line);
  double real = 0;
  EXPECT_EQ(kxedGetReal(L"\nHeight: ", &real), KXRT_NORM);
  int whole = 0;
  EXPECT_EQ(kxedGetInt(L"\nCount: ", &whole), KXRT_CANCEL);
  kxutPrintf(L"\nDone.");
  // The end of the input ends the open prompt's line, so nothing runs on after it.
  EXPECT_EQ(kxedGetInt(L"\nAgain: ", &whole), KXRT_CANCEL);
  EXPECT_EQ(take(),
            L"Height: abc\nRequires numeric value.\nHeight: 2\nCount: ^C\n*Cancel*\nDone.\n"
            L"Again: \n");
}

// Stands in for the line editor: takes the open line as its prompt and shows the reply itself.
class EditorStandIn : public LineReader {
 public:
  explicit EditorStandIn(std::vector<std::wstring> lines) : lines_(std::move(lines)) {}
  std::optional<std::string> readLine() override {
    prompts.push_back(Transcript::instance().takeOpenLine());
    if (next_ == lines_.size()) {
      Transcript::instance().setReplyShown(false);
      return std::nullopt;
    }
    Transcript::instance().setReplyShown(true);
    return kx::support::toUtf8(lines_[next_++]);
  }
  std::vector<std::wstring> prompts;

 private:
  std::vector<std::wstring> lines_;
  std::size_t next_ = 0;
};

TEST_F(TranscriptTest, HeldOpenLineBecomesTheEditorsPromptAndItsRepliesAreNotEchoed) {
  Transcript& transcript = Transcript::instance();
  transcript.setHoldOpenLine(true);
  auto reader = std::make_unique<EditorStandIn>(std::vector<std::wstring>{L"LINE", L"1,2"});
  EditorStandIn& editor = *reader;
  InputSource::instance().queue(L"-c reply");
  InputSource::instance().setReader(std::move(reader));

  kxutPrintf(L"\nSaved.");
  wchar_t text[64];
  // A -c line is no typed reply: it is echoed as in a script.
  EXPECT_EQ(kxedGetString(1, L"\nCommand: ", text, 64), KXRT_NORM);
  EXPECT_EQ(take(), L"Saved.\nCommand: -c reply\n");
  EXPECT_EQ(kxedGetString(0, L"\nCommand: ", text, 64), KXRT_NORM);
  double point[3];
  EXPECT_EQ(kxedGetPoint(nullptr, L"\nSpecify first point: ", point), KXRT_NORM);
  // The prompts went to the editor, not to the output, and the replies were not echoed.
  EXPECT_EQ(take(), L"");
  ASSERT_EQ(editor.prompts.size(), 2u);
  EXPECT_EQ(editor.prompts[0], L"Command: ");
  EXPECT_EQ(editor.prompts[1], L"Specify first point: ");

  // A message after a typed reply starts its own line without an empty one.
  kxutPrintf(L"\nLine made.");
  EXPECT_EQ(take(), L"");
  // Something else wanting the terminal gets the held text finished first.
  transcript.endOpenLine();
  EXPECT_EQ(take(), L"Line made.\n");
  transcript.endOpenLine();
  EXPECT_EQ(take(), L"");

  // At the end of the input the editor leaves the prompt open; the echo ends its line.
  EXPECT_EQ(kxedGetString(0, L"\nCommand: ", text, 64), KXRT_CANCEL);
  EXPECT_EQ(editor.prompts.back(), L"Command: ");
  EXPECT_EQ(take(), L"\n");
  kxutPrintf(L"\nBye");
  transcript.setHoldOpenLine(false);  // lets go of what is held
  EXPECT_EQ(take(), L"Bye");
}

class HistoryTest : public ::testing::Test {
 protected:
  const kx::test::TempFolder dir{"history"};
};

TEST_F(HistoryTest, EmptyLinesAndRepeatsAreLeftOutAndOnlyTheLast500Kept) {
  History history;
  EXPECT_TRUE(history.add("LINE"));
  EXPECT_FALSE(history.add(""));
  EXPECT_FALSE(history.add("   \t"));
  EXPECT_FALSE(history.add("LINE"));  // the same as the line before
  EXPECT_TRUE(history.add("line"));   // not the same
  EXPECT_TRUE(history.add("LINE"));   // the same as one further back is kept
  EXPECT_FALSE(history.add("two\nlines"));
  EXPECT_EQ(history.lines(), (std::deque<std::string>{"LINE", "line", "LINE"}));

  for (int i = 0; i < 600; ++i) history.add("cmd " + std::to_string(i));
  ASSERT_EQ(history.lines().size(), History::kMaxLines);
  EXPECT_EQ(history.lines().front(), "cmd 100");
  EXPECT_EQ(history.lines().back(), "cmd 599");
}

TEST_F(HistoryTest, SavedAndLoadedWithTheSameRules) {
  History history;
  for (const char* line : {"LAYER", "M", "W\xC3\xA4nde", "SETVAR"}) history.add(line);
  const fs::path file = dir / "config" / "history";  // the folder is made
  std::string error;
  ASSERT_TRUE(history.save(file, &error)) << error;
  EXPECT_EQ(test::readFile(file), "LAYER\nM\nW\xC3\xA4nde\nSETVAR\n");
  EXPECT_EQ((fs::status(file).permissions() & fs::perms::others_read), fs::perms::none);
  // Only the file is left: the temporary one went into it.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "config"), fs::directory_iterator()), 1);

  // A file written by hand (or by an older run): blank lines, repeats, CRLF, too many lines.
  {
    std::ofstream out(dir / "edited", std::ios::binary);
    out << "QUIT\r\n\nQUIT\nHELP\n";
    for (int i = 0; i < 520; ++i) out << "n" << i << "\n";
  }
  History loaded;
  loaded.load(dir / "edited");
  ASSERT_EQ(loaded.lines().size(), History::kMaxLines);
  EXPECT_EQ(loaded.lines().front(), "n20");

  History small;
  small.load(dir / "edited-not-there");
  EXPECT_TRUE(small.lines().empty());
  small.load(file);
  EXPECT_EQ(small.lines(), history.lines());

  // A folder where the file's folder should be: refused with a reason, nothing thrown.
  std::ofstream(dir / "plain").put('x');
  EXPECT_FALSE(history.save(dir / "plain" / "history", &error));
  EXPECT_NE(error.find("plain"), std::string::npos);
}

TEST(HistoryFile, ConfigFolderElseHome) {
  EXPECT_EQ(historyFile("/tmp/kx-settings"), fs::path("/tmp/kx-settings/history"));
  const char* home = std::getenv("HOME");
  const std::string saved = home ? home : "";
  ::setenv("HOME", "/home/someone", 1);
  EXPECT_EQ(historyFile({}), fs::path("/home/someone/.kxhost_history"));
  ::unsetenv("HOME");
  EXPECT_EQ(historyFile({}), fs::path());
  if (home) ::setenv("HOME", saved.c_str(), 1);
}

TEST(CommandCompletions, CommandNamesAtTheCommandPromptOnly) {
  registerHostCommands({});
  const std::vector<std::wstring> se = commandCompletions(L"Command: ", L"se");
  EXPECT_EQ(se, (std::vector<std::wstring>{L"SELECT", L"SETVAR"}));
  EXPECT_EQ(commandCompletions(L"Command:", L"LAY"), (std::vector<std::wstring>{L"LAYER"}));
  EXPECT_TRUE(commandCompletions(L"Command: ", L"NOSUCH").empty());
  EXPECT_GE(commandCompletions(L"Command: ", L"").size(), 13u);
  EXPECT_TRUE(commandCompletions(L"Enter layer name: ", L"LA").empty());
}

}  // namespace
}  // namespace kx::editor
