#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <map>
#include <optional>
#include <tuple>

#include "DialogFixture.h"
#include "platform/Utf16.h"
#include "strings/BuiltInTexts.h"
#include "ui/DialogLayout.h"
#include "ui/UpdateLog.h"

namespace tbt::ui::testing {
namespace {

using InUseTest = DialogTest;
using P = emulated::PowerMode;

int FocusedId(CFwUpdateDlg& dialog) {
  const auto* focused = dynamic_cast<const skin::CSkinControl*>(dialog.focusWidget());
  return focused == nullptr ? 0 : focused->ControlId();
}

void PressKey(CFwUpdateDlg& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  QWidget* target = dialog.focusWidget() != nullptr ? dialog.focusWidget() : &dialog;
  QTest::keyClick(target, key, modifiers);
}

void ClickWithMouse(QWidget& widget) {
  const QPointF centre = QRectF(widget.rect()).center();
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, centre, widget.mapToGlobal(centre), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
  }
}

TEST_F(InUseTest, PrimaryButtonHasTheFocusAndTabWalksTheShownButtonsThenClose) {
  struct Case {
    bool image;
    P power;
    bool device;
    int presses;
    DialogState state;
    std::vector<int> tabOrder;  // starting at the primary button
  };
  const Case cases[] = {
      {true, P::kMains, true, 0, DialogState::Ready, {kIdUpdate, kIdClose}},
      {true, P::kBattery, true, 1, DialogState::PowerRefused, {kIdUpdate, kIdClose}},
      {true, P::kMains, true, 1, DialogState::Succeeded, {kIdShutdown, kIdLater, kIdClose}},
      {false, P::kMains, true, 1, DialogState::Failed, {kIdExit, kIdClose}},
      {true, P::kMains, false, 1, DialogState::NoPlatformDevice, {kIdExit, kIdClose}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(DialogStateName(c.state));
    QFile::remove(QDir(folder_.path()).filePath("data/demo.bin"));
    if (c.image) {
      PutImage();
    }
    options.powerMode = c.power;
    options.acpiDevicePresent = c.device;
    CreateDialog();
    dialog->show();
    for (int i = 0; i < c.presses; ++i) {
      dialog->OnButtonUpdate();
    }
    ASSERT_EQ(dialog->State(), c.state);
    ASSERT_EQ(dialog->PrimaryButton()->ControlId(), c.tabOrder.front());
    const QRect closeArea = dialog->btnClose.geometry();
    const QImage closeUnfocused = dialog->ComposedImage().copy(closeArea);
    std::vector<int> visited;
    for (size_t i = 0; i < c.tabOrder.size(); ++i) {
      visited.push_back(FocusedId(*dialog));
      PressKey(*dialog, Qt::Key_Tab);
    }
    visited.push_back(FocusedId(*dialog));
    std::vector<int> expected = c.tabOrder;
    expected.push_back(c.tabOrder.front());  // round again
    EXPECT_EQ(visited, expected);
    PressKey(*dialog, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(FocusedId(*dialog), kIdClose);
    // The focused close button wears the ring; nothing else does.
    EXPECT_TRUE(dialog->btnClose.ShowsFocusRing());
    EXPECT_NE(dialog->ComposedImage().copy(closeArea), closeUnfocused);
    for (skin::CImageButton* other : {&dialog->btnUpdate, &dialog->btnExit, &dialog->btnLater}) {
      EXPECT_FALSE(other->ShowsFocusRing()) << other->ControlId();
    }
  }
}

TEST_F(InUseTest, EnterAndSpacePressTheFocusedButtonAndEscapeEndsTheDialog) {
  struct Case {
    const char* keys;  // R Return, K keypad Enter, S Space, T Tab, E Escape, C Ctrl+Return
    bool image;
    DialogState state;
    size_t powerOffs;
    std::optional<int> finishedWith;
  };
  const std::map<char, std::pair<Qt::Key, Qt::KeyboardModifiers>> kKeys = {
      {'R', {Qt::Key_Return, {}}}, {'K', {Qt::Key_Enter, Qt::KeypadModifier}},
      {'S', {Qt::Key_Space, {}}},  {'T', {Qt::Key_Tab, {}}},
      {'E', {Qt::Key_Escape, {}}}, {'C', {Qt::Key_Return, Qt::ControlModifier}}};
  const Case cases[] = {
      {"RK", true, DialogState::Succeeded, 1, 0},                // Update, then Shut Down Now
      {"STS", true, DialogState::Succeeded, 0, 0},               // Update, then Later
      {"RR", false, DialogState::Failed, 0, QDialog::Accepted},  // Update, then Exit
      {"E", true, DialogState::Ready, 0, QDialog::Accepted},
      {"C", true, DialogState::Ready, 0, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    QFile::remove(QDir(folder_.path()).filePath("data/demo.bin"));
    if (c.image) {
      PutImage();
    }
    CreateDialog();
    dialog->show();
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    ::testing::internal::CaptureStderr();
    for (const char* key = c.keys; *key != '\0'; ++key) {
      const auto& [code, modifiers] = kKeys.at(*key);
      PressKey(*dialog, code, modifiers);
    }
    QCoreApplication::processEvents();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(dialog->State(), c.state);
    EXPECT_EQ(machine->PowerSource().PowerOffRequests(), c.powerOffs);
    // On the emulated platform Shut Down Now says what a real machine would do.
    EXPECT_EQ(errors.find("would now power off") != std::string::npos, c.powerOffs > 0);
    ASSERT_EQ(finished.count(), c.finishedWith ? 1 : 0);
    if (c.finishedWith) {
      EXPECT_EQ(finished.at(0).at(0).toInt(), *c.finishedWith);
    }
  }
}

TEST_F(InUseTest, AButtonThatJustAppearedIgnoresPressesForTheDoubleClickInterval) {
  options.acpiDevicePresent = false;
  CreateDialog();
  dialog->show();
  QSignalSpy finished(dialog.get(), &QDialog::finished);
  ClickWithMouse(dialog->btnUpdate);  // Exit appears where Update was
  ASSERT_EQ(dialog->State(), DialogState::NoPlatformDevice);
  const auto interval = static_cast<uint64_t>(QApplication::doubleClickInterval());
  ASSERT_GT(interval, 1u);
  ClickWithMouse(dialog->btnExit);  // the second click of a double click
  machine->VirtualClock().Advance(interval - 1);
  ClickWithMouse(dialog->btnExit);
  EXPECT_EQ(dialog->btnExit.State() & skin::CImageButton::STATE_PRESSED, 0);
  EXPECT_EQ(finished.count(), 0);
  machine->VirtualClock().Advance(1);
  ClickWithMouse(dialog->btnExit);
  EXPECT_EQ(finished.count(), 1);
}

TEST_F(InUseTest, TextsTheFileDoesNotGiveAreTheBuiltInEnglishOnes) {
  const QString ini = QDir(folder_.path()).filePath("data/Update.ini");
  // No file (the reader's tests cover unreadable ones), missing and empty keys.
  for (const char* content : {"-", "[Language]\n0x409=E\n[E]\nIDS_UPDATE=Go\nIDS_EXIT=\n"}) {
    SCOPED_TRACE(content);
    QFile::remove(ini);
    if (content[0] != '-') {
      QFile file(ini);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(content);
    }
    options.acpiDevicePresent = false;
    CreateDialog();
    EXPECT_EQ(TextOf(dialog->btnUpdate),
              content[0] == '[' ? u"Go" : strings::BuiltInText(u"IDS_UPDATE"));
    dialog->OnButtonUpdate();
    // An empty key, a result message and the emulated marker.
    for (const auto& [control, key] :
         {std::pair<const skin::CSkinControl*, std::u16string_view>{&dialog->btnExit, u"IDS_EXIT"},
          {&dialog->lblMessage, u"IDS_FIND_NO_KXR"},
          {dialog->EmulatedMarker(), u"IDS_EMULATED"}}) {
      EXPECT_EQ(TextOf(*control), strings::BuiltInText(key)) << control->ControlId();
    }
  }
}

TEST_F(InUseTest, EachUpdateAppendsAnEntryToTheLogInTheStateFolder) {
  CreateDialog();
  dialog->OnButtonUpdate();  // no image yet
  PutImage();
  CreateDialog();
  dialog->OnButtonUpdate();
  QFile log(LogPath());
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(log.readAll());
  EXPECT_EQ(text.count("] update on the EMULATED platform"), 2);
  for (const QString line : {"image found and read: FAILED", "result: 0x10430005 TBU_E_NO_IMAGE (",
                             "image written: done", "result: 0x00000000 TBU_OK"}) {
    EXPECT_TRUE(text.contains(line)) << line.toStdString();
  }
  EXPECT_TRUE(text.contains(QString::fromUtf16(kSuccessEn)));

  // A relative XDG_STATE_HOME is ignored; without HOME either there is no log.
  for (const auto& [stateHome, home, expected] :
       {std::tuple<const char*, const char*, const char*>{"/s", "/h", "/s/tbt-fwupdate"},
        {"relative", "/h", "/h/.local/state/tbt-fwupdate"},
        {nullptr, nullptr, ""}}) {
    const auto path = UpdateLogPath(
        [&](const char* name) { return std::string_view(name) == "HOME" ? home : stateHome; });
    EXPECT_EQ(path.parent_path(), std::filesystem::path(expected)) << path;
  }
}

TEST_F(InUseTest, AWindowDestroyedFromOutsideEndsTheProgramButNeverCutsAnUpdateOff) {
  for (const bool whileRunning : {false, true}) {
    SCOPED_TRACE(whileRunning);
    PutImage();
    CreateDialog();
    dialog->show();
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    ::testing::internal::CaptureStderr();
    if (whileRunning) {
      runner->timeouts = 3;
      dialog->SetBusyFrameObserver([this](int frame) {
        if (frame == kImageFirstBusyFrame) {
          dialog->windowHandle()->destroy();
        }
      });
      dialog->OnButtonUpdate();
    } else {
      dialog->windowHandle()->destroy();
    }
    QCoreApplication::processEvents();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_EQ(dialog->State(), whileRunning ? DialogState::Succeeded : DialogState::Ready);
    EXPECT_EQ(errors.find(ToUtf8(kSuccessEn)) != std::string::npos, whileRunning) << errors;
    if (whileRunning) {
      EXPECT_EQ(machine->DeviceIo().OpenHandleCount(), 0u);
    }
  }
}

}  // namespace
}  // namespace tbt::ui::testing
