#include "db/file_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <utility>

#include "dxf/text_buffer.h"

namespace kx::db {
namespace {

constexpr std::array kInterrupts = {SIGINT, SIGTERM, SIGHUP};
constexpr int kMostLinks = 40;

volatile std::sig_atomic_t caughtSignal = 0;

extern "C" void noteSignal(int signal) {
  caughtSignal = signal;
}

std::string systemReason() {
  return std::strerror(errno);
}

[[noreturn]] void fail(const std::filesystem::path& path, const std::string& why) {
  throw SaveError(path.string() + ": cannot save: " + why);
}

// While a save runs, the signals that would end the process are only noted, so the save can be
// abandoned with nothing left behind; when it is over they go to whoever handled them before (the
// default action ends the process, as it would have). A signal ignored before stays ignored.
class InterruptsHeld {
 public:
  InterruptsHeld() {
    caughtSignal = 0;
    for (std::size_t i = 0; i < kInterrupts.size(); ++i) {
      struct sigaction noting {};
      noting.sa_handler = noteSignal;
      sigemptyset(&noting.sa_mask);
      ::sigaction(kInterrupts[i], &noting, &previous_[i]);
      if (previous_[i].sa_handler == SIG_IGN) ::sigaction(kInterrupts[i], &previous_[i], nullptr);
    }
  }
  ~InterruptsHeld() {
    for (std::size_t i = 0; i < kInterrupts.size(); ++i)
      ::sigaction(kInterrupts[i], &previous_[i], nullptr);
    if (const int signal = caughtSignal) {
      caughtSignal = 0;
      std::raise(signal);
    }
  }
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;

  static bool interrupted() { return caughtSignal != 0; }

 private:
  std::array<struct sigaction, kInterrupts.size()> previous_{};
};

// Holds the signals back altogether, for a step that must not stop half way.
class InterruptsDeferred {
 public:
  InterruptsDeferred() {
    sigset_t held;
    sigemptyset(&held);
    for (int signal : kInterrupts) sigaddset(&held, signal);
    ::sigprocmask(SIG_BLOCK, &held, &before_);
  }
  ~InterruptsDeferred() { ::sigprocmask(SIG_SETMASK, &before_, nullptr); }
  InterruptsDeferred(const InterruptsDeferred&) = delete;
  InterruptsDeferred& operator=(const InterruptsDeferred&) = delete;

 private:
  sigset_t before_{};
};

// A file made beside the target, removed again unless it took the target's place.
class TemporaryFile {
 public:
  TemporaryFile(const std::filesystem::path& folder, const std::filesystem::path& target) {
    name_ = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    fd_ = ::mkostemp(name_.data(), O_CLOEXEC);
    if (fd_ < 0)
      fail(target, "cannot make a temporary file in " + folder.string() + ": " + systemReason());
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!kept_) ::unlink(name_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  int fd() const { return fd_; }
  const std::string& name() const { return name_; }
  // Closes the file; false (errno set) when the system reports a failure.
  bool close() { return ::close(std::exchange(fd_, -1)) == 0; }
  // It has become the target, or must stay for the user to recover from.
  void keep() { kept_ = true; }

 private:
  std::string name_;
  int fd_ = -1;
  bool kept_ = false;
};

void writeAll(int fd, std::string_view bytes, const std::filesystem::path& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR && !InterruptsHeld::interrupted()) continue;
    if (n < 0 && errno != EINTR) fail(path, "write failed: " + systemReason());
    if (InterruptsHeld::interrupted()) fail(path, "interrupted; the file was left as it was");
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
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

// Copies the finished temporary file over `target` in place (the target has other names that
// must keep showing it). Room for the new text is claimed first, and the copy is not stopped
// half way by a signal; should the system still fail, the temporary file is kept.
void rewriteInPlace(const std::filesystem::path& path, const std::filesystem::path& target,
                    TemporaryFile& temporary, off_t size) {
  const int out = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (out < 0) fail(path, "cannot open the file for writing: " + systemReason());
  if (::fallocate(out, FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno == ENOSPC) {
    ::close(out);
    fail(path, "no room for the new drawing: " + systemReason());
  }
  const InterruptsDeferred deferred;
  char buffer[1 << 16];
  off_t copied = 0;
  std::string failure;
  while (failure.empty() && copied < size) {
    const ssize_t n = ::pread(temporary.fd(), buffer, sizeof buffer, copied);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failure = n < 0 ? systemReason() : "the temporary file shrank";
      break;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w =
          ::pwrite(out, buffer + done, static_cast<std::size_t>(n - done), copied + done);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        failure = systemReason();
        break;
      }
      done += w;
    }
    copied += n;
  }
  if (failure.empty() && ::ftruncate(out, size) != 0) failure = systemReason();
  if (failure.empty() && ::fsync(out) != 0) failure = systemReason();
  if (::close(out) != 0 && failure.empty()) failure = systemReason();
  if (!failure.empty()) {
    temporary.keep();
    fail(path, "the file could not be rewritten (" + failure + "); the whole new drawing is in " +
                   temporary.name());
  }
}

}  // namespace

std::string saveRefusal(const std::filesystem::path& path) {
  if (path.empty()) return "no file name was given";
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode))
      return "it is " + dxf::kindOfFile(info.st_mode) + ", not a drawing file";
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

void saveFile(const std::filesystem::path& path,
              const std::function<void(const ByteSink&)>& produce) {
  if (const std::string why = saveRefusal(path); !why.empty()) fail(path, why);
  std::string why;
  const std::filesystem::path target = endOfLinks(path, why);
  if (target.empty()) fail(path, why);
  struct stat old {};
  const bool replacing = ::stat(target.c_str(), &old) == 0;

  // Made before the temporary file, so the file is gone before a noted signal is passed on.
  const InterruptsHeld interrupts;
  TemporaryFile temporary(folderOf(target), target);
  off_t size = 0;
  produce([&](std::string_view bytes) {
    writeAll(temporary.fd(), bytes, path);
    size += static_cast<off_t>(bytes.size());
  });
  if (::fsync(temporary.fd()) != 0) fail(path, "flush failed: " + systemReason());
  if (InterruptsHeld::interrupted()) fail(path, "interrupted; the file was left as it was");

  if (replacing && old.st_nlink > 1) {
    rewriteInPlace(path, target, temporary, size);
    return;
  }
  mode_t mode = old.st_mode & 07777;
  if (!replacing) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  } else if (::fchown(temporary.fd(), old.st_uid, old.st_gid) != 0) {
    // Someone else's file, saved by its group or with its permission: the group at least stays
    // when we belong to it. The owner becomes whoever saved it, as with any editor.
    [[maybe_unused]] const int ignored =
        ::fchown(temporary.fd(), static_cast<uid_t>(-1), old.st_gid);
  }
  // After the owner: a change of owner clears the set-user and set-group bits.
  if (::fchmod(temporary.fd(), mode) != 0) fail(path, "cannot set permissions: " + systemReason());
  if (!temporary.close()) fail(path, "close failed: " + systemReason());
  if (InterruptsHeld::interrupted()) fail(path, "interrupted; the file was left as it was");
  if (::rename(temporary.name().c_str(), target.c_str()) != 0)
    fail(path, "rename failed: " + systemReason());
  temporary.keep();
  // The rename reaches the disk with the folder.
  const int folder = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
}

}  // namespace kx::db
