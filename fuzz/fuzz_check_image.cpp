// Fuzzes the whole compatibility check of an image against the built-in emulated
// controller, through the provider client as the update runs it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzRequire.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "tests/update/NvmCheckFixture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tbt;
  using fuzz::Require;
  static checktest::ControllerUnderTest controller(emulated::DefaultControllerNvm());
  uint32_t version = 0xA5A5A5A5;
  NvmCheckDetail detail;
  detail.failedRow = -2;
  const UpdateResult result =
      CheckFirmwareImage(controller.Client(), data, size, &version, &detail);
  // The version is reported once it was read, and it is the image's own byte.
  NvmLayout layout;
  const UpdateResult layoutResult = ReadImageLayout(data, size, &layout);
  Require(!detail.imageVersion.has_value() || *detail.imageVersion == layout.version);
  const bool rowNamed =
      detail.failedRow >= 0 && static_cast<size_t>(detail.failedRow) < kNvmCheckTable.size();
  switch (result) {
    case TBU_OK:
      Require(layoutResult == TBU_OK);
      Require(version == layout.version && detail.failedRow == -1);
      break;
    case TBU_E_REGION_MISMATCH:
      Require(rowNamed && version == 0xA5A5A5A5);
      break;
    case TBU_E_NO_IMAGE:
      // Either identification failed, or one row's image read lies outside the image.
      Require(version == 0xA5A5A5A5);
      Require(layoutResult == TBU_E_NO_IMAGE ? detail.failedRow == -1
                                             : rowNamed && !detail.imageValue.has_value());
      break;
    case TBU_E_UNKNOWN_DEVICE:
    case TBU_E_KIND_MISMATCH:
    case TBU_E_VARIANT_MISMATCH:
    case TBU_E_HEADER_LEVEL:
      Require(detail.failedRow == -1 && version == 0xA5A5A5A5);
      break;
    default:
      // The built-in controller always answers, so nothing else may come back.
      std::abort();
  }
  return 0;
}
