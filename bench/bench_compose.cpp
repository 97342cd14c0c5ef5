// One composition of the full-size skinned window: the 1560 x 1240 background and
// twelve controls with text, as the main window shows them.

#include <benchmark/benchmark.h>

#include <deque>

#include "bench/QtBenchMain.h"
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

struct ButtonSpec {
  QRect rect;
  unsigned normal, disabled, hover, pressed;
  const char16_t* text;
};
struct LabelSpec {
  QRect rect;
  unsigned image;
  const char16_t* text;
};

// The main window's twelve controls at full size: five buttons and seven labels,
// every one visible and every text control with a caption.
const ButtonSpec kButtons[] = {
    {{1444, 40, 76, 76}, 130, 133, 132, 131, u""},
    {{380, 1040, 368, 76}, 137, 140, 139, 138, u"Update"},
    {{812, 1040, 368, 76}, 137, 140, 139, 138, u"Exit"},
    {{240, 1040, 508, 76}, 150, 0, 152, 153, u"Shut down now"},
    {{812, 1040, 508, 76}, 151, 0, 152, 153, u"Later"},
};
const LabelSpec kLabels[] = {
    {{1200, 140, 300, 40}, 0, u"V1.0.0.9"},
    {{120, 300, 30, 30}, 134, u""},
    {{170, 290, 1250, 160},
     0,
     u"Connect the AC adapter, then press Update to install the new Thunderbolt "
     u"firmware. Do not switch the computer off while the update runs."},
    {{56, 440, 1448, 568}, 135, u""},
    {{120, 960, 48, 43}, 136, u""},
    {{180, 960, 1200, 60}, 0, u"The computer runs on battery power."},
    {{714, 620, 132, 132}, 141, u""},
};

class FullSizeDialog : public CLayeredSkinDialog {
 public:
  FullSizeDialog() { OnInitDialog(); }

  void InitSkinLayout() override {
    SetBackgroundImage(129, u"IMG", nullptr, 1.0);
    for (const ButtonSpec& spec : kButtons) {
      CImageButton& button = buttons_.emplace_back(this, NextId());
      button.SetImages(spec.normal, spec.disabled, spec.hover, spec.pressed, u"IMG", nullptr, 1.0);
      button.SetTextFont(u"Segoe UI", 34.67f, 1, 2);
      button.SetTextColor(0xFFFFFFFF);
      Place(button, spec.rect, spec.text);
    }
    for (const LabelSpec& spec : kLabels) {
      CTextLabel& label = labels_.emplace_back(this, NextId());
      if (spec.image != 0) {
        label.SetImage(spec.image, u"IMG", nullptr, 1.0);
      }
      label.SetTextFont(u"Segoe UI", 26.67f, 0, 2);
      label.SetTextAlign(0, 0);
      label.SetTextColor(0xFF020202);
      Place(label, spec.rect, spec.text);
    }
  }

 private:
  int NextId() { return static_cast<int>(buttons_.size() + labels_.size()) + 1; }
  void Place(tbt::skin::CSkinControl& control, QRect rect, const char16_t* text) {
    control.SetWindowText(QStringView(text));
    control.MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
    AddSkinControl(&control);
  }

  std::deque<CImageButton> buttons_;
  std::deque<CTextLabel> labels_;
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

}  // namespace

int main(int argc, char** argv) {
  return RunQtBenchmarks(argc, argv);
}
