#include "cli/PlatformChoice.h"

#include "cli/CliFiles.h"
#include "platform/NvmImageFormat.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "update/ResultCodes.h"

#if TBT_HAVE_LINUX_BACKEND
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxReturnValues.h"
#endif
#if TBT_HAVE_WINDOWS_BACKEND
#include "platform/windows/WindowsPlatform.h"
#endif

namespace tbt::cli {

bool ParsePlatformChoice(const char* value, PlatformChoice* choice, std::string* error) {
  const std::optional<PlatformChoice> parsed = emulated::ParseBackend(value, error);
  if (parsed) {
    *choice = *parsed;
  }
  return parsed.has_value();
}

bool ParseEmulatedEnvironment(const EmulatedEnvironment& environment, PlatformSelection* selection,
                              std::string* error) {
  const std::optional<emulated::PowerMode> power =
      emulated::ParsePowerMode(environment.power, error);
  if (!power) {
    return false;
  }
  selection->emulatedPower = *power;
  selection->emulatedControllerFile =
      environment.controllerFile == nullptr ? std::string() : environment.controllerFile;
  return true;
}

bool EmulatedControllerNvm(const PlatformSelection& selection, std::vector<uint8_t>* nvm,
                           std::string* error) {
  if (selection.emulatedControllerFile.empty()) {
    *nvm = emulated::DefaultControllerNvm();
    return true;
  }
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(selection.emulatedControllerFile, &bytes, error)) {
    return false;
  }
  // As the window reads the same variable: an image gives the section it points to.
  *nvm = ControllerNvmFromFile(std::move(bytes));
  return true;
}

std::unique_ptr<platform::IPlatform> CreateHardwarePlatform(PlatformChoice choice,
                                                            const std::filesystem::path& sysfsRoot,
                                                            std::u16string moduleFileName) {
#if TBT_HAVE_LINUX_BACKEND
  if (choice == PlatformChoice::kLinux) {
    platform::linux_backend::LinuxOptions options;
    options.sysfsRoot = sysfsRoot;
    options.moduleFileName = std::move(moduleFileName);
    return platform::linux_backend::CreateLinuxPlatform(std::move(options));
  }
#endif
#if TBT_HAVE_WINDOWS_BACKEND
  if (choice == PlatformChoice::kWindows) {
    platform::windows_backend::WindowsOptions options;
    options.moduleFileName = std::move(moduleFileName);
    return platform::windows_backend::CreateWindowsPlatform(std::move(options));
  }
#endif
  (void)choice;
  (void)sysfsRoot;
  (void)moduleFileName;
  return nullptr;
}

std::string MissingBackendError(PlatformChoice choice) {
  return choice == PlatformChoice::kWindows
             ? "this build has no Windows backend; use TBT_PLATFORM=emulated"
             : "this build has no Linux backend; use TBT_PLATFORM=emulated";
}

std::optional<uint32_t> AuthenticationStatus(uint32_t result, PlatformChoice ranOn) {
#if TBT_HAVE_LINUX_BACKEND
  if (ranOn == PlatformChoice::kLinux) {
    return platform::linux_backend::AuthenticationStatusOf(result);
  }
#else
  (void)result;
  (void)ranOn;
#endif
  return std::nullopt;
}

bool RefusedBeforeWriting(uint32_t result, PlatformChoice ranOn) {
#if TBT_HAVE_LINUX_BACKEND
  return ranOn == PlatformChoice::kLinux &&
         result == platform::linux_backend::kTbtAuthorizationRefused;
#else
  (void)result;
  (void)ranOn;
  return false;
#endif
}

std::string ResultReason(uint32_t result, PlatformChoice ranOn) {
#if TBT_HAVE_LINUX_BACKEND
  if (ranOn == PlatformChoice::kLinux) {
    std::string linuxReason = platform::linux_backend::TbtReturnValueDescription(result);
    if (!linuxReason.empty()) {
      return linuxReason;
    }
  }
#else
  (void)ranOn;
#endif
  return std::string(ResultCodeDescription(result));
}

}  // namespace tbt::cli
