#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/emulated/EmulatedCallLog.h"
#include "platform/emulated/EmulatedPower.h"
#include "platform/emulated/EmulatedServiceManager.h"
#include "update/ServiceControl.h"

namespace tbt {
namespace {

using emulated::CallKind;
using emulated::EmulatedServiceManager;

TEST(StartNamedServiceTest, ReturnsTheDocumentedResultAndClosesEveryHandle) {
  const struct {
    const char* name;
    std::function<void(EmulatedServiceManager&)> setup;
    uint32_t expected;
    bool runningAfter;
    size_t handlesClosed;
  } cases[] = {
      {"stopped service starts", [](EmulatedServiceManager&) {}, SERVICE_START_OK, true, 2},
      {"already running",
       [](EmulatedServiceManager& s) { StartNamedService(s, kThunderboltServiceName); },
       SERVICE_START_OK, true, 2},
      {"not installed",
       [](EmulatedServiceManager& s) { s.SetInstalled(kThunderboltServiceName, false); },
       SERVICE_E_OPEN, false, 1},
      {"start refused",
       [](EmulatedServiceManager& s) { s.SetStartError(kThunderboltServiceName, 1058); },
       SERVICE_E_START, false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    emulated::EmulatedCallLog log;
    EmulatedServiceManager services(&log);
    c.setup(services);
    log.Clear();
    EXPECT_EQ(StartNamedService(services, kThunderboltServiceName), c.expected);
    EXPECT_EQ(services.IsRunning(kThunderboltServiceName), c.runningAfter);
    EXPECT_EQ(services.OpenHandleCount(), 0u);
    EXPECT_EQ(log.Count(CallKind::kCloseServiceHandle), c.handlesClosed);
  }
}

// Neither step's outcome is checked: a refused privilege still asks for the power-off
// and closes the window, after both requests.
TEST(ShutdownSystemTest, RequestsPowerOffThenClosesTheWindowEvenWithoutThePrivilege) {
  emulated::EmulatedCallLog log;
  emulated::EmulatedPower power(&log);
  power.SetPrivilegeRefused(true);
  std::vector<std::string> seenAtClose;
  ShutdownSystem(power, [&] { seenAtClose = log.Lines(); });
  EXPECT_EQ(seenAtClose, (std::vector<std::string>{"ShutdownPrivilege", "PowerOff"}));
  EXPECT_EQ(power.PowerOffRequests(), 1u);
}

}  // namespace
}  // namespace tbt
