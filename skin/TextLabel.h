#pragma once

// A static element of the skinned dialog: an optional picture with the control's
// text on top, in its own font, colour and alignment.

#include <QFont>
#include <QRgb>

#include <memory>
#include <optional>

#include "skin/ResourceImage.h"
#include "skin/SkinControl.h"
#include "skin/SkinText.h"

namespace tbt::skin {

/// A text label. It takes no pointer input (a press on it drags the dialog, as on
/// the bare skin); enabling does not change its look.
class CTextLabel : public CSkinControl {
  Q_OBJECT

 public:
  /// Creates a visible label of `parent` with `controlId`.
  CTextLabel(QWidget* parent, int controlId);
  ~CTextLabel() override;

  /// Replaces the picture drawn under the text, stretched to the label's rectangle.
  /// Returns the new image (null only when it could not be allocated). Does not repaint.
  CResourceImage* SetImage(unsigned nID, const char16_t* type, const CResourceModule* module,
                           double dScale, double devicePixelRatio = 1.0);
  /// Replaces the text font (see MakeSkinFont). Does not repaint.
  void SetTextFont(QStringView family, float emSize, int style, int unit) {
    m_textStyle.SetFont(family, emSize, style, unit);
  }
  /// Sets the text's horizontal and vertical alignment (0 near, 1 centre, 2 far).
  void SetTextAlign(int horizontal, int vertical) { m_textStyle.SetAlign(horizontal, vertical); }
  /// Sets the text colour.
  void SetTextColor(QRgb argb);
  /// Frees the font and the picture; neither is drawn afterwards.
  void ReleaseResources();

  void PaintSkin(QPainter& painter) override;

  /// The picture, or null.
  const CResourceImage* Image() const { return m_pImage.get(); }
  /// The current text font; absent after ReleaseResources.
  const std::optional<QFont>& Font() const { return m_textStyle.Font(); }
  /// The text alignment as Qt flags.
  Qt::Alignment TextAlignment() const { return m_textStyle.Alignment(); }

 private:
  std::unique_ptr<CResourceImage> m_pImage;
  CSkinTextStyle m_textStyle;
  QRgb m_textColor = 0xFF000000;
};

}  // namespace tbt::skin
