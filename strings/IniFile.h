#pragma once

// A reader of INI files that answers one lookup at a time with the rules of the
// Windows profile-string function, so that data/Update.ini behaves the same here as
// it would there.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tbt::strings {

/// Files above this size are not read; a lookup in one gives the default.
inline constexpr size_t kMaxIniFileBytes = 1024 * 1024;

/// Decodes the bytes of an INI file to UTF-16: UTF-16 LE or BE when the bytes begin with
/// that byte-order mark (an odd last byte is dropped), otherwise UTF-8 with or without
/// its mark; invalid sequences become U+FFFD.
std::u16string DecodeIniText(std::span<const uint8_t> bytes);

/// Finds `key` in the first section named `section` (names compared without regard to
/// ASCII case, both trimmed of blanks; other letters compare exactly) and returns its
/// value trimmed of blanks and of one pair of matching surrounding quotes; nullopt when
/// the section or key is missing. Lines starting with ';' and lines without '=' hold no
/// entry; a line starting with '[' but without ']' is an ordinary line.
std::optional<std::u16string_view> FindIniValue(std::u16string_view text,
                                                std::u16string_view section,
                                                std::u16string_view key);

/// The key names of the first section named `section`, in file order, duplicates kept;
/// empty when there is no such section.
std::vector<std::u16string_view> IniKeyNames(std::u16string_view text, std::u16string_view section);

/// Copies at most capacity - 1 units of `text` and a terminating zero into `buffer` and
/// returns the count copied; a surrogate pair that would be split is left out whole.
/// Writes nothing when `buffer` is null or `capacity` is 0.
size_t CopyTruncated(std::u16string_view text, char16_t* buffer, size_t capacity);

/// Reads `key` of `section` from the INI file at `path` (UTF-8 path text on this
/// system) into `buffer` as GetPrivateProfileStringW does: a missing file, section or
/// key gives `defaultValue` less its trailing blanks; the text is cut to capacity - 1
/// units. Returns the number of units copied, without the terminating zero.
size_t GetPrivateProfileString(std::u16string_view section, std::u16string_view key,
                               std::u16string_view defaultValue, char16_t* buffer, size_t capacity,
                               std::u16string_view path);

}  // namespace tbt::strings
