#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "db/dxf_io.h"
#include "dxf/tag_scanner.h"

namespace kx::db {
namespace {

// Collects output in a buffer of bounded size and hands it on in chunks, so that saving a big
// drawing does not hold a second copy of it in memory.
class ChunkedOutput {
 public:
  using Flush = std::function<void(std::string_view)>;
  explicit ChunkedOutput(Flush flush) : flush_(std::move(flush)) { buffer_.reserve(kChunk); }
  ~ChunkedOutput() = default;

  void append(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kChunk) drain();
    if (bytes.size() >= kChunk) {
      flush_(bytes);
    } else {
      buffer_ += bytes;
    }
  }
  void appendCode(int code) {
    if (buffer_.size() + 8 > kChunk) drain();
    dxf::appendCanonicalCode(buffer_, code);
  }
  void drain() {
    if (!buffer_.empty()) flush_(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kChunk = 1 << 20;
  Flush flush_;
  std::string buffer_;
};

void writeTags(const Database& db, ObjectId id, ChunkedOutput& out) {
  const std::string_view eol = db.lineEnd();
  for (const Tag& t : db.tags(id)) {
    const std::string_view code = db.codeText(t);
    if (code.empty()) {
      out.appendCode(t.code);
    } else {
      out.append(code);
    }
    out.append(eol);
    out.append(db.text(t));
    out.append(eol);
  }
}

// Hands each chunk on and tells `progress` how far the text has come, measured against the size
// of the file the drawing was read from (a guess for an edited drawing, so it stops short of the
// end until the end).
ChunkedOutput::Flush reporting(ChunkedOutput::Flush flush, const Database& db,
                               const Progress& progress) {
  if (!progress) return flush;
  const double expected = static_cast<double>(std::max<std::size_t>(db.source().size(), 1));
  return [flush = std::move(flush), &progress, expected,
          written = 0.0](std::string_view bytes) mutable {
    flush(bytes);
    written += static_cast<double>(bytes.size());
    progress(std::min(written / expected, 0.99));
  };
}

void writeDrawing(Database& db, ChunkedOutput& out) {
  db.syncHandleSeed();
  out.append(db.preamble());
  for (const Section& section : db.sections()) {
    for (ObjectId id : section.records) {
      if (db.isErased(id)) continue;
      if (db.isEdited(id)) {
        writeTags(db, id, out);
      } else {
        out.append(db.sourceBytes(id));
      }
    }
  }
  out.append(db.trailer());
  out.drain();
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

std::runtime_error saveError(const std::filesystem::path& path, const std::string& what) {
  return std::runtime_error(
      fmt::format("{}: cannot save: {}: {}", path.string(), what, std::strerror(errno)));
}

}  // namespace

std::string writeDxf(Database& db, const Progress& progress) {
  std::string text;
  text.reserve(db.source().size() + db.source().size() / 16 + 4096);
  ChunkedOutput out(reporting([&](std::string_view bytes) { text += bytes; }, db, progress));
  writeDrawing(db, out);
  if (progress) progress(1);
  return text;
}

void saveDxfFile(Database& db, const std::filesystem::path& path, const Progress& progress) {
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  std::string temp = (dir / ("." + path.filename().string() + ".XXXXXX")).string();
  FileDescriptor fd(::mkstemp(temp.data()));
  if (fd.get() < 0) throw saveError(path, "cannot make a temporary file in " + dir.string());
  bool done = false;
  struct RemoveTemp {
    const std::string& name;
    const bool& done;
    ~RemoveTemp() {
      if (!done) ::unlink(name.c_str());
    }
  } removeTemp{temp, done};

  // Writing the text and getting it onto the disk take about as long as each other.
  const Progress writing =
      progress ? Progress([&progress](double f) { progress(0.6 * f); }) : Progress();
  ChunkedOutput out(reporting(
      [&](std::string_view bytes) {
        while (!bytes.empty()) {
          const ssize_t n = ::write(fd.get(), bytes.data(), bytes.size());
          if (n < 0) {
            if (errno == EINTR) continue;
            throw saveError(path, "write failed");
          }
          bytes.remove_prefix(static_cast<std::size_t>(n));
        }
      },
      db, writing));
  writeDrawing(db, out);
  if (progress) progress(0.6);
  if (::fsync(fd.get()) != 0) throw saveError(path, "flush failed");
  // Files made by mkstemp are private; a saved drawing gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  if (::fchmod(fd.get(), 0666 & ~mask) != 0) throw saveError(path, "cannot set permissions");
  if (::close(fd.release()) != 0) throw saveError(path, "close failed");
  if (::rename(temp.c_str(), path.c_str()) != 0) throw saveError(path, "rename failed");
  done = true;
  if (progress) progress(1);
}

}  // namespace kx::db
