#include "cli/CommandTable.h"

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

TEST(DispatchCommandTest, PassesTheWordsAfterTheNameAndReturnsTheCommandsStatus) {
  std::ostringstream out;
  std::ostringstream err;
  g_received.clear();
  EXPECT_EQ(DispatchCommand(kCommands, {"second", "x", "--y"}, out, err), 7);
  EXPECT_EQ(g_received, (std::vector<std::string>{"x", "--y"}));
  EXPECT_EQ(out.str(), "ran");
}

TEST(DispatchCommandTest, UsageGoesToErrorsUnlessHelpWasAskedFor) {
  struct Case {
    std::vector<std::string> args;
    int status;
    bool usageOnOut;
  };
  for (const Case& c : {Case{{}, 2, false}, Case{{"third"}, 2, false}, Case{{"help"}, 0, true},
                        Case{{"--help"}, 0, true}}) {
    std::ostringstream out;
    std::ostringstream err;
    g_received = {"untouched"};
    EXPECT_EQ(DispatchCommand(kCommands, c.args, out, err), c.status);
    const std::string usage = c.usageOnOut ? out.str() : err.str();
    EXPECT_NE(usage.find("first"), std::string::npos) << usage;
    EXPECT_NE(usage.find("the second command"), std::string::npos) << usage;
    EXPECT_EQ(g_received, std::vector<std::string>{"untouched"});
  }
}

}  // namespace
}  // namespace tbt::cli
