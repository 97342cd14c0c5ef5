#pragma once

#include <string>

#include "platform/Platform.h"

namespace tbt::platform::linux_backend {

/// The program's path from /proc/self/exe and the UI language from the locale settings.
class LinuxSystemInfo final : public ISystemInfo {
 public:
  /// `moduleFileName` replaces /proc/self/exe when not empty (the command line runs the
  /// worker on a folder of its own).
  explicit LinuxSystemInfo(std::u16string moduleFileName = {})
      : moduleFileName_(std::move(moduleFileName)) {}
  std::u16string ModuleFileName() override;
  uint16_t UserDefaultUILanguage() override;

 private:
  std::u16string moduleFileName_;
};

}  // namespace tbt::platform::linux_backend
