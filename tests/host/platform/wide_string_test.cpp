// CString as modules use it: formatting with the host's rules (wide %s), formats from the
// resource module, and the edges of the searches and parts that command code leans on.

#include <gtest/gtest.h>

#include <cstdarg>

#include "kx/kxed.h"
#include "kx/kxwinfile.h"
#include "kx/kxwinres.h"
#include "kx/kxwinstr.h"
#include "support/sdk_fixture.h"

namespace {

CString formatV(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  CString s;
  s.FormatV(format, args);
  va_end(args);
  return s;
}

int vsPrintf(wchar_t* buffer, int size, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  const int n = kxutVSPrintf(buffer, size, format, args);
  va_end(args);
  return n;
}

TEST(WideStringTest, FormatTakesWideStringsAndNumbers) {
  CString s;
  s.Format(L"%s has %d item(s), %.2f%% full, %-4s|%5.1f|", L"Layer \u4e2d", 3, 12.345, L"ab", 2.25);
  EXPECT_EQ(s, L"Layer \u4e2d has 3 item(s), 12.35% full, ab  |  2.2|");
  s.Format(L"%hs/%c/%x/%ld/%lld", "narrow", L'\u00e9', 255u, -7L, 1LL << 40);
  EXPECT_EQ(s, L"narrow/\u00e9/ff/-7/1099511627776");
  s.Format(L"%s", static_cast<const wchar_t*>(nullptr));
  EXPECT_EQ(s, L"(null)");

  // A string formatted from its own text, and the va_list forms.
  s = L"abc";
  s.Format(L"[%s]", s.GetString());
  EXPECT_EQ(s, L"[abc]");
  EXPECT_EQ(formatV(L"%s=%d", L"n", 42), L"n=42");
  wchar_t buffer[8];
  EXPECT_EQ(vsPrintf(buffer, 8, L"%s-%d", L"long text", 5), 7);
  EXPECT_STREQ(buffer, L"long te");
  EXPECT_EQ(vsPrintf(buffer, 0, L"x"), -1);
}

TEST(WideStringTest, FormatByResourceNumber) {
  HINSTANCE module = LoadResourceDll(L"KxTestExtendTextCmdsRes.dll");
  ASSERT_NE(module, nullptr);
  AfxSetResourceHandle(module);
  CString s;
  s.Format(103u, 3, L"plan.dxf");
  EXPECT_EQ(s, L"\n3 object(s) changed in plan.dxf.");
  s.Format(104u, L"12", 1, 10);
  EXPECT_EQ(s, L"Value 12 is out of range (1 to 10).");
  s.Format(9999u, 1);  // no such format: nothing to show
  EXPECT_TRUE(s.IsEmpty());
  AfxSetResourceHandle(nullptr);
  FreeLibrary(module);
}

TEST(WideStringTest, SearchesAndPartsClampAtTheEdges) {
  const CString s(L"one, two,,three");
  EXPECT_EQ(s.Find(L','), 3);
  EXPECT_EQ(s.Find(L',', 4), 8);
  EXPECT_EQ(s.Find(L"two"), 5);
  EXPECT_EQ(s.Find(L"two", 6), -1);
  EXPECT_EQ(s.Find(L'x'), -1);
  EXPECT_EQ(s.Find(L',', 100), -1);
  EXPECT_EQ(s.Find(L""), 0);
  EXPECT_EQ(s.Find(static_cast<const wchar_t*>(nullptr)), -1);

  EXPECT_EQ(s.Left(3), L"one");
  EXPECT_EQ(s.Left(100), s);
  EXPECT_EQ(s.Left(-1), L"");

  // Outside the string is a programming error, not a stray read.
  EXPECT_EQ(s.GetAt(0), L'o');
  EXPECT_TRUE(kx::test::refusedAsInvalid([&] { s.GetAt(s.GetLength()); }));
}

TEST(WideStringTest, TrimUpperCaseAndJoining) {
  CString s(L" \t\r\n padded text \n ");
  EXPECT_EQ(s.Trim(), L"padded text");
  EXPECT_EQ(CString(L" \t ").Trim(), L"");
  EXPECT_EQ(CString(L"Mixed Case \u00e9 12").MakeUpper(), L"MIXED CASE \u00c9 12");
  const CString written(L"written");
  EXPECT_EQ(written + L'!' + CString(L"?"), L"written!?");
  EXPECT_EQ(L"<" + written, L"<written");
}

}  // namespace
