#pragma once

// The caption and label text of skinned controls: font, alignment, wrapping and
// clipping to the control's rectangle.

#include <QFont>
#include <QPainter>
#include <QRectF>
#include <QString>
#include <QTextOption>

#include <optional>

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

/// The font and alignment a skinned control draws its text with; Arial 12 px,
/// centred, until the control sets others.
class CSkinTextStyle {
 public:
  CSkinTextStyle();
  /// Replaces the font (see MakeSkinFont); a size that gives no font leaves none.
  void SetFont(QStringView family, float emSize, int style, int unit);
  /// Sets the horizontal and vertical alignment (0 near, 1 centre, 2 far).
  void SetAlign(int horizontal, int vertical) { m_alignment = SkinAlignment(horizontal, vertical); }
  /// Drops the font, so that no text is drawn until the next SetFont.
  void ReleaseFont() { m_font.reset(); }
  /// The current font, absent after ReleaseFont or an unusable size.
  const std::optional<QFont>& Font() const { return m_font; }
  /// The alignment as Qt flags.
  Qt::Alignment Alignment() const { return m_alignment; }
  /// Draws `text` in `rect` (see DrawSkinText); nothing without a font.
  void Draw(QPainter& painter, const QString& text, QRgb argb, const QRectF& rect) const;

 private:
  Qt::Alignment m_alignment = Qt::AlignHCenter | Qt::AlignVCenter;
  std::optional<QFont> m_font;
};

}  // namespace tbt::skin
