// A module for the loader's tests: a few commands in one group, a service, and a line printed for
// each message it gets, so a test can follow what the host sent it.

#include <memory>
#include <span>
#include <stdexcept>

#include "kx/kxed.h"
#include "kx/kxrxapp.h"

namespace {

constexpr wchar_t kService[] = L"KxTestModuleService";

void hello() {
  kxutPrintf(L"Hello from %s\n", L"the test module");
}

void fails() {
  throw std::runtime_error("the test command gave up");
}

void failsOddly() {
  throw 42;
}

void* modulePacket = nullptr;  // what the host named this module with

// Asks the host to keep the module loaded until it exits.
void lock() {
  kxutPrintf(L"Locked: %d\n", kxrxDynamicLinker()->lockApplication(modulePacket) ? 1 : 0);
}

constexpr KxRxCommandEntry kCommands[] = {
    // Flags of its own, which the loader's test reads back from the command stack.
    {L"KX_TEST", L"KXHELLO", L"KXHALLO", KxEd::kUsePickSet | KxEd::kRedraw, hello},
    {L"KX_TEST", L"KXFAIL", L"KXFAIL", KxEd::kModal, fails},
    {L"KX_TEST", L"KXODD", L"KXODD", KxEd::kModal, failsOddly},
    {L"KX_TEST", L"KXLOCK", L"KXLOCK", KxEd::kModal, lock},
};

class TestApp : public KxRxNrxApp {
 public:
  KxRx::AppRetCode On_kInitAppMsg(void* packet) override {
    const KxRx::AppRetCode status = KxRxNrxApp::On_kInitAppMsg(packet);
    modulePacket = instance();
    if (status == KxRx::kRetOK && kxrxRegisterService(kService)) kxutPrintf(L"test module: init\n");
    return status;
  }
  KxRx::AppRetCode On_kUnloadAppMsg(void* packet) override {
    if (KxRxDictionary* services = kxrxServiceDictionary())
      std::unique_ptr<KxRxObject> gone(services->remove(kService));
    kxutPrintf(L"test module: unload\n");
    return KxRxNrxApp::On_kUnloadAppMsg(packet);
  }
  KxRx::AppRetCode On_kLoadDwgMsg(void*) override {
    kxutPrintf(L"test module: drawing opened\n");
    return KxRx::kRetOK;
  }
  KxRx::AppRetCode On_kUnloadDwgMsg(void*) override {
    kxutPrintf(L"test module: drawing closing\n");
    return KxRx::kRetOK;
  }
  void RegisterServerComponents() override {}

 protected:
  std::span<const KxRxCommandEntry> commandTable() const override { return kCommands; }
};

}  // namespace

KX_IMPLEMENT_NRX_ENTRYPOINT(TestApp)
