#include "frame/app.h"

#include <cstdint>
#include <memory>

#include "frame/command_table.h"
#include "frame/resource_module.h"
#include "kx/kxrxsys.h"

namespace {

constexpr wchar_t kServiceName[] = L"NRXEXTENDTEXTCMDS_SERVICE";

CNrxExtendTextCmdsApp theApp;

KxEdCommandStack* registeredCommands() {
  KxRxObject* object = kxrxSysRegistry()->at(KXRX_COMMAND_STACK);
  return object && object->isKindOf(KxEdCommandStack::desc())
             ? static_cast<KxEdCommandStack*>(object)
             : nullptr;
}

}  // namespace

KxRx::AppRetCode CNrxExtendTextCmdsApp::On_kInitAppMsg(void* packet) {
  // Without its texts the module could neither name its commands nor talk to the user.
  if (!loadResourceModule()) return KxRx::kRetError;
  resourceInstance_ = resourceModule();
  ResourceGuard guard;

  if (!kxrxServiceIsRegistered(kServiceName)) kxrxRegisterService(kServiceName);
  const KxRx::AppRetCode status = KxRxNrxApp::On_kInitAppMsg(packet);

  for (const CommandRow& row : moduleCommands()) {
    KxEdCommandStack* stack = registeredCommands();
    if (!stack) continue;
    CString localName;
    loadResourceModuleString(row.localNameId, localName);
    // One command that cannot be added must not cost the user the others.
    stack->addCommand(kCommandGroup, row.globalName, localName, row.flags, row.handler, nullptr, -1,
                      nullptr, nullptr);
  }
  return status;
}

KxRx::AppRetCode CNrxExtendTextCmdsApp::On_kUnloadAppMsg(void* packet) {
  KxRxNrxApp::On_kUnloadAppMsg(packet);
  if (KxEdCommandStack* stack = registeredCommands()) stack->removeGroup(kCommandGroup);
  if (KxRxDictionary* services = kxrxServiceDictionary())
    std::unique_ptr<KxRxObject> removed(services->remove(kServiceName));
  freeResourceModule();
  resourceInstance_ = nullptr;
  return KxRx::kRetOK;
}

// Messages the module does not know are answered at once, without waking the application.
extern "C" __attribute__((visibility("default"))) int kxrxEntryPoint(int message, void* packet) {
  if (message < KxRx::kInitAppMsg || message > KxRx::kInvkSubrMsg) return KxRx::kRetOK;
  return theApp.dispatch(message, packet);
}

extern "C" __attribute__((visibility("default"))) std::uint32_t kxrxGetApiVersion() {
  return KXRX_API_VERSION;
}
