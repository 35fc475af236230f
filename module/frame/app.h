#pragma once
// The module's one application object: loads the resource module and registers the commands
// when the host initialises the module, and takes everything back when it is unloaded.

#include "kx/kxrxapp.h"
#include "kx/kxwindef.h"

class CNrxExtendTextCmdsApp : public KxRxNrxApp {
 public:
  KxRx::AppRetCode On_kInitAppMsg(void* packet) override;
  KxRx::AppRetCode On_kUnloadAppMsg(void* packet) override;
  void RegisterServerComponents() override {}

 private:
  HINSTANCE resourceInstance_ = nullptr;
};
