#include "app/DemoRun.h"

#include <QCoreApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTimer>
#include <cstdio>

#include "dialog/DialogLayout.h"
#include "dialog/ResultMessage.h"
#include "platform/Utf16.h"

namespace tbt::app {

DemoRun::DemoRun(ui::CFwUpdateDlg& dialog, const LaunchOptions& options)
    : dialog_(dialog),
      screenshotDir_(options.screenshotDir),
      autoPress_(options.autoPress),
      pressWithEnter_(options.pressWithEnter) {}

void DemoRun::ScheduleStart() {
  QTimer::singleShot(0, this, [this] { Run(); });
}

void DemoRun::Save(const char* name) {
  if (screenshotDir_.empty()) {
    return;
  }
  const QString path = QDir(QString::fromStdString(screenshotDir_)).filePath(name);
  if (dialog_.ComposedImage().save(path, "PNG")) {
    std::printf("demo: saved %s (%s)\n", path.toLocal8Bit().constData(),
                ui::DialogStateName(dialog_.State()).data());
  } else {
    std::fprintf(stderr, "demo: could not save %s\n", path.toLocal8Bit().constData());
  }
  std::fflush(stdout);
}

void DemoRun::Run() {
  if (!screenshotDir_.empty()) {
    QDir().mkpath(QString::fromStdString(screenshotDir_));
  }
  Save("ready.png");
  if (autoPress_) {
    dialog_.SetBusyFrameObserver([this](int) {
      if (++framesSeen_ == ui::kDemoRunningPictureFrame) {
        Save("running.png");
      }
    });
    if (pressWithEnter_) {
      // Enter goes where a key press goes: to the focused control, which passes it
      // on to the dialog. It starts the update only if Update has the focus.
      QWidget* target = dialog_.focusWidget() != nullptr ? dialog_.focusWidget() : &dialog_;
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
      QCoreApplication::sendEvent(target, &enter);
    } else {
      // The click takes the same road as a real one: the button's signal.
      emit dialog_.btnUpdate.clicked(ui::kIdUpdate);
    }
    dialog_.SetBusyFrameObserver({});
    Save("finished.png");

    const std::u16string shown = dialog_.lblMessage.GetWindowText().toStdU16String();
    const std::u16string success = dialog_.LocalizedText(u"IDS_SUCCESS", ui::kMessageCapacity);
    const bool succeeded = !success.empty() && shown == success;
    std::printf(
        "demo: finished in state %s with result 0x%08X; the window %s the IDS_SUCCESS text\n",
        ui::DialogStateName(dialog_.State()).data(), static_cast<unsigned>(dialog_.result),
        succeeded ? "shows" : "does NOT show");
    std::printf("demo: message: %s\n", ToUtf8(shown).c_str());
    std::fflush(stdout);
    exitCode_ = succeeded ? 0 : kDemoNotSucceeded;
  }
  if (!screenshotDir_.empty() || autoPress_) {
    dialog_.done(QDialog::Accepted);
  }
}

}  // namespace tbt::app
