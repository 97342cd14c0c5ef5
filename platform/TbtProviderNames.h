#pragma once

// Names under which the Thunderbolt controller's management provider publishes
// itself. Every provider (emulated or real) registers under these names and the
// client addresses them; they are compared without regard to ASCII case.

#include <string_view>

namespace tbt {

/// The management namespace of the Thunderbolt provider.
inline constexpr std::u16string_view kTbtNamespace = u"ROOT\\Intel\\Thunderbolt";
/// The class whose instances are the controllers.
inline constexpr std::u16string_view kTbtClass = u"SdkTbtController";
/// The key property that names one controller instance.
inline constexpr std::u16string_view kTbtKey = u"ControllerId";

}  // namespace tbt
