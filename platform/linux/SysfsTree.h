#pragma once

// The Thunderbolt part of a sysfs tree below a configurable root, so that tests run
// the backend against a tree of their own. Reads report the errno of a failure;
// writes go through ConfinedDir, which keeps them inside the root.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tbt::platform::linux_backend {

/// Outcome of one file operation: errno 0 on success.
struct FileResult {
  int error = 0;
  std::string text;  // what was read (reads only)
  bool ok() const { return error == 0; }
};

/// A parsed nvm_version: "major.minor", both hexadecimal.
struct NvmVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
};

/// Parses "major.minor" in hexadecimal (trailing newline allowed); nullopt otherwise.
std::optional<NvmVersion> ParseNvmVersion(std::string_view text);

/// Parses a status such as "0x0" or "0x41" (hexadecimal, optional 0x prefix).
std::optional<uint32_t> ParseHexStatus(std::string_view text);

/// True for a plain sysfs entry name (no '/', not "." or "..", not empty).
bool IsPlainName(std::string_view name);

/// The files the backend uses below one sysfs root.
class SysfsTree {
 public:
  explicit SysfsTree(std::filesystem::path root);

  const std::filesystem::path& Root() const { return root_; }
  /// <root>/bus/thunderbolt/devices.
  std::filesystem::path ThunderboltDevices() const;
  /// True when the kernel's Thunderbolt bus exists (<root>/bus/thunderbolt).
  bool HasThunderboltBus() const;
  /// Host routers ("<domain>-0") that have an nvm_version file, ordered by domain.
  std::vector<std::string> HostRouters() const;
  /// <root>/bus/thunderbolt/devices/<router>.
  std::filesystem::path RouterDir(const std::string& router) const;
  /// The router's <prefix><N>/nvmem (prefix "nvm_active" or "nvm_non_active") with the
  /// lowest N present; nullopt when there is none.
  std::optional<std::filesystem::path> FindNvmem(const std::string& router,
                                                 std::string_view prefix) const;
  /// The first force_power attribute of the Intel WMI Thunderbolt device, if any.
  std::optional<std::filesystem::path> FindForcePower() const;

  /// Reads a whole small attribute file.
  static FileResult ReadText(const std::filesystem::path& file);
  /// An attribute's text without its line end; empty when it cannot be read.
  static std::string ReadAttribute(const std::filesystem::path& file);
  /// Reads `length` bytes at `offset`; error EIO on a short read.
  static int ReadBytes(const std::filesystem::path& file, uint64_t offset,
                       std::span<uint8_t> destination);

 private:
  std::filesystem::path root_;
};

}  // namespace tbt::platform::linux_backend
