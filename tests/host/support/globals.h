#pragma once
// The case mapping of wide characters follows LC_CTYPE, as in kxhost, which runs in C.UTF-8. A
// test that needs it sets it for as long as it runs and puts back what was there.

#include <clocale>
#include <string>

namespace kx::test {

class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name = "C.UTF-8") : saved_(std::setlocale(LC_CTYPE, nullptr)) {
    std::setlocale(LC_CTYPE, name);
  }
  ~ScopedLocale() { std::setlocale(LC_CTYPE, saved_.c_str()); }
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

 private:
  std::string saved_;
};

}  // namespace kx::test
