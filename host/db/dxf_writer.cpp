#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>

#include <fmt/format.h>

#include "db/dxf_io.h"
#include "dxf/tag_scanner.h"

namespace kx::db {
namespace {

void writeTags(const Database& db, ObjectId id, std::string& out) {
  const std::string_view eol = db.lineEnd();
  for (const Tag& t : db.tags(id)) {
    const std::string_view code = db.codeText(t);
    if (code.empty()) {
      dxf::appendCanonicalCode(out, t.code);
    } else {
      out += code;
    }
    out += eol;
    out += db.text(t);
    out += eol;
  }
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

std::string writeDxf(Database& db) {
  db.syncHandleSeed();
  std::string out;
  out.reserve(db.source().size() + db.source().size() / 16 + 4096);
  out += db.preamble();
  for (const Section& section : db.sections()) {
    for (ObjectId id : section.records) {
      if (db.isErased(id)) continue;
      if (db.isEdited(id)) {
        writeTags(db, id, out);
      } else {
        out += db.sourceBytes(id);
      }
    }
  }
  out += db.trailer();
  return out;
}

void saveDxfFile(Database& db, const std::filesystem::path& path) {
  const std::string text = writeDxf(db);
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

  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd.get(), text.data() + written, text.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw saveError(path, "write failed");
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fsync(fd.get()) != 0) throw saveError(path, "flush failed");
  // Files made by mkstemp are private; a saved drawing gets the usual permissions.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd.get(), 0666 & ~mask);
  if (::close(fd.release()) != 0) throw saveError(path, "close failed");
  if (::rename(temp.c_str(), path.c_str()) != 0) throw saveError(path, "rename failed");
  done = true;
}

}  // namespace kx::db
