// Saving never leaves a half-written drawing behind.

#include <gtest/gtest.h>

#include "support/files.h"

#include <filesystem>
#include <fstream>

#include "db/dxf_io.h"
#include "db/new_drawing.h"
#include "support/drawing.h"

namespace {

namespace fs = std::filesystem;

std::size_t filesIn(const fs::path& d) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(d), {}));
}

TEST(Save, ReplacesTheFileWholeOrNotAtAllAndLeavesNoTemporaryFile) {
  const kx::test::TempFolder dir("save");
  const fs::path target = dir / "plan.dxf";
  { std::ofstream(target) << "old contents"; }
  kx::db::Database db = kx::db::newDrawing();
  // A directory in the way of the rename: the write succeeds, the rename cannot.
  const fs::path blocked = dir / "blocked.dxf";
  fs::create_directories(blocked / "inside");
  EXPECT_THROW(kx::db::saveDxfFile(db, blocked), std::runtime_error);
  EXPECT_THROW(kx::db::saveDxfFile(db, dir / "missing" / "plan.dxf"), std::runtime_error);
  EXPECT_EQ(kx::test::readFile(target), "old contents");
  EXPECT_EQ(filesIn(dir.path()), 2u);  // plan.dxf and the directory, no temporary file

  kx::db::LoadedDrawing d = kx::db::readDxf(kx::test::sampleDrawing(), "sample.dxf");
  kx::db::saveDxfFile(d.db, target);
  EXPECT_EQ(kx::test::readFile(target), kx::test::sampleDrawing());
  EXPECT_EQ(filesIn(dir.path()), 2u);
}

}  // namespace
