#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "db/dxf_io.h"
#include "dxf/group_code.h"
#include "dxf/number_syntax.h"
#include "dxf/tag_scanner.h"
#include "support/atomic_file.h"

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

// Tags of a group or a sort table that name erased objects, in order: a group's members (340)
// and a sort table's entries (331 and the sort handle after it). A saved drawing holds no erased
// object, so nothing in it may name one; an erased member stays in its group while the drawing
// is open, so that bringing it back restores it there.
std::vector<std::size_t> tagsNamingErased(const Database& db, ObjectId id) {
  std::vector<std::size_t> out;
  const std::string_view type = db.typeName(id);
  const bool group = type == "GROUP";
  if (!group && type != "SORTENTSTABLE") return out;
  const auto tags = db.tags(id);
  const auto namesErased = [&](const Tag& t) {
    const auto handle = dxf::parseHex(db.text(t));
    const ObjectId named = handle ? db.findByHandle(*handle) : ObjectId();
    return named && db.isErased(named);
  };
  for (std::size_t i = 0; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i) {
    if (tags[i].code != (group ? 340 : 331) || !namesErased(tags[i])) continue;
    out.push_back(i);
    if (!group && i + 1 < tags.size() && tags[i + 1].code == 5) out.push_back(++i);
  }
  return out;
}

void writeTags(const Database& db, ObjectId id, ChunkedOutput& out,
               const std::vector<std::size_t>& skipped = {}) {
  const std::string_view eol = db.lineEnd();
  auto skip = skipped.begin();
  const auto tags = db.tags(id);
  for (std::size_t i = 0; i < tags.size(); ++i) {
    if (skip != skipped.end() && *skip == i) {
      ++skip;
      continue;
    }
    const Tag& t = tags[i];
    const std::string_view code = db.codeText(t);
    const std::string_view value = db.text(t);
    if (code.empty()) {
      out.appendCode(t.code);
      out.append(eol);
      out.append(value);
    } else if (const char* codeEnd = code.data() + code.size();
               codeEnd + eol.size() == value.data() &&
               std::string_view(codeEnd, eol.size()) == eol) {
      // The code line was read (or made) right before its value with this line end: one piece.
      out.append(std::string_view(code.data(), code.size() + eol.size() + value.size()));
    } else {
      out.append(code);
      out.append(eol);
      out.append(value);
    }
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
      if (const auto skipped = tagsNamingErased(db, id); !skipped.empty()) {
        writeTags(db, id, out, skipped);
      } else if (db.isEdited(id)) {
        writeTags(db, id, out);
      } else {
        out.append(db.sourceBytes(id));
      }
    }
  }
  out.append(db.trailer());
  out.drain();
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
  try {
    kx::support::AtomicFile file(path);
    // Writing the text and getting it onto the disk take about as long as each other.
    const Progress writing =
        progress ? Progress([&progress](double f) { progress(0.6 * f); }) : Progress();
    ChunkedOutput out(reporting([&](std::string_view bytes) { file.write(bytes); }, db, writing));
    writeDrawing(db, out);
    if (progress) progress(0.6);
    file.commit();
  } catch (const kx::support::FileError& e) {
    throw std::runtime_error(fmt::format("{}: cannot save: {}", path.string(), e.reason()));
  }
  if (progress) progress(1);
}

}  // namespace kx::db
