#include "toolkit/system_variables.h"

#include "kx/kxed.h"

std::int16_t readShortVariable(const wchar_t* name, bool& ok) {
  resbuf value{};
  ok = kxedGetVar(name, &value) == KXRT_NORM;
  return ok ? value.value.int16 : 0;
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
  bool read = false;
  const std::int16_t value = readShortVariable(name, read);
  return read ? value : unknown;
}

ZeroedVariableGuard::ZeroedVariableGuard(const wchar_t* name)
    : name_(name), saved_(readShortVariable(name_, read_)) {
  writeShortVariable(name_, 0);
}

ZeroedVariableGuard::~ZeroedVariableGuard() {
  if (read_) writeShortVariable(name_, saved_);
}
