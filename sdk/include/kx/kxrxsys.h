#pragma once
// The system registry and what a module finds in it: dictionaries of run-time objects, services
// that modules announce to each other, and the dynamic linker that knows the loaded modules.
//
// A module starts from kxrxSysRegistry(); the command stack, the dynamic linker and the service
// dictionary are entries of it under the keys below.

#include <cstdint>
#include <memory>

#include "kx/kxrx.h"

// The API version a module reports from kxrxGetApiVersion(): the release year in the high 16
// bits, the interface revision in the low 16. The host refuses a module whose high half differs.
constexpr std::uint32_t KXRX_API_VERSION = 0x07E50014;

// Keys of the system registry.
#define KXRX_COMMAND_STACK L"KXAD_REGISTERED_COMMANDS"
#define KXRX_DYNAMIC_LINKER L"DynamicLinker"
#define KXRX_SERVICE_DICTIONARY L"ServiceDictionary"

namespace KxRx {
// What the host tells a module through kxrxEntryPoint(message, packet).
enum AppMsgCode {
  kNullMsg = 0,
  kInitAppMsg = 1,    // just loaded; packet identifies the module to the dynamic linker
  kUnloadAppMsg = 2,  // about to be unloaded (also at exit); same packet
  kLoadDwgMsg = 3,    // a drawing was opened; packet is its KxDbDatabase*
  kUnloadDwgMsg = 4,  // a drawing is about to close; packet is its KxDbDatabase*
  kInvkSubrMsg = 5,   // function invocation; kxhost never sends it
  kCfgMsg = 6,
  kEndMsg = 7,
  kQuitMsg = 8,
  kSaveMsg = 9,
  kDependencyMsg = 10,
  kNoDependencyMsg = 11,
  kOleUnloadAppMsg = 12,
  kPreQuitMsg = 13,
  kInitDialogMsg = 14,
  kEndDialogMsg = 15,
  kSuspendMsg = 16,
};
// What kxrxEntryPoint returns: anything but kRetOK to kInitAppMsg makes the host drop the module.
enum AppRetCode { kRetOK = 0, kRetError = 3 };
}  // namespace KxRx

// String keys to run-time objects. The dictionary owns what it holds: remove() hands an object
// back to the caller, and whatever is still in it when it is destroyed is deleted with it. A
// module that puts objects of its own classes in a host dictionary must take them out before it
// is unloaded, since their code goes away with it.
class KxRxDictionary : public KxRxObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxRxDictionary)
  KxRxDictionary();
  ~KxRxDictionary() override;
  KxRxDictionary(const KxRxDictionary&) = delete;
  KxRxDictionary& operator=(const KxRxDictionary&) = delete;

  // The object under `key` (keys compare exactly); null when there is none.
  KxRxObject* at(const wchar_t* key) const;
  // Puts `object` under `key` and returns what was there before (now the caller's), or null.
  // A null key or object changes nothing and returns null.
  KxRxObject* atPut(const wchar_t* key, KxRxObject* object);
  // Takes the object under `key` out and returns it (the caller deletes it); null when none.
  KxRxObject* remove(const wchar_t* key);
  bool has(const wchar_t* key) const;
  std::uint32_t numEntries() const;
  // The key at `index` in key order (0 <= index < numEntries()), null past the end. Valid until
  // the dictionary changes.
  const wchar_t* keyAt(std::uint32_t index) const;

 private:
  struct Entries;
  std::unique_ptr<Entries> entries_;
};

// A named service one module offers to others; it carries nothing but its name.
class KxRxService : public KxRxObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxRxService)
  explicit KxRxService(const wchar_t* name);
  ~KxRxService() override;
  KxRxService(const KxRxService&) = delete;
  KxRxService& operator=(const KxRxService&) = delete;
  const wchar_t* name() const;

 private:
  struct Data;
  std::unique_ptr<Data> data_;
};

// The loaded modules as the host sees them. `packet` is what the module got with kInitAppMsg. A
// module stays locked (it is unloaded only when the host exits) until it unlocks itself. Whether
// it registered as aware of several open drawings is recorded for the host to consult.
class KxRxDynamicLinker : public KxRxObject {
 public:
  KX_RX_DECLARE_MEMBERS(KxRxDynamicLinker)
  // False for a packet that names no loaded module.
  bool unlockApplication(void* packet) const;
  bool lockApplication(void* packet) const;
  bool isApplicationLocked(void* packet) const;
  bool registerAppMDIAware(void* packet) const;
};

extern "C" {

KxRxDictionary* kxrxSysRegistry();
// Whether a service of this name is in the service dictionary.
bool kxrxServiceIsRegistered(const wchar_t* name);
// Makes a service of this name and puts it in the service dictionary; a name already there
// gives the service already registered. Null for a null or empty name.
KxRxService* kxrxRegisterService(const wchar_t* name);
}

// The registry's entries, found by key and checked for their class.
inline KxRxDictionary* kxrxServiceDictionary() {
  return KxRxDictionary::cast(kxrxSysRegistry()->at(KXRX_SERVICE_DICTIONARY));
}
inline KxRxDynamicLinker* kxrxDynamicLinker() {
  return KxRxDynamicLinker::cast(kxrxSysRegistry()->at(KXRX_DYNAMIC_LINKER));
}
