#include <QApplication>

#include "app/FwUpdateApp.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  tbt::app::CFwUpdateApp app;
  return app.InitInstance(argc, argv);
}
