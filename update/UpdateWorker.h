#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/BoundedFile.h"
#include "platform/Platform.h"
#include "update/NvmCheck.h"
#include "update/ResultCodes.h"

namespace tbt {

class AcpiDevice;
class CTbtWmiClient;

/// The two fields of the main dialog that the worker uses.
struct UpdateContext {
  /// Update result code of the last run; written by the worker on every path.
  uint32_t result = 0;
  /// Non-zero lets an older image be written.
  int32_t downgradeAllowed = 0;
};

/// Reads the chosen image file into the buffer, refusing files above the image cap.
using ImageReader =
    std::function<platform::FileReadStatus(const std::filesystem::path&, std::vector<uint8_t>*)>;

/// Everything the worker reaches: the platform, the provider client and the ACPI
/// device (opened by the caller; the worker never opens or closes it).
struct UpdateEnvironment {
  platform::IPlatform& platform;
  CTbtWmiClient& wmi;
  AcpiDevice& acpi;
  /// How the image file is read; empty means platform::ReadBoundedFile with
  /// platform::kMaxImageFileBytes.
  ImageReader readImage;
};

/// What one run learnt, for front ends that report more than the result code.
struct UpdateReport {
  uint32_t installedVersion = 0;
  uint32_t imageVersion = 0;
  /// The image file taken (empty when none was found).
  std::filesystem::path imagePath;
  /// True when UpdateFirmware was called (whatever it returned).
  bool written = false;
  /// What the compatibility check found: the image's version whenever it was read, and
  /// the region table's row that ended the check.
  NvmCheckDetail check;
};

/// Delay after the service start and after the write, so the service can start and
/// the controller can settle.
inline constexpr uint32_t kUpdateSettleMilliseconds = 10000;
/// Capacity of the folder and image paths in UTF-16 units, terminator included.
inline constexpr size_t kUpdatePathCapacity = 1024;

/// Runs one whole update, holding the platform's update lock throughout: switch the
/// platform device on, start the service, wait, connect, read the installed version,
/// find and read the image, check it, refuse a downgrade unless allowed, write it,
/// wait, switch the device off. While another
/// update holds the lock the run ends at once with TBU_E_BUSY, having switched,
/// waited and written nothing. The outcome is in context->result (and, when given,
/// *report). Returns 0, the thread's exit code.
uint32_t UpdateThreadProc(const UpdateEnvironment& environment, UpdateContext* context,
                          UpdateReport* report = nullptr);

/// The image folder for a program path: everything up to the last folder separator
/// (kept) and "data"; a path without one stays whole before "data" is appended. On
/// Windows '\\' and '/' separate folders, elsewhere only '/'.
std::u16string ImageFolderFromModulePath(std::u16string_view moduleFileName);

/// The first "*.bin" entry of the folder in name order (the suffix in any case);
/// directories count too. Empty when the folder is missing or holds none.
std::filesystem::path FindFirstImage(const std::filesystem::path& folder);

}  // namespace tbt
