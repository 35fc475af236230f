#pragma once
// The command line a user (or a script) drives: the "Command:" prompt, the host's own typed
// commands, and what happens when the input ends.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kx::editor {

struct CommandLineOptions {
  // Where SAVE writes a drawing that has no file yet, and what QUIT and the end of the input
  // leave for the caller to save.
  std::optional<std::filesystem::path> output;
  // Someone is at the terminal: QUIT or the end of the input with changes not saved asks
  // whether to save them.
  bool askBeforeLeaving = false;
  // Enter at an empty "Command:" runs the last command again (at the terminal; in a script an
  // empty line there stays an empty line).
  bool enterRepeats = false;
};

// What became of the changes when the command line was left.
enum class Leaving {
  AsUsual,    // not asked: the caller saves to `output`, if given, as a script run does
  Saved,      // the user said to save them, and they were saved
  Discarded,  // the user said not to save them
  Stay,       // (while asking) the user went back to the command line
};

// Why a drawing cannot be saved as `path`: no name, not .dxf, or what support::writeRefusal says;
// empty when it can.
std::string outputRefusal(const std::filesystem::path& path);

// What HELP says of a command: one line, and the replies it asks for (one prompt a line).
struct CommandHelp {
  std::wstring about;
  std::wstring usage;
};
// Where HELP finds it for a module's command, by global name (kxhost looks in the resource modules
// loaded); unset or nothing: HELP shows the name alone.
extern std::function<std::optional<CommandHelp>(std::wstring_view globalName)> moduleCommandHelp;

// Adds SELECT, SAVE, SAVEAS, QUIT, REDRAW, UCS, ORTHO, EXPLODE, DRAWORDER, WIPEOUT, LAYER, SETVAR,
// HELP, UNDO, U and REDO to the command stack. Safe to call again (commands already there stay).
void registerHostCommands(const CommandLineOptions& options);

struct CommandLineOutcome {
  int commandsRun = 0;
  int unknownCommands = 0;
  int failedCommands = 0;
  int textsChanged = 0;  // texts the commands changed or made, each time a command did
  bool quit = false;     // QUIT ended the input before its end
  Leaving leaving = Leaving::AsUsual;
};

// Reads commands from the input source until it ends or QUIT is typed, and runs each.
CommandLineOutcome runCommandLine();

}  // namespace kx::editor
