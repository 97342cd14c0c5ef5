#include "skin/SkinText.h"

namespace tbt::skin {

Qt::Alignment SkinAlignment(int horizontal, int vertical) {
  Qt::Alignment flags;
  switch (horizontal) {
    case kAlignCenter:
      flags |= Qt::AlignHCenter;
      break;
    case kAlignFar:
      flags |= Qt::AlignRight;
      break;
    default:
      flags |= Qt::AlignLeft;
      break;
  }
  switch (vertical) {
    case kAlignCenter:
      flags |= Qt::AlignVCenter;
      break;
    case kAlignFar:
      flags |= Qt::AlignBottom;
      break;
    default:
      flags |= Qt::AlignTop;
      break;
  }
  return flags;
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

}  // namespace tbt::skin
