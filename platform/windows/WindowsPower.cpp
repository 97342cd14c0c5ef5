#include <windows.h>
// windows.h first: the power header needs its types.
#include <powrprof.h>

#include "platform/windows/WindowsDevices.h"

namespace tbt::platform::windows_backend {

int32_t WindowsPower::QueryBatteryState(BatteryState* state) {
  SYSTEM_BATTERY_STATE record{};
  const LONG status =
      ::CallNtPowerInformation(SystemBatteryState, nullptr, 0, &record, sizeof record);
  state->acOnLine = record.AcOnLine;
  state->batteryPresent = record.BatteryPresent;
  state->charging = record.Charging;
  state->discharging = record.Discharging;
  return status;
}

bool WindowsPower::EnableShutdownPrivilege() {
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (!::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
    return false;
  }
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ALL_ACCESS, &token)) {
    return false;
  }
  // AdjustTokenPrivileges succeeds even when the token lacks the privilege; only the
  // last error then tells that nothing was enabled.
  const bool enabled = ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
                       ::GetLastError() == ERROR_SUCCESS;
  ::CloseHandle(token);
  return enabled;
}

bool WindowsPower::RequestPowerOff() {
  return ::ExitWindowsEx(EWX_POWEROFF, 0) != FALSE;
}

}  // namespace tbt::platform::windows_backend
