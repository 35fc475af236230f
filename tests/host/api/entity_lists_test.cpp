// kxdbEntGet / kxdbEntMod over every entity type a drawing holds, and the entity walk.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <set>
#include <sstream>
#include <string>

#include <fmt/format.h>

#include "api/host_names.h"
#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/groups.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "kx/kxdb.h"
#include "kx/kxsdk.h"
#include "support/drawing.h"
#include "support/ezdxf.h"
#include "support/sdk_fixture.h"
#include "text/text_entity.h"

namespace {

namespace fs = std::filesystem;
using kx::db::ObjectId;

using kx::test::haveEzdxf;
using kx::test::RbList;

// The oracle's R2018 sample: every entity type the database knows, with xdata, reactors and
// extension dictionaries. Made once per run by ezdxf.
const std::string& sampleR2018() {
  static const std::string text = [] {
    const kx::test::TempFolder folder("entity-lists");
    const fs::path out = folder / "sample_R2018.dxf";
    const std::string command =
        "PYTHONHASHSEED=0 /usr/bin/python3 -c \"import sys; sys.path.insert(0, '" KX_SOURCE_DIR
        "/tests/oracle'); import make_drawings, ezdxf; "
        "ezdxf.options.write_fixed_meta_data_for_testing = True; "
        "make_drawings.build_sample('R2018').saveas(sys.argv[1])\" " +
        out.string() + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return std::string();
    return kx::test::readFile(out);
  }();
  return text;
}

class EntityListTest : public kx::test::SdkTest {
 protected:
  kx::editor::Document& openSample() {
    if (!haveEzdxf() || sampleR2018().empty()) return openNew();
    return open(kx::db::readDxf(sampleR2018(), "sample_R2018.dxf").db);
  }
  kx::db::Database& db() { return kx::editor::Session::instance().active()->db(); }
  std::string saved() { return kx::db::writeDxf(db()); }
  void nameOf(ObjectId id, kds_name name) { kx::api::setName(name, db(), id); }

  // Every live record of the ENTITIES and BLOCKS sections, by type.
  std::map<std::string, std::vector<ObjectId>> entitiesByType() {
    std::map<std::string, std::vector<ObjectId>> out;
    for (const char* s : {"ENTITIES", "BLOCKS"})
      if (const auto* section = db().findSection(s))
        for (ObjectId id : section->records) out[std::string(db().typeName(id))].push_back(id);
    return out;
  }
};

TEST_F(EntityListTest, UnchangedListOfEveryTypeLeavesTheFileByteIdentical) {
  if (!haveEzdxf() || sampleR2018().empty()) GTEST_SKIP() << "python3-ezdxf is not installed";
  openSample();
  const auto byType = entitiesByType();
  for (const char* type : {"TEXT", "MTEXT", "ATTDEF", "ATTRIB", "INSERT", "LINE", "CIRCLE", "ARC",
                           "LWPOLYLINE", "POLYLINE", "VERTEX", "SOLID", "3DFACE", "WIPEOUT",
                           "HATCH", "DIMENSION", "LEADER", "MULTILEADER", "POINT"}) {
    SCOPED_TRACE(type);
    ASSERT_TRUE(byType.count(type)) << "the sample has no " << type;
  }
  const std::string before = saved();
  std::size_t lists = 0;
  for (const auto& [type, ids] : byType) {
    for (ObjectId id : ids) {
      SCOPED_TRACE(type);
      kds_name name;
      nameOf(id, name);
      RbList list(kxdbEntGet(name));
      if (type == "SECTION" || type == "ENDSEC") {
        EXPECT_EQ(list.head, nullptr);
        continue;
      }
      ASSERT_NE(list.head, nullptr);
      EXPECT_EQ(list.head->code, -1);
      EXPECT_TRUE(kds_name_equal(list.head->value.name, name));
      EXPECT_EQ(std::wstring(list.find(0)->value.string), std::wstring(type.begin(), type.end()));
      if (db().isType(id, "LWPOLYLINE")) {
        // One element per vertex, z 0, with its widths and bulge after it.
        const long long count = kx::db::FieldReader(db(), id).integer(90);
        EXPECT_NE(list.find(10, static_cast<int>(count - 1)), nullptr);
        EXPECT_EQ(list.find(10, static_cast<int>(count)), nullptr);
        EXPECT_EQ(list.find(10)->value.point[2], 0.0);
        EXPECT_EQ(list.find(20), nullptr);
      }
      // Each kind of text reports its own vertical justification group, stored or not.
      if (type == "TEXT" || type == "ATTDEF" || type == "ATTRIB") {
        EXPECT_EQ(list.find(74) != nullptr, type != "TEXT");
      }
      // The owner is a name, not repeated later as text.
      const resbuf* owner = list.find(330);
      ASSERT_NE(owner, nullptr);
      EXPECT_EQ(kx::api::resolve(owner->value.name).id, db().owner(id));
      if (!list.find(102)) {
        EXPECT_EQ(list.find(330, 1), nullptr);
      }
      if (!db().isErased(id)) {
        const int status = kxdbEntMod(list.head);
        // Entities on the sample's locked layer are refused; everything else takes its own list.
        if (kx::db::FieldReader(db(), id).string(8) != L"Locked") {
          EXPECT_EQ(status, KXRT_NORM);
        }
      }
      ++lists;
    }
  }
  EXPECT_GT(lists, 40u);
  // A list of nothing but the height an aligned text was read with, worked out from its points
  // and not the one its writer stored, changes nothing either.
  int aligned = 0;
  for (ObjectId id : byType.at("TEXT")) {
    const kx::db::FieldReader stored(db(), id);
    if (stored.integer(72) != 3 || stored.integer(73) != 0) continue;
    kds_name name;
    nameOf(id, name);
    const double height = RbList(kxdbEntGet(name)).find(40)->value.real;
    EXPECT_NE(height, stored.real(40));
    kds_name other;
    nameOf(byType.at("LINE").front(), other);
    kxutRelRb(kxdbEntGet(other));  // what the host kept of the text's read is gone
    RbList only(kxutBuildList(-1, name, 40, height, 0));
    EXPECT_EQ(kxdbEntMod(only.head), KXRT_NORM);
    ++aligned;
  }
  EXPECT_GT(aligned, 0);
  EXPECT_EQ(saved(), before);
}

// Lists of an R12 drawing (no handles, the layer first): a list read from an unplaced text with a
// character beyond ASCII, or from one whose contents hold an escape, given back unchanged, changes
// nothing; an aligned text that stores no
// rotation or width factor lists those its two points give; new groups land after the element
// before them; an entity of an unknown type is one.
TEST_F(EntityListTest, ListsOfAnR12DrawingKeepAndPlaceItsGroups) {
  open(kx::db::readDxf("0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n"
                       "0\nSECTION\n2\nENTITIES\n0\nTEXT\n8\n0\n10\n0\n20\n0\n40\n2\n1\na\x80"
                       "c\n"
                       "72\n1\n11\n5\n21\n0\n0\nTEXT\n8\n0\n10\n0\n20\n0\n40\n2\n1\nab\n"
                       "72\n3\n11\n10\n21\n10\n0\nTEXT\n8\n0\n10\n0\n20\n0\n40\n2\n1\n\\U+"
                       "00E9\n0\nKXSHAPE\n8\n0\n10\n1\n20\n1\n0\nENDSEC\n"
                       "0\nEOF\n",
                       "r12.dxf")
           .db);
  kds_name text, aligned, escaped;
  ASSERT_EQ(kxdbEntNext(nullptr, text), KXRT_NORM);
  ASSERT_EQ(kxdbEntNext(text, aligned), KXRT_NORM);
  ASSERT_EQ(kxdbEntNext(aligned, escaped), KXRT_NORM);
  const std::string before = saved();
  EXPECT_EQ(kxdbEntMod(RbList(kxdbEntGet(text)).head), KXRT_NORM);
  EXPECT_EQ(kxdbEntMod(RbList(kxdbEntGet(escaped)).head), KXRT_NORM);
  RbList list(kxdbEntGet(aligned));
  EXPECT_NEAR(list.find(50)->value.real, std::numbers::pi / 4, 1e-12);
  EXPECT_EQ(list.find(41)->value.real, 1.0);
  EXPECT_NE(list.find(40)->value.real, 2.0);
  EXPECT_EQ(kxdbEntMod(list.head), KXRT_NORM);
  EXPECT_EQ(saved(), before);
  // A new group goes right after the element before it, whether that holds the placed point
  // (listed as placed, stored as the writer left it) or a value as stored, and a second one right
  // after the first. The list has no handle to give.
  RbList first(kxdbEntGet(text));
  EXPECT_EQ(first.find(5), nullptr);
  for (const auto& [after, added] :
       {std::pair{10, kxutBuildList(284, 1, 0)}, std::pair{40, kxutBuildList(380, 1, 440, 1, 0)}}) {
    resbuf* last = added;
    while (last->next) last = last->next;
    last->next = first.find(after)->next;
    first.find(after)->next = added;
  }
  EXPECT_EQ(kxdbEntMod(first.head), KXRT_NORM);
  EXPECT_NE(saved().find("\n20\n0\n284\n1\n40\n2\n380\n1\n440\n1\n1\na\x80"
                         "c\n"),
            std::string::npos);
  // An entity of a type no table knows, in a drawing without subclass markers, is one; a point
  // added to it goes without a z of 0, as the drawing's points are written; a z given to a stored
  // point goes in after its y.
  kds_name shape;
  ASSERT_EQ(kxdbEntNext(escaped, shape), KXRT_NORM);
  RbList shapeList(kxdbEntGet(shape));
  shapeList.find(10)->value.point[2] = 4;
  const double flat[3] = {2, 3, 0};
  resbuf* added = kxutBuildList(11, flat, 0);
  added->next = shapeList.find(10)->next;
  shapeList.find(10)->next = added;
  EXPECT_EQ(kxdbEntMod(shapeList.head), KXRT_NORM);
  EXPECT_NE(saved().find("\n10\n1\n20\n1\n30\n4.0\n11\n2.0\n21\n3.0\n0\nENDSEC"),
            std::string::npos);
  EXPECT_EQ(kxdbEntDel(shape), KXRT_NORM);
}

TEST_F(EntityListTest, ChangedValuesLandInTheirGroupsAndEzdxfReadsThemBack) {
  if (!haveEzdxf() || sampleR2018().empty()) GTEST_SKIP() << "python3-ezdxf is not installed";
  openSample();
  auto byType = entitiesByType();
  auto unlocked = [&](const std::string& type) {
    for (ObjectId id : byType.at(type))
      if (!db().isErased(id) && kx::db::FieldReader(db(), id).string(8) != L"Locked" &&
          db().owner(id) == kx::db::findBlockRecord(db(), "*Model_Space"))
        return id;
    return ObjectId();
  };
  kds_name name;

  // A circle: new radius, new centre, new colour and transparency (groups it did not have), then
  // another transparency.
  const ObjectId circle = unlocked("CIRCLE");
  nameOf(circle, name);
  {
    RbList list(kxdbEntGet(name));
    list.find(40)->value.real = 12.5;
    list.find(10)->value.point[0] = 101.25;
    resbuf* tail = list.head;
    while (tail->next) tail = tail->next;
    tail->next = kxutBuildList(62, 3, 440, 0x0200007F, 0);
    ASSERT_EQ(kxdbEntMod(list.head), KXRT_NORM);
    RbList again(kxdbEntGet(name));
    again.find(440)->value.int32 = 0x02000040;
    ASSERT_EQ(kxdbEntMod(again.head), KXRT_NORM);
  }
  // An arc: angles go in as radians and are stored in degrees.
  const ObjectId arc = unlocked("ARC");
  nameOf(arc, name);
  {
    RbList list(kxdbEntGet(name));
    EXPECT_NEAR(list.find(50)->value.real, kx::db::FieldReader(db(), arc).angle(50), 1e-15);
    list.find(51)->value.real = std::numbers::pi / 2;
    ASSERT_EQ(kxdbEntMod(list.head), KXRT_NORM);
    EXPECT_EQ(kx::db::FieldReader(db(), arc).real(51), 90.0);
  }
  // A polyline: the second vertex moves and takes a bulge it lacked, the last vertex moves and a
  // vertex is added after it, and counted; vertices take no z, whatever the list says (their
  // height is the polyline's elevation).
  const ObjectId poly = unlocked("LWPOLYLINE");
  nameOf(poly, name);
  const long long vertices = kx::db::FieldReader(db(), poly).integer(90);
  {
    RbList list(kxdbEntGet(name));
    list.find(10, static_cast<int>(vertices) - 1)->value.point[1] = -77.5;
    list.find(10, static_cast<int>(vertices) - 1)->value.point[2] = 2.5;
    resbuf* second = list.find(10, 1);
    second->value.point[0] = 21;
    resbuf* bulge = kxutBuildList(42, 0.75, 0);
    bulge->next = second->next;
    second->next = bulge;
    resbuf* tail = list.head;
    while (tail->next && tail->next->code < 1000) tail = tail->next;
    const double extra[3] = {-5, -6, 0};
    resbuf* added = kxutBuildList(10, extra, 42, 0.25, 0);
    added->next->next = tail->next;
    tail->next = added;
    ASSERT_EQ(kxdbEntMod(list.head), KXRT_NORM);
    EXPECT_EQ(kx::db::FieldReader(db(), poly).integer(90), vertices + 1);
    for (const kx::dxf::Tag& t : db().tags(poly)) EXPECT_NE(t.code, 30);
    // The same vertices given a z again, moved in place this time.
    RbList again(kxdbEntGet(name));
    again.find(10)->value.point[2] = 4;
    ASSERT_EQ(kxdbEntMod(again.head), KXRT_NORM);
    for (const kx::dxf::Tag& t : db().tags(poly)) EXPECT_NE(t.code, 30);
  }
  // Extended data after a polyline's vertices stays when a list that leaves it out adds a vertex
  // and moves a bulge to the next vertex.
  const double v[3] = {0, 0, 0}, w[3] = {1, 1, 0};
  nameOf(made(kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 10, v, 42, 0.5, 10, w, 1001, L"KX", 1000,
                            L"kept", 0)),
         name);
  ASSERT_EQ(kxdbEntMod(RbList(kxutBuildList(-1, name, 10, v, 10, w, 42, 0.5, 10, v, 0)).head),
            KXRT_NORM);
  EXPECT_NE(saved().find("\n 20\n0.0\n 10\n1.0\n 20\n1.0\n 42\n0.5\n 10\n0.0\n 20\n0.0\n1001\nKX\n"
                         "1000\nkept\n"),
            std::string::npos);
  // New extended data given before groups of the entity's own still ends its record.
  nameOf(made(kxutBuildList(KXRT_DXF0, L"LINE", 10, v, 11, w, 0)), name);
  ASSERT_EQ(kxdbEntMod(RbList(kxutBuildList(-1, name, 10, v, 1001, L"KX", 11, w, 0)).head),
            KXRT_NORM);
  EXPECT_NE(saved().find("\n 21\n1.0\n 31\n0.0\n1001\nKX\n  0\n"), std::string::npos);
  // Vertices given to a polyline that had none go before its extended data, and a new point of
  // extended data right after the group before it, with its z of 0 as this drawing's points have.
  nameOf(made(kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 1001, L"KX", 1000, L"kept", 1005, L"1F", 0)),
         name);
  ASSERT_EQ(kxdbEntMod(RbList(kxutBuildList(-1, name, 10, w, 1001, L"KX", 1010, w, 0)).head),
            KXRT_NORM);
  EXPECT_NE(
      saved().find("\n 20\n1.0\n1001\nKX\n1010\n1.0\n1020\n1.0\n1030\n0.0\n1000\nkept\n1005\n1F\n"),
      std::string::npos);
  // Types whose groups the tables know in part take groups new to them, of whatever code.
  for (const auto& [type, code] :
       {std::pair{"DIMENSION", 72}, {"LEADER", 75}, {"MULTILEADER", 280}, {"WIPEOUT", 284}}) {
    nameOf(unlocked(type), name);
    EXPECT_EQ(kxdbEntMod(RbList(kxutBuildList(-1, name, code, 1, 0)).head), KXRT_NORM) << type;
  }
  // A text string, with a non-ASCII character.
  const ObjectId text = unlocked("TEXT");
  nameOf(text, name);
  {
    RbList list(kxdbEntGet(name));
    kxutUpdString(L"Grüße 42", &list.find(1)->value.string);
    ASSERT_EQ(kxdbEntMod(list.head), KXRT_NORM);
  }
  // A text given in one list a rotation it lacked, which goes in before its width factor, and a
  // new width factor: each value lands in its own group.
  {
    const double at[3] = {1, 2, 0};
    kds_name made;
    RbList text(kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"w", 41, 0.8, 0));
    ASSERT_EQ(kxdbEntMakeX(text.head, made), KXRT_NORM);
    RbList change(kxutBuildList(-1, made, 50, std::numbers::pi / 6, 41, 0.625, 0));
    ASSERT_EQ(kxdbEntMod(change.head), KXRT_NORM);
    const kx::db::FieldReader fields(db(), kx::api::resolve(made).id);
    EXPECT_EQ(fields.real(50), 30.0);
    EXPECT_EQ(fields.real(41), 0.625);
  }
  // A centred text read once (its line laid out) and then given a width factor it lacked is laid
  // out again: it stands where a fresh layout puts it.
  {
    const double at[3] = {5, 5, 0};
    kds_name made;
    RbList text(
        kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"centred", 72, 1, 11, at, 73, 2, 0));
    ASSERT_EQ(kxdbEntMakeX(text.head, made), KXRT_NORM);
    RbList read(kxdbEntGet(made));
    RbList change(kxutBuildList(-1, made, 41, 0.5, 0));
    ASSERT_EQ(kxdbEntMod(change.head), KXRT_NORM);
    const ObjectId id = kx::api::resolve(made).id;
    const kx::db::Point3 stored = kx::db::FieldReader(db(), id).point(10);
    const kx::text::TextEntity fresh = kx::text::readTextPlacement(db(), id);
    EXPECT_EQ(stored.x, fresh.insertion.x);
    EXPECT_EQ(stored.y, fresh.insertion.y);
  }

  auto hex = [&](ObjectId id) { return fmt::format("'{:X}'", db().handle(id)); };
  const kx::test::EzdxfRun run = kx::test::readWithEzdxf(
      db(), fmt::format(R"(c, a, p, t = (doc.entitydb[h] for h in ({}, {}, {}, {}))
pts = p.get_points('xyb')
sys.stdout.buffer.write(('%r %r %d %d %r %d %r %r %r %s' % (c.dxf.radius, c.dxf.center.x,
    c.dxf.color, c.dxf.transparency, a.dxf.end_angle, len(pts), pts[1], pts[-2][1], pts[-1],
    t.dxf.text)).encode()))",
                        hex(circle), hex(arc), hex(poly), hex(text)));
  ASSERT_TRUE(run.ok);
  EXPECT_EQ(run.printed, "12.5 101.25 3 33554496 90.0 " + std::to_string(vertices + 1) +
                             " (21.0, 40.0, 0.75) -77.5 (-5.0, -6.0, 0.25) Gr\xC3\xBC\xC3\x9F"
                             "e 42");

  // A text whose vertical mode comes after a stray 73 in its first part: the list gives the mode
  // first among its code, a missing mode (72) where the code would come, before the extended data,
  // and the first 73 written changes the mode, not the stray group.
  open(kx::db::readDxf("0\nSECTION\n2\nENTITIES\n0\nTEXT\n5\n2A\n100\nAcDbEntity\n8\n0\n"
                       "100\nAcDbText\n10\n1.0\n20\n2.0\n30\n0.0\n40\n2.5\n1\nabc\n73\n7\n"
                       "100\nAcDbText\n73\n3\n1001\nAPP\n1000\nx\n0\nENDSEC\n0\nEOF\n",
                       "stray.dxf")
           .db);
  const ObjectId stray = db().findSection("ENTITIES")->records[1];
  const std::string unchanged = saved();
  kds_name strayName;
  nameOf(stray, strayName);
  RbList read(kxdbEntGet(strayName));
  std::vector<int> codes;
  for (const resbuf* rb = read.head; rb; rb = rb->next) codes.push_back(rb->code);
  EXPECT_EQ(codes, (std::vector<int>{-1,  0, 5,  100, 8,  100, 10, 40, 1,   73,   73,
                                     100, 7, 11, 41,  50, 51,  71, 72, 210, 1001, 1000}));
  EXPECT_EQ(read.find(73)->value.int16, 3);
  EXPECT_EQ(read.find(73, 1)->value.int16, 7);
  EXPECT_EQ(kxdbEntMod(read.head), KXRT_NORM);
  EXPECT_EQ(saved(), unchanged);
  // The same after a thickness the text lacked, given before the modes, moved the groups.
  read.find(73)->value.int16 = 1;
  resbuf* thickness = kxutBuildList(39, 0.5, 0);
  thickness->next = read.find(1)->next;
  read.find(1)->next = thickness;
  EXPECT_EQ(kxdbEntMod(read.head), KXRT_NORM);
  EXPECT_NE(saved().find("73\n7\n100\nAcDbText\n73\n1\n"), std::string::npos);
}

// What later commands meet: an attribute's owner is the reference it follows even where the file
// names none, a text's own height is listed before a stray group of that code, a group is
// dissolved by deleting it, and a new entity without a plane or a text without a width is refused.
TEST_F(EntityListTest, AttributeOwnersGroupDeletionAndRefusedNewEntities) {
  // Written as many programs write: no owners, unpadded codes.
  open(kx::db::readDxf(
           "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n0\nENDSEC\n"
           "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nBLOCK_RECORD\n0\nBLOCK_RECORD\n5\n1F\n"
           "2\n*Model_Space\n0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nBLOCKS\n"
           "0\nBLOCK\n5\n25\n100\nAcDbEntity\n8\n0\n100\nAcDbBlockBegin\n2\nB\n"
           "0\nENDBLK\n5\n26\n100\nAcDbEntity\n8\n0\n100\nAcDbBlockEnd\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n0\nINSERT\n5\n20\n66\n1\n2\nB\n10\n0\n20\n0\n"
           "0\nATTRIB\n5\n21\n10\n0\n20\n0\n40\n1\n1\nv\n2\nTAG\n70\n0\n"
           "0\nSEQEND\n5\n22\n"
           "0\nTEXT\n5\n23\n100\nAcDbEntity\n8\n0\n40\n9\n100\nAcDbText\n10\n0\n20\n0\n"
           "40\n2\n1\nt\n100\nAcDbText\n"
           "0\nKXSHAPE\n5\n24\n330\n30\n100\nAcDbEntity\n8\n0\n100\nAcDbKxShape\n0\nENDSEC\n"
           "0\nSECTION\n2\nOBJECTS\n0\nKXTHING\n5\n30\n100\nAcDbKxThing\n0\nENDSEC\n"
           "0\nEOF\n",
           "unowned.dxf")
           .db);
  kds_name attribute;
  ASSERT_EQ(kxdbHandEnt(L"21", attribute), KXRT_NORM);
  {
    RbList list(kxdbEntGet(attribute));
    ASSERT_NE(list.find(330), nullptr);
    EXPECT_EQ(kx::api::resolve(list.find(330)->value.name).id, db().findByHandle(0x20));
  }
  kds_name stray;  // a group of the height's code before the text's own: the height comes first
  ASSERT_EQ(kxdbHandEnt(L"23", stray), KXRT_NORM);
  EXPECT_EQ(RbList(kxdbEntGet(stray)).find(40)->value.real, 2.0);
  kds_name thing;  // an object of a type the tables do not know, and no entity
  ASSERT_EQ(kxdbHandEnt(L"30", thing), KXRT_NORM);
  EXPECT_EQ(kxdbEntDel(thing), KXRT_ERROR);
  kds_name shape;  // an entity of a type the tables do not know
  ASSERT_EQ(kxdbHandEnt(L"24", shape), KXRT_NORM);
  EXPECT_EQ(kxdbEntDel(shape), KXRT_NORM);
  kds_name structural;  // a block's own records and a section's are no entities
  for (ObjectId id : {db().findByHandle(0x25), db().findByHandle(0x26),
                      db().findSection("ENTITIES")->records.front(),
                      db().findSection("ENTITIES")->records.back()}) {
    nameOf(id, structural);
    EXPECT_EQ(kxdbEntDel(structural), KXRT_ERROR);
  }

  openNew();
  const double at[3] = {0, 0, 0};
  kds_name a, b, model;
  nameOf(kx::db::findBlockRecord(db(), "*Model_Space"), model);
  RbList text(kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"t", 330, model, 0));
  ASSERT_EQ(kxdbEntMakeX(text.head, a), KXRT_NORM);
  ASSERT_EQ(kxdbEntMakeX(text.head, b), KXRT_NORM);
  const ObjectId group =
      kx::db::addGroup(db(), L"*", L"", true, {{kx::api::resolve(a).id, kx::api::resolve(b).id}});
  ASSERT_FALSE(group.isNull());
  kds_name groupName;
  nameOf(group, groupName);
  EXPECT_EQ(kxdbEntDel(groupName), KXRT_NORM);
  EXPECT_TRUE(db().isErased(group));
  EXPECT_TRUE(kx::db::groupsContaining(db(), kx::api::resolve(a).id).empty());
  for (const auto& t : db().tags(kx::api::resolve(a).id))  // the members forget it
    EXPECT_FALSE(t.code == 102 && db().text(t) == "{ACAD_REACTORS");
  EXPECT_EQ(kxdbEntDel(groupName), KXRT_ERROR);  // dissolved for good
  EXPECT_FALSE(db().isErased(kx::api::resolve(a).id));

  const double flat[3] = {0, 0, 0};
  for (resbuf* refused :
       {kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"t", 210, flat, 0),
        kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"t", 41, 0.0, 0),
        kxutBuildList(KXRT_DXF0, L"ATTDEF", 10, at, 40, 2.0, 1, L"t", 2, L"T", 41, 0.0, 0)})
    EXPECT_TRUE(made(refused).isNull());
  // An MTEXT's 41 is the width it wraps at: 0 does not wrap.
  EXPECT_FALSE(
      made(kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 40, 2.0, 1, L"t", 41, 0.0, 0)).isNull());
  // A multi-line definition's embedded text groups are its own.
  EXPECT_FALSE(made(kxutBuildList(KXRT_DXF0, L"ATTDEF", 10, at, 40, 2.0, 1, L"t", 2, L"T", 101,
                                  L"Embedded Object", 46, 4.0, 71, 2, 0))
                   .isNull());

  // An angle group no table knows is still an angle: a rotated dimension's 50 is listed in radians.
  kds_name dimension;
  nameOf(kx::test::addEntityAsRead(
             db(), "DIMENSION",
             kx::test::newTags(
                 "100 AcDbDimension | 2 *D1 | 70 0 | 100 AcDbRotatedDimension | 50 90.0")),
         dimension);
  EXPECT_NEAR(RbList(kxdbEntGet(dimension)).find(50)->value.real, std::numbers::pi / 2, 1e-12);
}

TEST_F(EntityListTest, TurningAnMTextThroughItsRotationTurnsWhatIsDrawn) {
  openNew();
  const double at[3] = {0, 0, 0}, alongY[3] = {0, 1, 0};
  for (bool withDirection : {true, false}) {
    SCOPED_TRACE(withDirection);
    RbList made(withDirection
                    ? kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 40, 2.0, 1, L"Turn", 11, alongY, 0)
                    : kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 40, 2.0, 1, L"Turn", 0));
    ASSERT_EQ(kxdbEntMake(made.head), KXRT_NORM);
    kds_name name;
    ASSERT_EQ(kxdbEntLast(name), KXRT_NORM);
    const std::string unchanged = saved();
    RbList same(kxdbEntGet(name));
    ASSERT_EQ(kxdbEntMod(same.head), KXRT_NORM);
    EXPECT_EQ(saved(), unchanged);

    RbList list(kxdbEntGet(name));
    list.find(50)->value.real = std::numbers::pi;
    ASSERT_EQ(kxdbEntMod(list.head), KXRT_NORM);
    RbList turned(kxdbEntGet(name));
    EXPECT_NEAR(turned.find(50)->value.real, std::numbers::pi, 1e-12);
    const ObjectId id = kx::api::resolve(name).id;
    const kx::db::FieldReader f(db(), id);
    // The direction a reader draws by, when there is one, rather than a second group.
    EXPECT_EQ(f.locate(11).has_value(), withDirection);
    EXPECT_EQ(f.locate(50).has_value(), !withDirection);
    if (withDirection) {
      EXPECT_NEAR(f.point(11).x, -1, 1e-12);
    }
    // Read again in a UCS turned a quarter about z, unchanged since: the angle is the UCS's.
    kx::editor::Ucs quarter;
    quarter.xAxis = {0, 1, 0};
    quarter.yAxis = {-1, 0, 0};
    kx::editor::Session::instance().active()->setUcs(quarter);
    EXPECT_NEAR(RbList(kxdbEntGet(name)).find(50)->value.real, std::numbers::pi / 2, 1e-12);
    kx::editor::Session::instance().active()->setUcs({});
  }
}

TEST_F(EntityListTest, RefusedModificationsChangeNothing) {
  openSample();
  auto byType = entitiesByType();
  ObjectId text, locked;
  for (ObjectId id : byType["TEXT"]) {
    const bool onLocked = kx::db::FieldReader(db(), id).string(8) == L"Locked";
    if (!onLocked && text.isNull()) text = id;
  }
  for (ObjectId id : byType["LINE"])
    if (kx::db::FieldReader(db(), id).string(8) == L"Locked") locked = id;
  if (text.isNull()) {
    const double at[3] = {1, 2, 0};
    text = made(kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"x", 0));
  }
  kds_name name;
  nameOf(text, name);
  kds_name gone;
  const double a[3] = {0, 0, 0}, b[3] = {1, 1, 0};
  RbList line(kxutBuildList(KXRT_DXF0, L"LINE", 10, a, 11, b, 0));
  ASSERT_EQ(kxdbEntMakeX(line.head, gone), KXRT_NORM);
  ASSERT_EQ(kxdbEntDel(gone), KXRT_NORM);
  const std::string before = saved();

  auto refused = [&](const char* why, auto&& edit, std::function<void(RbList&)> undo = {}) {
    SCOPED_TRACE(why);
    RbList list(kxdbEntGet(name));
    ASSERT_NE(list.head, nullptr);
    // A change that would go through on its own, so only the bad part is refused.
    list.find(40)->value.real = 9.75;
    edit(list);
    EXPECT_EQ(kxdbEntMod(list.head), KXRT_ERROR);
    EXPECT_EQ(saved(), before);
    if (undo) undo(list);  // values put in the wrong member are the test's to release
  };
  refused("another type", [](RbList& l) { kxutUpdString(L"MTEXT", &l.find(0)->value.string); });
  refused("a group a text cannot hold (an attribute's)", [](RbList& l) {
    resbuf* extra = kxutBuildList(74, 2, 0);
    extra->next = l.head->next->next;
    l.head->next->next = extra;
  });
  refused(
      "a point where a string belongs",
      [](RbList& l) {
        resbuf* s = l.find(1);
        std::free(s->value.string);
        s->value.point[0] = 1.5;
        s->value.point[1] = 2.5;
      },
      [](RbList& l) { l.find(1)->value.string = nullptr; });
  wchar_t* misplaced = nullptr;
  refused(
      "a string where a real belongs",
      [&](RbList& l) {
        kxutNewString(L"12.5", &misplaced);
        (l.find(41) ? l.find(41) : l.find(40))->value.string = misplaced;
      },
      [&](RbList&) { kxad_free(misplaced); });
  refused("a line break in a string",
          [](RbList& l) { kxutUpdString(L"two\nlines", &l.find(1)->value.string); });
  refused("a name of another drawing", [](RbList& l) { l.head->value.name[0] += 1000; });
  refused("a reference to an erased entity", [&](RbList& l) {
    resbuf* extra = kxutBuildList(330, gone, 0);  // a second owner, as a reactor names one
    extra->next = l.find(40)->next;
    l.find(40)->next = extra;
  });
  if (!locked.isNull()) {
    SCOPED_TRACE("an entity on a locked layer");
    kds_name lockedName;
    nameOf(locked, lockedName);
    RbList list(kxdbEntGet(lockedName));
    ASSERT_NE(list.head, nullptr);
    list.find(10)->value.point[0] += 1;
    EXPECT_EQ(kxdbEntMod(list.head), KXRT_ERROR);
    EXPECT_EQ(kxdbEntDel(lockedName), KXRT_ERROR);
    EXPECT_EQ(saved(), before);
  }
  {
    SCOPED_TRACE("an erased entity");
    RbList list(kxdbEntGet(name));
    ASSERT_EQ(kxdbEntDel(name), KXRT_NORM);
    EXPECT_EQ(kxdbEntGet(name), nullptr);
    list.find(40)->value.real = 9.75;
    EXPECT_EQ(kxdbEntMod(list.head), KXRT_ERROR);
    ASSERT_EQ(kxdbEntDel(name), KXRT_NORM);  // and back
    EXPECT_EQ(saved(), before);
  }
  {
    SCOPED_TRACE("a second type group in a hatch's list, whose groups the host knows in part");
    kds_name hatch;
    nameOf(byType.at("HATCH").front(), hatch);
    RbList list(kxdbEntGet(hatch));
    resbuf* stray = kxutBuildList(KXRT_DXF0, L"HATCH", 0);
    stray->next = list.find(10)->next;
    list.find(10)->next = stray;
    EXPECT_EQ(kxdbEntMod(list.head), KXRT_ERROR);
    EXPECT_EQ(saved(), before);
  }
  EXPECT_EQ(kxdbEntMod(nullptr), KXRT_ERROR);
  const kds_name madeUp = {db().serial(), 1 << 30};
  EXPECT_EQ(kxdbEntGet(madeUp), nullptr);
}

TEST_F(EntityListTest, WalkGoesThroughTheEntitiesSectionInFileOrder) {
  openSample();
  std::vector<ObjectId> expected;
  for (ObjectId id : db().findSection("ENTITIES")->records)
    if (!db().isType(id, "SECTION") && !db().isType(id, "ENDSEC") && !db().isErased(id))
      expected.push_back(id);
  ASSERT_FALSE(expected.empty());
  // Erase one INSERT with attributes: it and its followers drop out of the walk.
  ObjectId insert;
  for (ObjectId id : expected)
    if (db().isType(id, "INSERT") && kx::db::FieldReader(db(), id).integer(66) == 1 &&
        kx::db::FieldReader(db(), id).string(8) != L"Locked")
      insert = id;
  std::set<ObjectId> gone;
  if (!insert.isNull()) {
    kds_name n;
    nameOf(insert, n);
    ASSERT_EQ(kxdbEntDel(n), KXRT_NORM);
    for (ObjectId id : expected)
      if (db().isErased(id)) gone.insert(id);
    EXPECT_GE(gone.size(), 3u);  // the INSERT, an ATTRIB, the SEQEND
  }
  std::vector<ObjectId> walked;
  kds_name at;
  for (int status = kxdbEntNext(nullptr, at); status == KXRT_NORM; status = kxdbEntNext(at, at))
    walked.push_back(kx::api::resolve(at).id);
  std::vector<ObjectId> live;
  for (ObjectId id : expected)
    if (!gone.count(id)) live.push_back(id);
  EXPECT_EQ(walked, live);

  // The last main entity skips followers; a new entity becomes the last.
  ASSERT_EQ(kxdbEntLast(at), KXRT_NORM);
  const std::string_view lastType = db().typeName(kx::api::resolve(at).id);
  EXPECT_TRUE(lastType != "SEQEND" && lastType != "ATTRIB" && lastType != "VERTEX");
  const double c[3] = {1, 2, 3};
  ASSERT_FALSE(made(kxutBuildList(KXRT_DXF0, L"CIRCLE", 10, c, 40, 1.0, 0)).isNull());
  ASSERT_EQ(kxdbEntLast(at), KXRT_NORM);
  EXPECT_EQ(db().typeName(kx::api::resolve(at).id), "CIRCLE");

  // Handles: any case; erased and unknown ones fail.
  kds_name byHandle;
  std::wostringstream h;
  h << std::hex << db().handle(kx::api::resolve(at).id);
  EXPECT_EQ(kxdbHandEnt(h.str().c_str(), byHandle), KXRT_NORM);
  EXPECT_TRUE(kds_name_equal(byHandle, at));
  ASSERT_EQ(kxdbEntDel(at), KXRT_NORM);
  EXPECT_EQ(kxdbHandEnt(h.str().c_str(), byHandle), KXRT_ERROR);
  EXPECT_EQ(kxdbHandEnt(L"FFFFFFF", byHandle), KXRT_ERROR);
  EXPECT_EQ(kxdbHandEnt(L"xyz", byHandle), KXRT_ERROR);
  EXPECT_EQ(kxdbEntUpd(at), KXRT_ERROR);

  // A file of nothing but its entities, as small programs write them; once it is the active
  // drawing, names of the other one reach nothing (deleting the erased circle would restore it).
  const kds_name circle = {at[0], at[1]};
  open(kx::db::readDxf("0\nSECTION\n2\nENTITIES\n0\nPOINT\n10\n1\n20\n2\n0\nENDSEC\n0\nEOF\n",
                       "bare.dxf")
           .db);
  EXPECT_EQ(kxdbEntNext(nullptr, at), KXRT_NORM);
  EXPECT_EQ(kxdbEntDel(circle), KXRT_ERROR);
}

}  // namespace
