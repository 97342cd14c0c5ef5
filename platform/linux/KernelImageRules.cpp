#include "platform/linux/KernelImageRules.h"

#include "platform/linux/LinuxReturnValues.h"

namespace tbt::platform::linux_backend {

namespace {

constexpr uint64_t kSectionAlignment = 4 * 1024;
// The primary section's device id (2 bytes at +5) must lie inside the image.
constexpr uint64_t kSectionDeviceIdEnd = 5 + 2;

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
  // Size is at least 32 KiB here, so the three pointer bytes exist.
  const uint64_t pointer = static_cast<uint64_t>(image[0]) |
                           (static_cast<uint64_t>(image[1]) << 8) |
                           (static_cast<uint64_t>(image[2]) << 16);
  if (pointer == 0 || pointer % kSectionAlignment != 0) {
    return kTbtImageBadSectionPointer;
  }
  if (pointer >= size || kSectionDeviceIdEnd > size - pointer) {
    return kTbtImageBadSectionPointer;
  }
  return kTbtOk;
}

}  // namespace tbt::platform::linux_backend
