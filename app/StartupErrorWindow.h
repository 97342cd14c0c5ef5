#pragma once

// Why the tool refused to start, shown in a window as well as on stderr: a program
// started from a desktop has no terminal to read.

#include <QMessageBox>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tbt::app {

/// A critical message box titled with the tool's name that lists `errors` (UTF-8).
std::unique_ptr<QMessageBox> MakeStartupErrorWindow(const std::vector<std::string>& errors);

/// True when there is a window system to show a window on: $DISPLAY,
/// $WAYLAND_DISPLAY or a Qt platform chosen in $QT_QPA_PLATFORM.
bool WindowSystemAvailable(const std::function<const char*(const char*)>& getEnv);

}  // namespace tbt::app
