#pragma once

// The checks the kernel applies before it accepts a host router image, made before
// anything is written so that a refusal says which rule failed.

#include <cstdint>
#include <span>

namespace tbt::platform::linux_backend {

/// The smallest image the kernel takes.
inline constexpr uint64_t kMinimumImageSize = 32 * 1024;

/// kTbtOk when the image passes: size from 32 KiB up to `nonActiveSize`, a length that
/// is a multiple of 4, and a section pointer at offset 0 (and only there) that is 4 KiB
/// aligned and leaves room inside the image for the section's device id. Otherwise the
/// ReturnValue of the first rule that fails.
uint32_t CheckKernelImageRules(std::span<const uint8_t> image, uint64_t nonActiveSize);

}  // namespace tbt::platform::linux_backend
