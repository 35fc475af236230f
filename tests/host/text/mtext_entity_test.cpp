// MTEXT in a drawing: placement, actual size and frame, contents in chunks, and explode.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "db/dxf_io.h"
#include "db/entities.h"
#include "db/new_drawing.h"
#include "db/object_fields.h"
#include "support/drawing.h"
#include "support/ezdxf.h"
#include "text/justification.h"
#include "text/mtext_entity.h"
#include "text/text_entity.h"

namespace {

using kx::db::Database;
using kx::db::NewTag;
using kx::db::ObjectId;
using kx::geom::Vec3;
using namespace kx::text;
using kx::test::expectNear;

struct MTextParams {
  std::string contents = "First line\\PSecond, longer line";
  Vec3 position{100, 50, 0};
  double height = 2.5;
  double width = 0;
  int attachment = 1;
  std::optional<Vec3> direction;
  std::optional<double> rotation;  // degrees
  std::optional<Vec3> normal;
  std::string layer = "0";
  std::optional<int> color;
  std::string block = "*Model_Space";
};

ObjectId addMText(Database& db, const MTextParams& s) {
  using kx::test::pushPoint;
  std::vector<NewTag> body{{100, "AcDbMText"}};
  pushPoint(body, 10, s.position);
  body.push_back({40, kx::db::formatReal(s.height)});
  body.push_back({41, kx::db::formatReal(s.width)});
  body.push_back({71, std::to_string(s.attachment)});
  body.push_back({72, "1"});
  body.push_back({1, s.contents});
  if (s.normal) pushPoint(body, 210, *s.normal);
  if (s.direction) pushPoint(body, 11, *s.direction);
  if (s.rotation) body.push_back({50, kx::db::formatReal(*s.rotation)});
  return kx::test::addEntityWith(db, "MTEXT", body,
                                 {.layer = s.layer,
                                  .color = s.color.value_or(256),
                                  .block = kx::db::findBlockRecord(db, s.block)});
}

TEST(MTextEntity, ActualSizeAndFrameFollowTheLayout) {
  Database db = kx::db::newDrawing();
  MTextParams s;
  s.attachment = 5;
  s.direction = Vec3{0, 3, 0};  // reads up the page
  s.rotation = 45;              // the direction wins over the rotation
  const ObjectId id = addMText(db, s);

  EXPECT_TRUE(updateMTextExtents(db, id));
  const MTextEntity m = readMTextEntity(db, id);
  const MTextLayout layout = layoutMText(m.input);
  const kx::db::FieldReader f(db, id);
  EXPECT_DOUBLE_EQ(f.real(42), layout.actualWidth);
  EXPECT_DOUBLE_EQ(f.real(43), layout.actualHeight);
  EXPECT_GT(layout.actualWidth, 10 * s.height);
  EXPECT_GT(layout.actualHeight, 2 * s.height);
  const std::string once = kx::db::writeDxf(db);
  EXPECT_FALSE(updateMTextExtents(db, id));
  EXPECT_EQ(kx::db::writeDxf(db), once);

  // Middle-center: the frame is centred on the insertion point, turned with the direction.
  const FrameCorners frame = mtextFrame(db, id, 0);
  expectNear((frame.topLeft + frame.bottomRight) * 0.5, s.position, 1e-9);
  expectNear((frame.topRight + frame.bottomLeft) * 0.5, s.position, 1e-9);
  expectNear(frame.topRight - frame.topLeft, Vec3{0, layout.actualWidth, 0}, 1e-9);
  expectNear(frame.topLeft - frame.bottomLeft, Vec3{-layout.actualHeight, 0, 0}, 1e-9);
  // A margin grows every side by margin times the text height.
  const FrameCorners grown = mtextFrame(db, id, 0.4);
  EXPECT_NEAR((grown.topRight - grown.topLeft).length(), layout.actualWidth + 2, 1e-9);
  EXPECT_NEAR((grown.topLeft - grown.bottomLeft).length(), layout.actualHeight + 2, 1e-9);
  expectNear((grown.topLeft + grown.bottomRight) * 0.5, s.position, 1e-9);

  // Every attachment point sits on the insertion point, also in a tilted plane with the
  // direction from the rotation alone.
  s.direction.reset();
  s.rotation = 30;
  s.normal = Vec3{0, -0.6, 0.8};
  for (int attachment = 1; attachment <= 9; ++attachment) {
    SCOPED_TRACE(attachment);
    s.attachment = attachment;
    const FrameCorners c = mtextFrame(db, addMText(db, s), 0);
    // 1 top-left, 2 top-center ... 9 bottom-right.
    const double fromLeft = (attachment - 1) % 3 * 0.5, fromTop = (attachment - 1) / 3 * 0.5;
    const Vec3 top = c.topLeft + (c.topRight - c.topLeft) * fromLeft;
    const Vec3 bottom = c.bottomLeft + (c.bottomRight - c.bottomLeft) * fromLeft;
    expectNear(top + (bottom - top) * fromTop, s.position, 1e-9);
    for (const Vec3& corner : {c.topLeft, c.topRight, c.bottomLeft, c.bottomRight})
      EXPECT_NEAR(kx::geom::dot(corner - s.position, *s.normal), 0, 1e-9);
    // The text's x axis is the rotation in the plane's OCS.
    const Vec3 x = kx::geom::normalized(c.topRight - c.topLeft);
    const Vec3 expected = kx::geom::ocsToWorld(*s.normal).applyToVector(
        {std::cos(std::numbers::pi / 6), std::sin(std::numbers::pi / 6), 0});
    expectNear(x, expected, 1e-9);
  }

  // A width of zero and a huge height lay out without trouble.
  s.width = 0;
  s.height = 1e12;
  EXPECT_NO_THROW(updateMTextExtents(db, addMText(db, s)));
}

// Whether no chunk ends inside a format code, escape or character: each chunk read on its own
// gives whole characters and whole codes.
void expectWholeChunks(const std::vector<std::string>& chunks, const kx::dxf::TextCodec& codec,
                       std::wstring_view contents, std::size_t limit, bool utf8) {
  std::wstring joined;
  for (const std::string& chunk : chunks) {
    const std::wstring piece = codec.decode(chunk);
    joined += piece;
    std::size_t cost = utf8 ? piece.size() : chunk.size();
    EXPECT_LE(cost, limit);
    EXPECT_EQ(piece.find(L'\uFFFD'), std::wstring::npos) << "a character was split";
    // Every code that takes an argument ends in the same chunk.
    for (std::size_t i = 0; i + 1 < piece.size(); ++i) {
      if (piece[i] != L'\\') continue;
      if (std::wstring_view(L"FfHCQWTA").find(piece[i + 1]) != std::wstring_view::npos) {
        EXPECT_NE(piece.find(L';', i), std::wstring::npos) << "code split after " << i;
      }
      ++i;
    }
    std::size_t trailing = 0;
    while (trailing < piece.size() && piece[piece.size() - 1 - trailing] == L'\\') ++trailing;
    EXPECT_EQ(trailing % 2, 0u) << "a chunk ends in the middle of an escape";
  }
  EXPECT_EQ(joined, contents);
}

TEST(MTextEntity, ContentsAreChunkedWithoutSplittingAnything) {
  std::wstring chinese;
  for (int i = 0; i < 600; ++i) chinese += static_cast<wchar_t>(0x4E00 + (i * 37) % 0x5000);
  std::wstring coded;
  for (int i = 0; i < 120; ++i) coded += L"{\\fSimSun|b0|i0;中}\\P\\H1.5x;a%%d\\\\";
  const kx::dxf::TextCodec utf8(kx::dxf::CodePage::Utf8);
  const kx::dxf::TextCodec latin(kx::dxf::CodePage::Ansi1252);
  const kx::dxf::TextCodec gbk(kx::dxf::CodePage::Ansi936);
  for (const std::wstring& contents : {chinese, coded, chinese + coded + L"Ende"}) {
    const auto u = chunkMTextContents(contents, utf8);
    expectWholeChunks(u, utf8, contents, 250, true);
    // In a code-page drawing a Chinese character the page cannot hold is a 7-byte \U+ escape.
    expectWholeChunks(chunkMTextContents(contents, latin), latin, contents, 250, false);
    expectWholeChunks(chunkMTextContents(contents, gbk), gbk, contents, 250, false);
    // Small limits (but room for the longest code) move the cuts to every possible place.
    for (std::size_t limit : {16, 17, 18, 19, 23})
      expectWholeChunks(chunkMTextContents(contents, gbk, limit), gbk, contents, limit, false);
  }
  EXPECT_EQ(chunkMTextContents(chinese, utf8).size(), 3u);  // 250 + 250 + 100
  EXPECT_EQ(chunkMTextContents(L"", utf8), std::vector<std::string>{""});
}

TEST(MTextEntity, LongContentsRoundTripThroughTheDrawingAndEzdxf) {
  Database db = kx::db::newDrawing();
  MTextParams s;
  s.contents = "old";
  const ObjectId id = addMText(db, s);
  std::wstring contents = L"{\\C1;标题}\\P";
  for (int i = 0; i < 600; ++i) contents += static_cast<wchar_t>(0x4E00 + (i * 131) % 0x5000);
  setMTextContents(db, id, contents);
  EXPECT_EQ(readMTextEntity(db, id).input.contents, contents);
  std::vector<std::string> groups;  // 3s and 1, in order
  for (const auto& tag : db.tags(id))
    if (tag.code == 3 || tag.code == 1) groups.push_back(std::to_string(tag.code));
  EXPECT_EQ(groups, (std::vector<std::string>{"3", "3", "1"}));  // 611 characters

  // Shorter contents replace every old chunk.
  setMTextContents(db, id, L"short");
  EXPECT_EQ(readMTextEntity(db, id).input.contents, L"short");
  for (const auto& tag : db.tags(id)) EXPECT_NE(tag.code, 3);
  setMTextContents(db, id, contents);

  const std::string saved = kx::db::writeDxf(db);
  const kx::db::LoadedDrawing again = kx::db::readDxf(saved, "again.dxf");
  const ObjectId reread = again.db.findByHandle(db.handle(id));
  EXPECT_EQ(readMTextEntity(again.db, reread).input.contents, contents);

  if (!kx::test::haveEzdxf()) GTEST_SKIP() << "python3-ezdxf is not installed";
  const kx::test::EzdxfRun run = kx::test::readWithEzdxf(
      db, "sys.stdout.buffer.write(doc.modelspace().query('MTEXT')[0].text.encode())");
  ASSERT_TRUE(run.ok);
  EXPECT_EQ(kx::dxf::TextCodec(kx::dxf::CodePage::Utf8).decode(run.printed), contents);
}

std::array<Vec3, 4> runCorners(const MTextRun& run, const kx::geom::Matrix3d& placement) {
  const Box2& b = run.layout.ink;
  const double x = run.baseline.x, y = run.baseline.y;
  return {
      placement.apply({x + b.xMin, y + b.yMin, 0}), placement.apply({x + b.xMax, y + b.yMin, 0}),
      placement.apply({x + b.xMax, y + b.yMax, 0}), placement.apply({x + b.xMin, y + b.yMax, 0})};
}

bool sameCorners(const std::array<Vec3, 4>& a, const std::array<Vec3, 4>& b, double tolerance) {
  for (std::size_t i = 0; i < 4; ++i)
    if ((a[i] - b[i]).length() > tolerance) return false;
  return true;
}

TEST(MTextEntity, ExplodedTextsStandWhereTheRunsWere) {
  Database db = kx::db::newDrawing();
  MTextParams s;
  s.contents =
      "Plain {\\C1;red} words\\Pnext {\\H2x;big} line \\S1/2; end\\P"
      "{\\fDejaVu Serif|b0|i0;serif} 100%%%";
  s.block = "*Paper_Space";
  s.layer = "Notes";
  s.color = 5;
  s.attachment = 5;  // the TEXTs stand where the centred runs were drawn
  s.rotation = 30;
  s.normal = Vec3{0.2, 0.3, 0.9};
  s.position = {12, -7, 3};
  const ObjectId id = addMText(db, s);
  const MTextEntity m = readMTextEntity(db, id);
  const MTextLayout layout = layoutMText(m.input);
  std::vector<std::array<Vec3, 4>> runs;
  for (const MTextRun& run : layout.runs)
    if (run.layout.ink.width() > 0) runs.push_back(runCorners(run, m.placement));
  std::vector<std::pair<Vec3, Vec3>> bars;
  for (const auto& [a, b] : layout.bars)
    bars.emplace_back(m.placement.apply({a.x, a.y, 0}), m.placement.apply({b.x, b.y, 0}));
  ASSERT_GE(runs.size(), 8u);
  ASSERT_EQ(bars.size(), 1u);

  const ObjectId paper = kx::db::findBlockRecord(db, "*Paper_Space");
  const std::vector<ObjectId> made = explodeMText(db, id);
  EXPECT_TRUE(db.isErased(id));
  std::size_t texts = 0, lines = 0;
  for (const ObjectId e : made) {
    EXPECT_EQ(db.owner(e), paper);
    const kx::db::FieldReader f(db, e);
    EXPECT_EQ(f.string(8), L"Notes");
    if (db.isType(e, "LINE")) {
      ++lines;
      ASSERT_EQ(lines, 1u);
      const auto a = f.point(10), b = f.point(11);
      expectNear({a.x, a.y, a.z}, bars[0].first, 1e-9);
      expectNear({b.x, b.y, b.z}, bars[0].second, 1e-9);
      continue;
    }
    ASSERT_TRUE(db.isType(e, "TEXT"));
    ++texts;
    const TextEntity t = readTextEntity(db, e);
    SCOPED_TRACE(testing::Message() << "TEXT " << texts);
    EXPECT_EQ(f.integer(62), t.text == L"red" ? 1 : 5);
    const auto corners = boxCorners(t);
    const bool placed = std::any_of(runs.begin(), runs.end(), [&](const auto& r) {
      return sameCorners(r, corners, 1e-9 * 100);
    });
    EXPECT_TRUE(placed) << "no run where the TEXT is";
    if (t.text.find(L"serif") != std::wstring::npos) {
      EXPECT_EQ(t.style.name, L"DejaVu Serif");
      EXPECT_FALSE(t.style.record.isNull());
    } else {
      EXPECT_EQ(t.style.name, L"Standard");
    }
  }
  // Each TEXT shows what its run showed, percent signs included, or its box would differ.
  EXPECT_EQ(texts, runs.size());

  // Something that is not an MTEXT is refused.
  EXPECT_THROW(explodeMText(db, made.front()), std::invalid_argument);
}

}  // namespace
