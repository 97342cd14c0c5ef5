// Fuzzes the image reader: any bytes must give a defined answer without reading
// outside the image, and an accepted layout must point inside it.

#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzRequire.h"
#include "update/NvmCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tbt;
  using fuzz::Require;
  NvmLayout layout;
  const UpdateResult result = ReadImageLayout(data, size, &layout);
  Require(result == TBU_OK || result == TBU_E_NO_IMAGE || result == TBU_E_UNKNOWN_DEVICE);

  uint32_t pointer = 0;
  const bool hasPointer = ReadSectionPointer(data, size, &pointer) == TBU_OK;
  Require(hasPointer || result == TBU_E_NO_IMAGE);
  if (result != TBU_OK) {
    return 0;
  }
  Require(layout.base0 == pointer);
  Require(layout.base0 < size && size - layout.base0 > kVersionOffset);
  Require(layout.version == data[layout.base0 + kVersionOffset]);
  Require(layout.kind >= 0 && layout.kind <= 5 && layout.variant <= 1);
  Require(layout.hasBase1 == (layout.kind >= 3));
  Require(!layout.hasBase1 || layout.base1 < size);
  Require(!layout.hasBase2 || (layout.hasBase1 && layout.base2 < size));
  return 0;
}
