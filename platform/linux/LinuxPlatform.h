#pragma once

// The real-hardware backend: sysfs for the controller, its forced power and the power
// supplies, systemd for the service, logind for the power-off.

#include <filesystem>
#include <memory>
#include <string>

#include "platform/Platform.h"

namespace tbt::platform::linux_backend {

/// Who performs the root-only steps.
enum class PrivilegeMode {
  kAutomatic,  // directly when running as root, else through the helper
  kDirect,     // always this process
  kHelper,     // always the helper
};

/// Where the install step puts the helper (the polkit action names the same path).
const char* DefaultHelperPath();
/// The launcher that runs the helper as root after polkit's consent.
inline constexpr const char* kPkexecPath = "/usr/bin/pkexec";

struct LinuxOptions {
  /// The sysfs root; tests point it at a tree of their own.
  std::filesystem::path sysfsRoot = "/sys";
  PrivilegeMode privilege = PrivilegeMode::kAutomatic;
  /// The helper's path; empty: DefaultHelperPath() (test builds: TBT_NVM_HELPER first).
  std::string helperPath;
  /// The helper's launcher; empty: kPkexecPath.
  std::string launcherPath;
  /// The clock; null: the real steady clock.
  std::shared_ptr<IClock> clock;
  /// The program path the engine sees ('/'-separated); empty: /proc/self/exe.
  std::u16string moduleFileName;
  /// The machine-wide update lock's file; empty: DefaultUpdateLockPath() on /sys, and a
  /// file inside any other sysfs root, so that a prepared tree has a lock of its own.
  std::filesystem::path updateLockPath;
};

/// Builds the Linux backend; its provider is registered as ROOT\Intel\Thunderbolt.
std::unique_ptr<IPlatform> CreateLinuxPlatform(LinuxOptions options = {});

}  // namespace tbt::platform::linux_backend
