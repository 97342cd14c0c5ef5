#include "cli/CliFiles.h"

#include <cstdio>
#include <fstream>

#include "platform/BoundedFile.h"
#include "update/ResultCodes.h"

namespace tbt::cli {

std::string FileReadError(platform::FileReadStatus status, const std::filesystem::path& file) {
  using platform::FileReadStatus;
  const std::string path = file.string();
  switch (status) {
    case FileReadStatus::kOk:
      break;
    case FileReadStatus::kMissing:
      return "file " + path + " does not exist";
    case FileReadStatus::kFolder:
      return path + " is a folder, not a file";
    case FileReadStatus::kNotRegular:
      return path + " is not a regular file";
    case FileReadStatus::kTooLarge:
      return path + " is larger than " +
             std::to_string(platform::kMaxImageFileBytes / (1024 * 1024)) + " MiB";
    case FileReadStatus::kNoMemory:
    case FileReadStatus::kUnreadable:
      return "cannot read " + path;
  }
  return {};
}

bool ReadFileBytes(const std::filesystem::path& path, std::vector<uint8_t>* bytes,
                   std::string* error) {
  const platform::FileReadStatus status =
      platform::ReadBoundedFile(path, platform::kMaxImageFileBytes, bytes);
  if (status != platform::FileReadStatus::kOk) {
    *error = FileReadError(status, path);
    return false;
  }
  return true;
}

bool WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes,
                    std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out.is_open()) {
    *error = "cannot create " + path.string();
    return false;
  }
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    *error = "cannot write " + path.string();
    return false;
  }
  return true;
}

bool ParseUnsigned32(const std::string& text, uint32_t* value) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const size_t start = hex ? 2 : 0;
  if (text.size() <= start) {
    return false;
  }
  uint64_t result = 0;
  for (size_t i = start; i < text.size(); ++i) {
    const char c = text[i];
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return false;
    }
    result = result * (hex ? 16 : 10) + digit;
    if (result > 0xFFFFFFFFu) {
      return false;
    }
  }
  *value = static_cast<uint32_t>(result);
  return true;
}

std::string Hex32(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string ResultCodeText(uint32_t code) {
  return Hex32(code) + " " + std::string(ResultCodeName(code));
}

}  // namespace tbt::cli
