#pragma once
// Writing a file in place of the one a path names, keeping what the user has there:
// - through a symbolic link the file it leads to is written, and the link stays a link;
// - a file with more than one name (hard links) is rewritten in place, so every name shows it;
// - an existing file keeps its permissions, and its owner where the process may give it;
// - a folder, a device, a pipe or another file that is not a plain file is never replaced, and
//   neither is a read-only file.
// The new bytes go to a temporary file beside the target first and reach the disk before they take
// the old file's place, so a failed save leaves the old file as it was. An interrupt or a request
// to terminate (SIGINT, SIGTERM, SIGHUP) during the save abandons it the same way, removes the
// temporary file, and is then passed on to what handled the signal before.

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kx::db {

// Why a save failed, naming the file: "plan.dxf: cannot save: REASON".
class SaveError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Takes the bytes of the new file, piece by piece; throws SaveError when they cannot be written.
using ByteSink = std::function<void(std::string_view)>;

// Why `path` cannot be saved to as it is now (a folder, a device, read-only, a folder that is not
// there), as a reason without the path; empty when a save may go ahead.
std::string saveRefusal(const std::filesystem::path& path);

// Saves what `produce` gives to its sink as the file `path` names, as described above. Throws
// SaveError; an exception from `produce` abandons the save and passes through.
void saveFile(const std::filesystem::path& path,
              const std::function<void(const ByteSink&)>& produce);

}  // namespace kx::db
