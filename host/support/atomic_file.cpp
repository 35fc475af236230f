#include "support/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>
#include <system_error>

namespace kx::support {
namespace {

constexpr int kMostLinks = 40;

volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void noteSignal(int signal) {
  caughtSignal = signal;
}

std::string systemReason() {
  return std::strerror(errno);
}

// The file `path` leads to through any symbolic links; it need not exist. Empty, with `why`,
// when the links go round in a circle or cannot be read.
std::filesystem::path endOfLinks(const std::filesystem::path& path, std::string& why) {
  std::filesystem::path at = path;
  for (int hops = 0; hops <= kMostLinks; ++hops) {
    struct stat info {};
    if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
    std::error_code error;
    const std::filesystem::path next = std::filesystem::read_symlink(at, error);
    if (error) {
      why = "cannot read the symbolic link " + at.string() + ": " + error.message();
      return {};
    }
    at = next.is_absolute() ? next : at.parent_path() / next;
  }
  why = "too many levels of symbolic links";
  return {};
}

std::filesystem::path folderOf(const std::filesystem::path& file) {
  return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// Holds the signals back altogether, for a step that must not stop half way.
class InterruptsDeferred {
 public:
  explicit InterruptsDeferred(std::span<const int> signals) {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : signals) sigaddset(&held, signal);
    ::sigprocmask(SIG_BLOCK, &held, &before_);
  }
  ~InterruptsDeferred() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }
  InterruptsDeferred(const InterruptsDeferred&) = delete;
  InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;

 private:
  sigset_t before_{};
};

}  // namespace

std::string kindOfFile(unsigned mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISFIFO(mode)) return "a pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISREG(mode)) return "a file";
  return "a special file";
}

std::string writeRefusal(const std::filesystem::path& path) {
  if (path.empty()) return "no file name was given";
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode)) return "it is " + kindOfFile(info.st_mode) + ", not a plain file";
    if ((info.st_mode & 0222) == 0) return "the file is read-only";
    if (::access(path.c_str(), W_OK) != 0) return "the file cannot be written: " + systemReason();
    return {};
  }
  if (errno != ENOENT) return systemReason();
  // A new file, or a symbolic link to one not made yet: its folder must be there.
  std::string why;
  const std::filesystem::path target = endOfLinks(path, why);
  if (target.empty()) return why;
  const std::filesystem::path folder = folderOf(target);
  if (::stat(folder.c_str(), &info) != 0) return "the folder " + folder.string() + " is not there";
  if (!S_ISDIR(info.st_mode)) return folder.string() + " is not a folder";
  return {};
}

// ---- InterruptsHeld ----

InterruptsHeld::InterruptsHeld() {
  caughtSignal = 0;
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    struct sigaction noting {};
    noting.sa_handler = noteSignal;
    sigemptyset(&noting.sa_mask);
    ::sigaction(kSignals[i], &noting, &previous_[i]);
    // A signal ignored before stays ignored.
    if (previous_[i].sa_handler == SIG_IGN) ::sigaction(kSignals[i], &previous_[i], nullptr);
  }
}

InterruptsHeld::~InterruptsHeld() {
  for (std::size_t i = 0; i < kSignals.size(); ++i)
    ::sigaction(kSignals[i], &previous_[i], nullptr);
  if (const int signal = caughtSignal) {
    caughtSignal = 0;
    std::raise(signal);
  }
}

bool InterruptsHeld::interrupted() {
  return caughtSignal != 0;
}

// ---- AtomicFile ----

AtomicFile::AtomicFile(std::filesystem::path path, Access access)
    : path_(std::move(path)), access_(access) {
  if (const std::string why = writeRefusal(path_); !why.empty()) throw FileError(path_, why);
  std::string why;
  target_ = endOfLinks(path_, why);
  if (target_.empty()) throw FileError(path_, why);
  replacing_ = ::stat(target_.c_str(), &old_) == 0;
  const std::filesystem::path dir = folderOf(target_);
  temporary_ = (dir / ("." + target_.filename().string() + ".XXXXXX")).string();
  fd_ = ::mkostemp(temporary_.data(), O_CLOEXEC);  // private until committed
  if (fd_ < 0) fail("cannot make a temporary file in " + dir.string(), errno);
}

AtomicFile::~AtomicFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !keepTemporary_) ::unlink(temporary_.c_str());
}

void AtomicFile::fail(std::string_view what, int error) const {
  throw FileError(path_, std::string(what) + ": " + std::strerror(error));
}

void AtomicFile::interrupted() const {
  throw FileError(path_, "interrupted; the file was left as it was");
}

void AtomicFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (InterruptsHeld::interrupted()) interrupted();
    if (n < 0) {
      if (errno == EINTR) continue;
      fail("write failed", errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
    size_ += n;
  }
}

void AtomicFile::commit() {
  if (::fsync(fd_) != 0) fail("flush failed", errno);
  if (InterruptsHeld::interrupted()) interrupted();
  if (replacing_ && old_.st_nlink > 1) {
    rewriteInPlace();
    return;
  }
  mode_t mode = old_.st_mode & 07777;
  if (!replacing_) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = access_ == Access::Shared ? 0666 & ~mask : 0600;
  } else if (::fchown(fd_, old_.st_uid, old_.st_gid) != 0) {
    // Someone else's file, written with their group's leave: the group at least stays when we
    // belong to it. The owner becomes whoever wrote it, as with any editor.
    [[maybe_unused]] const int ignored = ::fchown(fd_, static_cast<uid_t>(-1), old_.st_gid);
  }
  // After the owner: a change of owner clears the set-user and set-group bits.
  if (::fchmod(fd_, mode) != 0) fail("cannot set permissions", errno);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) fail("close failed", errno);
  if (InterruptsHeld::interrupted()) interrupted();
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail("rename failed", errno);
  committed_ = true;
  // The rename itself reaches the disk with the folder.
  const int dirFd = ::open(folderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

// The target has other names that must keep showing it: the finished temporary file is copied
// over it in place. Room for the new text is claimed first, and the copy is not stopped half way
// by a signal; should the system still fail, the temporary file is kept for the user.
void AtomicFile::rewriteInPlace() {
  const int out = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
  if (out < 0) fail("cannot open the file for writing", errno);
  if (::fallocate(out, FALLOC_FL_KEEP_SIZE, 0, size_) != 0 && errno == ENOSPC) {
    const int error = errno;
    ::close(out);
    fail("no room for the new text", error);
  }
  std::string failure;
  {
    const InterruptsDeferred deferred(InterruptsHeld::kSignals);
    char buffer[1 << 16];
    off_t copied = 0;
    while (failure.empty() && copied < size_) {
      const ssize_t n = ::pread(fd_, buffer, sizeof buffer, copied);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        failure = n < 0 ? systemReason() : "the temporary file shrank";
        break;
      }
      for (ssize_t done = 0; done < n && failure.empty();) {
        const ssize_t w =
            ::pwrite(out, buffer + done, static_cast<std::size_t>(n - done), copied + done);
        if (w < 0 && errno != EINTR) failure = systemReason();
        if (w > 0) done += w;
      }
      copied += n;
    }
    if (failure.empty() && ::ftruncate(out, size_) != 0) failure = systemReason();
    if (failure.empty() && ::fsync(out) != 0) failure = systemReason();
    if (::close(out) != 0 && failure.empty()) failure = systemReason();
  }
  if (!failure.empty()) {
    keepTemporary_ = true;
    throw FileError(path_, "the file could not be rewritten (" + failure +
                               "); the whole new text is in " + temporary_);
  }
}

void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         AtomicFile::Access access) {
  AtomicFile file(path, access);
  file.write(bytes);
  file.commit();
}

}  // namespace kx::support
