// The SDK's prompt functions: thin wrappers over the session's prompter, which reads the one input
// source and keeps the transcript.

#include <cwchar>
#include <exception>
#include <string>
#include <string_view>

#include "api/host_names.h"
#include "editor/prompts.h"
#include "editor/selection_prompt.h"
#include "editor/session.h"
#include "kx/kxedinput.h"

namespace {

using kx::editor::PickHit;
using kx::editor::Prompter;
using kx::geom::Vec3;

Prompter& prompter() {
  return Prompter::instance();
}

std::wstring_view text(const wchar_t* s) {
  return s ? std::wstring_view(s) : std::wstring_view();
}

std::optional<Vec3> point(const double* p) {
  if (!p) return std::nullopt;
  return Vec3{p[0], p[1], p[2]};
}

void setPoint(double out[3], const Vec3& p) {
  out[0] = p.x;
  out[1] = p.y;
  out[2] = p.z;
}

// Copies a reply to a module's buffer; a reply longer than the buffer is cut to fit.
bool copyText(const std::wstring& from, wchar_t* to, std::size_t size) {
  if (!to || size == 0) return false;
  const std::size_t n = std::min(from.size(), size - 1);
  std::wmemcpy(to, from.data(), n);
  to[n] = L'\0';
  return true;
}

template <typename F>
int guarded(F&& f) {
  try {
    return f();
  } catch (const std::exception&) {
    return KXRT_ERROR;
  }
}

// A pick's entity name, and for a nested pick its containers and transform.
int pickResult(const PickHit& hit, bool nested, kds_name entity, double xform[4][4],
               resbuf** containers) {
  kx::editor::Document* doc = kx::editor::Session::instance().active();
  kx::api::setName(entity, doc->db(), nested ? hit.entity : hit.top);
  if (xform) {
    const kx::geom::Matrix3d m = nested ? hit.toWorld : kx::geom::Matrix3d();
    const Vec3 columns[4] = {m.xAxis(), m.yAxis(), m.zAxis(), m.origin()};
    for (int c = 0; c < 4; ++c) {
      xform[0][c] = columns[c].x;
      xform[1][c] = columns[c].y;
      xform[2][c] = columns[c].z;
      xform[3][c] = c == 3 ? 1 : 0;
    }
  }
  if (containers) {
    *containers = nullptr;
    resbuf** tail = containers;
    if (nested)
      for (const kx::db::ObjectId id : hit.containers) {
        *tail = kxutNewRb(KXRT_ENAME);
        kx::api::setName((*tail)->value.name, doc->db(), id);
        tail = &(*tail)->next;
      }
  }
  return KXRT_NORM;
}

}  // namespace

extern "C" {

int kxedInitGet(int flags, const wchar_t* keywords) {
  return guarded([&] {
    prompter().initGet(flags, text(keywords));
    return KXRT_NORM;
  });
}

int kxedGetKword(const wchar_t* prompt, wchar_t* result, std::size_t size) {
  return guarded([&] {
    std::wstring word;
    const int status = prompter().getKeyword(text(prompt), word);
    if (status == KXRT_NORM && !copyText(word, result, size)) return KXRT_ERROR;
    return status;
  });
}

int kxedGetString(int allowSpaces, const wchar_t* prompt, wchar_t* result, std::size_t size) {
  return guarded([&] {
    if (!result || size == 0) return KXRT_ERROR;
    std::wstring reply;
    const int status = prompter().getString(allowSpaces != 0, text(prompt), reply);
    if (status == KXRT_NORM) copyText(reply, result, size);
    return status;
  });
}

int kxedGetInput(wchar_t* result, std::size_t size) {
  return guarded(
      [&] { return copyText(prompter().lastInput(), result, size) ? KXRT_NORM : KXRT_ERROR; });
}

int kxedGetPoint(const double* base, const wchar_t* prompt, double result[3]) {
  return guarded([&] {
    if (!result) return KXRT_ERROR;
    const auto b = point(base);
    Vec3 p;
    const int status = prompter().getPoint(b ? &*b : nullptr, text(prompt), p);
    if (status == KXRT_NORM) setPoint(result, p);
    return status;
  });
}

int kxedGetDist(const double* base, const wchar_t* prompt, double* result) {
  return guarded([&] {
    if (!result) return KXRT_ERROR;
    const auto b = point(base);
    return prompter().getDistance(b ? &*b : nullptr, text(prompt), *result);
  });
}

int kxedGetReal(const wchar_t* prompt, double* result) {
  return guarded([&] { return result ? prompter().getReal(text(prompt), *result) : KXRT_ERROR; });
}

int kxedGetInt(const wchar_t* prompt, int* result) {
  return guarded(
      [&] { return result ? prompter().getInteger(text(prompt), *result) : KXRT_ERROR; });
}

int kxedGetOrient(const double* base, const wchar_t* prompt, double* result) {
  return guarded([&] {
    if (!result) return KXRT_ERROR;
    const auto b = point(base);
    return prompter().getAngle(b ? &*b : nullptr, text(prompt), *result);
  });
}

int kxedEntSel(const wchar_t* prompt, kds_name entity, double point[3]) {
  return guarded([&] {
    if (!entity || !kx::editor::Session::instance().active()) return KXRT_ERROR;
    PickHit hit;
    Vec3 at;
    const int status = prompter().pickEntity(text(prompt), hit, at);
    if (status != KXRT_NORM) return status;
    if (point) setPoint(point, at);
    return pickResult(hit, false, entity, nullptr, nullptr);
  });
}

int kxedNEntSelP(const wchar_t* prompt, kds_name entity, double point[3], int pickflag,
                 double xform[4][4], resbuf** containers) {
  return guarded([&] {
    if (containers) *containers = nullptr;
    if (!entity || !point || !kx::editor::Session::instance().active()) return KXRT_ERROR;
    PickHit hit;
    if (pickflag) {
      const auto found = prompter().pickAt({point[0], point[1], point[2]});
      if (!found) return KXRT_ERROR;
      hit = *found;
    } else {
      Vec3 at;
      const int status = prompter().pickEntity(text(prompt), hit, at);
      if (status != KXRT_NORM) return status;
      setPoint(point, at);
    }
    return pickResult(hit, true, entity, xform, containers);
  });
}

int kxedSSSetKwordCallbackPtr(KxSSCallback callback) {
  kx::editor::Session::instance().selectionSets().callbacks.keyword = callback;
  return KXRT_NORM;
}

int kxedSSGetKwordCallbackPtr(KxSSCallback* callback) {
  if (!callback) return KXRT_ERROR;
  *callback = kx::editor::Session::instance().selectionSets().callbacks.keyword;
  return KXRT_NORM;
}

int kxedSSSetOtherCallbackPtr(KxSSCallback callback) {
  kx::editor::Session::instance().selectionSets().callbacks.other = callback;
  return KXRT_NORM;
}

int kxedSSGetOtherCallbackPtr(KxSSCallback* callback) {
  if (!callback) return KXRT_ERROR;
  *callback = kx::editor::Session::instance().selectionSets().callbacks.other;
  return KXRT_NORM;
}

int kxedRetVoid() {
  return KXRT_NORM;
}

}  // extern "C"
