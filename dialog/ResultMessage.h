#pragma once

// Turning an update result code into the text of the message label.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "update/ResultCodes.h"

namespace tbt::ui {

/// Capacity, terminating zero included, of the buffers that hold result messages.
inline constexpr std::size_t kMessageCapacity = 256;

/// Looks a text up by key with the given capacity; an absent text is empty.
using TextLookup = std::function<std::u16string(std::u16string_view key, std::size_t capacity)>;

/// The first `maxUnits` UTF-16 units of `text`, one fewer when the cut would split a
/// surrogate pair.
std::u16string_view CutWithoutSplittingPair(std::u16string_view text, std::size_t maxUnits);

/// The message for a finished run: IDS_SUCCESS for 0, IDS_FIND_NO_SW for
/// TBU_E_WMI_FAILED, IDS_DOWNGRADE for TBU_E_DOWNGRADE, else the IDS_ERROR text
/// followed by " (0X%08X)". The result always fits kMessageCapacity - 1 units: a long
/// error text is shortened, never the bracketed code.
std::u16string ComposeResultMessage(UpdateResult result, const TextLookup& lookup);

}  // namespace tbt::ui
