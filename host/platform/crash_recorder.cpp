// Failures modules report: one line on standard error each, kept for the rest of the run.

#include "platform/crash_recorder.h"

#include <iostream>
#include <mutex>

#include "kx/kxcrash.h"

namespace kx::platform {
namespace {

class Recorder : public IKxadCrashRecorder {
 public:
  void recordException(const PqExceptionWithMsg& exception) override {
    std::cerr << "kxhost: module reported: " << exception.message() << " (line " << exception.line()
              << ")" << std::endl;
    const std::lock_guard lock(mutex_);
    reports_.push_back({exception.message(), exception.line()});
  }
  std::vector<CrashReport> reports() {
    const std::lock_guard lock(mutex_);
    return reports_;
  }
  void clear() {
    const std::lock_guard lock(mutex_);
    reports_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<CrashReport> reports_;
};

Recorder& recorder() {
  static Recorder instance;
  return instance;
}

}  // namespace

std::vector<CrashReport> crashReports() {
  return recorder().reports();
}

void clearCrashReports() {
  recorder().clear();
}

}  // namespace kx::platform

extern "C" IKxadCrashRecorder* kxadGetCrashRecorder() {
  return &kx::platform::recorder();
}
