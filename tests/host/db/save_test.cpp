// Saving never leaves a half-written drawing behind.

#include <gtest/gtest.h>

#include "support/files.h"

#include <filesystem>

#include "db/dxf_io.h"
#include "db/new_drawing.h"
#include "support/drawing.h"

namespace {

namespace fs = std::filesystem;

TEST(Save, ReplacesTheFileWholeOrNotAtAllAndLeavesNoTemporaryFile) {
  const kx::test::TempFolder dir("save");
  const fs::path target = dir / "plan.dxf";
  dir.write("plan.dxf", "old contents");
  kx::db::Database db = kx::db::newDrawing();
  // A directory in the way of the rename: the write succeeds, the rename cannot.
  const fs::path blocked = dir / "blocked.dxf";
  fs::create_directories(blocked / "inside");
  EXPECT_THROW(kx::db::saveDxfFile(db, blocked), std::runtime_error);
  EXPECT_THROW(kx::db::saveDxfFile(db, dir / "missing" / "plan.dxf"), std::runtime_error);
  EXPECT_EQ(kx::test::readFile(target), "old contents");
  // plan.dxf and the directory, no temporary file
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);

  kx::db::LoadedDrawing d = kx::db::readDxf(kx::test::sampleDrawing(), "sample.dxf");
  kx::db::saveDxfFile(d.db, target);
  EXPECT_EQ(kx::test::readFile(target), kx::test::sampleDrawing());
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

}  // namespace
