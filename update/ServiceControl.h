#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/Platform.h"

namespace tbt {

/// Results of StartNamedService (plain integers, not update result codes).
inline constexpr uint32_t SERVICE_START_OK = 0;
inline constexpr uint32_t SERVICE_E_SCM = 201;
inline constexpr uint32_t SERVICE_E_START = 203;
inline constexpr uint32_t SERVICE_E_OPEN = 204;

/// The service that hosts the Thunderbolt provider.
inline constexpr char16_t kThunderboltServiceName[] = u"ThunderboltService";

/// Asks the service to start without waiting for it to run. Returns 0 when started
/// or already running, 201 when the manager cannot be opened, 204 when the service
/// cannot be opened, 203 when the start fails otherwise. Every handle is closed.
uint32_t StartNamedService(platform::IServiceManager& services, std::u16string_view name);

/// Enables the shut-down privilege, asks for a power-off, then calls closeWindow
/// whatever the outcome, so the program ends even when the machine stays on.
void ShutdownSystem(platform::IPower& power, const std::function<void()>& closeWindow);

}  // namespace tbt
