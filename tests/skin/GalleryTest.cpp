// Every button of the artwork in each of its looks, at half size on the real skin.
// Set TBT_SKIN_GALLERY to a file name to keep the composed picture for a look.

#include <QtGlobal>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SkinTestSupport.h"
#include "skin/ImageButton.h"
#include "skin/LayeredSkinDialog.h"

namespace tbt::skin {
namespace {

class GalleryDialog : public CLayeredSkinDialog {
 public:
  using CLayeredSkinDialog::CLayeredSkinDialog;
  void InitSkinLayout() override { SetBackgroundImage(129, u"IMG", nullptr, 0.5); }
};

TEST(Gallery, EveryButtonInEachLook) {
  test::FakeDisplay display({0, 0, 1366, 728});
  GalleryDialog dialog(nullptr, &display);
  dialog.OnInitDialog();
  enum { kNormal, kHover, kPressed, kHeld, kDisabled, kGrey, kLater, kLaterHover, kShutPressed };
  // Image ids, caption and the acts (see test::Act) that put each button in its look.
  const struct {
    unsigned normal, disabled, hover, pressed;
    const char16_t* caption;
    const char* acts;
  } rows[] = {{137, 140, 139, 138, u"Normal", ""},    {137, 140, 139, 138, u"Hover", "E"},
              {137, 140, 139, 138, u"Pressed", "EP"}, {137, 140, 139, 138, u"Held out", "EPL"},
              {137, 140, 139, 138, u"Disabled", "-"}, {150, 0, 152, 153, u"Shut down", "-"},
              {151, 0, 152, 153, u"Later", ""},       {151, 0, 152, 153, u"Later", "E"},
              {150, 0, 152, 153, u"Shut down", "EP"}, {130, 133, 132, 131, u"", "E"}};
  std::vector<std::unique_ptr<CImageButton>> buttons;
  for (const auto& row : rows) {
    const int i = static_cast<int>(buttons.size());
    auto& b = *buttons.emplace_back(std::make_unique<CImageButton>(&dialog, 100 + i));
    b.SetImages(row.normal, row.disabled, row.hover, row.pressed, u"IMG", nullptr, 0.5);
    b.SetTextFont(u"Segoe UI", 17.33f, 1, 2);
    // The later button's grey caption turns white while hovered or pressed.
    b.SetTextColor(row.normal == 151 ? 0xFF464646 : 0xFFFFFFFF);
    b.SetHoverTextColor(0xFFFFFFFF);
    b.SetPressedTextColor(0xFFFFFFFF);
    b.SetWindowText(QStringView(row.caption));
    b.MoveWindow(30 + (i % 3) * 250, 140 + (i / 3) * 60, row.normal == 130 ? 38 : 230, 38);
    dialog.AddSkinControl(&b);
    for (const char* act = row.acts; *act != '\0'; ++act) {
      test::Act(b, *act);
    }
  }

  const QImage& image = dialog.ComposedImage();
  ASSERT_EQ(image.size(), QSize(780, 620));
  if (const QByteArray out = qgetenv("TBT_SKIN_GALLERY"); !out.isEmpty()) {
    image.save(QString::fromLocal8Bit(out), "PNG");
  }
  // Sample each button away from its caption, 6 pixels in from its left edge.
  const auto sample = [&](int i) {
    return image.pixel(buttons[i]->x() + 6, buttons[i]->y() + buttons[i]->height() / 2);
  };
  EXPECT_NE(sample(kHover), sample(kNormal));
  EXPECT_NE(sample(kPressed), sample(kNormal));
  EXPECT_NE(sample(kPressed), sample(kHover));
  EXPECT_EQ(sample(kHeld), sample(kNormal));
  EXPECT_NE(sample(kDisabled), sample(kNormal));
  EXPECT_EQ(qRed(sample(kGrey)), qGreen(sample(kGrey)));
  EXPECT_EQ(qGreen(sample(kGrey)), qBlue(sample(kGrey)));
  EXPECT_NE(sample(kShutPressed), sample(kGrey));
  const auto greyTextPixels = [&](int i) {
    const QImage part = image.copy(buttons[i]->geometry());
    int count = 0;
    for (int y = 0; y < part.height(); ++y) {
      for (int x = 0; x < part.width(); ++x) {
        count += part.pixel(x, y) == 0xFF464646u ? 1 : 0;
      }
    }
    return count;
  };
  EXPECT_GT(greyTextPixels(kLater), 0);
  EXPECT_EQ(greyTextPixels(kLaterHover), 0);
}

}  // namespace
}  // namespace tbt::skin
