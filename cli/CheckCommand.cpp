#include "cli/CheckCommand.h"

#include <array>
#include <memory>

#include "cli/CheckOutcomeText.h"
#include "cli/CliFiles.h"
#include "cli/Json.h"
#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "platform/emulated/NvmImageBuilder.h"

namespace tbt::cli {
namespace {

constexpr char kUsage[] =
    "usage: tbt-nvm check IMAGE [--controller-nvm FILE | --controller-image FILE]\n"
    "                           [--installed-version N] [--controller-id STR] [--json]\n"
    "                           [--sysfs-root DIR]\n";

constexpr std::array kCheckOptions{
    CommandOption{"--json"},
    kControllerNvmOption,
    kControllerImageOption,
    CommandOption{"--installed-version", true},
    CommandOption{"--controller-id", true},
    CommandOption{"--sysfs-root", true},
};

constexpr char kBuiltInController[] = "emulated, built-in controller (no hardware is touched)";
constexpr char kLinuxController[] = "linux, this machine's controller (read only)";
constexpr char kWindowsController[] = "windows, this machine's controller (read only)";

// The check's own words for success; a refusal is explained as any result is.
std::string CheckReason(const CheckReport& report) {
  return report.result == TBU_OK ? "the image fits this controller"
                                 : ResultReason(report.result, report.ranOn);
}

}  // namespace

bool ParseCheckArguments(const std::vector<std::string>& args, CheckRequest* request,
                         std::string* error) {
  CommandWords words;
  if (!SplitCommandWords(args, kCheckOptions, "image", &words, error) ||
      !TakeControllerFiles(words, &request->controller, error)) {
    return false;
  }
  request->imagePath = words.operand;
  request->json = words.Has("--json");
  if (words.Has("--installed-version")) {
    const std::string value = words.Value("--installed-version");
    uint32_t version = 0;
    if (!ParseUnsigned32(value, &version)) {
      *error =
          "--installed-version takes a decimal or 0x hex number up to 0xFFFFFFFF, not " + value;
      return false;
    }
    request->installedVersion = version;
  }
  if (words.Has("--controller-id")) {
    request->controllerId = words.Value("--controller-id");
  }
  if (words.Has("--sysfs-root")) {
    request->sysfsRoot = words.Value("--sysfs-root");
  }
  return true;
}

std::string FormatCheckJson(const CheckReport& report) {
  JsonObject json;
  json.Result(report.result)
      .Number("image_version", report.check.imageVersion)
      .Number("installed_version", report.installedVersion);
  return AddRegionJson(json, report.check)
      .Number("read_calls", report.readCalls)
      .String("reason", CheckReason(report))
      .Text();
}

std::string FormatCheckText(const CheckReport& report, const std::string& imagePath,
                            const std::string& controller) {
  std::string text;
  text += "controller:        " + controller + "\n";
  text += "installed version: " + VersionText(report.installedVersion) + "\n";
  text += "image:             " + imagePath + "\n";
  text += "image version:     " + VersionText(report.check.imageVersion) + "\n";
  text += "result:            " + ResultCodeText(report.result) + ": " + CheckReason(report) + "\n";
  text += RegionDetailText(report.result, report.check);
  text += "controller reads:  " + std::to_string(report.readCalls) + " ReadFirmware calls\n";
  return text;
}

int RunCheckCommand(const std::vector<std::string>& args, const PlatformSelection& platform,
                    std::ostream& out, std::ostream& err) {
  CheckRequest request;
  std::string error;
  if (!ParseCheckArguments(args, &request, &error)) {
    err << "tbt-nvm check: " << error << "\n" << kUsage;
    return kExitUsage;
  }
  const bool onHardware =
      !request.controller.Given() && platform.choice != PlatformChoice::kEmulated;
  if (onHardware && (request.installedVersion.has_value() || request.controllerId.has_value())) {
    err << "tbt-nvm check: --installed-version and --controller-id shape an emulated "
           "controller; give --controller-nvm, --controller-image or TBT_PLATFORM=emulated\n"
        << kUsage;
    return kExitUsage;
  }
  std::vector<uint8_t> image;
  if (!ReadFileBytes(request.imagePath, &image, &error)) {
    err << "tbt-nvm check: " << error << "\n";
    return kExitUsage;
  }

  CheckReport report;
  std::string controller;
  if (onHardware) {
    const std::unique_ptr<platform::IPlatform> machine = CreateHardwarePlatform(
        platform.choice, request.sysfsRoot.value_or(platform.sysfsRoot.string()), {});
    if (!machine) {
      err << "tbt-nvm check: " << MissingBackendError(platform.choice) << "\n";
      return kExitUsage;
    }
    report = CheckThroughProvider(machine->Wmi(), image);
    report.ranOn = platform.choice;
    controller = platform.choice == PlatformChoice::kLinux ? kLinuxController : kWindowsController;
  } else {
    std::vector<uint8_t> nvm;
    if (!request.controller.Given() && EmulatedControllerNvm(platform, &nvm, &error)) {
      controller = platform.emulatedControllerFile.empty()
                       ? kBuiltInController
                       : "emulated, NVM from TBT_EMULATED_CONTROLLER " +
                             platform.emulatedControllerFile + " (no hardware is touched)";
    } else if (request.controller.Given() && ReadControllerNvm(request.controller, &nvm, &error)) {
      controller = "emulated, " + request.controller.Description() + " (no hardware is touched)";
    } else {
      err << "tbt-nvm check: " << error << "\n";
      return kExitUsage;
    }
    const std::u16string controllerId = request.controllerId.has_value()
                                            ? ToUtf16(*request.controllerId)
                                            : std::u16string(emulated::kEmulatedControllerId);
    report = CheckAgainstEmulatedController(image, nvm, controllerId, request.installedVersion);
  }
  out << (request.json ? FormatCheckJson(report) + "\n"
                       : FormatCheckText(report, request.imagePath, controller));
  return report.result == TBU_OK ? kExitOk : kExitFailed;
}

}  // namespace tbt::cli
