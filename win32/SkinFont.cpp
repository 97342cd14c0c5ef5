#include "win32/SkinFont.h"

#include <map>

namespace tbt::win32 {

namespace {

// Whether GDI knows `family` by that exact name.
bool IsInstalled(const std::wstring& family) {
  Gdiplus::FontFamily probe(family.c_str());
  return probe.GetLastStatus() == Gdiplus::Ok && probe.IsAvailable();
}

// Whether `family` has a glyph for every character of `text` (surrogate pairs count as
// covered: GDI's glyph query takes single units only).
bool CoversText(const std::wstring& family, const std::wstring& text) {
  if (text.empty()) {
    return true;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) {
    return false;
  }
  HFONT font =
      CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, family.c_str());
  bool covered = false;
  if (font != nullptr) {
    HGDIOBJ previous = SelectObject(dc, font);
    std::vector<WORD> glyphs(text.size());
    if (GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) != GDI_ERROR) {
      covered = true;
      for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t unit = text[i];
        const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
        const bool control = unit < 0x20;
        if (glyphs[i] == 0xFFFF && !surrogate && !control) {
          covered = false;
          break;
        }
      }
    }
    SelectObject(dc, previous);
    DeleteObject(font);
  }
  DeleteDC(dc);
  return covered;
}

}  // namespace

const std::vector<std::wstring>& FallbackFamilies() {
  static const std::vector<std::wstring> families = {L"Segoe UI",
                                                     L"Tahoma",
                                                     L"Microsoft JhengHei",
                                                     L"Microsoft YaHei",
                                                     L"MS PGothic",
                                                     L"Noto Sans",
                                                     L"DejaVu Sans",
                                                     L"Liberation Sans",
                                                     L"Noto Sans CJK TC",
                                                     L"Noto Sans CJK SC",
                                                     L"Noto Sans CJK JP",
                                                     L"Droid Sans Fallback",
                                                     L"WenQuanYi Micro Hei",
                                                     L"Arial"};
  return families;
}

std::wstring ResolveFontFamily(const std::wstring& family, const std::wstring& text) {
  // Looking families up costs GDI calls; the window asks for the same few texts again
  // on every composition.
  static std::map<std::pair<std::wstring, std::wstring>, std::wstring> resolved;
  const auto key = std::make_pair(family, text);
  if (const auto found = resolved.find(key); found != resolved.end()) {
    return found->second;
  }
  std::wstring firstInstalled;
  std::wstring chosen;
  std::vector<std::wstring> chain{family};
  chain.insert(chain.end(), FallbackFamilies().begin(), FallbackFamilies().end());
  for (const std::wstring& candidate : chain) {
    if (candidate.empty() || !IsInstalled(candidate)) {
      continue;
    }
    if (firstInstalled.empty()) {
      firstInstalled = candidate;
    }
    if (CoversText(candidate, text)) {
      chosen = candidate;
      break;
    }
  }
  if (chosen.empty()) {
    chosen = firstInstalled;
  }
  resolved.emplace(key, chosen);
  return chosen;
}

std::unique_ptr<Gdiplus::Font> MakeSkinFont(const std::wstring& family, const std::wstring& text,
                                            float emSize, int style) {
  if (!(emSize > 0.0f)) {
    return nullptr;
  }
  const std::wstring resolved = ResolveFontFamily(family, text);
  std::unique_ptr<Gdiplus::Font> font;
  if (!resolved.empty()) {
    font = std::make_unique<Gdiplus::Font>(resolved.c_str(), emSize, style, Gdiplus::UnitPixel);
  }
  if (!font || font->GetLastStatus() != Gdiplus::Ok) {
    // The generic sans-serif family, as a font of a missing family would get.
    font = std::make_unique<Gdiplus::Font>(Gdiplus::FontFamily::GenericSansSerif(), emSize, style,
                                           Gdiplus::UnitPixel);
  }
  if (font->GetLastStatus() != Gdiplus::Ok) {
    return nullptr;
  }
  return font;
}

}  // namespace tbt::win32
