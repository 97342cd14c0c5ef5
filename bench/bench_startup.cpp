// Start-up time of the window: from building the emulated machine to the first
// composed frame of the main dialog, as the program does before it first shows.

#include <benchmark/benchmark.h>

#include <memory>

#include "bench/QtBenchMain.h"
#include "platform/emulated/EmulatedPlatform.h"
#include "tests/support/TempFolder.h"
#include "ui/FwUpdateDlg.h"

namespace {

/// A display like a common laptop screen (compact layout) or a large one (full).
class FixedDisplay final : public tbt::platform::IDisplay {
 public:
  explicit FixedDisplay(tbt::platform::ScreenSize size) : size_(size) {}
  tbt::platform::ScreenSize DesktopSize() override { return size_; }
  tbt::platform::ScreenRect WorkArea() override { return {0, 0, size_.width, size_.height}; }
  int LogPixelsY() override { return 96; }

 private:
  tbt::platform::ScreenSize size_;
};

void BM_StartupToFirstFrame(benchmark::State& state) {
  // A program folder with an Update.ini of realistic length.
  const tbt::test::TempFolder folder("tbt-bench");
  folder.Write("data/Update.ini",
               "[Language]\n0x409=English\n\n[English]\nIDS_UPDATE=Update\nIDS_EXIT=Exit\n"
               "IDS_PROMPT=This tool updates the firmware of the Thunderbolt controller in this "
               "computer. Connect the AC adapter, close all other applications, and then click "
               "Update.\nIDS_CAUTION=Connect the AC adapter before you update.\n"
               "IDS_SHUTDOWN=Shut down now\nIDS_SHUTDOWN_LATER=Shut down later\n");
  FixedDisplay display(state.range(0) == 1 ? tbt::platform::ScreenSize{2560, 1440}
                                           : tbt::platform::ScreenSize{1920, 1080});
  for (auto _ : state) {
    tbt::emulated::EmulatedOptions options;
    options.moduleFileName = folder.Path("tbt-fwupdate").u16string();
    auto machine = tbt::emulated::CreateEmulatedPlatform(options);
    tbt::ui::CFwUpdateDlg dialog(*machine, display, {1, 0, 0, 9});
    dialog.OnInitDialog();
    if (dialog.CompositionCount() == 0) {
      state.SkipWithError("the dialog composed no frame");
      break;
    }
    benchmark::DoNotOptimize(dialog.ComposedImage().constBits());
    // Controls ask for no repaint before they are registered, so start-up composes only
    // when the background is set and once at the end.
    state.counters["compositions"] = dialog.CompositionCount();
  }
  state.SetLabel(state.range(0) == 1 ? "full layout 1560x1240" : "compact layout 780x620");
}
BENCHMARK(BM_StartupToFirstFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}
