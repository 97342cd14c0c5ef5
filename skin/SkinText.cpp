#include "skin/SkinText.h"

#include "skin/Fonts.h"

namespace tbt::skin {

namespace {

// The flag of one axis: near, centre or far; anything else counts as near.
Qt::Alignment AxisFlag(int value, Qt::Alignment nearFlag, Qt::Alignment centreFlag,
                       Qt::Alignment farFlag) {
  return value == kAlignCenter ? centreFlag : value == kAlignFar ? farFlag : nearFlag;
}

}  // namespace

Qt::Alignment SkinAlignment(int horizontal, int vertical) {
  return AxisFlag(horizontal, Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight) |
         AxisFlag(vertical, Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom);
}

void DrawSkinText(QPainter& painter, const QString& text, const QFont& font,
                  Qt::Alignment alignment, QRgb argb, const QRectF& rect) {
  if (text.isEmpty() || rect.isEmpty()) {
    return;
  }
  painter.save();
  painter.setClipRect(rect, Qt::IntersectClip);
  painter.setRenderHint(QPainter::TextAntialiasing);
  painter.setFont(font);
  painter.setPen(QColor::fromRgba(argb));
  QTextOption option(alignment);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  painter.drawText(rect, text, option);
  painter.restore();
}

CSkinTextStyle::CSkinTextStyle()
    : m_font(MakeSkinFont(u"Arial", 12.0f, kFontStyleRegular, kUnitPixel)) {}

void CSkinTextStyle::SetFont(QStringView family, float emSize, int style, int unit) {
  m_font = MakeSkinFont(family, emSize, style, unit);
}

void CSkinTextStyle::Draw(QPainter& painter, const QString& text, QRgb argb,
                          const QRectF& rect) const {
  if (m_font) {
    DrawSkinText(painter, text, *m_font, m_alignment, argb, rect);
  }
}

}  // namespace tbt::skin
