#include "win32/DemoRun.h"

#include <cstdio>

#include "dialog/DialogLayout.h"
#include "dialog/ResultMessage.h"
#include "platform/Utf16.h"
#include "win32/PngFile.h"

namespace tbt::win32 {

namespace {

constexpr UINT kStartDemo = WM_APP + 1;

}  // namespace

DemoRun::DemoRun(FwUpdateWindow& window, bool autoPress, std::string screenshotDir)
    : window_(window), autoPress_(autoPress), screenshotDir_(std::move(screenshotDir)) {}

void DemoRun::Schedule() {
  window_.Surface().onAppMessage = [this](UINT message) {
    if (message == kStartDemo) {
      Run();
    }
  };
  PostMessageW(window_.Surface().Handle(), kStartDemo, 0, 0);
}

void DemoRun::Save(const char* name) {
  if (screenshotDir_.empty()) {
    return;
  }
  const std::string path = screenshotDir_ + "\\" + name + ".png";
  const std::u16string widePath = ToUtf16(path);
  LayeredWindow& surface = window_.Surface();
  const bool saved = SavePremultipliedPng(surface.Pixels(), surface.Width(), surface.Height(),
                                          std::wstring(widePath.begin(), widePath.end()));
  std::printf("demo: %s %s (%s)\n", saved ? "saved" : "could not save", path.c_str(),
              std::string(ui::DialogStateName(window_.State())).c_str());
  std::fflush(stdout);
}

void DemoRun::Run() {
  Save("ready");
  if (autoPress_) {
    window_.onBusyFrame = [this](int /*frame*/) {
      if (++framesSeen_ == ui::kDemoRunningPictureFrame) {
        Save("running");
      }
    };
    window_.OnButtonUpdate();
    Save("finished");
    const bool succeeded =
        window_.State() == ui::DialogState::Succeeded &&
        window_.Message() == window_.LocalizedText(u"IDS_SUCCESS", ui::kMessageCapacity);
    std::printf(
        "demo: finished in state %s with result 0x%08X; the window %s the IDS_SUCCESS "
        "text\ndemo: message: %s\n",
        std::string(ui::DialogStateName(window_.State())).c_str(),
        static_cast<unsigned>(window_.result), succeeded ? "shows" : "does NOT show",
        ToUtf8(window_.Message()).c_str());
    std::fflush(stdout);
    exitCode_ = succeeded ? 0 : kDemoNotSucceeded;
  }
  PostMessageW(window_.Surface().Handle(), WM_CLOSE, 0, 0);
}

}  // namespace tbt::win32
