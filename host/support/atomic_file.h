#pragma once
// Writing a file so that it is either all there or not changed at all: the text goes to a
// temporary file beside the file, which reaches the disk and then takes the file's name in one
// rename. A failed or abandoned write leaves the file as it was and removes the temporary.
//
// What the user has there is kept:
// - through a symbolic link the file it leads to is written, and the link stays a link;
// - a file with more than one name (hard links) is rewritten in place once the new text is whole
//   on the disk, so every name still shows it;
// - an existing file keeps its permissions, and its owner where the process may give it;
// - a folder, a device, a pipe or another file that is not a plain file is never replaced, and
//   neither is a read-only file.
// An interrupt or a request to terminate (SIGINT, SIGTERM, SIGHUP) while a write is open
// abandons it the same way; the signal is then passed on to what handled it before (by default
// it ends the process, as it would have).

#include <sys/stat.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kx::support {

// Why a write failed: what() is "PATH: REASON", REASON being the step and the system's reason.
class FileError : public std::runtime_error {
 public:
  FileError(const std::filesystem::path& path, std::string reason)
      : std::runtime_error(path.string() + ": " + reason), reason_(std::move(reason)) {}
  const std::string& reason() const { return reason_; }

 private:
  std::string reason_;
};

// What a file's mode (st_mode) says it is, for messages: "a folder", "a character device", ...
std::string kindOfFile(unsigned mode);

// Why `path` cannot be written as a whole file as things are (it is a folder, a device, a pipe or
// read-only, or the folder it would go in is not there), as a reason without the path; empty
// when it can.
std::string writeRefusal(const std::filesystem::path& path);

// While a write is open, the signals that would end the process are only noted.
class InterruptsHeld {
 public:
  InterruptsHeld();
  // Passes on a signal that came.
  ~InterruptsHeld();
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

  static bool interrupted();

  static constexpr std::array kSignals = {SIGINT, SIGTERM, SIGHUP};

 private:
  std::array<struct sigaction, kSignals.size()> previous_{};
};

class AtomicFile {
 public:
  enum class Access {
    Shared,   // a new file gets the permissions of the process's umask (drawings, pictures)
    Private,  // a new file is readable by the user only (histories, settings)
  };

  // Makes the temporary file; throws FileError when the file may not be replaced (writeRefusal)
  // or the folder cannot take a temporary file.
  explicit AtomicFile(std::filesystem::path path, Access access = Access::Shared);
  // Without commit(), the temporary goes and the file stays as it was.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  const std::filesystem::path& path() const { return path_; }
  void write(std::string_view bytes);
  // Puts the text on the disk under the file's name.
  void commit();

 private:
  [[noreturn]] void fail(std::string_view what, int error) const;
  [[noreturn]] void interrupted() const;
  void rewriteInPlace();

  // First, so it is the last to go: the temporary file is gone before a signal is passed on.
  InterruptsHeld interrupts_;
  std::filesystem::path path_;
  std::filesystem::path target_;  // the file written: `path_` or where its links lead
  std::string temporary_;
  Access access_;
  bool replacing_ = false;
  struct stat old_ {};
  off_t size_ = 0;
  int fd_ = -1;
  bool committed_ = false;
  bool keepTemporary_ = false;
};

// The whole text at once.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         AtomicFile::Access access = AtomicFile::Access::Shared);

}  // namespace kx::support
