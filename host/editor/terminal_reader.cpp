#include "editor/terminal_reader.h"

#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <set>
#include <system_error>
#include <utility>

// readline's headers need <cstdio> first.
#include <readline/history.h>
#include <readline/readline.h>

#include "dxf/encoding.h"
#include "editor/command_stack.h"
#include "editor/reply_text.h"
#include "editor/session.h"
#include "support/atomic_file.h"
#include "support/utf8.h"

namespace kx::editor {

// ---------------------------------------------------------------------------------------------
// Transcript

Transcript& Transcript::instance() {
  static Transcript transcript;
  return transcript;
}

void Transcript::print(std::wstring_view text) {
  if (text.empty()) return;
  if (column_ == Column::LineStart && text.front() == L'\n') {
    text.remove_prefix(1);
    column_ = Column::LineStartDropped;
    if (text.empty()) return;
  }
  column_ = text.back() == L'\n' ? Column::LineStart : Column::MidLine;
  if (!hold_) {
    write(text);
    return;
  }
  held_.append(text);
  const auto lineEnd = held_.rfind(L'\n');
  if (lineEnd == std::wstring::npos) return;
  write(std::wstring_view(held_).substr(0, lineEnd + 1));
  held_.erase(0, lineEnd + 1);
}

void Transcript::write(std::wstring_view text) {
  auto& session = Session::instance();
  if (session.output) {
    session.output(text);
    return;
  }
  const std::string utf8 = kx::support::toUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  std::fflush(stdout);
}

void Transcript::setHoldOpenLine(bool hold) {
  if (!hold && !held_.empty()) write(std::exchange(held_, {}));
  hold_ = hold;
}

std::wstring Transcript::takeOpenLine() {
  return std::exchange(held_, {});
}

void Transcript::endOpenLine() {
  if (held_.empty()) return;
  write(std::exchange(held_, {}) + L"\n");
  column_ = Column::LineStart;
}

void Transcript::setReplyShown(bool shown) {
  replyShown_ = shown;
  if (shown) column_ = Column::LineStart;
}

bool Transcript::takeReplyShown() {
  return std::exchange(replyShown_, false);
}

void Transcript::reset() {
  column_ = Column::LineStart;
  hold_ = false;
  held_.clear();
  replyShown_ = false;
}

// ---------------------------------------------------------------------------------------------
// History

namespace {

bool blank(std::string_view line) {
  return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

bool History::add(std::string_view line) {
  // A line break inside a line would come back from the file as two lines.
  if (blank(line) || line.find_first_of("\r\n") != std::string_view::npos) return false;
  if (!lines_.empty() && lines_.back() == line) return false;
  lines_.emplace_back(line);
  if (lines_.size() > kMaxLines) lines_.pop_front();
  return true;
}

void History::load(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    add(line);
  }
}

bool History::save(const std::filesystem::path& file, std::string* error) const {
  const auto fail = [&](const std::string& what) {
    if (error) *error = what;
    return false;
  };
  std::filesystem::path dir = file.parent_path();
  if (dir.empty()) dir = ".";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) return fail("cannot make " + dir.string() + ": " + ec.message());
  std::string text;
  for (const std::string& line : lines_) text.append(line).push_back('\n');
  try {
    // Private to the user, as a history should be.
    kx::support::writeFileAtomically(file, text, kx::support::AtomicFile::Access::Private);
  } catch (const kx::support::FileError& e) {
    return fail(std::string("cannot write ") + e.what());
  }
  return true;
}

std::filesystem::path historyFile(const std::filesystem::path& configDir) {
  if (!configDir.empty()) return configDir / "history";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::filesystem::path(home) / ".kxhost_history";
  return {};
}

// ---------------------------------------------------------------------------------------------
// Completion of command names

namespace {

bool isCommandPrompt(std::wstring_view prompt) {
  while (!prompt.empty() && (prompt.back() == L' ' || prompt.back() == L'\t'))
    prompt.remove_suffix(1);
  return prompt.ends_with(L"Command:");
}

}  // namespace

std::vector<std::wstring> commandCompletions(std::wstring_view prompt, std::wstring_view word) {
  if (!isCommandPrompt(prompt)) return {};
  const std::wstring typed = upper(word);
  std::set<std::wstring> names;
  const KxEdCommandStack& stack = commandStack();
  for (std::uint32_t g = 0; const wchar_t* group = stack.groupAt(g); ++g) {
    for (std::uint32_t c = 0; c < stack.numCommands(group); ++c) {
      const KxEdCommand* command = stack.commandAt(group, c);
      if (!command) continue;
      for (const wchar_t* name : {command->globalName(), command->localName()})
        if (name && *name && upper(name).starts_with(typed)) names.insert(name);
    }
  }
  return {names.begin(), names.end()};
}

// ---------------------------------------------------------------------------------------------
// TerminalReader

namespace {

// The terminal's settings before kxhost changed them, for a Ctrl-C that ends it to put back.
termios originalSettings{};
volatile std::sig_atomic_t haveOriginalSettings = 0;

volatile std::sig_atomic_t interrupted = 0;
volatile std::sig_atomic_t resized = 0;
volatile std::sig_atomic_t continued = 0;
volatile std::sig_atomic_t atPrompt = 0;

extern "C" void onInterrupt(int) {
  if (!atPrompt && interrupted) {
    // A second Ctrl-C while a command is still busy: the user means it.
    if (haveOriginalSettings) ::tcsetattr(STDIN_FILENO, TCSANOW, &originalSettings);
    std::signal(SIGINT, SIG_DFL);
    std::raise(SIGINT);
    return;
  }
  interrupted = 1;
}
extern "C" void onResize(int) {
  resized = 1;
}
extern "C" void onContinue(int) {
  continued = 1;
}

TerminalReader* activeReader = nullptr;

// The terminal's character set while readline edits (it needs it for text beyond ASCII); kxhost
// and its modules otherwise run in the C locale, at a terminal as in a script, so they behave
// the same in both.
class TerminalCharacters {
 public:
  explicit TerminalCharacters(const std::string& name) {
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    saved_ = current ? current : "C";
    if (!name.empty()) std::setlocale(LC_CTYPE, name.c_str());
  }
  ~TerminalCharacters() { std::setlocale(LC_CTYPE, saved_.c_str()); }
  TerminalCharacters(const TerminalCharacters&) = delete;
  TerminalCharacters& operator=(const TerminalCharacters&) = delete;

  // The name of the character set the environment asks for (LC_ALL, LC_CTYPE, LANG).
  static std::string ofEnvironment() {
    TerminalCharacters restore({});
    const char* name = std::setlocale(LC_CTYPE, "");
    return name ? name : "";
  }

 private:
  std::string saved_;
};

// What the line handler got: a line, or (nothing) the end of the input.
struct LineResult {
  bool done = false;
  std::optional<std::string> line;
} result;

extern "C" void onLine(char* line) {
  result.done = true;
  if (line) {
    result.line = std::string(line);
    std::free(line);
  }
  // Left installed, readline would show the prompt again at once.
  rl_callback_handler_remove();
}

// Candidates for the completion readline asked for, handed out one at a time.
std::vector<std::string> candidates;
std::size_t nextCandidate = 0;

extern "C" char* candidate(const char*, int state) {
  if (state == 0) nextCandidate = 0;
  if (nextCandidate >= candidates.size()) return nullptr;
  return ::strdup(candidates[nextCandidate++].c_str());
}

}  // namespace

// What the reader changes about the process while it reads: the handlers of Ctrl-C, window size
// changes and Ctrl-Z's return, and the terminal's echo. All put back when it goes.
struct TerminalReader::TerminalState {
  struct sigaction oldInterrupt {};
  struct sigaction oldResize {};
  struct sigaction oldContinue {};
  sigset_t handled{};

  TerminalState() {
    sigemptyset(&handled);
    sigaddset(&handled, SIGINT);
    sigaddset(&handled, SIGWINCH);
    sigaddset(&handled, SIGCONT);
    if (::tcgetattr(STDIN_FILENO, &originalSettings) == 0) haveOriginalSettings = 1;
    install(SIGINT, onInterrupt, oldInterrupt);
    install(SIGWINCH, onResize, oldResize);
    install(SIGCONT, onContinue, oldContinue);
    echo(false);
  }
  ~TerminalState() {
    echo(true);
    haveOriginalSettings = 0;
    sigaction(SIGINT, &oldInterrupt, nullptr);
    sigaction(SIGWINCH, &oldResize, nullptr);
    sigaction(SIGCONT, &oldContinue, nullptr);
  }
  static void install(int signal, void (*handler)(int), struct sigaction& old) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Whatever a command is doing when Ctrl-C comes goes on undisturbed.
    action.sa_flags = SA_RESTART;
    sigaction(signal, &action, &old);
  }
  // Off while no prompt is open: what is typed ahead (during a long load, say) would otherwise
  // run into the transcript or a progress bar; readline shows it at the next prompt. On while
  // readline prepares the terminal, which takes echo being off as a request to hide the reply.
  static void echo(bool on) {
    if (!haveOriginalSettings) return;
    termios settings = originalSettings;
    if (!on) settings.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &settings);
  }
};

namespace {

extern "C" char** completeHook(const char* text, int start, int) {
  rl_attempted_completion_over = 1;       // never file names
  rl_completion_append_character = '\0';  // a reply is one word: nothing follows it
  if (!activeReader) return nullptr;
  const bool firstWord = std::all_of(rl_line_buffer, rl_line_buffer + start,
                                     [](char c) { return c == ' ' || c == '\t'; });
  candidates = activeReader->completions(text, firstWord);
  if (candidates.empty()) return nullptr;
  return rl_completion_matches(text, candidate);
}

}  // namespace

TerminalReader::TerminalReader(std::filesystem::path historyFile, Completer complete,
                               std::function<void(const std::string&)> warn)
    : historyFile_(std::move(historyFile)),
      complete_(std::move(complete)),
      warn_(std::move(warn)),
      terminalLocale_(TerminalCharacters::ofEnvironment()),
      terminal_(std::make_unique<TerminalState>()) {
  activeReader = this;
  rl_readline_name = "kxhost";
  rl_instream = stdin;
  rl_outstream = stdout;
  // Signals are kxhost's own business (see readLine); readline is only told the window changed.
  rl_catch_signals = 0;
  rl_catch_sigwinch = 0;
  rl_change_environment = 0;
  rl_attempted_completion_function = completeHook;
  const TerminalCharacters characters(terminalLocale_);
  rl_initialize();  // reads ~/.inputrc first, so the settings below stand
  rl_variable_bind("completion-ignore-case", "on");
  // Lines pasted are replies one by one, as if typed (a script pasted in runs); and at the end of
  // the input readline then leaves the prompt's line for the transcript to end.
  rl_variable_bind("enable-bracketed-paste", "off");
  clear_history();
  stifle_history(static_cast<int>(History::kMaxLines));
  if (!historyFile_.empty()) history_.load(historyFile_);
  for (const std::string& line : history_.lines()) add_history(line.c_str());
}

TerminalReader::~TerminalReader() {
  if (activeReader == this) activeReader = nullptr;
  clear_history();
}

bool TerminalReader::takeInterrupt() {
  const bool was = interrupted != 0;
  interrupted = 0;
  return was;
}

std::vector<std::string> TerminalReader::completions(std::string_view word, bool firstWord) const {
  std::vector<std::string> out;
  if (!complete_ || !firstWord) return out;
  for (const std::wstring& w : complete_(prompt_, kx::support::decodeUtf8Lenient(word)))
    out.push_back(kx::support::toUtf8(w));
  return out;
}

void TerminalReader::remember(const std::string& line) {
  if (!history_.add(line)) return;
  add_history(line.c_str());
  if (historyFile_.empty()) return;
  std::string error;
  if (!history_.save(historyFile_, &error) && !warned_) {
    warned_ = true;
    const std::string message = "kxhost: the command history is not kept: " + error;
    if (warn_)
      warn_(message);
    else
      std::fprintf(stderr, "%s\n", message.c_str());
  }
}

bool TerminalReader::resume() {
  if (gone_) return false;
  ended_ = false;
  return true;
}

std::optional<std::string> TerminalReader::readLine() {
  if (ended_) return std::nullopt;
  Transcript& transcript = Transcript::instance();
  const TerminalCharacters characters(terminalLocale_);
  prompt_ = transcript.takeOpenLine();
  std::string prompt = kx::support::toUtf8(prompt_);
  // readline takes these two as the bounds of invisible text in a prompt.
  std::erase_if(prompt, [](char c) { return c == '\001' || c == '\002'; });
  std::fflush(stdout);

  // The signals wait until ppoll, which lets them in and returns when one came, so none is lost
  // between looking at the flags and waiting.
  sigset_t outside;
  sigprocmask(SIG_BLOCK, &terminal_->handled, &outside);
  sigset_t waiting = outside;
  sigdelset(&waiting, SIGINT);
  sigdelset(&waiting, SIGWINCH);
  sigdelset(&waiting, SIGCONT);
  interrupted = 0;  // a Ctrl-C pressed while the last command ran is not this prompt's
  continued = 0;
  atPrompt = 1;
  TerminalState::echo(true);
  activeReader = this;
  result = {};
  using_history();
  rl_callback_handler_install(prompt.c_str(), onLine);
  bool cancelled = false;
  while (!result.done) {
    pollfd input{fileno(rl_instream), POLLIN, 0};
    const int ready = ::ppoll(&input, 1, nullptr, &waiting);
    const int waitError = errno;  // before readline's calls below change it
    if (resized) {
      resized = 0;
      rl_resize_terminal();
    }
    if (continued) {
      // Back from Ctrl-Z: the shell may have set the terminal its own way meanwhile.
      continued = 0;
      rl_deprep_terminal();
      rl_prep_terminal(1);
      rl_forced_update_display();
    }
    if (interrupted) {
      interrupted = 0;
      cancelled = true;
      break;
    }
    if (ready < 0) {
      if (waitError == EINTR) continue;
      break;
    }
    if (ready > 0 && (input.revents & POLLNVAL)) break;
    if (ready > 0) rl_callback_read_char();
  }
  if (cancelled) {
    // What was typed stays on the screen, marked as cancelled, as a shell does.
    rl_point = rl_end;
    rl_redisplay();
    std::fputs("^C\n", rl_outstream);
    std::fflush(rl_outstream);
    rl_replace_line("", 0);
    rl_free_line_state();
    rl_callback_sigcleanup();
    rl_callback_handler_remove();
  } else if (!result.done) {
    rl_callback_handler_remove();  // standard input went away
    gone_ = true;
  }
  TerminalState::echo(false);
  atPrompt = 0;
  sigprocmask(SIG_SETMASK, &outside, nullptr);

  if (cancelled) {
    transcript.setReplyShown(true);
    return std::string("^C");
  }
  if (!result.line) {
    ended_ = true;
    transcript.setReplyShown(false);
    return std::nullopt;
  }
  // Up at Command: brings back commands; replies (a layer name, a point) are of one run only.
  if (isCommandPrompt(prompt_)) remember(*result.line);
  transcript.setReplyShown(true);
  return std::move(*result.line);
}

}  // namespace kx::editor
