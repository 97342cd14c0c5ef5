#include "cli/PlatformChoice.h"

#include <gtest/gtest.h>

#include <string>

#include "update/ResultCodes.h"
#if TBT_HAVE_LINUX_BACKEND
#include "platform/linux/LinuxReturnValues.h"
#endif

namespace tbt::cli {
namespace {

TEST(ResultReasonTest, TheLinuxProvidersValuesAreExplainedOnlyWhenTheRunWasThere) {
  constexpr uint32_t kPermissionDenied = 0x2000000C;
  const std::string generic(ResultCodeDescription(kPermissionDenied));
  EXPECT_EQ(ResultReason(kPermissionDenied, PlatformChoice::kEmulated), generic);
  // The tool's own codes read the same on both backends.
  for (PlatformChoice ranOn : {PlatformChoice::kEmulated, PlatformChoice::kLinux}) {
    EXPECT_EQ(ResultReason(TBU_E_DOWNGRADE, ranOn), ResultCodeDescription(TBU_E_DOWNGRADE));
  }
#if TBT_HAVE_LINUX_BACKEND
  static_assert(kPermissionDenied == platform::linux_backend::kTbtPermissionDenied);
  const std::string linuxReason = ResultReason(kPermissionDenied, PlatformChoice::kLinux);
  EXPECT_EQ(linuxReason, platform::linux_backend::TbtReturnValueDescription(kPermissionDenied));
  EXPECT_NE(linuxReason, generic);
  // A value the Linux provider never gives keeps the generic sentence.
  EXPECT_EQ(ResultReason(5, PlatformChoice::kLinux), ResultCodeDescription(5));
  // A refusal of the controller carries the kernel's status for update's JSON.
  EXPECT_EQ(AuthenticationStatus(0x21000041, PlatformChoice::kLinux), 0x41u);
  EXPECT_EQ(AuthenticationStatus(0x21000041, PlatformChoice::kEmulated), std::nullopt);
#else
  EXPECT_EQ(ResultReason(kPermissionDenied, PlatformChoice::kLinux), generic);
#endif
}

// `written` reports what reached the controller: nothing, when the prompt was refused.
TEST(RefusedBeforeWritingTest, OnlyARefusedAuthorisationOnLinux) {
  constexpr uint32_t kAuthorizationRefused = 0x20000013;
#if TBT_HAVE_LINUX_BACKEND
  static_assert(kAuthorizationRefused == platform::linux_backend::kTbtAuthorizationRefused);
  EXPECT_TRUE(RefusedBeforeWriting(kAuthorizationRefused, PlatformChoice::kLinux));
#endif
  EXPECT_FALSE(RefusedBeforeWriting(kAuthorizationRefused, PlatformChoice::kEmulated));
  EXPECT_FALSE(RefusedBeforeWriting(0x2000000F, PlatformChoice::kLinux));  // a failed write
}

}  // namespace
}  // namespace tbt::cli
