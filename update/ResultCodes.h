#pragma once

#include <cstdint>
#include <string_view>

namespace tbt {

/// An update result code: 0 is success, 0x10430001..0x1043000E are the tool's own
/// failures, and any other value is a provider ReturnValue passed on unchanged.
using UpdateResult = uint32_t;

inline constexpr UpdateResult TBU_OK = 0x00000000;
inline constexpr UpdateResult TBU_E_NO_ACPI_DEVICE = 0x10430001;
inline constexpr UpdateResult TBU_E_NO_CONTROLLER = 0x10430002;
inline constexpr UpdateResult TBU_E_WMI_FAILED = 0x10430003;
inline constexpr UpdateResult TBU_E_UNKNOWN_DEVICE = 0x10430004;
inline constexpr UpdateResult TBU_E_NO_IMAGE = 0x10430005;
inline constexpr UpdateResult TBU_E_REGION_MISMATCH = 0x10430006;
inline constexpr UpdateResult TBU_E_NO_MEMORY = 0x10430007;
inline constexpr UpdateResult TBU_E_UNSUPPORTED_CONTROLLER = 0x10430008;
inline constexpr UpdateResult TBU_E_KIND_MISMATCH = 0x10430009;
inline constexpr UpdateResult TBU_E_VARIANT_MISMATCH = 0x1043000A;
inline constexpr UpdateResult TBU_E_HEADER_LEVEL = 0x1043000B;
inline constexpr UpdateResult TBU_E_DOWNGRADE = 0x1043000C;
// Our own additions after the original block: a second update while one runs, and a
// command-line update refused on battery power.
inline constexpr UpdateResult TBU_E_BUSY = 0x1043000D;
inline constexpr UpdateResult TBU_E_ON_BATTERY = 0x1043000E;

/// True for the tool's own failure codes (the consecutive block above).
constexpr bool IsOwnResultCode(UpdateResult code) {
  return code >= TBU_E_NO_ACPI_DEVICE && code <= TBU_E_ON_BATTERY;
}

/// The constant's name ("TBU_E_DOWNGRADE"), "TBU_OK" for 0, or
/// "PROVIDER_RETURN_VALUE" for any value outside the tool's own block.
std::string_view ResultCodeName(UpdateResult code);

/// One English sentence that says what the code means, for the command line.
std::string_view ResultCodeDescription(UpdateResult code);

}  // namespace tbt
