#include "support/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kx::support {

AtomicFile::AtomicFile(std::filesystem::path path, Access access)
    : path_(std::move(path)), access_(access) {
  std::filesystem::path dir = path_.parent_path();
  if (dir.empty()) dir = ".";
  temporary_ = (dir / ("." + path_.filename().string() + ".XXXXXX")).string();
  fd_ = ::mkstemp(temporary_.data());  // private until committed
  if (fd_ < 0) fail("cannot make a temporary file in " + dir.string(), errno);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_) ::unlink(temporary_.c_str());
}

void AtomicFile::fail(std::string_view what, int error) const {
  throw FileError(path_, std::string(what) + ": " + std::strerror(error));
}

void AtomicFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("write failed", errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void AtomicFile::commit() {
  if (::fsync(fd_) != 0) fail("flush failed", errno);
  if (access_ == Access::Shared) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd_, 0666 & ~mask) != 0) fail("cannot set permissions", errno);
  }
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail("close failed", errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) fail("rename failed", errno);
  committed_ = true;
  // The rename itself reaches the disk with the folder.
  std::filesystem::path dir = path_.parent_path();
  if (dir.empty()) dir = ".";
  const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         AtomicFile::Access access) {
  AtomicFile file(path, access);
  file.write(bytes);
  file.commit();
}

}  // namespace kx::support
