#include "cli/StatusCommand.h"

#include "cli/CliFiles.h"

#if TBT_HAVE_LINUX_BACKEND
#include "platform/linux/ControllerStatus.h"
#elif TBT_HAVE_WINDOWS_BACKEND
#include "cli/CheckOutcomeText.h"
#include "cli/Json.h"
#include "platform/Utf16.h"
#include "platform/windows/WindowsPlatform.h"
#include "update/AcpiDevice.h"
#include "update/BatteryPower.h"
#include "update/TbtWmiClient.h"
#endif

namespace tbt::cli {

namespace {

constexpr char kUsage[] = "usage: tbt-nvm status [--json] [--sysfs-root DIR]\n";

#if !TBT_HAVE_LINUX_BACKEND && TBT_HAVE_WINDOWS_BACKEND
// The controller the provider names first (the one an update addresses), its NVM
// version, the board's platform device and the power source. Reads only.
int PrintWindowsStatus(bool json, std::ostream& out) {
  const auto machine = platform::windows_backend::CreateWindowsPlatform();
  CTbtWmiClient client(machine->Wmi());
  std::optional<uint32_t> version;
  std::string controller;
  if (client.ConnectWmi() && client.FindControllerPath()) {
    controller = ToUtf8(client.ControllerPath());
    uint32_t installed = 0;
    if (client.GetCurrentNvmVersion(&installed) == TBU_OK) {
      version = installed;
    }
  }
  AcpiDevice acpi(machine->Devices());
  const bool device = OpenAcpiDevice(acpi);
  const bool battery = RunsOnBattery(machine->Power());
  if (json) {
    out << JsonObject()
               .String("controller", controller.empty()
                                         ? std::nullopt
                                         : std::optional<std::string_view>(controller))
               .Number("nvm_version", version)
               .Raw("platform_device", device ? "true" : "false")
               .String("power", battery ? "battery" : "mains")
               .Text()
        << "\n";
  } else {
    out << "controller:        "
        << (controller.empty() ? "none (the Thunderbolt service's provider cannot be reached)"
                               : controller)
        << "\n"
        << "NVM version:       " << VersionText(version) << "\n"
        << "platform device:   " << (device ? "present" : "missing") << "\n"
        << "power:             " << (battery ? "battery" : "mains") << "\n";
  }
  return controller.empty() ? kExitFailed : kExitOk;
}
#endif

}  // namespace

int RunStatusCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool json = false;
  std::string sysfsRoot = "/sys";
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--sysfs-root" && i + 1 < args.size()) {
      sysfsRoot = args[++i];
    } else {
      err << "tbt-nvm status: unexpected " << args[i] << "\n" << kUsage;
      return kExitUsage;
    }
  }
#if TBT_HAVE_LINUX_BACKEND
  const auto status = platform::linux_backend::CollectMachineStatus(sysfsRoot);
  out << (json ? platform::linux_backend::FormatStatusJson(status)
               : platform::linux_backend::FormatStatusText(status));
  return status.routers.empty() ? kExitFailed : kExitOk;
#elif TBT_HAVE_WINDOWS_BACKEND
  (void)sysfsRoot;
  return PrintWindowsStatus(json, out);
#else
  (void)json;
  (void)out;
  err << "tbt-nvm status: this build has no hardware backend\n";
  return kExitFailed;
#endif
}

}  // namespace tbt::cli
