#include "cli/UpdateCommand.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "cli/CheckOutcomeText.h"
#include "cli/CliFiles.h"
#include "cli/CommandWords.h"
#include "cli/ControllerFiles.h"
#include "cli/Json.h"
#include "platform/AsciiCase.h"
#include "platform/RemovalOnSignal.h"
#include "platform/SteadyClock.h"
#include "platform/TemporaryFolder.h"
#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "update/AcpiDevice.h"
#include "update/BatteryPower.h"
#include "update/ResultCodes.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"

namespace tbt::cli {

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: tbt-nvm update IMAGE [--controller-nvm FILE | --controller-image FILE]\n"
    "                            [--downgradable] [--allow-battery] [--json] [--real-waits]\n"
    "                            [--sysfs-root DIR]\n";

// Said before anything is written, on the real machine only.
constexpr char kDisconnectWarning[] =
    "tbt-nvm update: while the controller authenticates the new firmware, everything behind "
    "it (docks, displays, storage, external GPUs) disconnects for up to a minute\n";

constexpr std::array kUpdateOptions{
    CommandOption{"--downgradable"}, CommandOption{"--allow-battery"},    CommandOption{"--json"},
    CommandOption{"--real-waits"},   CommandOption{"--sysfs-root", true}, kControllerNvmOption,
    kControllerImageOption,
};

// A program folder that exists for one run and is removed with everything in it.
class TemporaryProgramFolder {
 public:
  TemporaryProgramFolder() : root_(platform::MakeTemporaryFolder("tbt-nvm-update")) {}
  ~TemporaryProgramFolder() {
    if (!root_.empty()) {
      std::error_code ignored;
      fs::remove_all(root_, ignored);
    }
  }
  TemporaryProgramFolder(const TemporaryProgramFolder&) = delete;
  TemporaryProgramFolder& operator=(const TemporaryProgramFolder&) = delete;

  bool Valid() const { return !root_.empty(); }
  const fs::path& Root() const { return root_; }
  fs::path Program() const { return root_ / "tbt-nvm"; }
  fs::path Data() const { return root_ / "data"; }

 private:
  fs::path root_;
};

// The worker takes the first *.bin of data/; an image named otherwise gets the suffix.
std::string ImageNameInData(const fs::path& image) {
  std::string name = image.filename().string();
  if (!EndsWithIgnoreAsciiCase(name, ".bin")) {
    name += ".bin";
  }
  return name;
}

void PrintReport(std::ostream& out, bool json, PlatformChoice ranOn, UpdateResult result,
                 const UpdateReport& report) {
  if (json) {
    JsonObject object;
    object.Result(result)
        .Number("installed_version", report.installedVersion)
        .Number("image_version", report.check.imageVersion)
        .Raw("written", report.written ? "true" : "false")
        .String("reason", ResultReason(result, ranOn));
    AddRegionJson(object, report.check);
    // Linux runs only: the kernel's status when the controller refused the image,
    // printed as the kernel prints it ("%#x").
    if (ranOn == PlatformChoice::kLinux) {
      const auto status = AuthenticationStatus(result, ranOn);
      char text[16];
      std::snprintf(text, sizeof(text), "%#x", status.value_or(0));
      object.String("authentication_status",
                    status ? std::optional<std::string_view>(text) : std::nullopt);
    }
    out << object.Text() << "\n";
    return;
  }
  out << (ranOn == PlatformChoice::kLinux ? "platform:          linux (this machine's controller)\n"
          : ranOn == PlatformChoice::kWindows
              ? "platform:          windows (this machine's controller)\n"
              : "platform:          emulated (no hardware is touched)\n")
      << "image file:        "
      << (report.imagePath.empty() ? std::string("(none)") : report.imagePath.filename().string())
      << "\n"
      << "installed version: " << VersionText(report.installedVersion) << "\n"
      << "image version:     " << VersionText(report.check.imageVersion) << "\n"
      << "written:           " << (report.written ? "yes" : "no") << "\n"
      << "result:            " << ResultCodeText(result) << ": " << ResultReason(result, ranOn)
      << "\n"
      << RegionDetailText(result, report.check);
}

}  // namespace

int RunUpdateCommand(const std::vector<std::string>& args, const PlatformSelection& platform,
                     std::ostream& out, std::ostream& err) {
  CommandWords words;
  ControllerFiles controller;
  std::string error;
  if (!SplitCommandWords(args, kUpdateOptions, "image", &words, &error) ||
      !TakeControllerFiles(words, &controller, &error)) {
    err << "tbt-nvm update: " << error << "\n" << kUsage;
    return kExitUsage;
  }

  emulated::EmulatedOptions options;
  if (controller.Given()) {
    std::vector<uint8_t> nvm;
    if (!ReadControllerNvm(controller, &nvm, &error)) {
      err << "tbt-nvm update: " << error << "\n";
      return kExitUsage;
    }
    options.controllerNvm = std::move(nvm);
  } else if (platform.choice == PlatformChoice::kEmulated) {
    std::vector<uint8_t> nvm;
    if (!EmulatedControllerNvm(platform, &nvm, &error)) {
      err << "tbt-nvm update: " << error << "\n";
      return kExitUsage;
    }
    options.controllerNvm = std::move(nvm);
  }
  options.powerMode = platform.emulatedPower;

  TemporaryProgramFolder folder;
  std::error_code fileError;
  if (!folder.Valid() || !fs::create_directory(folder.Data(), fileError)) {
    err << "tbt-nvm update: cannot create a temporary program folder\n";
    return kExitUsage;
  }
  // The image is read once, bounded, and copied as read: a FIFO or an oversized file
  // never reaches the worker, and an empty one is the worker's to refuse.
  std::vector<uint8_t> image;
  if (const platform::FileReadStatus status =
          platform::ReadBoundedFile(words.operand, platform::kMaxImageFileBytes, &image);
      status != platform::FileReadStatus::kOk) {
    err << "tbt-nvm update: " << FileReadError(status, words.operand) << "\n";
    return kExitUsage;
  }
  const fs::path imageCopy = folder.Data() / ImageNameInData(words.operand);
  // Ctrl+C or a kill during the long waits would skip the folder's destructor.
  const platform::RemovalOnSignal removal({imageCopy}, {folder.Data(), folder.Root()});
  if (!WriteFileBytes(imageCopy, image, &error)) {
    err << "tbt-nvm update: " << error << "\n";
    return kExitUsage;
  }
  options.moduleFileName = folder.Program().u16string();

  // A controller file on the command line always means the emulated machine.
  const PlatformChoice ranOn = controller.Given() ? PlatformChoice::kEmulated : platform.choice;
  platform::SteadyClock realClock;
  std::unique_ptr<platform::IPlatform> machine;
  if (ranOn != PlatformChoice::kEmulated) {
    machine = CreateHardwarePlatform(
        ranOn,
        words.Has("--sysfs-root") ? fs::path(words.Value("--sysfs-root")) : platform.sysfsRoot,
        options.moduleFileName);
    if (!machine) {
      err << "tbt-nvm update: " << MissingBackendError(ranOn) << "\n";
      return kExitUsage;
    }
  } else {
    if (words.Has("--real-waits")) {
      options.clockOverride = &realClock;
    }
    machine = emulated::CreateEmulatedPlatform(options);
  }

  CTbtWmiClient client(machine->Wmi());
  AcpiDevice acpi(machine->Devices());
  UpdateContext context;
  context.downgradeAllowed = words.Has("--downgradable") ? 1 : 0;
  UpdateReport report;
  // As the window does: without the ACPI device, or on battery, no worker runs. An
  // unattended run has no one to plug the machine in, so it fails instead of waiting.
  if (!OpenAcpiDevice(acpi)) {
    context.result = TBU_E_NO_ACPI_DEVICE;
  } else if (!words.Has("--allow-battery") && RunsOnBattery(machine->Power())) {
    context.result = TBU_E_ON_BATTERY;
  } else {
    if (ranOn != PlatformChoice::kEmulated) {
      err << kDisconnectWarning;
    }
    UpdateThreadProc(UpdateEnvironment{*machine, client, acpi, {}}, &context, &report);
  }
  report.written = report.written && !RefusedBeforeWriting(context.result, ranOn);
  PrintReport(out, words.Has("--json"), ranOn, context.result, report);
  return context.result == TBU_OK ? kExitOk : kExitFailed;
}

}  // namespace tbt::cli
