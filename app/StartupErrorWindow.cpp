#include "app/StartupErrorWindow.h"

#include <QString>

#include "ui/FwUpdateDlg.h"

namespace tbt::app {

std::unique_ptr<QMessageBox> MakeStartupErrorWindow(const std::vector<std::string>& errors) {
  QString text = QStringLiteral("The tool cannot start:");
  for (const std::string& error : errors) {
    text += QStringLiteral("\n\n") + QString::fromStdString(error);
  }
  const QString title =
      QString::fromUtf16(ui::kWindowTitle.data(), static_cast<qsizetype>(ui::kWindowTitle.size()));
  auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, title, text, QMessageBox::Ok);
  box->setDefaultButton(QMessageBox::Ok);
  return box;
}

bool WindowSystemAvailable(const std::function<const char*(const char*)>& getEnv) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = getEnv(name);
    if (value != nullptr && value[0] != '\0') {
      return true;
    }
  }
  return false;
}

}  // namespace tbt::app
