#include "app/ControllerFile.h"

#include <utility>

#include "platform/BoundedFile.h"
#include "platform/NvmImageFormat.h"

namespace tbt::app {

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
