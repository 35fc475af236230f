// kxdbEntMake / kxdbEntMakeX: lists without markers, defaults, spaces and refusals.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <string>

#include "api/host_names.h"
#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/groups.h"
#include "db/header_values.h"
#include "db/layers.h"
#include "db/object_fields.h"
#include "db/symbol_tables.h"
#include "kx/kxdb.h"
#include "support/drawing.h"
#include "support/ezdxf.h"
#include "support/sdk_fixture.h"
#include "text/mtext_entity.h"

namespace {

using kx::db::FieldReader;
using kx::db::ObjectId;

class EntityMakeTest : public kx::test::SdkTest {
 protected:
  void SetUp() override { openNew(); }
  kx::db::Database& db() { return kx::editor::Session::instance().active()->db(); }
  std::vector<int> codes(ObjectId id) {
    std::vector<int> out;
    for (const auto& t : db().tags(id)) out.push_back(t.code);
    return out;
  }
};

TEST_F(EntityMakeTest, ListsWithoutMarkersGetEveryGroupIntoItsPart) {
  const double at[3] = {5, 6, 0}, at2[3] = {9, 6, 0};
  kx::db::addLayer(db(), L"Notes");
  kx::db::setHeaderString(db(), "$CLAYER", 8, L"Notes");
  const ObjectId text =
      made(kxutBuildList(KXRT_DXF0, L"TEXT", 1, L"abc", 40, 2.0, 10, at, 72, 1, 11, at2, 0));
  ASSERT_FALSE(text.isNull());
  // Markers, the current layer once, the second AcDbText part; 10 recomputed from 11 for a centred
  // text.
  const std::vector<int> c = codes(text);
  const auto text2 = std::find(c.begin() + 4, c.end(), 100);
  EXPECT_EQ(std::count(c.begin(), c.end(), 100), 3);
  EXPECT_EQ(std::count(c.begin(), c.end(), 8), 1);
  EXPECT_LT(std::find(c.begin(), c.end(), 10), std::find(c.begin(), c.end(), 1));
  EXPECT_NE(text2, c.end());
  EXPECT_EQ(FieldReader(db(), text).string(8), L"Notes");
  EXPECT_NE(FieldReader(db(), text).point(10).x, 5.0);
  EXPECT_EQ(FieldReader(db(), text).point(11).x, 9.0);

  // A chunk of an MTEXT's contents, a group no table holds, goes just before its last part.
  const ObjectId mtext =
      made(kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 40, 2.0, 3, L"first ", 1, L"last", 0));
  const std::vector<int> mc = codes(mtext);
  const auto chunk = std::find(mc.begin(), mc.end(), 3);
  EXPECT_LT(std::find(mc.begin(), mc.end(), 10), chunk);
  EXPECT_EQ(chunk + 1, std::find(mc.begin(), mc.end(), 1));

  // A new layer is made, white and continuous; an explicit layer wins over CLAYER.
  const double c0[3] = {0, 0, 0};
  const ObjectId circle =
      made(kxutBuildList(KXRT_DXF0, L"CIRCLE", 8, L"New Layer", 10, c0, 40, 4.0, 0));
  ASSERT_FALSE(circle.isNull());
  const ObjectId layer = kx::db::findTableRecord(db(), "LAYER", L"new layer");
  ASSERT_FALSE(layer.isNull());
  EXPECT_EQ(FieldReader(db(), layer).integer(62), 7);
  EXPECT_EQ(FieldReader(db(), circle).real(40), 4.0);

  // A polyline: 90 is counted from the vertices, whatever the list says; vertices stay 2D and in
  // order with their bulges, before the normal.
  const double v1[3] = {0, 0, 0}, v2[3] = {10, 0, 0}, v3[3] = {10, 10, 0}, n[3] = {0, 0, 1};
  const ObjectId poly = made(kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 90, 7, 70, 1, 10, v1, 42, 0.5,
                                           10, v2, 10, v3, 42, -1.0, 210, n, 0));
  ASSERT_FALSE(poly.isNull());
  EXPECT_EQ(FieldReader(db(), poly).integer(90), 3);
  const std::vector<int> pc = codes(poly);
  const auto firstVertex = std::find(pc.begin(), pc.end(), 10);
  EXPECT_EQ(std::vector<int>(firstVertex, firstVertex + 11),
            (std::vector<int>{10, 20, 42, 10, 20, 10, 20, 42, 210, 220, 230}));
  EXPECT_EQ(std::count(pc.begin(), pc.end(), 30), 0);
  EXPECT_LT(std::find(pc.begin(), pc.end(), 10) - pc.begin(),
            std::find(pc.begin(), pc.end(), 210) - pc.begin());

  // Paper space from 67; the entity's owner is the paper-space block.
  const ObjectId paper = made(kxutBuildList(KXRT_DXF0, L"POINT", 67, 1, 10, v2, 0));
  ASSERT_FALSE(paper.isNull());
  EXPECT_EQ(db().owner(paper), kx::db::findBlockRecord(db(), "*Paper_Space"));
  // Extended data goes last, its application registered.
  const ObjectId model =
      made(kxutBuildList(KXRT_DXF0, L"POINT", 10, v2, 1001, L"KX_NOTE", 1000, L"kept", 0));
  ASSERT_FALSE(model.isNull());
  EXPECT_EQ(db().owner(model), kx::db::findBlockRecord(db(), "*Model_Space"));
  EXPECT_FALSE(kx::db::findTableRecord(db(), "APPID", L"KX_NOTE").isNull());
  EXPECT_EQ(codes(model).back(), 1000);

  // Non-graphical objects through kxdbEntMakeX, owned as the list says.
  const ObjectId dict = made(kxutBuildList(KXRT_DXF0, L"DICTIONARY", 0));
  ASSERT_FALSE(dict.isNull());
  kds_name dictName;
  kx::api::setName(dictName, db(), dict);
  const ObjectId xrec =
      made(kxutBuildList(KXRT_DXF0, L"XRECORD", 330, dictName, 1, L"payload", 40, 1.5, 70, 2, 0));
  ASSERT_FALSE(xrec.isNull());
  EXPECT_EQ(db().owner(xrec), dict);
  // A group new to the record, after a changed one, goes right after it.
  kds_name xrecName;
  kx::api::setName(xrecName, db(), xrec);
  resbuf* change = kxutBuildList(-1, xrecName, 1, L"changed", 71, 5, 40, 1.5, 70, 2, 0);
  EXPECT_EQ(kxdbEntMod(change), KXRT_NORM);
  kxutRelRb(change);
  const std::vector<int> xc = codes(xrec);
  EXPECT_EQ(std::vector<int>(xc.end() - 4, xc.end()), (std::vector<int>{1, 71, 40, 70}));
  // A dictionary's entries keep their pairs in the list's order.
  const std::vector<int> entries = codes(made(kxutBuildList(
      KXRT_DXF0, L"DICTIONARY", 3, L"first", 350, xrecName, 3, L"second", 350, dictName, 0)));
  EXPECT_EQ(std::vector<int>(entries.end() - 4, entries.end()), (std::vector<int>{3, 350, 3, 350}));
  // kxdbEntMake does not make objects; kxdbEntMakeX makes groups too, but not any object.
  resbuf* group = kxutBuildList(KXRT_DXF0, L"GROUP", 0);
  EXPECT_EQ(kxdbEntMake(group), KXRT_ERROR);
  EXPECT_FALSE(made(group).isNull());
  EXPECT_TRUE(made(kxutBuildList(KXRT_DXF0, L"LAYOUT", 0)).isNull());

  // Everything made reads back.
  const std::string saved = kx::db::writeDxf(db());
  const auto again = kx::db::readDxf(saved, "made.dxf");
  EXPECT_EQ(FieldReader(again.db, again.db.findByHandle(db().handle(poly))).integer(90), 3);
}

// One entity of each kind a module may make, from lists without subclass markers, read back by
// ezdxf with the values the lists gave (angles were radians there, degrees in ezdxf).
TEST_F(EntityMakeTest, EveryKindReadsBackInAnotherReader) {
  if (!kx::test::haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
  kx::test::addLine(db(), {0, 0, 0}, {1, 1, 0}, {.block = kx::test::addBlock(db(), "MARK")});
  const double a[3] = {1, 2, 0}, b[3] = {11, 7, 0}, c[3] = {11, 12, 0}, d[3] = {1, 12, 0};
  const double e[3] = {20, 0, 0}, z[3] = {0, 0, 1};
  for (resbuf* list :
       {kxutBuildList(KXRT_DXF0, L"LINE", 8, L"Lines", 10, a, 11, b, 62, 1, 0),
        kxutBuildList(KXRT_DXF0, L"CIRCLE", 10, a, 40, 2.5, 0),
        kxutBuildList(KXRT_DXF0, L"ARC", 10, b, 40, 3.0, 50, 0.0, 51, 1.5707963267948966, 0),
        kxutBuildList(KXRT_DXF0, L"TEXT", 1, L"Grüße", 10, a, 40, 2.0, 50, 0.7853981633974483, 72,
                      1, 11, c, 0),
        kxutBuildList(KXRT_DXF0, L"MTEXT", 10, d, 40, 1.5, 41, 30.0, 71, 5, 3,
                      L"first chunk of a long text, ", 1, L"and its end", 0),
        kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 70, 1, 10, a, 42, 0.5, 10, b, 10, c, 42, -1.0, 10,
                      d, 0),
        kxutBuildList(KXRT_DXF0, L"SOLID", 10, a, 11, b, 12, d, 13, c, 0),
        kxutBuildList(KXRT_DXF0, L"3DFACE", 10, a, 11, b, 12, c, 13, d, 70, 1, 0),
        kxutBuildList(KXRT_DXF0, L"POINT", 10, e, 210, z, 0),
        kxutBuildList(KXRT_DXF0, L"INSERT", 2, L"MARK", 10, e, 41, 2.0, 42, 2.0, 50,
                      0.5235987755982988, 0),
        kxutBuildList(KXRT_DXF0, L"attdef", 10, c, 40, 2.5, 1, L"default", 2, L"TAG1", 3, L"Value?",
                      70, 0, 0),
        kxutBuildList(KXRT_DXF0, L"CIRCLE", 67, 1, 10, e, 40, 1.0, 0)})
    EXPECT_FALSE(made(list).isNull());
  const kx::test::EzdxfRun run = kx::test::readWithEzdxf(db(), R"(
import math
assert not doc.audit().errors, [e.message for e in doc.audit().errors]
def one(layout, kind, **wanted):
    found = layout.query(kind)
    assert len(found) == 1, (kind, len(found))
    for name, value in wanted.items():
        got = found[0].dxf.get(name)
        same = all(map(math.isclose, got, value)) if isinstance(value, tuple) else got == value
        assert same or abs(got - value) < 1e-9, (kind, name, got, value)
    return found[0]
m = doc.modelspace()
one(m, "LINE", start=(1, 2, 0), end=(11, 7, 0), layer="Lines", color=1)
one(m, "CIRCLE", radius=2.5)
one(m, "ARC", end_angle=90.0, radius=3.0)
one(m, "TEXT", text="Grüße", rotation=45.0, halign=1, align_point=(11, 12, 0))
assert one(m, "MTEXT", attachment_point=5, width=30.0).text == "first chunk of a long text, and its end"
polyline = one(m, "LWPOLYLINE")
assert polyline.closed and list(polyline.get_points("xyb")) == [(1, 2, 0.5), (11, 7, 0), (11, 12, -1), (1, 12, 0)]
one(m, "SOLID", vtx2=(1, 12, 0))
one(m, "3DFACE", vtx3=(1, 12, 0), invisible=1)
one(m, "POINT", location=(20, 0, 0))
one(m, "INSERT", name="MARK", xscale=2.0, rotation=30.0)
one(m, "ATTDEF", tag="TAG1", prompt="Value?", text="default")
one(doc.layouts.active_layout(), "CIRCLE", radius=1.0)
assert doc.layers.has_entry("Lines")
)");
  EXPECT_TRUE(run.ok) << run.printed;
}

TEST_F(EntityMakeTest, RefusedListsMakeNothing) {
  const double p[3] = {1, 2, 3};
  kds_name erased;
  kx::api::setName(erased, db(), made(kxutBuildList(KXRT_DXF0, L"LINE", 10, p, 11, p, 0)));
  ASSERT_EQ(kxdbEntDel(erased), KXRT_NORM);
  const std::string withErased = kx::db::writeDxf(db());
  auto refused = [&](const char* why, resbuf* list) {
    SCOPED_TRACE(why);
    EXPECT_EQ(kxdbEntMake(list), KXRT_ERROR);
    EXPECT_EQ(kx::db::writeDxf(db()), withErased);
    kxutRelRb(list);
  };
  refused("no type", kxutBuildList(10, p, 40, 1.0, 0));
  refused("empty list", nullptr);
  refused("unknown type", kxutBuildList(KXRT_DXF0, L"BANANA", 10, p, 0));
  refused("a group a circle cannot hold",
          kxutBuildList(KXRT_DXF0, L"CIRCLE", 10, p, 40, 1.0, 1, L"text", 0));
  refused("a group a polyline cannot hold",
          kxutBuildList(KXRT_DXF0, L"LWPOLYLINE", 10, p, 10, p, 1, L"text", 0));
  {
    resbuf* list = kxutBuildList(KXRT_DXF0, L"TEXT", 10, p, 40, 1.0, 1, L"x", 0);
    // A string where the point belongs.
    resbuf* s = kxutBuildList(1, L"not a point", 0);
    list->next->value.string = s->value.string;
    SCOPED_TRACE("a string where a point belongs");
    EXPECT_EQ(kxdbEntMake(list), KXRT_ERROR);
    EXPECT_EQ(kx::db::writeDxf(db()), withErased);
    kxutRelRb(s);
    list->next->value.string = nullptr;
    kxutRelRb(list);
  }
  // A number where the string belongs: a double's bits, or a small integer.
  for (const std::int64_t bits : {std::bit_cast<std::int64_t>(2.0), std::int64_t{8}}) {
    resbuf* list = kxutBuildList(KXRT_DXF0, L"TEXT", 10, p, 40, 1.0, 1, L"x", 0);
    std::free(list->next->next->next->value.string);
    list->next->next->next->value.name[0] = bits;
    SCOPED_TRACE(bits);
    EXPECT_EQ(kxdbEntMake(list), KXRT_ERROR);
    list->next->next->next->code = 40;  // so the release does not free the number
    kxutRelRb(list);
  }
  const double inf[3] = {std::numeric_limits<double>::infinity(), 0, 0};
  refused("a point at infinity", kxutBuildList(KXRT_DXF0, L"POINT", 10, inf, 0));
  refused("a reference to an erased entity",
          kxutBuildList(KXRT_DXF0, L"LINE", 10, p, 11, p, 340, erased, 0));
  const std::int64_t foreign[2] = {db().serial() + 99, 3};
  refused("a reference into another drawing",
          kxutBuildList(KXRT_DXF0, L"LINE", 10, p, 11, p, 340, foreign, 0));
  refused("a block that does not exist", kxutBuildList(KXRT_DXF0, L"INSERT", 2, L"NOPE", 10, p, 0));
  for (const wchar_t* space : {L"*Model_Space", L"*Paper_Space"})
    refused("a space for a block", kxutBuildList(KXRT_DXF0, L"INSERT", 2, space, 10, p, 0));
  refused("a layout that does not exist",
          kxutBuildList(KXRT_DXF0, L"POINT", 67, 1, 410, L"Nowhere", 10, p, 0));
  for (const wchar_t* layer : {L"a<b", L""})
    refused("a layer name a table cannot hold",
            kxutBuildList(KXRT_DXF0, L"POINT", 8, layer, 10, p, 0));
  refused("xdata without its application",
          kxutBuildList(KXRT_DXF0, L"POINT", 10, p, 1000, L"loose", 0));
}

// An MTEXT's rotation in a list is an angle in the current UCS, as kxdbEntGet lists it.
TEST_F(EntityMakeTest, MTextRotationIsInTheCurrentUcs) {
  const double at[3] = {5, 6, 0};
  kx::editor::Ucs turned;  // x along world y
  turned.xAxis = {0, 1, 0};
  turned.yAxis = {-1, 0, 0};
  kx::editor::Session::instance().active()->setUcs(turned);
  const ObjectId mtext = made(kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 1, L"up", 50, 0.0, 0));
  const kx::geom::Vec3 along = kx::text::mtextPlacement(db(), mtext).xAxis();
  EXPECT_NEAR(along.x, 0, 1e-9);
  EXPECT_NEAR(along.y, 1, 1e-9);
  // A direction given with it is what the text is drawn by.
  const double east[3] = {1, 0, 0};
  const ObjectId directed =
      made(kxutBuildList(KXRT_DXF0, L"MTEXT", 10, at, 1, L"east", 11, east, 50, 0.0, 0));
  EXPECT_NEAR(kx::text::mtextPlacement(db(), directed).xAxis().x, 1, 1e-9);
  // Listed again after the UCS changes, the rotation is in the new one.
  kds_name name;
  kx::api::setName(name, db(), mtext);
  auto listedRotation = [&] { return kx::test::RbList(kxdbEntGet(name)).find(50)->value.real; };
  EXPECT_NEAR(listedRotation(), 0, 1e-9);
  kx::editor::Session::instance().active()->setUcs({});
  EXPECT_NEAR(listedRotation(), std::numbers::pi / 2, 1e-9);
}

// A list read from a grouped text, or from the group itself, lists the reactors in braces; a copy
// made from it is known to none of them and must not claim otherwise.
TEST_F(EntityMakeTest, CopiesLeaveTheListedObjectsReactorsBehind) {
  const double at[3] = {0, 0, 0};
  const ObjectId a = made(kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"t", 0));
  const ObjectId b = made(kxutBuildList(KXRT_DXF0, L"TEXT", 10, at, 40, 2.0, 1, L"u", 0));
  const ObjectId group = kx::db::addGroup(db(), L"*", L"", true, {{a, b}});
  for (const ObjectId original : {a, group}) {
    kds_name name;
    kx::api::setName(name, db(), original);
    const ObjectId copy = made(kxdbEntGet(name));
    ASSERT_FALSE(copy.isNull());
    EXPECT_EQ(std::ranges::count(codes(copy), 330), 1);
    EXPECT_EQ(std::ranges::count(codes(copy), 102), 0);
    EXPECT_EQ(db().owner(copy), db().owner(original));
  }
}

}  // namespace
