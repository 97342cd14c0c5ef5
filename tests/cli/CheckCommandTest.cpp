#include "cli/CheckCommand.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "update/NvmCheck.h"
#include "update/TbtWmiClient.h"

namespace tbt::cli {
namespace {

using clitest::JsonField;
using clitest::TempFolder;
using emulated::NvmImageBuilder;

struct ParseCase {
  std::vector<std::string> args;
  const char* error;  // nullptr: parses
};

TEST(ParseCheckArgumentsTest, AcceptsTheDocumentedFormsAndNamesEachMistake) {
  const ParseCase cases[] = {
      {{"img.bin"}, nullptr},
      {{"img.bin", "--json"}, nullptr},
      {{"--controller-nvm", "nvm.bin", "img.bin"}, nullptr},
      {{"img.bin", "--controller-image", "old.bin", "--installed-version", "0x21"}, nullptr},
      {{"img.bin", "--controller-id", "PCI\\X", "--installed-version", "33"}, nullptr},
      {{}, "no image given"},
      {{"--json"}, "no image given"},
      {{"a.bin", "b.bin"}, "more than one image"},
      {{"a.bin", "--controller-nvm", "n", "--controller-image", "i"}, "not both"},
      {{"a.bin", "--controller-nvm"}, "needs a value"},
      {{"a.bin", "--installed-version"}, "needs a value"},
      {{"a.bin", "--installed-version", "-3"}, "--installed-version"},
      {{"a.bin", "--installed-version", "0x1FFFFFFFF"}, "--installed-version"},
      {{"a.bin", "--verbose"}, "unknown option --verbose"},
  };
  for (const ParseCase& c : cases) {
    CheckRequest request;
    std::string error;
    const bool parsed = ParseCheckArguments(c.args, &request, &error);
    EXPECT_EQ(parsed, c.error == nullptr) << (c.args.empty() ? "(none)" : c.args[0]) << error;
    if (c.error != nullptr) {
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
  }
}

TEST(ParseCheckArgumentsTest, KeepsEveryValue) {
  CheckRequest request;
  std::string error;
  ASSERT_TRUE(ParseCheckArguments({"--controller-image", "c.bin", "img.bin", "--installed-version",
                                   "0x10", "--controller-id", "id\\1", "--json"},
                                  &request, &error));
  EXPECT_EQ(request.imagePath, "img.bin");
  EXPECT_EQ(request.controllerImagePath, "c.bin");
  EXPECT_TRUE(request.controllerNvmPath.empty());
  EXPECT_EQ(request.installedVersion, 0x10u);
  EXPECT_EQ(request.controllerId, "id\\1");
  EXPECT_TRUE(request.json);
}

// ReadFirmware calls of a check made directly through the client, for comparison.
size_t DirectReadCalls(const std::vector<uint8_t>& image, const std::vector<uint8_t>& nvm) {
  wmi::NamespaceRegistry registry;
  auto provider = std::make_shared<emulated::EmulatedTbtProvider>();
  provider->AddController({u"c", nvm});
  emulated::RegisterEmulatedTbtProvider(registry, provider);
  CTbtWmiClient client(registry);
  client.ConnectWmi();
  uint32_t version = 0;
  CheckFirmwareImage(client, image.data(), image.size(), &version);
  return provider->CallCount(u"ReadFirmware");
}

class CheckCommandTest : public ::testing::Test {
 protected:
  int Run(std::vector<std::string> args) {
    out.str({});
    err.str({});
    return RunCheckCommand(args, out, err);
  }
  TempFolder folder;
  std::ostringstream out;
  std::ostringstream err;
};

TEST_F(CheckCommandTest, DemoImageFitsTheBuiltInController) {
  const std::string image = folder.Write("demo.bin", emulated::DemoImage());
  ASSERT_EQ(Run({image, "--json"}), 0) << err.str();
  const std::string json = out.str();
  EXPECT_EQ(JsonField(json, "result"), "0");
  EXPECT_EQ(JsonField(json, "code"), "\"0x00000000\"");
  EXPECT_EQ(JsonField(json, "name"), "\"TBU_OK\"");
  EXPECT_EQ(JsonField(json, "image_version"), "33");
  EXPECT_EQ(JsonField(json, "installed_version"), "32");
  EXPECT_EQ(JsonField(json, "region"), "null");
  EXPECT_EQ(
      JsonField(json, "read_calls"),
      std::to_string(DirectReadCalls(emulated::DemoImage(), emulated::DefaultControllerNvm())));
  EXPECT_EQ(json.back(), '\n');
  EXPECT_TRUE(err.str().empty());
}

TEST_F(CheckCommandTest, RegionMismatchNamesTheRegionAndExitsWithOne) {
  const std::string image = folder.Write(
      "other.bin",
      emulated::DefaultBoardBuilder().Version(0x22).RegionByte(0, 0x129, 0x01).BuildImage());
  EXPECT_EQ(Run({image, "--json"}), 1);
  EXPECT_EQ(JsonField(out.str(), "code"), "\"0x10430006\"");
  EXPECT_EQ(JsonField(out.str(), "name"), "\"TBU_E_REGION_MISMATCH\"");
  EXPECT_EQ(JsonField(out.str(), "region"), "\"Snk1\"");
  EXPECT_EQ(JsonField(out.str(), "image_version"), "null");

  EXPECT_EQ(Run({image}), 1);
  EXPECT_NE(out.str().find("\"Snk1\""), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("TBU_E_REGION_MISMATCH"), std::string::npos);
  EXPECT_NE(out.str().find("emulated"), std::string::npos);
}

TEST_F(CheckCommandTest, OtherFailuresHaveNoRegion) {
  const std::string image =
      folder.Write("kind4.bin", NvmImageBuilder().DeviceId(0x15C0).BuildImage());
  EXPECT_EQ(Run({image, "--json"}), 1);
  EXPECT_EQ(JsonField(out.str(), "name"), "\"TBU_E_KIND_MISMATCH\"");
  EXPECT_EQ(JsonField(out.str(), "region"), "null");
}

TEST_F(CheckCommandTest, ControllerComesFromAnNvmFileOrFromAnImage) {
  const NvmImageBuilder board = NvmImageBuilder().DeviceId(0x1578).Block(0x02, 1);
  const std::string image =
      folder.Write("new.bin", NvmImageBuilder(board).Version(0x40).BuildImage());
  const std::string nvm =
      folder.Write("nvm.bin", NvmImageBuilder(board).Version(0x30).BuildControllerNvm());
  const std::string oldImage =
      folder.Write("old.bin", NvmImageBuilder(board)
                                  .Version(0x31)
                                  .Placement(emulated::SectionPointerPlacement::kCopyOnly)
                                  .BuildImage());

  ASSERT_EQ(Run({image, "--controller-nvm", nvm, "--json"}), 0) << err.str();
  EXPECT_EQ(JsonField(out.str(), "installed_version"), "48");
  ASSERT_EQ(Run({image, "--controller-image", oldImage, "--json"}), 0) << err.str();
  EXPECT_EQ(JsonField(out.str(), "installed_version"), "49");
  EXPECT_EQ(JsonField(out.str(), "image_version"), "64");
  // Against the built-in kind-5 controller the same image is of another family.
  EXPECT_EQ(Run({image, "--json"}), 1);
  EXPECT_EQ(JsonField(out.str(), "name"), "\"TBU_E_KIND_MISMATCH\"");
}

TEST_F(CheckCommandTest, InstalledVersionOverrideAndControllerIdAreHonoured) {
  const std::string image = folder.Write("demo.bin", emulated::DemoImage());
  ASSERT_EQ(Run({image, "--installed-version", "0xFFFFFFFF", "--controller-id",
                 "PCI\\VEN_8086&DEV_15D3\\OTHER", "--json"}),
            0)
      << err.str();
  EXPECT_EQ(JsonField(out.str(), "installed_version"), "4294967295");
  // A key the object path syntax cannot carry leaves the controller unreachable.
  EXPECT_EQ(Run({image, "--controller-id", "bad\"id", "--json"}), 1);
  EXPECT_EQ(JsonField(out.str(), "name"), "\"TBU_E_WMI_FAILED\"");
}

TEST_F(CheckCommandTest, FileAndUsageErrorsExitWithTwoAndSaySo) {
  const std::string image = folder.Write("demo.bin", emulated::DemoImage());
  const std::string empty = folder.Write("empty.bin", {});
  const std::string noPointer = folder.Write("zeros.bin", std::vector<uint8_t>(0x1100, 0));
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {{}, "no image given"},
      {{folder.Path("missing.bin")}, "does not exist"},
      {{empty}, "is empty"},
      {{image, "--controller-nvm", folder.Path("missing.nvm")}, "missing.nvm"},
      {{image, "--controller-nvm", empty}, "is empty"},
      {{image, "--controller-image", noPointer}, "no usable section pointer"},
      {{image, "--bogus"}, "unknown option"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Run(c.args), 2) << c.message;
    EXPECT_NE(err.str().find(c.message), std::string::npos) << err.str();
    EXPECT_TRUE(out.str().empty()) << out.str();
  }
}

TEST(CheckReportTest, TextNamesTheRowAndItsPositionInTheTable) {
  CheckReport report;
  report.result = TBU_E_REGION_MISMATCH;
  report.failedRow = 35;
  report.installedVersion = 0x20;
  report.readCalls = 7;
  const std::string text = FormatCheckText(report, "img.bin", "built-in controller");
  EXPECT_NE(text.find("\"PB\" (row 36 of the region table)"), std::string::npos) << text;
  EXPECT_NE(text.find("7 ReadFirmware calls"), std::string::npos);
  EXPECT_EQ(text.find("image version"), std::string::npos);

  report.result = 5;  // a provider's own ReturnValue
  report.failedRow = -1;
  const std::string json = FormatCheckJson(report);
  EXPECT_EQ(JsonField(json, "name"), "\"PROVIDER_RETURN_VALUE\"");
  EXPECT_EQ(JsonField(json, "code"), "\"0x00000005\"");
  EXPECT_EQ(JsonField(json, "region"), "null");
}

}  // namespace
}  // namespace tbt::cli
