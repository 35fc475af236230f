#pragma once
// System variables read and written through the host, and guards that hold them while they live.

#include <cstdint>
#include <optional>

#include "kx/kxwinstr.h"

// A 16-bit system variable; none when the host does not know it.
std::optional<std::int16_t> readShortVariable(const wchar_t* name);
// The same, `unknown` when the host does not know it.
std::int16_t shortVariable(const wchar_t* name, std::int16_t unknown = 0);
// A string system variable; empty when the host does not know it.
CString stringVariable(const wchar_t* name);
void writeShortVariable(const wchar_t* name, std::int16_t v);

// Holds a 16-bit system variable at 0 while it lives, then puts back the value it had.
class ZeroedVariableGuard {
 public:
  explicit ZeroedVariableGuard(const wchar_t* name);
  ~ZeroedVariableGuard();
  ZeroedVariableGuard(const ZeroedVariableGuard&) = delete;
  ZeroedVariableGuard& operator=(const ZeroedVariableGuard&) = delete;

 private:
  const wchar_t* name_;
  std::optional<std::int16_t> saved_;
};

// Keeps the host from echoing the commands a command sends: CMDECHO is 0 while it lives.
class CmdEchoGuard : public ZeroedVariableGuard {
 public:
  CmdEchoGuard() : ZeroedVariableGuard(L"CMDECHO") {}
};

// Host commands that a command sends run without echo, blips or questions while it lives.
class QuietHostCommands {
 private:
  CmdEchoGuard echo_;
  ZeroedVariableGuard blips_{L"BLIPMODE"};
  ZeroedVariableGuard questions_{L"EXPERT"};
};
