#include "cli/PlatformChoice.h"

#include <cstdlib>
#include <cstring>

#if TBT_HAVE_LINUX_BACKEND
#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LinuxReturnValues.h"
#endif

namespace tbt::cli {

PlatformChoice PlatformChoiceFromValue(const char* value, PlatformChoice fallback) {
  if (value == nullptr) {
    return fallback;
  }
  if (std::strcmp(value, "linux") == 0) {
    return PlatformChoice::kLinux;
  }
  if (std::strcmp(value, "emulated") == 0) {
    return PlatformChoice::kEmulated;
  }
  return PlatformChoice::kUnknown;
}

PlatformChoice PlatformChoiceFromEnvironment(PlatformChoice fallback) {
  return PlatformChoiceFromValue(std::getenv("TBT_PLATFORM"), fallback);
}

std::unique_ptr<platform::IPlatform> CreateLinuxPlatformForProgram(std::u16string moduleFileName) {
#if TBT_HAVE_LINUX_BACKEND
  platform::linux_backend::LinuxOptions options;
  options.moduleFileName = std::move(moduleFileName);
  return platform::linux_backend::CreateLinuxPlatform(std::move(options));
#else
  (void)moduleFileName;
  return nullptr;
#endif
}

std::string LinuxReturnValueDescription(uint32_t value) {
#if TBT_HAVE_LINUX_BACKEND
  return std::string(platform::linux_backend::TbtReturnValueDescription(value));
#else
  (void)value;
  return {};
#endif
}

}  // namespace tbt::cli
