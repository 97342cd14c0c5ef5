#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QSignalSpy>

#include "DialogFixture.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"
#include "ui/DialogLayout.h"

namespace tbt::ui::testing {
namespace {

using FlowTest = DialogTest;

TEST_F(FlowTest, StartsReadyWithThePrompt) {
  CreateDialog();
  ExpectLook(*dialog, DialogState::Ready);
  EXPECT_EQ(TextOf(dialog->lblMessage), kPromptEn);
  EXPECT_EQ(TextOf(dialog->lblCaution), kCautionEn);
  EXPECT_EQ(TextOf(dialog->btnUpdate), u"Update");
  EXPECT_EQ(TextOf(dialog->btnExit), u"Exit");
  EXPECT_EQ(TextOf(dialog->btnShutdown), u"Shut down");
  EXPECT_EQ(TextOf(dialog->btnLater), u"Later");
  EXPECT_EQ(TextOf(dialog->lblVersion), u"V1.0.0.9");
  EXPECT_EQ(dialog->result, TBU_OK);
  EXPECT_EQ(dialog->windowTitle().toStdU16String(), kWindowTitle);
}

TEST_F(FlowTest, SucceedsAndOffersShutDownAndLater) {
  PutImage();
  CreateDialog();
  std::vector<DialogState> states;
  dialog->SetStateObserver([&](DialogState state) { states.push_back(state); });
  dialog->OnButtonUpdate();
  ExpectLook(*dialog, DialogState::Succeeded);
  EXPECT_EQ(dialog->result, TBU_OK);
  EXPECT_EQ(TextOf(dialog->lblMessage), kSuccessEn);
  EXPECT_EQ(states, (std::vector<DialogState>{DialogState::Running, DialogState::Succeeded}));
  // The worker really wrote the image into the emulated controller.
  EXPECT_NE(machine->ControllerNvm(), emulated::DefaultControllerNvm());
}

TEST_F(FlowTest, RefusesOnBatteryThenProceedsOncePluggedIn) {
  PutImage();
  options.powerMode = emulated::PowerMode::kBattery;
  CreateDialog();
  dialog->result = 0x12345678;  // a refusal leaves the last result alone
  dialog->OnButtonUpdate();
  ExpectLook(*dialog, DialogState::PowerRefused);
  EXPECT_EQ(TextOf(dialog->lblMessage), kPromptEn);
  EXPECT_EQ(dialog->result, 0x12345678u);
  EXPECT_EQ(runner->starts, 0);

  dialog->OnButtonUpdate();  // still on battery: refused again, nothing else changes
  ExpectLook(*dialog, DialogState::PowerRefused);

  machine->PowerSource().SetMode(emulated::PowerMode::kMains);
  dialog->OnButtonUpdate();
  ExpectLook(*dialog, DialogState::Succeeded);
  EXPECT_EQ(runner->starts, 1);
}

TEST_F(FlowTest, AFailingPowerQueryDoesNotBlockTheUpdate) {
  PutImage();
  options.powerMode = emulated::PowerMode::kQueryFails;
  CreateDialog();
  dialog->OnButtonUpdate();
  ExpectLook(*dialog, DialogState::Succeeded);
}

TEST_F(FlowTest, MissingBoardDeviceStopsBeforeTheWorker) {
  PutImage();
  options.acpiDevicePresent = false;
  CreateDialog();
  dialog->OnButtonUpdate();
  ExpectLook(*dialog, DialogState::NoPlatformDevice);
  EXPECT_EQ(TextOf(dialog->lblMessage), kNoDeviceEn);
  EXPECT_EQ(dialog->result, TBU_E_NO_ACPI_DEVICE);
  EXPECT_EQ(runner->starts, 0);
}

TEST_F(FlowTest, ShowsEachResultsMessage) {
  struct Case {
    UpdateResult result;
    std::u16string expected;
  };
  const Case cases[] = {
      {TBU_OK, kSuccessEn},
      {TBU_E_WMI_FAILED, kNoSoftwareEn},
      {TBU_E_DOWNGRADE, kDowngradeEn},
      {0x10430005, std::u16string(kErrorEn) + u" (0X10430005)"},
      {0x1043000A, std::u16string(kErrorEn) + u" (0X1043000A)"},
  };
  for (const Case& c : cases) {
    CreateDialog();
    runner->replacement = [this, result = c.result] { dialog->result = result; };
    dialog->OnButtonUpdate();
    EXPECT_EQ(TextOf(dialog->lblMessage), c.expected) << std::hex << c.result;
    ExpectLook(*dialog, c.result == TBU_OK ? DialogState::Succeeded : DialogState::Failed);
  }
}

TEST_F(FlowTest, PassesAProviderReturnValueOnInHexadecimal) {
  PutImage();
  CreateDialog();
  machine->Provider().ForceReturnValue(u"UpdateFirmware", 5);
  dialog->OnButtonUpdate();
  EXPECT_EQ(dialog->result, 5u);
  EXPECT_EQ(TextOf(dialog->lblMessage), std::u16string(kErrorEn) + u" (0X00000005)");
  ExpectLook(*dialog, DialogState::Failed);
}

TEST_F(FlowTest, WithoutAnImageTheRealWorkerFailsWithNoImage) {
  CreateDialog();
  dialog->OnButtonUpdate();
  EXPECT_EQ(dialog->result, TBU_E_NO_IMAGE);
  EXPECT_EQ(TextOf(dialog->lblMessage), std::u16string(kErrorEn) + u" (0X10430005)");
}

TEST_F(FlowTest, AWorkerThatCannotStartIsReportedNotShownAsSuccess) {
  PutImage();
  CreateDialog();
  runner->failStart = true;
  dialog->OnButtonUpdate();
  EXPECT_EQ(dialog->result, TBU_E_NO_MEMORY);
  EXPECT_EQ(TextOf(dialog->lblMessage), std::u16string(kErrorEn) + u" (0X10430007)");
  ExpectLook(*dialog, DialogState::Failed);
}

TEST_F(FlowTest, BusyFramesRunFrom141InOrderAndNeverReach149) {
  PutImage();
  CreateDialog();
  runner->timeouts = 10;
  std::vector<int> frames;
  std::vector<int> busyWidths;
  dialog->SetBusyFrameObserver([&](int frame) {
    frames.push_back(frame);
    const skin::CResourceImage* shown = dialog->lblBusy.Image();
    ASSERT_NE(shown, nullptr);
    busyWidths.push_back(shown->GetWidth());
    // The label really holds that frame's picture, not a neighbour's.
    const auto expected = skin::LoadResourceImage(static_cast<unsigned>(frame), u"IMG",
                                                  skin::DefaultResourceModule(), 0.5);
    EXPECT_TRUE(shown->Picture() == expected->Picture()) << "frame " << frame;
    ExpectLook(*dialog, DialogState::Running);
  });
  dialog->OnButtonUpdate();
  EXPECT_EQ(frames, (std::vector<int>{141, 142, 143, 144, 145, 146, 147, 148, 141, 142}));
  // Each frame comes after one 100 ms wait; the compact layout shows them at half size.
  EXPECT_EQ(runner->waits, std::vector<uint32_t>(11, 100));
  EXPECT_EQ(busyWidths, std::vector<int>(10, 66));
  EXPECT_EQ(dialog->busyFrame, 143);
  ExpectLook(*dialog, DialogState::Succeeded);
}

TEST_F(FlowTest, NoRouteClosesTheWindowWhileTheWorkerRuns) {
  PutImage();
  CreateDialog();
  runner->timeouts = 3;
  QSignalSpy finished(dialog.get(), &QDialog::finished);
  int attempts = 0;
  dialog->SetBusyFrameObserver([&](int) {
    if (attempts++ > 0) {
      return;
    }
    EXPECT_TRUE(dialog->IsRunning());
    dialog->reject();
    dialog->accept();
    dialog->done(QDialog::Rejected);
    EXPECT_FALSE(dialog->close());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(dialog.get(), &escape);
    emit dialog->btnClose.clicked(kIdClose);
    emit dialog->btnExit.clicked(kIdExit);
  });
  dialog->OnButtonUpdate();
  EXPECT_EQ(finished.count(), 0);
  ExpectLook(*dialog, DialogState::Succeeded);

  emit dialog->btnClose.clicked(kIdClose);  // afterwards the close button ends it
  ASSERT_EQ(finished.count(), 1);
  EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Rejected);
}

TEST_F(FlowTest, ExitEndsAFailedDialogWithOk) {
  options.acpiDevicePresent = false;
  CreateDialog();
  QSignalSpy finished(dialog.get(), &QDialog::finished);
  dialog->OnButtonUpdate();
  emit dialog->btnExit.clicked(kIdExit);
  ASSERT_EQ(finished.count(), 1);
  EXPECT_EQ(finished.at(0).at(0).toInt(), QDialog::Accepted);
}

TEST_F(FlowTest, ShutDownRequestsPowerOffAndClosesLaterOnlyCloses) {
  struct Case {
    int button;
    size_t powerOffs;
  };
  for (const Case c : {Case{kIdShutdown, 1}, Case{kIdLater, 0}}) {
    PutImage();
    CreateDialog();
    dialog->show();
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    dialog->OnButtonUpdate();
    ASSERT_EQ(dialog->State(), DialogState::Succeeded);
    emit(c.button == kIdShutdown ? dialog->btnShutdown : dialog->btnLater).clicked(c.button);
    // The close is posted, as a close message would be.
    EXPECT_EQ(finished.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1) << c.button;
    EXPECT_EQ(machine->PowerSource().PowerOffRequests(), c.powerOffs) << c.button;
  }
}

TEST_F(FlowTest, TheRealThreadRunnerJoinsTheWorkerAndReportsItsResult) {
  PutImage();
  options.clockOverride = nullptr;
  auto clock = std::make_unique<emulated::ManualClock>();
  CreateDialog(std::make_unique<ThreadWorkerRunner>(*clock));
  std::vector<int> frames;
  dialog->SetBusyFrameObserver([&](int frame) { frames.push_back(frame); });
  dialog->OnButtonUpdate();
  ExpectLook(*dialog, DialogState::Succeeded);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i], 141 + static_cast<int>(i % 8));
  }
  dialog.reset();
}

TEST_F(FlowTest, DestroyReleasesImagesFontsSkinAndTheBoardDevice) {
  PutImage();
  CreateDialog();
  dialog->OnButtonUpdate();
  ASSERT_GT(machine->DeviceIo().OpenHandleCount(), 0u);
  dialog->OnDestroy();
  EXPECT_EQ(machine->DeviceIo().OpenHandleCount(), 0u);
  EXPECT_EQ(dialog->Background(), nullptr);
  EXPECT_TRUE(dialog->SkinControls().empty());
  EXPECT_EQ(dialog->lblBusy.Image(), nullptr);
  EXPECT_FALSE(dialog->lblMessage.Font().has_value());
  EXPECT_FALSE(dialog->btnUpdate.Font().has_value());
}

}  // namespace
}  // namespace tbt::ui::testing
