#pragma once
// kxhost at a terminal: the transcript everything the command line prints goes through, the
// history of typed lines, and the line editor (GNU readline) that reads replies.
//
// The prompt a command asks with is printed like any other text, and the transcript holds back the
// line it leaves open; the line editor takes that open line as its own prompt, so it can redraw
// it while the user edits. The editor ends the line itself when the reply is typed, so the
// prompter leaves out its echo of such replies.

#include <cstddef>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/input_source.h"

namespace kx::editor {

// What kxutPrintf prints passes through here on its way to Session::output (standard output when
// that is unset).
class Transcript {
 public:
  // The process's transcript.
  static Transcript& instance();

  // Prints `text`. Prompts and messages of modules start with "\n" to end whatever line came
  // before; at the start of a line (after an echoed reply, say) that would make an empty line, so
  // there one leading "\n" is dropped. Only one: "\n\n" still leaves an empty line, and so does a
  // "\n" printed on its own right after a dropped one.
  void print(std::wstring_view text);
  bool atLineStart() const { return column_ != Column::MidLine; }

  // While a line editor reads the replies: the open line (what follows the last line end) is held
  // back instead of written, for the editor to show as its prompt.
  void setHoldOpenLine(bool hold);
  // The held open line, which the line editor shows from now on.
  std::wstring takeOpenLine();
  // Writes the held open line and ends it, so that a line on standard error gets a line of its
  // own on the terminal.
  void endOpenLine();

  // The line editor showed the reply typed at the prompt and ended its line (or, `false`, the
  // input ended at the prompt, which is left open).
  void setReplyShown(bool shown);
  // Whether the last reply is on the screen already, so the prompter does not echo it; taken.
  bool takeReplyShown();

  // Back to an empty transcript that prints straight through (a new session or test).
  void reset();

 private:
  enum class Column {
    LineStart,         // at the start of a line: a leading "\n" is dropped
    LineStartDropped,  // one was dropped here already: the next one is printed
    MidLine,
  };
  void write(std::wstring_view text);

  Column column_ = Column::LineStart;
  bool hold_ = false;
  std::wstring held_;
  bool replyShown_ = false;
};

// Lines typed at the terminal, kept between runs. No empty line is kept, nor a line the same as the
// one before it, and only the last kMaxLines are.
class History {
 public:
  static constexpr std::size_t kMaxLines = 500;

  // Adds a typed line (UTF-8); false when the rules leave it out.
  bool add(std::string_view line);
  const std::deque<std::string>& lines() const { return lines_; }

  // Reads `file` (one line each; a missing file is an empty history) with the same rules as add.
  void load(const std::filesystem::path& file);
  // Writes the lines to `file`, replacing it in one step (its folder is made when missing); on
  // failure, false and the reason in `error`.
  bool save(const std::filesystem::path& file, std::string* error = nullptr) const;

 private:
  std::deque<std::string> lines_;
};

// Where the history lives: <configDir>/history, or ~/.kxhost_history without a settings folder;
// empty when neither is known.
std::filesystem::path historyFile(const std::filesystem::path& configDir);

// Words Tab completes: given the prompt and the word typed so far, the candidates.
using Completer =
    std::function<std::vector<std::wstring>(std::wstring_view prompt, std::wstring_view word)>;

// Command names (host and module commands, global and local) that start with `word`, case
// ignored, at a "Command:" prompt; nothing at other prompts.
std::vector<std::wstring> commandCompletions(std::wstring_view prompt, std::wstring_view word);

// Replies typed at a terminal with line editing and history (GNU readline). Ctrl-C at a prompt
// gives "^C" (a cancel); Ctrl-D on an empty line ends the input. While a command runs, Ctrl-C does
// not end kxhost at once: it is noted (takeInterrupt) until the next prompt, and only a second
// one ends kxhost. What is typed ahead while a command runs is not echoed by the terminal then;
// it shows at the next prompt.
//
// One at a time: readline's state is the process's.
class TerminalReader : public LineReader {
 public:
  // Reads standard input and draws on standard output. `historyFile`: loaded now, and written
  // whenever a line is added, so it is current at exit even if a module takes kxhost down (empty:
  // the history lasts for this run only). When it cannot be written, `warn` (standard error when
  // empty) is told once.
  explicit TerminalReader(std::filesystem::path historyFile, Completer complete = {},
                          std::function<void(const std::string&)> warn = {});
  ~TerminalReader() override;
  TerminalReader(const TerminalReader&) = delete;
  TerminalReader& operator=(const TerminalReader&) = delete;

  std::optional<std::string> readLine() override;
  // After Ctrl-D: the terminal is still there, so it can be asked again (whether to save, say).
  bool resume() override;

  const History& history() const { return history_; }
  // What Tab offers for `word` (UTF-8) at the prompt being read; `firstWord`: nothing is typed
  // before it.
  std::vector<std::string> completions(std::string_view word, bool firstWord) const;
  // Whether Ctrl-C was pressed while no prompt was open (a command running); the press is taken.
  static bool takeInterrupt();

 private:
  struct TerminalState;
  void remember(const std::string& line);

  std::filesystem::path historyFile_;
  History history_;
  Completer complete_;
  std::function<void(const std::string&)> warn_;
  bool warned_ = false;
  bool ended_ = false;
  bool gone_ = false;           // standard input went away: nothing more can be read
  std::wstring prompt_;         // the prompt of the line being read, for completion
  std::string terminalLocale_;  // the terminal's character set, for readline
  std::unique_ptr<TerminalState> terminal_;
};

}  // namespace kx::editor
