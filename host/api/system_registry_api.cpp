// The system registry and its entries: dictionaries, services and the dynamic linker.
//
// The registry is made on first use with the command stack, the dynamic linker and an empty
// service dictionary in it, and lives until the process ends.

#include <map>
#include <memory>
#include <string>

#include "editor/command_stack.h"
#include "editor/module_loader.h"
#include "kx/kxedcmd.h"
#include "kx/kxrxsys.h"

#define KX_RX_DEFINE_CLASS(CLASS, PARENT)                   \
  const KxRxClass* CLASS::desc() {                          \
    static const KxRxClass cls(L## #CLASS, PARENT::desc()); \
    return &cls;                                            \
  }

KX_RX_DEFINE_CLASS(KxRxDictionary, KxRxObject)
KX_RX_DEFINE_CLASS(KxRxService, KxRxObject)
KX_RX_DEFINE_CLASS(KxRxDynamicLinker, KxRxObject)

#undef KX_RX_DEFINE_CLASS

// ---- KxRxDictionary ----

struct KxRxDictionary::Entries {
  std::map<std::wstring, std::unique_ptr<KxRxObject>> map;
};

KxRxDictionary::KxRxDictionary() : entries_(std::make_unique<Entries>()) {}
KxRxDictionary::~KxRxDictionary() = default;

KxRxObject* KxRxDictionary::at(const wchar_t* key) const {
  if (!key) return nullptr;
  const auto it = entries_->map.find(key);
  return it == entries_->map.end() ? nullptr : it->second.get();
}

KxRxObject* KxRxDictionary::atPut(const wchar_t* key, KxRxObject* object) {
  if (!key || !object) return nullptr;
  std::unique_ptr<KxRxObject>& slot = entries_->map[key];
  // Putting an object back under its own key must not hand it out as the "previous" one.
  if (slot.get() == object) return nullptr;
  KxRxObject* previous = slot.release();
  slot.reset(object);
  return previous;
}

KxRxObject* KxRxDictionary::remove(const wchar_t* key) {
  if (!key) return nullptr;
  const auto it = entries_->map.find(key);
  if (it == entries_->map.end()) return nullptr;
  KxRxObject* object = it->second.release();
  entries_->map.erase(it);
  return object;
}

bool KxRxDictionary::has(const wchar_t* key) const {
  return key && entries_->map.contains(key);
}

std::uint32_t KxRxDictionary::numEntries() const {
  return static_cast<std::uint32_t>(entries_->map.size());
}

const wchar_t* KxRxDictionary::keyAt(std::uint32_t index) const {
  if (index >= entries_->map.size()) return nullptr;
  return std::next(entries_->map.begin(), index)->first.c_str();
}

// ---- KxRxService ----

struct KxRxService::Data {
  std::wstring name;
};

KxRxService::KxRxService(const wchar_t* name)
    : data_(std::make_unique<Data>(Data{name ? name : L""})) {}
KxRxService::~KxRxService() = default;

const wchar_t* KxRxService::name() const {
  return data_->name.c_str();
}

// ---- KxRxDynamicLinker: the module loader keeps the state ----

bool KxRxDynamicLinker::unlockApplication(void* packet) const {
  return kx::editor::setModuleLocked(packet, false);
}

bool KxRxDynamicLinker::lockApplication(void* packet) const {
  return kx::editor::setModuleLocked(packet, true);
}

bool KxRxDynamicLinker::isApplicationLocked(void* packet) const {
  return kx::editor::isModuleLocked(packet);
}

bool KxRxDynamicLinker::registerAppMDIAware(void* packet) const {
  return kx::editor::setModuleMdiAware(packet);
}

// ---- the registry ----

extern "C" {

KxRxDictionary* kxrxSysRegistry() {
  static const std::unique_ptr<KxRxDictionary> registry = [] {
    auto r = std::make_unique<KxRxDictionary>();
    // The dictionary takes ownership of what it is given.
    r->atPut(KXRX_COMMAND_STACK, std::make_unique<KxEdCommandStack>().release());
    r->atPut(KXRX_DYNAMIC_LINKER, std::make_unique<KxRxDynamicLinker>().release());
    r->atPut(KXRX_SERVICE_DICTIONARY, std::make_unique<KxRxDictionary>().release());
    return r;
  }();
  return registry.get();
}

bool kxrxServiceIsRegistered(const wchar_t* name) {
  const KxRxDictionary* services = kxrxServiceDictionary();
  return services && services->has(name);
}

KxRxService* kxrxRegisterService(const wchar_t* name) {
  if (!name || !*name) return nullptr;
  KxRxDictionary* services = kxrxServiceDictionary();
  if (!services) {
    // A module took the service dictionary away; services still need a home.
    auto fresh = std::make_unique<KxRxDictionary>();
    services = fresh.get();
    std::unique_ptr<KxRxObject> displaced(
        kxrxSysRegistry()->atPut(KXRX_SERVICE_DICTIONARY, fresh.release()));
  }
  if (KxRxObject* existing = services->at(name)) return KxRxService::cast(existing);
  auto service = std::make_unique<KxRxService>(name);
  KxRxService* result = service.get();
  services->atPut(name, service.release());
  return result;
}
}
