#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QWindow>

#include <map>
#include <optional>
#include <tuple>

#include "DialogFixture.h"
#include "dialog/DialogLayout.h"
#include "platform/Utf16.h"
#include "strings/BuiltInTexts.h"
#include "ui/UpdateLog.h"

namespace tbt::ui::testing {
namespace {

using InUseTest = DialogTest;
using P = emulated::PowerMode;

void ClickWithMouse(QWidget& widget) {
  const QPointF centre = QRectF(widget.rect()).center();
  for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, centre, widget.mapToGlobal(centre), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
  }
}

// Focus and Tab order per state are checked with each outcome, by the flow test.
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

// The reader's tests take a missing or unreadable file; here missing and empty keys.
TEST_F(InUseTest, TextsTheFileDoesNotGiveAreTheBuiltInEnglishOnes) {
  const QString ini = QDir(folder_.path()).filePath("data/Update.ini");
  // No file at all (the reader's tests take unreadable ones), missing and empty keys.
  for (const char* content : {"", "[Language]\n0x409=E\n[E]\nIDS_UPDATE=Go\nIDS_EXIT=\n"}) {
    SCOPED_TRACE(content);
    QFile::remove(ini);
    QFile file(ini);
    ASSERT_TRUE(*content == '\0' || (file.open(QIODevice::WriteOnly) && file.write(content) > 0));
    file.close();
    options.acpiDevicePresent = false;
    CreateDialog();
    EXPECT_EQ(TextOf(dialog->btnUpdate),
              *content == '\0' ? strings::BuiltInText(u"IDS_UPDATE") : u"Go");
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
