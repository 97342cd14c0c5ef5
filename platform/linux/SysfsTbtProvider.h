#pragma once

// The Thunderbolt management provider over the kernel's sysfs files: one controller
// instance per host router that reports an NVM version, and the three methods the
// update engine calls.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/linux/ForcePowerHold.h"
#include "platform/linux/PrivilegedOps.h"
#include "platform/linux/SysfsTree.h"
#include "platform/wmi/Wmi.h"

namespace tbt::platform::linux_backend {

/// How often the router is looked at after authentication starts.
inline constexpr uint32_t kAuthenticatePollMilliseconds = 500;
/// How long the router has to leave the bus and come back after authentication starts.
inline constexpr uint64_t kAuthenticateTimeoutMilliseconds = 60'000;

/// Reads one attribute file; tests stand in for the kernel's file modes with it.
using AttributeReader = std::function<FileResult(const std::filesystem::path&)>;

/// Serves class SdkTbtController from a sysfs tree.
class SysfsTbtProvider final : public wmi::IWbemProvider {
 public:
  /// All four must outlive the provider; `privileged` does the writes, `hold` learns
  /// when the outcome is unknown. `readStatus` reads nvm_authenticate once the router
  /// is back.
  SysfsTbtProvider(const SysfsTree& tree, IPrivilegedOps& privileged, IClock& clock,
                   ForcePowerHold& hold, AttributeReader readStatus = SysfsTree::ReadText);

  wmi::ObjectPtr GetClass(std::u16string_view className) override;
  std::vector<wmi::ObjectPtr> EnumerateInstances(std::u16string_view className) override;
  wmi::HRESULT ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                          const wmi::WbemClassObject* inParams, wmi::ObjectPtr* outParams) override;

 private:
  // Who the router is: its unique_id where the kernel offers one, and its folder, which
  // the kernel makes anew when the router comes back.
  struct RouterIdentity {
    std::string name;
    std::string uniqueId;
    uint64_t device = 0;
    uint64_t inode = 0;
  };
  std::optional<RouterIdentity> Identify(const std::string& router) const;
  std::optional<std::string> FindAgain(const RouterIdentity& identity) const;
  uint32_t GetCurrentNvmVersion(const std::string& router, wmi::WbemClassObject& out);
  uint32_t ReadFirmware(const std::string& router, const wmi::WbemClassObject* in,
                        wmi::WbemClassObject& out);
  uint32_t UpdateFirmware(const std::string& router, const wmi::WbemClassObject* in);
  uint32_t WaitForNewNvm(const RouterIdentity& before, NvmVersion expected);
  std::optional<uint32_t> ReadStatus(const std::string& router, uint32_t* failure);

  const SysfsTree& tree_;
  IPrivilegedOps& privileged_;
  IClock& clock_;
  ForcePowerHold& hold_;
  AttributeReader readStatus_;
  wmi::ObjectPtr class_;
  // A router that came back under another name is addressed by its new one.
  std::map<std::string, std::string> renamed_;
};

/// Registers a provider under the Thunderbolt namespace of `registry`.
void RegisterSysfsTbtProvider(wmi::NamespaceRegistry& registry,
                              std::shared_ptr<SysfsTbtProvider> provider);

}  // namespace tbt::platform::linux_backend
