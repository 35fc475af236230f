// Failures modules report: one line each on standard error.

#include <gtest/gtest.h>

#include "kx/kxcrash.h"

namespace {

TEST(CrashRecorder, ReportsGoToStandardError) {
  testing::internal::CaptureStderr();
  try {
    throw PqExceptionWithMsg("PQ_TEXT_CONVERT_FAILED", 70);
  } catch (const PqExceptionWithMsg& e) {
    EXPECT_STREQ(e.what(), "PQ_TEXT_CONVERT_FAILED");
    kxadGetCrashRecorder()->recordException(e);
  }
  kxadGetCrashRecorder()->recordException(PqExceptionWithMsg(nullptr, 3));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "kxhost: module reported: PQ_TEXT_CONVERT_FAILED (line 70)\n"
            "kxhost: module reported:  (line 3)\n");
}

}  // namespace
