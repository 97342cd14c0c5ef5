#pragma once

// A sysfs tree built per test in a temporary folder, shaped like the kernel's
// Thunderbolt, WMI and power_supply files: devices live below devices/ and the bus
// folders hold links to them. And a clock that lets a test change the tree while the
// code under test waits.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "support/TempFolder.h"

namespace tbt::test {

class FakeSysfs {
 public:
  using Path = std::filesystem::path;
  FakeSysfs() { std::filesystem::create_directories(Root()); }

  Path Root() const { return folder_.Path("sys"); }
  /// A folder beside the root (outside it), for escape attempts.
  Path Outside() const { return folder_.Path("outside"); }

  /// Files below the root (or at any absolute path); a missing file reads empty.
  Path Write(const Path& relative, std::string_view bytes) const {
    return folder_.Write(Root() / relative, bytes);
  }
  Path WriteBytes(const Path& relative, const std::vector<uint8_t>& bytes) const {
    return folder_.Write(Root() / relative, std::span<const uint8_t>(bytes));
  }
  std::vector<uint8_t> ReadBytes(const Path& relative) const {
    return folder_.Read(Root() / relative);
  }
  std::string Read(const Path& relative) const {
    const std::vector<uint8_t> bytes = ReadBytes(relative);
    return std::string(bytes.begin(), bytes.end());
  }

  /// A router's link on the bus and its real folder, relative to the root.
  static Path Router(const std::string& name) { return Path("bus/thunderbolt/devices") / name; }
  static Path RealRouter(const std::string& name) {
    return Path("devices/pci0000:00/0000:00:0d.2/domain0") / name;
  }
  /// Makes `bus` a link to `real` (both relative to the root), as the kernel does.
  void LinkDevice(const Path& bus, const Path& real) const {
    std::filesystem::create_directories(Root() / real);
    std::filesystem::create_directories((Root() / bus).parent_path());
    std::error_code exists;
    if (!std::filesystem::is_symlink(Root() / bus, exists)) {
      std::filesystem::create_directory_symlink(
          std::filesystem::relative(Root() / real, (Root() / bus).parent_path()), Root() / bus);
    }
  }
  std::vector<uint8_t> NonActive(const std::string& name = "0-0") const {
    return ReadBytes(Router(name) / "nvm_non_active0/nvmem");
  }

  /// A Thunderbolt bus with a domain but no routers.
  void AddThunderboltBus() const { Write("bus/thunderbolt/devices/domain0/security", "user\n"); }

  /// A host router with its version, active NVM, a non-active NVM of `nonActiveSize`
  /// bytes of 0xEE, a unique_id, and nvm_authenticate reading "0x0".
  void AddHostRouter(const std::string& name, std::string_view version,
                     const std::vector<uint8_t>& active, size_t nonActiveSize = 256 * 1024,
                     int nvmIndex = 0) const {
    const std::string index = std::to_string(nvmIndex);
    const Path router = Router(name);
    LinkDevice(router, RealRouter(name));
    Write(router / "unique_id", "d8010000-0082-8508-a3c4-" + name + "\n");
    Write(router / "nvm_version", version);
    Write(router / "device_name", "Thunderbolt Controller\n");
    Write(router / "vendor_name", "Intel\n");
    WriteBytes(router / ("nvm_active" + index) / "nvmem", active);
    WriteBytes(router / ("nvm_non_active" + index) / "nvmem",
               std::vector<uint8_t>(nonActiveSize, 0xEE));
    Write(router / "nvm_authenticate", "0x0\n");
  }

  /// The Intel WMI Thunderbolt device with force_power reading "0"; returns the
  /// attribute relative to the root.
  Path AddForcePower(std::string_view suffix = "") const {
    const std::string name = "86CCFD48-205E-4A77-9C48-2021CBEDE341" + std::string(suffix);
    const Path device = Path("bus/wmi/devices") / name;
    LinkDevice(device, Path("devices/platform/PNP0C14:00/wmi_bus") / name);
    Write(device / "force_power", "0\n");
    return device / "force_power";
  }

  /// One power supply from "name type scope online status"; "-" leaves one out.
  void AddSupply(const std::string& line) const {
    std::istringstream words(line);
    std::string name;
    words >> name;
    for (const char* file : {"type", "scope", "online", "status"}) {
      std::string value;
      words >> value;
      if (value != "-") {
        Write(Path("class/power_supply") / name / file, value + "\n");
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
    if (onSleep) {
      onSleep(now_);
    }
  }
  uint64_t NowMilliseconds() override { return now_; }
  uint64_t TotalSlept() const { return now_ - kStart; }
  std::function<void(uint64_t now)> onSleep;

 private:
  static constexpr uint64_t kStart = 1000;
  uint64_t now_ = kStart;
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
  for (size_t i = 0; i < size; ++i) {
    image[i] = i < 3 ? static_cast<uint8_t>(pointer >> (8 * i)) : static_cast<uint8_t>(i * 7 + 1);
  }
  return image;
}

}  // namespace tbt::test
