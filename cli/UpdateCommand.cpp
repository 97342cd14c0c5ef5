#include "cli/UpdateCommand.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "cli/PlatformChoice.h"
#include "platform/SteadyClock.h"
#include "platform/Utf16.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "update/AcpiDevice.h"
#include "update/NvmCheck.h"
#include "update/ResultCodes.h"
#include "update/TbtWmiClient.h"
#include "update/UpdateWorker.h"

namespace tbt::cli {

namespace {

namespace fs = std::filesystem;

constexpr int kExitUpdated = 0;
constexpr int kExitUpdateFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "usage: tbt-nvm update IMAGE [--controller-nvm FILE | --controller-image FILE]\n"
    "                            [--downgradable] [--json] [--real-waits]\n";

struct UpdateArguments {
  std::string image;
  std::string controllerNvm;
  std::string controllerImage;
  bool downgradable = false;
  bool json = false;
  bool realWaits = false;
};

bool ParseArguments(const std::vector<std::string>& args, UpdateArguments* parsed,
                    std::ostream& err) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& word = args[i];
    if (word == "--downgradable") {
      parsed->downgradable = true;
    } else if (word == "--json") {
      parsed->json = true;
    } else if (word == "--real-waits") {
      parsed->realWaits = true;
    } else if (word == "--controller-nvm" || word == "--controller-image") {
      if (i + 1 >= args.size()) {
        err << "tbt-nvm update: " << word << " needs a file\n";
        return false;
      }
      (word == "--controller-nvm" ? parsed->controllerNvm : parsed->controllerImage) = args[++i];
    } else if (word.size() > 1 && word[0] == '-') {
      err << "tbt-nvm update: unknown option " << word << "\n";
      return false;
    } else if (parsed->image.empty()) {
      parsed->image = word;
    } else {
      err << "tbt-nvm update: more than one image given\n";
      return false;
    }
  }
  if (parsed->image.empty()) {
    err << "tbt-nvm update: no image given\n";
    return false;
  }
  if (!parsed->controllerNvm.empty() && !parsed->controllerImage.empty()) {
    err << "tbt-nvm update: give --controller-nvm or --controller-image, not both\n";
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) {
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

// The controller's NVM is an image's primary section alone.
bool ControllerNvmFromImage(const std::vector<uint8_t>& image, std::vector<uint8_t>* nvm) {
  NvmLayout layout;
  if (ReadImageLayout(image.data(), image.size(), &layout) != TBU_OK ||
      layout.base0 >= image.size()) {
    return false;
  }
  nvm->assign(image.begin() + layout.base0, image.end());
  return true;
}

// A program folder that exists for one run and is removed with everything in it.
class TemporaryProgramFolder {
 public:
  TemporaryProgramFolder() {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "tbt-nvm-update-XXXXXX").string();
    if (!error && mkdtemp(pattern.data()) != nullptr) {
      root_ = pattern;
    }
  }
  ~TemporaryProgramFolder() {
    if (!root_.empty()) {
      std::error_code ignored;
      fs::remove_all(root_, ignored);
    }
  }
  TemporaryProgramFolder(const TemporaryProgramFolder&) = delete;
  TemporaryProgramFolder& operator=(const TemporaryProgramFolder&) = delete;

  bool Valid() const { return !root_.empty(); }
  fs::path Program() const { return root_ / "tbt-nvm"; }
  fs::path Data() const { return root_ / "data"; }

 private:
  fs::path root_;
};

// The worker takes the first *.bin of data/; an image named otherwise gets the suffix.
std::string ImageNameInData(const fs::path& image) {
  std::string name = image.filename().string();
  std::string lowered = name;
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  if (lowered.size() < 4 || lowered.compare(lowered.size() - 4, 4, ".bin") != 0) {
    name += ".bin";
  }
  return name;
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

void PrintReport(std::ostream& out, bool json, bool onHardware, UpdateResult result,
                 const UpdateReport& report) {
  if (json) {
    out << "{\"result\": " << result << ", \"code\": \"" << Hex32(result) << "\", \"name\": \""
        << ResultCodeName(result) << "\", \"installed_version\": " << report.installedVersion
        << ", \"image_version\": " << report.imageVersion
        << ", \"written\": " << (report.written ? "true" : "false") << "}\n";
    return;
  }
  const std::string linuxReason = onHardware ? LinuxReturnValueDescription(result) : "";
  out << (onHardware ? "platform:          linux (this machine's controller)\n"
                     : "platform:          emulated (no hardware is touched)\n")
      << "image file:        "
      << (report.imagePath.empty() ? std::string("(none)") : report.imagePath.filename().string())
      << "\n"
      << "installed version: " << Hex32(report.installedVersion) << "\n"
      << "image version:     " << Hex32(report.imageVersion) << "\n"
      << "written:           " << (report.written ? "yes" : "no") << "\n"
      << "result:            " << Hex32(result) << " " << ResultCodeName(result) << ": "
      << (linuxReason.empty() ? std::string(ResultCodeDescription(result)) : linuxReason) << "\n";
}

}  // namespace

int RunUpdateCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  UpdateArguments parsed;
  if (!ParseArguments(args, &parsed, err)) {
    err << kUsage;
    return kExitUsage;
  }

  emulated::EmulatedOptions options;
  if (!parsed.controllerNvm.empty()) {
    std::vector<uint8_t> nvm;
    if (!ReadWholeFile(parsed.controllerNvm, &nvm) || nvm.empty()) {
      err << "tbt-nvm update: cannot read controller NVM " << parsed.controllerNvm << "\n";
      return kExitUsage;
    }
    options.controllerNvm = std::move(nvm);
  } else if (!parsed.controllerImage.empty()) {
    std::vector<uint8_t> image;
    std::vector<uint8_t> nvm;
    if (!ReadWholeFile(parsed.controllerImage, &image) || !ControllerNvmFromImage(image, &nvm)) {
      err << "tbt-nvm update: cannot take a controller NVM from " << parsed.controllerImage << "\n";
      return kExitUsage;
    }
    options.controllerNvm = std::move(nvm);
  }

  TemporaryProgramFolder folder;
  std::error_code error;
  if (!folder.Valid() || !fs::create_directory(folder.Data(), error)) {
    err << "tbt-nvm update: cannot create a temporary program folder\n";
    return kExitUsage;
  }
  if (!fs::is_regular_file(parsed.image, error) ||
      !fs::copy_file(parsed.image, folder.Data() / ImageNameInData(parsed.image), error)) {
    err << "tbt-nvm update: cannot read image " << parsed.image << "\n";
    return kExitUsage;
  }
  options.moduleFileName = ToUtf16(folder.Program().string());
  platform::SteadyClock realClock;
  if (parsed.realWaits) {
    options.clockOverride = &realClock;
  }

  // Without an emulated controller on the command line, TBT_PLATFORM=linux updates this
  // machine's controller.
  const bool onHardware =
      parsed.controllerNvm.empty() && parsed.controllerImage.empty() &&
      PlatformChoiceFromEnvironment(PlatformChoice::kEmulated) == PlatformChoice::kLinux;
  std::unique_ptr<platform::IPlatform> platform;
  if (onHardware) {
    platform = CreateLinuxPlatformForProgram(options.moduleFileName);
  } else {
    platform = emulated::CreateEmulatedPlatform(options);
  }
  if (!platform) {
    err << "tbt-nvm update: this build has no Linux backend\n";
    return kExitUsage;
  }
  CTbtWmiClient client(platform->Wmi());
  AcpiDevice acpi(platform->Devices());
  UpdateContext context;
  context.downgradeAllowed = parsed.downgradable ? 1 : 0;
  UpdateReport report;
  // As the window does: without the ACPI device no worker runs.
  if (!OpenAcpiDevice(acpi)) {
    context.result = TBU_E_NO_ACPI_DEVICE;
  } else {
    UpdateThreadProc(UpdateEnvironment{*platform, client, acpi, {}}, &context, &report);
  }
  PrintReport(out, parsed.json, onHardware, context.result, report);
  return context.result == TBU_OK ? kExitUpdated : kExitUpdateFailed;
}

}  // namespace tbt::cli
