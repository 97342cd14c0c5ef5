#include "platform/BoundedFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempFolder.h"

namespace tbt::platform {
namespace {

namespace fs = std::filesystem;

TEST(ReadBoundedFileTest, ReadsOnlyRegularFilesUpToTheCapWithoutBlocking) {
  test::TempFolder folder;
  folder.Write("small.bin", "abc");
  ASSERT_EQ(::mkfifo(folder.Path("fifo.bin").c_str(), 0600), 0);  // no writer: would block
  // 3 GiB of holes: the size alone refuses it, nothing is read.
  fs::resize_file(folder.Write("sparse.bin", ""), 3ull << 30);
  struct Case {
    const char* name;
    uint64_t cap;
    FileReadStatus expected;
    std::string bytes;
  };
  const Case cases[] = {
      {"small.bin", 3, FileReadStatus::kOk, "abc"},
      {"small.bin", 2, FileReadStatus::kTooLarge, ""},
      {"sparse.bin", kMaxImageFileBytes, FileReadStatus::kTooLarge, ""},
      {"fifo.bin", kMaxImageFileBytes, FileReadStatus::kNotRegular, ""},
      {"", kMaxImageFileBytes, FileReadStatus::kFolder, ""},
      {"missing.bin", kMaxImageFileBytes, FileReadStatus::kMissing, ""},
      {"small.bin/inside", kMaxImageFileBytes, FileReadStatus::kMissing, ""},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes{9};
    EXPECT_EQ(ReadBoundedFile(folder.Path(c.name), c.cap, &bytes), c.expected) << c.name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.bytes) << c.name;
  }
}

}  // namespace
}  // namespace tbt::platform
