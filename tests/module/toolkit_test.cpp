// The toolkit the text commands share, where their cases cannot see it: the current layer's
// buffer and the order of texts on coordinates a hair apart. Frames, rectangles and extents of
// texts, and the settings a command changes for a while, are checked by the cases of the commands
// that use them (TCIRCLE, TEXTMASK, TORIENT, MTEXP).

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kx/kxsdk.h"
#include "support/sdk_fixture.h"
#include "toolkit/selection_order.h"
#include "toolkit/text_geometry.h"

namespace kx::test {
namespace {

class ToolkitTest : public SdkTest {
 protected:
  ToolkitTest() { openNew(); }

  // A TEXT at `at`; its entity name.
  std::vector<std::int64_t> makeText(const wchar_t* text, KxGePoint3d at) {
    const double point[3] = {at.x, at.y, at.z};
    resbuf* list = kxutBuildList(KXRT_DXF0, L"TEXT", 10, point, 40, 2.5, 1, text, 0);
    EXPECT_EQ(kxdbEntMake(list), KXRT_NORM);
    kxutRelRb(list);
    kds_name name{};
    kxdbEntLast(name);
    return {name[0], name[1]};
  }

  // A set of the entities in the order given.
  void setOf(const std::vector<std::vector<std::int64_t>>& entities, kds_name set) {
    kxedSSAdd(nullptr, nullptr, set);
    for (const auto& e : entities) {
      const kds_name name = {e[0], e[1]};
      kxedSSAdd(name, set, set);
    }
  }
};

TEST_F(ToolkitTest, TheCurrentLayerNameStaysInsideItsBuffer) {
  wchar_t buffer[kLayerNameCapacity + 1];
  buffer[kLayerNameCapacity] = L'#';
  currentLayerName(buffer);
  EXPECT_STREQ(buffer, L"0");
  EXPECT_EQ(buffer[kLayerNameCapacity], L'#');
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
