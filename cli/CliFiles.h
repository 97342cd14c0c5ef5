#pragma once

// File and number helpers shared by the tbt-nvm sub-commands.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/BoundedFile.h"

namespace tbt::cli {

/// Exit status of a command whose outcome was success.
inline constexpr int kExitOk = 0;
/// Exit status of a command that ran and ended with a failure code.
inline constexpr int kExitFailed = 1;
/// Exit status of a usage or file error.
inline constexpr int kExitUsage = 2;

/// The sentence for a failed platform::ReadBoundedFile of `path`, naming the file.
std::string FileReadError(platform::FileReadStatus status, const std::filesystem::path& path);

/// Reads the whole file into *bytes, never waiting on a FIFO and never reading more
/// than platform::kMaxImageFileBytes. An empty file is read as no bytes: what that
/// means is the command's to say. On failure (missing, unreadable, a folder, a special
/// file, or too large) returns false and sets *error to a sentence naming the file.
bool ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>* bytes,
                   std::string* error);

/// Writes bytes to the file, replacing it. On failure returns false and sets *error.
bool WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                    std::string* error);

/// Parses an unsigned 32-bit number written in decimal or as 0x hex; false for anything
/// else (signs, spaces, trailing text, values above 0xFFFFFFFF).
bool ParseUnsigned32(const std::string& text, uint32_t* value);

/// "0x%08X" of a value.
std::string Hex32(uint32_t value);

/// An update result code as the readable outputs show it: "0x10430006 TBU_E_REGION_MISMATCH".
std::string ResultCodeText(uint32_t code);

}  // namespace tbt::cli
