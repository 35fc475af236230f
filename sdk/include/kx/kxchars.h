#pragma once
// Character conversions modules use: simplified <-> traditional Chinese mapping through the
// platform call LCMapStringW, and the base library's per-character writers for text files
// (RvCharFormatter).

#include <cstdint>

#include "kx/kxwindef.h"

typedef DWORD LCID;

constexpr LCID KX_LCID_CHINESE_SIMPLIFIED = 0x0804;
constexpr LCID KX_LCID_CHINESE_TRADITIONAL = 0x0404;

constexpr DWORD LCMAP_SIMPLIFIED_CHINESE = 0x02000000;
constexpr DWORD LCMAP_TRADITIONAL_CHINESE = 0x04000000;

extern "C" {

// Maps `sourceCount` characters of `source` (-1: up to and including its terminating null) to
// simplified (LCMAP_SIMPLIFIED_CHINESE) or traditional (LCMAP_TRADITIONAL_CHINESE) characters.
// One character in gives one character out, so the result is exactly as long as the source;
// characters without a counterpart in the other form (Latin letters, digits, punctuation,
// characters written the same in both forms) are copied unchanged. `destination` may be
// `source` itself.
//
// Returns the number of characters written (with the null when sourceCount is -1). With
// destinationCount 0 nothing is written and the count needed is returned. Returns 0 on failure:
// any other flag or both flags, a null or empty source, a negative sourceCount other than -1, or
// a destination too small for the result (then nothing is written). The locale is not consulted.
int LCMapStringW(LCID locale, DWORD mapFlags, const wchar_t* source, int sourceCount,
                 wchar_t* destination, int destinationCount);

// Code pages for the two calls below: the ANSI code page (RvCharFormatter::ansiCodePage) or
// UTF-8; any other number is a Windows code page RvCharFormatter::setAnsiCodePage accepts.
constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x8;

// Whether `byte` starts a two-byte character of the code page (never in UTF-8 or a single-byte
// page). FALSE for a code page the host does not know.
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE byte);

// Decodes `byteCount` bytes of `bytes` (-1: up to and including a terminating null) in the code
// page into `wide`, one character per complete character of the page: no escape form is
// interpreted. Bytes that are not a character become U+FFFD, or make the call fail with
// MB_ERR_INVALID_CHARS. Returns the number of characters written; with wideCount 0 nothing is
// written and the count needed is returned. 0 on failure: an unknown code page or flag, a null
// or empty input, or a `wide` too small (nothing is written then).
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* bytes, int byteCount, wchar_t* wide,
                        int wideCount);

}  // extern "C"

// Writes one character at a time into a byte buffer, for modules that write text files.
// Neither function writes a terminating null. Both return the number of bytes written, or 0 when
// `out` is null or `capacity` is too small for the whole sequence (nothing is written then).
class RvCharFormatter {
 public:
  // ansi: the character in the ANSI code page (see ansiCodePage); one the code page lacks is
  // written as the 7 ASCII bytes "\U+XXXX" when `escape` is set (a character above U+FFFF as the
  // escapes of its two UTF-16 halves), else as '?'. Otherwise UTF-8 (1 to 4 bytes).
  // crlf: '\n' is written as "\r\n". Surrogates and values above U+10FFFF count as U+FFFD.
  static int wcharToAnsiOrUtf8(wchar_t c, char* out, int capacity, bool ansi, bool escape,
                               bool crlf);

  // UTF-16 in the given byte order: 2 bytes, or 4 (a surrogate pair) above U+FFFF.
  // crlf: '\n' is written as the two units "\r\n". Surrogates and values above U+10FFFF are
  // written as U+FFFD.
  static int wcharToUtf16(wchar_t c, char* out, int capacity, bool littleEndian, bool crlf);

  // The process-wide ANSI code page, a Windows code page number: 1252 unless the host set
  // another (it follows the drawing's code page). 65001 stands for UTF-8.
  static unsigned ansiCodePage();
  // Accepts 1250, 1251, 1252, 932, 936, 949, 950 and 65001; returns false (and keeps the current
  // page) for any other.
  static bool setAnsiCodePage(unsigned codePage);
};
