#include "frame/resource_module.h"

#include <array>
#include <cstdarg>

#include "kx/kxed.h"
#include "kx/kxwinres.h"

namespace {

constexpr int kNameCapacity = 1024;  // characters, terminator included
constexpr wchar_t kResourceSuffix[] = L"ExtendTextCmdsRes.dll";
constexpr wchar_t kDefaultResourceFile[] = L"PqExtendTextCmdsRes.dll";

HINSTANCE loadedModule = nullptr;

// The module's own file, which stands in when the resource module is missing.
HINSTANCE ownInstance() {
  static HINSTANCE own = [] {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&loadedModule), &module);
    return module;
  }();
  return own;
}

}  // namespace

HINSTANCE resourceModule() {
  return loadedModule;
}

CString resourceFileName(const wchar_t* preName) {
  if (!preName || !*preName) return CString(kDefaultResourceFile);
  return CString(preName) + kResourceSuffix;
}

HINSTANCE loadResourceModule() {
  std::array<wchar_t, kNameCapacity> preName{};
  const BOOL named = GetKxadProductPreName(preName.data(), kNameCapacity);
  const CString fileName = resourceFileName(named ? preName.data() : nullptr);
  // A pre-name that leaves no room for the suffix names no file we could have shipped.
  if (fileName.GetLength() >= kNameCapacity) return nullptr;
  loadedModule = LoadResourceDll(fileName);
  return loadedModule;
}

void freeResourceModule() {
  if (loadedModule) FreeLibrary(loadedModule);
  loadedModule = nullptr;
}

ResourceGuard::ResourceGuard() : saved_(AfxGetResourceHandle()) {
  AfxSetResourceHandle(loadedModule ? loadedModule : ownInstance());
}

ResourceGuard::~ResourceGuard() {
  AfxSetResourceHandle(saved_);
}

void loadResourceModuleString(UINT id, CString& text) {
  text.Empty();
  text.LoadString(loadedModule, id);
}

CString loadString(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}

void printString(UINT id) {
  kxutPrintf(L"%s", static_cast<const wchar_t*>(loadString(id)));
}

void printFormat(UINT id, ...) {
  const CString format = loadString(id);
  va_list args;
  va_start(args, id);
  CString text;
  text.FormatV(format, args);
  va_end(args);
  kxutPrintf(L"%s", static_cast<const wchar_t*>(text));
}
