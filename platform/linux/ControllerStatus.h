#pragma once

// What `tbt-nvm status` reports about a Linux machine: its host routers, their NVM
// versions and names, whether forced power is available, and mains or battery.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tbt::platform::linux_backend {

/// One host router as sysfs shows it.
struct RouterStatus {
  std::string controllerId;
  /// "major.minor" in hexadecimal as the kernel writes it; empty when unreadable.
  std::string nvmVersion;
  /// The ReturnValue that explains an unreadable or malformed version (0 when read).
  uint32_t versionError = 0;
  std::string deviceName;
  std::string vendorName;
  /// True when the router offers nvm_non_active<N> and nvm_authenticate.
  bool upgradable = false;
};

/// The whole report.
struct MachineStatus {
  std::filesystem::path sysfsRoot;
  bool thunderboltBus = false;
  std::vector<RouterStatus> routers;
  std::optional<std::filesystem::path> forcePower;
  /// nullopt when the power query failed.
  std::optional<bool> onMains;
};

/// Reads the report from a sysfs tree; only reads, so it works as a normal user.
MachineStatus CollectMachineStatus(const std::filesystem::path& sysfsRoot);

/// The report as lines of text for people.
std::string FormatStatusText(const MachineStatus& status);

/// The report as one JSON object (one line, newline-terminated).
std::string FormatStatusJson(const MachineStatus& status);

}  // namespace tbt::platform::linux_backend
