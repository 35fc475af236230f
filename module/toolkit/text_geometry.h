#pragma once
// Where texts lie: their extents, MTEXT frames and rectangles around texts with a margin, point
// conversions between the world and the current UCS, and small lookups in entity lists.

#include "kx/kxge.h"
#include "kx/kxtypes.h"
#include "kx/kxwincoll.h"

using CornerList = CArray<KxGePoint3d, const KxGePoint3d&>;

// The two corners of the text's box in world coordinates: the lower-left and upper-right of a
// TEXT or ATTDEF, the top-left and bottom-right frame corners of an MTEXT. An entity that cannot
// be opened leaves both as they were.
void textExtents(const kds_name entity, KxGePoint3d& first, KxGePoint3d& second);

// Appends the four corners of an MTEXT's frame, grown by `marginFactor` times its text height on
// every side, in world coordinates: top left, top right, bottom left, bottom right. Appends
// nothing for anything but an MTEXT.
void appendMTextFrame(const kds_name entity, double marginFactor, CornerList& corners);

// The rectangle around a text with a margin of `marginFactor` times its height on each side, in
// the current UCS: corners 0 to 3 counter-clockwise from the bottom left in the text's direction,
// slot 4 the text's normal. A height or width override above 0 replaces the measured size,
// margin included.
void textRectangle(const kds_name entity, double marginFactor, double heightOverride,
                   double widthOverride, KxGePoint3d rectangle[5]);

// Coordinate systems as kxedTrans takes them: by code (0 the world, 1 the current UCS), or an
// object's own system by its normal.
resbuf coordinateSystem(short code);
resbuf objectSystem(const double normal[3]);
// true when the host converted the point.
bool wcsToUcs(const KxGePoint3d& point, KxGePoint3d& result);
bool ucsToWcs(const KxGePoint3d& point, KxGePoint3d& result);

// Lookups in an entity's list. KXRT_NORM, also when the group is missing (the output is then
// left as it was); KXRT_ERROR when the list cannot be read.
int realByGroup(const kds_name entity, int code, double& value);
int normalOfEntity(const kds_name entity, KxGeVector3d& normal);
// KXRT_ERROR also when the group is missing. Copies at most size - 1 characters.
int stringByGroup(const resbuf* list, int code, wchar_t* buffer, int size);
// The first entry with that code; null when there is none.
resbuf* entryByGroup(resbuf* list, int code);

constexpr int kLayerNameCapacity = 1024;
// The current layer (CLAYER) into a buffer of kLayerNameCapacity characters.
void currentLayerName(wchar_t* buffer);

KxGeVector3d crossProduct(const KxGeVector3d& a, const KxGeVector3d& b);
// The z axis of the current UCS in world coordinates.
KxGeVector3d currentUcsNormal();

constexpr int kShortTextCapacity = 256;
// printf-style output into a buffer of kShortTextCapacity characters, cut to fit.
void formatShortText(wchar_t* buffer, const wchar_t* format, ...);
// Copies at most kShortTextCapacity - 1 characters.
void copyShortText(wchar_t* buffer, const wchar_t* text);
