#pragma once

// Fonts of the Win32 window. The layout names Windows families ("Segoe WP", "MS P
// Gothic", ...); where one is missing, or lacks a glyph of the text (a Chinese message
// in a Latin font), the next family of a fallback chain that has them all is used, so
// that text is never drawn as boxes.

#include <windows.h>

#include <gdiplus.h>

#include <memory>
#include <string>
#include <vector>

namespace tbt::win32 {

/// The families tried after the one asked for, Windows' own first, then those a Wine
/// or Linux machine has.
const std::vector<std::wstring>& FallbackFamilies();

/// The first of `family` and the fallback chain that is installed and has a glyph for
/// every character of `text`; when none has them all, the first installed one; empty
/// when no family of the chain is installed.
std::wstring ResolveFontFamily(const std::wstring& family, const std::wstring& text);

/// A font of the resolved family at `emSize` pixels with GDI+ style bits `style`; null
/// when no font can be made (the text is then not drawn).
std::unique_ptr<Gdiplus::Font> MakeSkinFont(const std::wstring& family, const std::wstring& text,
                                            float emSize, int style);

}  // namespace tbt::win32
