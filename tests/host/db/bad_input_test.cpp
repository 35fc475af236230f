// What a user's damaged or foreign files do to the reader: a repair with a notice, or a one-line
// error that names the file and the line. Never a crash or a hang.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "db/dxf_io.h"
#include "dxf/number_syntax.h"
#include "support/drawing.h"

namespace {

using kx::db::DxfError;
using kx::db::LoadedDrawing;
using kx::db::ObjectId;
using kx::db::readDxf;
using kx::db::writeDxf;
using kx::test::firstOf;
using kx::test::sampleDrawing;

std::string errorOf(const std::string& text, const std::string& name = "plan.dxf") {
  try {
    readDxf(text, name);
  } catch (const DxfError& e) {
    return e.what();
  }
  return {};
}

bool mentions(const std::vector<std::string>& lines, std::string_view what) {
  for (const std::string& l : lines)
    if (l.find(what) != std::string::npos) return true;
  return false;
}

void replaceOnce(std::string& s, std::string_view from, std::string_view to) {
  const auto at = s.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  s.replace(at, from.size(), to);
}

// Whatever the reader accepted, it writes a drawing that reads back with nothing left to repair
// and stays the same.
void expectStableOutput(LoadedDrawing& loaded) {
  const std::string once = writeDxf(loaded.db);
  LoadedDrawing again = readDxf(once, "again");
  EXPECT_FALSE(mentions(again.notices, "repaired")) << again.notices.front() << "\n" << once;
  EXPECT_EQ(writeDxf(again.db), once);
}

TEST(BadInput, FilesThatAreNotDrawingsAreRefusedWithFileAndLine) {
  EXPECT_NE(errorOf("", "empty.dxf").find("empty.dxf: the file is empty"), std::string::npos);
  EXPECT_NE(errorOf("hello world\nthis is a letter\n").find("plan.dxf:1: not a DXF file"),
            std::string::npos);
  EXPECT_NE(errorOf(std::string("Binary DXF\r\n\x1a\0", 14)).find("binary DXF"), std::string::npos);

  std::string junkInside = sampleDrawing();
  replaceOnce(junkInside, " 40\n2.5\n", "4x0\n2.5\n");
  const std::string error = errorOf(junkInside);
  EXPECT_NE(error.find("plan.dxf:"), std::string::npos);
  EXPECT_NE(error.find("'4x0' is not a group code"), std::string::npos) << error;
}

TEST(BadInput, CutAtEveryPositionEitherRepairsOrRefuses) {
  const std::string whole = sampleDrawing();
  for (std::size_t cut = 1; cut < whole.size(); ++cut) {
    const std::string part = whole.substr(0, cut);
    try {
      LoadedDrawing loaded = readDxf(part, "cut.dxf");
      expectStableOutput(loaded);
      const std::string out = writeDxf(loaded.db);
      ASSERT_TRUE(out.ends_with("EOF\n") || out == part) << "cut at " << cut;
    } catch (const DxfError& e) {
      EXPECT_NE(std::string(e.what()).find("cut.dxf"), std::string::npos)
          << e.what() << " at " << cut;
    }
  }
}

TEST(BadInput, UnfinishedSectionsAndMissingEndAreClosed) {
  std::string text = sampleDrawing();
  replaceOnce(text, "  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES\n", "  0\nSECTION\n  2\nENTITIES\n");
  text = text.substr(0, text.find("  0\nENDSEC\n  0\nSECTION\n  2\nOBJECTS"));
  LoadedDrawing loaded = readDxf(text, "open.dxf");
  EXPECT_TRUE(mentions(loaded.notices, "sections that never ended"));
  EXPECT_TRUE(mentions(loaded.notices, "end-of-file"));
  const std::string out = writeDxf(loaded.db);
  EXPECT_NE(out.find("BlockEnd\n  0\nENDSEC\n  0\nSECTION\n  2\nENTITIES"), std::string::npos);
  EXPECT_TRUE(out.ends_with("xdata kept\n  0\nENDSEC\n  0\nEOF\n")) << out.substr(out.size() - 60);
  expectStableOutput(loaded);
}

TEST(BadInput, NumbersThatDoNotParseBecomeZeroAndNothingElseChanges) {
  std::string text = sampleDrawing();
  replaceOnce(text, " 40\n2.5\n", " 40\n2,5mm\n");
  LoadedDrawing loaded = readDxf(text, "comma.dxf");
  ASSERT_TRUE(mentions(loaded.notices, "numbers that did not parse")) << loaded.notices.size();
  EXPECT_TRUE(mentions(loaded.notices, "'2,5mm'"));
  std::string expected = sampleDrawing();
  replaceOnce(expected, " 40\n2.5\n", " 40\n0\n");
  EXPECT_EQ(writeDxf(loaded.db), expected);
}

TEST(BadInput, HandleUsedTwiceGetsAFreshHandleAndTheSeedMovesOn) {
  std::string text = sampleDrawing();
  replaceOnce(text, "LINE\n  5\n31\n", "LINE\n  5\n30\n");
  LoadedDrawing loaded = readDxf(text, "twice.dxf");
  EXPECT_TRUE(mentions(loaded.notices, "handles used twice"));
  const ObjectId line = firstOf(loaded.db, "LINE");
  const ObjectId textEntity = firstOf(loaded.db, "TEXT");
  EXPECT_EQ(loaded.db.handle(textEntity), 0x30u);
  EXPECT_EQ(loaded.db.handle(line), 0x40u);  // the seed said 40
  EXPECT_EQ(loaded.db.findByHandle(0x40), line);
  const std::string out = writeDxf(loaded.db);
  EXPECT_NE(out.find("$HANDSEED\n  5\n41\n"), std::string::npos);
  expectStableOutput(loaded);
}

TEST(BadInput, OwnerThatDoesNotExistIsTakenFromThePlaceInTheFile) {
  std::string text = sampleDrawing();
  replaceOnce(text, "TEXT\n  5\n30\n330\n1F\n", "TEXT\n  5\n30\n330\n9999\n");
  LoadedDrawing loaded = readDxf(text, "owner.dxf");
  EXPECT_TRUE(mentions(loaded.notices, "owner that does not exist"));
  const ObjectId modelSpace = loaded.db.findByHandle(0x1F);
  EXPECT_EQ(loaded.db.owner(firstOf(loaded.db, "TEXT")), modelSpace);
  EXPECT_EQ(writeDxf(loaded.db), text);
}

TEST(BadInput, OddButReadableFilesAreKeptAsTheyAre) {
  // A string of a million characters, sections in an unusual order, groups in an unusual order
  // inside an entity, CR LF line ends and a byte-order mark.
  std::string text = sampleDrawing();
  replaceOnce(text, "  1\nHello\n", "  1\n" + std::string(1'000'000, 'x') + "\n");
  replaceOnce(text, " 10\n0.0\n 20\n0.0\n 30\n0.0\n 11\n", " 20\n0.0\n 10\n0.0\n 30\n0.0\n 11\n");
  const auto objects = text.find("  0\nSECTION\n  2\nOBJECTS");
  const auto objectsEnd = text.find("  0\nEOF");
  const std::string objectsSection = text.substr(objects, objectsEnd - objects);
  text.erase(objects, objectsSection.size());
  text.insert(0, objectsSection);
  std::string crlf = "\xEF\xBB\xBF";
  for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);

  LoadedDrawing loaded = readDxf(crlf, "odd.dxf");
  EXPECT_TRUE(loaded.notices.empty()) << loaded.notices.front();
  EXPECT_EQ(writeDxf(loaded.db), crlf);
  const ObjectId textEntity = firstOf(loaded.db, "TEXT");
  bool sawLongString = false;
  for (const kx::dxf::Tag& t : loaded.db.tags(textEntity))
    if (t.code == 1) sawLongString = loaded.db.text(t).size() == 1'000'000;
  EXPECT_TRUE(sawLongString);
}

TEST(BadInput, RandomBytesNeverCrash) {
  std::mt19937 random(12345);
  const std::string base = sampleDrawing();
  for (int round = 0; round < 2000; ++round) {
    std::string text = base;
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits; ++e) {
      const std::size_t at = random() % text.size();
      switch (random() % 3) {
        case 0:
          text[at] = static_cast<char>(random() % 256);
          break;
        case 1:
          text.erase(at, random() % 16);
          break;
        default:
          text.insert(at, std::string(1 + random() % 4, static_cast<char>(random() % 256)));
      }
    }
    try {
      LoadedDrawing loaded = readDxf(text, "junk.dxf");
      expectStableOutput(loaded);
    } catch (const DxfError&) {
    }
  }
}

// Files the fuzzer found: each is read, and what is written reads back to the same text; a file
// read without a notice is written back unchanged.
TEST(BadInput, FuzzerFindingsReadAndWriteStably) {
  const std::string topSeed =  // handles up to the top of the range after a seed there
      kx::test::dxfText(
          "0 SECTION | 2 HEADER | 9 $HANDSEED | 5 FFFFFFFFFFFFFFFF | 0 ENDSEC\n"
          "0 SECTION | 2 ENTITIES | 0 POINT | 5 1 | 8 0 | 0 POINT | 5 1 | 8 0\n"
          "0 POINT | 5 1 | 8 0 | 0 POINT | 5 1 | 8 0 | 0 ENDSEC | 0 EOF");
  const std::string cases[] = {
      // A DIMSTYLE's handle is its 105, not its 5.
      kx::test::dxfText("0 SECTION | 2 HEADER | 9 $HANDSEED | 5 20 | 0 ENDSEC | 0 SECTION\n"
                        "2 TABLES | 0 LAYER | 5 B | 0 DIMSTYLE | 5 B | 105 C | 0 ENDSEC | 0 EOF"),
      topSeed,
      // A seed in an integer group, then handles given in hex.
      kx::test::dxfText("0 SECTION | 2 HEADER | 9 $HANDSEED | 70 0 | 0 ENDSEC | 0 SECTION\n"
                        "2 ENTITIES | 0 POINT | 5 A | 0 POINT | 5 A | 0 ENDSEC | 0 EOF"),
      // Last lines that are not an end-of-file record: "EOF " with a blank, EOF as a value
      // without a line end, and a trailer without a line end (which gains one silently).
      "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF ",
      "  0\nSECTION\n  2\nENTITIES\n  0\nENDSEC\n  0\nEOF\nabc",
      // A section left open that ends in the middle of an ENDSEC.
      kx::test::dxfText("0 SECTION | 2 HEADER | 9 $A | 1 x | 0 ENDSEC | 9 $B | 1 y | 0 SECTION\n"
                        "2 ENTITIES | 0 ENDSEC | 0 EOF"),
  };
  for (const std::string& text : cases) {
    SCOPED_TRACE(text);
    LoadedDrawing loaded = readDxf(text, "found.dxf");
    if (loaded.notices.empty()) {
      EXPECT_EQ(writeDxf(loaded.db), text);
    }
    expectStableOutput(loaded);
  }
  // A section cut off in its name is all there is: no drawing is left to repair.
  EXPECT_THROW(readDxf("  0\nSECTION\n  2\nEOF", "found.dxf"), DxfError);
  // A seed at the top of the handle range does not wrap around to handle 0.
  LoadedDrawing seeded = readDxf(topSeed, "seed.dxf");
  EXPECT_GT(seeded.db.allocateHandle(), 0u);
}

}  // namespace
