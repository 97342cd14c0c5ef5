#pragma once

// What a file given for the emulated controller holds: a firmware image (a header in
// front of the section the controller keeps) or the controller's NVM itself.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace tbt::app {

/// The controller's NVM for the bytes of a file: the section an image's valid section
/// pointer leads to, or the bytes unchanged when they are no such image.
std::vector<uint8_t> ControllerNvmFromFile(std::vector<uint8_t> bytes);

/// The controller's NVM from the file at `path`, read with platform::ReadBoundedFile;
/// nullopt when it is missing, no regular file, above platform::kMaxImageFileBytes or
/// empty.
std::optional<std::vector<uint8_t>> ReadControllerFile(const std::filesystem::path& path);

}  // namespace tbt::app
