#include "editor/command_stack.h"

#include <cstdio>
#include <cwctype>
#include <exception>
#include <memory>

#include <fmt/format.h>

#include "dxf/encoding.h"
#include "editor/error_output.h"
#include "editor/selection_sets.h"
#include "editor/session.h"
#include "kx/kxrxsys.h"
#include "kx/kxwinfile.h"
#include "support/case_fold.h"
#include "support/utf8.h"

const KxRxClass* KxEdCommand::desc() {
  static const KxRxClass cls(L"KxEdCommand", KxRxObject::desc());
  return &cls;
}
const KxRxClass* KxEdCommandStack::desc() {
  static const KxRxClass cls(L"KxEdCommandStack", KxRxObject::desc());
  return &cls;
}

namespace {

std::wstring folded(std::wstring_view text) {
  return kx::support::upperCase(text);
}

bool sameName(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && folded(a) == folded(b);
}

// A name a user can type: not empty, no blanks, and not starting with the '_' or '.' that the
// command line reads as prefixes.
bool typeableName(std::wstring_view name) {
  if (name.empty() || name.front() == L'_' || name.front() == L'.') return false;
  for (wchar_t c : name)
    if (std::iswspace(static_cast<wint_t>(c)) || std::iswcntrl(static_cast<wint_t>(c)))
      return false;
  return true;
}

}  // namespace

struct KxEdCommandStack::Groups {
  struct Group {
    std::wstring name;
    std::vector<std::unique_ptr<KxEdCommand>> commands;
  };
  std::vector<Group> list;

  Group* find(std::wstring_view name) {
    for (Group& g : list)
      if (sameName(g.name, name)) return &g;
    return nullptr;
  }
  template <typename Pick>
  KxEdCommand* findCommand(Pick pick) const {
    for (const Group& g : list)
      for (const auto& c : g.commands)
        if (pick(*c)) return c.get();
    return nullptr;
  }
};

// What the host's side reaches inside the public classes.
struct KxEdCommandAccess {
  static KxEdCommandStack::Groups& groups(KxEdCommandStack& stack) { return *stack.groups_; }
  static void setHostBody(KxEdCommand& command, std::function<void()> body) {
    command.hostBody_ = std::move(body);
  }
  static const std::function<void()>& hostBody(const KxEdCommand& command) {
    return command.hostBody_;
  }
};

KxEdCommandStack::KxEdCommandStack() : groups_(std::make_unique<Groups>()) {}
KxEdCommandStack::~KxEdCommandStack() = default;

Kxad::ErrorStatus KxEdCommandStack::addCommand(const wchar_t* group, const wchar_t* globalName,
                                               const wchar_t* localName, std::int32_t flags,
                                               KxRxFunctionPointer handler, void* uiContext,
                                               int funcCode, void* resourceHandle,
                                               void** commandOut) {
  if (!group || !*group || !globalName || !handler) return Kxad::eInvalidInput;
  const std::wstring_view global(globalName);
  const std::wstring_view local = localName && *localName ? localName : globalName;
  if (!typeableName(global) || !typeableName(local)) return Kxad::eInvalidInput;
  const auto clashes = [&](const KxEdCommand& c) {
    for (std::wstring_view name : {global, local})
      if (sameName(c.globalName_, name) || sameName(c.localName_, name)) return true;
    return false;
  };
  if (groups_->findCommand(clashes)) return Kxad::eDuplicateKey;

  Groups::Group* g = groups_->find(group);
  if (!g) g = &groups_->list.emplace_back(Groups::Group{group, {}});
  // The constructor is private so commands exist only inside a stack.
  auto command = std::unique_ptr<KxEdCommand>(new KxEdCommand);
  command->group_ = g->name;
  command->globalName_ = global;
  command->localName_ = local;
  command->flags_ = flags;
  command->handler_ = handler;
  command->uiContext_ = uiContext;
  command->functionCode_ = funcCode;
  command->resourceHandle_ = resourceHandle;
  if (commandOut) *commandOut = command.get();
  g->commands.push_back(std::move(command));
  return Kxad::eOk;
}

Kxad::ErrorStatus KxEdCommandStack::removeCmd(const wchar_t* group, const wchar_t* globalName) {
  if (!group || !globalName) return Kxad::eInvalidInput;
  Groups::Group* g = groups_->find(group);
  if (!g) return Kxad::eNotFound;
  const auto removed = std::erase_if(
      g->commands, [&](const auto& c) { return sameName(c->globalName_, globalName); });
  if (!removed) return Kxad::eNotFound;
  if (g->commands.empty()) groups_->list.erase(groups_->list.begin() + (g - groups_->list.data()));
  return Kxad::eOk;
}

Kxad::ErrorStatus KxEdCommandStack::removeGroup(const wchar_t* group) {
  if (!group) return Kxad::eInvalidInput;
  const auto removed =
      std::erase_if(groups_->list, [&](const Groups::Group& g) { return sameName(g.name, group); });
  return removed ? Kxad::eOk : Kxad::eNotFound;
}

KxEdCommand* KxEdCommandStack::lookupGlobalCmd(const wchar_t* name) const {
  if (!name) return nullptr;
  return groups_->findCommand([&](const KxEdCommand& c) { return sameName(c.globalName_, name); });
}

KxEdCommand* KxEdCommandStack::lookupLocalCmd(const wchar_t* name) const {
  if (!name) return nullptr;
  return groups_->findCommand([&](const KxEdCommand& c) { return sameName(c.localName_, name); });
}

KxEdCommand* KxEdCommandStack::lookupCmd(const wchar_t* typed) const {
  if (!typed) return nullptr;
  std::wstring_view name(typed);
  bool global = false;
  while (!name.empty() && (name.front() == L'.' || name.front() == L'_')) {
    global = global || name.front() == L'_';
    name.remove_prefix(1);
  }
  const std::wstring key(name);
  if (global) return lookupGlobalCmd(key.c_str());
  if (KxEdCommand* c = lookupLocalCmd(key.c_str())) return c;
  return lookupGlobalCmd(key.c_str());
}

std::uint32_t KxEdCommandStack::numGroups() const {
  return static_cast<std::uint32_t>(groups_->list.size());
}

const wchar_t* KxEdCommandStack::groupAt(std::uint32_t index) const {
  return index < groups_->list.size() ? groups_->list[index].name.c_str() : nullptr;
}

std::uint32_t KxEdCommandStack::numCommands(const wchar_t* group) const {
  const Groups::Group* g = group ? groups_->find(group) : nullptr;
  return g ? static_cast<std::uint32_t>(g->commands.size()) : 0;
}

KxEdCommand* KxEdCommandStack::commandAt(const wchar_t* group, std::uint32_t index) const {
  const Groups::Group* g = group ? groups_->find(group) : nullptr;
  return g && index < g->commands.size() ? g->commands[index].get() : nullptr;
}

namespace kx::editor {

std::function<void(std::string_view)> commandErrors;

namespace {

// The message of an exception a module let escape; the kind of exception when it gives none.
std::string frameworkMessage(const CException* e) {
  wchar_t text[512] = L"";
  if (!e || !e->GetErrorMessage(text, 512) || !text[0]) return "unexpected framework exception";
  return kx::support::toUtf8(text);
}

void reportError(std::string_view line) {
  if (commandErrors) {
    commandErrors(line);
    return;
  }
  printErrorLine(line);
}

// A host command's body stands in for the handler the stack insists on; it is never called.
void hostCommandPlaceholder() {}

}  // namespace

KxEdCommandStack& commandStack() {
  KxRxDictionary& registry = *kxrxSysRegistry();
  if (auto* stack = KxEdCommandStack::cast(registry.at(KXRX_COMMAND_STACK))) return *stack;
  auto stack = std::make_unique<KxEdCommandStack>();
  KxEdCommandStack& result = *stack;
  // Whatever a module put there instead is not a command stack; it goes back to nobody.
  std::unique_ptr<KxRxObject> displaced(registry.atPut(KXRX_COMMAND_STACK, stack.release()));
  return result;
}

Kxad::ErrorStatus addHostCommand(std::wstring_view globalName, std::wstring_view localName,
                                 std::int32_t flags, std::function<void()> body) {
  if (!body) return Kxad::eInvalidInput;
  const std::wstring global(globalName), local(localName);
  void* added = nullptr;
  const Kxad::ErrorStatus status =
      commandStack().addCommand(kHostCommandGroup, global.c_str(), local.c_str(), flags,
                                hostCommandPlaceholder, nullptr, -1, nullptr, &added);
  if (status == Kxad::eOk)
    KxEdCommandAccess::setHostBody(*static_cast<KxEdCommand*>(added), std::move(body));
  return status;
}

CommandRun runCommand(std::wstring_view typed) {
  CommandRun run;
  const std::wstring name(typed);
  const KxEdCommand* command = commandStack().lookupCmd(name.c_str());
  if (!command) return run;

  // The command may remove itself (or its whole module's group) while it runs.
  run.command = command->globalName();
  const std::int32_t flags = command->commandFlags();
  const KxRxFunctionPointer handler = command->functionAddr();
  const std::function<void()> body = KxEdCommandAccess::hostBody(*command);

  Session& session = Session::instance();
  SelectionSets& sets = session.selectionSets();
  Document* document = session.active();
  const std::int64_t drawing = document ? document->db().serial() : 0;
  const int openBefore = document ? document->openObjects : 0;
  std::vector<db::ObjectId> pickfirst;
  if (flags & KxEd::kUsePickSet)
    pickfirst = sets.pickfirst(drawing);
  else
    sets.clearPickfirst();

  try {
    if (body)
      body();
    else
      handler();
    run.status = CommandRun::Status::Done;
  } catch (const std::exception& e) {
    run.status = CommandRun::Status::Failed;
    run.error = e.what();
  } catch (CException* e) {
    // The framework throws its exceptions as pointers; whoever catches one frees it.
    run.status = CommandRun::Status::Failed;
    run.error = frameworkMessage(e);
    e->Delete();
  } catch (...) {
    run.status = CommandRun::Status::Failed;
    run.error = "unexpected exception";
  }

  const std::string who = kx::support::toUtf8(run.command);
  if (run.status == CommandRun::Status::Failed)
    reportError(fmt::format("kxhost: {}: {}", who, run.error));
  // Still the same drawing (the command may have closed it)?
  if (Document* after = drawing ? session.find(drawing) : nullptr) {
    if (after->openObjects > openBefore)
      reportError(fmt::format("kxhost: {}: left {} database object(s) open", who,
                              after->openObjects - openBefore));
    // A set the command used is spent; one it made for the next command stays.
    if ((flags & KxEd::kUsePickSet) && !pickfirst.empty() && sets.pickfirst(drawing) == pickfirst)
      sets.clearPickfirst();
  }
  return run;
}

std::size_t commandCount() {
  std::size_t count = 0;
  for (const auto& group : KxEdCommandAccess::groups(commandStack()).list)
    count += group.commands.size();
  return count;
}

std::size_t removeCommandsIf(const std::function<bool(const KxEdCommand&)>& doomed) {
  auto& groups = KxEdCommandAccess::groups(commandStack()).list;
  std::size_t removed = 0;
  for (auto& g : groups)
    removed += std::erase_if(g.commands, [&](const auto& c) { return doomed(*c); });
  std::erase_if(groups, [](const auto& g) { return g.commands.empty(); });
  return removed;
}

}  // namespace kx::editor
