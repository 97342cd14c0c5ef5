#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/ControllerFile.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "support/TempFolder.h"

namespace tbt::app {
namespace {

TEST(ControllerFile, TakesTheSectionOfAnImageAndKeepsNvmBytesWhole) {
  using emulated::SectionPointerPlacement;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    std::vector<uint8_t> expected;
  };
  const auto builder = emulated::DefaultBoardBuilder();
  auto copyOnly = emulated::DefaultBoardBuilder();
  copyOnly.Placement(SectionPointerPlacement::kCopyOnly).HeaderSize(0x2000);
  const Case cases[] = {
      {"image", builder.BuildImage(), builder.BuildControllerNvm()},
      {"image with its pointer only at 0x1000", copyOnly.BuildImage(),
       copyOnly.BuildControllerNvm()},
      {"controller NVM", emulated::DefaultControllerNvm(), emulated::DefaultControllerNvm()},
      {"three bytes", {1, 2, 3}, {1, 2, 3}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ControllerNvmFromFile(c.bytes), c.expected) << c.what;
  }
}

TEST(ControllerFile, ReadsARegularFileAndRefusesAFifoOrAnEmptyFileAtOnce) {
  test::TempFolder folder;
  const std::vector<uint8_t> nvm = emulated::DefaultControllerNvm();
  EXPECT_EQ(ReadControllerFile(folder.Write("nvm.bin", nvm)), nvm);
  ASSERT_EQ(::mkfifo(folder.Path("fifo.bin").c_str(), 0600), 0);
  EXPECT_EQ(ReadControllerFile(folder.Path("fifo.bin")), std::nullopt);
  EXPECT_EQ(ReadControllerFile(folder.Write("empty.bin", "")), std::nullopt);
}

}  // namespace
}  // namespace tbt::app
