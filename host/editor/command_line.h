#pragma once
// The command line a user (or a script) drives: the "Command:" prompt, the host's own typed
// commands, and what happens when the input ends.

#include <filesystem>
#include <optional>

namespace kx::editor {

struct CommandLineOptions {
  // Where SAVE writes a drawing that has no file yet, and what QUIT and the end of the input
  // leave for the caller to save.
  std::optional<std::filesystem::path> output;
};

// Adds SELECT, SAVE, SAVEAS, QUIT, REDRAW, UCS, ORTHO, EXPLODE, DRAWORDER, WIPEOUT, LAYER, SETVAR
// and HELP to the command stack. Safe to call again (commands already there stay).
void registerHostCommands(const CommandLineOptions& options);

struct CommandLineOutcome {
  int commandsRun = 0;
  int unknownCommands = 0;
  int failedCommands = 0;
  bool quit = false;  // QUIT ended the input before its end
};

// Reads commands from the input source until it ends or QUIT is typed, and runs each.
CommandLineOutcome runCommandLine();

}  // namespace kx::editor
