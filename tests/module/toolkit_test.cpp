// The geometry and ordering the text commands rely on. The settings a command changes for a
// while (PICKSTYLE, CMDECHO) are checked where the commands run, in the cases.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "module_test_support.h"
#include "toolkit/selection_order.h"
#include "toolkit/text_geometry.h"

namespace kx::test {
namespace {

using ToolkitTest = ModuleTest;

TEST_F(ToolkitTest, TheCurrentLayerNameStaysInsideItsBuffer) {
  wchar_t buffer[kLayerNameCapacity + 1];
  buffer[kLayerNameCapacity] = L'#';
  currentLayerName(buffer);
  EXPECT_STREQ(buffer, L"0");
  EXPECT_EQ(buffer[kLayerNameCapacity], L'#');
}

TEST_F(ToolkitTest, MTextFrameFollowsAttachmentMarginAndDirection) {
  const double origin[3] = {0, 0, 0};
  const double alongY[3] = {0, 1, 0};
  resbuf* list = kxutBuildList(KXRT_DXF0, L"MTEXT", 10, origin, 40, 2.0, 41, 10.0, 71, 5, 1,
                               L"Framed text", 11, alongY, 0);
  ASSERT_EQ(kxdbEntMake(list), KXRT_NORM);
  kxutRelRb(list);
  const auto mtext = lastEntity();
  const kds_name name = {mtext[0], mtext[1]};
  KxDbObjectId id;
  kxdbGetObjectId(id, name);
  KxDbMText* object = nullptr;
  ASSERT_EQ(kxdbOpenObject(object, id, KxDb::kForRead), Kxad::eOk);
  const double w = object->actualWidth(), h = object->actualHeight();
  object->close();

  // Middle centre around the origin, the text running up the Y axis: "right" is +Y, "up" is -X.
  CornerList corners;
  appendMTextFrame(name, 0.5, corners);
  ASSERT_EQ(corners.GetSize(), 4);
  const double m = 0.5 * 2.0;
  EXPECT_TRUE(corners[0].isEqualTo({-(h / 2 + m), -(w / 2 + m), 0}));
  EXPECT_TRUE(corners[1].isEqualTo({-(h / 2 + m), w / 2 + m, 0}));
  EXPECT_TRUE(corners[2].isEqualTo({h / 2 + m, -(w / 2 + m), 0}));
  EXPECT_TRUE(corners[3].isEqualTo({h / 2 + m, w / 2 + m, 0}));

  KxGePoint3d first, second;
  textExtents(name, first, second);
  EXPECT_TRUE(first.isEqualTo({-h / 2, -w / 2, 0}));
  EXPECT_TRUE(second.isEqualTo({h / 2, w / 2, 0}));
}

TEST_F(ToolkitTest, TextRectangleTurnsWithTheTextAndTakesOverrides) {
  const auto text = makeText(L"Rotated", {10, 10, 0}, 2.0, std::numbers::pi / 2);
  const kds_name name = {text[0], text[1]};
  KxGePoint3d r[5];
  textRectangle(name, 0.25, 0, 0, r);
  const double width = r[0].distanceTo(r[1]);
  EXPECT_GT(width, 2.0);
  EXPECT_NEAR(r[1].x, r[0].x, 1e-9);
  EXPECT_NEAR(r[1].y - r[0].y, width, 1e-9);
  EXPECT_TRUE(r[4].isEqualTo({0, 0, 1}));

  KxGePoint3d low, high;
  textExtents(name, low, high);
  const KxGePoint3d centre((low.x + high.x) / 2, (low.y + high.y) / 2, 0);
  textRectangle(name, 0.25, 3, 5, r);
  EXPECT_NEAR(r[0].distanceTo(r[1]), 5, 1e-9);
  EXPECT_NEAR(r[1].distanceTo(r[2]), 3, 1e-9);
  EXPECT_TRUE(KxGePoint3d((r[0].x + r[2].x) / 2, (r[0].y + r[2].y) / 2, 0).isEqualTo(centre));
}

TEST_F(ToolkitTest, OrdersSortStablyOnExactCoordinates) {
  const auto a = makeText(L"a", {5, 2, 0});
  const auto b = makeText(L"b", {1, 2.0000000001, 0});
  const auto c = makeText(L"c", {3, 2, 0});
  kds_name set;
  setOf({a, b, c}, set);
  SSOrderList records;
  collectSelectionOrder(set, records);
  auto xs = [&] {
    std::vector<double> v;
    for (INT_PTR i = 0; i < records.GetSize(); ++i) v.push_back(records[i].x);
    return v;
  };
  sortSelectionOrder(records, TextOrder::kSelection);
  EXPECT_EQ(xs(), (std::vector<double>{5, 1, 3}));
  sortSelectionOrder(records, TextOrder::kX);
  EXPECT_EQ(xs(), (std::vector<double>{1, 3, 5}));
  // b is a hair higher; a and c are level and keep the order they come in.
  sortSelectionOrder(records, TextOrder::kY);
  EXPECT_EQ(xs(), (std::vector<double>{1, 3, 5}));
  collectSelectionOrder(set, records);
  sortSelectionOrder(records, TextOrder::kY);
  EXPECT_EQ(xs(), (std::vector<double>{1, 5, 3}));
  kxedSSFree(set);
}

}  // namespace
}  // namespace kx::test
