#include "cli/ControllerFiles.h"

#include <optional>
#include <utility>

#include "cli/CliFiles.h"
#include "platform/NvmImageFormat.h"

namespace tbt::cli {

std::string ControllerFiles::Description() const {
  return nvmPath.empty() ? "NVM from the image " + imagePath : "NVM from " + nvmPath;
}

bool TakeControllerFiles(const CommandWords& words, ControllerFiles* files, std::string* error) {
  for (const CommandOption& option : {kControllerNvmOption, kControllerImageOption}) {
    if (words.Has(option.name) && words.Value(option.name).empty()) {
      *error = std::string(option.name) + " needs a file name";
      return false;
    }
  }
  files->nvmPath = words.Value(kControllerNvmOption.name);
  files->imagePath = words.Value(kControllerImageOption.name);
  if (!files->nvmPath.empty() && !files->imagePath.empty()) {
    *error = "give --controller-nvm or --controller-image, not both";
    return false;
  }
  return true;
}

bool ReadControllerNvm(const ControllerFiles& files, std::vector<uint8_t>* nvm,
                       std::string* error) {
  if (!files.nvmPath.empty()) {
    return ReadFileBytes(files.nvmPath, nvm, error);
  }
  std::vector<uint8_t> image;
  if (!ReadFileBytes(files.imagePath, &image, error)) {
    return false;
  }
  std::optional<std::vector<uint8_t>> space = NvmSpaceFromImage(image);
  if (!space) {
    *error = files.imagePath + " is not an image: the section pointers at 0x0 and 0x1000 " +
             "are blank or missing";
    return false;
  }
  // A pointer at or past the end leaves nothing to run: the controller's NVM is empty,
  // and every read of it is refused.
  *nvm = std::move(*space);
  return true;
}

}  // namespace tbt::cli
