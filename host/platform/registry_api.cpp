// The registry calls over the run's settings store. A handle stands for a key path and the
// access it was opened with; the key's values are looked up in the store at each call, so two
// handles to one key always agree.

#include <cstring>
#include <map>
#include <string>

#include "kx/kxwinreg.h"
#include "platform/settings_store.h"

namespace {

constexpr std::uintptr_t kCurrentUser = 0x80000001u;

struct OpenKey {
  std::wstring path;
  REGSAM access = 0;
};

class Handles {
 public:
  HKEY add(OpenKey key) {
    const std::uintptr_t id = next_;
    next_ += 16;
    keys_.emplace(id, std::move(key));
    return reinterpret_cast<HKEY>(id);
  }
  // Null for a handle that is not open.
  const OpenKey* find(HKEY handle) const {
    static const OpenKey currentUser{L"HKEY_CURRENT_USER", KEY_ALL_ACCESS};
    const auto id = reinterpret_cast<std::uintptr_t>(handle);
    if (id == kCurrentUser) return &currentUser;
    auto it = keys_.find(id);
    return it == keys_.end() ? nullptr : &it->second;
  }
  bool close(HKEY handle) {
    const auto id = reinterpret_cast<std::uintptr_t>(handle);
    return id == kCurrentUser || keys_.erase(id) == 1;
  }

 private:
  std::map<std::uintptr_t, OpenKey> keys_;
  std::uintptr_t next_ = 0x1000;
};

Handles& handles() {
  static Handles table;
  return table;
}

std::wstring below(const std::wstring& path, LPCWSTR subKey) {
  if (!subKey || !*subKey) return path;
  return path + L"\\" + subKey;
}

std::wstring valueName(LPCWSTR name) {
  return name ? std::wstring(name) : std::wstring();
}

}  // namespace

extern "C" {

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, REGSAM access, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const OpenKey* parent = handles().find(key);
  if (!parent) return ERROR_INVALID_HANDLE;
  const std::wstring path = below(parent->path, subKey);
  if (!kx::platform::sessionSettings().hasKey(path)) return ERROR_FILE_NOT_FOUND;
  *result = handles().add({path, access});
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR /*keyClass*/,
                     DWORD /*options*/, REGSAM access, LPSECURITY_ATTRIBUTES /*security*/,
                     PHKEY result, LPDWORD disposition) {
  if (!result || !subKey || reserved != 0) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const OpenKey* parent = handles().find(key);
  if (!parent) return ERROR_INVALID_HANDLE;
  const std::wstring path = below(parent->path, subKey);
  auto& settings = kx::platform::sessionSettings();
  const bool created = !settings.hasKey(path) && settings.createKey(path);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = handles().add({path, access});
  return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
  if (reserved || (data && !dataSize)) return ERROR_INVALID_PARAMETER;
  const OpenKey* open = handles().find(key);
  if (!open) return ERROR_INVALID_HANDLE;
  if (!(open->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  const auto value = kx::platform::sessionSettings().value(open->path, valueName(name));
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (type) *type = value->type;
  const auto size = static_cast<DWORD>(value->data.size());
  if (!dataSize) return ERROR_SUCCESS;
  if (data && *dataSize < size) {
    *dataSize = size;
    return ERROR_MORE_DATA;
  }
  if (data && size) std::memcpy(data, value->data.data(), size);
  *dataSize = size;
  return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size) {
  if (reserved != 0 || (!data && size)) return ERROR_INVALID_PARAMETER;
  const OpenKey* open = handles().find(key);
  if (!open) return ERROR_INVALID_HANDLE;
  if (!(open->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  kx::platform::RegistryValue value{type, {}};
  if (size) value.data.assign(data, data + size);
  if (!kx::platform::sessionSettings().setValue(open->path, valueName(name), std::move(value)))
    return ERROR_FILE_NOT_FOUND;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  return handles().close(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
}
