#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "platform/FileUpdateLock.h"
#include "support/TempFolder.h"

namespace tbt::platform {
namespace {

namespace fs = std::filesystem;

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

}  // namespace
}  // namespace tbt::platform
