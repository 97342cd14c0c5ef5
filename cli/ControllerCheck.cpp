#include "cli/ControllerCheck.h"

#include <memory>
#include <utility>

#include "platform/TbtProviderNames.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "update/NvmCheck.h"
#include "update/TbtWmiClient.h"

namespace tbt::cli {
namespace {

// Passes every call on to the real provider and counts ReadFirmware, so that any
// backend's check reports how much of the controller it read.
class ReadCountingProvider final : public wmi::IWbemProvider {
 public:
  explicit ReadCountingProvider(std::shared_ptr<wmi::IWbemProvider> inner)
      : inner_(std::move(inner)) {}

  bool IsReachable() override { return inner_->IsReachable(); }
  wmi::ObjectPtr GetClass(std::u16string_view className) override {
    return inner_->GetClass(className);
  }
  std::vector<wmi::ObjectPtr> EnumerateInstances(std::u16string_view className) override {
    return inner_->EnumerateInstances(className);
  }
  wmi::HRESULT ExecMethod(const wmi::ObjectPath& path, std::u16string_view method,
                          const wmi::WbemClassObject* inParams,
                          wmi::ObjectPtr* outParams) override {
    if (method == u"ReadFirmware") {
      ++reads_;
    }
    return inner_->ExecMethod(path, method, inParams, outParams);
  }

  size_t Reads() const { return reads_; }

 private:
  std::shared_ptr<wmi::IWbemProvider> inner_;
  size_t reads_ = 0;
};

void RunCheck(wmi::NamespaceRegistry& registry, const std::vector<uint8_t>& image,
              CheckReport* report) {
  CTbtWmiClient client(registry);
  if (!client.ConnectWmi()) {
    report->result = TBU_E_WMI_FAILED;
    return;
  }
  report->result = client.GetCurrentNvmVersion(&report->installedVersion);
  if (report->result != TBU_OK) {
    return;
  }
  report->result = CheckFirmwareImage(client, image.data(), image.size(), nullptr, &report->check);
}

}  // namespace

CheckReport CheckThroughProvider(wmi::NamespaceRegistry& registry,
                                 const std::vector<uint8_t>& image) {
  CheckReport report;
  const std::shared_ptr<wmi::IWbemProvider> provider = registry.Find(kTbtNamespace);
  if (!provider) {
    RunCheck(registry, image, &report);
    return report;
  }
  const std::u16string nameSpace(kTbtNamespace);
  auto counter = std::make_shared<ReadCountingProvider>(provider);
  registry.Register(nameSpace, counter);
  RunCheck(registry, image, &report);
  registry.Register(nameSpace, provider);
  report.readCalls = counter->Reads();
  return report;
}

CheckReport CheckAgainstEmulatedController(const std::vector<uint8_t>& image,
                                           const std::vector<uint8_t>& nvm,
                                           const std::u16string& controllerId,
                                           std::optional<uint32_t> installedVersion) {
  wmi::NamespaceRegistry registry;
  auto provider = std::make_shared<emulated::EmulatedTbtProvider>();
  provider->AddController({controllerId, nvm});
  if (installedVersion.has_value()) {
    // The provider carries the version as its 32-bit field; the bits are kept.
    provider->SetNvmVersion(static_cast<int32_t>(*installedVersion));
  }
  emulated::RegisterEmulatedTbtProvider(registry, provider);
  CheckReport report = CheckThroughProvider(registry, image);
  report.ranOn = PlatformChoice::kEmulated;
  return report;
}

}  // namespace tbt::cli
