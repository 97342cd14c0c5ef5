#include "platform/linux/SysfsTree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <system_error>

#include "platform/AsciiCase.h"
#include "platform/UniqueFd.h"
#include "platform/linux/FdIo.h"

namespace tbt::platform::linux_backend {

namespace fs = std::filesystem;

namespace {

// A 32-bit value is at most eight hex digits; a sysfs index (nvm_non_activeN, domainN)
// is kept to nine decimal digits, so it always fits the number it is read into.
constexpr size_t kMaxHexDigits = 8;
constexpr size_t kMaxIndexDigits = 9;

// The Intel WMI Thunderbolt device; its sysfs name may carry an instance suffix.
constexpr std::string_view kIntelWmiThunderboltGuid = "86CCFD48-205E-4A77-9C48-2021CBEDE341";

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view TrimLineEnd(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<uint32_t> ParseHexField(std::string_view text) {
  if (text.empty() || text.size() > kMaxHexDigits) {
    return std::nullopt;
  }
  uint32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

// Lowest N for which `<dir>/<prefix><N>/nvmem` exists.
std::optional<fs::path> LowestNumbered(const fs::path& dir, std::string_view prefix) {
  std::error_code ec;
  std::optional<uint64_t> best;
  fs::path bestPath;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
      continue;
    }
    const std::string_view digits = std::string_view(name).substr(prefix.size());
    uint64_t number = 0;
    if (!AllDigits(digits) || digits.size() > kMaxIndexDigits) {
      continue;
    }
    std::from_chars(digits.data(), digits.data() + digits.size(), number);
    const fs::path nvmem = it->path() / "nvmem";
    std::error_code existsError;
    if (!fs::exists(nvmem, existsError)) {
      continue;
    }
    if (!best || number < *best) {
      best = number;
      bestPath = nvmem;
    }
  }
  if (!best) {
    return std::nullopt;
  }
  return bestPath;
}

}  // namespace

std::optional<NvmVersion> ParseNvmVersion(std::string_view text) {
  text = TrimLineEnd(text);
  const size_t dot = text.find('.');
  if (dot == std::string_view::npos) {
    return std::nullopt;
  }
  auto major = ParseHexField(text.substr(0, dot));
  auto minor = ParseHexField(text.substr(dot + 1));
  if (!major || !minor) {
    return std::nullopt;
  }
  return NvmVersion{*major, *minor};
}

std::optional<uint32_t> ParseHexStatus(std::string_view text) {
  text = TrimLineEnd(text);
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  return ParseHexField(text);
}

bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

SysfsTree::SysfsTree(fs::path root) : root_(std::move(root)) {}

fs::path SysfsTree::ThunderboltDevices() const {
  return root_ / "bus" / "thunderbolt" / "devices";
}

bool SysfsTree::HasThunderboltBus() const {
  std::error_code ec;
  return fs::is_directory(root_ / "bus" / "thunderbolt", ec);
}

std::vector<std::string> SysfsTree::HostRouters() const {
  std::vector<std::pair<uint64_t, std::string>> found;
  std::error_code ec;
  for (fs::directory_iterator it(ThunderboltDevices(), ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 3 || name.compare(name.size() - 2, 2, "-0") != 0) {
      continue;
    }
    const std::string_view domain = std::string_view(name).substr(0, name.size() - 2);
    if (!AllDigits(domain) || domain.size() > kMaxIndexDigits) {
      continue;
    }
    std::error_code existsError;
    if (!fs::exists(it->path() / "nvm_version", existsError)) {
      continue;
    }
    uint64_t number = 0;
    std::from_chars(domain.data(), domain.data() + domain.size(), number);
    found.emplace_back(number, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& entry : found) {
    names.push_back(std::move(entry.second));
  }
  return names;
}

fs::path SysfsTree::RouterDir(const std::string& router) const {
  return ThunderboltDevices() / router;
}

std::optional<fs::path> SysfsTree::FindNvmem(const std::string& router,
                                             std::string_view prefix) const {
  if (!IsPlainName(router)) {
    return std::nullopt;
  }
  return LowestNumbered(RouterDir(router), prefix);
}

std::optional<fs::path> SysfsTree::FindForcePower() const {
  std::vector<fs::path> candidates;
  std::error_code ec;
  for (fs::directory_iterator it(root_ / "bus" / "wmi" / "devices", ec), end; !ec && it != end;
       it.increment(ec)) {
    if (!StartsWithIgnoreAsciiCase(it->path().filename().string(), kIntelWmiThunderboltGuid)) {
      continue;
    }
    std::error_code existsError;
    if (fs::exists(it->path() / "force_power", existsError)) {
      candidates.push_back(it->path() / "force_power");
    }
  }
  if (candidates.empty()) {
    return std::nullopt;
  }
  std::sort(candidates.begin(), candidates.end());
  return candidates.front();
}

FileResult SysfsTree::ReadText(const fs::path& file) {
  FileResult result;
  const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    result.error = errno;
    return result;
  }
  result.error = ReadAttributePage(fd.Get(), &result.text);
  return result;
}

std::string SysfsTree::ReadAttribute(const fs::path& file) {
  const FileResult result = ReadText(file);
  return result.ok() ? std::string(TrimLineEnd(result.text)) : std::string();
}

int SysfsTree::ReadBytes(const fs::path& file, uint64_t offset, std::span<uint8_t> destination) {
  const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    return errno;
  }
  return TransferAll(destination.size(), [&](size_t done) {
    return ::pread(fd.Get(), destination.data() + done, destination.size() - done,
                   static_cast<off_t>(offset + done));
  });
}

}  // namespace tbt::platform::linux_backend
