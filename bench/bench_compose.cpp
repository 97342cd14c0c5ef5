// One composition of the full-size skinned window: the 1560 x 1240 background and
// twelve controls with text, as the main window shows them.

#include <benchmark/benchmark.h>

#include "bench/QtBenchMain.h"
#include "skin/AlphaMask.h"
#include "skin/ImageButton.h"
#include "skin/LayeredSkinDialog.h"
#include "skin/TextLabel.h"

namespace {

using tbt::skin::CImageButton;
using tbt::skin::CLayeredSkinDialog;
using tbt::skin::CTextLabel;

constexpr int kWidth = 1560;
constexpr int kHeight = 1240;
constexpr size_t kImageBytes = size_t{kWidth} * kHeight * 4;

// The main window's twelve controls at full size: five buttons and seven labels,
// every one visible and every text control with a caption.
class FullSizeDialog : public CLayeredSkinDialog {
 public:
  FullSizeDialog() { OnInitDialog(); }

  void InitSkinLayout() override {
    SetBackgroundImage(129, u"IMG", nullptr, 1.0);
    AddButton(close, {1444, 40, 76, 76}, 130, 133, 132, 131, u"");
    AddButton(update, {380, 1040, 368, 76}, 137, 140, 139, 138, u"Update");
    AddButton(exit, {812, 1040, 368, 76}, 137, 140, 139, 138, u"Exit");
    AddButton(shutdown, {240, 1040, 508, 76}, 150, 0, 152, 153, u"Shut down now");
    AddButton(later, {812, 1040, 508, 76}, 151, 0, 152, 153, u"Later");
    AddLabel(version, {1200, 140, 300, 40}, 0, u"V1.0.0.9");
    AddLabel(bullet, {120, 300, 30, 30}, 134, u"");
    AddLabel(message, {170, 290, 1250, 160}, 0,
             u"Connect the AC adapter, then press Update to install the new Thunderbolt "
             u"firmware. Do not switch the computer off while the update runs.");
    AddLabel(picture, {56, 440, 1448, 568}, 135, u"");
    AddLabel(warning, {120, 960, 48, 43}, 136, u"");
    AddLabel(caution, {180, 960, 1200, 60}, 0, u"The computer runs on battery power.");
    AddLabel(busy, {714, 620, 132, 132}, 141, u"");
  }

 private:
  void AddButton(CImageButton& button, QRect rect, unsigned normal, unsigned disabled,
                 unsigned hover, unsigned pressed, const char16_t* text) {
    button.SetImages(normal, disabled, hover, pressed, u"IMG", nullptr, 1.0);
    button.SetTextFont(u"Segoe UI", 34.67f, 1, 2);
    button.SetTextColor(0xFFFFFFFF);
    button.SetWindowText(QStringView(text));
    button.MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
    AddSkinControl(&button);
  }

  void AddLabel(CTextLabel& label, QRect rect, unsigned image, const char16_t* text) {
    if (image != 0) {
      label.SetImage(image, u"IMG", nullptr, 1.0);
    }
    label.SetTextFont(u"Segoe UI", 26.67f, 0, 2);
    label.SetTextAlign(0, 0);
    label.SetTextColor(0xFF020202);
    label.SetWindowText(QStringView(text));
    label.MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
    AddSkinControl(&label);
  }

  CImageButton close{this, 1};
  CImageButton update{this, 2};
  CImageButton exit{this, 3};
  CImageButton shutdown{this, 4};
  CImageButton later{this, 5};
  CTextLabel version{this, 6};
  CTextLabel bullet{this, 7};
  CTextLabel message{this, 8};
  CTextLabel picture{this, 9};
  CTextLabel warning{this, 10};
  CTextLabel caution{this, 11};
  CTextLabel busy{this, 12};
};

void BM_UpdateLayeredFullSize(benchmark::State& state) {
  FullSizeDialog dialog;
  if (dialog.SkinControls().size() != 12 ||
      dialog.ComposedImage().size() != QSize(kWidth, kHeight)) {
    state.SkipWithError("the full-size skin did not load");
    return;
  }
  for (auto _ : state) {
    dialog.UpdateLayered();
    benchmark::DoNotOptimize(dialog.ComposedImage().constBits());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kImageBytes));
}
BENCHMARK(BM_UpdateLayeredFullSize)->Unit(benchmark::kMillisecond);

// The input-mask part of a composition on its own.
void BM_OpaqueRegionFullSize(benchmark::State& state) {
  FullSizeDialog dialog;
  const QImage composed = dialog.ComposedImage();
  for (auto _ : state) {
    QRegion region = tbt::skin::OpaqueRegion(composed);
    benchmark::DoNotOptimize(region);
  }
}
BENCHMARK(BM_OpaqueRegionFullSize)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}
