#pragma once

// The Thunderbolt management provider over the kernel's sysfs files: one controller
// instance per host router that reports an NVM version, and the three methods the
// update engine calls.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/linux/PrivilegedOps.h"
#include "platform/linux/SysfsTree.h"
#include "platform/wmi/Wmi.h"

namespace tbt::platform::linux_backend {

/// How often the router is looked at after authentication starts.
inline constexpr uint32_t kAuthenticatePollMilliseconds = 500;
/// How long the router may stay away after authentication starts.
inline constexpr uint64_t kAuthenticateTimeoutMilliseconds = 60'000;
/// A router that never visibly went away is trusted only after this long.
inline constexpr uint64_t kAuthenticateSettleMilliseconds = 5'000;

/// Reads one attribute file; tests stand in for the kernel's file modes with it.
using AttributeReader = std::function<FileResult(const std::filesystem::path&)>;

/// Serves class SdkTbtController from a sysfs tree.
class SysfsTbtProvider final : public wmi::IWbemProvider {
 public:
  /// All three must outlive the provider; `privileged` does the writes. `readStatus`
  /// reads nvm_authenticate while the provider waits for the router.
  SysfsTbtProvider(const SysfsTree& tree, IPrivilegedOps& privileged, IClock& clock,
                   AttributeReader readStatus = SysfsTree::ReadText);

  wmi::ObjectPtr GetClass(std::u16string_view className) override;
  std::vector<wmi::ObjectPtr> EnumerateInstances(std::u16string_view className) override;
  wmi::HRESULT ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                          const wmi::WbemClassObject* inParams, wmi::ObjectPtr* outParams) override;

  /// The nvm_authenticate status read when the last update's router came back.
  uint32_t LastAuthenticationStatus() const { return lastAuthenticationStatus_; }

 private:
  uint32_t GetCurrentNvmVersion(const std::string& router, wmi::WbemClassObject& out);
  uint32_t ReadFirmware(const std::string& router, const wmi::WbemClassObject* in,
                        wmi::WbemClassObject& out);
  uint32_t UpdateFirmware(const std::string& router, const wmi::WbemClassObject* in);
  uint32_t WaitForAuthentication(const std::string& router);

  const SysfsTree& tree_;
  IPrivilegedOps& privileged_;
  IClock& clock_;
  AttributeReader readStatus_;
  wmi::ObjectPtr class_;
  uint32_t lastAuthenticationStatus_ = 0;
};

/// Registers a provider under the Thunderbolt namespace of `registry`.
void RegisterSysfsTbtProvider(wmi::NamespaceRegistry& registry,
                              std::shared_ptr<SysfsTbtProvider> provider);

}  // namespace tbt::platform::linux_backend
