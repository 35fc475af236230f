// TJUST as a user sees it: every choice re-anchors texts without moving them on screen; texts on
// locked layers and outside the UCS plane are left out and reported.

#include <gtest/gtest.h>

#include <numbers>
#include <string>

#include "db/layers.h"
#include "db/symbol_tables.h"
#include "module_test_support.h"
#include "toolkit/text_geometry.h"

namespace kx::test {
namespace {

struct Choice {
  const wchar_t* reply;
  short horizontal, vertical, attachment;
};

// The empty reply means Start.
constexpr Choice kChoices[] = {
    {L"", 0, 0, 1},       {L"_Start", 0, 0, 1}, {L"_Center", 1, 0, 2}, {L"_Middle", 4, 0, 5},
    {L"_Right", 2, 0, 3}, {L"_TL", 0, 3, 1},    {L"_TC", 1, 3, 2},     {L"_TR", 2, 3, 3},
    {L"_ML", 0, 2, 4},    {L"_MC", 1, 2, 5},    {L"_MR", 2, 2, 6},     {L"_BL", 0, 1, 7},
    {L"_BC", 1, 1, 8},    {L"_BR", 2, 1, 9},
};

class TjustTest : public CommandTest {
 protected:
  // Where the entity shows: its box corners in world coordinates.
  std::vector<KxGePoint3d> placeOf(const std::vector<std::int64_t>& entity) {
    const kds_name name = {entity[0], entity[1]};
    CornerList frame;
    appendMTextFrame(name, 0, frame);
    if (frame.GetSize() == 4) return {frame[0], frame[1], frame[2], frame[3]};
    KxGePoint3d low, high;
    textExtents(name, low, high);
    return {low, high};
  }

  static void expectSamePlace(const std::vector<KxGePoint3d>& before,
                              const std::vector<KxGePoint3d>& after) {
    ASSERT_EQ(before.size(), after.size());
    for (std::size_t i = 0; i < before.size(); ++i)
      EXPECT_TRUE(before[i].isEqualTo(after[i], KxGeTol(1e-6, 1e-6)))
          << i << ": (" << before[i].x << ", " << before[i].y << ") became (" << after[i].x << ", "
          << after[i].y << ")";
  }

  void preselect(const std::vector<std::vector<std::int64_t>>& entities) {
    kds_name set;
    setOf(entities, set);
    kxedSSSetFirst(nullptr, set);
    kxedSSFree(set);
  }

  KxGePoint3d pointOf(const std::vector<std::int64_t>& entity, int code) {
    const resbuf entry = group(entity, code);
    return {entry.value.point[0], entry.value.point[1], entry.value.point[2]};
  }
};

TEST_F(TjustTest, EveryChoiceKeepsTextsWhereTheyShow) {
  const double at[3] = {20, 10, 0};
  const auto text = makeText(L"Plain text", {0, 0, 0});
  const auto rotated = makeText(L"Turned text", {40, 5, 0}, 3, std::numbers::pi / 6);
  const auto attdef = make(kxutBuildList(KXRT_DXF0, L"ATTDEF", 10, at, 40, 2.0, 1, L"value", 2,
                                         L"TAG", 3, L"Prompt", 0));
  const auto mtext = make(kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 40, 2.0, 41, 30.0, 50,
                                        std::numbers::pi / 2, 1, L"First line\\PSecond", 0));
  const std::vector<std::vector<std::int64_t>> all = {text, rotated, attdef, mtext};
  for (const Choice& choice : kChoices) {
    SCOPED_TRACE(choice.reply);
    std::vector<std::vector<KxGePoint3d>> before;
    for (const auto& e : all) before.push_back(placeOf(e));
    const KxGePoint3d insertion = pointOf(text, 10);

    run(L"TJUST", {L"ALL", L"", choice.reply});
    for (std::size_t i = 0; i < all.size(); ++i) expectSamePlace(before[i], placeOf(all[i]));
    for (const auto& single : {text, rotated}) {
      EXPECT_EQ(group(single, 72).value.int16, choice.horizontal);
      EXPECT_EQ(group(single, 73).value.int16, choice.vertical);
    }
    EXPECT_TRUE(pointOf(text, 10).isEqualTo(insertion));
    EXPECT_EQ(group(attdef, 72).value.int16, choice.horizontal);
    EXPECT_EQ(group(attdef, 74).value.int16, choice.vertical);
    EXPECT_EQ(group(mtext, 71).value.int16, choice.attachment);
    EXPECT_NE(printed.find(message(2348, 4)), std::wstring::npos) << printed;
    printed.clear();
  }
}

TEST_F(TjustTest, MTextAnchorMovesAcrossItsBoxInTheTextsDirection) {
  const double origin[3] = {0, 0, 0};
  const auto flat = make(
      kxutBuildList(KXRT_DXF0, L"MTEXT", 10, origin, 40, 2.0, 71, 1, 1, L"Box\\Ptwo lines", 0));
  const double w = group(flat, 42).value.real, h = group(flat, 43).value.real;
  run(L"TJUST", {L"ALL", L"", L"_BR"});
  EXPECT_TRUE(pointOf(flat, 10).isEqualTo({w, -h, 0}));
  EXPECT_EQ(group(flat, 71).value.int16, 9);

  const double elsewhere[3] = {100, 0, 0};
  const auto upright = make(kxutBuildList(KXRT_DXF0, L"MTEXT", 10, elsewhere, 40, 2.0, 71, 1, 50,
                                          std::numbers::pi / 2, 1, L"Upright", 0));
  const double uw = group(upright, 42).value.real;
  preselect({upright});
  run(L"TJUST", {L"_TR"});
  EXPECT_TRUE(pointOf(upright, 10).isEqualTo({100, uw, 0}));
  EXPECT_TRUE(pointOf(flat, 10).isEqualTo({w, -h, 0}));
}

TEST_F(TjustTest, LockedAndOutOfPlaneTextsAreLeftOutAndCounted) {
  const double at[3] = {0, 0, 0};
  std::vector<std::vector<std::int64_t>> texts;
  for (int i = 0; i < 5; ++i)
    texts.push_back(make(kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"t", 8,
                                       i < 2 ? L"Fixed" : L"0", 0)));
  auto& db = editor::activeDocument().db();
  db::setLayerLocked(db, db::findTableRecord(db, "LAYER", L"Fixed"), true);
  run(L"TJUST", {L"ALL", L"", L"_MC"});
  EXPECT_NE(printed.find(message(2291, 2)), std::wstring::npos) << printed;
  EXPECT_NE(printed.find(message(2348, 3)), std::wstring::npos) << printed;
  EXPECT_EQ(group(texts[0], 72).value.int16, 0);
  EXPECT_EQ(group(texts[4], 72).value.int16, 1);

  printed.clear();
  const auto facingDown = makeText(L"under", {0, 0, 0}, 2.0, 0, {0, 0, -1});
  preselect({facingDown});
  run(L"TJUST", {});
  for (UINT id : {2621u, 2623u}) EXPECT_NE(printed.find(message(id)), std::wstring::npos);
  EXPECT_NE(printed.find(message(2647, 1)), std::wstring::npos) << printed;
  EXPECT_EQ(group(facingDown, 72).value.int16, 0);
}

}  // namespace
}  // namespace kx::test
