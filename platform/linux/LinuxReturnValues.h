#pragma once

// The ReturnValues of the Linux Thunderbolt provider. They lie outside the tool's own
// block 0x10430001..0x1043000C, so the engine passes them on unchanged and the window
// shows them as numbers; the command line prints their description.

#include <cstdint>
#include <optional>
#include <string>

namespace tbt::platform::linux_backend {

/// Success.
inline constexpr uint32_t kTbtOk = 0;
/// nvm_version cannot be read (the controller is in safe mode or absent).
inline constexpr uint32_t kTbtNvmVersionUnreadable = 0x20000001;
/// nvm_version does not read "major.minor" in hexadecimal.
inline constexpr uint32_t kTbtNvmVersionMalformed = 0x20000002;
/// No readable nvm_active<N>/nvmem under the router.
inline constexpr uint32_t kTbtActiveNvmMissing = 0x20000003;
/// ReadFirmware asked for bytes outside the active NVM.
inline constexpr uint32_t kTbtReadOutOfRange = 0x20000004;
/// Reading the active NVM failed.
inline constexpr uint32_t kTbtReadFailed = 0x20000005;
/// The router has no nvm_non_active<N>/nvmem or nvm_authenticate: no NVM upgrade.
inline constexpr uint32_t kTbtUpgradeUnsupported = 0x20000006;
/// The image is smaller than 32 KiB.
inline constexpr uint32_t kTbtImageTooSmall = 0x20000007;
/// The image is larger than the non-active NVM.
inline constexpr uint32_t kTbtImageTooLarge = 0x20000008;
/// The section pointer at offset 0 is not 4 KiB aligned or points outside the image.
inline constexpr uint32_t kTbtImageBadSectionPointer = 0x20000009;
/// The image length is not a multiple of 4.
inline constexpr uint32_t kTbtImageLengthUnaligned = 0x2000000A;
/// "BufferSize" and "Buffer" disagree, or "Buffer" is missing.
inline constexpr uint32_t kTbtBufferMismatch = 0x2000000B;
/// Writing needs root: run as root or authorise the helper.
inline constexpr uint32_t kTbtPermissionDenied = 0x2000000C;
/// The controller is busy (another write or authentication runs).
inline constexpr uint32_t kTbtControllerBusy = 0x2000000D;
/// The kernel refused the image (EINVAL on write or authentication).
inline constexpr uint32_t kTbtKernelRefusedImage = 0x2000000E;
/// Writing the non-active NVM or nvm_authenticate failed for another reason.
inline constexpr uint32_t kTbtWriteFailed = 0x2000000F;
/// The controller came back with a status too large for kTbtControllerRefusedImage.
inline constexpr uint32_t kTbtAuthenticationFailed = 0x20000010;
/// The controller did not come back within the wait after authentication.
inline constexpr uint32_t kTbtRouterDidNotReturn = 0x20000011;
/// A path to be written leaves the sysfs root (a symbolic link or "..").
inline constexpr uint32_t kTbtUnsafePath = 0x20000012;
/// The administrator authorisation for the helper was refused or dismissed.
inline constexpr uint32_t kTbtAuthorizationRefused = 0x20000013;
/// The privileged helper could not be started or gave no result.
inline constexpr uint32_t kTbtHelperFailed = 0x20000014;
/// The controller restarted and reads status 0x0, but nvm_version is not the image's.
inline constexpr uint32_t kTbtVersionNotTaken = 0x20000015;
/// The controller never left the bus within the wait after authentication started.
inline constexpr uint32_t kTbtRouterDidNotRestart = 0x20000016;
/// The helper's lock is held: another update is writing through the helper.
inline constexpr uint32_t kTbtHelperBusy = 0x20000017;
/// The helper got an image whose length or SHA-256 differs from the announced ones.
inline constexpr uint32_t kTbtImageNotReceived = 0x20000018;
/// The last value of the own block above.
inline constexpr uint32_t kTbtLastReturnValue = kTbtImageNotReceived;

/// The controller came back refusing the image: this base ORed with the kernel's
/// non-zero nvm_authenticate status (statuses up to 0xFFFFFF; larger ones become
/// kTbtAuthenticationFailed).
inline constexpr uint32_t kTbtControllerRefusedImage = 0x21000000;
/// The ReturnValue for a non-zero authentication status.
uint32_t RefusedImageReturnValue(uint32_t status);
/// The kernel's authentication status a ReturnValue carries; nullopt for others.
std::optional<uint32_t> AuthenticationStatusOf(uint32_t value);

/// One English sentence for a ReturnValue above; empty for any other value.
std::string TbtReturnValueDescription(uint32_t value);

}  // namespace tbt::platform::linux_backend
