#pragma once
// The registry calls modules use to keep their choices between runs. The host keeps the keys and
// values in the user's settings folder (kxhost --config), or in memory when there is none, so a
// value set in one run is there in the next.
//
// Sizes are in bytes, as on the platform; note that wchar_t is 4 bytes here, so a REG_SZ value
// of n characters and its terminator is (n + 1) * sizeof(wchar_t) bytes. Key paths are separated
// by backslashes; key and value names compare without regard to case.

#include <cstdint>

#include "kx/kxwindef.h"

typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef DWORD REGSAM;

// An open key. Opaque: only the host reads it.
struct KxRegKeyHandle;
typedef KxRegKeyHandle* HKEY;
typedef HKEY* PHKEY;

struct SECURITY_ATTRIBUTES;  // not used; pass null
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

// The predefined key of the current user's settings; open for the whole run, closing it does
// nothing.
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))

// Access rights. A handle opened without KEY_SET_VALUE cannot change values, one without
// KEY_QUERY_VALUE cannot read them.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Key options and what RegCreateKeyExW did.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Results.
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_ACCESS_DENIED = 5;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;

extern "C" {

// Opens an existing key below `key`; a null or empty `subKey` opens `key` itself again.
// ERROR_FILE_NOT_FOUND when it does not exist (`*result` is then null).
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);

// Opens `subKey` below `key`, creating it and any missing keys on the way; an empty `subKey`
// opens `key` itself. `disposition` (may be null) tells whether the key was new.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                     REGSAM access, LPSECURITY_ATTRIBUTES security, PHKEY result,
                     LPDWORD disposition);

// Reads value `name` (null or empty: the key's default value). `type` and `data` may be null.
// With null `data`, `*dataSize` receives the size the value needs. With a buffer smaller than
// the value, `*dataSize` receives the size needed, the buffer is left alone and the result is
// ERROR_MORE_DATA. Otherwise the bytes are copied and `*dataSize` is their count.
LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize);

// Stores `size` bytes as value `name` of type `type`, replacing any value of that name. The
// bytes are kept as given: a REG_SZ value should include its terminator in `size`.
LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD size);

LONG RegCloseKey(HKEY key);
}
