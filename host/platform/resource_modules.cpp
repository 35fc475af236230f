// Resource modules and module instances. A HINSTANCE is a record of one file: its path, the
// dlopen handle the host holds on it, its resource table with the strings and dialogs indexed by
// number, and how many loads it still has to be freed for. Loading a file twice gives the same
// record. Records a module's own instance names (GetModuleHandleExW without a count) hold no
// dlopen handle: like on the platform, such a handle is good while the module stays loaded.

#include "platform/resource_modules.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "dxf/encoding.h"
#include "editor/session.h"
#include "kx/kxwinres.h"
#include "support/file_names.h"
#include "support/utf8.h"

struct KxModuleHandle {
  std::string path;         // canonical path, the key of the record
  void* library = nullptr;  // dlopen handle the record owns; null for an uncounted instance
  const KxResourceTable* table = nullptr;  // null: a module without resources
  int loads = 0;  // LoadResourceDll / counted GetModuleHandleExW calls not yet freed
  std::unordered_map<std::uint32_t, std::wstring_view> strings;
  std::unordered_map<std::uint32_t, const KxDialogTemplate*> dialogs;
};

namespace {

namespace fs = std::filesystem;

struct Registry {
  std::map<std::string, std::unique_ptr<KxModuleHandle>> byPath;
  std::unordered_set<const KxModuleHandle*> live;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

KxModuleHandle* g_current = nullptr;

// The table a library exports, or null when it exports none or one of another version, or one
// whose arrays are missing.
const KxResourceTable* tableOf(void* library) {
  if (!library) return nullptr;
  using TableFunction = const KxResourceTable* (*)();
  auto function = reinterpret_cast<TableFunction>(dlsym(library, KX_RESOURCE_TABLE_SYMBOL));
  if (!function) return nullptr;
  const KxResourceTable* table = function();
  if (!table || table->version < KX_RESOURCE_TABLE_OLDEST_VERSION ||
      table->version > KX_RESOURCE_TABLE_VERSION)
    return nullptr;
  if ((table->stringCount && !table->strings) || (table->dialogCount && !table->dialogs))
    return nullptr;
  if (table->version >= 2 && table->commandCount && !table->commands) return nullptr;
  return table;
}

// Indexes the table once, so every later lookup is one hash probe. The first of two entries with
// the same number wins; a string without text counts as missing.
void index(KxModuleHandle& record, const KxResourceTable* table) {
  record.table = table;
  record.strings.clear();
  record.dialogs.clear();
  if (!table) return;
  for (std::uint32_t i = 0; i < table->stringCount; ++i) {
    const KxStringResource& s = table->strings[i];
    if (s.text) record.strings.emplace(s.id, std::wstring_view(s.text));
  }
  for (std::uint32_t i = 0; i < table->dialogCount; ++i)
    record.dialogs.emplace(table->dialogs[i].id, &table->dialogs[i]);
}

KxModuleHandle* liveRecord(Registry& r, HINSTANCE module) {
  return module && r.live.count(module) ? module : nullptr;
}

KxModuleHandle& addRecord(Registry& r, const std::string& path) {
  auto& slot = r.byPath[path];
  if (!slot) {
    slot = std::make_unique<KxModuleHandle>();
    slot->path = path;
    r.live.insert(slot.get());
  }
  return *slot;
}

void removeRecord(Registry& r, KxModuleHandle* record) {
  if (g_current == record) g_current = nullptr;  // never leave a freed source current
  r.live.erase(record);
  if (record->library) dlclose(record->library);
  const std::string key = record->path;  // the record goes with its entry
  r.byPath.erase(key);
}

// The file of the loaded object that contains `address`; the program itself has no name in the
// loader's list, so it is read from /proc.
std::optional<fs::path> fileContaining(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP)) return {};
  if (map && map->l_name && map->l_name[0]) return fs::path(map->l_name);
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return self;
}

std::optional<std::string> canonicalFile(const fs::path& path) {
  std::error_code error;
  fs::path full = fs::canonical(path, error);
  if (error || !fs::is_regular_file(full, error)) return {};
  return full.string();
}

// For a record made from an address: refreshes the table, since the file may have been unloaded
// and loaded again at another place since the record was made.
void refreshUncounted(KxModuleHandle& record) {
  if (record.library) return;
  void* library = dlopen(record.path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  const KxResourceTable* table = tableOf(library);
  if (table != record.table) index(record, table);
  if (library) dlclose(library);
}

}  // namespace

namespace kx::platform {

std::optional<std::wstring_view> findString(HINSTANCE module, std::uint32_t id) {
  Registry& r = registry();
  const KxModuleHandle* record = liveRecord(r, module);
  if (!record) return {};
  const auto found = record->strings.find(id);
  if (found == record->strings.end()) return {};
  return found->second;
}

const KxDialogTemplate* findDialogTemplate(HINSTANCE module, std::uint32_t id) {
  Registry& r = registry();
  const KxModuleHandle* record = liveRecord(r, module);
  if (!record) return nullptr;
  const auto found = record->dialogs.find(id);
  return found == record->dialogs.end() ? nullptr : found->second;
}

HINSTANCE currentResourceHandle() {
  return g_current;
}

std::optional<CommandHelpText> commandHelp(std::wstring_view globalName) {
  Registry& r = registry();
  for (const auto& [path, record] : r.byPath) {
    const KxResourceTable* table = record->table;
    if (record->loads <= 0 || !table || table->version < 2) continue;
    for (std::uint32_t i = 0; i < table->commandCount; ++i) {
      const KxCommandHelp& entry = table->commands[i];
      if (!entry.globalName || globalName != entry.globalName) continue;
      const auto text = [&](std::uint32_t id) {
        const auto found = record->strings.find(id);
        return found == record->strings.end() ? std::wstring() : std::wstring(found->second);
      };
      return CommandHelpText{text(entry.aboutId), text(entry.usageId)};
    }
  }
  return std::nullopt;
}

}  // namespace kx::platform

extern "C" {

BOOL GetKxadProductPreName(LPWSTR buffer, DWORD capacity) {
  const std::wstring& name = kx::editor::Session::instance().productPreName;
  if (!buffer || capacity == 0) return FALSE;
  buffer[0] = L'\0';
  if (name.empty() || name.size() >= capacity) return FALSE;
  std::copy(name.begin(), name.end(), buffer);
  buffer[name.size()] = L'\0';
  return TRUE;
}

// noinline: the caller's address must be that of the module that asked, not of a function this
// one was folded into.
__attribute__((noinline)) HINSTANCE LoadResourceDll(LPCWSTR fileName) {
  const void* caller = __builtin_return_address(0);
  if (!fileName || !*fileName) return nullptr;
  fs::path path = kx::support::pathFromName(fileName);
  if (!path.has_parent_path()) {
    if (auto callerFile = fileContaining(caller)) path = callerFile->parent_path() / path;
  }
  const auto file = canonicalFile(path);
  if (!file) return nullptr;

  Registry& r = registry();
  if (auto found = r.byPath.find(*file); found != r.byPath.end()) {
    KxModuleHandle& record = *found->second;
    refreshUncounted(record);
    if (!record.table) return nullptr;
    if (!record.library) {  // known so far only as some module's uncounted instance
      record.library = dlopen(file->c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!record.library) return nullptr;
    }
    ++record.loads;
    return &record;
  }
  void* library = dlopen(file->c_str(), RTLD_NOW | RTLD_LOCAL);
  const KxResourceTable* table = tableOf(library);
  if (!table) {
    if (library) dlclose(library);
    return nullptr;
  }
  KxModuleHandle& record = addRecord(r, *file);
  record.library = library;
  record.loads = 1;
  index(record, table);
  return &record;
}

BOOL FreeLibrary(HMODULE module) {
  Registry& r = registry();
  KxModuleHandle* record = liveRecord(r, module);
  if (!record || record->loads <= 0) return FALSE;
  if (--record->loads == 0) removeRecord(r, record);
  return TRUE;
}

LPCWSTR GetOemProductName() {
  return L"Orvex";
}

BOOL GetModuleHandleExW(DWORD flags, LPCWSTR addressOrName, HMODULE* module) {
  if (!module) return FALSE;
  *module = nullptr;
  std::optional<fs::path> file;
  if (flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) {
    if (!addressOrName) return FALSE;
    file = fileContaining(addressOrName);
  } else if (!addressOrName) {  // the program itself
    std::error_code error;
    if (fs::path self = fs::read_symlink("/proc/self/exe", error); !error) file = self;
  } else {
    // A module by its file name, among those loaded already.
    void* library = dlopen(kx::support::toUtf8(addressOrName).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!library) return FALSE;
    link_map* map = nullptr;
    if (dlinfo(library, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name && map->l_name[0])
      file = fs::path(map->l_name);
    dlclose(library);
  }
  if (!file) return FALSE;
  const auto path = canonicalFile(*file);
  if (!path) return FALSE;

  const bool counted = !(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT);
  Registry& r = registry();
  const bool known = r.byPath.count(*path) != 0;
  KxModuleHandle& record = addRecord(r, *path);
  if (counted && !record.library) {
    // Keeps the module loaded until the matching FreeLibrary, as a counted handle does.
    record.library = dlopen(path->c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!record.library) {
      if (!known) removeRecord(r, &record);
      return FALSE;
    }
    index(record, tableOf(record.library));
  } else {
    refreshUncounted(record);
  }
  if (counted) ++record.loads;
  *module = &record;
  return TRUE;
}

HINSTANCE AfxGetResourceHandle() {
  return g_current;
}

void AfxSetResourceHandle(HINSTANCE instance) {
  g_current = instance;
}

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
  const auto text = kx::platform::findString(instance, id);
  if (!buffer) return 0;
  if (bufferMax == 0) {
    // As on the platform: the caller gets a read-only pointer to the text itself, which lives as
    // long as the resource module stays loaded.
    if (!text) return 0;
    const wchar_t* start = text->data();
    std::memcpy(buffer, &start, sizeof start);
    return static_cast<int>(text->size());
  }
  if (bufferMax < 0) return 0;
  if (!text) {
    buffer[0] = L'\0';
    return 0;
  }
  const std::size_t n = std::min(text->size(), static_cast<std::size_t>(bufferMax - 1));
  std::copy_n(text->data(), n, buffer);
  buffer[n] = L'\0';
  return static_cast<int>(n);
}

}  // extern "C"
