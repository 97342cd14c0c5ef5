#include "platform/emulated/EmulatedSystemInfo.h"

#include <utility>

namespace tbt::emulated {

EmulatedSystemInfo::EmulatedSystemInfo(std::u16string moduleFileName, uint16_t uiLanguage)
    : moduleFileName_(std::move(moduleFileName)), uiLanguage_(uiLanguage) {}

std::u16string EmulatedSystemInfo::ModuleFileName() {
  std::lock_guard lock(mutex_);
  return moduleFileName_;
}

uint16_t EmulatedSystemInfo::UserDefaultUILanguage() {
  std::lock_guard lock(mutex_);
  return uiLanguage_;
}

void EmulatedSystemInfo::SetModuleFileName(std::u16string path) {
  std::lock_guard lock(mutex_);
  moduleFileName_ = std::move(path);
}

}  // namespace tbt::emulated
