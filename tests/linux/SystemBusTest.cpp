#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "PrivateBus.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/SystemdServiceManager.h"
#include "update/ServiceControl.h"

namespace tbt::platform::linux_backend {
namespace {

using test::FakeUnit;
using test::PrivateBus;
using StartCalls = std::vector<std::pair<std::string, std::string>>;

class SystemBusTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!bus_.Running()) {
      GTEST_SKIP() << bus_.Why();
    }
    ASSERT_TRUE(bus_.ServeFakeServices()) << bus_.Why();
    bus_.UseAsSystemBus(bus_.Address());
  }

  PrivateBus bus_;
  SystemdServiceManager services_;
  LinuxPower power_{"/nonexistent-sysfs-root-for-power"};
};

TEST_F(SystemBusTest, StartsTheThunderboltServiceAsBoltUnlessItRuns) {
  struct Case {
    const char* name;
    std::optional<FakeUnit> unit;
    bool refuseStart;
    uint32_t result;
    bool started;  // bolt.service asked to start in "replace" mode
  };
  const Case cases[] = {
      {"inactive", FakeUnit{"loaded", "inactive"}, false, SERVICE_START_OK, true},
      {"already active", FakeUnit{"loaded", "active"}, false, SERVICE_START_OK, false},
      {"unknown unit", std::nullopt, false, SERVICE_E_OPEN, false},
      {"start refused", FakeUnit{"loaded", "failed"}, true, SERVICE_E_START, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    {
      std::lock_guard lock(bus_.State().mutex);
      bus_.State().units.clear();
      if (c.unit) {
        bus_.State().units["bolt.service"] = *c.unit;
      }
      bus_.State().refuseStart = c.refuseStart;
      bus_.State().startCalls.clear();
    }
    EXPECT_EQ(StartNamedService(services_, u"ThunderboltService"), c.result);
    std::lock_guard lock(bus_.State().mutex);
    const StartCalls expected = c.started ? StartCalls{{"bolt.service", "replace"}} : StartCalls{};
    EXPECT_EQ(bus_.State().startCalls, expected);
  }
}

// That the window closes whatever logind answers is the update tests' business.
TEST_F(SystemBusTest, PowerOffAsksLogindWithoutInteraction) {
  for (const bool refuse : {false, true}) {
    SCOPED_TRACE(refuse);
    {
      std::lock_guard lock(bus_.State().mutex);
      bus_.State().refusePowerOff = refuse;
      bus_.State().powerOffCalls.clear();
    }
    EXPECT_EQ(power_.RequestPowerOff(), !refuse);
    std::lock_guard lock(bus_.State().mutex);
    EXPECT_EQ(bus_.State().powerOffCalls, std::vector<bool>{false});
  }
}

TEST_F(SystemBusTest, WithoutABusNothingIsReachable) {
  bus_.UseAsSystemBus(bus_.DeadAddress());
  EXPECT_EQ(StartNamedService(services_, u"ThunderboltService"), SERVICE_E_SCM);
  EXPECT_FALSE(power_.RequestPowerOff());
}

}  // namespace
}  // namespace tbt::platform::linux_backend
