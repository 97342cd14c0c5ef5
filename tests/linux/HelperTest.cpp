#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FakeSysfs.h"
#include "platform/linux/HelperProtocol.h"
#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {
namespace {

namespace fs = std::filesystem;
using test::FakeSysfs;
using test::KernelAcceptableImage;

const std::vector<uint8_t> kImage = KernelAcceptableImage(64 * 1024);
const std::vector<uint8_t> kUntouched(128 * 1024, 0xEE);

// Runs the helper's command in-process, as the installed program would.
ProcessOutcome RunInProcess(const std::vector<std::string>& argv, std::span<const uint8_t> input) {
  ProcessOutcome outcome;
  outcome.exitStatus = RunHelperCommand(std::vector<std::string>(argv.begin() + 1, argv.end()),
                                        input, /*underPkexec=*/false, &outcome.output);
  return outcome;
}

class HelperTest : public testing::Test {
 protected:
  void SetUp() override { sys_.AddHostRouter("0-0", "18.0\n", {1, 2, 3, 4}, 128 * 1024); }

  // Runs one command on the fake tree; returns its ReturnValue.
  uint32_t Command(const std::string& command, const std::string& router) {
    std::string output;
    EXPECT_EQ(RunHelperCommand({"--sysfs-root", sys_.Root().string(), command, router}, kImage,
                               false, &output),
              0);
    uint32_t code = 0xFFFFFFFF;
    EXPECT_TRUE(ParseHelperResultLine(output, &code)) << output;
    return code;
  }
  // The image written from offset 0, the rest of the NVM untouched, authentication asked.
  void ExpectFlashed() const {
    std::vector<uint8_t> expected = kImage;
    expected.resize(kUntouched.size(), 0xEE);
    EXPECT_EQ(sys_.NonActive(), expected);
    EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "1");
  }

  FakeSysfs sys_;
  SysfsTree tree_{sys_.Root()};
};

TEST_F(HelperTest, TheClientRunsTheHelperToFlashAndToSwitchForcePower) {
  std::vector<std::vector<std::string>> seen;
  HelperPrivilegedOps ops(tree_, "/usr/libexec/tbt-nvm-helper", {},
                          [&](const std::vector<std::string>& argv, std::span<const uint8_t> in) {
                            seen.push_back(argv);
                            return RunInProcess(argv, in);
                          });
  EXPECT_EQ(ops.WriteNvmAndAuthenticate("0-0", kImage), kTbtOk);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (std::vector<std::string>{"/usr/libexec/tbt-nvm-helper", "--sysfs-root",
                                               sys_.Root().string(), "flash", "0-0"}));
  ExpectFlashed();

  // No force_power attribute: no helper run, so no authorisation is asked for.
  EXPECT_EQ(ops.SetForcePower(true), kTbtOk);
  EXPECT_EQ(seen.size(), 1u);
  const fs::path attribute = sys_.AddForcePower();
  for (const bool on : {true, false}) {
    EXPECT_EQ(ops.SetForcePower(on), kTbtOk);
    EXPECT_EQ(sys_.Read(attribute), on ? "1" : "0");
  }
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(HelperTest, RefusesRoutersThatAreNotHostRoutersOfTheTree) {
  const fs::path outsideNvm = sys_.Write(sys_.Outside() / "nvm_non_active0/nvmem", "keep");
  sys_.Write(sys_.Outside() / "nvm_version", "18.0\n");
  for (const std::string router : {"../../../../outside", "0-0/..", "..", "", "0-1", "9-0"}) {
    SCOPED_TRACE(router);
    EXPECT_EQ(Command("flash", router), kTbtUnsafePath);
    EXPECT_EQ(Command("auth-status", router), kTbtUnsafePath);
  }
  EXPECT_EQ(sys_.Read(outsideNvm), "keep");
  EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "0x0\n");
}

TEST_F(HelperTest, RefusesAnAuthenticateLinkThatLeavesTheTree) {
  const fs::path target = sys_.Write(sys_.Outside() / "target", "keep");
  const fs::path authenticate = sys_.Root() / FakeSysfs::Router("0-0") / "nvm_authenticate";
  fs::remove(authenticate);
  fs::create_symlink(target, authenticate);
  EXPECT_EQ(Command("flash", "0-0"), kTbtUnsafePath);
  // Nothing was written, not even the NVM, once one target was found unsafe.
  EXPECT_EQ(sys_.NonActive(), kUntouched);
  EXPECT_EQ(sys_.Read(target), "keep");
}

TEST_F(HelperTest, RejectsCommandLinesItDoesNotTakeAndOtherTreesUnderPkexec) {
  const std::string root = sys_.Root().string();
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"--sysfs-root", root},
      {"--sysfs-root", root, "flash", "0-0", "extra"},
      {"--sysfs-root", root, "force-power", "2"},
      {"--sysfs-root", root, "erase"},
  };
  for (const auto& line : lines) {
    std::string output;
    EXPECT_EQ(RunHelperCommand(line, {}, false, &output), kHelperUsageError);
    uint32_t code = 0;
    EXPECT_FALSE(ParseHelperResultLine(output, &code));
  }
  std::string output;
  EXPECT_EQ(RunHelperCommand({"--sysfs-root", root, "force-power", "1"}, {}, true, &output),
            kHelperUsageError);
  EXPECT_NE(output.find("not allowed under pkexec"), std::string::npos);
}

TEST(HelperResultLineTest, RoundTripsAndRejectsOtherText) {
  uint32_t code = 0;
  ASSERT_TRUE(ParseHelperResultLine(HelperResultLine(0x2000000E), &code));
  EXPECT_EQ(code, 0x2000000Eu);
  ASSERT_TRUE(ParseHelperStatusLine(HelperResultLine(0) + HelperStatusLine(0x41), &code));
  EXPECT_EQ(code, 0x41u);
  for (const char* text :
       {"", "result 0x1\n", "result 0x2000000E", "result 0xZZZZZZZZ\n", "xresult 0x00000000\n"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseHelperResultLine(text, &code));
  }
}

TEST_F(HelperTest, TheLaunchersExitStatusBecomesAReturnValue) {
  // Real processes: /bin/sh stands in for pkexec and exits as pkexec does; the helper's
  // words become $0, $1, ...
  struct Case {
    const char* script;
    uint32_t code;
  };
  const Case cases[] = {
      {"cat >/dev/null; echo 'result 0x0000000E'", 0x0000000E},
      {"cat >/dev/null; exit 126", kTbtAuthorizationRefused},
      {"cat >/dev/null; echo garbage", kTbtHelperFailed},
      {"kill -9 $$", kTbtHelperFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    HelperPrivilegedOps ops(tree_, "helper", {"/bin/sh", "-c", c.script});
    EXPECT_EQ(ops.WriteNvmAndAuthenticate("0-0", kImage), c.code);
  }
  HelperPrivilegedOps missing(tree_, "helper", {(sys_.Outside() / "no-such-pkexec").string()});
  EXPECT_EQ(missing.WriteNvmAndAuthenticate("0-0", kImage), kTbtHelperFailed);
}

// The built program sits in the build tree's helper/ folder beside tests/.
TEST_F(HelperTest, TheBuiltProgramFlashesTheFakeTreeButKeepsToSysUnderPkexec) {
  std::error_code ec;
  const fs::path helper =
      fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "helper/tbt-nvm-helper";
  if (ec || !fs::exists(helper, ec)) {
    GTEST_SKIP() << "tbt-nvm-helper is not built (build the tbt-nvm-helper target)";
  }
  HelperPrivilegedOps ops(tree_, helper.string(), {});
  EXPECT_EQ(ops.WriteNvmAndAuthenticate("../../outside", kImage), kTbtUnsafePath);
  EXPECT_EQ(ops.WriteNvmAndAuthenticate("0-0", kImage), kTbtOk);
  ExpectFlashed();

  const ProcessOutcome outcome =
      RunProcess({"/usr/bin/env", "PKEXEC_UID=1000", helper.string(), "--sysfs-root",
                  sys_.Root().string(), "force-power", "1"},
                 {});
  EXPECT_EQ(outcome.exitStatus, kHelperUsageError);
  EXPECT_TRUE(outcome.output.empty());
}

}  // namespace
}  // namespace tbt::platform::linux_backend
