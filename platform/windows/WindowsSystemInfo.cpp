#include <windows.h>

#include <vector>

#include "platform/windows/WindowsDevices.h"

namespace tbt::platform::windows_backend {

namespace {

// The longest path Windows gives a program, in UTF-16 units.
constexpr DWORD kLongestPath = 32768;

}  // namespace

std::u16string WindowsSystemInfo::ModuleFileName() {
  if (!moduleFileName_.empty()) {
    return moduleFileName_;
  }
  std::vector<wchar_t> path(kLongestPath);
  const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), kLongestPath);
  // A path that filled the buffer was cut, and a cut path names another folder.
  if (length == 0 || length >= kLongestPath) {
    return {};
  }
  return std::u16string(path.begin(), path.begin() + length);
}

uint16_t WindowsSystemInfo::UserDefaultUILanguage() {
  return ::GetUserDefaultUILanguage();
}

}  // namespace tbt::platform::windows_backend
