#include "commands/attributes/exchange_file.h"

#include "frame/resource_module.h"
#include "kx/kxed.h"
#include "kx/kxfiledlg.h"
#include "toolkit/system_variables.h"

namespace {

bool endsWithSeparator(const CString& path) {
  const int length = path.GetLength();
  return length > 0 && (path[length - 1] == L'\\' || path[length - 1] == L'/');
}

}  // namespace

CString defaultExchangeFileName() {
  CString prefix = stringVariable(L"DWGPREFIX");
  prefix.Trim();
  CString name = stringVariable(L"DWGNAME");
  name = name.Left(name.GetLength() - 4);  // the extension and its dot
  if (prefix.IsEmpty() || endsWithSeparator(prefix)) return prefix + name;
  // The folder's own kind of separator: a prefix written with backslashes gets one.
  const wchar_t separator = prefix.Find(L'/') < 0 && prefix.Find(L'\\') >= 0 ? L'\\' : L'/';
  return prefix + separator + name;
}

bool chooseExchangeFile(UINT titleId, int flags, const wchar_t* filters, CString& path,
                        wchar_t& separator) {
  const CString defaultName = defaultExchangeFileName();
  IUlmInterfaces* interfaces = getUlmInterfaces();
  IUlmIOManager* files = interfaces ? interfaces->getIOManagerInterface() : nullptr;
  if (!files) return false;
  resbuf result{};
  int filterIndex = 0;
  const int status =
      files->showFileNavigationDialog(loadString(titleId), defaultName, L"txt;csv", flags, &result,
                                      100, filters, 0, &filterIndex, 0, 0);
  const bool chosen = status == KXRT_NORM;  // with the path as a string
  if (chosen) {
    path = result.value.string;
    kxutDelBuffer(&result.value.string);
  }
  if (result.next) kxutRelRb(result.next);
  separator = filterIndex == 1 ? L',' : L'\t';
  return chosen;
}
