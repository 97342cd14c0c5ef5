#include "platform/RemovalOnSignal.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "support/TempFolder.h"

namespace tbt::platform {
namespace {

namespace fs = std::filesystem;

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
