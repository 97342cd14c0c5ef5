#pragma once

#include "platform/Platform.h"

namespace tbt::platform::linux_backend {

/// The program's path from /proc/self/exe and the UI language from the locale settings.
class LinuxSystemInfo final : public ISystemInfo {
 public:
  std::u16string ModuleFileName() override;
  uint16_t UserDefaultUILanguage() override;
};

}  // namespace tbt::platform::linux_backend
