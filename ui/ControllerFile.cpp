#include "ui/ControllerFile.h"

#include "update/NvmCheck.h"

namespace tbt::ui {

std::vector<uint8_t> ControllerNvmFromFile(std::vector<uint8_t> bytes) {
  NvmLayout layout;
  if (ReadImageLayout(bytes.data(), bytes.size(), &layout) == TBU_OK && layout.base0 > 0 &&
      layout.base0 < bytes.size()) {
    return std::vector<uint8_t>(bytes.begin() + layout.base0, bytes.end());
  }
  return bytes;
}

}  // namespace tbt::ui
