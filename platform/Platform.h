#pragma once

// The platform layer: every operating-system service the engine and the window
// use, as narrow interfaces. Backends (emulated/, linux/) implement them; nothing
// outside platform/ names a backend except the code that chooses one at start-up.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tbt::wmi {
class NamespaceRegistry;
}

namespace tbt::platform {

/// An opaque handle: 0 is "none", kInvalidHandle is "the open failed".
using Handle = std::intptr_t;
inline constexpr Handle kNullHandle = 0;
inline constexpr Handle kInvalidHandle = -1;

/// True when the handle is neither 0 nor the invalid value.
constexpr bool IsOpen(Handle handle) {
  return handle != kNullHandle && handle != kInvalidHandle;
}

/// Path-addressed devices that take control requests (a driver's device node).
class IDeviceIo {
 public:
  virtual ~IDeviceIo() = default;
  /// Opens the device for reading and writing; kInvalidHandle when it is absent.
  virtual Handle OpenDevice(std::u16string_view path) = 0;
  /// Sends one synchronous control request. Returns false when the device refused it;
  /// on success *bytesReturned (never above outputSize) holds the answer's length.
  virtual bool DeviceIoControl(Handle device, uint32_t controlCode, const uint8_t* input,
                               uint32_t inputSize, uint8_t* output, uint32_t outputSize,
                               uint32_t* bytesReturned) = 0;
  /// Closes a handle from OpenDevice; false when it was not open.
  virtual bool CloseHandle(Handle device) = 0;
};

/// Error of Start when the service already runs.
inline constexpr uint32_t kErrorServiceAlreadyRunning = 1056;
/// Error of OpenByName when no such service is installed.
inline constexpr uint32_t kErrorServiceDoesNotExist = 1060;
/// Error when the caller lacks the right to do what it asked.
inline constexpr uint32_t kErrorAccessDenied = 5;

/// The service control manager.
class IServiceManager {
 public:
  virtual ~IServiceManager() = default;
  /// Opens the manager of the local machine; kNullHandle on failure.
  virtual Handle OpenManager() = 0;
  /// Opens a service by name; kNullHandle on failure (GetLastError says why).
  virtual Handle OpenByName(Handle manager, std::u16string_view name) = 0;
  /// Asks the service to start and returns at once; false on failure (GetLastError).
  virtual bool Start(Handle service) = 0;
  /// The error of the last failed call of this interface on the calling thread.
  virtual uint32_t GetLastError() = 0;
  /// Closes a manager or service handle.
  virtual bool CloseServiceHandle(Handle handle) = 0;
};

/// The part of the system's battery record that the tool reads.
struct BatteryState {
  uint8_t acOnLine = 0;
  uint8_t batteryPresent = 0;
  uint8_t charging = 0;
  uint8_t discharging = 0;
};

/// Status of a successful power query.
inline constexpr int32_t kStatusSuccess = 0;
/// Status of a power query that could not read the power supplies.
inline constexpr int32_t kStatusUnsuccessful = static_cast<int32_t>(0xC0000001);

/// Power state, the shut-down privilege and the power-off request.
class IPower {
 public:
  virtual ~IPower() = default;
  /// Fills *state; returns kStatusSuccess or a failure status (state is then unreliable).
  virtual int32_t QueryBatteryState(BatteryState* state) = 0;
  /// Enables the right to shut the machine down for this process; false when refused.
  virtual bool EnableShutdownPrivilege() = 0;
  /// Asks the system to power off (not restart, not forced); false when refused.
  virtual bool RequestPowerOff() = 0;
};

/// Time. Every wait of the tool goes through here so that tests never wait.
class IClock {
 public:
  virtual ~IClock() = default;
  /// Waits the given number of milliseconds.
  virtual void Sleep(uint32_t milliseconds) = 0;
  /// Monotonic milliseconds since an arbitrary start.
  virtual uint64_t NowMilliseconds() = 0;
};

/// Facts about the running program and its user.
class ISystemInfo {
 public:
  virtual ~ISystemInfo() = default;
  /// The program's own file path ('/'-separated on Linux).
  virtual std::u16string ModuleFileName() = 0;
  /// The user's interface language as a Windows language id (0x409 English US).
  virtual uint16_t UserDefaultUILanguage() = 0;
};

struct ScreenSize {
  int width = 0;
  int height = 0;
};

struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

/// The screen as the window's layout sees it. The window's front end supplies the
/// real one; tests supply their own.
class IDisplay {
 public:
  virtual ~IDisplay() = default;
  /// Size of the whole desktop in pixels.
  virtual ScreenSize DesktopSize() = 0;
  /// The primary display's work area (the desktop less panels and task bars), in
  /// device-independent pixels.
  virtual ScreenRect WorkArea() = 0;
  /// Vertical logical dots per inch of the screen (96 at 100 %).
  virtual int LogPixelsY() = 0;
  /// Device pixels per device-independent pixel (1.5 at 150 % scaling).
  virtual double DevicePixelRatio() { return 1.0; }
  /// False where the window system cannot show per-pixel transparency (an X desktop
  /// without a compositor).
  virtual bool HasPerPixelAlpha() { return true; }
};

/// A held update lock; destroying it lets the next update run.
class IHeldUpdateLock {
 public:
  virtual ~IHeldUpdateLock() = default;
};

/// The machine-wide lock that lets one firmware update run at a time, whichever
/// program (the window or `tbt-nvm update`) runs it.
class IUpdateLock {
 public:
  virtual ~IUpdateLock() = default;
  /// Takes the lock without waiting. Null when another update holds it, or when the
  /// lock cannot be taken at all (then no update could be known to run alone).
  virtual std::unique_ptr<IHeldUpdateLock> TryAcquire() = 0;
};

/// One backend: every service above plus the management namespaces.
class IPlatform {
 public:
  virtual ~IPlatform() = default;
  virtual IDeviceIo& Devices() = 0;
  virtual IServiceManager& Services() = 0;
  virtual IPower& Power() = 0;
  virtual IClock& Clock() = 0;
  virtual ISystemInfo& System() = 0;
  virtual wmi::NamespaceRegistry& Wmi() = 0;
  virtual IUpdateLock& UpdateLock() = 0;
  /// True for the emulated backend, which touches no real hardware.
  virtual bool IsEmulated() const = 0;
};

}  // namespace tbt::platform
