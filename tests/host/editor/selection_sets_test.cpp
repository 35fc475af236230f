// Selection sets: members kept in order through adds and deletes, names that go stale with their
// drawing, and the selection modes of kxedSSGet.

#include "editor/selection_sets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "api/host_names.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "kx/kxed.h"
#include "support/drawing.h"
#include "support/sdk_fixture.h"

namespace kx::editor {
namespace {

std::vector<db::ObjectId> ids(std::initializer_list<std::uint32_t> indexes) {
  std::vector<db::ObjectId> out;
  for (std::uint32_t i : indexes) out.emplace_back(i);
  return out;
}

// Against a plain vector: random adds and deletes, and deletes while walking by index, must
// leave the same members in the same order, with at() and contains() agreeing.
TEST(SelectionSet, MatchesAPlainListThroughAddsAndDeletes) {
  std::mt19937 random(7);
  SelectionSet set(1, ids({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  std::vector<db::ObjectId> model = set.members();
  auto check = [&](const char* when) {
    ASSERT_EQ(set.size(), model.size()) << when;
    for (std::size_t i = 0; i < model.size(); ++i) ASSERT_EQ(set.at(i), model[i]) << when << i;
    EXPECT_TRUE(set.at(model.size()).isNull()) << when;
    EXPECT_EQ(set.members(), model) << when;
  };
  for (int round = 0; round < 300; ++round) {
    const std::uint32_t candidate = random() % 400;
    const db::ObjectId id(candidate);
    const bool member = std::find(model.begin(), model.end(), id) != model.end();
    ASSERT_EQ(set.contains(id), member);
    if (random() % 3 == 0) {
      EXPECT_EQ(set.remove(id), member);
      std::erase(model, id);
    } else {
      EXPECT_EQ(set.add(id), !member);
      if (!member) model.push_back(id);
    }
    if (round % 25 == 0) check("random");
  }
  check("after random");
  // Walk by index, deleting every member whose index is odd: the next member moves into place.
  for (std::size_t i = 0; i < set.size();) {
    const db::ObjectId at = set.at(i);
    if (at.index() % 2) {
      ASSERT_TRUE(set.remove(at));
      std::erase(model, at);
    } else {
      ++i;
    }
    ASSERT_EQ(set.size(), model.size());
    if (i < model.size()) {
      ASSERT_EQ(set.at(i), model[i]);
    }
  }
  check("after walk");
  // Adding after deletions (holes still present) keeps order too.
  for (std::uint32_t n = 1000; n < 1040; ++n) {
    set.add(db::ObjectId(n));
    model.emplace_back(n);
    if (n % 3 == 0) {
      set.remove(model.front());
      model.erase(model.begin());
    }
  }
  check("after adding past holes");
  while (!model.empty()) {
    ASSERT_TRUE(set.remove(model.back()));
    model.pop_back();
  }
  check("emptied");
  EXPECT_FALSE(set.remove(db::ObjectId(1000)));
}

class SelectionSetsSdk : public test::SdkTest {
 protected:
  db::ObjectId line(Document& doc, const std::string& layer = "0", bool paper = false) {
    return test::addLine(doc.db(), {0, 0, 0}, {1, 1, 0}, {.layer = layer, .paper = paper});
  }
  db::ObjectId text(Document& doc) { return test::addText(doc.db(), {.text = "t", .height = 1}); }
  // A filter list of one entity type.
  static resbuf typeFilter(wchar_t* type) {
    resbuf rb{nullptr, 0, {}};
    rb.value.string = type;
    return rb;
  }
  static void name(const Document& doc, db::ObjectId id, kds_name out) {
    api::setName(out, doc.db(), id);
  }
  static std::int32_t length(const kds_name set) {
    std::int32_t n = -1;
    EXPECT_EQ(kxedSSLength(set, &n), KXRT_NORM);
    return n;
  }
  // The members as the module sees them, by walking kxedSSName.
  static std::vector<std::int64_t> walk(const kds_name set) {
    std::vector<std::int64_t> out;
    kds_name e;
    for (std::int32_t i = 0; kxedSSName(set, i, e) == KXRT_NORM; ++i) out.push_back(e[1]);
    return out;
  }
};

TEST_F(SelectionSetsSdk, AddDeleteMemberAndWalkStayConsistent) {
  Document& doc = openNew();
  std::vector<db::ObjectId> lines;
  for (int i = 0; i < 4; ++i) lines.push_back(line(doc));

  kds_name set;
  ASSERT_EQ(kxedSSAdd(nullptr, nullptr, set), KXRT_NORM);  // a new, empty set
  EXPECT_EQ(set[0], -1);
  EXPECT_EQ(length(set), 0);
  kds_name e;
  EXPECT_EQ(kxedSSName(set, 0, e), KXRT_ERROR);
  std::vector<std::int64_t> expected;
  for (db::ObjectId id : lines) {
    name(doc, id, e);
    kds_name result = {0, 0};
    ASSERT_EQ(kxedSSAdd(e, set, result), KXRT_NORM);
    EXPECT_TRUE(kds_name_equal(result, set));
    expected.push_back(e[1]);
  }
  EXPECT_EQ(kxedSSAdd(e, set, nullptr), KXRT_NORM);  // already there: nothing changes
  EXPECT_EQ(kxedSSMemb(e, set), KXRT_NORM);
  EXPECT_EQ(walk(set), expected);

  // A member deleted in the middle: the next one moves into place. (The order through many adds
  // and deletes is SelectionSet's, checked above.)
  name(doc, lines[1], e);
  ASSERT_EQ(kxedSSDel(e, set), KXRT_NORM);
  EXPECT_EQ(kxedSSMemb(e, set), KXRT_ERROR);
  EXPECT_EQ(kxedSSDel(e, set), KXRT_ERROR);  // not a member any more
  expected.erase(expected.begin() + 1);
  EXPECT_EQ(walk(set), expected);
  EXPECT_EQ(kxedSSName(set, -1, e), KXRT_ERROR);
  EXPECT_EQ(kxedSSName(set, 3, e), KXRT_ERROR);
  // Deleted members can come back, at the end.
  ASSERT_EQ(kxedSSAdd(e, set, nullptr), KXRT_NORM);
  expected.push_back(e[1]);
  EXPECT_EQ(walk(set), expected);
  EXPECT_EQ(selectionMembers(set).back(), lines[1]);

  // A set made around one entity.
  kds_name single;
  ASSERT_EQ(kxedSSAdd(e, nullptr, single), KXRT_NORM);
  EXPECT_EQ(length(single), 1);
  EXPECT_FALSE(kds_name_equal(single, set));

  ASSERT_EQ(kxedSSFree(set), KXRT_NORM);
  EXPECT_EQ(kxedSSFree(set), KXRT_ERROR);
  std::int32_t n;
  EXPECT_EQ(kxedSSLength(set, &n), KXRT_ERROR);
  EXPECT_EQ(kxedSSMemb(e, set), KXRT_ERROR);
  EXPECT_TRUE(selectionMembers(set).empty());
  const kds_name made_up = {-1, 9999};
  EXPECT_EQ(kxedSSLength(made_up, &n), KXRT_ERROR);
  EXPECT_EQ(kxedSSLength(single, nullptr), KXRT_ERROR);
}

TEST_F(SelectionSetsSdk, RefusesErasedForeignAndClosedDrawings) {
  Document& first = openNew();
  const db::ObjectId a = line(first);
  const db::ObjectId erased = line(first);
  db::setEntityErased(first.db(), erased, true);
  Document& second = openNew();  // now the active drawing
  const db::ObjectId b = line(second);

  kds_name set, e;
  name(first, a, e);
  ASSERT_EQ(kxedSSAdd(e, nullptr, set), KXRT_NORM);  // a set of the entity's drawing
  name(first, erased, e);
  EXPECT_EQ(kxedSSAdd(e, set, nullptr), KXRT_ERROR);
  EXPECT_EQ(kxedSSAdd(e, nullptr, set), KXRT_ERROR);
  name(second, b, e);
  EXPECT_EQ(kxedSSAdd(e, set, nullptr), KXRT_ERROR);
  EXPECT_EQ(kxedSSMemb(e, set), KXRT_ERROR);
  EXPECT_EQ(length(set), 1);
  const kds_name stale = {first.db().serial(), 1000000};
  EXPECT_EQ(kxedSSAdd(stale, set, nullptr), KXRT_ERROR);

  // "X" selects from the active drawing only.
  kds_name all;
  ASSERT_EQ(kxedSSGet(L"X", nullptr, nullptr, nullptr, all), KXRT_NORM);
  EXPECT_EQ(length(all), 1);

  Session::instance().close(first);
  std::int32_t n;
  EXPECT_EQ(kxedSSLength(set, &n), KXRT_ERROR);
  EXPECT_EQ(kxedSSName(set, 0, e), KXRT_ERROR);
  EXPECT_EQ(kxedSSFree(set), KXRT_ERROR);
  EXPECT_TRUE(selectionMembers(set).empty());
  EXPECT_EQ(length(all), 1);  // the other drawing's set is untouched
}

TEST_F(SelectionSetsSdk, WholeDrawingLastAndPickfirst) {
  Document& doc = openNew();
  const db::ObjectId l1 = line(doc, "A");
  const db::ObjectId t1 = text(doc);
  const db::ObjectId gone = text(doc);
  const db::ObjectId l2 = line(doc, "B", true);
  const db::ObjectId t2 = text(doc);
  db::setEntityErased(doc.db(), gone, true);
  // Block contents are not in the drawing's selection.
  db::addEntity(doc.db(), db::findBlockRecord(doc.db(), "*Model_Space"), "SEQEND",
                {{100, "AcDbEntity"}, {8, "0"}});

  kds_name set;
  ASSERT_EQ(kxedSSGet(L"X", nullptr, nullptr, nullptr, set), KXRT_NORM);
  EXPECT_EQ(selectionMembers(set), (std::vector<db::ObjectId>{l1, t1, l2, t2}));
  wchar_t textType[] = L"TEXT", circleType[] = L"CIRCLE";
  const resbuf texts = typeFilter(textType), circles = typeFilter(circleType);
  ASSERT_EQ(kxedSSGet(L"X", nullptr, nullptr, &texts, set), KXRT_NORM);
  EXPECT_EQ(selectionMembers(set), (std::vector<db::ObjectId>{t1, t2}));
  const std::size_t before = Session::instance().selectionSets().count();
  kds_name none = {0, 0};
  EXPECT_EQ(kxedSSGet(L"X", nullptr, nullptr, &circles, none), KXRT_ERROR);
  EXPECT_TRUE(kds_name_nil(none));
  EXPECT_EQ(Session::instance().selectionSets().count(), before);

  ASSERT_EQ(kxedSSGet(L"L", nullptr, nullptr, nullptr, set), KXRT_NORM);
  EXPECT_EQ(selectionMembers(set), (std::vector<db::ObjectId>{t2}));
  EXPECT_EQ(kxedSSGet(L"L", nullptr, nullptr, &circles, set), KXRT_ERROR);

  // The implied selection: nothing picked first, then lines and texts picked first.
  EXPECT_EQ(kxedSSGet(L"I", nullptr, nullptr, nullptr, set), KXRT_ERROR);
  kds_name picked, e;
  ASSERT_EQ(kxedSSAdd(nullptr, nullptr, picked), KXRT_NORM);
  for (db::ObjectId id : {t2, l1, t1}) {
    name(doc, id, e);
    ASSERT_EQ(kxedSSAdd(e, picked, nullptr), KXRT_NORM);
  }
  ASSERT_EQ(kxedSSSetFirst(nullptr, picked), KXRT_NORM);
  kxedSSFree(picked);  // the pickfirst set is the host's own copy
  ASSERT_EQ(kxedSSGet(L"_I", nullptr, nullptr, &texts, set), KXRT_NORM);
  EXPECT_EQ(selectionMembers(set), (std::vector<db::ObjectId>{t2, t1}));
  db::setEntityErased(doc.db(), t2, true);
  ASSERT_EQ(kxedSSGet(L"I", nullptr, nullptr, nullptr, set), KXRT_NORM);
  EXPECT_EQ(selectionMembers(set), (std::vector<db::ObjectId>{l1, t1}));
  ASSERT_EQ(kxedSSSetFirst(nullptr, nullptr), KXRT_NORM);
  EXPECT_EQ(kxedSSGet(L"I", nullptr, nullptr, nullptr, set), KXRT_ERROR);
  const kds_name notASet = {-1, 424242};
  EXPECT_EQ(kxedSSSetFirst(nullptr, notASet), KXRT_ERROR);
}

TEST_F(SelectionSetsSdk, OtherModesGoToThePrompter) {
  Document& doc = openNew();
  const db::ObjectId l1 = line(doc);
  const db::ObjectId t1 = text(doc);
  const db::ObjectId gone = line(doc);
  db::setEntityErased(doc.db(), gone, true);
  SelectionSets& sets = Session::instance().selectionSets();
  // The session outlives the test; its prompter must not keep pointing into this one.
  struct ResetPrompter {
    SelectionSets& sets;
    ~ResetPrompter() { sets.prompter = nullptr; }
  } reset{sets};

  kds_name set;
  EXPECT_EQ(kxedSSGet(nullptr, nullptr, nullptr, nullptr, set), KXRT_ERROR);  // no engine yet

  SelectionRequest seen;
  std::vector<db::ObjectId> answer;
  sets.prompter = [&](const SelectionRequest& request, std::vector<db::ObjectId>& picked) {
    seen = request;
    picked = answer;
    return KXRT_NORM;
  };
  const wchar_t* prompts[2] = {L"Pick notes:", L"Remove notes:"};
  answer = {t1, l1, t1, gone};
  ASSERT_EQ(kxedSSGet(L":$:K", prompts, L"Layer  All", nullptr, set), KXRT_NORM);
  EXPECT_EQ(seen.mode, L":$:K");
  EXPECT_EQ(seen.addPrompt, L"Pick notes:");
  EXPECT_EQ(seen.removePrompt, L"Remove notes:");
  EXPECT_EQ(seen.keywords, (std::vector<std::wstring>{L"Layer", L"All"}));
  EXPECT_EQ(seen.drawing, doc.db().serial());
  // Each live entity once, in the order picked.
  EXPECT_EQ(selectionMembers(set), (std::vector<db::ObjectId>{t1, l1}));

  // The filter holds whatever the engine hands back.
  wchar_t textType[] = L"TEXT";
  const resbuf texts = typeFilter(textType);
  ASSERT_EQ(kxedSSGet(L"-M", nullptr, nullptr, &texts, set), KXRT_NORM);
  EXPECT_TRUE(seen.filter.matches(doc.db(), t1));
  EXPECT_FALSE(seen.filter.matches(doc.db(), l1));
  EXPECT_EQ(selectionMembers(set), (std::vector<db::ObjectId>{t1}));
}

}  // namespace
}  // namespace kx::editor
