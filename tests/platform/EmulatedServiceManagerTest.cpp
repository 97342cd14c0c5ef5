#include <gtest/gtest.h>

#include <thread>

#include "platform/emulated/EmulatedServiceManager.h"

namespace tbt::emulated {
namespace {

class EmulatedServiceManagerTest : public ::testing::Test {
 protected:
  platform::Handle OpenThunderbolt() {
    manager = services.OpenSCManager();
    return services.OpenService(manager, kEmulatedThunderboltService);
  }

  EmulatedServiceManager services;
  platform::Handle manager = platform::kNullHandle;
};

TEST_F(EmulatedServiceManagerTest, CountsOpenHandlesAndRefusesHandlesOfTheWrongKind) {
  const platform::Handle service = OpenThunderbolt();
  EXPECT_EQ(services.OpenHandleCount(), 2u);
  EXPECT_FALSE(services.StartService(manager));
  EXPECT_EQ(services.OpenService(service, kEmulatedThunderboltService), platform::kNullHandle);
  EXPECT_TRUE(services.CloseServiceHandle(service));
  EXPECT_TRUE(services.CloseServiceHandle(manager));
  EXPECT_FALSE(services.CloseServiceHandle(manager));
  EXPECT_EQ(services.OpenHandleCount(), 0u);
}

TEST_F(EmulatedServiceManagerTest, KeepsTheLastErrorPerThread) {
  services.SetInstalled(kEmulatedThunderboltService, false);
  OpenThunderbolt();
  uint32_t otherThreadError = 99;
  std::thread other([&] { otherThreadError = services.GetLastError(); });
  other.join();
  EXPECT_EQ(otherThreadError, 0u);
  EXPECT_EQ(services.GetLastError(), platform::kErrorServiceDoesNotExist);
}

}  // namespace
}  // namespace tbt::emulated
