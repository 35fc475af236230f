#include "editor/system_variables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/header_values.h"
#include "db/symbol_tables.h"
#include "db/wipeouts.h"
#include "kx/kxed.h"
#include "support/drawing.h"
#include "support/sdk_fixture.h"

namespace {

class SystemVariablesTest : public kx::test::SdkTest {
 protected:
  SystemVariablesTest() : doc(openNew()), db(doc.db()) {}

  resbuf get(const wchar_t* name) {
    resbuf rb{};
    EXPECT_EQ(kxedGetVar(name, &rb), KXRT_NORM) << name;
    return rb;
  }
  short getShort(const wchar_t* name) {
    const resbuf rb = get(name);
    EXPECT_EQ(rb.code, KXRT_SHORT) << name;
    return rb.value.int16;
  }
  std::wstring getString(const wchar_t* name) {
    resbuf rb = get(name);
    EXPECT_EQ(rb.code, KXRT_STR) << name;
    std::wstring s = rb.value.string ? rb.value.string : L"";
    kxad_free(rb.value.string);
    return s;
  }
  int setShort(const wchar_t* name, short v) {
    resbuf rb{};
    rb.code = KXRT_SHORT;
    rb.value.int16 = v;
    return kxedSetVar(name, &rb);
  }
  int setString(const wchar_t* name, const wchar_t* v) {
    resbuf rb{};
    rb.code = KXRT_STR;
    rb.value.string = const_cast<wchar_t*>(v);
    return kxedSetVar(name, &rb);
  }
  void addLayer(const wchar_t* name, int flags) { kx::test::addLayer(db, name, 7, flags); }

  kx::editor::Document& doc;
  kx::db::Database& db;
};

TEST_F(SystemVariablesTest, ShortsKeepTheirRanges) {
  struct Range {
    const wchar_t* name;
    short min, max;
  };
  const Range ranges[] = {{L"PICKSTYLE", 0, 3}, {L"PICKFIRST", 0, 1},    {L"PICKBOX", 0, 50},
                          {L"CMDECHO", 0, 1},   {L"BLIPMODE", 0, 1},     {L"EXPERT", 0, 5},
                          {L"ORTHOMODE", 0, 1}, {L"WIPEOUTFRAME", 0, 2}, {L"TXTEXPMODE", 0, 1},
                          {L"TILEMODE", 0, 1}};
  for (const Range& r : ranges) {
    EXPECT_EQ(setShort(r.name, r.max), KXRT_NORM) << r.name;
    EXPECT_EQ(getShort(r.name), r.max) << r.name;
    EXPECT_EQ(setShort(r.name, static_cast<short>(r.max + 1)), KXRT_ERROR) << r.name;
    EXPECT_EQ(setShort(r.name, static_cast<short>(r.min - 1)), KXRT_ERROR) << r.name;
    EXPECT_EQ(getShort(r.name), r.max) << r.name;
    // A long is a short's value too; a real or a string is not.
    resbuf rb{};
    rb.code = KXRT_LONG;
    rb.value.int32 = r.min;
    EXPECT_EQ(kxedSetVar(r.name, &rb), KXRT_NORM) << r.name;
    EXPECT_EQ(getShort(r.name), r.min) << r.name;
    rb.value.int32 = 70000;  // would wrap into range as a short
    EXPECT_EQ(kxedSetVar(r.name, &rb), KXRT_ERROR) << r.name;
    rb.code = KXRT_REAL;
    rb.value.real = r.max;
    EXPECT_EQ(kxedSetVar(r.name, &rb), KXRT_ERROR) << r.name;
    EXPECT_EQ(getShort(r.name), r.min) << r.name;
  }
  // Names are case-insensitive; header-backed ones land in the header.
  EXPECT_EQ(setShort(L"orthoMode", 1), KXRT_NORM);
  EXPECT_EQ(kx::db::headerInteger(db, "$ORTHOMODE"), 1);
  EXPECT_EQ(setShort(L"WipeoutFrame", 0), KXRT_NORM);
  EXPECT_EQ(kx::db::wipeoutFrame(db), 0);
}

TEST_F(SystemVariablesTest, SpaceAndViewport) {
  EXPECT_EQ(getShort(L"TILEMODE"), 1);
  EXPECT_EQ(getShort(L"CVPORT"), 2);
  EXPECT_EQ(getString(L"CTAB"), L"Model");
  EXPECT_EQ(setShort(L"CVPORT", 2), KXRT_NORM);
  EXPECT_EQ(setShort(L"CVPORT", 0), KXRT_ERROR);
  EXPECT_EQ(setShort(L"CVPORT", 5), KXRT_ERROR);
  ASSERT_EQ(setShort(L"TILEMODE", 0), KXRT_NORM);
  EXPECT_EQ(kx::db::headerInteger(db, "$TILEMODE"), 0);
  EXPECT_EQ(getShort(L"CVPORT"), 1);
  EXPECT_EQ(getString(L"CTAB"), L"Layout1");
  EXPECT_EQ(setString(L"CTAB", L"Model"), KXRT_ERROR);
}

TEST_F(SystemVariablesTest, LayerStyleAndSize) {
  addLayer(L"Walls", 0);
  addLayer(L"Frozen", 1);
  EXPECT_EQ(getString(L"CLAYER"), L"0");
  EXPECT_EQ(setString(L"clayer", L"WALLS"), KXRT_NORM);
  EXPECT_EQ(getString(L"CLAYER"), L"Walls");  // the record's spelling
  EXPECT_EQ(kx::db::headerString(db, "$CLAYER"), L"Walls");
  EXPECT_EQ(setString(L"CLAYER", L"Frozen"), KXRT_ERROR);
  EXPECT_EQ(setString(L"CLAYER", L"Missing"), KXRT_ERROR);
  resbuf notString{};
  notString.code = KXRT_SHORT;
  EXPECT_EQ(kxedSetVar(L"CLAYER", &notString), KXRT_ERROR);
  EXPECT_EQ(getString(L"CLAYER"), L"Walls");

  EXPECT_EQ(getString(L"TEXTSTYLE"), L"Standard");
  EXPECT_EQ(setString(L"TEXTSTYLE", L"standard"), KXRT_NORM);
  EXPECT_EQ(setString(L"TEXTSTYLE", L"NoSuchStyle"), KXRT_ERROR);
  EXPECT_EQ(getString(L"TEXTSTYLE"), L"Standard");

  resbuf size{};
  size.code = KXRT_REAL;
  size.value.real = 3.5;
  EXPECT_EQ(kxedSetVar(L"TEXTSIZE", &size), KXRT_NORM);
  EXPECT_EQ(kx::db::headerReal(db, "$TEXTSIZE"), 3.5);
  size.code = KXRT_SHORT;
  size.value.int16 = 4;
  EXPECT_EQ(kxedSetVar(L"TEXTSIZE", &size), KXRT_NORM);
  const resbuf now = get(L"TEXTSIZE");
  EXPECT_EQ(now.code, KXRT_REAL);
  EXPECT_EQ(now.value.real, 4);
  size.code = KXRT_REAL;
  size.value.real = 0;
  EXPECT_EQ(kxedSetVar(L"TEXTSIZE", &size), KXRT_ERROR);
  size.value.real = -1;
  EXPECT_EQ(kxedSetVar(L"TEXTSIZE", &size), KXRT_ERROR);
  EXPECT_EQ(get(L"TEXTSIZE").value.real, 4);
}

TEST_F(SystemVariablesTest, ReadOnlyAndUnknown) {
  kx::editor::Ucs ucs;
  ucs.origin = {1, 2, 3};
  ucs.xAxis = {0, 1, 0};
  ucs.yAxis = {-1, 0, 0};
  ucs.name = L"Side";
  doc.setUcs(ucs);
  const resbuf org = get(L"UCSORG");
  EXPECT_EQ(org.code, KXRT_3DPOINT);
  EXPECT_EQ(org.value.point[2], 3);
  EXPECT_EQ(get(L"UCSXDIR").value.point[1], 1);
  EXPECT_EQ(get(L"UCSYDIR").value.point[0], -1);
  EXPECT_EQ(getString(L"UCSNAME"), L"Side");
  resbuf point{};
  point.code = KXRT_3DPOINT;
  EXPECT_EQ(kxedSetVar(L"UCSORG", &point), KXRT_ERROR);
  EXPECT_EQ(kxedSetVar(L"UCSXDIR", &point), KXRT_ERROR);
  EXPECT_EQ(kxedSetVar(L"UCSYDIR", &point), KXRT_ERROR);
  EXPECT_EQ(setString(L"UCSNAME", L"Other"), KXRT_ERROR);
  EXPECT_EQ(get(L"UCSORG").value.point[0], 1);

  EXPECT_EQ(getString(L"DWGNAME"), L"Drawing1.dxf");
  const std::wstring prefix = getString(L"DWGPREFIX");
  ASSERT_FALSE(prefix.empty());
  EXPECT_EQ(prefix.back(), L'/');
  doc.setPath("/tmp/plans/house.dxf");
  EXPECT_EQ(getString(L"DWGNAME"), L"house.dxf");
  EXPECT_EQ(getString(L"DWGPREFIX"), L"/tmp/plans/");
  EXPECT_EQ(getString(L"DWGCODEPAGE"), L"ANSI_1252");
  EXPECT_EQ(getString(L"CPROFILE"), L"<<Unnamed Profile>>");
  for (const wchar_t* name : {L"DWGNAME", L"DWGPREFIX", L"DWGCODEPAGE", L"CPROFILE"})
    EXPECT_EQ(setString(name, L"x"), KXRT_ERROR) << name;
  EXPECT_EQ(getString(L"DWGNAME"), L"house.dxf");

  resbuf rb{};
  EXPECT_EQ(kxedGetVar(L"NOSUCHVAR", &rb), KXRT_ERROR);
  EXPECT_EQ(setShort(L"NOSUCHVAR", 1), KXRT_ERROR);
}

}  // namespace
