#pragma once
// Asking the user: points, distances, angles, numbers, strings, keywords and entity picks.
//
// Every prompt prints its text, reads one reply and echoes it. Results: KXRT_NORM for a value,
// KXRT_NONE for an empty reply (Enter), KXRT_KWORD for a keyword (or, with flag 128, any other
// text; kxedGetInput gives it), KXRT_CANCEL when the user cancels or the input ends, KXRT_ERROR
// for a bad call. A reply the prompt cannot take is refused with a short reason and asked again.
//
// Points are in the current UCS, as typed; kxedTrans converts them. Angles are in radians.

#include <cstddef>

#include "kx/kxtypes.h"

extern "C" {

// Flags for kxedInitGet. They and the keywords apply to the next prompt only.
constexpr int KXINP_NONULL = 1;       // Enter is refused
constexpr int KXINP_NOZERO = 2;       // zero is refused
constexpr int KXINP_NONEG = 4;        // negative values are refused
constexpr int KXINP_2D = 64;          // distances ignore z
constexpr int KXINP_ARBITRARY = 128;  // any text is returned as KXRT_KWORD

// `keywords`: words separated by blanks; a word's capital letters are its abbreviation ("SEttings"
// takes "se", "set", "settings"; a word without capitals must be typed whole). "Ja Nein _ Yes No":
// the words before " _ " are the ones typed, those after it the ones returned (same order).
int kxedInitGet(int flags, const wchar_t* keywords);

// A keyword into `result` (the returned word as written in the list). With flag 128 other text is
// returned as it was typed, with KXRT_NORM.
int kxedGetKword(const wchar_t* prompt, wchar_t* result, std::size_t size);
// A string; without `allowSpaces` the reply ends at its first blank.
int kxedGetString(int allowSpaces, const wchar_t* prompt, wchar_t* result, std::size_t size);
// The text of the last keyword or arbitrary reply.
int kxedGetInput(wchar_t* result, std::size_t size);

// `base` (may be null) is the point a relative reply and a rubber band start from.
int kxedGetPoint(const double* base, const wchar_t* prompt, double result[3]);
// A number, or a point whose distance from `base` is taken (two points without a base).
int kxedGetDist(const double* base, const wchar_t* prompt, double* result);
int kxedGetReal(const wchar_t* prompt, double* result);
int kxedGetInt(const wchar_t* prompt, int* result);
// Degrees typed (counted from the drawing's angle base, $ANGBASE), or a point (the angle from
// `base` to it; two points without a base). The result is the angle from the world's east,
// counterclockwise.
int kxedGetOrient(const double* base, const wchar_t* prompt, double* result);

// An entity picked by a point, or typed as "H handle". `point` gets the pick point (UCS).
int kxedEntSel(const wchar_t* prompt, kds_name entity, double point[3]);
// Picks into block references: `entity` is the entity under the point, `containers` (null when
// the entity is not nested; free it with kxutRelRb) the references holding it as KXRT_ENAME
// elements, innermost first. `xform` maps the entity's coordinates to the world (row-major, the
// translation in the last column). With `pickflag` the point given in `point` is picked without
// asking.
int kxedNEntSelP(const wchar_t* prompt, kds_name entity, double point[3], int pickflag,
                 double xform[4][4], resbuf** containers);

// Callbacks of selection prompts: `keyword` is called for a keyword typed at a ":K" selection,
// `other` for a reply that is neither a keyword nor a selection reply. A callback that returns a
// list ends the selection (the host releases the list); one that returns null lets it go on.
typedef resbuf* (*KxSSCallback)(const wchar_t* text);
int kxedSSSetKwordCallbackPtr(KxSSCallback callback);
int kxedSSGetKwordCallbackPtr(KxSSCallback* callback);
int kxedSSSetOtherCallbackPtr(KxSSCallback callback);
int kxedSSGetOtherCallbackPtr(KxSSCallback* callback);

// Ends a function that returns nothing to its caller.
int kxedRetVoid();
}
