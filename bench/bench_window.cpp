// The main window's costs, measured on the real dialog over the emulated machine:
// start-up to the first composed frame, and one composition of the full-size window.

#include <QApplication>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "platform/emulated/EmulatedPlatform.h"
#include "tests/support/TempFolder.h"
#include "ui/FwUpdateDlg.h"

namespace {

/// A display like a common laptop screen (compact layout) or a large one (full).
class FixedDisplay final : public tbt::platform::IDisplay {
 public:
  explicit FixedDisplay(bool large) : size_(large ? Size{2560, 1440} : Size{1920, 1080}) {}
  tbt::platform::ScreenSize DesktopSize() override { return size_; }
  tbt::platform::ScreenRect WorkArea() override { return {0, 0, size_.width, size_.height}; }
  int LogPixelsY() override { return 96; }

 private:
  using Size = tbt::platform::ScreenSize;
  Size size_;
};

/// A program folder with an Update.ini of realistic length, and the machine it runs on.
struct ProgramFolder {
  ProgramFolder() {
    folder.Write("data/Update.ini",
                 "[Language]\n0x409=English\n\n[English]\nIDS_UPDATE=Update\nIDS_EXIT=Exit\n"
                 "IDS_PROMPT=This tool updates the firmware of the Thunderbolt controller in "
                 "this computer. Connect the AC adapter, close all other applications, and then "
                 "click Update.\nIDS_CAUTION=Connect the AC adapter before you update.\n"
                 "IDS_SHUTDOWN=Shut down now\nIDS_SHUTDOWN_LATER=Shut down later\n");
  }
  std::unique_ptr<tbt::emulated::EmulatedPlatform> Machine() const {
    tbt::emulated::EmulatedOptions options;
    options.moduleFileName = folder.Path("tbt-fwupdate").u16string();
    return tbt::emulated::CreateEmulatedPlatform(options);
  }
  tbt::test::TempFolder folder{"tbt-bench"};
};

void BM_StartupToFirstFrame(benchmark::State& state) {
  const ProgramFolder program;
  FixedDisplay display(state.range(0) == 1);
  for (auto _ : state) {
    auto machine = program.Machine();
    tbt::ui::CFwUpdateDlg dialog(*machine, display, {1, 0, 0, 9});
    dialog.OnInitDialog();
    if (dialog.CompositionCount() == 0) {
      state.SkipWithError("the dialog composed no frame");
      break;
    }
    benchmark::DoNotOptimize(dialog.ComposedImage().constBits());
    state.counters["compositions"] = dialog.CompositionCount();
  }
  state.SetLabel(state.range(0) == 1 ? "full layout 1560x1240" : "compact layout 780x620");
}
BENCHMARK(BM_StartupToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ComposeFullSizeWindow(benchmark::State& state) {
  const ProgramFolder program;
  FixedDisplay display(true);
  auto machine = program.Machine();
  tbt::ui::CFwUpdateDlg dialog(*machine, display, {1, 0, 0, 9});
  dialog.OnInitDialog();
  for (auto _ : state) {
    dialog.UpdateLayered();
    benchmark::DoNotOptimize(dialog.ComposedImage().constBits());
  }
  const QImage& image = dialog.ComposedImage();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * image.sizeInBytes());
  state.SetLabel(std::to_string(image.width()) + "x" + std::to_string(image.height()));
}
BENCHMARK(BM_ComposeFullSizeWindow)->Unit(benchmark::kMillisecond);

}  // namespace

// The benchmarks run inside one QApplication, offscreen unless the environment names
// another platform.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
