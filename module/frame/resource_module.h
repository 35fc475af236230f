#pragma once
// The module's texts and dialogs live in a separate resource module named after the host
// product. Commands make it the current resource source for as long as they run, so every string
// and dialog they ask for by number comes from there.

#include "kx/kxwindef.h"
#include "kx/kxwinstr.h"

// The loaded resource module, or null before initialisation, after unloading, or when loading
// failed.
HINSTANCE resourceModule();

// Loads the resource module for the host's product pre-name and keeps its handle; null when it
// cannot be loaded. FreeResourceModule gives it back.
HINSTANCE loadResourceModule();
void freeResourceModule();

// The resource file name for a pre-name (empty: none).
CString resourceFileName(const wchar_t* preName);

// Makes the resource module current (the module's own file when there is none) and puts the
// previous source back when it goes out of scope. Guards nest.
class ResourceGuard {
 public:
  ResourceGuard();
  ~ResourceGuard();
  ResourceGuard(const ResourceGuard&) = delete;
  ResourceGuard& operator=(const ResourceGuard&) = delete;

 private:
  HINSTANCE saved_;
};

// String `id` of the resource module itself, whatever source is current; empty when missing.
void loadResourceModuleString(UINT id, CString& text);

// String `id` of the current resource source; empty when missing.
CString loadString(UINT id);

// Prints string `id` of the current resource source on the command line.
void printString(UINT id);
// Prints string `id` used as a printf format with the arguments given.
void printFormat(UINT id, ...);
