// Real drawings written by other programs come back byte for byte when nothing changed.

#include <gtest/gtest.h>

#include "support/files.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "db/dxf_io.h"

namespace {

namespace fs = std::filesystem;

std::string withoutCarriageReturns(std::string s) {
  std::erase(s, '\r');
  return s;
}

std::vector<fs::path> corpus() {
  std::vector<fs::path> files;
  const fs::path root = "/usr/share/librecad";
  if (!fs::exists(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string ext = entry.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (entry.is_regular_file() && ext == ".dxf") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  // The sanitizer build takes every seventh drawing; the full corpus runs in the release tree.
  if (std::getenv("KX_SAMPLED")) {
    std::vector<fs::path> sample;
    for (std::size_t i = 0; i < files.size(); i += 7) sample.push_back(files[i]);
    files.swap(sample);
  }
  return files;
}

TEST(CorpusRoundTrip, EveryDrawingComesBackUnchanged) {
  const std::vector<fs::path> files = corpus();
  if (files.empty()) GTEST_SKIP() << "librecad-data is not installed";
  std::size_t failures = 0;
  for (const fs::path& file : files) {
    const std::string original = kx::test::readFile(file);
    try {
      kx::db::LoadedDrawing loaded = kx::db::readDxf(original, file.string());
      const std::string saved = kx::db::writeDxf(loaded.db);
      if (withoutCarriageReturns(saved) != withoutCarriageReturns(original)) {
        ++failures;
        ADD_FAILURE() << file << " changed on a plain round trip";
      }
      for (const std::string& n : loaded.notices) std::cout << file << ": " << n << "\n";
    } catch (const std::exception& e) {
      ++failures;
      ADD_FAILURE() << file << ": " << e.what();
    }
    if (failures > 20) FAIL() << "stopping after 20 failures";
  }
  std::cout << files.size() << " drawings read and written\n";
}

}  // namespace
