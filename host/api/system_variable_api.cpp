// kxedGetVar and kxedSetVar: system variables as result buffers.

#include "api/host_names.h"
#include "editor/session.h"
#include "editor/system_variables.h"
#include "kx/kxed.h"

namespace {

using kx::editor::Session;
using kx::editor::VariableType;
using kx::editor::VariableValue;

// The value a module passed, in the form the variable takes; nothing for a type it cannot take.
std::optional<VariableValue> fromResbuf(VariableType type, const resbuf& rb) {
  switch (type) {
    case VariableType::Short:
      if (rb.code == KXRT_SHORT) return static_cast<long long>(rb.value.int16);
      if (rb.code == KXRT_LONG) return static_cast<long long>(rb.value.int32);
      return std::nullopt;
    case VariableType::Real:
      if (rb.code == KXRT_REAL) return rb.value.real;
      if (rb.code == KXRT_SHORT) return static_cast<double>(rb.value.int16);
      if (rb.code == KXRT_LONG) return static_cast<double>(rb.value.int32);
      return std::nullopt;
    case VariableType::Point:
      return std::nullopt;  // the point variables (the UCS's) are read-only
    case VariableType::String:
      if (rb.code == KXRT_STR && rb.value.string) return std::wstring(rb.value.string);
      return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace

extern "C" {

int kxedGetVar(const wchar_t* name, resbuf* result) {
  if (!name || !result) return KXRT_ERROR;
  Session& session = Session::instance();
  const auto value = session.systemVariables().get(name, session.active());
  if (!value) return KXRT_ERROR;
  if (const auto* s = std::get_if<long long>(&*value)) {
    result->code = KXRT_SHORT;
    result->value.int16 = static_cast<short>(*s);
  } else if (const auto* r = std::get_if<double>(&*value)) {
    result->code = KXRT_REAL;
    result->value.real = *r;
  } else if (const auto* p = std::get_if<kx::geom::Vec3>(&*value)) {
    result->code = KXRT_3DPOINT;
    result->value.point[0] = p->x;
    result->value.point[1] = p->y;
    result->value.point[2] = p->z;
  } else {
    result->code = KXRT_STR;
    result->value.string = kx::api::newHostString(std::get<std::wstring>(*value));
  }
  return KXRT_NORM;
}

int kxedSetVar(const wchar_t* name, const resbuf* value) {
  if (!name || !value) return KXRT_ERROR;
  Session& session = Session::instance();
  auto& variables = session.systemVariables();
  const auto type = variables.type(name);
  if (!type) return KXRT_ERROR;
  const auto converted = fromResbuf(*type, *value);
  if (!converted) return KXRT_ERROR;
  return variables.set(name, *converted, session.active()) ? KXRT_NORM : KXRT_ERROR;
}
}
