#include "DialogFixture.h"

#include <QFile>

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
  WriteIni();
  options.moduleFileName = ProgramPath().toStdU16String();
  options.uiLanguage = 0x409;
}

void DialogTest::TearDown() {
  dialog.reset();
  machine.reset();
}

void DialogTest::WriteIni() {
  ASSERT_TRUE(QDir(folder_.path()).mkpath("data"));
  QFile ini(QDir(folder_.path()).filePath("data/Update.ini"));
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  QByteArray text;
  text += "[Language]\n0x409=English\n0x411=Japanese\n\n[English]\n";
  text += "IDS_UPDATE=Update\nIDS_EXIT=Exit\nIDS_SHUTDOWN=Shut down\n";
  text += "IDS_SHUTDOWN_LATER=Later\n";
  text += "IDS_PROMPT=" + Utf8(kPromptEn) + "\n";
  text += "IDS_CAUTION=" + Utf8(kCautionEn) + "\n";
  text += "IDS_SUCCESS=" + Utf8(kSuccessEn) + "\n";
  text += "IDS_ERROR=" + Utf8(kErrorEn) + "\n";
  text += "IDS_FIND_NO_SW=" + Utf8(kNoSoftwareEn) + "\n";
  text += "IDS_DOWNGRADE=" + Utf8(kDowngradeEn) + "\n";
  text += "IDS_FIND_NO_KXR=" + Utf8(kNoDeviceEn) + "\n";
  text += "\n[Japanese]\nIDS_UPDATE=" + Utf8(kUpdateJa) + "\n";
  ASSERT_EQ(ini.write(text), text.size());
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
  const StateLook look = LookOf(state);
  const std::string name(DialogStateName(state));
  auto visible = [](const skin::CSkinControl& control) { return control.m_bVisible == 1; };
  auto enabled = [](const skin::CSkinControl& control) { return control.m_bDisabled == 0; };
  EXPECT_EQ(dialog.State(), state);
  EXPECT_EQ(visible(dialog.btnUpdate), look.updateVisible) << name << ": Update shown";
  if (look.updateVisible) {
    EXPECT_EQ(enabled(dialog.btnUpdate), look.updateEnabled) << name << ": Update enabled";
  }
  EXPECT_EQ(visible(dialog.btnExit), look.exitVisible) << name << ": Exit shown";
  if (look.exitVisible) {
    EXPECT_EQ(enabled(dialog.btnExit), look.exitEnabled) << name << ": Exit enabled";
  }
  EXPECT_TRUE(visible(dialog.btnClose)) << name;
  EXPECT_EQ(enabled(dialog.btnClose), look.closeEnabled) << name << ": close enabled";
  EXPECT_EQ(visible(dialog.lblPicture), look.pictureVisible) << name << ": picture";
  EXPECT_EQ(visible(dialog.lblWarning), look.cautionVisible) << name << ": warning mark";
  EXPECT_EQ(visible(dialog.lblCaution), look.cautionVisible) << name << ": caution";
  EXPECT_EQ(visible(dialog.lblBusy), look.busyVisible) << name << ": busy";
  EXPECT_EQ(visible(dialog.btnShutdown), look.resultButtonsVisible) << name << ": shut down";
  EXPECT_EQ(visible(dialog.btnLater), look.resultButtonsVisible) << name << ": later";
  EXPECT_TRUE(visible(dialog.lblBullet)) << name;
  EXPECT_TRUE(visible(dialog.lblVersion)) << name;
}

}  // namespace tbt::ui::testing
