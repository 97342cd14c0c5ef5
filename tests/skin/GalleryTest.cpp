// Every kind of control in each of its looks, on the real artwork at half size.
// Set TBT_SKIN_GALLERY to a file name to keep the composed picture for a look.

#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SkinTestSupport.h"
#include "skin/ImageButton.h"
#include "skin/LayeredSkinDialog.h"
#include "skin/TextLabel.h"

namespace tbt::skin {
namespace {

constexpr double kHalf = 0.5;

class GalleryDialog : public CLayeredSkinDialog {
 public:
  explicit GalleryDialog(platform::IDisplay* display) : CLayeredSkinDialog(nullptr, display) {}

  std::vector<std::unique_ptr<CImageButton>> buttons;
  std::vector<std::unique_ptr<CTextLabel>> labels;

  CImageButton& AddButton(QRect rect, unsigned normal, unsigned disabled, unsigned hover,
                          unsigned pressed, const char16_t* caption, QRgb colour) {
    auto button = std::make_unique<CImageButton>(this, 100 + static_cast<int>(buttons.size()));
    button->SetImages(normal, disabled, hover, pressed, u"IMG", nullptr, kHalf);
    button->SetTextFont(u"Segoe UI", 17.33f, 1, 2);
    button->SetTextColor(colour);
    button->SetWindowText(QStringView(caption));
    button->MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
    AddSkinControl(button.get());
    buttons.push_back(std::move(button));
    return *buttons.back();
  }

  void AddLabel(QRect rect, unsigned image, const char16_t* text, QRgb colour) {
    auto label = std::make_unique<CTextLabel>(this, 200 + static_cast<int>(labels.size()));
    if (image != 0) {
      label->SetImage(image, u"IMG", nullptr, kHalf);
    }
    label->SetTextFont(u"Segoe UI", 13.33f, 0, 2);
    label->SetTextAlign(0, 0);
    label->SetTextColor(colour);
    label->SetWindowText(QStringView(text));
    label->MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
    AddSkinControl(label.get());
    labels.push_back(std::move(label));
  }

  void InitSkinLayout() override { SetBackgroundImage(129, u"IMG", nullptr, kHalf); }
};

TEST(Gallery, EveryControlInEachLook) {
  test::FakeDisplay display({0, 0, 1366, 728});
  GalleryDialog dialog(&display);
  dialog.OnInitDialog();

  const struct {
    QRect rect;
    unsigned image;
    const char16_t* text;
    QRgb colour;
  } labels[] = {
      {{560, 80, 200, 20}, 0, u"V1.0.0.9", 0xFF80DFE6},
      {{30, 150, 15, 15}, 134, u"", 0},
      {{55, 145, 420, 60},
       0,
       u"Connect the AC adapter, then press Update. This long prompt wraps at word boundaries "
       u"inside its rectangle and is clipped at its bottom edge when it runs out of room, as "
       u"this sentence does.",
       0xFF020202},
      {{30, 215, 24, 21}, 136, u"", 0},
      {{60, 215, 400, 30}, 0, u"Caution: the computer runs on battery.", 0xFFA40000},
      {{600, 140, 66, 66}, 141, u"", 0},
      {{480, 215, 290, 114}, 135, u"", 0},
  };
  for (const auto& l : labels) {
    dialog.AddLabel(l.rect, l.image, l.text, l.colour);
  }

  // Each button with the acts that put it in its look (see test::Act).
  auto button = [&](QRect rect, unsigned normal, unsigned disabled, const char16_t* caption,
                    QRgb colour, const char* acts) -> CImageButton& {
    const unsigned hover = normal == 137 ? 139 : 152;
    const unsigned pressed = normal == 137 ? 138 : 153;
    CImageButton& b = dialog.AddButton(rect, normal, disabled, hover, pressed, caption, colour);
    if (normal == 151) {
      b.SetHoverTextColor(0xFFFFFFFF);
      b.SetPressedTextColor(0xFFFFFFFF);
    }
    for (; *acts != '\0'; ++acts) {
      test::Act(b, *acts);
    }
    return b;
  };
  dialog.AddButton({722, 20, 38, 38}, 130, 133, 132, 131, u"", 0);
  test::Act(*dialog.buttons.back(), 'E');
  const QRgb white = 0xFFFFFFFF;
  CImageButton& normal = button({30, 340, 184, 38}, 137, 140, u"Normal", white, "");
  CImageButton& hovered = button({234, 340, 184, 38}, 137, 140, u"Hover", white, "E");
  CImageButton& pressed = button({438, 340, 184, 38}, 137, 140, u"Pressed", white, "EP");
  CImageButton& held = button({30, 400, 184, 38}, 137, 140, u"Held outside", white, "EPL");
  CImageButton& disabled = button({234, 400, 184, 38}, 137, 140, u"Disabled", white, "-");
  CImageButton& grey = button({30, 460, 254, 38}, 150, 0, u"Shut down (grey)", white, "-");
  button({304, 460, 254, 38}, 151, 0, u"Later", 0xFF464646, "");
  CImageButton& laterHover = button({304, 520, 254, 38}, 151, 0, u"Later (hover)", 0xFF464646, "E");
  CImageButton& shutdownPressed =
      button({30, 520, 254, 38}, 150, 0, u"Shut down (pressed)", white, "EP");

  const QImage& image = dialog.ComposedImage();
  ASSERT_EQ(image.size(), QSize(780, 620));
  if (const QByteArray out = qgetenv("TBT_SKIN_GALLERY"); !out.isEmpty()) {
    image.save(QString::fromLocal8Bit(out), "PNG");
  }

  // Sample each button away from its caption, 6 pixels in from its left edge.
  auto sample = [&](const CImageButton& button) {
    return image.pixel(button.x() + 6, button.y() + button.height() / 2);
  };
  EXPECT_NE(sample(hovered), sample(normal));
  EXPECT_NE(sample(pressed), sample(normal));
  EXPECT_NE(sample(pressed), sample(hovered));
  EXPECT_EQ(sample(held), sample(normal));
  EXPECT_NE(sample(disabled), sample(normal));
  const QRgb greyed = sample(grey);
  EXPECT_EQ(qRed(greyed), qGreen(greyed));
  EXPECT_EQ(qGreen(greyed), qBlue(greyed));
  EXPECT_NE(sample(shutdownPressed), sample(grey));
  // The later button's grey caption turns white while hovered.
  bool whiteText = false;
  for (int y = laterHover.y(); y < laterHover.y() + laterHover.height(); ++y) {
    for (int x = laterHover.x(); x < laterHover.x() + laterHover.width(); ++x) {
      whiteText = whiteText || image.pixel(x, y) == white;
    }
  }
  EXPECT_TRUE(whiteText);
}

}  // namespace
}  // namespace tbt::skin
