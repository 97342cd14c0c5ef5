// Every button of the artwork in each of its looks, and the kinds of label, at half size on
// the real skin.
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

class GalleryDialog : public CLayeredSkinDialog {
 public:
  using CLayeredSkinDialog::CLayeredSkinDialog;
  void InitSkinLayout() override { SetBackgroundImage(129, u"IMG", nullptr, 0.5); }
};

TEST(Gallery, EveryControlInEachLook) {
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

  // Labels: wrapped text clipped to its box, a picture beside red text, a spinner frame,
  // and a hidden label that must leave no trace.
  CTextLabel message(&dialog, 200), warning(&dialog, 201), caution(&dialog, 202),
      busy(&dialog, 203), hidden(&dialog, 204);
  const auto place = [&](CTextLabel& label, QRgb colour, QStringView text, QRect rect) {
    label.SetTextFont(u"Segoe WP", 16, 0, 2);
    label.SetTextAlign(0, 0);
    label.SetTextColor(colour);
    label.SetWindowText(text);
    label.MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
    dialog.AddSkinControl(&label);
  };
  place(message, 0xFF020202,
        u"A message long enough to wrap at word boundaries inside its box; whatever does not "
        u"fit the box's height is clipped at its lower edge and never drawn below it.",
        QRect(90, 380, 420, 44));
  warning.SetImage(136, u"IMG", nullptr, 0.5);
  place(warning, 0, u"", QRect(35, 450, 24, 21));
  place(caution, 0xFFA40000, u"Red caution text beside its mark", QRect(65, 452, 420, 30));
  busy.SetImage(143, u"IMG", nullptr, 0.5);
  place(busy, 0, u"", QRect(600, 370, 66, 66));
  place(hidden, 0xFF020202, u"HIDDEN", QRect(600, 460, 150, 30));
  hidden.ShowControl(SW_HIDE);

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
  const auto darkPixels = [&](QRect rect) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
      for (int x = rect.left(); x <= rect.right(); ++x) {
        count += qGray(image.pixel(x, y)) < 96 ? 1 : 0;
      }
    }
    return count;
  };
  EXPECT_GT(darkPixels(QRect(90, 380, 420, 44)), 0);
  EXPECT_EQ(darkPixels(QRect(90, 424, 420, 16)), 0);   // the clipped third line
  EXPECT_EQ(darkPixels(QRect(600, 460, 150, 30)), 0);  // the hidden label
  EXPECT_GT(greyTextPixels(kLater), 0);
  EXPECT_EQ(greyTextPixels(kLaterHover), 0);
}

}  // namespace
}  // namespace tbt::skin
