#include "cli/CliFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliTestSupport.h"
#include "support/NonRegularFile.h"

namespace tbt::cli {
namespace {

using test::TempFolder;

TEST(ParseUnsigned32Test, AcceptsDecimalAndHexUpToThirtyTwoBitsAndNothingElse) {
  const std::pair<const char*, uint32_t> valid[] = {{"0", 0},
                                                    {"0X2a", 42},
                                                    {"007", 7},
                                                    {"4294967295", 0xFFFFFFFF},
                                                    {"0xFFFFFFFF", 0xFFFFFFFF},
                                                    {"0x00000000000021", 0x21}};
  for (const auto& [text, expected] : valid) {
    uint32_t value = 1234;
    EXPECT_TRUE(ParseUnsigned32(text, &value)) << text;
    EXPECT_EQ(value, expected) << text;
  }
  for (const char* text : {"", "0x", "-1", "+1", " 1", "1 ", "4294967296", "0x100000000", "12a",
                           "0xG1", "1.0", "x10", "99999999999999999999"}) {
    uint32_t value = 1234;
    EXPECT_FALSE(ParseUnsigned32(text, &value)) << text;
    EXPECT_EQ(value, 1234u) << text;
  }
}

TEST(ReadFileBytesTest, ExplainsWhyAFileCannotBeUsed) {
  TempFolder folder;
  struct Case {
    std::string path;
    const char* reason;
  };
  const std::string huge = folder.Write("huge.bin", "x");
  std::filesystem::resize_file(huge, 3ull << 30);  // sparse: nothing is really written
  for (const Case& c :
       {Case{folder.Path("missing.bin"), "does not exist"}, Case{folder.Path(""), "is a folder"},
        Case{test::MakeNonRegularFile(folder.Path("fifo.bin")).string(), "is not a regular file"},
        Case{huge, "is larger than 16 MiB"}}) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_FALSE(ReadFileBytes(c.path, &bytes, &error)) << c.path;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
  }
  // A readable file, empty ones too, is every command's first step: their tests.
}

TEST(WriteFileBytesTest, WritesAndReportsAnUnwritablePath) {
  TempFolder folder;
  std::string error;
  ASSERT_TRUE(WriteFileBytes(folder.Path("out.bin"), {9, 8, 7}, &error)) << error;
  EXPECT_EQ(folder.Read("out.bin"), (std::vector<uint8_t>{9, 8, 7}));
  EXPECT_FALSE(WriteFileBytes(folder.Path("no-such-folder/out.bin"), {1}, &error));
  EXPECT_NE(error.find("no-such-folder"), std::string::npos);
}

}  // namespace
}  // namespace tbt::cli
