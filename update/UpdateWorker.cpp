#include "update/UpdateWorker.h"

#include <algorithm>
#include <memory>
#include <string>
#include <system_error>

#include "platform/AsciiCase.h"
#include "update/AcpiDevice.h"
#include "update/NvmCheck.h"
#include "update/ServiceControl.h"
#include "update/TbtWmiClient.h"

namespace tbt {

namespace {

constexpr char16_t kDataFolderName[] = u"data";
// Windows takes both separators in a path; elsewhere a backslash is part of a name.
#ifdef _WIN32
constexpr char16_t kFolderSeparators[] = u"\\/";
#else
constexpr char16_t kFolderSeparators[] = u"/";
#endif
constexpr std::string_view kImageSuffix = ".bin";

UpdateResult ImageResult(platform::FileReadStatus status, const std::vector<uint8_t>& image) {
  if (status == platform::FileReadStatus::kNoMemory) {
    return TBU_E_NO_MEMORY;
  }
  // A missing, special, oversized or empty file is no image; a directory named like
  // an image is taken by the search but cannot be read either.
  return status == platform::FileReadStatus::kOk && !image.empty() ? TBU_OK : TBU_E_NO_IMAGE;
}

// Finds, opens and reads the image beside the program into *image.
UpdateResult LoadImage(const UpdateEnvironment& environment, std::filesystem::path* imagePath,
                       std::vector<uint8_t>* image) {
  const std::u16string folder =
      ImageFolderFromModulePath(environment.platform.System().ModuleFileName());
  // The folder and image paths have fixed capacities; a path that would not fit
  // names no file the tool can open.
  if (folder.size() >= kUpdatePathCapacity) {
    return TBU_E_NO_IMAGE;
  }
  const std::filesystem::path found = FindFirstImage(std::filesystem::path(folder));
  *imagePath = found;
  if (found.empty() || found.u16string().size() >= kUpdatePathCapacity) {
    return TBU_E_NO_IMAGE;
  }
  const platform::FileReadStatus status =
      environment.readImage ? environment.readImage(found, image)
                            : platform::ReadBoundedFile(found, platform::kMaxImageFileBytes, image);
  return ImageResult(status, *image);
}

// Steps from the connect to the write; the caller does the frame around them.
UpdateResult RunUpdateSteps(const UpdateEnvironment& environment, const UpdateContext& context,
                            UpdateReport* report) {
  if (!environment.wmi.ConnectWmi()) {
    return TBU_E_WMI_FAILED;
  }
  // Starts at 0 so that a provider that reports no version compares as the oldest.
  uint32_t installedVersion = 0;
  UpdateResult result = environment.wmi.GetCurrentNvmVersion(&installedVersion);
  report->installedVersion = installedVersion;
  if (result != TBU_OK) {
    return result;
  }

  std::vector<uint8_t> image;
  result = LoadImage(environment, &report->imagePath, &image);
  if (result != TBU_OK) {
    return result;
  }

  uint32_t imageVersion = 0;
  result = CheckFirmwareImage(environment.wmi, image.data(), image.size(), &imageVersion,
                              &report->check);
  report->imageVersion = imageVersion;
  if (result != TBU_OK) {
    return result;
  }
  // An equal version is written too: that is how a damaged NVM is repaired.
  if (imageVersion < installedVersion && context.downgradeAllowed == 0) {
    return TBU_E_DOWNGRADE;
  }
  report->written = true;
  return environment.wmi.UpdateFirmware(image.data(), static_cast<uint32_t>(image.size()));
}

}  // namespace

std::u16string ImageFolderFromModulePath(std::u16string_view moduleFileName) {
  const size_t slash = moduleFileName.find_last_of(kFolderSeparators);
  std::u16string folder(slash == std::u16string_view::npos ? moduleFileName
                                                           : moduleFileName.substr(0, slash + 1));
  folder += kDataFolderName;
  return folder;
}

std::filesystem::path FindFirstImage(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  if (error) {
    return {};
  }
  std::vector<std::string> names;
  for (const std::filesystem::directory_entry& entry : entries) {
    // UTF-8 whatever the system's code page, so that no name fails to convert.
    const std::u8string utf8 = entry.path().filename().u8string();
    const std::string name(utf8.begin(), utf8.end());
    if (name == "." || name == "..") {
      continue;
    }
    if (EndsWithIgnoreAsciiCase(name, kImageSuffix)) {
      names.push_back(name);
    }
  }
  if (names.empty()) {
    return {};
  }
  // The original platform's search yields entries in name order; keep that order.
  const std::string& first = *std::min_element(names.begin(), names.end());
  return folder / std::u8string(first.begin(), first.end());
}

uint32_t UpdateThreadProc(const UpdateEnvironment& environment, UpdateContext* context,
                          UpdateReport* report) {
  UpdateContext unusedContext;
  UpdateContext& run = context != nullptr ? *context : unusedContext;
  UpdateReport unusedReport;
  UpdateReport& learnt = report != nullptr ? *report : unusedReport;
  learnt = UpdateReport{};

  // One update at a time on the machine: a second one is refused before it switches,
  // waits or writes anything.
  const std::unique_ptr<platform::IHeldUpdateLock> lock =
      environment.platform.UpdateLock().TryAcquire();
  if (lock == nullptr) {
    run.result = TBU_E_BUSY;
    return 0;
  }

  platform::IClock& clock = environment.platform.Clock();
  // The switch and the service start report nothing: a failure shows as a later
  // failing provider step.
  uint32_t switchResult = 0;
  AcpiCallMethod(environment.acpi, kAcpiMethodDevs, kThunderboltPlatformDevice, 1, &switchResult);
  StartNamedService(environment.platform.Services(), kThunderboltServiceName);
  // The service needs time to start and publish the controller.
  clock.Sleep(kUpdateSettleMilliseconds);

  run.result = RunUpdateSteps(environment, run, &learnt);

  // Every path waits again so the controller settles before it is switched off.
  clock.Sleep(kUpdateSettleMilliseconds);
  AcpiCallMethod(environment.acpi, kAcpiMethodDevs, kThunderboltPlatformDevice, 0, &switchResult);
  return 0;
}

}  // namespace tbt
