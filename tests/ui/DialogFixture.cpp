#include "DialogFixture.h"

#include <QFile>
#include <QTest>

#include <map>

#include "platform/Utf16.h"
#include "platform/emulated/NvmImageBuilder.h"

namespace tbt::ui::testing {

namespace {

QByteArray Utf8(const char16_t* text) {
  return QByteArray::fromStdString(ToUtf8(text));
}

}  // namespace

void DialogTest::SetUp() {
  ASSERT_TRUE(folder_.isValid());
  ASSERT_TRUE(QDir(folder_.path()).mkpath("data"));
  QFile ini(QDir(folder_.path()).filePath("data/Update.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  const QByteArray text =
      "[Language]\n0x409=English\n0x411=Japanese\n[English]\n"
      "IDS_UPDATE=Update\nIDS_EXIT=Exit\nIDS_SHUTDOWN=Shut down\n"
      "IDS_SHUTDOWN_LATER=Later\nIDS_PROMPT=" +
      Utf8(kPromptEn) + "\nIDS_CAUTION=" + Utf8(kCautionEn) + "\nIDS_SUCCESS=" + Utf8(kSuccessEn) +
      "\nIDS_ERROR=" + Utf8(kErrorEn) + "\nIDS_FIND_NO_KXR=" + Utf8(kNoDeviceEn) +
      "\n[Japanese]\nIDS_UPDATE=" + Utf8(kUpdateJa) + "\n";
  ASSERT_EQ(ini.write(text), text.size());
  options.moduleFileName = QDir(folder_.path()).filePath("tbt-fwupdate").toStdU16String();
  options.uiLanguage = 0x409;
  // The window's log of its runs goes here, never into the user's own state folder.
  qputenv("XDG_STATE_HOME", QDir(folder_.path()).filePath("state").toUtf8());
}

void DialogTest::TearDown() {
  dialog.reset();
  machine.reset();
}

void DialogTest::PutImage() {
  const std::vector<uint8_t> image = emulated::DemoImage();
  QFile file(QDir(folder_.path()).filePath("data/demo.bin"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(
      file.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size())),
      static_cast<qint64>(image.size()));
}

void DialogTest::CreateDialog(std::unique_ptr<IWorkerRunner> customRunner) {
  dialog.reset();  // it still uses the old machine
  machine = emulated::CreateEmulatedPlatform(options);
  if (!customRunner) {
    auto stepped = std::make_unique<SteppedRunner>();
    runner = stepped.get();
    customRunner = std::move(stepped);
  }
  dialog = std::make_unique<CFwUpdateDlg>(*machine, display, ProgramVersion{1, 0, 0, 9},
                                          std::move(customRunner));
  dialog->OnInitDialog();
}

std::u16string TextOf(const skin::CSkinControl& control) {
  return control.GetWindowText().toStdU16String();
}

void ExpectLook(const CFwUpdateDlg& dialog, DialogState state) {
  // Per state: Update, Exit, close, picture, caution, busy, shut-down and later;
  // V shown and enabled, v shown but disabled, . hidden.
  const std::map<DialogState, std::string> looks = {
      {DialogState::Ready, "V.VV..."},   {DialogState::PowerRefused, "V.VVV.."},
      {DialogState::Running, ".vv..V."}, {DialogState::Succeeded, "..V...V"},
      {DialogState::Failed, ".VV...."},  {DialogState::NoPlatformDevice, ".VV...."}};
  const std::vector<std::vector<const skin::CSkinControl*>> columns = {
      {&dialog.btnUpdate},
      {&dialog.btnExit},
      {&dialog.btnClose},
      {&dialog.lblPicture},
      {&dialog.lblWarning, &dialog.lblCaution},
      {&dialog.lblBusy},
      {&dialog.btnShutdown, &dialog.btnLater}};
  const std::string& look = looks.at(state);
  EXPECT_EQ(dialog.State(), state);
  for (size_t i = 0; i < columns.size(); ++i) {
    for (const skin::CSkinControl* control : columns[i]) {
      const char seen = control->m_bVisible == 0 ? '.' : control->m_bDisabled != 0 ? 'v' : 'V';
      // Only the buttons that the user could press are checked for enabling.
      const bool checkEnabled = i < 3;
      EXPECT_EQ(checkEnabled || seen == '.' ? seen : 'V', look[i])
          << DialogStateName(state) << ": control " << control->ControlId();
    }
  }
  EXPECT_EQ(dialog.lblBullet.m_bVisible + dialog.lblVersion.m_bVisible, 2);
}

void PressKey(CFwUpdateDlg& dialog, Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* target = dialog.focusWidget() != nullptr ? dialog.focusWidget() : &dialog;
  QTest::keyClick(target, key, modifiers);
}

void ExpectTabWalk(CFwUpdateDlg& dialog) {
  // Per state: from the primary button in reading order, then the close button.
  const std::map<DialogState, std::vector<int>> orders = {
      {DialogState::Ready, {kIdUpdate, kIdClose}},
      {DialogState::PowerRefused, {kIdUpdate, kIdClose}},
      {DialogState::Succeeded, {kIdShutdown, kIdLater, kIdClose}},
      {DialogState::Failed, {kIdExit, kIdClose}},
      {DialogState::NoPlatformDevice, {kIdExit, kIdClose}}};
  const std::vector<int>& order = orders.at(dialog.State());
  const auto focusedId = [&dialog] {
    const auto* focused = dynamic_cast<const skin::CSkinControl*>(dialog.focusWidget());
    return focused == nullptr ? 0 : focused->ControlId();
  };
  ASSERT_EQ(dialog.PrimaryButton()->ControlId(), order.front());
  const QRect closeArea = dialog.btnClose.geometry();
  const QImage closeUnfocused = dialog.ComposedImage().copy(closeArea);
  std::vector<int> visited;
  for (size_t i = 0; i < order.size(); ++i) {
    visited.push_back(focusedId());
    PressKey(dialog, Qt::Key_Tab);
  }
  visited.push_back(focusedId());
  std::vector<int> expected = order;
  expected.push_back(order.front());  // round again
  EXPECT_EQ(visited, expected);
  PressKey(dialog, Qt::Key_Tab, Qt::ShiftModifier);
  EXPECT_EQ(focusedId(), kIdClose);
  EXPECT_TRUE(dialog.btnClose.ShowsFocusRing());
  EXPECT_NE(dialog.ComposedImage().copy(closeArea), closeUnfocused);
  for (skin::CImageButton* other : {&dialog.btnUpdate, &dialog.btnExit, &dialog.btnLater}) {
    EXPECT_FALSE(other->ShowsFocusRing()) << other->ControlId();
  }
}

}  // namespace tbt::ui::testing
