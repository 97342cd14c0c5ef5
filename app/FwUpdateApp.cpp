#include "app/FwUpdateApp.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/DemoRun.h"
#include "app/EmulatedMachine.h"
#include "app/LaunchOptions.h"
#include "app/QtDisplay.h"
#include "app/StartupErrorWindow.h"
#include "dialog/WorkerRunner.h"
#include "platform/SteadyClock.h"
#include "strings/CommandLine.h"
#include "ui/FwUpdateDlg.h"
#ifdef TBT_HAVE_LINUX_BACKEND
#include "platform/linux/LinuxPlatform.h"
#endif

namespace tbt::app {

namespace {

constexpr ui::ProgramVersion kProgramVersion{TBT_VERSION_MAJOR, TBT_VERSION_MINOR,
                                             TBT_VERSION_PATCH, TBT_VERSION_TWEAK};

void FollowDisplayChanges(ui::CFwUpdateDlg& dialog) {
  auto relayout = [&dialog] { dialog.OnDisplayChange(); };
  auto watch = [&dialog, relayout](QScreen* screen) {
    QObject::connect(screen, &QScreen::virtualGeometryChanged, &dialog, relayout);
    QObject::connect(screen, &QScreen::availableGeometryChanged, &dialog, relayout);
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, &dialog, relayout);
  };
  for (QScreen* screen : QGuiApplication::screens()) {
    watch(screen);
  }
  QObject::connect(qGuiApp, &QGuiApplication::screenAdded, &dialog, [watch, relayout](QScreen* s) {
    watch(s);
    relayout();
  });
  QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, &dialog, relayout);
}

}  // namespace

LaunchOptions ReadProcessLaunchOptions() {
  LaunchOptions options = ReadLaunchOptions(
      [](const char* name) { return static_cast<const char*>(std::getenv(name)); });
  for (const std::string& error : options.errors) {
    std::fprintf(stderr, "tbt-fwupdate: %s\n", error.c_str());
  }
  return options;
}

int CFwUpdateApp::InitInstance(int argc, const char* const* argv, const LaunchOptions& options) {
  if (!options.errors.empty()) {
    return kExitRefused;
  }

  EmulatedMachine machine;
  std::unique_ptr<platform::IPlatform> realPlatform;
  platform::IPlatform* platform = nullptr;
  if (options.backend == emulated::Backend::kEmulated) {
    std::fprintf(stderr,
                 "tbt-fwupdate: running on the EMULATED platform: no real hardware is read or "
                 "updated.\n");
    std::string error;
    machine = CreateEmulatedMachine(options, QCoreApplication::applicationFilePath().toStdString(),
                                    &error);
    if (!machine.platform) {
      std::fprintf(stderr, "tbt-fwupdate: %s\n", error.c_str());
      MakeStartupErrorWindow({error})->exec();
      return kExitRefused;
    }
    platform = machine.platform.get();
  } else {
#ifdef TBT_HAVE_LINUX_BACKEND
    realPlatform = platform::linux_backend::CreateLinuxPlatform();
    platform = realPlatform.get();
#endif
    if (platform == nullptr) {
      std::fprintf(stderr,
                   "tbt-fwupdate: this build has no Linux hardware backend; set "
                   "TBT_PLATFORM=emulated to try the tool without hardware.\n");
      MakeStartupErrorWindow({"this build has no Linux hardware backend; set "
                              "TBT_PLATFORM=emulated to try the tool without hardware."})
          ->exec();
      return kExitRefused;
    }
  }

  downgradeAllowed = 0;
  langId = platform->System().UserDefaultUILanguage();
  const strings::WideArguments arguments(argc, argv);
  strings::ReadCommandLine(arguments.Count(), arguments.Vector(), &downgradeAllowed, &langId);

  // The waiting loop's 100 ms slices are real time even when the worker's own waits
  // are shortened for the emulated machine.
  platform::SteadyClock windowClock;
  QtDisplay display;
  ui::CFwUpdateDlg dialog(*platform, display, kProgramVersion,
                          std::make_unique<ui::ThreadWorkerRunner>(windowClock));
  dialog.downgradeAllowed = downgradeAllowed;
  dialog.langId = langId;
  FollowDisplayChanges(dialog);

  std::unique_ptr<DemoRun> demo;
  if (options.backend == emulated::Backend::kEmulated &&
      (options.autoPress || !options.screenshotDir.empty())) {
    demo = std::make_unique<DemoRun>(dialog, options);
    demo->ScheduleStart();
  }
  dialog.exec();
  return demo ? demo->ExitCode() : 0;
}

}  // namespace tbt::app
