#include <gtest/gtest.h>

#include <map>
#include <string>

#include "SkinTestSupport.h"
#include "skin/ColorMatrix.h"
#include "skin/ImageButton.h"

namespace tbt::skin {
namespace {

using test::PaintedBounds;
using test::PaintOf;

constexpr QRgb kNormal = 0xFFC86400;
constexpr QRgb kDisabled = 0xFF404040;
constexpr QRgb kHover = 0xFF0000FF;
constexpr QRgb kPressed = 0xFF00FF00;
// kNormal through the grey matrix (0.3 * 200 + 0.59 * 100 = 119) and the hover
// matrix (200 -> 222.75, 100 -> 117.75, 0 -> 12.75).
constexpr QRgb kGreyed = 0xFF777777;
constexpr QRgb kLit = 0xFFDF760D;
constexpr unsigned kMissingId = 9;

const CResourceModule* Images() {
  static const test::TempImageModule module{{1, test::Solid(20, 10, kNormal)},
                                            {2, test::Solid(20, 10, kDisabled)},
                                            {3, test::Solid(20, 10, kHover)},
                                            {4, test::Solid(20, 10, kPressed)}};
  return module.Module();
}

// Disabled, hover and pressed image ids as three digits ("234": all, "034": no
// disabled image, "9": an id with no file); the normal image is always 1.
void LoadImages(CImageButton& button, const char* ids, double scale = 1.0) {
  const auto id = [ids](int i) { return static_cast<unsigned>(ids[i] - '0'); };
  button.SetImages(1, id(0), id(1), id(2), u"IMG", Images(), scale);
}

std::string LookName(QRgb pixel) {
  static const std::map<QRgb, std::string> names = {
      {kNormal, "normal"}, {kDisabled, "disabled"}, {kHover, "hover"}, {kPressed, "pressed"},
      {kGreyed, "grey"},   {kLit, "lit"},           {0u, "none"}};
  const auto found = names.find(pixel);
  return found != names.end() ? found->second : QString::number(pixel, 16).toStdString();
}

std::string StateName(int state) {
  const std::string name = std::string(state & CImageButton::STATE_DISABLED ? "D" : "") +
                           (state & CImageButton::STATE_HOVER ? "H" : "") +
                           (state & CImageButton::STATE_PRESSED ? "P" : "");
  return name.empty() ? "-" : name;
}

// A button at (10, 10, 20, 10) whose host records, at every repaint request, the
// state bits and the look at the button's centre; clicks are recorded in between.
class ImageButtonTest : public ::testing::Test {
 protected:
  QWidget parent;
  std::string trace;
  // The host outlives its controls, as the dialog does.
  test::RecordingHost host;
  CImageButton button{&parent, 42};

  void SetUp() override {
    button.MoveWindow(10, 10, 20, 10);
    QObject::connect(&button, &CImageButton::clicked,
                     [this](int id) { Record("click " + std::to_string(id)); });
    host.onRequest = [this](CSkinControl*) {
      Record(StateName(button.State()) + " " + LookName(Paint().pixel(20, 15)));
    };
    button.m_pHost = &host;
  }
  void Record(const std::string& entry) { trace += (trace.empty() ? "" : "|") + entry; }
  // The button acts of test::Act, and I: reload only the normal image.
  void PerformAll(const char* acts) {
    for (; *acts != '\0'; ++acts) {
      if (*acts == 'I') {
        LoadImages(button, "000");
      } else {
        test::Act(button, *acts);
      }
    }
  }
  QImage Paint() { return PaintOf(button, 40, 30); }
};

struct SequenceCase {
  const char* name;
  const char* images;
  const char* acts;
  const char* expected;
};

void PrintTo(const SequenceCase& c, std::ostream* os) {
  *os << c.name;
}

class ButtonSequence : public ImageButtonTest,
                       public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(ButtonSequence, RepaintsAndClicksInOrder) {
  LoadImages(button, GetParam().images);
  PerformAll(GetParam().acts);
  EXPECT_EQ(trace, GetParam().expected);
}

// The released look is shown before the parent hears of the click, and it is the
// normal look, not the hover look. One hover comes per tracking request.
INSTANTIATE_TEST_SUITE_P(
    StateMachine, ButtonSequence,
    ::testing::Values(
        SequenceCase{"HoverPressRelease", "234", "EPR", "H hover|HP pressed|- normal|click 42"},
        SequenceCase{"LeaveWhilePressed", "234", "EPLX", "H hover|HP pressed|P normal|- normal"},
        SequenceCase{"MovesOutsideWhilePressed", "234", "EPLOO", "H hover|HP pressed|P normal"},
        SequenceCase{"ReturnWhilePressed", "234", "EPLER",
                     "H hover|HP pressed|P normal|HP pressed|- normal|click 42"},
        SequenceCase{"OneHoverPerTrackingRequest", "234", "EMPRMMLM",
                     "H hover|HP pressed|- normal|click 42|- normal|H hover"},
        SequenceCase{"KeyboardClicksWithSpaceOnly", "234", "SKES", "click 42|H hover|click 42"},
        SequenceCase{"DoubleClickDoesNotPress", "234", "EPRDR",
                     "H hover|HP pressed|- normal|click 42|- normal|click 42"},
        SequenceCase{"RightButtonIsIgnored", "234", "pr", ""},
        SequenceCase{"DisableAndEnable", "234", "--+", "D disabled|- normal"},
        SequenceCase{"DisabledWithoutImageIsGrey", "034", "-", "D grey"},
        SequenceCase{"DisabledIgnoresPointer", "234", "-EPR", "D disabled"},
        SequenceCase{"HoverWithoutImageIsLit", "204", "E", "H lit"},
        SequenceCase{"PressedWithoutImageIsNormal", "230", "EP", "H hover|HP normal"},
        SequenceCase{"ReloadDropsStatesItDoesNotName", "234", "IE-", "H lit|DH grey"},
        SequenceCase{"MissingStateImageDrawsNothing", "090", "E", "H none"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImageButtonTest, ImagesStretchAndPressedWithoutImageShiftsByOnePixel) {
  LoadImages(button, "230", 0.5);
  EXPECT_EQ(PaintedBounds(Paint()), QRect(10, 10, 20, 10));
  PerformAll("EP");
  EXPECT_EQ(PaintedBounds(Paint()), QRect(11, 11, 20, 10));
  EXPECT_EQ(Paint().pixel(30, 20), kNormal);
}

// Captions: a missing normal image (present, no picture) leaves only the text.
class ButtonCaption : public ::testing::Test {
 protected:
  QWidget parent;
  CImageButton button{&parent, 7};
  static constexpr QRgb kText = 0xFF102030;
  static constexpr QRgb kHoverText = 0xFF405060;
  static constexpr QRgb kPressedText = 0xFF708090;
  const QRect rect{10, 10, 80, 50};

  void SetUp() override {
    button.SetImages(kMissingId, 0, 0, 0, u"IMG", Images(), 1.0);
    button.SetTextFont(u"Noto Sans", 28.0f, 1, 2);
    button.SetTextColor(kText);
    button.SetHoverTextColor(kHoverText);
    button.SetPressedTextColor(kPressedText);
    button.MoveWindow(rect.x(), rect.y(), rect.width(), rect.height());
    button.SetWindowText(u"HI");
  }
  QImage Paint() { return PaintOf(button, 100, 70); }
};

TEST_F(ButtonCaption, ColourAndOffsetFollowTheState) {
  const QRect normalBounds = PaintedBounds(Paint());
  ASSERT_FALSE(normalBounds.isNull());
  const struct {
    char act;
    QRgb colour;
    QPoint offset;
  } cases[] = {
      {'+', kText, {0, 0}},        {'E', kHoverText, {0, 0}}, {'P', kPressedText, {1, 1}},
      {'L', kPressedText, {1, 1}}, {'X', kText, {0, 0}},      {'-', kText, {0, 0}},
  };
  for (const auto& c : cases) {
    test::Act(button, c.act);
    const QImage image = Paint();
    // Every fully covered caption pixel has the state's colour.
    std::map<QRgb, int> solid;
    for (int i = 0; i < image.width() * image.height(); ++i) {
      const QRgb pixel = image.pixel(i % image.width(), i / image.width());
      solid[pixel] += qAlpha(pixel) == 255 ? 1 : 0;
    }
    std::erase_if(solid, [](const auto& entry) { return entry.second == 0; });
    EXPECT_EQ(solid.size() == 1 ? solid.begin()->first : 0u, c.colour) << c.act;
    EXPECT_EQ(PaintedBounds(image), normalBounds.translated(c.offset)) << c.act;
  }
}

// The window aligns its texts to the centre or the near edges, nothing else.
TEST_F(ButtonCaption, AlignmentPlacesTheText) {
  const QRect centred = PaintedBounds(Paint());
  EXPECT_NEAR(centred.center().x(), rect.center().x(), 3);
  EXPECT_NEAR(centred.center().y(), rect.center().y(), 3);
  button.SetTextAlign(kAlignNear, kAlignNear);
  const QRect nearBounds = PaintedBounds(Paint());
  EXPECT_LT(nearBounds.left() - rect.left(), 6);
  EXPECT_LT(nearBounds.top() - rect.top(), 12);
}

// The colour matrices beyond the two looks the image button pins (grey and lit):
// clamping and the alpha column. Pictures reach them un-premultiplied, as the
// resource image test pins.
TEST(ColorMatrix, AlphaColumnAndClampingApplyToAlphaToo) {
  // A matrix that inverts red into alpha and pushes blue below zero.
  ColorMatrix matrix{};
  matrix[0][3] = -1.0f;  // alpha -= R
  matrix[4][3] = 1.0f;   // alpha += 1
  matrix[2][2] = -2.0f;  // blue = -2 B
  matrix[1][1] = 1.0f;   // green kept
  EXPECT_EQ(ApplyColorMatrix(matrix, qRgba(255, 40, 90, 10)), qRgba(0, 40, 0, 0));
  EXPECT_EQ(ApplyColorMatrix(matrix, qRgba(0, 40, 90, 10)), qRgba(0, 40, 0, 255));
  EXPECT_TRUE(ApplyColorMatrix(kHoverMatrix, QImage()).isNull());
}

}  // namespace
}  // namespace tbt::skin
