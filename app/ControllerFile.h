#pragma once

// What a file given for the emulated controller holds: a firmware image (a header in
// front of the section the controller keeps) or the controller's NVM itself.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace tbt::app {

/// The controller's NVM from the file at `path` (tbt::ControllerNvmFromFile of its
/// bytes, as tbt-nvm reads TBT_EMULATED_CONTROLLER), read with platform::ReadBoundedFile;
/// nullopt when it is missing, no regular file, above platform::kMaxImageFileBytes or
/// empty.
std::optional<std::vector<uint8_t>> ReadControllerFile(const std::filesystem::path& path);

}  // namespace tbt::app
