#include "cli/CheckCommand.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CliTestSupport.h"
#if TBT_HAVE_LINUX_BACKEND
#include "linux/FakeSysfs.h"
#endif
#include "platform/emulated/NvmImageBuilder.h"
#include "update/NvmCheckFixture.h"

namespace tbt::cli {
namespace {

using clitest::JsonField;
using emulated::NvmImageBuilder;
using testing::HasSubstr;

const PlatformSelection kEmulated{PlatformChoice::kEmulated};

// ReadFirmware calls of a check made directly through the client, for comparison.
[[maybe_unused]] size_t DirectReadCalls(const std::vector<uint8_t>& image,
                                        const std::vector<uint8_t>& nvm) {
  checktest::ControllerUnderTest controller(nvm);
  controller.Check(image);
  return controller.ReadCalls();
}

// The check on the emulated backend: the built-in controller, or one from a file.
class CheckCommandTest : public clitest::CommandTest {
 protected:
  int Check(const std::vector<std::string>& args) { return Run(RunCheckCommand, args, kEmulated); }
};

TEST_F(CheckCommandTest, RegionMismatchShowsBothSidesBytesAndExitsWithOne) {
  const std::string image = folder.Write(
      "other.bin",
      emulated::DefaultBoardBuilder().Version(0x22).RegionByte(0, 0x129, 0x01).BuildImage());
  EXPECT_EQ(Check({image, "--json"}), 1);
  const std::string json = out.str();
  EXPECT_EQ(JsonField(json, "region"), "\"Snk1\"");
  EXPECT_EQ(JsonField(json, "image_version"), "34");  // read before the refusal
  // "Snk1" of kind 5 is row 46; the built-in controller holds 0x29 there.
  EXPECT_EQ(JsonField(json, "row"), "46");
  EXPECT_EQ(JsonField(json, "image"), "\"0x01\"");
  EXPECT_EQ(JsonField(json, "controller"), "\"0x29\"");
  EXPECT_EQ(JsonField(json, "mask"), "\"0xFF\"");
  EXPECT_EQ(JsonField(json, "image_offset"), std::to_string(0x4000 + 0x129));
  EXPECT_EQ(JsonField(json, "controller_offset"), std::to_string(0x129));

  EXPECT_EQ(Check({image}), 1);
  const std::string text = out.str();
  EXPECT_THAT(text, HasSubstr("0x22 (34)\nresult:            0x10430006 TBU_E_REGION_MISMATCH: "
                              "the image's configuration does not match this board\nregion:  "
                              "          \"Snk1\" (row 46 of the region table) differs\ncompared "
                              "bytes:    image 0x01, controller 0x29 (mask 0xFF)\noffsets read: "
                              "     image 0x00004129, controller 0x00000129\n"));
}

TEST_F(CheckCommandTest, ControllerComesFromAFileAndEmptyInputsAreResults) {
  const NvmImageBuilder board = NvmImageBuilder().DeviceId(0x1578).Block(0x02, 1);
  const std::vector<uint8_t> newImage = NvmImageBuilder(board).Version(0x40).BuildImage();
  const std::string image = folder.Write("new.bin", newImage);
  const std::string oldImage =
      folder.Write("old.bin", NvmImageBuilder(board)
                                  .Version(0x31)
                                  .Placement(emulated::SectionPointerPlacement::kCopyOnly)
                                  .BuildImage());
  const std::string empty = folder.Write("empty.bin", std::vector<uint8_t>());
  const struct {
    std::vector<std::string> args;
    const char* name;
    const char* installedVersion;
    const char* imageVersion;
  } cases[] = {
      {{image, "--controller-image", oldImage}, "TBU_OK", "49", "64"},
      // The built-in controller is of kind 5, the image of kind 3.
      {{image}, "TBU_E_KIND_MISMATCH", "32", "64"},
      {{empty}, "TBU_E_NO_IMAGE", "32", "null"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("--json");
    EXPECT_EQ(Check(args), std::string(c.name) == "TBU_OK" ? 0 : 1) << err.str();
    EXPECT_EQ(JsonField(out.str(), "name"), std::string("\"") + c.name + "\"") << out.str();
    EXPECT_EQ(JsonField(out.str(), "installed_version"), c.installedVersion) << out.str();
    EXPECT_EQ(JsonField(out.str(), "image_version"), c.imageVersion) << out.str();
    EXPECT_EQ(JsonField(out.str(), "region"), "null");  // only a row's refusal names one
  }
}

TEST_F(CheckCommandTest, FileAndUsageErrorsExitWithTwoAndSaySo) {
  const std::string image = folder.Write("demo.bin", emulated::DemoImage());
  const std::string noPointer = folder.Write("zeros.bin", std::vector<uint8_t>(0x1100, 0));
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{}, "no image given"},
      {{folder.Path("missing.bin")}, "does not exist"},
      {{image, "--controller-nvm", folder.Path("missing.nvm")}, "missing.nvm"},
      {{image, "--controller-image", noPointer}, "pointers at 0x0 and 0x1000 are blank"},
      {{image, "--installed-version", "-3"}, "--installed-version"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Check(c.args), 2) << c.message;
    EXPECT_THAT(err.str(), HasSubstr(c.message));
    EXPECT_TRUE(out.str().empty()) << out.str();
  }
}

#if TBT_HAVE_LINUX_BACKEND

// The check on the Linux backend, against a sysfs tree of the test's own.
class LinuxCheckCommandTest : public clitest::CommandTest {
 protected:
  int Check(const std::vector<std::string>& args) {
    std::vector<std::string> withRoot = args;
    withRoot.insert(withRoot.end(), {"--sysfs-root", sysfs.Root().string()});
    PlatformSelection onLinux;  // the option, not the selection, names the tree
    onLinux.sysfsRoot = "/nowhere";
    return Run(RunCheckCommand, withRoot, onLinux);
  }
  test::FakeSysfs sysfs;
};

TEST_F(LinuxCheckCommandTest, ChecksTheRoutersActiveNvmAsTheEmulatedControllerWould) {
  sysfs.AddHostRouter("0-0", "20.0\n", emulated::DefaultControllerNvm());
  const std::string demo = folder.Write("demo.bin", emulated::DemoImage());
  ASSERT_EQ(Check({demo, "--json"}), 0) << err.str();
  EXPECT_EQ(JsonField(out.str(), "installed_version"), "32");
  EXPECT_EQ(
      JsonField(out.str(), "read_calls"),
      std::to_string(DirectReadCalls(emulated::DemoImage(), emulated::DefaultControllerNvm())));
  const std::string other = folder.Write(
      "other.bin", emulated::DefaultBoardBuilder().RegionByte(0, 0x129, 0x01).BuildImage());
  EXPECT_EQ(Check({other}), 1);
  EXPECT_THAT(out.str(), HasSubstr("linux, this machine's controller"));
  EXPECT_THAT(out.str(), HasSubstr("\"Snk1\""));
  // A controller file still means the emulated controller built from it.
  EXPECT_EQ(Check({demo, "--controller-image", demo}), 0);
  EXPECT_THAT(out.str(), HasSubstr("emulated, NVM from the image " + demo));
}

#else

using NoLinuxBackendTest = clitest::CommandTest;

TEST_F(NoLinuxBackendTest, CheckingOnLinuxIsAUsageErrorThatSuggestsTheEmulatedOne) {
  const std::string demo = folder.Write("demo.bin", emulated::DemoImage());
  EXPECT_EQ(Run(RunCheckCommand, {demo}, PlatformSelection{PlatformChoice::kLinux, "/nowhere"}), 2);
  EXPECT_THAT(err.str(), HasSubstr("TBT_PLATFORM=emulated"));
  EXPECT_TRUE(out.str().empty());
}

#endif  // TBT_HAVE_LINUX_BACKEND

}  // namespace
}  // namespace tbt::cli
