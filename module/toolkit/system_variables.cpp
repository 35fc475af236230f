#include "toolkit/system_variables.h"

#include "kx/kxed.h"

std::optional<std::int16_t> readShortVariable(const wchar_t* name) {
  resbuf value{};
  if (kxedGetVar(name, &value) != KXRT_NORM) return std::nullopt;
  return value.value.int16;
}

CString stringVariable(const wchar_t* name) {
  resbuf value{};
  if (kxedGetVar(name, &value) != KXRT_NORM || value.code != KXRT_STR) return CString();
  const CString text(value.value.string);
  kxad_free(value.value.string);
  return text;
}

void writeShortVariable(const wchar_t* name, std::int16_t v) {
  resbuf value{};
  value.code = KXRT_SHORT;
  value.value.int16 = v;
  kxedSetVar(name, &value);
}

std::int16_t shortVariable(const wchar_t* name, std::int16_t unknown) {
  return readShortVariable(name).value_or(unknown);
}

ZeroedVariableGuard::ZeroedVariableGuard(const wchar_t* name)
    : name_(name), saved_(readShortVariable(name_)) {
  writeShortVariable(name_, 0);
}

ZeroedVariableGuard::~ZeroedVariableGuard() {
  if (saved_) writeShortVariable(name_, *saved_);
}
