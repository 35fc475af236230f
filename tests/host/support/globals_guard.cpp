// Every test leaves the process as it found it: a test that passes only after another one has
// changed the locale or the working folder hides a fault, and one that fails only then is
// mistaken for one. Checked around each test of the binary it is linked into.

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <string>

namespace {

class GlobalsGuard : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    locale_ = std::setlocale(LC_ALL, nullptr);
    folder_ = std::filesystem::current_path();
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    if (locale != locale_) {
      ADD_FAILURE() << "the test left the locale " << locale << " (it was " << locale_ << ")";
      std::setlocale(LC_ALL, locale_.c_str());
    }
    if (std::filesystem::current_path() != folder_) {
      ADD_FAILURE() << "the test left the working folder " << std::filesystem::current_path();
      std::filesystem::current_path(folder_);
    }
  }

  std::string locale_;
  std::filesystem::path folder_;
};

// Ahead of the result printer, so that what the guard finds is reported with the test.
[[maybe_unused]] const bool installed = [] {
  auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
  ::testing::TestEventListener* printer = listeners.Release(listeners.default_result_printer());
  listeners.Append(new GlobalsGuard);
  if (printer) listeners.Append(printer);
  return true;
}();

}  // namespace
