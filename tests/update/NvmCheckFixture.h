#pragma once

// A controller served by the emulated provider, reached through the real client, and
// the outcome of one compatibility check against it.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Utf16.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/wmi/Wmi.h"
#include "update/NvmCheck.h"
#include "update/TbtWmiClient.h"

namespace tbt::checktest {

/// What one check gave back.
struct CheckOutcome {
  UpdateResult result = 0;
  uint32_t version = 0xDEADBEEF;
  NvmCheckDetail detail;

  /// The failing row's name, or "" when no row failed.
  std::string RowName() const {
    return detail.failedRow >= 0
               ? ToUtf8(kNvmCheckTable.at(static_cast<size_t>(detail.failedRow)).name)
               : std::string();
  }
};

/// One emulated controller with the given NVM, connected through CTbtWmiClient.
class ControllerUnderTest {
 public:
  explicit ControllerUnderTest(std::vector<uint8_t> nvm)
      : provider_(std::make_shared<emulated::EmulatedTbtProvider>()), client_(registry_) {
    provider_->AddController({u"controller-0", std::move(nvm)});
    emulated::RegisterEmulatedTbtProvider(registry_, provider_);
    client_.ConnectWmi();
  }

  emulated::EmulatedTbtProvider& Provider() { return *provider_; }
  CTbtWmiClient& Client() { return client_; }

  /// ReadFirmware calls made so far.
  size_t ReadCalls() const { return provider_->CallCount(u"ReadFirmware"); }

  /// Runs the whole check of `image`.
  CheckOutcome Check(const std::vector<uint8_t>& image) {
    CheckOutcome outcome;
    outcome.result = CheckFirmwareImage(client_, image.empty() ? nullptr : image.data(),
                                        image.size(), &outcome.version, &outcome.detail);
    return outcome;
  }

 private:
  wmi::NamespaceRegistry registry_;
  std::shared_ptr<emulated::EmulatedTbtProvider> provider_;
  CTbtWmiClient client_;
};

}  // namespace tbt::checktest
