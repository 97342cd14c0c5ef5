#pragma once

// A fresh folder that only this user may enter, made in the system's temporary folder
// under a name nobody else can have taken.

#include <filesystem>
#include <string_view>

namespace tbt::platform {

/// Creates `<temp>/<prefix>-XXXXXX` (six random characters); an empty path when no
/// folder could be made.
std::filesystem::path MakeTemporaryFolder(std::string_view prefix);

}  // namespace tbt::platform
