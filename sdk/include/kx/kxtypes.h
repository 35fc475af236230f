#pragma once
// Basic types of the host interface: result codes, entity and selection-set names, result
// buffers (the host's DXF group-code lists) and host-owned strings.

#include <cstdint>

// Results of input, entity-list and command calls.
constexpr int KXRT_NORM = 5100;     // normal completion
constexpr int KXRT_NONE = 5000;     // empty reply; also closes a kxedCommand argument list
constexpr int KXRT_ERROR = -5001;   // the call failed or was refused
constexpr int KXRT_CANCEL = -5002;  // the user cancelled
constexpr int KXRT_KWORD = -5005;   // a keyword (or arbitrary text) was typed

// Result-buffer value types. Entity lists use DXF group codes instead.
constexpr short KXRT_REAL = 5001;
constexpr short KXRT_POINT = 5002;  // 2D point (z is 0)
constexpr short KXRT_SHORT = 5003;
constexpr short KXRT_STR = 5005;
constexpr short KXRT_ENAME = 5006;
constexpr short KXRT_PICKS = 5007;  // selection-set name
constexpr short KXRT_3DPOINT = 5009;
constexpr short KXRT_LONG = 5010;
constexpr short KXRT_DXF0 = 5020;  // entity type in a filter list (group 0)

// Two words that name an entity or a selection set in one open drawing.
typedef std::int64_t kds_name[2];
typedef std::int64_t* kds_namep;
typedef double kds_point[3];
typedef double* kds_pointp;

union kx_resval {
  double real;
  double point[3];
  short int16;
  std::int32_t int32;
  wchar_t* string;  // allocated by the host; freed with the list or with kxad_free
  std::int64_t name[2];
};

struct resbuf {
  resbuf* next;
  short code;  // a result type (KXRT_*) or a DXF group code
  kx_resval value;
};

extern "C" {

// A new element of type `code` with a zero value (null string).
resbuf* kxutNewRb(int code);
// Releases a whole chain and the strings its elements hold.
int kxutRelRb(resbuf* list);
// Builds a chain from (code, value) pairs closed by 0. Values by code: KXRT_REAL and real group
// codes take a double; points take a const double*; shorts and integers an int; KXRT_LONG a
// 32-bit int; strings and KXRT_DXF0 a const wchar_t*; names a const std::int64_t*. -4 and other
// string group codes take strings. Returns null for a code it cannot place.
resbuf* kxutBuildList(int code, ...);

// Host strings: allocated by the host, released by the receiver.
int kxutNewString(const wchar_t* text, wchar_t** result);
int kxutUpdString(const wchar_t* text, wchar_t** result);  // frees *result, then copies
int kxutDelBuffer(wchar_t** buffer);                       // frees and nulls
void kxad_free(void* memory);

// Wildcard match as CAD users write it: * ? # @ . ~ [...] ` and comma-separated alternatives;
// letters compare without regard to case. KXRT_NORM on a match, KXRT_ERROR otherwise.
int kxutWcMatch(const wchar_t* text, const wchar_t* pattern);

// Copies a name; the host's two-word names are plain values.
inline void kds_name_set(const kds_name from, kds_name to) {
  to[0] = from[0];
  to[1] = from[1];
}
inline bool kds_name_equal(const kds_name a, const kds_name b) {
  return a[0] == b[0] && a[1] == b[1];
}
inline bool kds_name_nil(const kds_name a) {
  return a[0] == 0 && a[1] == 0;
}
inline void kds_name_clear(kds_name a) {
  a[0] = a[1] = 0;
}
}
