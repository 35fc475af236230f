#pragma once
// Resource modules: where a module's texts and dialog templates live, and which of them is
// current. A command makes its resource module current (AfxSetResourceHandle) for as long as it
// runs, so strings and dialogs it asks for by number come from there.

#include "kx/kxwindef.h"

extern "C" {

// Fills `buffer` (capacity characters, terminator included) with the pre-name of the host
// product (kxhost --prename) and returns non-zero; returns 0 and leaves an empty string when the
// host has none or it does not fit.
BOOL GetKxadProductPreName(LPWSTR buffer, DWORD capacity);

// Loads the resource module `fileName` from the folder of the module that calls (a bare file
// name) or from the path given. Null when the file is missing or holds no resource table. Each
// load must be matched by FreeLibrary.
HINSTANCE LoadResourceDll(LPCWSTR fileName);
BOOL FreeLibrary(HMODULE module);

// The product name the host shows in message box captions.
LPCWSTR GetOemProductName();

// The module that contains `address`; used for a module's own instance.
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS = 0x4;
constexpr DWORD GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT = 0x2;
BOOL GetModuleHandleExW(DWORD flags, LPCWSTR addressOrName, HMODULE* module);

// The current resource source; null until someone sets one.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE instance);

// Copies string `id` of `instance` into `buffer` (at most bufferMax characters, terminator
// included, cut to fit); returns its length, 0 when there is no such string.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);

}  // extern "C"
