// The image button: its visual state machine, the looks it draws and its clicks.

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "SkinTestSupport.h"
#include "skin/ImageButton.h"

namespace tbt::skin {
namespace {

using test::PaintedBounds;
using test::RecordingHost;
using test::Solid;
using test::Surface;
using test::TempImageModule;

constexpr QRgb kNormal = 0xFFC86400;
constexpr QRgb kDisabled = 0xFF404040;
constexpr QRgb kHover = 0xFF0000FF;
constexpr QRgb kPressed = 0xFF00FF00;
// kNormal through the grey matrix (0.3 * 200 + 0.59 * 100 = 119) and the hover
// matrix (200 -> 222.75, 100 -> 117.75, 0 -> 12.75).
constexpr QRgb kGreyed = 0xFF777777;
constexpr QRgb kLit = 0xFFDF760D;
constexpr unsigned kMissingId = 999;

const CResourceModule* Images() {
  static TempImageModule module;
  static const bool filled = [] {
    TempImageModule* m = &module;
    m->Add(1, Solid(20, 10, kNormal));
    m->Add(2, Solid(20, 10, kDisabled));
    m->Add(3, Solid(20, 10, kHover));
    m->Add(4, Solid(20, 10, kPressed));
    return true;
  }();
  (void)filled;
  return module.Module();
}

std::string LookName(QRgb pixel) {
  static const std::map<QRgb, std::string> names = {
      {kNormal, "normal"}, {kDisabled, "disabled"}, {kHover, "hover"}, {kPressed, "pressed"},
      {kGreyed, "grey"},   {kLit, "lit"},           {0u, "none"}};
  const auto found = names.find(pixel);
  return found != names.end() ? found->second : QString::number(pixel, 16).toStdString();
}

std::string StateName(int state) {
  std::string name;
  if (state & CImageButton::STATE_DISABLED)
    name += 'D';
  if (state & CImageButton::STATE_HOVER)
    name += 'H';
  if (state & CImageButton::STATE_PRESSED)
    name += 'P';
  return name.empty() ? "-" : name;
}

enum class Act {
  Enter,
  Leave,
  Move,
  MoveOutside,
  Press,
  Release,
  ReleaseOutside,
  DoubleClick,
  RightPress,
  RightRelease,
  Space,
  Disable,
  Enable
};

void SendMouse(QWidget& widget, QEvent::Type type, QPoint at, Qt::MouseButton button) {
  // A move carries the buttons held; a release no longer holds its button.
  const Qt::MouseButton changed = type == QEvent::MouseMove ? Qt::NoButton : button;
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
  QMouseEvent event(type, QPointF(at), QPointF(widget.mapToGlobal(at)), changed, held,
                    Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

void Perform(CImageButton& button, Act act) {
  const QPoint inside(5, 5);
  switch (act) {
    case Act::Enter: {
      QEnterEvent event{QPointF(inside), QPointF(inside), QPointF(button.mapToGlobal(inside))};
      QApplication::sendEvent(&button, &event);
      break;
    }
    case Act::Leave: {
      QEvent event(QEvent::Leave);
      QApplication::sendEvent(&button, &event);
      break;
    }
    case Act::Move:
      SendMouse(button, QEvent::MouseMove, inside, Qt::NoButton);
      break;
    case Act::MoveOutside:
      SendMouse(button, QEvent::MouseMove, QPoint(-30, 50), Qt::LeftButton);
      break;
    case Act::Press:
      SendMouse(button, QEvent::MouseButtonPress, inside, Qt::LeftButton);
      break;
    case Act::Release:
      SendMouse(button, QEvent::MouseButtonRelease, inside, Qt::LeftButton);
      break;
    case Act::ReleaseOutside:
      SendMouse(button, QEvent::MouseButtonRelease, QPoint(-30, 50), Qt::LeftButton);
      break;
    case Act::DoubleClick:
      SendMouse(button, QEvent::MouseButtonDblClick, inside, Qt::LeftButton);
      break;
    case Act::RightPress:
      SendMouse(button, QEvent::MouseButtonPress, inside, Qt::RightButton);
      break;
    case Act::RightRelease:
      SendMouse(button, QEvent::MouseButtonRelease, inside, Qt::RightButton);
      break;
    case Act::Space:
      QTest::keyClick(&button, Qt::Key_Space);
      break;
    case Act::Disable:
      button.EnableWindow(false);
      break;
    case Act::Enable:
      button.EnableWindow(true);
      break;
  }
}

// A button at (10, 10, 20, 10) whose host records, at every repaint request, the
// state bits and the look at the button's centre; clicks are recorded in between.
class ImageButtonTest : public ::testing::Test {
 protected:
  QWidget parent;
  std::vector<std::string> trace;
  // The host outlives its controls, as the dialog does.
  RecordingHost host;
  CImageButton button{&parent, 42};

  void SetUp() override {
    button.MoveWindow(10, 10, 20, 10);
    QObject::connect(&button, &CImageButton::clicked,
                     [this](int id) { trace.push_back("click " + std::to_string(id)); });
    host.onRequest = [this](CSkinControl*) {
      trace.push_back(StateName(button.State()) + " " + LookName(Paint().pixel(20, 15)));
    };
  }

  void Setup(unsigned disabledId, unsigned hoverId, unsigned pressedId) {
    button.SetImages(1, disabledId, hoverId, pressedId, u"IMG", Images(), 1.0);
    button.m_pHost = &host;
  }

  QImage Paint() {
    QImage surface = Surface(40, 30);
    QPainter painter(&surface);
    button.PaintSkin(painter);
    return surface;
  }
};

struct SequenceCase {
  const char* name;
  unsigned disabledId, hoverId, pressedId;
  std::vector<Act> acts;
  std::vector<std::string> expected;
};

void PrintTo(const SequenceCase& c, std::ostream* os) {
  *os << c.name;
}

class ButtonSequence : public ImageButtonTest,
                       public ::testing::WithParamInterface<SequenceCase> {};

TEST_P(ButtonSequence, RepaintsAndClicksInOrder) {
  const SequenceCase& c = GetParam();
  Setup(c.disabledId, c.hoverId, c.pressedId);
  for (Act act : c.acts) {
    Perform(button, act);
  }
  EXPECT_EQ(trace, c.expected);
}

using A = Act;
INSTANTIATE_TEST_SUITE_P(
    StateMachine, ButtonSequence,
    ::testing::Values(
        // The released look is shown before the parent hears of the click, and it is
        // the normal look, not the hover look.
        SequenceCase{"HoverPressRelease",
                     2,
                     3,
                     4,
                     {A::Enter, A::Press, A::Release},
                     {"H hover", "HP pressed", "- normal", "click 42"}},
        SequenceCase{"PressWithoutHoverKeepsNormalImage",
                     2,
                     3,
                     4,
                     {A::Press, A::Release},
                     {"P normal", "- normal", "click 42"}},
        SequenceCase{"LeaveWhilePressedThenReleaseOutside",
                     2,
                     3,
                     4,
                     {A::Enter, A::Press, A::Leave, A::ReleaseOutside},
                     {"H hover", "HP pressed", "P normal", "- normal"}},
        SequenceCase{"MovesOutsideWhilePressedDoNotHover",
                     2,
                     3,
                     4,
                     {A::Enter, A::Press, A::Leave, A::MoveOutside, A::MoveOutside},
                     {"H hover", "HP pressed", "P normal"}},
        SequenceCase{"ReturnWhilePressed",
                     2,
                     3,
                     4,
                     {A::Enter, A::Press, A::Leave, A::Enter, A::Release},
                     {"H hover", "HP pressed", "P normal", "HP pressed", "- normal", "click 42"}},
        // One hover per tracking request: none after the click until the pointer
        // has left and come back.
        SequenceCase{"OneHoverPerTrackingRequest",
                     2,
                     3,
                     4,
                     {A::Enter, A::Move, A::Press, A::Release, A::Move, A::Move, A::Leave, A::Move},
                     {"H hover", "HP pressed", "- normal", "click 42", "- normal", "H hover"}},
        SequenceCase{"NewPressAfterClickSetsOnlyPressed",
                     2,
                     3,
                     4,
                     {A::Enter, A::Press, A::Release, A::Press},
                     {"H hover", "HP pressed", "- normal", "click 42", "P normal"}},
        SequenceCase{"KeyboardClickChangesNoLook", 2, 3, 4, {A::Space}, {"click 42"}},
        SequenceCase{
            "KeyboardClickWhileHovered", 2, 3, 4, {A::Enter, A::Space}, {"H hover", "click 42"}},
        SequenceCase{"DoubleClickDoesNotPress",
                     2,
                     3,
                     4,
                     {A::Enter, A::Press, A::Release, A::DoubleClick, A::Release},
                     {"H hover", "HP pressed", "- normal", "click 42", "- normal", "click 42"}},
        SequenceCase{"RightButtonIsIgnored", 2, 3, 4, {A::RightPress, A::RightRelease}, {}},
        SequenceCase{"DisableAndEnable",
                     2,
                     3,
                     4,
                     {A::Disable, A::Disable, A::Enable},
                     {"D disabled", "- normal"}},
        SequenceCase{"DisabledWithoutImageIsGrey", 0, 3, 4, {A::Disable}, {"D grey"}},
        // A disabled widget gets no pointer input at all.
        SequenceCase{"DisabledIgnoresPointer",
                     2,
                     3,
                     4,
                     {A::Disable, A::Enter, A::Press, A::Release},
                     {"D disabled"}},
        SequenceCase{"HoverWithoutImageIsLit", 2, 0, 4, {A::Enter}, {"H lit"}},
        SequenceCase{"PressedWithoutImageIsNormal",
                     2,
                     3,
                     0,
                     {A::Enter, A::Press},
                     {"H hover", "HP normal"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ImageButtonTest, WithoutNormalImageStateMovesButNothingIsRequested) {
  button.m_pHost = &host;
  Perform(button, Act::Enter);
  EXPECT_EQ(button.State(), CImageButton::STATE_HOVER);
  Perform(button, Act::Press);
  EXPECT_EQ(button.State(), CImageButton::STATE_HOVER | CImageButton::STATE_PRESSED);
  Perform(button, Act::Disable);
  EXPECT_EQ(button.m_bDisabled, 1);
  // STATE_DISABLED is refreshed only by a request that gets through.
  EXPECT_EQ(button.State() & CImageButton::STATE_DISABLED, 0);
  EXPECT_EQ(host.Requests(), 0);
}

TEST_F(ImageButtonTest, ShowControlDoesNotRefreshDisabledButTheNextRequestDoes) {
  button.m_pHost = &host;
  Perform(button, Act::Disable);
  button.SetImages(1, 2, 3, 4, u"IMG", Images(), 1.0);
  button.ShowControl(SW_HIDE);
  button.ShowControl(SW_SHOW);
  button.SetWindowText(u"");
  EXPECT_EQ(trace, (std::vector<std::string>{"- normal", "- normal", "D disabled"}));
}

TEST_F(ImageButtonTest, PressedWithoutImageShiftsNormalImageByOnePixel) {
  Setup(2, 3, 0);
  EXPECT_EQ(PaintedBounds(Paint()), QRect(10, 10, 20, 10));
  Perform(button, Act::Enter);
  Perform(button, Act::Press);
  const QImage pressed = Paint();
  EXPECT_EQ(PaintedBounds(pressed), QRect(11, 11, 20, 10));
  EXPECT_EQ(pressed.pixel(30, 20), kNormal);
}

TEST_F(ImageButtonTest, SetImagesAgainDropsStatesItDoesNotName) {
  Setup(2, 3, 4);
  button.SetImages(1, 0, 0, 0, u"IMG", Images(), 1.0);
  Perform(button, Act::Enter);
  Perform(button, Act::Disable);
  EXPECT_EQ(trace, (std::vector<std::string>{"H lit", "DH grey"}));
}

TEST_F(ImageButtonTest, MissingStateImageCountsAsPresentAndDrawsNothing) {
  button.SetImages(1, 0, kMissingId, 0, u"IMG", Images(), 1.0);
  button.m_pHost = &host;
  Perform(button, Act::Enter);
  EXPECT_EQ(trace, (std::vector<std::string>{"H none"}));
}

TEST_F(ImageButtonTest, ImagesStretchToTheButtonAndFollowTheScale) {
  button.SetImages(1, 2, 3, 4, u"IMG", Images(), 0.5);
  button.MoveWindow(4, 6, 30, 20);
  EXPECT_EQ(PaintedBounds(Paint()), QRect(4, 6, 30, 20));
}

TEST_F(ImageButtonTest, ReleaseResourcesStopsAllDrawingAndRequests) {
  Setup(2, 3, 4);
  button.SetWindowText(u"Go");
  button.ReleaseResources();
  EXPECT_FALSE(button.Font().has_value());
  EXPECT_TRUE(PaintedBounds(Paint()).isNull());
  const int before = host.Requests();
  button.SetWindowText(u"Again");
  EXPECT_EQ(host.Requests(), before);
}

// Captions: a missing normal image (present, no picture) leaves only the text.
class ButtonCaption : public ::testing::Test {
 protected:
  QWidget parent;
  CImageButton button{&parent, 7};
  static constexpr QRgb kText = 0xFF102030;
  static constexpr QRgb kHoverText = 0xFF405060;
  static constexpr QRgb kPressedText = 0xFF708090;

  void SetUp() override {
    button.SetImages(kMissingId, 0, 0, 0, u"IMG", Images(), 1.0);
    button.SetTextFont(u"Noto Sans", 28.0f, 1, 2);
    button.SetTextColor(kText);
    button.SetHoverTextColor(kHoverText);
    button.SetPressedTextColor(kPressedText);
    button.MoveWindow(10, 10, 80, 50);
    button.SetWindowText(u"HI");
  }

  QImage Paint() {
    QImage surface = Surface(100, 70);
    QPainter painter(&surface);
    button.PaintSkin(painter);
    return surface;
  }
};

// The one colour of every fully covered caption pixel (0 when there is none or the
// covered pixels disagree).
QRgb SolidTextColour(const QImage& image) {
  QRgb found = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (qAlpha(pixel) != 255)
        continue;
      if (found != 0 && found != pixel)
        return 0;
      found = pixel;
    }
  }
  return found;
}

TEST_F(ButtonCaption, ColourAndOffsetFollowTheState) {
  const QImage normal = Paint();
  const QRect normalBounds = PaintedBounds(normal);
  ASSERT_FALSE(normalBounds.isNull());
  EXPECT_EQ(SolidTextColour(normal), kText);

  const struct {
    const char* name;
    std::vector<Act> acts;
    QRgb colour;
    QPoint offset;
  } cases[] = {
      {"hover", {Act::Enter}, kHoverText, {0, 0}},
      {"hover pressed", {Act::Press}, kPressedText, {1, 1}},
      {"pressed after leave", {Act::Leave}, kPressedText, {1, 1}},
      {"released", {Act::ReleaseOutside}, kText, {0, 0}},
      {"disabled keeps colours", {Act::Disable}, kText, {0, 0}},
  };
  for (const auto& c : cases) {
    for (Act act : c.acts) {
      Perform(button, act);
    }
    const QImage image = Paint();
    EXPECT_EQ(SolidTextColour(image), c.colour) << c.name;
    EXPECT_EQ(PaintedBounds(image), normalBounds.translated(c.offset)) << c.name;
  }
}

TEST_F(ButtonCaption, AlignmentPlacesTheText) {
  const QRect rect(10, 10, 80, 50);
  button.SetTextAlign(0, 0);
  const QRect nearBounds = PaintedBounds(Paint());
  button.SetTextAlign(2, 2);
  const QRect farBounds = PaintedBounds(Paint());
  button.SetTextAlign(1, 1);
  const QRect centreBounds = PaintedBounds(Paint());

  EXPECT_LT(nearBounds.left() - rect.left(), 6);
  EXPECT_LT(nearBounds.top() - rect.top(), 12);
  EXPECT_LT(rect.right() - farBounds.right(), 6);
  EXPECT_LT(rect.bottom() - farBounds.bottom(), 12);
  EXPECT_NEAR(centreBounds.center().x(), rect.center().x(), 3);
  EXPECT_GT(farBounds.left(), centreBounds.left());
  EXPECT_GT(centreBounds.left(), nearBounds.left());
  EXPECT_GT(farBounds.top(), nearBounds.top());
}

TEST_F(ButtonCaption, TextIsClippedToTheRectangle) {
  button.SetWindowText(u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW WWWWWWWWWWWWWWWWWWWWWWWWWW");
  const QRect bounds = PaintedBounds(Paint());
  ASSERT_FALSE(bounds.isNull());
  EXPECT_TRUE(QRect(10, 10, 80, 50).contains(bounds))
      << bounds.x() << "," << bounds.y() << " " << bounds.width() << "x" << bounds.height();
}

TEST_F(ButtonCaption, EmptyTextOrNoFontDrawsNothing) {
  button.SetWindowText(u"");
  EXPECT_TRUE(PaintedBounds(Paint()).isNull());
  button.SetWindowText(u"HI");
  button.SetTextFont(u"Noto Sans", 0.0f, 0, 2);
  EXPECT_FALSE(button.Font().has_value());
  EXPECT_TRUE(PaintedBounds(Paint()).isNull());
}

TEST_F(ButtonCaption, ClickIsDeliveredWithTheControlId) {
  std::vector<int> ids;
  QObject::connect(&button, &CImageButton::clicked, [&](int id) { ids.push_back(id); });
  QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
  QTest::keyClick(&button, Qt::Key_Space);
  QTest::keyClick(&button, Qt::Key_Return);
  EXPECT_EQ(ids, (std::vector<int>{7, 7}));
}

}  // namespace
}  // namespace tbt::skin
