#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Platform.h"

namespace tbt::emulated {

/// The program's path and the user's UI language, as a test or the demo gives them.
class EmulatedSystemInfo final : public platform::ISystemInfo {
 public:
  EmulatedSystemInfo(std::u16string moduleFileName, uint16_t uiLanguage);

  std::u16string ModuleFileName() override;
  uint16_t UserDefaultUILanguage() override;

  /// Sets the path ModuleFileName reports ('/'-separated).
  void SetModuleFileName(std::u16string path);

 private:
  mutable std::mutex mutex_;
  std::u16string moduleFileName_;
  uint16_t uiLanguage_;
};

}  // namespace tbt::emulated
