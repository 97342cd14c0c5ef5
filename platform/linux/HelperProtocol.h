#pragma once

// What the privileged helper (tbt-nvm-helper) and the tool say to each other. The tool
// starts one helper per update, so one update asks for authorisation once:
//
//   tbt-nvm-helper [--sysfs-root DIR]
//
// and sends requests on its standard input, one line each:
//
//   flash ROUTER LENGTH SHA256   then exactly LENGTH image bytes and the line "end"
//   force-power 0|1
//   auth-status ROUTER
//
// Every answer ends with "result 0x<8 hex digits>"; a successful auth-status is preceded
// by "status 0x<8 hex digits>". The end of the input ends the helper and frees its lock.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/BoundedFile.h"

namespace tbt::platform::linux_backend {

/// The largest image the helper takes: the same cap as any image file the tool reads.
inline constexpr size_t kHelperMaxImageSize = kMaxImageFileBytes;
/// The longest request line the helper takes.
inline constexpr size_t kHelperMaxLine = 256;
/// pkexec's exit status when the user dismissed the authentication dialog.
inline constexpr int kPkexecDismissed = 126;
/// pkexec's exit status when authorisation was refused or the helper could not start.
inline constexpr int kPkexecNotAuthorized = 127;
/// The helper's exit status for a command line or request it does not take.
inline constexpr int kHelperUsageError = 2;
/// The helper's own lock: held from its first write to its exit, so two updates never
/// write, authenticate or switch power at the same time.
inline constexpr const char* kHelperLockPath = "/run/lock/tbt-nvm-helper.lock";

/// The result line for a ReturnValue.
std::string HelperResultLine(uint32_t returnValue);
/// Parses a result line at the start of `text` or after a line end; false when none.
bool ParseHelperResultLine(std::string_view text, uint32_t* returnValue);
/// The status line of auth-status.
std::string HelperStatusLine(uint32_t status);
/// Parses a status line; false when the text holds none.
bool ParseHelperStatusLine(std::string_view text, uint32_t* status);

/// The first line of a flash request for `image`.
std::string FlashRequestLine(std::string_view router, std::span<const uint8_t> image);

}  // namespace tbt::platform::linux_backend
