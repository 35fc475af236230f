// The rules of the underline commands and of TORIENT's readable turn on the inputs their cases do
// not give: stray percent signs, the edges of the tolerance, turns beyond a whole circle.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "commands/edit/underline_codes.h"
#include "commands/layout/readable_angle.h"

namespace {

constexpr double kDegree = std::numbers::pi / 180;

TEST(UnderlineCodes, OnlyTheLeadingRunCountsAndItsParityDecides) {
  struct Row {
    const wchar_t* text;
    int codes;
    const wchar_t* added;
    const wchar_t* removed;
  };
  const Row rows[] = {
      {L"%%u%%ol", 1, L"%%u%%ol", L"%%ol"},
      {L"%%", 0, L"%%u%%", L"%%"},
      {L"%%u%%", 1, L"%%u%%", L"%%"},
      {L"%u%%u", 0, L"%%u%u%%u", L"%u%%u"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "text: " << testing::PrintToString(std::wstring(row.text)));
    EXPECT_EQ(leadingUnderlineCodes(row.text), row.codes);
    EXPECT_EQ(underlined(row.text), row.added);
    EXPECT_EQ(notUnderlined(row.text), row.removed);
  }
}

TEST(ReadableAngle, UpsideDownTextsTurnHalfRoundOverTheWholeCircle) {
  struct Row {
    double stored, normalized, readable;  // degrees
  };
  // The tolerance is 1e-6 radians, about 0.00006 degrees.
  const Row rows[] = {
      {45, 45, 45},
      {90.00001, 90.00001, 90.00001},
      {90.0001, 90.0001, 270.0001},
      {200, 200, 20},
      {270.00001, 270.00001, 90.00001},
      {270.0001, 270.0001, 270.0001},
      {-180, 180, 360},
      {720, 0, 0},
      {-630, 90, 90},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.stored);
    const double normalized = normalizedRotation(row.stored * kDegree);
    EXPECT_NEAR(normalized, row.normalized * kDegree, 1e-9);
    EXPECT_NEAR(readableRotation(normalized), row.readable * kDegree, 1e-9);
  }
  // A tiny negative rotation is not a whole turn.
  EXPECT_GE(normalizedRotation(-1e-300), 0.0);
  EXPECT_LT(normalizedRotation(-1e-300), 2 * std::numbers::pi);
}

}  // namespace
