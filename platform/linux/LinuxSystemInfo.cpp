#include "platform/linux/LinuxSystemInfo.h"

#include <filesystem>
#include <system_error>

#include "platform/LanguageIds.h"
#include "platform/Utf16.h"

namespace tbt::platform::linux_backend {

std::u16string LinuxSystemInfo::ModuleFileName() {
  if (!moduleFileName_.empty()) {
    return moduleFileName_;
  }
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) {
    return {};
  }
  return ToUtf16(self.string());
}

uint16_t LinuxSystemInfo::UserDefaultUILanguage() {
  return UserUiLanguageFromEnvironment();
}

}  // namespace tbt::platform::linux_backend
