#include "platform/linux/KernelImageRules.h"

#include "platform/NvmImageFormat.h"
#include "platform/NvmSectionLayout.h"
#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr uint64_t kSectionAlignment = 4 * 1024;
// The primary section's device id must lie inside the image.
constexpr uint64_t kSectionDeviceIdEnd = kDeviceIdOffset + kDeviceIdSize;

}  // namespace

uint32_t CheckKernelImageRules(std::span<const uint8_t> image, uint64_t nonActiveSize) {
  const uint64_t size = image.size();
  if (size < kMinimumImageSize) {
    return kTbtImageTooSmall;
  }
  if (size > nonActiveSize) {
    return kTbtImageTooLarge;
  }
  if (size % 4 != 0) {
    return kTbtImageLengthUnaligned;
  }
  // The kernel reads only the pointer at offset 0, never its copy. The image is at least
  // 32 KiB here, so the pointer's bytes exist.
  const uint64_t pointer =
      ReadLittleEndianAt(image, kSectionPointerOffset, kSectionPointerSize).value_or(0);
  if (pointer == 0 || pointer % kSectionAlignment != 0) {
    return kTbtImageBadSectionPointer;
  }
  if (pointer >= size || kSectionDeviceIdEnd > size - pointer) {
    return kTbtImageBadSectionPointer;
  }
  return kTbtOk;
}

}  // namespace tbt::platform::linux_backend
