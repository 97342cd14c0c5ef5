#pragma once

// What a file given for the emulated controller holds: a firmware image (a header in
// front of the section the controller keeps) or the controller's NVM itself.

#include <cstdint>
#include <vector>

namespace tbt::ui {

/// The controller's NVM for the bytes of a file: the section an image's valid section
/// pointer leads to, or the bytes unchanged when they are no such image.
std::vector<uint8_t> ControllerNvmFromFile(std::vector<uint8_t> bytes);

}  // namespace tbt::ui
