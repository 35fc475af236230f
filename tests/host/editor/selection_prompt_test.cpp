// The interactive selection behind kxedSSGet: windows, crossings, remove mode, handles, last and
// previous, filters, locked layers, and the callbacks of keyword selections.

#include "editor/selection_prompt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/layers.h"
#include "db/symbol_tables.h"
#include "editor/prompts.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "support/sdk_fixture.h"

namespace kx::editor {
namespace {

using db::ObjectId;

class SelectionPromptTest : public test::SdkTest {
 protected:
  SelectionPromptTest() : doc(openNew()) {
    InputSource::instance().reset();
    Prompter::instance().reset();
    installSelectionPrompter();
    selectionCallbacks() = {};
  }
  ~SelectionPromptTest() override {
    InputSource::instance().reset();
    Session::instance().selectionSets().prompter = nullptr;
    selectionCallbacks() = {};
  }
  void replies(std::initializer_list<const wchar_t*> lines) {
    for (const wchar_t* line : lines) InputSource::instance().queue(line);
  }
  ObjectId line(double x1, double y1, double x2, double y2, const wchar_t* layer = L"0") {
    const double a[3] = {x1, y1, 0}, b[3] = {x2, y2, 0};
    resbuf* list = kxutBuildList(KXRT_DXF0, L"LINE", 8, layer, 10, a, 11, b, 0);
    kds_name name;
    EXPECT_EQ(kxdbEntMakeX(list, name), KXRT_NORM);
    kxutRelRb(list);
    return doc.db().fromEntityName({name[0], name[1]});
  }
  ObjectId circle(double x, double y, double r) {
    const double c[3] = {x, y, 0};
    resbuf* list = kxutBuildList(KXRT_DXF0, L"CIRCLE", 10, c, 40, r, 0);
    kds_name name;
    EXPECT_EQ(kxdbEntMakeX(list, name), KXRT_NORM);
    kxutRelRb(list);
    return doc.db().fromEntityName({name[0], name[1]});
  }
  // Runs kxedSSGet and gives its members (empty when it made no set).
  std::vector<ObjectId> select(const wchar_t* mode = nullptr, const void* p1 = nullptr,
                               const void* p2 = nullptr, const resbuf* filter = nullptr,
                               int* status = nullptr) {
    kds_name set;
    const int rc = kxedSSGet(mode, p1, p2, filter, set);
    if (status) *status = rc;
    if (rc != KXRT_NORM) return {};
    std::vector<ObjectId> out = selectionMembers(set);
    kxedSSFree(set);
    return out;
  }
  std::wstring handle(ObjectId id) const {
    wchar_t text[32];
    std::swprintf(text, 32, L"%llX", static_cast<unsigned long long>(doc.db().handle(id)));
    return text;
  }

  Document& doc;
};

TEST_F(SelectionPromptTest, WindowCrossingAndRemoveMode) {
  const ObjectId a = line(0, 0, 10, 0);
  const ObjectId b = line(5, 5, 30, 5);  // reaches out of the window
  const ObjectId c = circle(5, 10, 2);
  const ObjectId far = line(100, 100, 110, 110);
  replies({L"W -1,-1 20,20", L""});
  EXPECT_EQ(select(), (std::vector<ObjectId>{a, c}));
  replies({L"c -1,-1 20,20", L""});
  EXPECT_EQ(select(), (std::vector<ObjectId>{a, b, c}));
  // Corners asked for when the reply has none; a corner the other way round is the same box.
  replies({L"C", L"20,20", L"-1,-1", L"r", L"5,12", L"a", L"105,105", L""});
  EXPECT_EQ(select(), (std::vector<ObjectId>{a, b, far}));
  EXPECT_NE(printed.find(L"Remove objects: 5,12\n1 found, 1 removed, 2 total"), std::wstring::npos);
  EXPECT_NE(printed.find(L"Select objects: 105,105\n1 found, 3 total"), std::wstring::npos);
  // Picking one twice keeps it once.
  replies({L"105,105", L"105,105", L""});
  EXPECT_EQ(select(), (std::vector<ObjectId>{far}));
  EXPECT_NE(printed.find(L"(1 duplicate)"), std::wstring::npos);
  // Nothing picked at all: no set.
  replies({L"500,500", L""});
  int status = 0;
  EXPECT_TRUE(select(nullptr, nullptr, nullptr, nullptr, &status).empty());
  EXPECT_EQ(status, KXRT_ERROR);
}

TEST_F(SelectionPromptTest, AllLastPreviousHandlesFilterAndLockedLayers) {
  db::addTableRecord(doc.db(), "LAYER",
                     {{100, "AcDbSymbolTableRecord"},
                      {100, "AcDbLayerTableRecord"},
                      {2, "Fixed"},
                      {70, "4"},
                      {62, "7"},
                      {6, "Continuous"}});
  const ObjectId a = line(0, 0, 10, 0);
  const ObjectId c = circle(50, 50, 5);
  const ObjectId locked = line(0, 20, 10, 20, L"Fixed");
  ASSERT_TRUE(db::isOnLockedLayer(doc.db(), locked));

  resbuf* lines = kxutBuildList(KXRT_DXF0, L"LINE", 0);
  replies({L"ALL", L""});
  EXPECT_EQ(select(nullptr, nullptr, nullptr, lines), (std::vector<ObjectId>{a, locked}));
  replies({L"ALL", L""});
  EXPECT_EQ(select(L":L"), (std::vector<ObjectId>{a, c}));
  EXPECT_NE(printed.find(L"1 were on a locked layer."), std::wstring::npos);
  kxutRelRb(lines);

  const std::wstring handles = L"H " + handle(c) + L" " + handle(a) + L" 0";
  replies({L"L", handles.c_str(), L""});
  EXPECT_EQ(select(), (std::vector<ObjectId>{locked, c, a}));
  EXPECT_NE(printed.find(L"No entity has handle 0."), std::wstring::npos);
  replies({L"P", L"R", L"L", L""});
  EXPECT_EQ(select(), (std::vector<ObjectId>{c, a}));
  // A reply that is nothing a selection knows is refused; ^C cancels.
  replies({L"nonsense", L"^C"});
  int status = 0;
  select(nullptr, nullptr, nullptr, nullptr, &status);
  EXPECT_EQ(status, KXRT_CANCEL);
  EXPECT_NE(printed.find(L"*Invalid selection*"), std::wstring::npos);
  // The input ends inside the selection: cancelled too.
  replies({L"ALL"});
  select(nullptr, nullptr, nullptr, nullptr, &status);
  EXPECT_EQ(status, KXRT_CANCEL);
}

std::vector<std::wstring> calls;
resbuf* keywordCallback(const wchar_t* keyword) {
  calls.push_back(std::wstring(L"kw:") + keyword);
  if (std::wstring(keyword) == L"Done") return kxutBuildList(KXRT_STR, L"", 0);
  return nullptr;  // go on selecting
}
resbuf* otherCallback(const wchar_t* text) {
  calls.push_back(std::wstring(L"other:") + text);
  return nullptr;
}

TEST_F(SelectionPromptTest, KeywordCallbackAndOwnPrompts) {
  const ObjectId a = line(0, 0, 10, 0);
  calls.clear();
  ASSERT_EQ(kxedSSSetKwordCallbackPtr(keywordCallback), KXRT_NORM);
  ASSERT_EQ(kxedSSSetOtherCallbackPtr(otherCallback), KXRT_NORM);
  KxSSCallback got = nullptr;
  kxedSSGetKwordCallbackPtr(&got);
  EXPECT_EQ(got, &keywordCallback);

  const wchar_t* prompts[2] = {L"Pick lines or [Options/Done]: ", L"Drop lines: "};
  replies({L"o", L"5,0", L"whatever", L"r", L"do"});
  int status = 0;
  select(L"_:$:K", prompts, L"Options Done", nullptr, &status);
  EXPECT_EQ(status, KXRT_ERROR);  // the callback ended the selection with a result
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"kw:Options", L"other:whatever", L"kw:Done"}));
  EXPECT_NE(printed.find(L"Pick lines or [Options/Done]: o\n"), std::wstring::npos);
  EXPECT_NE(printed.find(L"Drop lines: do\n"), std::wstring::npos);

  // Callbacks that always go on: Enter finishes with what was picked.
  calls.clear();
  replies({L"o", L"5,0", L""});
  EXPECT_EQ(select(L":$:K", prompts, L"Options Done"), (std::vector<ObjectId>{a}));
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"kw:Options"}));

  // Without ":K" a keyword is other input.
  calls.clear();
  replies({L"Done", L""});
  select(nullptr, nullptr, L"Options Done", nullptr, &status);
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"other:Done"}));
}

}  // namespace
}  // namespace kx::editor
