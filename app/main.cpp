#include <QApplication>

#include "app/FwUpdateApp.h"

int main(int argc, char** argv) {
  const tbt::ui::LaunchOptions options = tbt::app::ReadProcessLaunchOptions();
  if (!options.errors.empty()) {
    return tbt::app::kExitRefused;
  }
  QApplication application(argc, argv);
  tbt::app::CFwUpdateApp app;
  return app.InitInstance(argc, argv, options);
}
