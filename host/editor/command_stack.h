#pragma once
// The host's side of the command stack: the one table of commands (it lives in the system
// registry, where modules find it), running a command by the name a user typed, and the hook
// through which the host's own commands join the table.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kx/kxedcmd.h"

namespace kx::editor {

// The group the host's own commands are registered in.
inline constexpr wchar_t kHostCommandGroup[] = L"KXHOST";

// The command stack of the system registry (put back, empty, if a module took it out).
KxEdCommandStack& commandStack();

// Adds one of the host's own commands to kHostCommandGroup: `body` runs when it is typed. The
// host commands of host_commands.h are meant to be added through this, wrapped in a body that
// reads their replies from the user. Errors as KxEdCommandStack::addCommand.
Kxad::ErrorStatus addHostCommand(std::wstring_view globalName, std::wstring_view localName,
                                 std::int32_t flags, std::function<void()> body);

struct CommandRun {
  enum class Status { Done, Unknown, Failed };
  Status status = Status::Unknown;
  std::wstring command;  // the global name of the command that ran
  std::string error;     // for Failed: what went wrong, one line
};

// Runs the command `typed` names (see KxEdCommandStack::lookupCmd). A command without
// KxEd::kUsePickSet starts with no pickfirst set; one with it consumes the set unless it leaves a
// new one. An exception out of the command ends it as Failed and becomes a line on `errors`
// ("kxhost: NAME: what"), so a faulty module cannot take the host down; so does a command that
// returns with database objects still open.
CommandRun runCommand(std::wstring_view typed);

// Where runCommand's error lines go (without a newline); standard error when unset.
extern std::function<void(std::string_view)> commandErrors;

// How many commands the stack holds, the host's own included.
std::size_t commandCount();

// Removes every command `doomed` picks; how many it removed. Empty groups go too. The module
// loader uses this to drop what an unloaded module left behind.
std::size_t removeCommandsIf(const std::function<bool(const KxEdCommand&)>& doomed);

}  // namespace kx::editor
