#include "cli/ControllerFiles.h"

#include "cli/CliFiles.h"

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
  if (!ControllerNvmFromImage(image, nvm)) {
    *error = files.imagePath + " has no usable section pointer at 0x0 or 0x1000";
    return false;
  }
  return true;
}

}  // namespace tbt::cli
