// Every kind of control in each of its looks, on the real artwork at half size.
// Set TBT_SKIN_GALLERY to a file name to keep the composed picture for a look.

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
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

void Hover(CImageButton& button) {
  QEnterEvent enter{QPointF(2, 2), QPointF(2, 2), QPointF(button.mapToGlobal(QPoint(2, 2)))};
  QApplication::sendEvent(&button, &enter);
}

void Leave(CImageButton& button) {
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
}

void Press(CImageButton& button) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2),
                    QPointF(button.mapToGlobal(QPoint(2, 2))), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(&button, &press);
}

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

  CTextLabel& AddLabel(QRect rect, unsigned image, const char16_t* text, QRgb colour) {
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
    return *labels.back();
  }

  void InitSkinLayout() override { SetBackgroundImage(129, u"IMG", nullptr, kHalf); }
};

TEST(Gallery, EveryControlInEachLook) {
  test::FakeDisplay display({0, 0, 1366, 728});
  GalleryDialog dialog(&display);
  dialog.OnInitDialog();

  dialog.AddLabel({560, 80, 200, 20}, 0, u"V1.0.0.9", 0xFF80DFE6);
  dialog.AddLabel({30, 150, 15, 15}, 134, u"", 0);
  dialog.AddLabel({55, 145, 420, 60}, 0,
                  u"Connect the AC adapter, then press Update. This long prompt wraps at "
                  u"word boundaries inside its rectangle and is clipped at its bottom edge "
                  u"when it runs out of room, as this sentence does.",
                  0xFF020202);
  dialog.AddLabel({30, 215, 24, 21}, 136, u"", 0);
  dialog.AddLabel({60, 215, 400, 30}, 0, u"Caution: the computer runs on battery.", 0xFFA40000);
  dialog.AddLabel({600, 140, 66, 66}, 141, u"", 0);
  dialog.AddLabel({480, 215, 290, 114}, 135, u"", 0);

  CImageButton& close = dialog.AddButton({722, 20, 38, 38}, 130, 133, 132, 131, u"", 0);
  CImageButton& normal =
      dialog.AddButton({30, 340, 184, 38}, 137, 140, 139, 138, u"Normal", 0xFFFFFFFF);
  CImageButton& hovered =
      dialog.AddButton({234, 340, 184, 38}, 137, 140, 139, 138, u"Hover", 0xFFFFFFFF);
  CImageButton& pressed =
      dialog.AddButton({438, 340, 184, 38}, 137, 140, 139, 138, u"Pressed", 0xFFFFFFFF);
  CImageButton& held =
      dialog.AddButton({30, 400, 184, 38}, 137, 140, 139, 138, u"Held outside", 0xFFFFFFFF);
  CImageButton& disabled =
      dialog.AddButton({234, 400, 184, 38}, 137, 140, 139, 138, u"Disabled", 0xFFFFFFFF);
  CImageButton& grey =
      dialog.AddButton({30, 460, 254, 38}, 150, 0, 152, 153, u"Shut down (grey)", 0xFFFFFFFF);
  dialog.AddButton({304, 460, 254, 38}, 151, 0, 152, 153, u"Later", 0xFF464646);
  CImageButton& laterHover =
      dialog.AddButton({304, 520, 254, 38}, 151, 0, 152, 153, u"Later (hover)", 0xFF464646);
  CImageButton& shutdownPressed =
      dialog.AddButton({30, 520, 254, 38}, 150, 0, 152, 153, u"Shut down (pressed)", 0xFFFFFFFF);
  laterHover.SetHoverTextColor(0xFFFFFFFF);
  laterHover.SetPressedTextColor(0xFFFFFFFF);

  Hover(close);
  Hover(hovered);
  Hover(pressed);
  Press(pressed);
  Hover(held);
  Press(held);
  Leave(held);
  disabled.EnableWindow(false);
  grey.EnableWindow(false);
  Hover(laterHover);
  Hover(shutdownPressed);
  Press(shutdownPressed);

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
  bool white = false;
  for (int y = laterHover.y(); y < laterHover.y() + laterHover.height(); ++y) {
    for (int x = laterHover.x(); x < laterHover.x() + laterHover.width(); ++x) {
      white = white || image.pixel(x, y) == 0xFFFFFFFFu;
    }
  }
  EXPECT_TRUE(white);
}

}  // namespace
}  // namespace tbt::skin
