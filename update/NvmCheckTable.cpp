#include "update/NvmCheck.h"

#include <array>
#include <iterator>
#include <string_view>

namespace tbt {
namespace {

constexpr NvmCheckEntry Row(uint32_t kind, uint32_t flag, uint32_t offset, uint32_t length,
                            std::u16string_view name, uint32_t mask, uint32_t base) {
  NvmCheckEntry entry{kind, flag, offset, length, {}, mask, base};
  for (size_t i = 0; i < name.size() && i + 1 < std::size(entry.name); ++i) {
    entry.name[i] = name[i];
  }
  return entry;
}

constexpr int32_t kFirstKindWithSections = 3;
constexpr int32_t kLastKindWithSections = 5;

}  // namespace

// Built from exactly the rows listed, so that a missing or extra row fails the size
// check below instead of being zero-filled.
constexpr auto kRegionRows = std::to_array<NvmCheckEntry>({
    Row(1, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(1, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(1, 1, 0x143, 1, u"CIO-Port0_TX", 0xFF, 0),
    Row(1, 1, 0x153, 1, u"CIO-Port0_RX", 0xFF, 0),
    Row(1, 1, 0x147, 1, u"CIO-Port1_TX", 0xFF, 0),
    Row(1, 1, 0x157, 1, u"CIO-Port1_RX", 0xFF, 0),
    Row(1, 0, 0x14B, 1, u"CIO-Port2_TX", 0xFF, 0),
    Row(1, 0, 0x15B, 1, u"CIO-Port2_RX", 0xFF, 0),
    Row(1, 0, 0x14F, 1, u"CIO-Port3_TX", 0xFF, 0),
    Row(1, 0, 0x15F, 1, u"CIO-Port3_RX", 0xFF, 0),
    Row(1, 1, 0x211, 1, u"Snk0_0(DP-in)", 0xFF, 0),
    Row(1, 1, 0x215, 1, u"Snk0_1(DP-in)", 0xFF, 0),
    Row(1, 1, 0x219, 1, u"Snk0_2(DP-in)", 0xFF, 0),
    Row(1, 1, 0x21D, 1, u"Snk0_3(DP-in)", 0xFF, 0),
    Row(1, 0, 0x11C3, 1, u"Snk1_0(DP-in)", 0xFF, 0),
    Row(1, 0, 0x11C7, 1, u"Snk1_1(DP-in)", 0xFF, 0),
    Row(1, 0, 0x11CB, 1, u"Snk1_2(DP-in)", 0xFF, 0),
    Row(1, 0, 0x11CF, 1, u"Snk1_3(DP-in)", 0xFF, 0),
    Row(1, 1, 0x2175, 1, u"PA(DP-out)", 0xFF, 0),
    Row(1, 1, 0x2179, 1, u"PB(DP-out)", 0xFF, 0),
    Row(1, 1, 0x217D, 1, u"Src0(DP-out)", 0xAA, 0),
    Row(2, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(2, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(2, 1, 0x14F, 1, u"CIO-Port0_TX", 0xFF, 0),
    Row(2, 1, 0x157, 1, u"CIO-Port0_RX", 0xFF, 0),
    Row(2, 1, 0x153, 1, u"CIO-Port1_TX", 0xFF, 0),
    Row(2, 1, 0x15B, 1, u"CIO-Port1_RX", 0xFF, 0),
    Row(2, 1, 0x1F1, 1, u"Snk0_0(DP-in)", 0xFF, 0),
    Row(2, 1, 0x1F5, 1, u"Snk0_1(DP-in)", 0xFF, 0),
    Row(2, 1, 0x1F9, 1, u"Snk0_2(DP-in)", 0xFF, 0),
    Row(2, 1, 0x1FD, 1, u"Snk0_3(DP-in)", 0xFF, 0),
    Row(2, 1, 0x11A5, 1, u"PA(DP-out)", 0xFF, 0),
    Row(3, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(3, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(3, 1, 0x12, 1, u"PA", 0xCC, 2),
    Row(3, 0, 0x13, 1, u"PB", 0xCC, 2),
    Row(3, 1, 0x121, 1, u"Snk0", 0xFF, 0),
    Row(3, 1, 0x129, 1, u"Snk1", 0xFF, 0),
    Row(3, 1, 0x136, 1, u"Src0", 0xF0, 0),
    Row(3, 1, 0xB6, 1, u"PA/PB (USB2)", 0xC0, 0),
    Row(5, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(5, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(5, 1, 0x12, 1, u"PA", 0xCC, 2),
    Row(5, 0, 0x13, 1, u"PB", 0xCC, 2),
    Row(5, 1, 0x121, 1, u"Snk0", 0xFF, 0),
    Row(5, 1, 0x129, 1, u"Snk1", 0xFF, 0),
    Row(5, 1, 0x136, 1, u"Src0", 0xF0, 0),
    Row(5, 1, 0xB6, 1, u"PA/PB (USB2)", 0xC0, 0),
    Row(4, 1, 0x5, 2, u"Device ID", 0xFF, 0),
    Row(4, 1, 0x10, 4, u"PCIe Settings", 0xFF, 0),
    Row(4, 1, 0x12, 1, u"PA", 0xCC, 2),
    Row(4, 0, 0x13, 1, u"PB", 0x44, 2),
    Row(4, 1, 0x121, 1, u"Snk0", 0xFF, 0),
    Row(4, 1, 0xB6, 1, u"PA/PB (USB2)", 0xC0, 0),
});
static_assert(kRegionRows.size() == kNvmCheckTableRows, "the region table has exactly 54 rows");
const std::array<NvmCheckEntry, kNvmCheckTableRows> kNvmCheckTable = kRegionRows;

bool NvmKindHasSections(int32_t kind) {
  return kind >= kFirstKindWithSections && kind <= kLastKindWithSections;
}

bool NvmCheckRowApplies(const NvmCheckEntry& row, const NvmLayout& controller) {
  return static_cast<int64_t>(row.kind) == controller.kind &&
         (row.flag == 1 || controller.variant == 0);
}

UpdateResult DeviceIdToKind(uint16_t deviceId, NvmLayout* layout) {
  struct DeviceKind {
    uint16_t deviceId;
    int32_t kind;
    int32_t variant;  // kKeepVariant: the record's flag stays as it was
  };
  constexpr int32_t kKeepVariant = -1;
  constexpr std::array<DeviceKind, 15> kDevices{{
      {0x1567, 0, 1},
      {0x1569, 0, 0},
      {0x156B, 1, 1},
      {0x156D, 1, 0},
      {0x147E, 2, 1},
      {0x1576, 3, 1},
      {0x1578, 3, 0},
      {0x15BF, 4, 1},
      {0x15C0, 4, 1},
      {0x15DC, 4, kKeepVariant},
      {0x15D2, 5, 0},
      {0x15D3, 5, 0},
      {0x15D9, 5, 1},
      {0x15DA, 5, 1},
      {0x15DE, 5, kKeepVariant},
  }};
  for (const DeviceKind& device : kDevices) {
    if (device.deviceId != deviceId) {
      continue;
    }
    layout->kind = device.kind;
    if (device.variant != kKeepVariant) {
      layout->variant = static_cast<uint32_t>(device.variant);
    }
    return TBU_OK;
  }
  return TBU_E_UNKNOWN_DEVICE;
}

}  // namespace tbt
