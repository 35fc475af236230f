#pragma once
// The file navigation dialog, as a prompt for a path and then one for the file type. The host
// owns the interfaces; modules only call them.

#include "kx/kxtypes.h"

// `flags` of showFileNavigationDialog.
constexpr int KX_FILENAV_SAVE = 0x1;  // a new or existing file; its folder must exist
constexpr int KX_FILENAV_OPEN = 0x2;  // the file must exist

struct IUlmIOManager {
  // Asks "<title> <defaultName>: " for a path (Enter: `defaultName`; a relative path is taken
  // from the current directory; with KX_FILENAV_OPEN a missing file is refused and asked again),
  // then, when `filters` names any, "File type [1 text files(*.txt) / 2 ...] <n>: " (Enter: the
  // first filter whose pattern fits the name, else the first). When saving, a name without an
  // extension gets the chosen filter's (or the first of `defaultExtensions`, "txt;csv").
  //
  // KXRT_NORM with result->code KXRT_STR and result->value.string the full path (a host string:
  // free it with kxutDelBuffer) and *filterIndex the filter chosen (0-based; 0 without filters);
  // KXRT_CANCEL on ^C or the end of the input; KXRT_ERROR for a null `result`. `filters` is
  // "text files(*.txt)|CSV files(*.csv)": descriptions separated by '|', each with its patterns
  // in parentheses ("*.txt;*.text"); pairs of description and patterns are read too. Only one
  // file is chosen whatever `maxResults`; the reserved arguments are ignored.
  virtual int showFileNavigationDialog(const wchar_t* title, const wchar_t* defaultName,
                                       const wchar_t* defaultExtensions, int flags, resbuf* result,
                                       int maxResults, const wchar_t* filters, int reserved1,
                                       int* filterIndex, int reserved2, int reserved3) = 0;

 protected:
  ~IUlmIOManager() = default;
};

struct IUlmInterfaces {
  virtual IUlmIOManager* getIOManagerInterface() = 0;

 protected:
  ~IUlmInterfaces() = default;
};

extern "C" IUlmInterfaces* getUlmInterfaces();
