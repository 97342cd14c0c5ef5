// Times one whole compatibility check of the demo image against the built-in emulated
// controller, and counts the provider reads it makes (ReadNvmBytesTest pins the words
// each read asks for).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/emulated/NvmImageBuilder.h"
#include "tests/update/NvmCheckFixture.h"

namespace {

void BM_CheckDemoImage(benchmark::State& state) {
  const std::vector<uint8_t> image = tbt::emulated::DemoImage();
  tbt::checktest::ControllerUnderTest controller(tbt::emulated::DefaultControllerNvm());
  // The first call finds the controller's path; keep that out of the timing.
  uint32_t installed = 0;
  controller.Client().GetCurrentNvmVersion(&installed);

  const size_t readsBefore = controller.ReadCalls();
  for (auto _ : state) {
    const tbt::checktest::CheckOutcome outcome = controller.Check(image);
    if (outcome.result != tbt::TBU_OK) {
      state.SkipWithError("the demo image no longer fits the built-in controller");
      return;
    }
    benchmark::DoNotOptimize(outcome.version);
  }
  const size_t reads = controller.ReadCalls() - readsBefore;
  state.counters["ReadFirmware_per_check"] =
      static_cast<double>(reads) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CheckDemoImage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
