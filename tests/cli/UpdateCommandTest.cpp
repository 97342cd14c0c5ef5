#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "cli/UpdateCommand.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "support/NonRegularFile.h"
#include "support/TemporaryFolderVariable.h"
#if TBT_HAVE_LINUX_BACKEND
#include "linux/FakeSysfs.h"
#endif

namespace tbt::cli {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

class UpdateCommandTest : public clitest::CommandTest {
 protected:
  void SetUp() override {
    fs::create_directory(folder.Path("tmp"));
    // The command's own temporary folder goes here, so the test can see it removed.
    temporaryFolder_.emplace(folder.Path("tmp"));
  }

  int Update(const std::vector<std::string>& args,
             const PlatformSelection& platform = {PlatformChoice::kEmulated, {}}) {
    return Run(RunUpdateCommand, args, platform);
  }

  // Only the command's own program folders count; a test may keep other folders there.
  bool TemporaryFoldersLeft() const {
    return std::ranges::any_of(fs::directory_iterator(folder.Path("tmp")), [](const auto& entry) {
      return entry.path().filename().string().starts_with("tbt-nvm-update-");
    });
  }

 private:
  std::optional<test::TemporaryFolderVariable> temporaryFolder_;
};

std::vector<uint8_t> ImageWithVersion(uint8_t version) {
  return emulated::DefaultBoardBuilder().Version(version).BuildImage();
}

TEST_F(UpdateCommandTest, UpdatesTheBuiltInControllerWithTheDemoImageUnlessOnBattery) {
  const std::string image = folder.Write("demo.img", emulated::DemoImage());
  EXPECT_EQ(Update({image, "--json"}), 0) << err.str();
  EXPECT_EQ(
      out.str(),
      "{\"result\": 0, \"code\": \"0x00000000\", \"name\": \"TBU_OK\", "
      "\"installed_version\": 32, \"image_version\": 33, \"written\": true, "
      "\"reason\": \"the firmware was written\", \"region\": null, \"region_detail\": null}\n");
  EXPECT_FALSE(TemporaryFoldersLeft());

  // On battery nothing is switched on or written unless battery is allowed.
  PlatformSelection onBattery{PlatformChoice::kEmulated, {}};
  onBattery.emulatedPower = emulated::PowerMode::kBattery;
  EXPECT_EQ(Update({image}, onBattery), 1);
  EXPECT_THAT(out.str(),
              HasSubstr("written:           no\nresult:            0x1043000E TBU_E_ON_BATTERY"));
  EXPECT_EQ(Update({image, "--allow-battery"}, onBattery), 0) << err.str();
}

TEST_F(UpdateCommandTest, ReportsEachOutcomeWithItsExitCode) {
  // Which outcome the worker reaches is its own tests' business; here only how the
  // command passes its options on and reports what came back.
  const auto otherBoard = emulated::DefaultBoardBuilder().RegionByte(0, 0x129, 1).BuildImage();
  const struct {
    const char* name;
    std::vector<uint8_t> image;
    std::vector<std::string> extra;
    int exitCode;
    std::string fragment;
  } cases[] = {
      {"downgrade allowed", ImageWithVersion(0x1F), {"--downgradable"}, 0, "TBU_OK"},
      {"empty image", {}, {}, 1, "image version:     (not read)"},
      // The check's refusal reads as in `check`: the version read, the row, both sides' bytes.
      {"region mismatch", otherBoard, {}, 1, "image version:     0x20 (32)\nwritten:           no"},
      {"region detail", otherBoard, {}, 1, "compared bytes:    image 0x01, controller 0x29"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {folder.Write("image.bin", c.image)};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    EXPECT_EQ(Update(args), c.exitCode) << err.str();
    EXPECT_THAT(out.str(), HasSubstr(c.fragment));
    EXPECT_THAT(out.str(), HasSubstr("emulated"));
    EXPECT_FALSE(TemporaryFoldersLeft());
  }
}

// --controller-image: the Linux test below. TBT_EMULATED_CONTROLLER, here an NVM file:
TEST_F(UpdateCommandTest, TakesTheControllerFromAFile) {
  const std::string newer = folder.Write("newer.bin", ImageWithVersion(0x30));
  PlatformSelection fromEnvironment{PlatformChoice::kEmulated, {}};
  fromEnvironment.emulatedControllerFile = folder.Write(
      "controller.nvm", emulated::DefaultBoardBuilder().Version(0x40).BuildControllerNvm());
  EXPECT_EQ(Update({newer, "--json"}, fromEnvironment), 1);
  EXPECT_THAT(out.str(), HasSubstr("\"name\": \"TBU_E_DOWNGRADE\""));
  EXPECT_THAT(out.str(), HasSubstr("\"written\": false"));
}

TEST_F(UpdateCommandTest, RefusesBadUsageAndUnreadableFiles) {
  const std::string image = folder.Write("demo.bin", emulated::DemoImage());
  const std::string special = test::MakeNonRegularFile(folder.Path("fifo.bin")).string();
  // Why each is refused: the word splitter's and file reader's tests.
  const std::vector<std::vector<std::string>> cases = {
      {image, "--bogus"}, {special},  // refused at once, never waited on
  };
  for (const std::vector<std::string>& args : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    EXPECT_EQ(Update(args), 2);
    EXPECT_TRUE(out.str().empty());
    EXPECT_FALSE(err.str().empty());
    EXPECT_FALSE(TemporaryFoldersLeft());
  }
}

#if TBT_HAVE_LINUX_BACKEND
TEST_F(UpdateCommandTest, OnLinuxTheMachinesControllerIsUpdatedUnlessAFileNamesOne) {
  // A tree without the Thunderbolt bus: the board device is missing, so the worker
  // never starts and nothing reaches systemd.
  test::FakeSysfs sysfs;
  PlatformSelection onLinux;  // the option, not the selection, names the tree
  onLinux.sysfsRoot = "/nowhere";
  const std::string image = folder.Write("demo.bin", emulated::DemoImage());
  EXPECT_EQ(Update({image, "--sysfs-root", sysfs.Root().string()}, onLinux), 1) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("platform:          linux"));
  EXPECT_THAT(out.str(), HasSubstr("TBU_E_NO_ACPI_DEVICE"));
  EXPECT_FALSE(TemporaryFoldersLeft());

  const std::string controller = folder.Write("controller.bin", ImageWithVersion(0x20));
  EXPECT_EQ(Update({image, "--controller-image", controller}, onLinux), 0) << err.str();
  EXPECT_THAT(out.str(), HasSubstr("platform:          emulated"));
  EXPECT_THAT(out.str(), HasSubstr("written:           yes"));
}
#else
TEST_F(UpdateCommandTest, OnLinuxWithoutTheBackendNothingRuns) {
  const std::string image = folder.Write("demo.bin", emulated::DemoImage());
  EXPECT_EQ(Update({image}, {PlatformChoice::kLinux, "/nowhere"}), 2);
  EXPECT_THAT(err.str(), HasSubstr("no Linux backend"));
  EXPECT_TRUE(out.str().empty());
  EXPECT_FALSE(TemporaryFoldersLeft());
}
#endif

}  // namespace
}  // namespace tbt::cli
