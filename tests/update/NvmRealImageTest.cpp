// An optional extra check on released controller firmware, which the repository does not
// carry: set TBT_REAL_NVM_DIR to a folder holding the images below, or the tests skip.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "update/NvmCheckFixture.h"

namespace tbt {
namespace {

using checktest::ControllerUnderTest;

struct RealImage {
  const char* name;  // the test's
  const char* file;
  int32_t kind;
  uint32_t variant;
  uint32_t version;
};

constexpr RealImage kRealImages[] = {
    {"Ridge1578v16", "alpine-ridge-1578-v16.bin", 3, 0, 0x16},
    {"Ridge1578v27", "alpine-ridge-1578-v27.bin", 3, 0, 0x27},
    {"Ridge15d3v20", "alpine-ridge-15d3-v20.bin", 5, 0, 0x20},
};

constexpr char kSkipReason[] =
    "optional check: released NVM images not found; set TBT_REAL_NVM_DIR to their folder";

std::vector<uint8_t> LoadRealImage(const char* file) {
  const char* folder = std::getenv("TBT_REAL_NVM_DIR");
#ifdef TBT_REAL_NVM_DIR
  folder = folder != nullptr ? folder : TBT_REAL_NVM_DIR;
#endif
  if (folder == nullptr || *folder == '\0') {
    return {};
  }
  std::ifstream in(std::filesystem::path(folder) / file, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void PrintTo(const RealImage& image, std::ostream* os) {
  *os << image.file;
}

class RealImageTest : public ::testing::TestWithParam<RealImage> {
 protected:
  void SetUp() override {
    image_ = LoadRealImage(GetParam().file);
    if (image_.empty()) {
      GTEST_SKIP() << kSkipReason << " (" << GetParam().file << ")";
    }
  }
  std::vector<uint8_t> image_;
};

TEST_P(RealImageTest, ParsesWithItsOwnDeviceAndVersionAndPassesAgainstItself) {
  NvmLayout layout;
  ASSERT_EQ(ReadImageLayout(image_.data(), image_.size(), &layout), TBU_OK);
  EXPECT_EQ(layout.base0, 0x4000u);
  EXPECT_EQ(layout.kind, GetParam().kind);
  EXPECT_EQ(layout.variant, GetParam().variant);
  EXPECT_EQ(layout.version, GetParam().version);
  EXPECT_EQ(layout.base1State, NvmBaseState::kFound);
  EXPECT_EQ(layout.base2State, NvmBaseState::kFound);
  EXPECT_LT(layout.base2, image_.size());

  // Against a controller running the image itself (its NVM: from the section on), the
  // check passes.
  ControllerUnderTest controller(std::vector<uint8_t>(image_.begin() + layout.base0, image_.end()));
  const checktest::CheckOutcome outcome = controller.Check(image_);
  EXPECT_EQ(outcome.result, TBU_OK) << outcome.RowName();
  EXPECT_EQ(outcome.version, GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(AlpineRidge, RealImageTest, ::testing::ValuesIn(kRealImages),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tbt
