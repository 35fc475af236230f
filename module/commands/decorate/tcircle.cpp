// TCIRCLE: draws a circle, slot or rectangle around each text, a margin of a factor times the
// text height away from it, each one fitting its own text or all of one common size.

#include <algorithm>
#include <cwchar>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/system_variables.h"
#include "toolkit/text_geometry.h"
#include "toolkit/text_selection.h"

namespace {

constexpr int kKeywordCapacity = 20;
constexpr double kSmallestFactor = 1e-6;
constexpr double kDefaultFactor = 0.35;

// The margin factor of the last run, for as long as the module is loaded.
double offsetFactor = 0;

// What the user chose. The kind word also fills the prompts and the closing message.
struct FrameChoice {
  const wchar_t* kind = L"slots";
  bool constantSize = false;
  bool commonWidth = true;  // constant size only
  bool commonHeight = true;
};

bool isCircles(const FrameChoice& choice) {
  return std::wcscmp(choice.kind, L"circles") == 0;
}

bool isSlots(const FrameChoice& choice) {
  return std::wcscmp(choice.kind, L"slots") == 0;
}

bool askFactor() {
  if (!(offsetFactor > kSmallestFactor)) offsetFactor = kDefaultFactor;
  wchar_t prompt[kShortTextCapacity];
  formatShortText(prompt, static_cast<const wchar_t*>(loadString(res::kTcircleOffsetPrompt)),
                  offsetFactor);
  kxedInitGet(KXINP_NOZERO | KXINP_NONEG, nullptr);
  double factor = offsetFactor;
  const int status = kxedGetReal(prompt, &factor);
  if (status == KXRT_NORM) offsetFactor = factor;
  return status == KXRT_NORM || status == KXRT_NONE;
}

bool askKind(FrameChoice& choice) {
  kxedInitGet(0, loadString(res::kTcircleShapeKeywords));
  wchar_t reply[kKeywordCapacity] = L"";
  const int status = kxedGetKword(loadString(res::kTcircleShapePrompt), reply, kKeywordCapacity);
  if (status == KXRT_NONE)
    std::wcscpy(reply, L"S");
  else if (status != KXRT_NORM)
    return false;
  if (sameKeyword(reply, L"C") || sameKeyword(reply, L"Circles"))
    choice.kind = L"circles";
  else if (sameKeyword(reply, L"R") || sameKeyword(reply, L"Rectangles"))
    choice.kind = L"rectangles";
  else
    choice.kind = L"slots";
  return true;
}

bool askSizeMode(FrameChoice& choice) {
  kxedInitGet(0, loadString(res::kTcircleSizeKeywords));
  wchar_t prompt[kShortTextCapacity];
  formatShortText(prompt, static_cast<const wchar_t*>(loadString(res::kTcircleSizePrompt)),
                  choice.kind);
  wchar_t reply[kKeywordCapacity] = L"";
  const int status = kxedGetKword(prompt, reply, kKeywordCapacity);
  if (status == KXRT_NONE)
    std::wcscpy(reply, L"V");
  else if (status != KXRT_NORM)
    return false;
  choice.constantSize = !(sameKeyword(reply, L"V") || sameKeyword(reply, L"Variable"));
  return true;
}

// Which directions a constant size holds for: a circle's both; slots and rectangles ask.
bool askCommonDimension(FrameChoice& choice) {
  if (isCircles(choice)) return true;
  kxedInitGet(0, loadString(res::kTcircleConstantKeywords));
  wchar_t prompt[kShortTextCapacity];
  formatShortText(prompt, static_cast<const wchar_t*>(loadString(res::kTcircleConstantPrompt)),
                  choice.kind);
  wchar_t reply[kKeywordCapacity] = L"";
  const int status = kxedGetKword(prompt, reply, kKeywordCapacity);
  if (status == KXRT_CANCEL) return false;
  if (status == KXRT_NONE) std::wcscpy(reply, L"Both");
  if (sameKeyword(reply, L"H") || sameKeyword(reply, L"Height"))
    choice.commonWidth = false;
  else if (sameKeyword(reply, L"W") || sameKeyword(reply, L"Width"))
    choice.commonHeight = false;
  return true;
}

bool askChoice(FrameChoice& choice) {
  if (!askFactor() || !askKind(choice) || !askSizeMode(choice)) return false;
  return !choice.constantSize || askCommonDimension(choice);
}

// The largest framed width and height of the set, margins included, in the directions the
// choice makes common (0 in the others). Entities without a height or type leave the set.
void measureCommonSize(kds_name set, const FrameChoice& choice, double& width, double& height) {
  width = height = 0;
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length;) {
    kds_name entity;
    kxedSSName(set, i, entity);
    resbuf* list = kxdbEntGet(entity);
    double lowerLeft[3] = {0, 0, 0}, upperRight[3] = {0, 0, 0};
    kxedTextBox(list, lowerLeft, upperRight);
    KxGePoint3d low(lowerLeft[0], lowerLeft[1], lowerLeft[2]);
    KxGePoint3d high(upperRight[0], upperRight[1], upperRight[2]);
    wcsToUcs(low, low);
    wcsToUcs(high, high);
    const resbuf* textHeight = entryByGroup(list, 40);
    wchar_t type[32] = L"";
    if (!textHeight || stringByGroup(list, 0, type, 32) != KXRT_NORM) {
      kxutRelRb(list);
      kxedSSDel(entity, set);
      --length;
      continue;
    }
    if (sameKeyword(type, L"MTEXT")) {
      if (const resbuf* w = entryByGroup(list, 42)) high.x = w->value.real;
      if (const resbuf* h = entryByGroup(list, 43)) high.y = h->value.real;
    }
    const double margins = 2 * offsetFactor * textHeight->value.real;
    if (choice.commonWidth) width = std::max(width, high.x - low.x + margins);
    if (choice.commonHeight) height = std::max(height, high.y - low.y + margins);
    kxutRelRb(list);
    ++i;
  }
}

void drawFrame(const kds_name entity, const FrameChoice& choice, double commonWidth,
               double commonHeight) {
  KxGePoint3d corners[5];
  textRectangle(entity, offsetFactor, commonHeight, commonWidth, corners);
  wchar_t layer[kLayerNameCapacity] = L"";
  currentLayerName(layer);
  if (layer[0] == L'\0') std::wcscpy(layer, L"0");

  // The frame lies in the text's plane, so its points go into the text's own system.
  const double normal[3] = {corners[4].x, corners[4].y, corners[4].z};
  const resbuf ucs = coordinateSystem(1);
  const resbuf ocs = objectSystem(normal);
  double p[4][3];
  for (int i = 0; i < 4; ++i) {
    const double corner[3] = {corners[i].x, corners[i].y, corners[i].z};
    kxedTrans(corner, &ucs, &ocs, 0, p[i]);
  }

  resbuf* list = nullptr;
  if (isCircles(choice)) {
    // Through the four corners of the rectangle.
    const double centre[3] = {(p[0][0] + p[2][0]) / 2, (p[0][1] + p[2][1]) / 2, p[0][2]};
    const double radius = kxutDistance(p[2], p[0]) * 0.5;
    list = kxutBuildList(KXRT_DXF0, L"CIRCLE", 100, L"AcDbEntity", 100, L"AcDbCircle", 8, layer,
                         210, normal, 10, centre, 40, radius, 0);
  } else if (isSlots(choice)) {
    // The sides across the text become half circles bulging outward.
    list = kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 100, L"AcDbEntity", 100, L"AcDbPolyline", 8,
                         layer, 90, 4, 70, 1, 210, normal, 10, p[0], 42, -1.0, 10, p[3], 42, 0.0,
                         10, p[2], 42, -1.0, 10, p[1], 0);
  } else {
    list =
        kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 100, L"AcDbEntity", 100, L"AcDbPolyline", 8, layer,
                      90, 4, 70, 1, 210, normal, 10, p[0], 10, p[1], 10, p[2], 10, p[3], 0);
  }
  kxdbEntMake(list);
  kxutRelRb(list);
}

void frameTexts(kds_name set) {
  FrameChoice choice;
  if (!askChoice(choice)) return;
  double commonWidth = 0, commonHeight = 0;
  if (choice.constantSize) measureCommonSize(set, choice, commonWidth, commonHeight);
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    drawFrame(entity, choice, commonWidth, commonHeight);
  }
  printFormat(res::kTcircleMade, choice.kind, static_cast<int>(length), choice.kind);
}

}  // namespace

void TCIRCLE() {
  ResourceGuard guard;
  printString(res::kSelectTexts);
  kds_name set;
  if (selectTextsUngrouped(set) != KXRT_NORM) {
    printString(res::kNothingSelected);
    return;
  }
  if (!keepTextsInPlane(set)) return;
  frameTexts(set);

  CmdEchoGuard quiet;
  kxedCommand(KXRT_STR, L"_.REDRAW", KXRT_NONE);
  kxedSSFree(set);
}
