#pragma once

// The caption and label text of skinned controls: font, alignment, wrapping and
// clipping to the control's rectangle.

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QTextOption>

namespace tbt::skin {

/// Alignment values as the layout passes them.
inline constexpr int kAlignNear = 0;
inline constexpr int kAlignCenter = 1;
inline constexpr int kAlignFar = 2;

/// Qt flags for a horizontal and a vertical alignment (0 near, 1 centre, 2 far;
/// other values count as near).
Qt::Alignment SkinAlignment(int horizontal, int vertical);

/// Draws `text` in `rect`, wrapped at word boundaries (a word longer than the line
/// breaks anywhere) and clipped to `rect`, anti-aliased.
void DrawSkinText(QPainter& painter, const QString& text, const QFont& font,
                  Qt::Alignment alignment, QRgb argb, const QRectF& rect);

}  // namespace tbt::skin
