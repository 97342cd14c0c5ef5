#pragma once

// The kernel's side of an NVM upgrade, played on a FakeSysfs tree one clock tick at a
// time (the code under test sleeps through a ScriptedClock; each sleep is one step):
// "1" in nvm_authenticate starts authentication, the host router leaves the bus and
// comes back in a new folder with the status and version the scenario asks for. It
// can also keep the Thunderbolt bus away until force power is switched on.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FakeSysfs.h"

namespace tbt::test {

class FakeKernel {
 public:
  enum class Outcome {
    kRunsTheImage,    // comes back with the image's version, status 0x0
    kKeepsItsNvm,     // comes back with the old version, status 0x0
    kRefuses,         // comes back with the old version and status 0x41
    kNeverLeaves,     // clears the status to 0x0 and stays as it was
    kNeverComesBack,  // leaves and stays away
  };

  FakeKernel(const FakeSysfs& sys, std::string router, Outcome outcome)
      : sys_(sys), router_(std::move(router)), returnName_(router_), outcome_(outcome) {}

  static constexpr uint32_t kRefusalStatus = 0x41;
  static constexpr uint64_t kAwayMilliseconds = 4000;
  /// The version before the update, as nvm_version prints it.
  std::string installedVersion = "18.0\n";
  /// The router comes back under this name (a renumbered domain).
  void ReturnAs(std::string name) { returnName_ = std::move(name); }
  /// The force_power attribute (relative to the root) the kernel looks at, if any.
  std::filesystem::path forcePower;
  /// The bus and the router (with `active` as its active NVM) appear only once
  /// force_power reads 1.
  void PowerUpOnlyWithForcePower(std::vector<uint8_t> active) {
    active_ = std::move(active);
    powered_ = false;
    std::filesystem::remove_all(sys_.Root() / "bus/thunderbolt");
  }

  /// What force_power read when authentication started ("" without the attribute).
  std::string forcePowerWhenAuthenticating;
  bool authenticationStarted = false;

  void Step(uint64_t now) {
    namespace fs = std::filesystem;
    if (!powered_ && sys_.Read(forcePower) == "1") {
      powered_ = true;
      sys_.AddHostRouter(router_, installedVersion, active_);
    }
    const fs::path authenticate = FakeSysfs::Router(router_) / "nvm_authenticate";
    if (!authenticationStarted && sys_.Read(authenticate) == "1") {
      authenticationStarted = true;
      forcePowerWhenAuthenticating = forcePower.empty() ? "" : sys_.Read(forcePower);
      if (outcome_ == Outcome::kNeverLeaves) {
        sys_.Write(authenticate, "0x0\n");
        return;
      }
      // The device and its bus link go; the folder is kept aside for its files.
      fs::create_directories(sys_.Outside());
      fs::rename(sys_.Root() / FakeSysfs::RealRouter(router_), Parked());
      fs::remove(sys_.Root() / FakeSysfs::Router(router_));
      leftAt_ = now;
      return;
    }
    if (leftAt_ != 0 && outcome_ != Outcome::kNeverComesBack && fs::exists(Parked()) &&
        now - leftAt_ >= kAwayMilliseconds) {
      ComeBack();
    }
  }

 private:
  std::filesystem::path Parked() const { return sys_.Outside() / ("parked-" + router_); }

  // The kernel adds the router anew: a new folder, found by its unique_id.
  void ComeBack() {
    namespace fs = std::filesystem;
    const fs::path real = sys_.Root() / FakeSysfs::RealRouter(returnName_);
    fs::copy(Parked(), real, fs::copy_options::recursive);
    fs::remove_all(Parked());
    sys_.LinkDevice(FakeSysfs::Router(returnName_), FakeSysfs::RealRouter(returnName_));
    // nvm_version prints the bytes at 0x0A and 0x09 of the image's section; the
    // kernel prints the status with "%#x", which gives 0x0 for zero.
    const std::vector<uint8_t> image = sys_.NonActive(returnName_);
    const size_t section = image[0] | (image[1] << 8) | (image[2] << 16);
    char text[16];
    std::snprintf(text, sizeof(text), "%x.%x\n", image.at(section + 0x0A),
                  image.at(section + 0x09));
    const fs::path router = FakeSysfs::Router(returnName_);
    sys_.Write(router / "nvm_version",
               outcome_ == Outcome::kRunsTheImage ? text : installedVersion);
    std::snprintf(text, sizeof(text), "0x%x\n",
                  outcome_ == Outcome::kRefuses ? kRefusalStatus : 0u);
    sys_.Write(router / "nvm_authenticate", text);
  }

  const FakeSysfs& sys_;
  std::string router_;
  std::string returnName_;
  Outcome outcome_;
  std::vector<uint8_t> active_;
  bool powered_ = true;
  uint64_t leftAt_ = 0;
};

}  // namespace tbt::test
