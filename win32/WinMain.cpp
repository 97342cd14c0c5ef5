// tbt-fwupdate.exe: GDI+ started for the whole run, the command line (/downgradable,
// /LID:<hex>) and the user's UI language, the platform (this machine, or the emulated
// one when TBT_PLATFORM=emulated), and the window's message loop until it closes.

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/EmulatedMachine.h"
#include "app/LaunchOptions.h"
#include "platform/SteadyClock.h"
#include "platform/Utf16.h"
#include "platform/windows/WindowsPlatform.h"
#include "strings/CommandLine.h"
#include "win32/DemoRun.h"
#include "win32/FwUpdateWindow.h"
#include "win32/GdiplusSession.h"

namespace {

constexpr int kExitRefused = 2;

// A window program has no console; messages go to the console it was started from, if
// any, so that a run under a script still says why it refused to start.
void Report(const std::string& text) {
  if (AttachConsole(ATTACH_PARENT_PROCESS) || GetStdHandle(STD_ERROR_HANDLE) != nullptr) {
    std::fprintf(stderr, "tbt-fwupdate: %s\n", text.c_str());
    std::fflush(stderr);
  }
}

std::string ProgramPath() {
  std::vector<wchar_t> path(1024, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  return tbt::ToUtf8(std::u16string(path.begin(), path.begin() + length));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, PWSTR /*commandLine*/,
                    int /*show*/) {
  // The DPI is the system's, not a virtualised 96.
  SetProcessDPIAware();
  const tbt::app::LaunchOptions options = tbt::app::ReadLaunchOptions(
      [](const char* name) { return static_cast<const char*>(std::getenv(name)); });
  for (const std::string& error : options.errors) {
    Report(error);
  }
  if (!options.errors.empty()) {
    return kExitRefused;
  }
  const tbt::win32::GdiplusSession gdiplus;

  tbt::app::EmulatedMachine machine;
  std::unique_ptr<tbt::platform::IPlatform> hardware;
  tbt::platform::IPlatform* platform = nullptr;
  if (options.backend == tbt::emulated::Backend::kEmulated) {
    Report("running on the EMULATED platform: no real hardware is read or updated.");
    std::string error;
    machine = tbt::app::CreateEmulatedMachine(options, ProgramPath(), &error);
    if (!machine.platform) {
      Report(error);
      return kExitRefused;
    }
    platform = machine.platform.get();
  } else {
    hardware = tbt::platform::windows_backend::CreateWindowsPlatform();
    platform = hardware.get();
  }

  int32_t downgradeAllowed = 0;
  uint16_t langId = GetUserDefaultUILanguage();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr) {
    std::vector<std::u16string> arguments;
    std::vector<const char16_t*> pointers;
    for (int i = 0; i < argc; ++i) {
      arguments.emplace_back(argv[i], argv[i] + std::wcslen(argv[i]));
    }
    for (const std::u16string& argument : arguments) {
      pointers.push_back(argument.c_str());
    }
    pointers.push_back(nullptr);
    tbt::strings::ReadCommandLine(argc, pointers.data(), &downgradeAllowed, &langId);
    LocalFree(argv);
  }

  // The waiting loop's 100 ms slices are real time even when the emulated worker's own
  // waits are shortened.
  tbt::platform::SteadyClock windowClock;
  tbt::win32::FwUpdateWindow window(*platform,
                                    tbt::ui::ProgramVersion{TBT_VERSION_MAJOR, TBT_VERSION_MINOR,
                                                            TBT_VERSION_PATCH, TBT_VERSION_TWEAK},
                                    std::make_unique<tbt::ui::ThreadWorkerRunner>(windowClock));
  window.downgradeAllowed = downgradeAllowed;
  window.langId = langId;
  if (!window.Create()) {
    Report("the window could not be created");
    return kExitRefused;
  }
  std::unique_ptr<tbt::win32::DemoRun> demo;
  if (options.backend == tbt::emulated::Backend::kEmulated &&
      (options.autoPress || !options.screenshotDir.empty())) {
    demo = std::make_unique<tbt::win32::DemoRun>(window, options.autoPress, options.screenshotDir);
  }
  ShowWindow(window.Surface().Handle(), SW_SHOW);
  window.Surface().Recompose();
  if (demo) {
    demo->Schedule();
  }

  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return demo ? demo->ExitCode() : 0;
}
