#include "platform/linux/LinuxPlatform.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/FileUpdateLock.h"
#include "platform/SteadyClock.h"
#include "platform/linux/ForcePowerHold.h"
#include "platform/linux/HelperClient.h"
#include "platform/linux/LinuxDeviceIo.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxSystemInfo.h"
#include "platform/linux/SysfsTbtProvider.h"
#include "platform/linux/SysfsTree.h"
#include "platform/linux/SystemdServiceManager.h"
#include "platform/wmi/Wmi.h"

#ifndef TBT_HELPER_INSTALL_PATH
#define TBT_HELPER_INSTALL_PATH "/usr/local/libexec/tbt-nvm-helper"
#endif

namespace tbt::platform::linux_backend {

const char* DefaultHelperPath() {
  return TBT_HELPER_INSTALL_PATH;
}

namespace {

std::unique_ptr<IPrivilegedOps> MakePrivilegedOps(const LinuxOptions& options,
                                                  const SysfsTree& tree) {
  const bool direct = options.privilege == PrivilegeMode::kDirect ||
                      (options.privilege == PrivilegeMode::kAutomatic && ::geteuid() == 0);
  if (direct) {
    return std::make_unique<DirectPrivilegedOps>(tree);
  }
  std::string helper = options.helperPath;
#if TBT_TEST_OVERRIDES
  // Only test builds take another helper from the environment: a release build runs
  // the program the polkit action names, and nothing else, as root.
  if (const char* fromEnvironment = std::getenv("TBT_NVM_HELPER");
      helper.empty() && fromEnvironment != nullptr && *fromEnvironment != '\0') {
    helper = fromEnvironment;
  }
#endif
  if (helper.empty()) {
    helper = DefaultHelperPath();
  }
  const std::string launcher = options.launcherPath.empty() ? kPkexecPath : options.launcherPath;
  return std::make_unique<HelperPrivilegedOps>(tree, helper, std::vector<std::string>{launcher});
}

std::filesystem::path UpdateLockPathFor(const LinuxOptions& options) {
  if (!options.updateLockPath.empty()) {
    return options.updateLockPath;
  }
  std::error_code error;
  return std::filesystem::equivalent(options.sysfsRoot, "/sys", error)
             ? DefaultUpdateLockPath()
             : options.sysfsRoot / kUpdateLockFileName;
}

class LinuxPlatform final : public IPlatform {
 public:
  explicit LinuxPlatform(LinuxOptions options)
      : tree_(options.sysfsRoot),
        clock_(options.clock ? options.clock : std::make_shared<SteadyClock>()),
        privileged_(MakePrivilegedOps(options, tree_)),
        devices_(tree_, *privileged_, *clock_, hold_),
        power_(options.sysfsRoot),
        system_(options.moduleFileName),
        updateLock_(UpdateLockPathFor(options)) {
    RegisterSysfsTbtProvider(
        registry_, std::make_shared<SysfsTbtProvider>(tree_, *privileged_, *clock_, hold_));
  }

  IDeviceIo& Devices() override { return devices_; }
  IServiceManager& Services() override { return services_; }
  IPower& Power() override { return power_; }
  IClock& Clock() override { return *clock_; }
  ISystemInfo& System() override { return system_; }
  wmi::NamespaceRegistry& Wmi() override { return registry_; }
  IUpdateLock& UpdateLock() override { return updateLock_; }
  bool IsEmulated() const override { return false; }

 private:
  SysfsTree tree_;
  std::shared_ptr<IClock> clock_;
  std::unique_ptr<IPrivilegedOps> privileged_;
  ForcePowerHold hold_;
  LinuxDeviceIo devices_;
  SystemdServiceManager services_;
  LinuxPower power_;
  LinuxSystemInfo system_;
  FileUpdateLock updateLock_;
  wmi::NamespaceRegistry registry_;
};

}  // namespace

std::unique_ptr<IPlatform> CreateLinuxPlatform(LinuxOptions options) {
  return std::make_unique<LinuxPlatform>(std::move(options));
}

}  // namespace tbt::platform::linux_backend
