// Failures modules report: one line on standard error each, so the user sees them as they come.

#include <iostream>

#include "kx/kxcrash.h"

namespace {

class Recorder : public IKxadCrashRecorder {
 public:
  void recordException(const PqExceptionWithMsg& exception) override {
    std::cerr << "kxhost: module reported: " << exception.message() << " (line " << exception.line()
              << ")" << std::endl;
  }
};

}  // namespace

extern "C" IKxadCrashRecorder* kxadGetCrashRecorder() {
  static Recorder instance;
  return &instance;
}
