#pragma once
// Writing a file so that it is either all there or not changed at all: the text goes to a
// temporary file in the same folder, which reaches the disk and then takes the file's name in one
// rename. A failed or abandoned write leaves the file as it was and removes the temporary.

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

class AtomicFile {
 public:
  enum class Access {
    Shared,   // the permissions a new file gets under the process's umask (drawings, pictures)
    Private,  // readable by the user only (histories, settings)
  };

  // Makes the temporary file; throws FileError when the folder cannot take one.
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

  std::filesystem::path path_;
  std::string temporary_;
  Access access_;
  int fd_ = -1;
  bool committed_ = false;
};

// The whole text at once.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         AtomicFile::Access access = AtomicFile::Access::Shared);

}  // namespace kx::support
