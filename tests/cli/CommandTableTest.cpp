#include "cli/CommandTable.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

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
  struct Case {
    std::vector<std::string> args;
    int status;  // 7: the command ran
    bool usageOnOut;
  };
  for (const Case& c :
       {Case{{"second", "x", "--y"}, 7, false}, Case{{}, 2, false}, Case{{"third"}, 2, false},
        Case{{"help"}, 0, true}, Case{{"--help"}, 0, true}}) {
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
  struct Case {
    const char* tbtPlatform;
    int status;  // 5: the command ran
    PlatformChoice choice;
  };
  const Case cases[] = {
      // The names themselves: LaunchOptionsTest, which shares the parser.
      {nullptr, 5, PlatformChoice::kLinux},
      {"emulated", 5, PlatformChoice::kEmulated},
      {"Emulated", 2, PlatformChoice::kLinux},
  };
  for (const Case& c : cases) {
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
      EXPECT_THAT(err.str(), testing::HasSubstr("TBT_PLATFORM must be linux or emulated, not '" +
                                                std::string(c.tbtPlatform) + "'"));
    }
  }
}

}  // namespace
}  // namespace tbt::cli
