// Result buffers, host strings and wildcard patterns.

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "kx/kxtypes.h"
#include "support/wildcard.h"

namespace {

TEST(ResultBuffers, BuildListPlacesEachValueByItsCode) {
  const double p[3] = {1, 2, 3};
  const std::int64_t name[2] = {7, 9};
  resbuf* list =
      kxutBuildList(KXRT_DXF0, L"LINE", 8, L"Walls", 10, p, KXRT_POINT, p, 40, 2.5, 62, 3, 90,
                    70000, KXRT_LONG, -5, 330, name, -4, L"<OR", KXRT_REAL, 0.5, 1071, 123456, 0);
  std::vector<const resbuf*> e;
  for (const resbuf* rb = list; rb; rb = rb->next) e.push_back(rb);
  ASSERT_EQ(e.size(), 12u);
  EXPECT_EQ(e[0]->code, 0);  // KXRT_DXF0 becomes group 0
  EXPECT_STREQ(e[0]->value.string, L"LINE");
  EXPECT_STREQ(e[1]->value.string, L"Walls");
  EXPECT_EQ(e[2]->value.point[2], 3.0);
  EXPECT_EQ(e[3]->code, KXRT_POINT);
  EXPECT_EQ(e[3]->value.point[2], 0.0);  // a 2D point has no z
  EXPECT_EQ(e[4]->value.real, 2.5);
  EXPECT_EQ(e[5]->value.int16, 3);
  EXPECT_EQ(e[6]->value.int32, 70000);
  EXPECT_EQ(e[7]->value.int32, -5);
  EXPECT_EQ(e[8]->value.name[1], 9);
  EXPECT_STREQ(e[9]->value.string, L"<OR");
  EXPECT_EQ(e[10]->value.real, 0.5);
  EXPECT_EQ(e[11]->value.int32, 123456);
  // Freeing must release the strings and nothing else (the sanitizer build checks both).
  EXPECT_EQ(kxutRelRb(list), KXRT_NORM);

  EXPECT_EQ(kxutBuildList(5999, 1, 0), nullptr);
  EXPECT_EQ(kxutBuildList(8, L"a", 5555, 0), nullptr);  // the part already built is released
  EXPECT_EQ(kxutBuildList(0), nullptr);
}

TEST(ResultBuffers, HostStringsAreReleasedByAnyReleaseCall) {
  wchar_t* s = nullptr;
  ASSERT_EQ(kxutNewString(L"first", &s), KXRT_NORM);
  EXPECT_STREQ(s, L"first");
  ASSERT_EQ(kxutUpdString(L"second, longer", &s), KXRT_NORM);
  EXPECT_STREQ(s, L"second, longer");
  ASSERT_EQ(kxutUpdString(s, &s), KXRT_NORM);  // from itself
  EXPECT_STREQ(s, L"second, longer");
  ASSERT_EQ(kxutDelBuffer(&s), KXRT_NORM);
  EXPECT_EQ(s, nullptr);
  ASSERT_EQ(kxutNewString(nullptr, &s), KXRT_NORM);
  EXPECT_STREQ(s, L"");
  kxad_free(s);
  EXPECT_EQ(kxutNewString(L"x", nullptr), KXRT_ERROR);

  resbuf* rb = kxutNewRb(1);
  EXPECT_EQ(rb->value.string, nullptr);
  kxutNewString(L"owned by the list", &rb->value.string);
  rb->next = kxutNewRb(40);
  rb->next->value.real = 1e300;  // not a pointer: must not be freed
  kxutRelRb(rb);

  // Elements of released lists are made again as new ones: empty, and the end of no list.
  resbuf* released = kxutBuildList(10, std::array<double, 3>{1, 2, 3}.data(), 1, L"A", 0);
  kxutRelRb(released);
  for (int code : {1, 10, 5}) {
    resbuf* again = kxutNewRb(code);
    EXPECT_EQ(again->code, code);
    EXPECT_EQ(again->next, nullptr);
    EXPECT_EQ(again->value.point[0], 0.0);
    EXPECT_EQ(again->value.point[2], 0.0);
    kxutRelRb(again);
  }
}

TEST(Wildcards, PatternsMatchAsCadUsersWriteThem) {
  using kx::support::wildcardMatch;
  struct Case {
    const wchar_t* text;
    const wchar_t* pattern;
    bool match;
  };
  const Case cases[] = {
      {L"", L"", true},
      {L"", L"*", true},
      {L"abc", L"", false},
      {L"Walls", L"walls", true},  // no regard to case
      {L"WALLS-2", L"W*2", true},
      {L"WALLS-2", L"W*3", false},
      {L"aXbXc", L"*X*X*", true},
      {L"aaab", L"*a*ab", true},
      {L"A1", L"@#", true},
      {L"11", L"@#", false},
      {L"A-1", L"@.#", true},
      {L"AB1", L"@.#", false},
      {L"cat", L"c?t", true},
      {L"ct", L"c?t", false},
      {L"bat", L"[bc]at", true},
      {L"rat", L"[bc]at", false},
      {L"Rat", L"[~bc]at", true},
      {L"m", L"[a-z]", true},
      {L"M", L"[a-z]", true},
      {L"5", L"[a-z]", false},
      {L"]", L"[]]", true},
      {L"DOOR", L"~DOOR", false},
      {L"WINDOW", L"~DOOR", true},
      {L"~", L"~", true},
      {L"WIN", L"DOOR,WIN,WALL", true},
      {L"DOORS", L"DOOR,WIN", false},
      {L"A,B", L"A`,B", true},
      {L"A*B", L"A`*B", true},
      {L"AxB", L"A`*B", false},
      {L"#1", L"`##", true},
      {L"x[y", L"x[y", true},  // an unclosed bracket is a bracket
      {L"Ärger", L"ä*", true},
      {L"Ärger", L"@rger", true},
      {L"abc,", L"*[,]", true},
      {L"ABC", L"~*B*,X", false},
      {L"X", L"~*B*,X", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(wildcardMatch(c.text, c.pattern), c.match)
        << "text '" << std::wstring(c.text).size() << "' pattern index " << (&c - cases);
    EXPECT_EQ(kxutWcMatch(c.text, c.pattern), c.match ? KXRT_NORM : KXRT_ERROR);
  }
  EXPECT_EQ(kxutWcMatch(nullptr, L"*"), KXRT_ERROR);
  // A long pattern of stars over a long text stays quick (no exponential backtracking).
  const std::wstring text(5000, L'a');
  EXPECT_FALSE(wildcardMatch(text, L"*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
