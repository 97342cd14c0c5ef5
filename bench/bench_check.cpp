// Times one whole compatibility check of the demo image against the built-in emulated
// controller, and counts the provider reads it makes.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "platform/wmi/Wmi.h"
#include "update/NvmCheck.h"
#include "update/TbtWmiClient.h"

namespace {

uint32_t Le16(const std::vector<uint8_t>& bytes, size_t offset) {
  return bytes.at(offset) | static_cast<uint32_t>(bytes.at(offset + 1)) << 8;
}

// 4-byte words that a read of `length` bytes at `offset` touches.
size_t Words(uint32_t offset, uint32_t length) {
  return (offset + length - 1) / 4 - offset / 4 + 1;
}

// The reads one check must make on this controller, worked out from its NVM bytes and
// the region table alone: the device identifier, the walk to the optional blocks, the
// header level, and the rows of the controller's kind.
size_t ExpectedReadsPerCheck(const std::vector<uint8_t>& nvm) {
  const uint32_t flags = nvm.at(2);
  size_t reads = Words(5, 2) + Words(0x10E, 4) + Words(2, 1);  // kind 5: sections exist
  uint32_t base2 = 0;
  bool hasBase2 = false;
  if ((flags & 0x40) != 0) {
    reads += Words(3, 2);
    uint32_t q = Le16(nvm, 3);
    for (uint32_t bit : {0x04u, 0x02u, 0x01u, 0x10u, 0x08u, 0x20u}) {
      if ((flags & bit) != 0) {
        reads += Words(q, 2);
        q += 4 * Le16(nvm, q) + 2;
      }
    }
    base2 = q;
    hasBase2 = true;
  }
  reads += Words(0, 2);  // header level
  for (const tbt::NvmCheckEntry& row : tbt::kNvmCheckTable) {
    // 0x15D3 is kind 5 with variant 0: every kind-5 row applies.
    if (row.kind == 5 && (row.base == 0 || hasBase2)) {
      reads += Words((row.base == 2 ? base2 : 0) + row.offset, row.length);
    }
  }
  return reads;
}

void BM_CheckDemoImage(benchmark::State& state) {
  const std::vector<uint8_t> nvm = tbt::emulated::DefaultControllerNvm();
  const std::vector<uint8_t> image = tbt::emulated::DemoImage();
  tbt::wmi::NamespaceRegistry registry;
  auto provider = std::make_shared<tbt::emulated::EmulatedTbtProvider>();
  provider->AddController({u"bench", nvm});
  tbt::emulated::RegisterEmulatedTbtProvider(registry, provider);
  tbt::CTbtWmiClient client(registry);
  client.ConnectWmi();
  // The first call finds the controller's path; keep that out of the timing.
  uint32_t installed = 0;
  client.GetCurrentNvmVersion(&installed);

  if (Le16(nvm, 5) != 0x15D3) {
    state.SkipWithError("the built-in controller is no longer the 0x15D3 this count assumes");
    return;
  }
  const size_t expected = ExpectedReadsPerCheck(nvm);
  const size_t readsBefore = provider->CallCount(u"ReadFirmware");
  for (auto _ : state) {
    uint32_t version = 0;
    const tbt::UpdateResult result =
        tbt::CheckFirmwareImage(client, image.data(), image.size(), &version);
    if (result != tbt::TBU_OK) {
      state.SkipWithError("the demo image no longer fits the built-in controller");
      return;
    }
    benchmark::DoNotOptimize(version);
  }
  const size_t reads = provider->CallCount(u"ReadFirmware") - readsBefore;
  const double perCheck = static_cast<double>(reads) / static_cast<double>(state.iterations());
  if (reads != expected * state.iterations()) {
    state.SkipWithError("ReadFirmware calls per check differ from the count the check implies");
    return;
  }
  state.counters["ReadFirmware_per_check"] = perCheck;
  state.counters["expected_per_check"] = static_cast<double>(expected);
}
BENCHMARK(BM_CheckDemoImage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
