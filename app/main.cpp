#include <QApplication>
#include <cstdlib>

#include "app/FwUpdateApp.h"
#include "app/StartupErrorWindow.h"

int main(int argc, char** argv) {
  const tbt::app::LaunchOptions options = tbt::app::ReadProcessLaunchOptions();
  if (!options.errors.empty()) {
    // The errors are on stderr already; a desktop user sees them in a window too. No
    // window system is started where there is none to show it on.
    if (tbt::app::WindowSystemAvailable(
            [](const char* name) { return static_cast<const char*>(std::getenv(name)); })) {
      QApplication application(argc, argv);
      tbt::app::MakeStartupErrorWindow(options.errors)->exec();
    }
    return tbt::app::kExitRefused;
  }
  QApplication application(argc, argv);
  tbt::app::CFwUpdateApp app;
  return app.InitInstance(argc, argv, options);
}
