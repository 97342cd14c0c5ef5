#pragma once

// How check and update show what a compatibility check found: the versions, and the row
// of the region table that ended the check with what each side held there.

#include <cstdint>
#include <optional>
#include <string>

#include "cli/Json.h"
#include "update/NvmCheck.h"

namespace tbt::cli {

/// A version as every text report shows it: "0x27 (39)"; "(not read)" without one.
std::string VersionText(std::optional<uint32_t> version);

/// Lines (each "label: value", labels padded to 19 columns) naming the row that ended
/// the check, both sides' compared bytes and the offsets read; empty when no row did.
std::string RegionDetailText(UpdateResult result, const NvmCheckDetail& detail);

/// Adds "region" (the row's name) and "region_detail" (row number, name, base, length,
/// mask, both sides' compared bytes and offsets), both null when no row ended the check.
JsonObject& AddRegionJson(JsonObject& json, const NvmCheckDetail& detail);

}  // namespace tbt::cli
