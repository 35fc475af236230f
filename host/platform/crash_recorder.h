#pragma once
// The reports modules made through kxadGetCrashRecorder in this run.

#include <string>
#include <vector>

namespace kx::platform {

struct CrashReport {
  std::string message;
  int line = 0;
  bool operator==(const CrashReport&) const = default;
};

std::vector<CrashReport> crashReports();
void clearCrashReports();

}  // namespace kx::platform
