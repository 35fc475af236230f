#include "api/host_names.h"

#include <malloc.h>

#include <array>
#include <cstdlib>
#include <cwchar>
#include <new>
#include <vector>

namespace kx::api {

ResolvedObject resolve(const kds_name name) {
  if (!name) return {};
  editor::Document* doc = editor::Session::instance().find(name[0]);
  if (!doc) return {};
  const db::ObjectId id = doc->db().fromEntityName({name[0], name[1]});
  if (id.isNull()) return {};
  return {doc, id};
}

ResolvedObject resolve(const KxDbObjectId& id) {
  const kds_name name = {id.drawing(), id.object()};
  return resolve(name);
}

void setName(kds_name name, const db::Database& db, db::ObjectId id) {
  const db::EntityName n = db.entityName(id);
  name[0] = n.drawing;
  name[1] = n.object;
}

KxDbObjectId objectIdOf(const db::Database& db, db::ObjectId id) {
  if (id.isNull()) return {};
  const db::EntityName n = db.entityName(id);
  return {n.drawing, n.object};
}

namespace {

// Strings of released lists, kept for the lists made next, by capacity: a list read holds a
// handful of short strings (its type, handle, layer, markers, text), and most of the time a list
// takes was spent in malloc and free for them. Each string stays a block of its own from malloc,
// at least as large as its capacity says, so whatever frees it frees it.
class SpareStrings {
 public:
  SpareStrings() = default;
  SpareStrings(const SpareStrings&) = delete;
  SpareStrings& operator=(const SpareStrings&) = delete;
  ~SpareStrings() {
    closed_ = true;
    for (std::vector<wchar_t*>& kept : byClass_)
      for (wchar_t* s : kept) std::free(s);
  }

  // A block for `length` characters and the terminating null.
  wchar_t* take(std::size_t length) {
    const std::size_t c = classFor(length + 1);
    if (c == kClasses) return static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    std::vector<wchar_t*>& kept = byClass_[c];
    if (!kept.empty()) {
      wchar_t* s = kept.back();
      kept.pop_back();
      return s;
    }
    return static_cast<wchar_t*>(std::malloc(capacity(c) * sizeof(wchar_t)));
  }

  void give(wchar_t* s) {
    if (!s) return;
    // The largest class the block holds: a module may hand back a string it allocated itself.
    const std::size_t held = malloc_usable_size(s) / sizeof(wchar_t);
    std::size_t c = kClasses;
    while (c > 0 && capacity(c - 1) > held) --c;
    if (closed_ || c == 0 || held > 2 * capacity(kClasses - 1) ||
        byClass_[c - 1].size() == kMostKept) {
      std::free(s);
      return;
    }
    byClass_[c - 1].push_back(s);
  }

 private:
  static constexpr std::size_t kClasses = 4;  // 16, 32, 64 and 128 characters
  static constexpr std::size_t capacity(std::size_t c) { return std::size_t{16} << c; }
  static std::size_t classFor(std::size_t characters) {
    std::size_t c = 0;
    while (c < kClasses && capacity(c) < characters) ++c;
    return c;
  }
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer finds a string used after its list was released only if it is freed.
  static constexpr std::size_t kMostKept = 0;
#else
  static constexpr std::size_t kMostKept = 4096;
#endif
  std::array<std::vector<wchar_t*>, kClasses> byClass_;
  bool closed_ = false;  // set while the process ends: what is released then is freed at once
};

// Modules call the host from the command thread only, as every other list call assumes.
SpareStrings spareStrings;

}  // namespace

void releaseHostString(wchar_t* s) {
  spareStrings.give(s);
}

wchar_t* newHostString(std::wstring_view text) {
  auto* s = spareStrings.take(text.size());
  if (!s) throw std::bad_alloc();
  std::wmemcpy(s, text.data(), text.size());
  s[text.size()] = L'\0';
  return s;
}

wchar_t* newHostString(const dxf::TextCodec& codec, std::string_view bytes) {
  // Decoding never gives more characters than there are bytes.
  auto* s = spareStrings.take(bytes.size());
  if (!s) throw std::bad_alloc();
  s[codec.decodeInto(bytes, s)] = L'\0';
  return s;
}

wchar_t* newHostString(const db::Database& db, const dxf::Tag& tag) {
  return newHostString(db.codec(), db.text(tag));
}

}  // namespace kx::api
