// Saving never leaves a half-written drawing behind.

#include <gtest/gtest.h>

#include "support/read_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/dxf_io.h"
#include "db/new_drawing.h"
#include "sample_drawing.h"

namespace {

namespace fs = std::filesystem;

class Save : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kx-save-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::size_t filesIn(const fs::path& d) const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(d), {}));
  }
  fs::path dir_;
};

TEST_F(Save, ReplacesTheFileWholeAndLeavesNoTemporaryFile) {
  const fs::path target = dir_ / "plan.dxf";
  { std::ofstream(target) << "old contents"; }
  kx::db::LoadedDrawing d = kx::db::readDxf(kx::test::sampleDrawing(), "sample.dxf");
  kx::db::saveDxfFile(d.db, target);
  EXPECT_EQ(kx::test::readFile(target), kx::test::sampleDrawing());
  EXPECT_EQ(filesIn(dir_), 1u);
}

TEST_F(Save, AFailedSaveKeepsTheOldFile) {
  const fs::path target = dir_ / "plan.dxf";
  { std::ofstream(target) << "old contents"; }
  kx::db::Database db = kx::db::newDrawing();
  // A directory in the way of the rename: the write succeeds, the rename cannot.
  const fs::path blocked = dir_ / "blocked.dxf";
  fs::create_directories(blocked / "inside");
  EXPECT_THROW(kx::db::saveDxfFile(db, blocked), std::runtime_error);
  EXPECT_THROW(kx::db::saveDxfFile(db, dir_ / "missing" / "plan.dxf"), std::runtime_error);
  EXPECT_EQ(kx::test::readFile(target), "old contents");
  EXPECT_EQ(filesIn(dir_), 2u);  // plan.dxf and the directory, no temporary file
}

}  // namespace
