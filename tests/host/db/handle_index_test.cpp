// The handle table against a plain map, through inserts, reassignments and erases in any order.

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

#include "db/handle_index.h"

namespace {

using kx::db::HandleIndex;
using kx::db::ObjectId;

TEST(HandleIndex, AgreesWithAMapThroughRandomChanges) {
  HandleIndex index;
  std::unordered_map<std::uint64_t, ObjectId> expected;
  std::mt19937_64 random(7);
  for (int step = 0; step < 200'000; ++step) {
    // Small handle ranges make long probe runs and many collisions.
    const std::uint64_t h = 1 + random() % 5000;
    const ObjectId id(static_cast<std::uint32_t>(random() % 100000));
    switch (random() % 4) {
      case 0:
        EXPECT_EQ(index.insert(h, id), expected.emplace(h, id).second);
        break;
      case 1:
        index.assign(h, id);
        expected[h] = id;
        break;
      case 2:
        index.erase(h);
        expected.erase(h);
        break;
      default: {
        const auto it = expected.find(h);
        ASSERT_EQ(index.find(h), it == expected.end() ? ObjectId() : it->second) << step;
      }
    }
  }
  EXPECT_EQ(index.size(), expected.size());
  for (const auto& [h, id] : expected) EXPECT_EQ(index.find(h), id);
  EXPECT_FALSE(index.insert(0, ObjectId(1)));
  EXPECT_TRUE(index.find(0).isNull());
}

}  // namespace
