#pragma once

// A sysfs tree built per test in a temporary folder, shaped like the kernel's
// Thunderbolt, WMI and power_supply files: devices live below devices/ and the bus
// folders hold links to them, as in sysfs. And a clock that lets a test change the
// tree while the code under test waits.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "support/TempFolder.h"

namespace tbt::test {

class FakeSysfs {
 public:
  FakeSysfs() { std::filesystem::create_directories(Root()); }

  /// The sysfs root the backend is given.
  std::filesystem::path Root() const { return folder_.Path("sys"); }
  /// A folder beside the root (outside it), for escape attempts.
  std::filesystem::path Outside() const { return folder_.Path("outside"); }

  /// Writes a file below the root (or any absolute path), creating folders on the way.
  std::filesystem::path Write(const std::filesystem::path& relative, std::string_view bytes) const {
    return folder_.Write(Root() / relative, bytes);
  }
  std::filesystem::path WriteBytes(const std::filesystem::path& relative,
                                   const std::vector<uint8_t>& bytes) const {
    return folder_.Write(Root() / relative, std::span<const uint8_t>(bytes));
  }
  /// Reads a file below the root (or any absolute path); empty when missing.
  std::vector<uint8_t> ReadBytes(const std::filesystem::path& relative) const {
    return folder_.Read(Root() / relative);
  }
  std::string Read(const std::filesystem::path& relative) const {
    const std::vector<uint8_t> bytes = ReadBytes(relative);
    return std::string(bytes.begin(), bytes.end());
  }

  /// The router's folder as the bus lists it (a link), relative to the root.
  static std::filesystem::path Router(const std::string& name) {
    return std::filesystem::path("bus/thunderbolt/devices") / name;
  }
  /// The router's real folder, relative to the root.
  static std::filesystem::path RealRouter(const std::string& name) {
    return std::filesystem::path("devices/pci0000:00/0000:00:0d.2/domain0") / name;
  }
  /// Makes `bus/.../devices/<name>` a link to `real` (both relative to the root), as
  /// the kernel does for every device on a bus.
  void LinkDevice(const std::filesystem::path& bus, const std::filesystem::path& real) const {
    std::filesystem::create_directories(Root() / real);
    std::filesystem::create_directories((Root() / bus).parent_path());
    std::error_code exists;
    if (!std::filesystem::is_symlink(Root() / bus, exists)) {
      std::filesystem::create_directory_symlink(
          std::filesystem::relative(Root() / real, (Root() / bus).parent_path()), Root() / bus);
    }
  }
  /// The router's non-active NVM contents.
  std::vector<uint8_t> NonActive(const std::string& name = "0-0") const {
    return ReadBytes(Router(name) / "nvm_non_active0/nvmem");
  }

  /// A Thunderbolt bus with a domain but no routers.
  void AddThunderboltBus() const { Write("bus/thunderbolt/devices/domain0/security", "user\n"); }

  /// A host router with its version, active NVM, a non-active NVM of `nonActiveSize`
  /// bytes filled with 0xEE, a unique_id, and nvm_authenticate reading "0x0".
  void AddHostRouter(const std::string& name, std::string_view version,
                     const std::vector<uint8_t>& active, size_t nonActiveSize = 256 * 1024,
                     int nvmIndex = 0) const {
    const std::string index = std::to_string(nvmIndex);
    LinkDevice(Router(name), RealRouter(name));
    Write(Router(name) / "unique_id", "d8010000-0082-8508-a3c4-" + name + "\n");
    Write(Router(name) / "nvm_version", version);
    Write(Router(name) / "device_name", "Thunderbolt Controller\n");
    Write(Router(name) / "vendor_name", "Intel\n");
    WriteBytes(Router(name) / ("nvm_active" + index) / "nvmem", active);
    WriteBytes(Router(name) / ("nvm_non_active" + index) / "nvmem",
               std::vector<uint8_t>(nonActiveSize, 0xEE));
    Write(Router(name) / "nvm_authenticate", "0x0\n");
  }

  /// The Intel WMI Thunderbolt device with force_power reading "0"; returns the
  /// attribute relative to the root.
  std::filesystem::path AddForcePower(std::string_view suffix = "") const {
    const std::string name = "86CCFD48-205E-4A77-9C48-2021CBEDE341" + std::string(suffix);
    const std::filesystem::path device = std::filesystem::path("bus/wmi/devices") / name;
    LinkDevice(device, std::filesystem::path("devices/platform/PNP0C14:00/wmi_bus") / name);
    const std::filesystem::path attribute = device / "force_power";
    Write(attribute, "0\n");
    return attribute;
  }

  /// One power supply; empty values leave the attribute out.
  void AddSupply(const std::string& name, std::string_view type, std::string_view scope,
                 std::string_view online, std::string_view status) const {
    const auto dir = std::filesystem::path("class/power_supply") / name;
    const std::pair<const char*, std::string_view> attributes[] = {
        {"type", type}, {"scope", scope}, {"online", online}, {"status", status}};
    for (const auto& [file, value] : attributes) {
      if (!value.empty()) {
        Write(dir / file, std::string(value) + "\n");
      }
    }
  }

 private:
  TempFolder folder_{"tbt-sysfs"};
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

/// Points the built helper's lock file into the test's folder; false (the test skips
/// what needs the helper) in builds that do not honour the override.
inline bool UseTestHelperLock(const FakeSysfs& sys) {
#if TBT_TEST_OVERRIDES
  std::filesystem::create_directories(sys.Outside());
  return ::setenv("TBT_NVM_HELPER_LOCK", (sys.Outside() / "helper.lock").c_str(), 1) == 0;
#else
  (void)sys;
  return false;
#endif
}

/// An NVM image that passes the kernel's rules: `size` bytes, section pointer at 0
/// pointing to `pointer`, the other bytes varying with their offset.
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
