#include "app/ControllerFile.h"

#include "platform/BoundedFile.h"
#include "update/NvmCheck.h"

namespace tbt::app {

std::vector<uint8_t> ControllerNvmFromFile(std::vector<uint8_t> bytes) {
  NvmLayout layout;
  if (ReadImageLayout(bytes.data(), bytes.size(), &layout) == TBU_OK && layout.base0 > 0 &&
      layout.base0 < bytes.size()) {
    return std::vector<uint8_t>(bytes.begin() + layout.base0, bytes.end());
  }
  return bytes;
}

std::optional<std::vector<uint8_t>> ReadControllerFile(const std::filesystem::path& path) {
  std::vector<uint8_t> bytes;
  if (platform::ReadBoundedFile(path, platform::kMaxImageFileBytes, &bytes) !=
          platform::FileReadStatus::kOk ||
      bytes.empty()) {
    return std::nullopt;
  }
  return ControllerNvmFromFile(std::move(bytes));
}

}  // namespace tbt::app
