#pragma once

// A sysfs tree built per test in a temporary folder, shaped like the kernel's
// Thunderbolt, WMI and power_supply files, and a clock that lets a test change the
// tree while the code under test waits.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Platform.h"

namespace tbt::test {

class FakeSysfs {
 public:
  FakeSysfs() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tbt-sysfs-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
      base_ = pattern;
      root_ = base_ / "sys";
      std::filesystem::create_directories(root_);
    }
  }
  ~FakeSysfs() {
    std::error_code ignored;
    std::filesystem::remove_all(base_, ignored);
  }
  FakeSysfs(const FakeSysfs&) = delete;
  FakeSysfs& operator=(const FakeSysfs&) = delete;

  /// The sysfs root the backend is given.
  const std::filesystem::path& Root() const { return root_; }
  /// A folder beside the root (outside it), for escape attempts.
  std::filesystem::path Outside() const { return base_ / "outside"; }

  /// Writes a file below the root, creating folders on the way.
  std::filesystem::path Write(const std::filesystem::path& relative, std::string_view bytes) const {
    const std::filesystem::path file = root_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  std::filesystem::path WriteBytes(const std::filesystem::path& relative,
                                   const std::vector<uint8_t>& bytes) const {
    return Write(relative,
                 std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  }
  /// Reads a file below the root; empty when missing.
  std::string Read(const std::filesystem::path& relative) const {
    std::ifstream in(root_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<uint8_t> ReadBytes(const std::filesystem::path& relative) const {
    const std::string text = Read(relative);
    return std::vector<uint8_t>(text.begin(), text.end());
  }

  /// The router's folder, relative to the root.
  static std::filesystem::path Router(const std::string& name) {
    return std::filesystem::path("bus/thunderbolt/devices") / name;
  }

  /// A host router with its version, active NVM, a non-active NVM of `nonActiveSize`
  /// bytes filled with 0xEE, and nvm_authenticate reading "0x0".
  void AddHostRouter(const std::string& name, std::string_view version,
                     const std::vector<uint8_t>& active, size_t nonActiveSize = 256 * 1024,
                     int nvmIndex = 0) const {
    Write(Router(name) / "nvm_version", version);
    Write(Router(name) / "device_name", "Thunderbolt Controller\n");
    Write(Router(name) / "vendor_name", "Intel\n");
    WriteBytes(Router(name) / ("nvm_active" + std::to_string(nvmIndex)) / "nvmem", active);
    WriteBytes(Router(name) / ("nvm_non_active" + std::to_string(nvmIndex)) / "nvmem",
               std::vector<uint8_t>(nonActiveSize, 0xEE));
    Write(Router(name) / "nvm_authenticate", "0x0\n");
  }

  /// The Intel WMI Thunderbolt device with force_power reading "0".
  std::filesystem::path AddForcePower(std::string_view suffix = "") const {
    return Write(std::filesystem::path("bus/wmi/devices") /
                     ("86CCFD48-205E-4A77-9C48-2021CBEDE341" + std::string(suffix)) / "force_power",
                 "0\n");
  }

  /// One power supply; empty values leave the attribute out.
  void AddSupply(const std::string& name, std::string_view type, std::string_view scope,
                 std::string_view online, std::string_view status) const {
    const auto dir = std::filesystem::path("class/power_supply") / name;
    Write(dir / "type", std::string(type) + "\n");
    if (!scope.empty()) {
      Write(dir / "scope", std::string(scope) + "\n");
    }
    if (!online.empty()) {
      Write(dir / "online", std::string(online) + "\n");
    }
    if (!status.empty()) {
      Write(dir / "status", std::string(status) + "\n");
    }
  }

 private:
  std::filesystem::path base_;
  std::filesystem::path root_;
};

/// A clock whose waits return at once and advance its time; `onSleep` runs after each
/// wait with the time reached, so a test can play the controller's side.
class ScriptedClock final : public platform::IClock {
 public:
  void Sleep(uint32_t milliseconds) override {
    now_ += milliseconds;
    total_ += milliseconds;
    if (onSleep) {
      onSleep(now_);
    }
  }
  uint64_t NowMilliseconds() override { return now_; }

  uint64_t TotalSlept() const { return total_; }
  std::function<void(uint64_t now)> onSleep;

 private:
  uint64_t now_ = 1000;
  uint64_t total_ = 0;
};

/// An NVM image that passes the kernel's rules: `size` bytes, section pointer at 0
/// pointing to `pointer`, each byte after the pointer its index's low byte.
inline std::vector<uint8_t> KernelAcceptableImage(size_t size = 64 * 1024,
                                                  uint32_t pointer = 0x4000) {
  std::vector<uint8_t> image(size);
  for (size_t i = 3; i < size; ++i) {
    image[i] = static_cast<uint8_t>(i * 7 + 1);
  }
  image[0] = static_cast<uint8_t>(pointer);
  image[1] = static_cast<uint8_t>(pointer >> 8);
  image[2] = static_cast<uint8_t>(pointer >> 16);
  return image;
}

}  // namespace tbt::test
