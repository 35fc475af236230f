// Result buffers and host strings. Everything is malloc'd so that whichever release call a module
// uses (kxutRelRb, kxutDelBuffer, kxad_free) frees what the host allocated.

#include <cstdarg>
#include <cstdlib>
#include <memory>
#include <new>

#include "api/entity_list_codec.h"
#include "api/host_names.h"
#include "kx/kxtypes.h"

using kx::api::Storage;
using kx::api::storageOf;

namespace {

struct ListRelease {
  void operator()(resbuf* list) const { kxutRelRb(list); }
};

// The list of kxutBuildList's arguments after `code`, or null when a code has no value type.
// Throws std::bad_alloc, having released what it built.
resbuf* buildList(int code, std::va_list args) {
  std::unique_ptr<resbuf, ListRelease> head;
  resbuf* last = nullptr;
  for (; code != 0; code = va_arg(args, int)) {
    const Storage storage = storageOf(code);
    // A bare xdata marker (-3) carries no value; anything else without a place ends the list.
    if (storage == Storage::None && code != -3) return nullptr;
    resbuf* rb = kx::api::newListElement(code == KXRT_DXF0 ? 0 : code);
    if (last)
      last->next = rb;
    else
      head.reset(rb);
    last = rb;
    switch (storage) {
      case Storage::Real:
        rb->value.real = va_arg(args, double);
        break;
      case Storage::Point: {
        const double* p = va_arg(args, const double*);
        if (p) {
          rb->value.point[0] = p[0];
          rb->value.point[1] = p[1];
          rb->value.point[2] = code == KXRT_POINT ? 0.0 : p[2];
        }
        break;
      }
      case Storage::Int16:
        rb->value.int16 = static_cast<short>(va_arg(args, int));
        break;
      case Storage::Int32:
        rb->value.int32 = va_arg(args, std::int32_t);
        break;
      case Storage::String: {
        const wchar_t* s = va_arg(args, const wchar_t*);
        rb->value.string = kx::api::newHostString(s ? s : L"");
        break;
      }
      case Storage::Name: {
        const std::int64_t* n = va_arg(args, const std::int64_t*);
        if (n) {
          rb->value.name[0] = n[0];
          rb->value.name[1] = n[1];
        }
        break;
      }
      case Storage::None:
        break;
    }
  }
  return head.release();
}

}  // namespace

extern "C" {

resbuf* kxutNewRb(int code) {
  try {
    return kx::api::newListElement(code);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int kxutRelRb(resbuf* list) {
  while (list) {
    resbuf* next = list->next;
    if (storageOf(list->code) == Storage::String) kx::api::releaseHostString(list->value.string);
    kx::api::releaseListElement(list);
    list = next;
  }
  return KXRT_NORM;
}

resbuf* kxutBuildList(int code, ...) {
  std::va_list args;
  va_start(args, code);
  resbuf* list = nullptr;
  try {
    list = buildList(code, args);
  } catch (const std::bad_alloc&) {
  }
  va_end(args);
  return list;
}

int kxutNewString(const wchar_t* text, wchar_t** result) {
  if (!result) return KXRT_ERROR;
  try {
    *result = kx::api::newHostString(text ? text : L"");
  } catch (const std::bad_alloc&) {
    *result = nullptr;
    return KXRT_ERROR;
  }
  return KXRT_NORM;
}

int kxutUpdString(const wchar_t* text, wchar_t** result) {
  if (!result) return KXRT_ERROR;
  // Copy first: `text` may be the very string being replaced.
  wchar_t* copy = nullptr;
  if (kxutNewString(text, &copy) != KXRT_NORM) return KXRT_ERROR;
  std::free(*result);
  *result = copy;
  return KXRT_NORM;
}

int kxutDelBuffer(wchar_t** buffer) {
  if (!buffer) return KXRT_ERROR;
  std::free(*buffer);
  *buffer = nullptr;
  return KXRT_NORM;
}

void kxad_free(void* memory) {
  std::free(memory);
}
}
