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

  uint32_t Flash(const std::string& router, const std::vector<uint8_t>& image) {
    std::string output;
    EXPECT_EQ(RunHelperCommand({"--sysfs-root", sys_.Root().string(), "flash", router}, image,
                               false, &output),
              0);
    uint32_t code = 0xFFFFFFFF;
    EXPECT_TRUE(ParseHelperResultLine(output, &code)) << output;
    return code;
  }

  FakeSysfs sys_;
};

TEST_F(HelperTest, FlashWritesTheImageAndStartsAuthentication) {
  const std::vector<uint8_t> image = KernelAcceptableImage(64 * 1024);
  EXPECT_EQ(Flash("0-0", image), kTbtOk);
  const auto written = sys_.ReadBytes(FakeSysfs::Router("0-0") / "nvm_non_active0/nvmem");
  ASSERT_EQ(written.size(), 128u * 1024);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_EQ(written[64 * 1024], 0xEE);
  EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "1");
}

TEST_F(HelperTest, RefusesRoutersThatAreNotHostRoutersOfTheTree) {
  fs::create_directories(sys_.Outside() / "nvm_non_active0");
  { std::ofstream(sys_.Outside() / "nvm_non_active0" / "nvmem") << "keep"; }
  { std::ofstream(sys_.Outside() / "nvm_version") << "18.0\n"; }
  const std::vector<uint8_t> image = KernelAcceptableImage(64 * 1024);
  for (const std::string router : {"../../../../outside", "0-0/..", "..", "", "0-1", "9-0"}) {
    SCOPED_TRACE(router);
    EXPECT_EQ(Flash(router, image), kTbtUnsafePath);
  }
  std::ifstream in(sys_.Outside() / "nvm_non_active0" / "nvmem");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
  EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "0x0\n");
}

TEST_F(HelperTest, RefusesAnAuthenticateLinkThatLeavesTheTree) {
  fs::create_directories(sys_.Outside());
  { std::ofstream(sys_.Outside() / "target") << "keep"; }
  const fs::path authenticate = sys_.Root() / FakeSysfs::Router("0-0") / "nvm_authenticate";
  fs::remove(authenticate);
  fs::create_symlink(sys_.Outside() / "target", authenticate);
  EXPECT_EQ(Flash("0-0", KernelAcceptableImage(64 * 1024)), kTbtUnsafePath);
  // Nothing was written, not even the NVM, once one target was found unsafe.
  EXPECT_EQ(sys_.ReadBytes(FakeSysfs::Router("0-0") / "nvm_non_active0/nvmem"),
            std::vector<uint8_t>(128 * 1024, 0xEE));
}

TEST_F(HelperTest, ForcePowerSwitchesTheAttribute) {
  const auto attribute = sys_.AddForcePower().lexically_relative(sys_.Root());
  for (const char* value : {"1", "0"}) {
    std::string output;
    ASSERT_EQ(RunHelperCommand({"--sysfs-root", sys_.Root().string(), "force-power", value}, {},
                               false, &output),
              0);
    EXPECT_EQ(output, HelperResultLine(kTbtOk));
    EXPECT_EQ(sys_.Read(attribute), value);
  }
}

TEST_F(HelperTest, AuthStatusReadsTheRoutersStatusForTheClient) {
  SysfsTree tree(sys_.Root());
  HelperPrivilegedOps ops(tree, "/usr/libexec/tbt-nvm-helper", {}, RunInProcess);
  struct Case {
    const char* file;
    uint32_t code;
    uint32_t status;
  };
  const Case cases[] = {
      {"0x0\n", kTbtOk, 0},
      {"0x41\n", kTbtOk, 0x41},
      {"garbage\n", kTbtReadFailed, 0xFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    sys_.Write(FakeSysfs::Router("0-0") / "nvm_authenticate", c.file);
    uint32_t status = 0xFFFF;
    EXPECT_EQ(ops.ReadAuthenticationStatus("0-0", &status), c.code);
    EXPECT_EQ(status, c.status);
  }
  uint32_t status = 0xFFFF;
  EXPECT_EQ(ops.ReadAuthenticationStatus("../0-0", &status), kTbtUnsafePath);
  EXPECT_EQ(ops.ReadAuthenticationStatus("7-0", &status), kTbtUnsafePath);
  EXPECT_EQ(status, 0xFFFFu);
}

TEST_F(HelperTest, RejectsCommandLinesItDoesNotTake) {
  const std::vector<std::vector<std::string>> lines = {
      {},
      {"--sysfs-root", sys_.Root().string()},
      {"--sysfs-root", sys_.Root().string(), "flash"},
      {"--sysfs-root", sys_.Root().string(), "flash", "0-0", "extra"},
      {"--sysfs-root", sys_.Root().string(), "force-power", "2"},
      {"--sysfs-root", sys_.Root().string(), "erase"},
      {"--sysfs-root", sys_.Root().string(), "auth-status"},
  };
  for (const auto& line : lines) {
    std::string output;
    EXPECT_EQ(RunHelperCommand(line, {}, false, &output), kHelperUsageError);
    uint32_t code = 0;
    EXPECT_FALSE(ParseHelperResultLine(output, &code));
  }
}

TEST_F(HelperTest, UnderPkexecTheTreeIsPinnedToSys) {
  std::string output;
  EXPECT_EQ(RunHelperCommand({"--sysfs-root", sys_.Root().string(), "force-power", "1"}, {},
                             /*underPkexec=*/true, &output),
            kHelperUsageError);
  EXPECT_NE(output.find("not allowed under pkexec"), std::string::npos);
}

TEST(HelperResultLineTest, RoundTripsAndRejectsOtherText) {
  uint32_t code = 0;
  ASSERT_TRUE(ParseHelperResultLine(HelperResultLine(0x2000000E), &code));
  EXPECT_EQ(code, 0x2000000Eu);
  ASSERT_TRUE(ParseHelperStatusLine(HelperResultLine(0) + HelperStatusLine(0x41), &code));
  EXPECT_EQ(code, 0x41u);
  for (const char* text : {"", "result 0x1\n", "result 0x2000000E", "result 0xZZZZZZZZ\n",
                           "Error executing command as another user\n", "xresult 0x00000000\n"}) {
    SCOPED_TRACE(text);
    EXPECT_FALSE(ParseHelperResultLine(text, &code));
  }
}

TEST_F(HelperTest, TheClientSendsTheImageAndReadsTheResult) {
  SysfsTree tree(sys_.Root());
  std::vector<std::vector<std::string>> seen;
  HelperPrivilegedOps ops(tree, "/usr/libexec/tbt-nvm-helper", {},
                          [&](const std::vector<std::string>& argv, std::span<const uint8_t> in) {
                            seen.push_back(argv);
                            return RunInProcess(argv, in);
                          });
  const std::vector<uint8_t> image = KernelAcceptableImage(64 * 1024);
  EXPECT_EQ(ops.WriteNvmAndAuthenticate("0-0", image), kTbtOk);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], (std::vector<std::string>{"/usr/libexec/tbt-nvm-helper", "--sysfs-root",
                                               sys_.Root().string(), "flash", "0-0"}));
  EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "1");

  // No force_power attribute: no helper run, so no authorisation is asked for.
  EXPECT_EQ(ops.SetForcePower(true), kTbtOk);
  EXPECT_EQ(seen.size(), 1u);
  sys_.AddForcePower();
  EXPECT_EQ(ops.SetForcePower(true), kTbtOk);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].back(), "1");
}

TEST_F(HelperTest, TheLaunchersExitStatusBecomesAReturnValue) {
  // Real processes: /bin/sh stands in for pkexec and exits as pkexec does.
  SysfsTree tree(sys_.Root());
  struct Case {
    const char* script;
    uint32_t code;
  };
  const Case cases[] = {
      {"cat >/dev/null; echo 'result 0x0000000E'", 0x0000000E},
      {"cat >/dev/null; exit 126", kTbtAuthorizationRefused},
      {"cat >/dev/null; exit 127", kTbtAuthorizationRefused},
      {"cat >/dev/null; echo garbage", kTbtHelperFailed},
      {"kill -9 $$", kTbtHelperFailed},
  };
  const std::vector<uint8_t> image = KernelAcceptableImage(64 * 1024);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    // sh -c SCRIPT helper --sysfs-root ... : the helper's words become $0, $1, ...
    HelperPrivilegedOps ops(tree, "helper", {"/bin/sh", "-c", c.script});
    EXPECT_EQ(ops.WriteNvmAndAuthenticate("0-0", image), c.code);
  }
  HelperPrivilegedOps missing(tree, "helper", {(sys_.Outside() / "no-such-pkexec").string()});
  EXPECT_EQ(missing.WriteNvmAndAuthenticate("0-0", image), kTbtHelperFailed);
}

TEST(RunProcessTest, FeedsTheInputAndCollectsTheOutput) {
  const std::vector<uint8_t> input = {'a', 'b', 'c'};
  const ProcessOutcome outcome = RunProcess({"/bin/sh", "-c", "tr a-c x-z; exit 3"}, input);
  EXPECT_EQ(outcome.exitStatus, 3);
  EXPECT_EQ(outcome.output, "xyz");
}

}  // namespace
}  // namespace tbt::platform::linux_backend

namespace tbt::platform::linux_backend {
namespace {

// The built helper program sits in the build tree's helper/ folder beside tests/.
std::string BuiltHelper() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) {
    return {};
  }
  const fs::path helper = self.parent_path().parent_path() / "helper" / "tbt-nvm-helper";
  return fs::exists(helper, ec) ? helper.string() : std::string();
}

class HelperProgramTest : public HelperTest {
 protected:
  void SetUp() override {
    helper_ = BuiltHelper();
    if (helper_.empty()) {
      GTEST_SKIP() << "tbt-nvm-helper is not built (build the tbt-nvm-helper target)";
    }
    HelperTest::SetUp();
  }
  std::string helper_;
};

TEST_F(HelperProgramTest, TheProgramFlashesTheFakeTreeWhenRunDirectly) {
  SysfsTree tree(sys_.Root());
  HelperPrivilegedOps ops(tree, helper_, {});
  const std::vector<uint8_t> image = KernelAcceptableImage(64 * 1024);
  EXPECT_EQ(ops.WriteNvmAndAuthenticate("0-0", image), kTbtOk);
  const auto written = sys_.ReadBytes(FakeSysfs::Router("0-0") / "nvm_non_active0/nvmem");
  ASSERT_EQ(written.size(), 128u * 1024);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), written.begin()));
  EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "1");
  EXPECT_EQ(ops.WriteNvmAndAuthenticate("../../outside", image), kTbtUnsafePath);
}

TEST_F(HelperProgramTest, TheProgramKeepsToSysWhenStartedByPkexec) {
  const ProcessOutcome outcome =
      RunProcess({"/usr/bin/env", "PKEXEC_UID=1000", helper_, "--sysfs-root", sys_.Root().string(),
                  "force-power", "1"},
                 {});
  EXPECT_EQ(outcome.exitStatus, kHelperUsageError);
  EXPECT_TRUE(outcome.output.empty());
}

}  // namespace
}  // namespace tbt::platform::linux_backend
