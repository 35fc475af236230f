#include "editor/module_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <optional>
#include <set>

#include <fmt/format.h>

#include "editor/command_stack.h"
#include "editor/error_output.h"
#include "editor/session.h"
#include "kx/kxrxsys.h"

namespace kx::editor {

namespace fs = std::filesystem;

using EntryPoint = int (*)(int, void*);
using VersionFunction = std::uint32_t (*)();

struct ModuleLoader::Module {
  Module();
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  fs::path file;       // as the user named it
  fs::path canonical;  // to spot the same file named twice
  void* handle = nullptr;
  EntryPoint entry = nullptr;
  const void* base = nullptr;  // where the library is mapped: tells its code from the host's
  bool locked = true;
  bool mdiAware = false;
};

namespace {

// Every module between dlopen and dlclose, whichever loader holds it: the dynamic linker checks
// packets against it, and one library cannot be loaded twice.
std::vector<ModuleLoader::Module*>& liveModules() {
  static std::vector<ModuleLoader::Module*> modules;
  return modules;
}

ModuleLoader::Module* liveModule(void* packet) {
  for (ModuleLoader::Module* m : liveModules())
    if (m == packet) return m;
  return nullptr;
}

// Whether `address` lies in the library mapped at `base`.
bool inLibrary(const void* address, const void* base) {
  Dl_info info{};
  return address && dladdr(address, &info) && info.dli_fbase == base;
}

// A message to a module; nothing when the module threw (`thrown` says what).
std::optional<int> send(const ModuleLoader::Module& module, int message, void* packet,
                        std::string& thrown) {
  try {
    return module.entry(message, packet);
  } catch (const std::exception& e) {
    thrown = e.what();
  } catch (...) {
    thrown = "unexpected exception";
  }
  return std::nullopt;
}

std::set<std::wstring> keysOf(const KxRxDictionary* dictionary) {
  std::set<std::wstring> keys;
  if (!dictionary) return keys;
  for (std::uint32_t i = 0; i < dictionary->numEntries(); ++i) keys.insert(dictionary->keyAt(i));
  return keys;
}

// Takes out (and deletes) what a module must not leave behind when its code goes away: commands
// whose handlers are in it, objects of its own classes in the registry and the service
// dictionary, and, when `servicesBefore` is given, every service added since then. How many.
std::size_t sweep(const ModuleLoader::Module& module,
                  const std::set<std::wstring>* servicesBefore) {
  std::size_t removed = removeCommandsIf([&](const KxEdCommand& c) {
    return inLibrary(reinterpret_cast<const void*>(c.functionAddr()), module.base);
  });
  for (KxRxDictionary* dictionary : {kxrxSysRegistry(), kxrxServiceDictionary()}) {
    if (!dictionary) continue;
    const bool services = dictionary != kxrxSysRegistry();
    for (const std::wstring& key : keysOf(dictionary)) {
      const KxRxObject* object = dictionary->at(key.c_str());
      const bool theirs = inLibrary(object->isA(), module.base);
      const bool added = services && servicesBefore && !servicesBefore->contains(key);
      if (theirs || added) {
        std::unique_ptr<KxRxObject> gone(dictionary->remove(key.c_str()));
        ++removed;
      }
    }
  }
  return removed;
}

// dlerror's text without the file name it usually starts with.
std::string openError(const fs::path& file) {
  const char* e = dlerror();
  std::string text = e ? e : "unknown error";
  const std::string prefix = file.string() + ": ";
  if (text.starts_with(prefix)) text.erase(0, prefix.size());
  return "not a loadable shared library (" + text + ")";
}

}  // namespace

ModuleLoader::Module::Module() {
  liveModules().push_back(this);
}

ModuleLoader::Module::~Module() {
  std::erase(liveModules(), this);
  if (handle) dlclose(handle);
}

fs::path defaultModulePath() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return (ec ? fs::current_path() : exe.parent_path()) / "PqExtendTextCmds.nrx";
}

ModuleLoader::ModuleLoader() = default;

ModuleLoader::~ModuleLoader() {
  unloadAll();
}

void ModuleLoader::report(std::string_view line) const {
  if (errors) {
    errors(line);
    return;
  }
  printErrorLine(line);
}

ModuleLoader::Outcome ModuleLoader::load(const fs::path& file) {
  const auto fail = [&](std::string reason) {
    report(fmt::format("kxhost: cannot load module {}: {}", file.string(), reason));
    return Outcome{false, std::move(reason)};
  };
  std::error_code ec;
  if (!fs::exists(file, ec)) return fail("no such file");
  if (fs::is_directory(file, ec)) return fail("it is a folder");
  const fs::path canonical = fs::weakly_canonical(file, ec);
  for (const Module* m : liveModules())
    if (m->canonical == canonical) return fail("it is already loaded");

  auto module = std::make_unique<Module>();
  module->file = file;
  module->canonical = canonical;
  dlerror();
  // A full path, so dlopen does not search the library path for a bare file name; RTLD_NOW so
  // a module with unresolved symbols fails here rather than in the middle of a command.
  module->handle = dlopen(canonical.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!module->handle) return fail(openError(canonical));
  for (const Module* m : liveModules())
    if (m != module.get() && m->handle == module->handle)
      return fail("it is already loaded as " + m->file.string());

  module->entry = reinterpret_cast<EntryPoint>(dlsym(module->handle, "kxrxEntryPoint"));
  if (!module->entry) return fail("it exports no kxrxEntryPoint");
  const auto version =
      reinterpret_cast<VersionFunction>(dlsym(module->handle, "kxrxGetApiVersion"));
  if (!version) return fail("it exports no kxrxGetApiVersion");
  const std::uint32_t wanted = version();
  if (wanted >> 16 != KXRX_API_VERSION >> 16)
    return fail(fmt::format("it was built for API version {:#010x}, this host has {:#010x}", wanted,
                            KXRX_API_VERSION));
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(module->entry), &info)) module->base = info.dli_fbase;

  const std::set<std::wstring> servicesBefore = keysOf(kxrxServiceDictionary());
  std::string thrown;
  const std::optional<int> status = send(*module, KxRx::kInitAppMsg, module.get(), thrown);
  if (status != KxRx::kRetOK) {
    sweep(*module, &servicesBefore);
    return fail(status ? fmt::format("its initialisation failed (returned {})", *status)
                       : "its initialisation threw: " + thrown);
  }
  Module& loaded = *modules_.emplace_back(std::move(module));
  if (Document* document = Session::instance().active()) {
    if (!send(loaded, KxRx::kLoadDwgMsg, document->sdkDatabase(), thrown))
      report(fmt::format("kxhost: module {}: {}", loaded.file.string(), thrown));
  }
  return {true, {}};
}

ModuleLoader::Outcome ModuleLoader::unload(const fs::path& file) {
  const auto fail = [&](std::string reason) {
    report(fmt::format("kxhost: cannot unload module {}: {}", file.string(), reason));
    return Outcome{false, std::move(reason)};
  };
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(file, ec);
  const auto it = std::find_if(modules_.begin(), modules_.end(), [&](const auto& m) {
    return m->canonical == canonical || m->file == file;
  });
  if (it == modules_.end()) return fail("it is not loaded");
  Module& module = **it;
  if (module.locked) return fail("it is locked");

  std::string thrown;
  if (Document* document = Session::instance().active()) {
    if (!send(module, KxRx::kUnloadDwgMsg, document->sdkDatabase(), thrown))
      report(fmt::format("kxhost: module {}: {}", module.file.string(), thrown));
  }
  const std::optional<int> status = send(module, KxRx::kUnloadAppMsg, &module, thrown);
  if (status != KxRx::kRetOK)
    return fail(status ? fmt::format("it refused (returned {})", *status)
                       : "its unloading threw: " + thrown);
  std::unique_ptr<Module> owned = std::move(*it);
  modules_.erase(it);
  close(std::move(owned), false);
  return {true, {}};
}

void ModuleLoader::unloadAll() {
  while (!modules_.empty()) {
    std::unique_ptr<Module> module = std::move(modules_.back());
    modules_.pop_back();
    close(std::move(module), true);
  }
}

void ModuleLoader::close(std::unique_ptr<Module> module, bool sendUnload) {
  std::string thrown;
  if (sendUnload) {
    const auto complain = [&](std::optional<int> status) {
      if (!status) report(fmt::format("kxhost: module {}: {}", module->file.string(), thrown));
    };
    if (Document* document = Session::instance().active())
      complain(send(*module, KxRx::kUnloadDwgMsg, document->sdkDatabase(), thrown));
    complain(send(*module, KxRx::kUnloadAppMsg, module.get(), thrown));
  }
  // Anything of the module's still registered would call into unmapped code.
  if (const std::size_t left = sweep(*module, nullptr))
    report(fmt::format("kxhost: module {} left {} registration(s) behind; removed",
                       module->file.string(), left));
}

void ModuleLoader::drawingOpened(Document& document) {
  std::string thrown;
  for (const auto& m : modules_)
    if (!send(*m, KxRx::kLoadDwgMsg, document.sdkDatabase(), thrown))
      report(fmt::format("kxhost: module {}: {}", m->file.string(), thrown));
}

void ModuleLoader::drawingClosing(Document& document) {
  std::string thrown;
  for (auto it = modules_.rbegin(); it != modules_.rend(); ++it)
    if (!send(**it, KxRx::kUnloadDwgMsg, document.sdkDatabase(), thrown))
      report(fmt::format("kxhost: module {}: {}", (*it)->file.string(), thrown));
}

std::vector<fs::path> ModuleLoader::loaded() const {
  std::vector<fs::path> files;
  for (const auto& m : modules_) files.push_back(m->file);
  return files;
}

bool setModuleLocked(void* packet, bool locked) {
  ModuleLoader::Module* m = liveModule(packet);
  if (m) m->locked = locked;
  return m;
}

bool isModuleLocked(void* packet) {
  const ModuleLoader::Module* m = liveModule(packet);
  return m && m->locked;
}

bool setModuleMdiAware(void* packet) {
  ModuleLoader::Module* m = liveModule(packet);
  if (m) m->mdiAware = true;
  return m;
}

}  // namespace kx::editor
