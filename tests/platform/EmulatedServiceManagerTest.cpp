#include <gtest/gtest.h>

#include <thread>

#include "platform/emulated/EmulatedServiceManager.h"

namespace tbt::emulated {
namespace {

TEST(EmulatedServiceManagerTest, CountsOpenHandlesAndRefusesHandlesOfTheWrongKind) {
  EmulatedServiceManager services;
  const platform::Handle manager = services.OpenSCManager();
  const platform::Handle service = services.OpenService(manager, kEmulatedThunderboltService);
  EXPECT_EQ(services.OpenHandleCount(), 2u);
  EXPECT_FALSE(services.StartService(manager));
  EXPECT_EQ(services.OpenService(service, kEmulatedThunderboltService), platform::kNullHandle);
  EXPECT_TRUE(services.CloseServiceHandle(service));
  EXPECT_TRUE(services.CloseServiceHandle(manager));
  EXPECT_FALSE(services.CloseServiceHandle(manager));
  EXPECT_EQ(services.OpenHandleCount(), 0u);
}

TEST(EmulatedServiceManagerTest, KeepsTheLastErrorPerThread) {
  EmulatedServiceManager services;
  services.SetInstalled(kEmulatedThunderboltService, false);
  services.OpenService(services.OpenSCManager(), kEmulatedThunderboltService);
  uint32_t otherThreadError = 99;
  std::thread other([&] { otherThreadError = services.GetLastError(); });
  other.join();
  EXPECT_EQ(otherThreadError, 0u);
  EXPECT_EQ(services.GetLastError(), platform::kErrorServiceDoesNotExist);
}

}  // namespace
}  // namespace tbt::emulated
