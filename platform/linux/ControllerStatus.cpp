#include "platform/linux/ControllerStatus.h"

#include <cstdio>
#include <system_error>

#include "platform/Platform.h"
#include "platform/PrintableText.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxReturnValues.h"
#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

namespace fs = std::filesystem;

namespace {

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08X", value);
  return text;
}

}  // namespace

MachineStatus CollectMachineStatus(const fs::path& sysfsRoot) {
  MachineStatus status;
  status.sysfsRoot = sysfsRoot;
  const SysfsTree tree(sysfsRoot);
  status.thunderboltBus = tree.HasThunderboltBus();
  for (const std::string& router : tree.HostRouters()) {
    RouterStatus entry;
    entry.controllerId = router;
    const fs::path dir = tree.RouterDir(router);
    const FileResult version = SysfsTree::ReadText(dir / "nvm_version");
    if (!version.ok()) {
      entry.versionError = kTbtNvmVersionUnreadable;
    } else if (!ParseNvmVersion(version.text)) {
      entry.versionError = kTbtNvmVersionMalformed;
    } else {
      entry.nvmVersion = SysfsTree::ReadAttribute(dir / "nvm_version");
    }
    entry.deviceName = SysfsTree::ReadAttribute(dir / "device_name");
    entry.vendorName = SysfsTree::ReadAttribute(dir / "vendor_name");
    std::error_code ec;
    entry.upgradable = tree.FindNvmem(router, "nvm_non_active").has_value() &&
                       fs::exists(dir / "nvm_authenticate", ec);
    status.routers.push_back(std::move(entry));
  }
  status.forcePower = tree.FindForcePower();
  BatteryState battery;
  if (QueryPowerSupplies(sysfsRoot, &battery) == kStatusSuccess) {
    status.onMains = battery.acOnLine != 0;
  }
  return status;
}

// Names and versions come from sysfs: no byte of theirs may steer the terminal.
std::string FormatStatusText(const MachineStatus& status) {
  std::string text =
      "platform:     linux (sysfs root " + PrintableText(status.sysfsRoot.string()) + ")\n";
  if (!status.thunderboltBus) {
    text += "thunderbolt:  no Thunderbolt bus (is the thunderbolt module loaded?)\n";
  }
  if (status.routers.empty()) {
    text += "controllers:  none with an NVM version\n";
  }
  for (const RouterStatus& router : status.routers) {
    text += "controller:   " + PrintableText(router.controllerId) + "\n";
    if (router.versionError == 0) {
      text += "  nvm version " + PrintableText(router.nvmVersion) + "\n";
    } else {
      text += "  nvm version unknown: " + Hex32(router.versionError) + " " +
              std::string(TbtReturnValueDescription(router.versionError)) + "\n";
    }
    text += "  device      " +
            (router.deviceName.empty() ? "(unnamed)" : PrintableText(router.deviceName)) + "\n";
    text += "  vendor      " +
            (router.vendorName.empty() ? "(unnamed)" : PrintableText(router.vendorName)) + "\n";
    text += std::string("  upgradable  ") + (router.upgradable ? "yes" : "no") + "\n";
  }
  text += "force power:  " +
          (status.forcePower ? "available (" + PrintableText(status.forcePower->string()) + ")"
                             : std::string("not available (the controller stays powered)")) +
          "\n";
  text += "power:        " +
          std::string(!status.onMains   ? "unknown (the power supplies cannot be read)"
                      : *status.onMains ? "mains"
                                        : "battery") +
          "\n";
  return text;
}

// Names and versions come from sysfs and may hold any bytes; the literals take them all.
std::string FormatStatusJson(const MachineStatus& status) {
  std::string json =
      "{\"platform\": \"linux\", \"sysfs_root\": " + JsonStringLiteral(status.sysfsRoot.string()) +
      ", \"thunderbolt_bus\": " + (status.thunderboltBus ? "true" : "false") +
      ", \"controllers\": [";
  bool first = true;
  for (const RouterStatus& router : status.routers) {
    json += first ? "" : ", ";
    first = false;
    json +=
        "{\"controller_id\": " + JsonStringLiteral(router.controllerId) + ", \"nvm_version\": " +
        (router.versionError == 0 ? JsonStringLiteral(router.nvmVersion) : std::string("null")) +
        ", \"version_error\": " + std::to_string(router.versionError) +
        ", \"device_name\": " + JsonStringLiteral(router.deviceName) +
        ", \"vendor_name\": " + JsonStringLiteral(router.vendorName) +
        ", \"upgradable\": " + (router.upgradable ? "true" : "false") + "}";
  }
  json += "], \"force_power\": ";
  json += status.forcePower ? "true" : "false";
  json += ", \"on_mains\": ";
  json += !status.onMains ? "null" : (*status.onMains ? "true" : "false");
  json += "}\n";
  return json;
}

}  // namespace tbt::platform::linux_backend
