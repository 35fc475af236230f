#pragma once
// The editor: system variables, coordinate systems, host commands, display, selection sets and
// output to the command line.

#include <cstdarg>

#include "kx/kxarray.h"
#include "kx/kxdbid.h"
#include "kx/kxtypes.h"

using KxDbObjectIdArray = KxArray<KxDbObjectId>;

extern "C" {

// ---- output ----
// printf-style; %s takes a wide string (as %ls), %hs a narrow one.
int kxutPrintf(const wchar_t* format, ...);
// Formats into `buffer` with the arguments in a va_list (which it consumes): at most size - 1
// characters and a null. Returns the count written, or -1 when there is no room at all.
int kxutVSPrintf(wchar_t* buffer, int size, const wchar_t* format, va_list args);

// ---- system variables ----
// The value in `result` (strings are the caller's to free with kxad_free). KXRT_ERROR for an
// unknown name. kxedSetVar refuses a value of the wrong type or out of range (KXRT_ERROR) and
// changes nothing then.
int kxedGetVar(const wchar_t* name, resbuf* result);
int kxedSetVar(const wchar_t* name, const resbuf* value);

// ---- coordinate systems ----
// `from` and `to`: KXRT_SHORT 0 (world), 1 (current UCS), 2 (display, same as UCS headless);
// KXRT_3DPOINT: an object coordinate system given by its normal; KXRT_ENAME: the entity's own
// system. `displacement` non-zero converts a vector (no origin shift).
int kxedTrans(const double point[3], const resbuf* from, const resbuf* to, int displacement,
              double result[3]);
// The box of a TEXT or ATTDEF list relative to its insertion point, unrotated, in its own units:
// lower-left into `lowerLeft`, upper-right into `upperRight`. For other entities the box of
// their extents.
int kxedTextBox(const resbuf* entityList, double lowerLeft[3], double upperRight[3]);

// ---- geometry helpers ----
void kxutPolar(const double base[3], double angle, double distance, double result[3]);
double kxutAngle(const double from[3], const double to[3]);
double kxutDistance(const double from[3], const double to[3]);

// ---- host commands ----
// The command name and its replies as (type, value) pairs closed by KXRT_NONE; an empty string
// is Enter. Value types: KXRT_STR a const wchar_t*, KXRT_POINT/KXRT_3DPOINT a const double*,
// KXRT_ENAME and KXRT_PICKS a const std::int64_t*, KXRT_SHORT an int, KXRT_REAL a double.
int kxedCommand(int type, ...);

// ---- display ----
// Mode 0 regenerates the drawing (null entity) or redraws one entity, 1 redraws, 2 hides,
// 3 highlights, 4 removes the highlight.
int kxedRedraw(const kds_name entity, int mode);

// ---- selection sets ----
// `mode`: null (standard prompt, or the pickfirst set for a command that takes it), "X" (the
// whole drawing, no prompt), "I"/"_I" (the implied set), "L" (the last entity), ":$" with the
// prompts in `point1` as two wide strings, ":L" (no locked layers), ":K" keywords, ":C", "-M".
// `filter` restricts the entities. The new set goes into `set`.
int kxedSSGet(const wchar_t* mode, const void* point1, const void* point2, const resbuf* filter,
              kds_name set);
int kxedSSFree(const kds_name set);
int kxedSSLength(const kds_name set, std::int32_t* length);
int kxedSSName(const kds_name set, std::int32_t index, kds_name entity);
// With null `entity`: makes a new empty set in `result`. With null `set`: a new set holding
// `entity`. Otherwise adds `entity` to `set` (result names the same set).
int kxedSSAdd(const kds_name entity, const kds_name set, kds_name result);
int kxedSSDel(const kds_name entity, const kds_name set);
int kxedSSMemb(const kds_name entity, const kds_name set);
// Makes `set` the pickfirst set (null: clears it). `gripSet` is accepted and ignored.
int kxedSSSetFirst(const kds_name gripSet, const kds_name set);

// ---- draw order ----
// Places the children in the draw order of their block relative to `parent`: code 1 to the top,
// 2 to the bottom, 3 directly below the parent, 4 directly above it.
int kxedDrawOrderInherit(KxDbObjectId parent, const KxDbObjectIdArray& children, int code);
}
