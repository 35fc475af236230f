#pragma once
// The command stack: every command a user can type, module or host, in named groups. A module
// adds its commands when it initialises and removes its group when it unloads.
//
// A command has a global name (the same in every language; typed with a leading '_' it is looked
// up only among global names) and a local name. Names compare without regard to case and are
// unique across all groups.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "kx/kxdbid.h"
#include "kx/kxrx.h"

typedef void (*KxRxFunctionPointer)();

namespace KxEd {
enum CommandFlags : std::int32_t {
  kModal = 0,
  kUsePickSet = 2,  // the command takes the entities selected before it started
  kRedraw = 4,      // redraw when it ends; headless there is nothing to redraw
};
}  // namespace KxEd

class KxEdCommand : public KxRxObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxEdCommand)
  KxEdCommand(const KxEdCommand&) = delete;
  KxEdCommand& operator=(const KxEdCommand&) = delete;

  const wchar_t* globalName() const { return globalName_.c_str(); }
  const wchar_t* localName() const { return localName_.c_str(); }
  const wchar_t* groupName() const { return group_.c_str(); }
  std::int32_t commandFlags() const { return flags_; }
  // Null for a command of the host itself.
  KxRxFunctionPointer functionAddr() const { return handler_; }
  void* commandUIContext() const { return uiContext_; }
  int functionCode() const { return functionCode_; }
  void* resourceHandle() const { return resourceHandle_; }

 private:
  KxEdCommand() = default;
  friend class KxEdCommandStack;
  friend struct KxEdCommandAccess;

  std::wstring group_, globalName_, localName_;
  std::int32_t flags_ = 0;
  KxRxFunctionPointer handler_ = nullptr;
  std::function<void()> hostBody_;  // what a host command runs instead of a handler
  void* uiContext_ = nullptr;
  int functionCode_ = -1;
  void* resourceHandle_ = nullptr;
};

class KxEdCommandStack : public KxRxObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxEdCommandStack)
  KxEdCommandStack();
  ~KxEdCommandStack() override;
  KxEdCommandStack(const KxEdCommandStack&) = delete;
  KxEdCommandStack& operator=(const KxEdCommandStack&) = delete;

  // Adds a command at the end of `group` (made if new). eInvalidInput for a missing group, name
  // or handler, or a name with blanks in it; eDuplicateKey when either name is already a global
  // or local name of another command. An empty or null local name means the global one. The new
  // command goes into *commandOut when it is given.
  Kxad::ErrorStatus addCommand(const wchar_t* group, const wchar_t* globalName,
                               const wchar_t* localName, std::int32_t flags,
                               KxRxFunctionPointer handler, void* uiContext = nullptr,
                               int funcCode = -1, void* resourceHandle = nullptr,
                               void** commandOut = nullptr);
  // eNotFound when the group has no command of that global name.
  Kxad::ErrorStatus removeCmd(const wchar_t* group, const wchar_t* globalName);
  // Removes the group and all its commands; eNotFound for an unknown group.
  Kxad::ErrorStatus removeGroup(const wchar_t* group);

  KxEdCommand* lookupGlobalCmd(const wchar_t* name) const;
  KxEdCommand* lookupLocalCmd(const wchar_t* name) const;
  // What a user's typing names: "_NAME" a global name only, otherwise a local name and then a
  // global one. Leading '.' (the form that skips redefinitions) is ignored.
  KxEdCommand* lookupCmd(const wchar_t* typed) const;

  // Groups in the order they were made and each group's commands in the order they were added.
  std::uint32_t numGroups() const;
  const wchar_t* groupAt(std::uint32_t index) const;  // null past the end
  std::uint32_t numCommands(const wchar_t* group) const;
  KxEdCommand* commandAt(const wchar_t* group, std::uint32_t index) const;

 private:
  struct Groups;
  std::unique_ptr<Groups> groups_;
  friend struct KxEdCommandAccess;
};
