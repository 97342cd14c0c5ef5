// The files the tool touches: images and INI files read with a cap and without blocking,
// the update lock, and the temporary copy removed when a signal ends the program.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/BoundedFile.h"
#include "platform/FileUpdateLock.h"
#include "platform/RemovalOnSignal.h"
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
  const struct {
    const char* name;
    uint64_t cap;
    FileReadStatus expected;
    std::string bytes;
  } cases[] = {
      {"small.bin", 3, FileReadStatus::kOk, "abc"},
      {"small.bin", 2, FileReadStatus::kTooLarge, ""},
      {"sparse.bin", kMaxImageFileBytes, FileReadStatus::kTooLarge, ""},
      {"fifo.bin", kMaxImageFileBytes, FileReadStatus::kNotRegular, ""},
      {"", kMaxImageFileBytes, FileReadStatus::kFolder, ""},
      {"missing.bin", kMaxImageFileBytes, FileReadStatus::kMissing, ""},
      {"small.bin/inside", kMaxImageFileBytes, FileReadStatus::kMissing, ""},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes{9};
    EXPECT_EQ(ReadBoundedFile(folder.Path(c.name), c.cap, &bytes), c.expected) << c.name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.bytes) << c.name;
  }
}

// The window and `tbt-nvm update` each open the lock file on their own; flock belongs
// to the open file, so two objects in one process stand for two programs.
TEST(UpdateLockTest, AdmitsOneHolderAtATime) {
  test::TempFolder folder;
  FileUpdateLock window(folder.Path("update.lock"));
  FileUpdateLock command(folder.Path("update.lock"));
  std::unique_ptr<IHeldUpdateLock> held = window.TryAcquire();
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(command.TryAcquire(), nullptr);
  held.reset();
  EXPECT_NE(command.TryAcquire(), nullptr);
  // Every user's update must be able to open the file to lock it.
  EXPECT_EQ(fs::status(window.Path()).permissions() & fs::perms::others_read,
            fs::perms::others_read);
}

TEST(UpdateLockTest, FileLockRefusesAtOnceWhatIsNoRegularFile) {
  test::TempFolder folder;
  ASSERT_EQ(::mkfifo(folder.Path("fifo.lock").c_str(), 0600), 0);
  fs::create_directory(folder.Path("folder.lock"));
  fs::create_symlink(folder.Write("target", "x"), folder.Path("link.lock"));
  for (const char* name : {"fifo.lock", "folder.lock", "link.lock", "missing/update.lock"}) {
    EXPECT_EQ(FileUpdateLock(folder.Path(name)).TryAcquire(), nullptr) << name;
  }
}

TEST(RemovalOnSignalDeathTest, RemovesTheTemporaryCopyThenEndsAsTheSignalWould) {
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    test::TempFolder folder;
    const fs::path run = folder.Path("run");
    const fs::path image = folder.Write("run/data/image.bin", "x");
    EXPECT_EXIT(
        {
          const RemovalOnSignal removal({image}, {image.parent_path(), run});
          std::raise(signalNumber);
        },
        ::testing::KilledBySignal(signalNumber), "");
    EXPECT_FALSE(fs::exists(run)) << signalNumber;
  }
}

}  // namespace
}  // namespace tbt::platform
