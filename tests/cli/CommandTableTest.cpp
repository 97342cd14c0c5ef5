// Commands and the platform they run on: dispatch by name, the backend TBT_PLATFORM
// names, and how each backend's results read.

#include "cli/CommandTable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

#include "cli/PlatformChoice.h"
#include "update/ResultCodes.h"
#if TBT_HAVE_LINUX_BACKEND
#include "platform/linux/LinuxReturnValues.h"
#endif

namespace tbt::cli {
namespace {

std::vector<std::string> g_received;

int RecordArguments(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  g_received = args;
  out << "ran";
  return 7;
}

constexpr std::array kCommands{
    Command{"first", "the first command", RecordArguments},
    Command{"second", "the second command", RecordArguments},
};

TEST(DispatchCommandTest, RunsTheNamedCommandOrShowsTheUsageOnErrorsUnlessHelpWasAskedFor) {
  const struct {
    std::vector<std::string> args;
    int status;  // 7: the command ran
    bool usageOnOut;
  } cases[] = {{{"second", "x", "--y"}, 7, false},
               {{}, 2, false},
               {{"third"}, 2, false},
               {{"help"}, 0, true},
               {{"--help"}, 0, true}};
  for (const auto& c : cases) {
    std::ostringstream out;
    std::ostringstream err;
    g_received = {"untouched"};
    EXPECT_EQ(DispatchCommand(kCommands, c.args, out, err), c.status);
    if (c.status == 7) {
      EXPECT_EQ(g_received, (std::vector<std::string>{"x", "--y"}));
      EXPECT_EQ(out.str(), "ran");
      continue;
    }
    const std::string usage = c.usageOnOut ? out.str() : err.str();
    EXPECT_NE(usage.find("first"), std::string::npos) << usage;
    EXPECT_NE(usage.find("the second command"), std::string::npos) << usage;
    EXPECT_EQ(g_received, std::vector<std::string>{"untouched"});
  }
}

PlatformSelection g_platformSeen;

int RecordPlatform(const std::vector<std::string>& args, const PlatformSelection& platform,
                   std::ostream& out, std::ostream&) {
  g_platformSeen = platform;
  g_received = args;
  out << "ran";
  return 5;
}

TEST(RunOnChosenPlatformTest, PassesTheNamedBackendOnTheRealRootOrRefusesAnUnknownName) {
  const struct {
    const char* tbtPlatform;
    int status;  // 5: the command ran
    PlatformChoice choice;
  } cases[] = {
      // The names themselves: the LaunchOptions tests, which share the parser.
      {nullptr, 5, emulated::kNativeBackend},
      {"emulated", 5, PlatformChoice::kEmulated},
      {"Emulated", 2, emulated::kNativeBackend},
#ifdef _WIN32
      {"linux", 2, emulated::kNativeBackend},  // the other system's backend
#else
      {"windows", 2, emulated::kNativeBackend},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tbtPlatform == nullptr ? "(unset)" : c.tbtPlatform);
    std::ostringstream out;
    std::ostringstream err;
    g_received = {"untouched"};
    g_platformSeen = PlatformSelection{PlatformChoice::kEmulated, "unseen"};
    EXPECT_EQ(RunOnChosenPlatform(c.tbtPlatform, RecordPlatform, {"img.bin"}, out, err), c.status);
    if (c.status == 5) {
      EXPECT_EQ(g_received, std::vector<std::string>{"img.bin"});
      EXPECT_EQ(g_platformSeen.choice, c.choice);
      EXPECT_EQ(g_platformSeen.sysfsRoot, "/sys");
    } else {
      EXPECT_EQ(g_received, std::vector<std::string>{"untouched"});
      EXPECT_THAT(err.str(), testing::AllOf(testing::HasSubstr("TBT_PLATFORM"),
                                            testing::HasSubstr(c.tbtPlatform),
                                            testing::HasSubstr("or emulated")));
    }
  }
}

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
