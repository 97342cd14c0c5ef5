#include "cli/InfoCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "cli/ImageDescription.h"
#include "platform/emulated/NvmImageBuilder.h"

namespace tbt::cli {
namespace {

using clitest::JsonField;
using emulated::NvmImageBuilder;

// The region of that name, or null.
const ImageRegion* FindRegion(const ImageDescription& description, const std::string& name) {
  const auto found = std::ranges::find(description.regions, name, &ImageRegion::name);
  return found == description.regions.end() ? nullptr : &*found;
}

TEST(DescribeImageTest, ShowsSectionsAndTheValueOfEveryComparedRegion) {
  NvmImageBuilder builder;
  builder.DeviceId(0x1578).Version(0x27).HeaderLevel(5).HeaderSize(0x800).Block(0x01, 2);
  builder.RegionByte(0, 0x129, 0x5A).RegionByte(2, 0x13, 0x77).RegionByte(0, 0x10, 0x34);
  builder.RegionByte(0, 0x11, 0x12);
  const ImageDescription d = DescribeImage(builder.BuildImage());
  ASSERT_EQ(d.result, TBU_OK);
  EXPECT_EQ(d.sectionFlags, 0x41);
  const ImageRegion* sink = FindRegion(d, "Snk1");
  ASSERT_NE(sink, nullptr);
  EXPECT_EQ(sink->value, 0x5Au);
  EXPECT_EQ(sink->imageOffset, 0x800u + 0x129u);
  const ImageRegion* portB = FindRegion(d, "PB");
  ASSERT_NE(portB, nullptr);
  EXPECT_EQ(portB->value, 0x77u);
  EXPECT_EQ(portB->imageOffset, 0x800u + builder.Base2Offset() + 0x13u);
  const ImageRegion* pcie = FindRegion(d, "PCIe Settings");
  ASSERT_NE(pcie, nullptr);
  EXPECT_EQ(pcie->value, 0x1234u);
}

TEST(DescribeImageTest, KeepsWhatItFoundWhenTheImageIsRefused) {
  const ImageDescription unknown =
      DescribeImage(NvmImageBuilder().DeviceId(0xABCD).Version(0x27).BuildImage());
  EXPECT_EQ(unknown.result, TBU_E_UNKNOWN_DEVICE);
  EXPECT_EQ(unknown.deviceId, 0xABCD);
  EXPECT_TRUE(unknown.regions.empty());
  EXPECT_EQ(JsonField(FormatImageJson(unknown), "kind"), "null");
  // Text and JSON give the version the image holds, whatever the result.
  EXPECT_EQ(JsonField(FormatImageJson(unknown), "version"), "39");
  EXPECT_NE(FormatImageText(unknown).find("0x27 (39)"), std::string::npos);

  const ImageDescription none = DescribeImage(std::vector<uint8_t>(0x1100, 0xFF));
  EXPECT_EQ(none.result, TBU_E_NO_IMAGE);
  EXPECT_FALSE(none.pointer.has_value());
  EXPECT_EQ(JsonField(FormatImageJson(none), "pointer"), "null");
  EXPECT_EQ(JsonField(FormatImageJson(none), "regions"), "[]");
  EXPECT_NE(FormatImageText(none).find("none at 0x0 or 0x1000"), std::string::npos);
}

TEST(DescribeImageTest, ReportsTheCopyAndRegionsThatRunPastTheEnd) {
  NvmImageBuilder builder;
  builder.Placement(emulated::SectionPointerPlacement::kCopyOnly).Block(0x04, 1);
  std::vector<uint8_t> image = builder.BuildImage();
  // Keep "PA" (base2 + 0x12) but cut into the four bytes it would read.
  const size_t base2 = 0x1010 + builder.Base2Offset();
  image.resize(base2 + 0x14);
  const ImageDescription d = DescribeImage(image);
  ASSERT_EQ(d.result, TBU_OK);
  EXPECT_EQ(d.pointerFoundAt, 0x1000u);
  ASSERT_NE(FindRegion(d, "PA"), nullptr);
  EXPECT_FALSE(FindRegion(d, "PA")->value.has_value());
  const std::string json = FormatImageJson(d);
  // Both stored pointers are shown, and which one the check follows.
  EXPECT_EQ(JsonField(json, "pointer_at"), "4096");
  EXPECT_EQ(JsonField(json, "pointer_at_1000"), "4112");
  const std::string text = FormatImageText(d);
  EXPECT_NE(text.find(" (erased)\npointer at 0x1000: 0x001010 (used by the check)"),
            std::string::npos)
      << text;
  EXPECT_NE(json.find("\"name\": \"PA\", \"base\": 2, \"offset\": 18"), std::string::npos);
  EXPECT_NE(text.find("outside the image"), std::string::npos);
}

using InfoCommandTest = clitest::CommandTest;

TEST_F(InfoCommandTest, ExitCodesFollowTheImage) {
  const std::string demo = folder.Write("demo.bin", emulated::DemoImage());
  const std::string unknown =
      folder.Write("unknown.bin", NvmImageBuilder().DeviceId(0x0001).BuildImage());
  EXPECT_EQ(Run(RunInfoCommand, {demo}), 0);
  EXPECT_NE(out.str().find("Snk0"), std::string::npos);
  EXPECT_EQ(Run(RunInfoCommand, {"--json", demo}), 0);
  EXPECT_EQ(JsonField(out.str(), "device_id"), "5587");
  EXPECT_EQ(Run(RunInfoCommand, {unknown}), 1);
  EXPECT_NE(out.str().find("TBU_E_UNKNOWN_DEVICE"), std::string::npos);
  // An empty image is a result, not a file error.
  EXPECT_EQ(Run(RunInfoCommand, {folder.Write("empty.bin", std::vector<uint8_t>())}), 1);
  EXPECT_NE(out.str().find("TBU_E_NO_IMAGE"), std::string::npos) << out.str();
  EXPECT_EQ(Run(RunInfoCommand, {}), 2);
  EXPECT_EQ(Run(RunInfoCommand, {folder.Path("gone.bin")}), 2);
  EXPECT_NE(err.str().find("gone.bin does not exist"), std::string::npos);
}

}  // namespace
}  // namespace tbt::cli
