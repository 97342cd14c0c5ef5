// The files the tool touches: images and INI files read with a cap and without blocking,
// the update lock, and the temporary copy removed when a signal ends the program.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/BoundedFile.h"
#include "platform/FileUpdateLock.h"
#include "platform/RemovalOnSignal.h"
#include "support/NonRegularFile.h"
#include "support/TempFolder.h"

namespace tbt::platform {
namespace {

namespace fs = std::filesystem;

TEST(ReadBoundedFileTest, ReadsOnlyRegularFilesUpToTheCapWithoutBlocking) {
  test::TempFolder folder;
  const fs::path small = folder.Write("small.bin", "abc");
  const fs::path special = test::MakeNonRegularFile(folder.Path("fifo.bin"));
  // 3 GiB of holes: the size alone refuses it, nothing is read.
  const fs::path sparse = folder.Write("sparse.bin", "");
  fs::resize_file(sparse, 3ull << 30);
  const struct {
    fs::path path;
    uint64_t cap;
    FileReadStatus expected;
    std::string bytes;
  } cases[] = {
      {small, 3, FileReadStatus::kOk, "abc"},
      {small, 2, FileReadStatus::kTooLarge, ""},
      {sparse, kMaxImageFileBytes, FileReadStatus::kTooLarge, ""},
      {special, kMaxImageFileBytes, FileReadStatus::kNotRegular, ""},
      {folder.Root(), kMaxImageFileBytes, FileReadStatus::kFolder, ""},
      {folder.Path("missing.bin"), kMaxImageFileBytes, FileReadStatus::kMissing, ""},
      {small / "inside", kMaxImageFileBytes, FileReadStatus::kMissing, ""},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes{9};
    EXPECT_EQ(ReadBoundedFile(c.path, c.cap, &bytes), c.expected) << c.path;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.bytes) << c.path;
  }
}

// The lock file and signals are the POSIX programs' own; Windows has their twins in its
// backend (a named object) and in RemovalOnSignalWin32.cpp.
#ifndef _WIN32
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
  test::MakeNonRegularFile(folder.Path("fifo.lock"));
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

#endif  // _WIN32

}  // namespace
}  // namespace tbt::platform
