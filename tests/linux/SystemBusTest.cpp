#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>

#include "PrivateBus.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/SystemdServiceManager.h"
#include "update/ServiceControl.h"

namespace tbt::platform::linux_backend {
namespace {

using test::FakeUnit;
using test::PrivateBus;

// Points the system bus at the test's own daemon for the test's duration.
class SystemBusTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!bus_.Running()) {
      GTEST_SKIP() << bus_.Why();
    }
    ASSERT_TRUE(bus_.ServeFakeServices()) << bus_.Why();
    UseAddress(bus_.Address());
  }
  void TearDown() override {
    if (previous_) {
      setenv("DBUS_SYSTEM_BUS_ADDRESS", previous_->c_str(), 1);
    } else {
      unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
  }
  void UseAddress(const std::string& address) {
    if (!saved_) {
      saved_ = true;
      if (const char* old = getenv("DBUS_SYSTEM_BUS_ADDRESS")) {
        previous_ = old;
      }
    }
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address.c_str(), 1);
  }
  void SetUnit(const std::string& unit, FakeUnit state) {
    std::lock_guard lock(bus_.State().mutex);
    bus_.State().units[unit] = state;
  }

  PrivateBus bus_;
  bool saved_ = false;
  std::optional<std::string> previous_;
  SystemdServiceManager services_;
  LinuxPower power_{"/nonexistent-sysfs-root-for-power"};
};

TEST_F(SystemBusTest, StartsTheThunderboltServiceAsBoltWithReplace) {
  SetUnit("bolt.service", {"loaded", "inactive"});
  EXPECT_EQ(StartNamedService(services_, u"ThunderboltService"), SERVICE_START_OK);
  std::lock_guard lock(bus_.State().mutex);
  ASSERT_EQ(bus_.State().startCalls.size(), 1u);
  EXPECT_EQ(bus_.State().startCalls[0],
            (std::pair<std::string, std::string>{"bolt.service", "replace"}));
}

TEST_F(SystemBusTest, AnActiveUnitIsAlreadyRunning) {
  SetUnit("bolt.service", {"loaded", "active"});
  const Handle manager = services_.OpenSCManager();
  ASSERT_NE(manager, kNullHandle);
  const Handle service = services_.OpenService(manager, u"ThunderboltService");
  ASSERT_NE(service, kNullHandle);
  EXPECT_FALSE(services_.StartService(service));
  EXPECT_EQ(services_.GetLastError(), kErrorServiceAlreadyRunning);
  EXPECT_TRUE(services_.CloseServiceHandle(service));
  EXPECT_TRUE(services_.CloseServiceHandle(manager));
  EXPECT_FALSE(services_.CloseServiceHandle(manager));

  EXPECT_EQ(StartNamedService(services_, u"ThunderboltService"), SERVICE_START_OK);
  std::lock_guard lock(bus_.State().mutex);
  EXPECT_TRUE(bus_.State().startCalls.empty());
}

TEST_F(SystemBusTest, AnUnknownUnitIsNotInstalled) {
  const Handle manager = services_.OpenSCManager();
  ASSERT_NE(manager, kNullHandle);
  EXPECT_EQ(services_.OpenService(manager, u"ThunderboltService"), kNullHandle);
  EXPECT_EQ(services_.GetLastError(), kErrorServiceDoesNotExist);
  services_.CloseServiceHandle(manager);
  EXPECT_EQ(StartNamedService(services_, u"ThunderboltService"), SERVICE_E_OPEN);
}

TEST_F(SystemBusTest, ARefusedStartIsAStartFailure) {
  SetUnit("bolt.service", {"loaded", "failed"});
  bus_.State().refuseStart = true;
  const Handle manager = services_.OpenSCManager();
  const Handle service = services_.OpenService(manager, u"ThunderboltService");
  ASSERT_NE(service, kNullHandle);
  EXPECT_FALSE(services_.StartService(service));
  EXPECT_EQ(services_.GetLastError(), kErrorAccessDenied);
  services_.CloseServiceHandle(service);
  services_.CloseServiceHandle(manager);
  EXPECT_EQ(StartNamedService(services_, u"ThunderboltService"), SERVICE_E_START);
}

TEST_F(SystemBusTest, PowerOffAsksLogindWithoutInteraction) {
  bool closed = false;
  ShutdownSystem(power_, [&] { closed = true; });
  EXPECT_TRUE(closed);
  std::lock_guard lock(bus_.State().mutex);
  EXPECT_EQ(bus_.State().powerOffCalls, std::vector<bool>{false});
}

TEST_F(SystemBusTest, ARefusedPowerOffStillClosesTheWindow) {
  bus_.State().refusePowerOff = true;
  EXPECT_FALSE(power_.RequestPowerOff());
  bool closed = false;
  ShutdownSystem(power_, [&] { closed = true; });
  EXPECT_TRUE(closed);
  std::lock_guard lock(bus_.State().mutex);
  EXPECT_EQ(bus_.State().powerOffCalls.size(), 2u);
}

TEST_F(SystemBusTest, WithoutABusNothingIsReachable) {
  UseAddress(bus_.DeadAddress());
  EXPECT_EQ(StartNamedService(services_, u"ThunderboltService"), SERVICE_E_SCM);
  EXPECT_FALSE(power_.RequestPowerOff());
}

TEST(UnitNameTest, MapsServiceNamesToUnits) {
  EXPECT_EQ(UnitNameForService(u"ThunderboltService"), "bolt.service");
  EXPECT_EQ(UnitNameForService(u"thunderboltservice"), "bolt.service");
  EXPECT_EQ(UnitNameForService(u"fwupd"), "fwupd.service");
  EXPECT_EQ(UnitNameForService(u"bolt.service"), "bolt.service");
}

}  // namespace
}  // namespace tbt::platform::linux_backend
