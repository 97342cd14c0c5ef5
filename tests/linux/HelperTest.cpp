#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "FakeSysfs.h"
#include "platform/linux/ConfinedDir.h"
#include "platform/linux/HelperClient.h"
#include "platform/linux/HelperProtocol.h"
#include "platform/linux/HelperSession.h"
#include "platform/linux/LinuxReturnValues.h"
#include "platform/linux/Sha256.h"

namespace tbt::platform::linux_backend {
namespace {

namespace fs = std::filesystem;
using test::FakeSysfs;
using test::KernelAcceptableImage;

const std::vector<uint8_t> kImage = KernelAcceptableImage(64 * 1024);
const std::vector<uint8_t> kUntouched(128 * 1024, 0xEE);

std::string Text(std::span<const uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

class HelperTest : public testing::Test {
 protected:
  void SetUp() override {
    sys_.AddHostRouter("0-0", "18.0\n", {1, 2, 3, 4}, 128 * 1024);
    fs::create_directories(sys_.Outside());
  }

  // Runs one in-process session on the fake tree with `input`; returns its answers.
  std::string Session(const std::string& input, int* exitStatus = nullptr) {
    std::string_view rest = input;
    std::string answers;
    const HelperStreams streams{[&](std::span<uint8_t> buffer) {
                                  const size_t n = rest.copy(reinterpret_cast<char*>(buffer.data()),
                                                             buffer.size());
                                  rest.remove_prefix(n);
                                  return static_cast<long>(n);
                                },
                                [&](std::string_view text) { answers += text; }};
    const int status =
        RunHelperSession({"--sysfs-root", sys_.Root().string()}, streams, false, LockPath());
    if (exitStatus != nullptr) {
      *exitStatus = status;
    }
    return answers;
  }
  fs::path LockPath() const { return sys_.Outside() / "helper.lock"; }

  // The image written from offset 0, the rest of the NVM untouched, authentication asked.
  void ExpectFlashed() const {
    std::vector<uint8_t> expected = kImage;
    expected.resize(kUntouched.size(), 0xEE);
    EXPECT_EQ(sys_.NonActive(), expected);
    EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "1");
  }
  void ExpectNothingWritten() const {
    EXPECT_EQ(sys_.NonActive(), kUntouched);
    EXPECT_EQ(sys_.Read(FakeSysfs::Router("0-0") / "nvm_authenticate"), "0x0\n");
  }

  FakeSysfs sys_;
  SysfsTree tree_{sys_.Root()};
};

TEST_F(HelperTest, WritesOnlyAnImageThatArrivedWholeAndPassesTheKernelsRules) {
  const std::string header = FlashRequestLine("0-0", kImage);
  const std::string image = Text(kImage);
  std::vector<uint8_t> unaligned = kImage;
  unaligned.resize(unaligned.size() - 2);
  struct Case {
    const char* name;
    std::string input;
    uint32_t code;
  };
  const Case cases[] = {
      {"whole", header + image + "end\n", kTbtOk},
      {"short: the tool died while sending", header + image.substr(0, 4096), kTbtImageNotReceived},
      {"long: more than announced", header + image + "xxxx" + "end\n", kTbtImageNotReceived},
      {"nothing at all", header, kTbtImageNotReceived},
      {"empty", FlashRequestLine("0-0", {}) + "end\n", kTbtImageNotReceived},
      {"another image's digest",
       "flash 0-0 " + std::to_string(kImage.size()) + " " + Sha256Hex(unaligned) + "\n" + image +
           "end\n",
       kTbtImageNotReceived},
      {"a length above the cap", "flash 0-0 16777217 " + Sha256Hex(kImage) + "\n",
       kTbtImageNotReceived},
      {"refused by the kernel's rules",
       FlashRequestLine("0-0", unaligned) + Text(unaligned) + "end\n", kTbtImageLengthUnaligned},
      {"not a host router", FlashRequestLine("../../..", kImage) + image + "end\n", kTbtUnsafePath},
      {"a device router", FlashRequestLine("0-1", kImage) + image + "end\n", kTbtUnsafePath},
  };
  sys_.AddHostRouter("0-1", "18.0\n", {1, 2, 3, 4}, 128 * 1024);  // below the host router
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    uint32_t code = 0xFFFFFFFF;
    EXPECT_TRUE(ParseHelperResultLine(Session(c.input), &code));
    EXPECT_EQ(code, c.code);
    if (c.code == kTbtOk) {
      ExpectFlashed();
      sys_.AddHostRouter("0-0", "18.0\n", {1, 2, 3, 4}, 128 * 1024);
    } else {
      ExpectNothingWritten();
    }
  }
}

TEST_F(HelperTest, AnotherHelperHoldingTheLockMeansBusy) {
  const int held = ::open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
  const fs::path forcePower = sys_.AddForcePower();
  const std::string answers = Session(FlashRequestLine("0-0", kImage) + Text(kImage) +
                                      "end\nforce-power 1\nauth-status 0-0\n");
  EXPECT_EQ(answers, HelperResultLine(kTbtHelperBusy) + HelperResultLine(kTbtHelperBusy) +
                         HelperStatusLine(0) + HelperResultLine(kTbtOk));
  ExpectNothingWritten();
  EXPECT_EQ(sys_.Read(forcePower), "0\n");
  ::close(held);
}

TEST_F(HelperTest, ARequestItDoesNotTakeEndsTheSession) {
  const fs::path forcePower = sys_.AddForcePower();
  for (const char* input : {"erase\n", "force-power 2\n", "flash 0-0\n"}) {
    SCOPED_TRACE(input);
    int status = 0;
    uint32_t code = 0;
    EXPECT_FALSE(
        ParseHelperResultLine(Session(std::string(input) + "force-power 1\n", &status), &code));
    EXPECT_EQ(status, kHelperUsageError);
    EXPECT_EQ(sys_.Read(forcePower), "0\n");
  }
}

TEST_F(HelperTest, LinksSpecialFilesAndSecondNamesAreNeverWritten) {
  const fs::path router = sys_.Root() / FakeSysfs::Router("0-0");
  const fs::path outside = sys_.Write(sys_.Outside() / "target", "keep");
  struct Case {
    const char* name;
    std::function<void(const fs::path& file)> replace;
  };
  const Case cases[] = {
      {"a link out of the tree", [&](const fs::path& f) { fs::create_symlink(outside, f); }},
      {"a link inside the tree",
       [&](const fs::path& f) { fs::create_symlink(router / "nvm_version", f); }},
      {"a second name of a file outside",
       [&](const fs::path& f) { fs::create_hard_link(outside, f); }},
      {"a FIFO", [&](const fs::path& f) { ASSERT_EQ(::mkfifo(f.c_str(), 0600), 0); }},
      {"a folder", [&](const fs::path& f) { fs::create_directory(f); }},
  };
  DirectPrivilegedOps direct(tree_);
  for (const char* file : {"nvm_authenticate", "nvm_non_active0/nvmem", "force_power"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(file) + ": " + c.name);
      sys_.AddHostRouter("0-0", "18.0\n", {1, 2, 3, 4}, 128 * 1024);
      const bool power = std::string_view(file) == "force_power";
      const fs::path target = power ? sys_.Root() / sys_.AddForcePower() : router / file;
      fs::remove(target);
      c.replace(target);
      EXPECT_EQ(power ? direct.SetForcePower(true) : direct.WriteNvmAndAuthenticate("0-0", kImage),
                kTbtUnsafePath);
      EXPECT_EQ(sys_.Read(outside), "keep");
      fs::remove(target);
    }
  }
  // Neither way of opening follows a link, wherever it sits.
  const int rootFd = ::open(sys_.Root().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  for (const bool useOpenat2 : {true, false}) {
    SCOPED_TRACE(useOpenat2);
    for (const char* path :
         {"bus/thunderbolt/devices/0-0/nvm_version", "../outside/target", "/etc/hostname", ""}) {
      EXPECT_LT(OpenBeneath(rootFd, path, O_RDONLY, useOpenat2), 0) << path;
    }
    const int fd = OpenBeneath(rootFd, FakeSysfs::RealRouter("0-0").string() + "/nvm_version",
                               O_RDONLY, useOpenat2);
    EXPECT_GE(fd, 0);
    ::close(fd);
  }
  ::close(rootFd);
}

TEST_F(HelperTest, ALinkSwappedInDuringWritesNeverCarriesThemOutOfTheTree) {
  // Another thread swaps the non-active NVM's folder for a link out of the tree and
  // back, as fast as it can, while the NVM is written again and again.
  const fs::path real = sys_.Root() / FakeSysfs::RealRouter("0-0");
  const fs::path trap = sys_.WriteBytes(sys_.Outside() / "trap/nvmem", kUntouched).parent_path();
  fs::create_directory_symlink(trap, real / "link");
  fs::create_directory(real / "spare");
  std::atomic<bool> done = false;
  std::thread swapper([&] {
    for (int i = 0; i < 20000 && !done; ++i) {
      // rename() replaces the name atomically: a folder one moment, a link the next.
      fs::rename(real / "nvm_non_active0", real / "spare");
      fs::rename(real / "link", real / "nvm_non_active0");
      fs::rename(real / "nvm_non_active0", real / "link");
      fs::rename(real / "spare", real / "nvm_non_active0");
    }
  });
  DirectPrivilegedOps direct(tree_);
  for (int i = 0; i < 300; ++i) {
    direct.WriteNvmAndAuthenticate("0-0", kImage);  // refused or written, never outside
  }
  done = true;
  swapper.join();
  EXPECT_EQ(sys_.ReadBytes(trap / "nvmem"), kUntouched);
  // Once the swapping stops, the tree's own NVM is written as usual.
  EXPECT_EQ(direct.WriteNvmAndAuthenticate("0-0", kImage), kTbtOk);
  ExpectFlashed();
}

TEST_F(HelperTest, OneHelperServesAWholeUpdateAndTheNextUpdateStartsAnother) {
  if (!test::UseTestHelperLock(sys_)) {
    GTEST_SKIP() << "this build does not let tests move the helper's lock";
  }
  // The launcher counts its starts, as pkexec would count prompts.
  const fs::path starts = sys_.Outside() / "starts";
  HelperPrivilegedOps ops(
      tree_, TBT_HELPER_BUILD_PATH,
      {"/bin/sh", "-c", "echo start >> '" + starts.string() + "'; exec \"$0\" \"$@\""});
  const fs::path forcePower = sys_.AddForcePower();
  EXPECT_EQ(ops.SetForcePower(true), kTbtOk);
  EXPECT_EQ(ops.WriteNvmAndAuthenticate("0-0", kImage), kTbtOk);
  uint32_t status = 0xFF;
  EXPECT_EQ(ops.ReadAuthenticationStatus("0-0", &status), kTbtOk);
  EXPECT_EQ(status, 1u);  // the fake tree still holds the "1" just written
  EXPECT_EQ(ops.SetForcePower(false), kTbtOk);
  ops.Finish();
  ExpectFlashed();
  EXPECT_EQ(sys_.Read(forcePower), "0");
  EXPECT_EQ(sys_.Read(starts), "start\n");
  EXPECT_EQ(ops.SetForcePower(false), kTbtOk);  // no helper runs: no prompt just for off
  EXPECT_EQ(sys_.Read(starts), "start\n");
  EXPECT_EQ(ops.SetForcePower(true), kTbtOk);
  EXPECT_EQ(sys_.Read(starts), "start\nstart\n");
}

TEST_F(HelperTest, TheLaunchersExitStatusBecomesAReturnValue) {
  // /bin/sh stands in for pkexec; the helper's words become $0, $1, ...
  struct Case {
    const char* script;
    uint32_t code;
  };
  const Case cases[] = {
      {"read line; echo 'result 0x0000000E'", 0x0000000E},
      {"exit 126", kTbtAuthorizationRefused},
      {"read line; echo garbage", kTbtHelperFailed},
      {"kill -9 $$", kTbtHelperFailed},
      // The built helper under pkexec refuses any tree but /sys and writes nothing.
      {"PKEXEC_UID=1000 exec \"$0\" \"$@\"", kTbtHelperFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    HelperPrivilegedOps ops(tree_, TBT_HELPER_BUILD_PATH, {"/bin/sh", "-c", c.script});
    EXPECT_EQ(ops.WriteNvmAndAuthenticate("0-0", kImage), c.code);
  }
  ExpectNothingWritten();
  HelperPrivilegedOps missing(tree_, "helper", {(sys_.Outside() / "no-such-pkexec").string()});
  EXPECT_EQ(missing.WriteNvmAndAuthenticate("0-0", kImage), kTbtHelperFailed);
}

// Well-formed lines travel through every session above. A line cut short (a helper
// that died while writing) never reads as a result.
TEST(HelperProtocolTest, OnlyWholeResultLinesParseAndDigestsAreSha256) {
  uint32_t code = 0;
  for (const char* text :
       {"", "result 0x1\n", "result 0x2000000E", "result 0xZZZZZZZZ\n", "xresult 0x00000000\n"}) {
    EXPECT_FALSE(ParseHelperResultLine(text, &code)) << text;
  }
  // Published test vectors: empty, "abc", and two blocks' worth of padding.
  const std::string abc = "abc";
  const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(Sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex({reinterpret_cast<const uint8_t*>(abc.data()), abc.size()}),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex({reinterpret_cast<const uint8_t*>(twoBlocks.data()), twoBlocks.size()}),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace
}  // namespace tbt::platform::linux_backend
