#pragma once
// The module's commands in the order they are registered.

#include <cstdint>
#include <span>

#include "kx/kxedcmd.h"
#include "kx/kxwindef.h"

constexpr wchar_t kCommandGroup[] = L"NRX_EXTENDTEXT_COMMANDS";

struct CommandRow {
  const wchar_t* globalName;
  UINT localNameId;  // string of the resource module
  std::int32_t flags;
  void (*handler)();
};

std::span<const CommandRow> moduleCommands();
