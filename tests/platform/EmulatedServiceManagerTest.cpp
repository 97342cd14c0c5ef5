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

TEST_F(EmulatedServiceManagerTest, StartsTheStoppedServiceOnceThenReportsAlreadyRunning) {
  EXPECT_FALSE(services.IsRunning(kEmulatedThunderboltService));
  const platform::Handle service = OpenThunderbolt();
  ASSERT_NE(service, platform::kNullHandle);
  EXPECT_TRUE(services.StartService(service));
  EXPECT_TRUE(services.IsRunning(u"thunderboltservice"));
  EXPECT_FALSE(services.StartService(service));
  EXPECT_EQ(services.GetLastError(), platform::kErrorServiceAlreadyRunning);
  EXPECT_EQ(services.StartCount(kEmulatedThunderboltService), 1u);

  services.Stop(kEmulatedThunderboltService);
  EXPECT_TRUE(services.StartService(service));
  EXPECT_EQ(services.StartCount(kEmulatedThunderboltService), 2u);
}

TEST_F(EmulatedServiceManagerTest, ReportsEachFailureWithItsError) {
  struct Case {
    const char* name;
    void (*setup)(EmulatedServiceManager&);
    bool managerOpens;
    bool serviceOpens;
    uint32_t error;
  };
  const Case cases[] = {
      {"manager refused", [](EmulatedServiceManager& s) { s.SetManagerFails(true); }, false, false,
       platform::kErrorAccessDenied},
      {"not installed",
       [](EmulatedServiceManager& s) { s.SetInstalled(kEmulatedThunderboltService, false); }, true,
       false, platform::kErrorServiceDoesNotExist},
      {"start fails",
       [](EmulatedServiceManager& s) { s.SetStartError(kEmulatedThunderboltService, 1053); }, true,
       true, 1053},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EmulatedServiceManager fresh;
    c.setup(fresh);
    const platform::Handle m = fresh.OpenSCManager();
    EXPECT_EQ(m != platform::kNullHandle, c.managerOpens);
    const platform::Handle s = fresh.OpenService(m, kEmulatedThunderboltService);
    EXPECT_EQ(s != platform::kNullHandle, c.serviceOpens);
    if (c.serviceOpens) {
      EXPECT_FALSE(fresh.StartService(s));
    }
    EXPECT_EQ(fresh.GetLastError(), c.error);
    EXPECT_FALSE(fresh.IsRunning(kEmulatedThunderboltService));
  }
}

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
