#include "skin/Fonts.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QStringList>

#include <cmath>
#include <mutex>

namespace tbt::skin {

namespace {

// Larger sizes are surely a mistake and would only burden the font engine.
constexpr double kMaxFontPixels = 4096.0;

bool IsInstalled(const QString& family) {
  return QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

}  // namespace

void RegisterFontSubstitutions() {
  static std::once_flag once;
  std::call_once(once, [] {
    const QString notoSans = QStringLiteral("Noto Sans");
    QFont::insertSubstitutions(QStringLiteral("Segoe UI"), {notoSans});
    QFont::insertSubstitutions(QStringLiteral("Segoe WP"), {notoSans});
    QFont::insertSubstitutions(QStringLiteral("Segoe WP N Semibold"), {notoSans});
    QFont::insertSubstitutions(QStringLiteral("MS P Gothic"), {QStringLiteral("Noto Sans CJK JP")});
    QFont::insertSubstitutions(QString::fromUtf16(u"\u5FAE\u8EDF\u6B63\u9ED1\u9AD4"),
                               {QStringLiteral("Noto Sans CJK TC")});
  });
}

bool IsFontFamilyAvailable(const QString& family) {
  if (family.isEmpty()) {
    return false;
  }
  if (IsInstalled(family)) {
    return true;
  }
  for (const QString& substitute : QFont::substitutes(family)) {
    if (IsInstalled(substitute)) {
      return true;
    }
  }
  return false;
}

QString GenericSansSerifFamily() {
  QFont probe(QStringLiteral("sans-serif"));
  probe.setStyleHint(QFont::SansSerif);
  return QFontInfo(probe).family();
}

double EmSizeInPixels(float emSize, int unit) {
  const double size = emSize;
  switch (unit) {
    case kUnitWorld:
    case kUnitDisplay:
    case kUnitPixel:
      return size;
    case kUnitPoint:
      return size * kSkinDpi / kPointsPerInch;
    case kUnitInch:
      return size * kSkinDpi;
    case kUnitDocument:
      return size * kSkinDpi / kDocumentUnitsPerInch;
    case kUnitMillimeter:
      return size * kSkinDpi / kMillimetresPerInch;
    default:
      return 0.0;
  }
}

std::optional<QFont> MakeSkinFont(QStringView family, float emSize, int style, int unit) {
  RegisterFontSubstitutions();
  const double pixels = EmSizeInPixels(emSize, unit);
  if (!std::isfinite(pixels) || pixels <= 0.0 || pixels > kMaxFontPixels) {
    return std::nullopt;
  }
  const QString name = family.toString();
  QFont font(IsFontFamilyAvailable(name) ? name : GenericSansSerifFamily());
  if (pixels == std::floor(pixels)) {
    font.setPixelSize(static_cast<int>(pixels));
  } else {
    // A fractional pixel size (26.67 px) is kept as a point size at the composed
    // images' kSkinDpi; the font engine then renders it at the nearest whole pixel.
    font.setPointSizeF(pixels * kPointsPerInch / kSkinDpi);
  }

  if ((style & kFontStyleBold) != 0) {
    font.setWeight(QFont::Bold);
  } else if (name.contains(QStringLiteral("Semibold"), Qt::CaseInsensitive)) {
    font.setWeight(QFont::DemiBold);
  }
  font.setItalic((style & kFontStyleItalic) != 0);
  font.setUnderline((style & kFontStyleUnderline) != 0);
  font.setStrikeOut((style & kFontStyleStrikeout) != 0);
  // Anti-aliased text without grid fitting, as the skin's captions are drawn.
  font.setStyleStrategy(QFont::PreferAntialias);
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

}  // namespace tbt::skin
