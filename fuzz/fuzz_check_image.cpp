// Fuzzes the whole compatibility check of an image against the built-in emulated
// controller, through the provider client as the update runs it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "fuzz/FuzzRequire.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "platform/wmi/Wmi.h"
#include "update/NvmCheck.h"
#include "update/TbtWmiClient.h"

namespace {

struct EmulatedController {
  EmulatedController()
      : provider(std::make_shared<tbt::emulated::EmulatedTbtProvider>()), client(registry) {
    provider->AddController({u"fuzz", tbt::emulated::DefaultControllerNvm()});
    tbt::emulated::RegisterEmulatedTbtProvider(registry, provider);
    client.ConnectWmi();
  }
  tbt::wmi::NamespaceRegistry registry;
  std::shared_ptr<tbt::emulated::EmulatedTbtProvider> provider;
  tbt::CTbtWmiClient client;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tbt;
  using fuzz::Require;
  static EmulatedController controller;
  uint32_t version = 0xA5A5A5A5;
  int failedRow = -2;
  const UpdateResult result =
      CheckFirmwareImage(controller.client, data, size, &version, &failedRow);
  switch (result) {
    case TBU_OK: {
      NvmLayout layout;
      Require(ReadImageLayout(data, size, &layout) == TBU_OK);
      Require(version == layout.version && failedRow == -1);
      break;
    }
    case TBU_E_REGION_MISMATCH:
      Require(failedRow >= 0 && static_cast<size_t>(failedRow) < kNvmCheckTable.size());
      Require(version == 0xA5A5A5A5);
      break;
    case TBU_E_NO_IMAGE:
    case TBU_E_UNKNOWN_DEVICE:
    case TBU_E_KIND_MISMATCH:
    case TBU_E_VARIANT_MISMATCH:
    case TBU_E_HEADER_LEVEL:
      Require(failedRow == -1 && version == 0xA5A5A5A5);
      break;
    default:
      // The built-in controller always answers, so nothing else may come back.
      std::abort();
  }
  return 0;
}
