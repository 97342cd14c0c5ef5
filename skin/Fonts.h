#pragma once

// Fonts of skinned controls: Windows family names, em sizes and units turned into
// QFonts drawn on the 96-dpi images the dialog composes.

#include <QFont>
#include <QString>
#include <QStringView>

#include <optional>

namespace tbt::skin {

/// Font style bits as the layout passes them.
inline constexpr int kFontStyleRegular = 0;
inline constexpr int kFontStyleBold = 1;
inline constexpr int kFontStyleItalic = 2;
inline constexpr int kFontStyleUnderline = 4;
inline constexpr int kFontStyleStrikeout = 8;

/// Units of an em size as the layout passes them.
inline constexpr int kUnitWorld = 0;
inline constexpr int kUnitDisplay = 1;
inline constexpr int kUnitPixel = 2;
inline constexpr int kUnitPoint = 3;
inline constexpr int kUnitInch = 4;
inline constexpr int kUnitDocument = 5;
inline constexpr int kUnitMillimeter = 6;

/// Resolution of every composed image; point sizes are converted at this rate.
inline constexpr int kSkinDpi = 96;
/// Points, document units and millimetres in an inch, for converting em sizes.
inline constexpr double kPointsPerInch = 72.0;
inline constexpr double kDocumentUnitsPerInch = 300.0;
inline constexpr double kMillimetresPerInch = 25.4;

/// Registers, once per process, the installed families that stand in for the
/// Windows ones the layout names ("Segoe UI" -> "Noto Sans", ...).
void RegisterFontSubstitutions();

/// True when `family` is installed, or substituted by an installed family.
bool IsFontFamilyAvailable(const QString& family);

/// The generic sans-serif family of this system.
QString GenericSansSerifFamily();

/// An em size in `unit` converted to pixels at kSkinDpi; 0 for an unknown unit.
double EmSizeInPixels(float emSize, int unit);

/// The font for `family` at `emSize` in `unit` with the style bits; a family that
/// is not available becomes the generic sans-serif family. A family whose name says
/// "Semibold" gets the semi-bold weight. No font when the size is not a positive
/// number of pixels (text is then not drawn).
std::optional<QFont> MakeSkinFont(QStringView family, float emSize, int style, int unit);

}  // namespace tbt::skin
