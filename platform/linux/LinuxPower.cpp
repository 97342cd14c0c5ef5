#include "platform/linux/LinuxPower.h"

#include <systemd/sd-bus.h>

#include <string_view>
#include <system_error>

#include "platform/linux/SysfsTree.h"

namespace tbt::platform::linux_backend {

namespace fs = std::filesystem;

namespace {

std::string Attribute(const fs::path& supply, const char* name) {
  return SysfsTree::ReadAttribute(supply / name);
}

bool IsExternalSupplyType(std::string_view type) {
  return type == "Mains" || type.starts_with("USB");
}

}  // namespace

int32_t QueryPowerSupplies(const fs::path& sysfsRoot, BatteryState* state) {
  *state = BatteryState{};
  const fs::path folder = sysfsRoot / "class" / "power_supply";
  std::error_code ec;
  if (!fs::exists(folder, ec)) {
    // No power supply class at all: a desktop or a virtual machine on mains.
    state->acOnLine = 1;
    return kStatusSuccess;
  }
  fs::directory_iterator it(folder, ec);
  if (ec) {
    return kStatusUnsuccessful;
  }
  bool externalOnline = false;
  bool batteryDischarging = false;
  bool batteryCharging = false;
  bool batteryPresent = false;
  for (fs::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) {
      return kStatusUnsuccessful;
    }
    const fs::path supply = it->path();
    const std::string scope = Attribute(supply, "scope");
    // Peripherals (a mouse's battery) report scope "Device" and say nothing of the machine.
    if (!scope.empty() && scope != "System") {
      continue;
    }
    const std::string type = Attribute(supply, "type");
    if (IsExternalSupplyType(type)) {
      externalOnline = externalOnline || Attribute(supply, "online") == "1";
    } else if (type == "Battery") {
      if (Attribute(supply, "present") == "0") {
        continue;
      }
      batteryPresent = true;
      const std::string status = Attribute(supply, "status");
      batteryDischarging = batteryDischarging || status == "Discharging";
      batteryCharging = batteryCharging || status == "Charging";
    }
  }
  state->batteryPresent = batteryPresent ? 1 : 0;
  state->charging = batteryCharging ? 1 : 0;
  state->discharging = batteryDischarging ? 1 : 0;
  state->acOnLine = (externalOnline || !batteryDischarging) ? 1 : 0;
  return kStatusSuccess;
}

int32_t LinuxPower::QueryBatteryState(BatteryState* state) {
  return QueryPowerSupplies(sysfsRoot_, state);
}

bool LinuxPower::RequestPowerOff() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) {
    return false;
  }
  sd_bus_error error{};  // all null: the same as SD_BUS_ERROR_NULL, without a C compound literal
  sd_bus_message* reply = nullptr;
  const int r =
      sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                         "org.freedesktop.login1.Manager", "PowerOff", &error, &reply, "b", 0);
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  sd_bus_flush_close_unref(bus);
  return r >= 0;
}

}  // namespace tbt::platform::linux_backend
