#pragma once

// The emulated controller a command line can name instead of the chosen platform's:
// --controller-nvm FILE (the file is its NVM) or --controller-image FILE (the NVM is
// that image from its section on).

#include <cstdint>
#include <string>
#include <vector>

#include "cli/CommandWords.h"

namespace tbt::cli {

/// The two options, for SplitCommandWords.
inline constexpr CommandOption kControllerNvmOption{"--controller-nvm", true};
inline constexpr CommandOption kControllerImageOption{"--controller-image", true};

/// The controller file a command line named; both empty when it named none.
struct ControllerFiles {
  std::string nvmPath;
  std::string imagePath;

  /// True when an emulated controller was named.
  bool Given() const { return !nvmPath.empty() || !imagePath.empty(); }
  /// "NVM from FILE" or "NVM from the image FILE", for reports.
  std::string Description() const;
};

/// Takes the two options from the words. False with *error when both are given or a
/// file name is empty.
bool TakeControllerFiles(const CommandWords& words, ControllerFiles* files, std::string* error);

/// Reads the NVM the named file gives: the file itself, or the image from its section
/// on (empty when the pointer lies at or past the image's end). False with *error naming
/// the file when it cannot be read, or (an image) holds no section pointer at either place.
bool ReadControllerNvm(const ControllerFiles& files, std::vector<uint8_t>* nvm, std::string* error);

}  // namespace tbt::cli
