// Prompts: replies read from the input source, refused and asked again, keywords, points,
// distances, angles, cancelling and picking entities (nested picks are with the block tests); then
// the interactive selection behind kxedSSGet: windows, crossings, remove mode, handles, last and
// previous, filters, locked layers, and the callbacks of keyword selections.

#include "editor/prompts.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <string_view>
#include <vector>

#include "db/header_values.h"
#include "db/layers.h"
#include "db/symbol_tables.h"
#include "editor/selection_prompt.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "support/drawing.h"
#include "support/sdk_fixture.h"

namespace kx::editor {
namespace {

using db::ObjectId;
using geom::Vec3;

constexpr double kPi = std::numbers::pi;

Vec3 asVec(const double p[3]) {
  return {p[0], p[1], p[2]};
}

class PromptsTest : public test::ReplyTest {
 protected:
  PromptsTest() : doc(openNew()) {}
  std::wstring handleOf(ObjectId id) const {
    wchar_t text[32];
    std::swprintf(text, 32, L"%llX", static_cast<unsigned long long>(doc.db().handle(id)));
    return text;
  }
  ObjectId nameToId(const kds_name name) const {
    return doc.db().fromEntityName({name[0], name[1]});
  }

  Document& doc;
};

// Lines through a pipe, as a script on standard input comes.
std::unique_ptr<LineReader> piped(std::string_view bytes) {
  int ends[2];
  EXPECT_EQ(::pipe(ends), 0);
  EXPECT_EQ(::write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  ::close(ends[1]);
  return std::make_unique<FileLineReader>(ends[0], true);
}

TEST(InputSource, QueuedLinesFirstThenTheReaderCommentsSkippedLinesNotTextMarked) {
  InputSource source;
  using namespace std::string_view_literals;
  source.setReader(
      piped("\xEF\xBB\xBF; a comment after a byte order mark\r\nfirst\r\n"
            "   ;indented comment\n\xC3\xA9t\xC3\xA9\n\xE9t\xE9\na\0b\nlast"sv));
  source.queue(L"-c line");
  source.queue(L";not a reply either");
  EXPECT_EQ(source.peek()->text, L"-c line");
  EXPECT_EQ(source.next()->text, L"-c line");
  EXPECT_EQ(source.next()->text, L"first");  // CR dropped
  EXPECT_EQ(source.next()->text, L"\u00e9t\u00e9");
  // Lines that cannot be replies come whole, with what is wrong with them shown.
  const std::optional<InputLine> latin1 = source.next();
  EXPECT_EQ(latin1->text, L"\\xE9t\\xE9");
  EXPECT_NE(latin1->fault.find(L"UTF-8"), std::wstring::npos);
  const std::optional<InputLine> zero = source.next();
  EXPECT_EQ(zero->text, L"a\\0b");
  EXPECT_NE(zero->fault.find(L"zero byte"), std::wstring::npos);
  EXPECT_EQ(source.next()->text, L"last");  // no line end after the last line
  EXPECT_TRUE(source.atEnd());
  EXPECT_FALSE(source.next());
  EXPECT_EQ(source.failure(), "");
}

TEST(InputSource, AReadErrorIsAFailureNotTheEnd) {
  InputSource source;
  // A folder opens for reading; reading it fails.
  source.setReader(std::make_unique<FileLineReader>(::open(KX_SOURCE_DIR, O_RDONLY), true));
  EXPECT_FALSE(source.next());
  EXPECT_NE(source.failure(), "");
}

TEST(KeywordList, AbbreviationsWholeWordsAndLocalGlobalHalves) {
  const KeywordList list(L"SEttings eXit width Ja Nein");
  EXPECT_EQ(list.match(L"se"), L"SEttings");
  EXPECT_EQ(list.match(L"SET"), L"SEttings");
  EXPECT_EQ(list.match(L"settings"), L"SEttings");
  EXPECT_FALSE(list.match(L"s"));
  EXPECT_FALSE(list.match(L"settingsx"));
  EXPECT_EQ(list.match(L"x"), L"eXit");
  EXPECT_EQ(list.match(L"exit"), L"eXit");
  EXPECT_FALSE(list.match(L"wid"));  // no capitals: whole word only
  EXPECT_EQ(list.match(L"WIDTH"), L"width");

  const KeywordList translated(L"Ja Nein _ Yes No");
  EXPECT_EQ(translated.match(L"j"), L"Yes");
  EXPECT_EQ(translated.match(L"nein"), L"No");
  EXPECT_FALSE(translated.match(L"y"));          // the returned words are not typed ...
  EXPECT_EQ(translated.match(L"_yes"), L"Yes");  // ... unless marked as such
  EXPECT_EQ(translated.match(L"_N"), L"No");
}

TEST_F(PromptsTest, FlagsRefuseAndAskAgainForTheNextPromptOnly) {
  replies({L"", L"0", L"-2", L"abc", L"3.5", L"", L"2.5", L"7", L"-1"});
  double real = 0;
  kxedInitGet(KXINP_NONULL | KXINP_NOZERO | KXINP_NONEG, nullptr);
  EXPECT_EQ(kxedGetReal(L"Height: ", &real), KXRT_NORM);
  EXPECT_EQ(real, 3.5);
  EXPECT_EQ(count(L"Height: "), 5);
  EXPECT_EQ(count(L"Requires a positive number."), 2);  // zero and -2
  EXPECT_EQ(count(L"Requires numeric value."), 2);      // Enter and "abc"
  EXPECT_NE(printed.find(L"Height: 3.5\n"), std::wstring::npos);

  // The flags are gone: Enter is an empty reply now.
  EXPECT_EQ(kxedGetReal(L"Again: ", &real), KXRT_NONE);

  int n = 0;
  kxedInitGet(KXINP_NOZERO, nullptr);
  EXPECT_EQ(kxedGetInt(L"Count: ", &n), KXRT_NORM);  // 2.5 refused, 7 taken
  EXPECT_EQ(n, 7);
  EXPECT_EQ(count(L"Requires an integer"), 1);
  kxedInitGet(KXINP_NOZERO, nullptr);
  EXPECT_EQ(kxedGetInt(L"Count: ", &n), KXRT_NORM);  // negative allowed without flag 4
  EXPECT_EQ(n, -1);
}

TEST_F(PromptsTest, KeywordsAndArbitraryInput) {
  replies({L"wrong", L"se", L"j", L"10,20", L"hello there", L"Ja", L"free text", L"x"});
  wchar_t word[64];
  kxedInitGet(0, L"SEttings Ja Nein _ SEttings Yes No");
  EXPECT_EQ(kxedGetKword(L"Option: ", word, 64), KXRT_NORM);
  EXPECT_STREQ(word, L"SEttings");
  EXPECT_EQ(count(L"Invalid option keyword."), 1);

  // At a point prompt a keyword is KXRT_KWORD; a point still is a point.
  double p[3];
  kxedInitGet(0, L"Ja Nein _ Yes No");
  EXPECT_EQ(kxedGetPoint(nullptr, L"Point: ", p), KXRT_KWORD);
  EXPECT_EQ(kxedGetInput(word, 64), KXRT_NORM);
  EXPECT_STREQ(word, L"Yes");
  kxedInitGet(KXINP_ARBITRARY, L"Ja");
  EXPECT_EQ(kxedGetPoint(nullptr, L"Point: ", p), KXRT_NORM);
  EXPECT_EQ(p[0], 10);
  // A blank ends arbitrary text as Enter would, and the rest answers the next prompt.
  auto textAtPoint = [&] {
    kxedInitGet(KXINP_ARBITRARY, L"Ja");
    EXPECT_EQ(kxedGetPoint(nullptr, L"Point: ", p), KXRT_KWORD);
    kxedGetInput(word, 64);
    return std::wstring(word);
  };
  EXPECT_EQ(textAtPoint(), L"hello");
  EXPECT_EQ(textAtPoint(), L"there");
  EXPECT_EQ(textAtPoint(), L"Ja");  // a keyword wins over text

  wchar_t small[5];
  EXPECT_EQ(kxedGetString(1, L"Name: ", small, 0), KXRT_ERROR);  // no room at all: not asked
  EXPECT_EQ(kxedGetString(1, L"Name: ", small, 5), KXRT_NORM);   // cut to fit
  EXPECT_STREQ(small, L"free");
  // Without flag 128 a text that is no point is refused; the input then ends: cancel.
  EXPECT_EQ(kxedGetPoint(nullptr, L"Point: ", p), KXRT_CANCEL);
  EXPECT_EQ(count(L"Point or option keyword required."), 1);
}

TEST_F(PromptsTest, PointsAbsoluteRelativeAndPolar) {
  replies({L"10,20", L"@5,-5", L"1,2,3", L"@", L"@10<90", L"@1,1,1", L"3<0"});
  double p[3];
  ASSERT_EQ(kxedGetPoint(nullptr, L"From: ", p), KXRT_NORM);
  EXPECT_EQ(asVec(p), (Vec3{10, 20, 0}));
  ASSERT_EQ(kxedGetPoint(p, L"To: ", p), KXRT_NORM);  // from the base
  EXPECT_EQ(asVec(p), (Vec3{15, 15, 0}));
  ASSERT_EQ(kxedGetPoint(nullptr, L"P: ", p), KXRT_NORM);
  EXPECT_EQ(asVec(p), (Vec3{1, 2, 3}));
  ASSERT_EQ(kxedGetPoint(nullptr, L"P: ", p), KXRT_NORM);  // '@' alone: the last point
  EXPECT_EQ(asVec(p), (Vec3{1, 2, 3}));
  ASSERT_EQ(kxedGetPoint(nullptr, L"P: ", p), KXRT_NORM);
  EXPECT_NEAR(p[0], 1, 1e-12);
  EXPECT_NEAR(p[1], 12, 1e-12);
  const double base[3] = {100, 100, 100};
  ASSERT_EQ(kxedGetPoint(base, L"P: ", p), KXRT_NORM);
  EXPECT_EQ(asVec(p), (Vec3{101, 101, 101}));
  ASSERT_EQ(kxedGetPoint(nullptr, L"P: ", p), KXRT_NORM);
  EXPECT_EQ(asVec(p), (Vec3{3, 0, 0}));
  EXPECT_NE(printed.find(L"From: 10,20\nTo: @5,-5\n"), std::wstring::npos);
}

TEST_F(PromptsTest, DistancesByNumberAndByPoints) {
  replies({L"7.5", L"3,4", L"1,1", L"4,5", L"-2", L"2", L"3,4,12"});
  double d = 0;
  const double base[3] = {0, 0, 0};
  EXPECT_EQ(kxedGetDist(base, L"Distance: ", &d), KXRT_NORM);
  EXPECT_EQ(d, 7.5);
  EXPECT_EQ(kxedGetDist(base, L"Distance: ", &d), KXRT_NORM);
  EXPECT_NEAR(d, 5, 1e-12);
  EXPECT_EQ(kxedGetDist(nullptr, L"Distance: ", &d), KXRT_NORM);  // two points
  EXPECT_NEAR(d, 5, 1e-12);
  EXPECT_NE(printed.find(L"Specify second point: 4,5\n"), std::wstring::npos);
  kxedInitGet(KXINP_NONEG, nullptr);
  EXPECT_EQ(kxedGetDist(base, L"Distance: ", &d), KXRT_NORM);
  EXPECT_EQ(d, 2);
  EXPECT_EQ(count(L"Requires a positive number."), 1);
  kxedInitGet(KXINP_2D, nullptr);
  EXPECT_EQ(kxedGetDist(base, L"Distance: ", &d), KXRT_NORM);
  EXPECT_NEAR(d, 5, 1e-12);  // z ignored
}

TEST_F(PromptsTest, OrthoModeSquaresPicksFromABaseButNotTypedAngles) {
  db::setHeaderInteger(doc.db(), "$ORTHOMODE", 70, 1);
  replies({L"3,4", L"4,-1", L"1,1", L"2,5", L"@5<45", L"7,2"});
  double d = 0, p[3];
  const double base[3] = {0, 0, 0};
  EXPECT_EQ(kxedGetDist(base, L"Distance: ", &d), KXRT_NORM);
  EXPECT_NEAR(d, 4, 1e-12);
  EXPECT_EQ(kxedGetPoint(base, L"Point: ", p), KXRT_NORM);
  EXPECT_EQ(asVec(p), (Vec3{4, 0, 0}));
  EXPECT_EQ(kxedGetDist(nullptr, L"Distance: ", &d), KXRT_NORM);  // the second point squared
  EXPECT_NEAR(d, 4, 1e-12);
  EXPECT_EQ(kxedGetDist(base, L"Distance: ", &d), KXRT_NORM);
  EXPECT_NEAR(d, 5, 1e-12);
  EXPECT_EQ(kxedGetPoint(nullptr, L"Point: ", p), KXRT_NORM);  // no base: nothing to square to
  EXPECT_EQ(asVec(p), (Vec3{7, 2, 0}));
}

TEST_F(PromptsTest, AnglesInDegreesAndByPoint) {
  replies({L"90", L"-90", L"1,1", L"5,5", L"5,6", L"90", L"0,1"});
  double a = 0;
  const double base[3] = {0, 0, 0};
  EXPECT_EQ(kxedGetOrient(nullptr, L"Angle: ", &a), KXRT_NORM);
  EXPECT_NEAR(a, kPi / 2, 1e-12);
  EXPECT_EQ(kxedGetOrient(nullptr, L"Angle: ", &a), KXRT_NORM);
  EXPECT_NEAR(a, 1.5 * kPi, 1e-12);  // kept in [0, 2 pi)
  EXPECT_EQ(kxedGetOrient(base, L"Angle: ", &a), KXRT_NORM);
  EXPECT_NEAR(a, kPi / 4, 1e-12);
  EXPECT_EQ(kxedGetOrient(nullptr, L"Angle: ", &a), KXRT_NORM);  // two points
  EXPECT_NEAR(a, kPi / 2, 1e-12);

  // With the angle base at 90 degrees, typed angles count from it; the answer is from east.
  db::setHeaderReal(doc.db(), "$ANGBASE", kPi / 2);
  EXPECT_EQ(kxedGetOrient(nullptr, L"Angle: ", &a), KXRT_NORM);
  EXPECT_NEAR(a, kPi, 1e-12);
  EXPECT_EQ(kxedGetOrient(base, L"Angle: ", &a), KXRT_NORM);  // a point: no base applied
  EXPECT_NEAR(a, kPi / 2, 1e-12);
}

TEST_F(PromptsTest, CancelAndEndOfInput) {
  replies({L"^c", L"  ^C  "});
  double p[3];
  EXPECT_EQ(kxedGetPoint(nullptr, L"Point: ", p), KXRT_CANCEL);
  wchar_t text[16];
  EXPECT_EQ(kxedGetString(1, L"Text: ", text, 16), KXRT_CANCEL);
  EXPECT_EQ(count(L"*Cancel*"), 2);
  // The input has ended: every prompt is cancelled, with the prompt still in the transcript.
  double d;
  EXPECT_EQ(kxedGetDist(nullptr, L"Last: ", &d), KXRT_CANCEL);
  EXPECT_NE(printed.find(L"Last: \n"), std::wstring::npos);
  kds_name e;
  EXPECT_EQ(kxedEntSel(nullptr, e, p), KXRT_CANCEL);
}

TEST_F(PromptsTest, PicksByPointAndHandle) {
  const double a[3] = {0, 0, 0}, b[3] = {100, 0, 0}, c[3] = {50, 50, 0}, t[3] = {10, 80, 0};
  const ObjectId line = made(kxutBuildList(KXRT_DXF0, L"LINE", 10, a, 11, b, 0));
  const ObjectId circle = made(kxutBuildList(KXRT_DXF0, L"CIRCLE", 10, c, 40, 10.0, 0));
  const ObjectId text = made(kxutBuildList(KXRT_DXF0, L"TEXT", 1, L"Label", 40, 5.0, 10, t, 0));
  const ObjectId over = made(kxutBuildList(KXRT_DXF0, L"LINE", 10, a, 11, b, 0));  // on top
  // Open: 50,30 lies on the side it does not have.
  const double v1[3] = {20, 20, 0}, v2[3] = {80, 20, 0}, v3[3] = {80, 40, 0};
  made(kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 90, 3, 70, 0, 10, v1, 10, v2, 10, v3, 0));
  // A diamond picked at its middle, level with two of its corners.
  const double left[3] = {130, 50, 0}, low[3] = {150, 30, 0}, right[3] = {170, 50, 0},
               high[3] = {150, 70, 0};
  const ObjectId diamond =
      made(kxutBuildList(KXRT_DXF0, L"SOLID", 10, left, 11, low, 12, high, 13, right, 0));
  const std::wstring hline = L"h " + handleOf(line);
  replies(
      {L"50,30", L"50,0.1", L"60,50.2", L"12,81", L"150,50", hline.c_str(), L"H FFFFFF", L"0,0"});
  kds_name e;
  double p[3];
  EXPECT_EQ(kxedEntSel(L"Pick: ", nullptr, p), KXRT_ERROR);  // nowhere to put it: not asked
  ASSERT_EQ(kxedEntSel(L"Pick: ", e, p), KXRT_NORM);         // 50,30 misses, asked again
  EXPECT_EQ(count(L"Nothing selected."), 1);
  EXPECT_EQ(nameToId(e), over);
  EXPECT_EQ(asVec(p), (Vec3{50, 0.1, 0}));
  ASSERT_EQ(kxedEntSel(L"Pick: ", e, p), KXRT_NORM);
  EXPECT_EQ(nameToId(e), circle);
  ASSERT_EQ(kxedEntSel(L"Pick: ", e, p), KXRT_NORM);  // inside the text's box
  EXPECT_EQ(nameToId(e), text);
  ASSERT_EQ(kxedEntSel(L"Pick: ", e, p), KXRT_NORM);
  EXPECT_EQ(nameToId(e), diamond);
  ASSERT_EQ(kxedEntSel(L"Pick: ", e, p), KXRT_NORM);
  EXPECT_EQ(nameToId(e), line);
  EXPECT_EQ(asVec(p), (Vec3{50, 0, 0}));              // picked by handle: at the middle of its box
  ASSERT_EQ(kxedEntSel(L"Pick: ", e, p), KXRT_NORM);  // unknown handle refused, then a point
  EXPECT_EQ(count(L"No entity has that handle."), 1);
  EXPECT_EQ(nameToId(e), over);

  // Picks are made in the current UCS: a UCS moved by (0, 50) sees the circle's bottom at 0,-10.
  Ucs ucs;
  ucs.origin = {0, 50, 0};
  doc.setUcs(ucs);
  replies({L"50,-10"});
  ASSERT_EQ(kxedEntSel(L"Pick: ", e, p), KXRT_NORM);
  EXPECT_EQ(nameToId(e), circle);
}

class SelectionPromptTest : public PromptsTest {
 protected:
  SelectionPromptTest() {
    installSelectionPrompter();
    Session::instance().selectionSets().callbacks = {};
  }
  ~SelectionPromptTest() override {
    Session::instance().selectionSets().prompter = nullptr;
    Session::instance().selectionSets().callbacks = {};
  }
  ObjectId line(double x1, double y1, double x2, double y2, const wchar_t* layer = L"0") {
    const double a[3] = {x1, y1, 0}, b[3] = {x2, y2, 0};
    return made(kxutBuildList(KXRT_DXF0, L"LINE", 8, layer, 10, a, 11, b, 0));
  }
  ObjectId circle(double x, double y, double r) {
    const double c[3] = {x, y, 0};
    return made(kxutBuildList(KXRT_DXF0, L"CIRCLE", 10, c, 40, r, 0));
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
  // Enter at a corner prompt leaves the window and goes on selecting.
  replies({L"W", L"-1,-1", L"", L"105,105", L""});
  EXPECT_EQ(select(), (std::vector<ObjectId>{far}));
  // Picking one twice keeps it once.
  replies({L"105,105", L"105,105", L""});
  EXPECT_EQ(select(), (std::vector<ObjectId>{far}));
  EXPECT_NE(printed.find(L"(1 duplicate)"), std::wstring::npos);
  // Enter with nothing picked: no set, and the no-input result.
  replies({L"500,500", L""});
  int status = 0;
  EXPECT_TRUE(select(nullptr, nullptr, nullptr, nullptr, &status).empty());
  EXPECT_EQ(status, KXRT_NONE);
}

TEST_F(SelectionPromptTest, AllLastPreviousHandlesFilterAndLockedLayers) {
  // Last in an empty drawing finds nothing and says so as a count, as a window does.
  replies({L"L", L""});
  EXPECT_TRUE(select().empty());
  EXPECT_NE(printed.find(L"0 found, 0 total"), std::wstring::npos);
  test::addLayer(doc.db(), L"Fixed", 7, 4);
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

  const std::wstring handles = L"H " + handleOf(c) + L" " + handleOf(a) + L" 0";
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
  ASSERT_EQ(kxedSSGetOtherCallbackPtr(&got), KXRT_NORM);
  EXPECT_EQ(got, &otherCallback);
  EXPECT_EQ(kxedSSGetOtherCallbackPtr(nullptr), KXRT_ERROR);

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
