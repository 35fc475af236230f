#pragma once
// Extension modules: shared libraries that export
//   extern "C" int kxrxEntryPoint(int message, void* packet);
//   extern "C" std::uint32_t kxrxGetApiVersion();
// The loader opens one, checks that it was built for this host's API, sends it kInitAppMsg (where
// it registers its commands and services) and kLoadDwgMsg for each open drawing; unloading sends
// kUnloadDwgMsg for each open drawing and kUnloadAppMsg, then closes the library. A module that
// cannot be loaded is left out with a reason, and nothing it registered on the way stays behind.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kx::editor {

class Document;

// The module kxhost loads when no -m option is given: PqExtendTextCmds.nrx beside the
// executable of this process.
std::filesystem::path defaultModulePath();

class ModuleLoader {
 public:
  ModuleLoader();
  // Unloads every module still loaded (unloadAll).
  ~ModuleLoader();
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;

  struct Outcome {
    bool ok = false;
    std::string reason;  // why not, when !ok
    explicit operator bool() const { return ok; }
  };

  // Loads `file`. On failure the reason also goes to `errors` as
  // "kxhost: cannot load module FILE: reason" and the host goes on without the module.
  Outcome load(const std::filesystem::path& file);
  // Unloads one module; refused while the module is locked or when it answers kUnloadAppMsg
  // with an error (it stays loaded then).
  Outcome unload(const std::filesystem::path& file);
  // Unloads all modules, the last loaded first, locked or not: what happens at exit.
  void unloadAll();

  // Tell the modules about a drawing that was just opened / is about to close.
  void drawingOpened(Document& document);
  void drawingClosing(Document& document);

  // The files of the loaded modules, in load order.
  std::vector<std::filesystem::path> loaded() const;

  // Where error lines go (without a newline); standard error when unset.
  std::function<void(std::string_view)> errors;

  struct Module;  // one loaded library; its address is the packet the module gets

 private:
  void report(std::string_view line) const;
  void close(std::unique_ptr<Module> module, bool sendUnload);

  std::vector<std::unique_ptr<Module>> modules_;
};

// The dynamic linker's view of a module by its packet; false for a packet that names no loaded
// module.
bool setModuleLocked(void* packet, bool locked);
bool isModuleLocked(void* packet);
bool setModuleMdiAware(void* packet);

}  // namespace kx::editor
