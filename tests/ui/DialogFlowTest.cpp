#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QKeyEvent>
#include <QSignalSpy>

#include <atomic>
#include <functional>
#include <map>

#include "DialogFixture.h"
#include "dialog/DialogLayout.h"
#include "dialog/ResultMessage.h"
#include "dialog/WorkerRunner.h"
#include "platform/emulated/EmulatedTbtProvider.h"
#include "platform/emulated/NvmImageBuilder.h"

namespace tbt::ui::testing {
namespace {

using FlowTest = DialogTest;

TEST_F(FlowTest, StartsReadyWithItsTextsAndTheFocusOnUpdate) {
  CreateDialog();
  dialog->show();
  ExpectLook(*dialog, DialogState::Ready);
  ExpectTabWalk(*dialog);
  const std::pair<const skin::CSkinControl*, std::u16string> texts[] = {
      {&dialog->lblMessage, kPromptEn},     {&dialog->lblCaution, kCautionEn},
      {&dialog->btnUpdate, u"Update"},      {&dialog->btnExit, u"Exit"},
      {&dialog->btnShutdown, u"Shut down"}, {&dialog->btnLater, u"Later"},
      {&dialog->lblVersion, u"V1.0.0.9"}};
  for (const auto& [control, text] : texts) {
    EXPECT_EQ(TextOf(*control), text) << control->ControlId();
  }
  EXPECT_EQ(dialog->result, TBU_OK);
  EXPECT_EQ(dialog->windowTitle().toStdU16String(), kWindowTitle);
}

// Which result the worker reaches is the worker's tests' business; here each branch the
// dialog takes on a result, and the refusals it makes itself.
TEST_F(FlowTest, EachOutcomeOfUpdateShowsItsStateResultMessageAndTabOrder) {
  const std::u16string error = kErrorEn;
  struct Case {
    const char* what;
    emulated::PowerMode power;
    bool device;
    std::function<void()> afterCreate;
    DialogState state;
    UpdateResult result;
    std::u16string message;
    int starts;
  };
  using P = emulated::PowerMode;
  using S = DialogState;
  PutImage();
  const Case cases[] = {
      {"success", P::kMains, true, nullptr, S::Succeeded, TBU_OK, kSuccessEn, 1},
      // A refusal leaves the last result alone.
      {"battery", P::kBattery, true, nullptr, S::PowerRefused, 0x12345678, kPromptEn, 0},
      {"no board device", P::kMains, false, nullptr, S::NoPlatformDevice, TBU_E_NO_ACPI_DEVICE,
       kNoDeviceEn, 0},
      {"provider returns 5", P::kMains, true,
       [this] { machine->Provider().ForceReturnValue(u"UpdateFirmware", 5); }, S::Failed, 5,
       error + u" (0X00000005)", 1},
      {"worker cannot start", P::kMains, true, [this] { runner->failStart = true; }, S::Failed,
       TBU_E_NO_MEMORY, error + u" (0X10430007)", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    options.powerMode = c.power;
    options.acpiDevicePresent = c.device;
    CreateDialog();
    dialog->show();
    if (c.afterCreate) {
      c.afterCreate();
    }
    std::vector<DialogState> states;
    dialog->SetStateObserver([&](DialogState state) { states.push_back(state); });
    dialog->result = 0x12345678;
    dialog->OnButtonUpdate();
    ExpectLook(*dialog, c.state);
    EXPECT_EQ(dialog->result, c.result);
    EXPECT_EQ(TextOf(dialog->lblMessage), c.message);
    EXPECT_EQ(runner->starts, c.starts);
    if (c.starts > 0) {
      EXPECT_EQ(states, (std::vector<DialogState>{DialogState::Running, c.state}));
    }
    if (c.state == DialogState::Succeeded) {
      // The worker really wrote the image into the emulated controller.
      EXPECT_NE(machine->ControllerNvm(), emulated::DefaultControllerNvm());
    }
    ExpectTabWalk(*dialog);
  }
}

TEST_F(FlowTest, BusyFramesRunFrom141InOrderAndNeverReach149) {
  PutImage();
  CreateDialog();
  runner->timeouts = 10;
  std::vector<int> frames;
  dialog->SetBusyFrameObserver([&](int frame) {
    frames.push_back(frame);
    // The label really shows the frame it reports, at the compact layout's half size.
    const auto expected = skin::LoadResourceImage(static_cast<unsigned>(frame), u"IMG",
                                                  skin::DefaultResourceModule(), 0.5);
    EXPECT_TRUE(dialog->lblBusy.Image()->Picture() == expected->Picture()) << frame;
    ExpectLook(*dialog, DialogState::Running);
  });
  dialog->OnButtonUpdate();
  EXPECT_EQ(frames, (std::vector<int>{141, 142, 143, 144, 145, 146, 147, 148, 141, 142}));
  // Each frame comes after one 100 ms wait.
  EXPECT_EQ(runner->waits, std::vector<uint32_t>(11, 100));
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

TEST_F(FlowTest, TheRealThreadRunnerJoinsTheWorkerAndDestroyReleasesEverything) {
  PutImage();
  auto clock = std::make_unique<emulated::ManualClock>();
  CreateDialog(std::make_unique<ThreadWorkerRunner>(*clock));
  dialog->OnButtonUpdate();
  ExpectLook(*dialog, DialogState::Succeeded);
  ASSERT_GT(machine->DeviceIo().OpenHandleCount(), 0u);
  dialog->OnDestroy();
  EXPECT_EQ(machine->DeviceIo().OpenHandleCount(), 0u);
  EXPECT_EQ(dialog->Background(), nullptr);
  EXPECT_TRUE(dialog->SkinControls().empty());
  EXPECT_FALSE(dialog->btnUpdate.Font().has_value());
  dialog.reset();  // before the clock it waits with
}

TEST(ThreadWorkerRunner, TimesOutWhileTheWorkerRunsAndJoinsItAfterwardsOrOnDestruction) {
  emulated::ManualClock clock;
  std::atomic<bool> release{false};
  std::atomic<int> runs{0};
  {
    ThreadWorkerRunner runner(clock);
    ASSERT_TRUE(runner.Start([&] {
      while (!release.load()) {
      }
      ++runs;
    }));
    const uint64_t before = clock.NowMilliseconds();
    EXPECT_FALSE(runner.WaitFor(100));
    EXPECT_GE(clock.NowMilliseconds() - before, 100u);
    EXPECT_FALSE(runner.Start([] {})) << "only one worker at a time";
    release = true;
    while (!runner.WaitFor(100)) {
    }
    EXPECT_EQ(runs.load(), 1);
    EXPECT_TRUE(runner.WaitFor(100)) << "nothing left to wait for";
    // A new worker may start once joined; nobody waits for it but the destructor.
    EXPECT_TRUE(runner.Start([&] { ++runs; }));
  }
  EXPECT_EQ(runs.load(), 2);
}

TextLookup LookupFrom(std::map<std::u16string, std::u16string> texts) {
  return [texts = std::move(texts)](std::u16string_view key, std::size_t) {
    const auto found = texts.find(std::u16string(key));
    return found == texts.end() ? std::u16string() : found->second;
  };
}

const TextLookup kEnglish = LookupFrom({
    {u"IDS_SUCCESS", u"Done."},
    {u"IDS_FIND_NO_SW", u"No Thunderbolt software."},
    {u"IDS_DOWNGRADE", u"The image is older."},
    {u"IDS_ERROR", u"Update failed"},
});

TEST(ResultMessage, MapsEachResultToItsText) {
  struct Case {
    UpdateResult result;
    std::u16string expected;
  };
  const Case cases[] = {
      {TBU_OK, u"Done."},
      {TBU_E_WMI_FAILED, u"No Thunderbolt software."},
      {TBU_E_DOWNGRADE, u"The image is older."},
      {0x1043000A, u"Update failed (0X1043000A)"},
      {5, u"Update failed (0X00000005)"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ComposeResultMessage(c.result, kEnglish), c.expected) << std::hex << c.result;
  }
}

TEST(ResultMessage, MissingOrLongTextsStayInTheBufferWithTheCodeAndWholePairs) {
  const std::u16string smiley = u"\U0001F600";
  // 241 units, then a pair that would straddle the 242-unit limit for the error text.
  const std::u16string straddling = std::u16string(241, u'a') + smiley + u"bbbb";
  const struct {
    UpdateResult result;
    std::map<std::u16string, std::u16string> texts;
    std::u16string expected;
  } cases[] = {
      {0x10430006, {}, u" (0X10430006)"},
      {TBU_OK, {}, u""},
      {0x10430005,
       {{u"IDS_ERROR", std::u16string(255, u'x')}},
       std::u16string(242, u'x') + u" (0X10430005)"},
      {0x10430005, {{u"IDS_ERROR", straddling}}, std::u16string(241, u'a') + u" (0X10430005)"},
      {TBU_OK, {{u"IDS_SUCCESS", std::u16string(254, u's') + smiley}}, std::u16string(254, u's')},
  };
  for (const auto& c : cases) {
    const std::u16string message = ComposeResultMessage(c.result, LookupFrom(c.texts));
    EXPECT_EQ(message, c.expected) << std::hex << c.result << " " << std::dec << message.size();
    EXPECT_LT(message.size(), kMessageCapacity);
  }
  EXPECT_EQ(CutWithoutSplittingPair(u"ab" + smiley, 3), u"ab");
  EXPECT_EQ(CutWithoutSplittingPair(u"ab" + smiley, 4), u"ab" + smiley);
}

}  // namespace
}  // namespace tbt::ui::testing
