// Times one whole compatibility check of the demo image against the built-in emulated
// controller, and counts the provider reads it makes (ReadControllerLayoutTest pins how
// many reads each value costs).

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

void BM_CheckDemoImage(benchmark::State& state) {
  const std::vector<uint8_t> image = tbt::emulated::DemoImage();
  tbt::wmi::NamespaceRegistry registry;
  auto provider = std::make_shared<tbt::emulated::EmulatedTbtProvider>();
  provider->AddController({u"bench", tbt::emulated::DefaultControllerNvm()});
  tbt::emulated::RegisterEmulatedTbtProvider(registry, provider);
  tbt::CTbtWmiClient client(registry);
  client.ConnectWmi();
  // The first call finds the controller's path; keep that out of the timing.
  uint32_t installed = 0;
  client.GetCurrentNvmVersion(&installed);

  const size_t readsBefore = provider->CallCount(u"ReadFirmware");
  for (auto _ : state) {
    uint32_t version = 0;
    if (tbt::CheckFirmwareImage(client, image.data(), image.size(), &version) != tbt::TBU_OK) {
      state.SkipWithError("the demo image no longer fits the built-in controller");
      return;
    }
    benchmark::DoNotOptimize(version);
  }
  const size_t reads = provider->CallCount(u"ReadFirmware") - readsBefore;
  state.counters["ReadFirmware_per_check"] =
      static_cast<double>(reads) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CheckDemoImage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
