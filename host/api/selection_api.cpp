// Selection sets of the SDK: kxedSSGet and the calls that read and change the sets it makes.

#include <cwctype>
#include <exception>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "api/host_names.h"
#include "editor/selection_filter.h"
#include "editor/selection_sets.h"
#include "editor/session.h"
#include "kx/kxed.h"
#include "support/case_fold.h"

namespace {

using kx::editor::Document;
using kx::editor::SelectionSet;
using kx::editor::SelectionSets;
using kx::editor::Session;

SelectionSets& sets() {
  return Session::instance().selectionSets();
}

bool isNullName(const kds_name name) {
  return !name || kds_name_nil(name);
}

// Modes compare without regard to case; a leading underscore (the language-independent spelling
// of a keyword) is dropped.
std::wstring normalizedMode(std::wstring_view mode) {
  if (!mode.empty() && mode.front() == L'_') mode.remove_prefix(1);
  return kx::support::upperCase(mode);
}

std::vector<std::wstring> splitWords(const wchar_t* text) {
  std::vector<std::wstring> words;
  if (!text) return words;
  std::wstring word;
  for (const wchar_t* p = text;; ++p) {
    if (*p == L'\0' || std::iswspace(static_cast<wint_t>(*p))) {
      if (!word.empty()) words.push_back(std::move(word));
      word.clear();
      if (*p == L'\0') break;
    } else {
      word.push_back(*p);
    }
  }
  return words;
}

// Hands the request to the interactive input engine. ":$" takes its two prompts from `point1`
// (an array of two wide strings) and ":K" its keywords from `point2` (one wide string, the
// keywords separated by blanks).
int prompt(Document& doc, const wchar_t* mode, const void* point1, const void* point2,
           const kx::editor::SelectionFilter& filter, std::vector<kx::db::ObjectId>& picked) {
  SelectionSets& all = sets();
  if (!all.prompter) return KXRT_ERROR;
  kx::editor::SelectionRequest request;
  request.mode = mode ? mode : L"";
  request.filter = filter;
  request.drawing = doc.db().serial();
  request.callbacks = all.callbacks;
  const std::wstring upperMode = normalizedMode(request.mode);
  if (upperMode.find(L":$") != std::wstring::npos && point1) {
    const auto* prompts = static_cast<const wchar_t* const*>(point1);
    if (prompts[0]) request.addPrompt = prompts[0];
    if (prompts[1]) request.removePrompt = prompts[1];
  }
  if (upperMode.find(L":K") != std::wstring::npos && point2)
    request.keywords = splitWords(static_cast<const wchar_t*>(point2));
  std::vector<kx::db::ObjectId> got;
  const int status = all.prompter(request, got);
  if (status != KXRT_NORM) return status;  // Enter with nothing picked is the no-input result
  // Whatever the engine hands back, a set holds each live entity that passes the filter once.
  std::vector<kx::db::ObjectId> unique;
  std::unordered_set<kx::db::ObjectId> seen;
  for (const kx::db::ObjectId id : kx::editor::selectAmong(doc.db(), got, filter))
    if (seen.insert(id).second) unique.push_back(id);
  picked = std::move(unique);
  return KXRT_NORM;
}

int ssGet(const wchar_t* mode, const void* point1, const void* point2, const resbuf* filterList,
          kds_name set) {
  if (!set) return KXRT_ERROR;
  Document* doc = Session::instance().active();
  if (!doc) return KXRT_ERROR;
  const kx::db::Database& db = doc->db();
  const auto filter = kx::editor::SelectionFilter::compile(filterList, db);
  if (!filter) return KXRT_ERROR;

  std::vector<kx::db::ObjectId> picked;
  const std::wstring m = mode ? normalizedMode(mode) : std::wstring();
  if (mode && m == L"X") {
    picked = kx::editor::selectAll(db, *filter);
  } else if (mode && m == L"I") {
    picked = kx::editor::selectAmong(db, sets().pickfirst(db.serial()), *filter);
  } else if (mode && m == L"L") {
    const kx::db::ObjectId last = kx::editor::lastMainEntity(db);
    if (!last.isNull() && filter->matches(db, last)) picked.push_back(last);
  } else {
    // A command that takes the pickfirst set finds it here (the command stack clears it for
    // commands that do not); when none of it passes the filter the user is asked as usual.
    if (!mode) picked = kx::editor::selectAmong(db, sets().pickfirst(db.serial()), *filter);
    if (picked.empty()) {
      const int status = prompt(*doc, mode, point1, point2, *filter, picked);
      if (status != KXRT_NORM) return status;
    }
  }
  // As CAD hosts do: a selection that found nothing makes no set.
  if (picked.empty()) return KXRT_ERROR;
  sets().create(db.serial(), std::move(picked), set);
  return KXRT_NORM;
}

// The entity `entity` names, live and of the set's drawing.
kx::api::ResolvedObject liveEntity(const kds_name entity) {
  const kx::api::ResolvedObject r = kx::api::resolve(entity);
  if (!r || r.document->db().isErased(r.id)) return {};
  return r;
}

int ssAdd(const kds_name entity, const kds_name set, kds_name result) {
  if (isNullName(entity)) {
    if (!result) return KXRT_ERROR;
    Document* doc = Session::instance().active();
    if (!doc) return KXRT_ERROR;
    sets().create(doc->db().serial(), {}, result);
    return KXRT_NORM;
  }
  const kx::api::ResolvedObject r = liveEntity(entity);
  if (!r) return KXRT_ERROR;
  const std::int64_t drawing = r.document->db().serial();
  if (isNullName(set)) {
    if (!result) return KXRT_ERROR;
    sets().create(drawing, {r.id}, result);
    return KXRT_NORM;
  }
  SelectionSet* s = sets().find(set);
  if (!s || s->drawing() != drawing) return KXRT_ERROR;
  s->add(r.id);  // adding a member again leaves the set as it is
  if (result) kds_name_set(set, result);
  return KXRT_NORM;
}

// The member of `set` that `entity` names, with the set.
struct Membership {
  SelectionSet* set = nullptr;
  kx::db::ObjectId id;
};
Membership member(const kds_name entity, const kds_name set) {
  SelectionSet* s = sets().find(set);
  if (!s || isNullName(entity) || entity[0] != s->drawing()) return {};
  const kx::api::ResolvedObject r = kx::api::resolve(entity);
  if (!r || !s->contains(r.id)) return {};
  return {s, r.id};
}

template <typename F>
int guarded(F&& f) {
  try {
    return f();
  } catch (const std::exception&) {
    return KXRT_ERROR;
  }
}

}  // namespace

extern "C" {

int kxedSSGet(const wchar_t* mode, const void* point1, const void* point2, const resbuf* filter,
              kds_name set) {
  return guarded([&] { return ssGet(mode, point1, point2, filter, set); });
}

int kxedSSFree(const kds_name set) {
  return guarded([&] { return sets().free(set) ? KXRT_NORM : KXRT_ERROR; });
}

int kxedSSLength(const kds_name set, std::int32_t* length) {
  return guarded([&] {
    SelectionSet* s = sets().find(set);
    if (!s || !length) return KXRT_ERROR;
    *length = static_cast<std::int32_t>(s->size());
    return KXRT_NORM;
  });
}

int kxedSSName(const kds_name set, std::int32_t index, kds_name entity) {
  return guarded([&] {
    SelectionSet* s = sets().find(set);
    if (!s || !entity || index < 0 || static_cast<std::size_t>(index) >= s->size())
      return KXRT_ERROR;
    const Document* doc = Session::instance().find(s->drawing());
    kx::api::setName(entity, doc->db(), s->at(static_cast<std::size_t>(index)));
    return KXRT_NORM;
  });
}

int kxedSSAdd(const kds_name entity, const kds_name set, kds_name result) {
  return guarded([&] { return ssAdd(entity, set, result); });
}

int kxedSSDel(const kds_name entity, const kds_name set) {
  return guarded([&] {
    const Membership m = member(entity, set);
    return m.set && m.set->remove(m.id) ? KXRT_NORM : KXRT_ERROR;
  });
}

int kxedSSMemb(const kds_name entity, const kds_name set) {
  return guarded([&] { return member(entity, set).set ? KXRT_NORM : KXRT_ERROR; });
}

int kxedSSSetFirst(const kds_name /*gripSet*/, const kds_name set) {
  return guarded([&] {
    if (isNullName(set)) {
      sets().clearPickfirst();
      return KXRT_NORM;
    }
    SelectionSet* s = sets().find(set);
    if (!s) return KXRT_ERROR;
    sets().setPickfirst(s->drawing(), s->members());
    return KXRT_NORM;
  });
}

}  // extern "C"
