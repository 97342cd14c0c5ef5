#pragma once

// The program's two switches: "/downgradable" allows an older image, "/LID:<hex>" sets
// the language of the texts. Everything else on the command line is ignored.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tbt::strings {

/// Reads the arguments after the program path (argv[0]): "/downgradable" in any case sets
/// `*downgradeAllowed` to 1; "/LID:" followed by at least one character sets `*langId`
/// to the low 16 bits of Wcstol16 of the rest. A later switch overrides an earlier one;
/// other arguments and null pointers are skipped. Always returns true.
bool ReadCommandLine(int argc, const char16_t* const* argv, int32_t* downgradeAllowed,
                     uint16_t* langId);

/// Reads a base-16 number the way wcstol does: leading white space, an optional sign, an
/// optional "0x"/"0X", then hex digits up to the first other character; no digits give 0
/// and a value beyond 32 bits gives INT32_MAX or INT32_MIN.
int32_t Wcstol16(std::u16string_view text);

/// The arguments of main() as UTF-16 strings, with a pointer array for ReadCommandLine.
class WideArguments {
 public:
  /// Converts each of the `argc` UTF-8 arguments; a null argument becomes empty.
  WideArguments(int argc, const char* const* argv);
  WideArguments(const WideArguments&) = delete;
  WideArguments& operator=(const WideArguments&) = delete;

  /// The number of arguments.
  int Count() const { return static_cast<int>(strings_.size()); }
  /// The zero-terminated arguments and a closing null, valid while this object lives.
  const char16_t* const* Vector() const { return pointers_.data(); }

 private:
  std::vector<std::u16string> strings_;
  std::vector<const char16_t*> pointers_;
};

}  // namespace tbt::strings
