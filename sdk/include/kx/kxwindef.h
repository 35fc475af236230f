#pragma once
// Basic platform types the window, string, file and resource pieces of the SDK share. The sizes
// follow the platform the modules were written for, except wchar_t, which is 4 bytes here.

#include <cstdint>

typedef int BOOL;
typedef unsigned int UINT;
typedef std::int32_t LONG;
typedef std::uint32_t DWORD;
typedef unsigned char BYTE;
typedef std::uint16_t WORD;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t UINT_PTR;
typedef UINT_PTR WPARAM;
typedef INT_PTR LPARAM;
typedef INT_PTR LRESULT;
typedef wchar_t WCHAR;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef wchar_t* LPTSTR;
typedef const wchar_t* LPCTSTR;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// A window of the host (a dialog, one of its controls, the main frame). Opaque to modules.
struct KxWindowHandle;
typedef KxWindowHandle* HWND;

// A loaded module that resources come from (a resource module, or a module's own file). Opaque.
struct KxModuleHandle;
typedef KxModuleHandle* HINSTANCE;
typedef HINSTANCE HMODULE;
