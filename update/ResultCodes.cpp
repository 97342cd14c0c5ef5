#include "update/ResultCodes.h"

#include <array>

namespace tbt {
namespace {

struct CodeText {
  UpdateResult code;
  std::string_view name;
  std::string_view description;
};

constexpr std::array<CodeText, 15> kCodeTexts{{
    {TBU_OK, "TBU_OK", "the firmware was written"},
    {TBU_E_NO_ACPI_DEVICE, "TBU_E_NO_ACPI_DEVICE", "the board's platform device is missing"},
    {TBU_E_NO_CONTROLLER, "TBU_E_NO_CONTROLLER", "no Thunderbolt controller was found"},
    {TBU_E_WMI_FAILED, "TBU_E_WMI_FAILED", "the Thunderbolt controller service cannot be reached"},
    {TBU_E_UNKNOWN_DEVICE, "TBU_E_UNKNOWN_DEVICE", "the image is for an unknown controller"},
    {TBU_E_NO_IMAGE, "TBU_E_NO_IMAGE", "no usable firmware image"},
    {TBU_E_REGION_MISMATCH, "TBU_E_REGION_MISMATCH",
     "the image's configuration does not match this board"},
    {TBU_E_NO_MEMORY, "TBU_E_NO_MEMORY", "out of memory"},
    {TBU_E_UNSUPPORTED_CONTROLLER, "TBU_E_UNSUPPORTED_CONTROLLER",
     "this controller cannot be updated by this tool"},
    {TBU_E_KIND_MISMATCH, "TBU_E_KIND_MISMATCH", "the image is for another controller family"},
    {TBU_E_VARIANT_MISMATCH, "TBU_E_VARIANT_MISMATCH",
     "the image is for another variant of this controller"},
    {TBU_E_HEADER_LEVEL, "TBU_E_HEADER_LEVEL",
     "the controller's firmware header level is below the image's"},
    {TBU_E_DOWNGRADE, "TBU_E_DOWNGRADE", "the image is older than the installed firmware"},
    {TBU_E_BUSY, "TBU_E_BUSY", "another firmware update is running"},
    {TBU_E_ON_BATTERY, "TBU_E_ON_BATTERY", "the machine runs on battery; plug in the power supply"},
}};

const CodeText* Find(UpdateResult code) {
  for (const CodeText& entry : kCodeTexts) {
    if (entry.code == code) {
      return &entry;
    }
  }
  return nullptr;
}

}  // namespace

std::string_view ResultCodeName(UpdateResult code) {
  const CodeText* entry = Find(code);
  return entry != nullptr ? entry->name : "PROVIDER_RETURN_VALUE";
}

std::string_view ResultCodeDescription(UpdateResult code) {
  const CodeText* entry = Find(code);
  return entry != nullptr ? entry->description : "the controller's provider refused the request";
}

}  // namespace tbt
