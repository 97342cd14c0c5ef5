#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/ControllerFile.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "support/TempFolder.h"

namespace tbt::app {
namespace {

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
