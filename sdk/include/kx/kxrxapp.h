#pragma once
// The application framework a module compiles in: its application class derives from KxRxNrxApp
// (or KxRxDbxApp when it has no commands), overrides the message handlers it cares about and
// RegisterServerComponents(), and KX_IMPLEMENT_NRX_ENTRYPOINT(CLASS) exports the two functions
// the host looks for. Header-only: nothing here is in the host library.
//
//   class MyApp : public KxRxNrxApp {
//    public:
//     KxRx::AppRetCode On_kInitAppMsg(void* packet) override {
//       const KxRx::AppRetCode status = KxRxNrxApp::On_kInitAppMsg(packet);
//       ...
//       return status;
//     }
//     void RegisterServerComponents() override {}
//   };
//   KX_IMPLEMENT_NRX_ENTRYPOINT(MyApp)

#include <cstdint>
#include <memory>
#include <span>

#include "kx/kxedcmd.h"
#include "kx/kxrxsys.h"

// Dynamic properties a module would add to host objects; it keeps none yet.
class KxRxDynPropManager {
 public:
  KxRxDynPropManager() = default;
  KxRxDynPropManager(const KxRxDynPropManager&) = delete;
  KxRxDynPropManager& operator=(const KxRxDynPropManager&) = delete;
};

// One row of a module's command table.
struct KxRxCommandEntry {
  const wchar_t* group;
  const wchar_t* globalName;
  const wchar_t* localName;
  std::int32_t flags;  // KxEd::CommandFlags
  KxRxFunctionPointer handler;
};

class KxRxDbxApp {
 public:
  KxRxDbxApp() : unlockAtInit_(true), mdiAware_(true) {}
  virtual ~KxRxDbxApp() = default;
  KxRxDbxApp(const KxRxDbxApp&) = delete;
  KxRxDbxApp& operator=(const KxRxDbxApp&) = delete;

  // Keeps the packet that names the module to the host, unlocks it (so it can be unloaded
  // before the host exits) and registers it as aware of several drawings when the flags say so.
  virtual KxRx::AppRetCode On_kInitAppMsg(void* packet) {
    instance_ = packet;
    KxRxDynamicLinker* linker = kxrxDynamicLinker();
    if (!linker) return KxRx::kRetError;
    if (unlockAtInit_ && !linker->unlockApplication(packet)) return KxRx::kRetError;
    if (mdiAware_ && !linker->registerAppMDIAware(packet)) return KxRx::kRetError;
    dynPropManager_ = std::make_unique<KxRxDynPropManager>();
    return KxRx::kRetOK;
  }
  virtual KxRx::AppRetCode On_kUnloadAppMsg(void* /*packet*/) {
    dynPropManager_.reset();
    instance_ = nullptr;
    return KxRx::kRetOK;
  }
  virtual KxRx::AppRetCode On_kLoadDwgMsg(void* /*database*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kUnloadDwgMsg(void* /*database*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kInvkSubrMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kCfgMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kEndMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kQuitMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kSaveMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kDependencyMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kNoDependencyMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kOleUnloadAppMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kPreQuitMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kInitDialogMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kEndDialogMsg(void* /*packet*/) { return KxRx::kRetOK; }
  virtual KxRx::AppRetCode On_kSuspendMsg(void* /*packet*/) { return KxRx::kRetOK; }

  // Where the module would register what it serves to others; called at the end of a
  // successful initialisation.
  virtual void RegisterServerComponents() = 0;

  // What kxrxEntryPoint does with a message: the handler for it, kRetOK for an unknown one.
  KxRx::AppRetCode dispatch(int message, void* packet) {
    switch (message) {
      case KxRx::kInitAppMsg: {
        const KxRx::AppRetCode status = On_kInitAppMsg(packet);
        if (status == KxRx::kRetOK) RegisterServerComponents();
        return status;
      }
      case KxRx::kUnloadAppMsg:
        return On_kUnloadAppMsg(packet);
      case KxRx::kLoadDwgMsg:
        return On_kLoadDwgMsg(packet);
      case KxRx::kUnloadDwgMsg:
        return On_kUnloadDwgMsg(packet);
      case KxRx::kInvkSubrMsg:
        return On_kInvkSubrMsg(packet);
      case KxRx::kCfgMsg:
        return On_kCfgMsg(packet);
      case KxRx::kEndMsg:
        return On_kEndMsg(packet);
      case KxRx::kQuitMsg:
        return On_kQuitMsg(packet);
      case KxRx::kSaveMsg:
        return On_kSaveMsg(packet);
      case KxRx::kDependencyMsg:
        return On_kDependencyMsg(packet);
      case KxRx::kNoDependencyMsg:
        return On_kNoDependencyMsg(packet);
      case KxRx::kOleUnloadAppMsg:
        return On_kOleUnloadAppMsg(packet);
      case KxRx::kPreQuitMsg:
        return On_kPreQuitMsg(packet);
      case KxRx::kInitDialogMsg:
        return On_kInitDialogMsg(packet);
      case KxRx::kEndDialogMsg:
        return On_kEndDialogMsg(packet);
      case KxRx::kSuspendMsg:
        return On_kSuspendMsg(packet);
      default:
        return KxRx::kRetOK;
    }
  }

  void* instance() const { return instance_; }

 protected:
  bool unlockAtInit_;  // unlock with the dynamic linker at initialisation
  bool mdiAware_;      // register as aware of several drawings at initialisation
  void* instance_ = nullptr;
  std::unique_ptr<KxRxDynPropManager> dynPropManager_;
};

// An application with commands: its command table is added to the command stack at
// initialisation and its groups removed at unloading.
class KxRxNrxApp : public KxRxDbxApp {
 public:
  KxRx::AppRetCode On_kInitAppMsg(void* packet) override {
    const KxRx::AppRetCode status = KxRxDbxApp::On_kInitAppMsg(packet);
    if (status != KxRx::kRetOK) return status;
    KxEdCommandStack* stack = commandStack();
    if (!stack) return KxRx::kRetError;
    for (const KxRxCommandEntry& c : commandTable())
      // A name another module took already: better refused whole than half there.
      if (stack->addCommand(c.group, c.globalName, c.localName, c.flags, c.handler) != Kxad::eOk) {
        removeGroups(*stack);
        return KxRx::kRetError;
      }
    return KxRx::kRetOK;
  }
  KxRx::AppRetCode On_kUnloadAppMsg(void* packet) override {
    if (KxEdCommandStack* stack = commandStack()) removeGroups(*stack);
    return KxRxDbxApp::On_kUnloadAppMsg(packet);
  }

 protected:
  // The module's commands in the order they are registered; none by default.
  virtual std::span<const KxRxCommandEntry> commandTable() const { return {}; }

  static KxEdCommandStack* commandStack() {
    KxRxObject* object = kxrxSysRegistry()->at(KXRX_COMMAND_STACK);
    return object && object->isKindOf(KxEdCommandStack::desc())
               ? static_cast<KxEdCommandStack*>(object)
               : nullptr;
  }

 private:
  void removeGroups(KxEdCommandStack& stack) const {
    for (const KxRxCommandEntry& c : commandTable()) stack.removeGroup(c.group);
  }
};

// Exports the entry point and the API version for the application class CLASS; its one
// instance lives from the first message until the module is unloaded.
#define KX_IMPLEMENT_NRX_ENTRYPOINT(CLASS)                                              \
  extern "C" __attribute__((visibility("default"))) int kxrxEntryPoint(int message,     \
                                                                       void* packet) {  \
    static CLASS app;                                                                   \
    return app.dispatch(message, packet);                                               \
  }                                                                                     \
  extern "C" __attribute__((visibility("default"))) std::uint32_t kxrxGetApiVersion() { \
    return KXRX_API_VERSION;                                                            \
  }
