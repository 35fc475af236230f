#include "dxf/text_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "support/atomic_file.h"

namespace kx::dxf {
namespace {

constexpr std::size_t kLargePage = 2u << 20;
constexpr std::size_t kProgressPiece = 8u << 20;

class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

std::runtime_error readError(const std::filesystem::path& path, const char* what) {
  return std::runtime_error(path.string() + ": " + what + ": " + std::strerror(errno));
}

}  // namespace

void TextBuffer::Free::operator()(char* p) const noexcept {
  std::free(p);
}

std::unique_ptr<char[], TextBuffer::Free> TextBuffer::allocate(std::size_t bytes) {
  char* p = nullptr;
  if (bytes >= kLargePage) {
    const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    p = static_cast<char*>(std::aligned_alloc(kLargePage, rounded));
    if (p) ::madvise(p, rounded, MADV_HUGEPAGE);
  } else {
    p = static_cast<char*>(std::malloc(bytes));
  }
  if (!p) throw std::bad_alloc();
  return std::unique_ptr<char[], Free>(p);
}

TextBuffer::TextBuffer(std::string_view text)
    : data_(allocate(text.size() + 1)), size_(text.size()), capacity_(text.size() + 1) {
  if (!text.empty()) std::memcpy(data_.get(), text.data(), text.size());
}

TextBuffer TextBuffer::readFile(const std::filesystem::path& path,
                                const std::function<void(double)>& progress) {
  FileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) throw readError(path, "cannot open the file");
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) throw readError(path, "cannot read the file");
  // A pipe (a process substitution, a named pipe) has no size to read up to: it is read to its
  // end. A device could give bytes forever.
  if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) return readStream(fd.get(), path);
  if (!S_ISREG(info.st_mode))
    throw std::runtime_error(path.string() + ": cannot read the file: it is " +
                             support::kindOfFile(info.st_mode) + ", not a drawing file");
  const auto size = static_cast<std::size_t>(info.st_size);
  TextBuffer buffer;
  buffer.data_ = allocate(size + 1);
  buffer.capacity_ = size + 1;
  // In pieces when someone is told how far the read has come; a piece costs one system call.
  const std::size_t piece = progress ? kProgressPiece : size;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd.get(), buffer.data_.get() + done, std::min(size - done, piece));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw readError(path, "cannot read the file");
    if (n == 0) break;  // the file shrank while we read it
    done += static_cast<std::size_t>(n);
    if (progress) progress(static_cast<double>(done) / static_cast<double>(size));
  }
  buffer.size_ = done;
  return buffer;
}

TextBuffer TextBuffer::readStream(int fd, const std::filesystem::path& path) {
  TextBuffer buffer;
  buffer.capacity_ = std::size_t{1} << 16;
  buffer.data_ = allocate(buffer.capacity_);
  for (;;) {
    // Room for one more byte is always kept (pushBack).
    if (buffer.capacity_ - buffer.size_ < 2) {
      const std::size_t larger = buffer.capacity_ * 2;
      if (larger > std::size_t{0xFFFFFFFFu}) {
        errno = EFBIG;
        throw readError(path, "cannot read the file");
      }
      auto bigger = allocate(larger);
      std::memcpy(bigger.get(), buffer.data_.get(), buffer.size_);
      buffer.data_ = std::move(bigger);
      buffer.capacity_ = larger;
    }
    const ssize_t n =
        ::read(fd, buffer.data_.get() + buffer.size_, buffer.capacity_ - buffer.size_ - 1);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw readError(path, "cannot read the file");
    if (n == 0) return buffer;
    buffer.size_ += static_cast<std::size_t>(n);
  }
}

void TextBuffer::pushBack(char c) {
  if (size_ + 1 > capacity_) {
    auto bigger = allocate(size_ * 2 + 2);
    if (size_) std::memcpy(bigger.get(), data_.get(), size_);
    data_ = std::move(bigger);
    capacity_ = size_ * 2 + 2;
  }
  data_[size_++] = c;
}

}  // namespace kx::dxf
