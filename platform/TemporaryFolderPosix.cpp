#include <stdlib.h>

#include <string>
#include <system_error>

#include "platform/TemporaryFolder.h"

namespace tbt::platform {

std::filesystem::path MakeTemporaryFolder(std::string_view prefix) {
  std::error_code error;
  const std::filesystem::path temp = std::filesystem::temp_directory_path(error);
  if (error) {
    return {};
  }
  // mkdtemp creates the folder with mode 0700 under a name it picked atomically.
  std::string pattern = (temp / (std::string(prefix) + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) {
    return {};
  }
  return pattern;
}

}  // namespace tbt::platform
