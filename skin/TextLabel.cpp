#include "skin/TextLabel.h"

#include "skin/Fonts.h"
#include "skin/SkinText.h"

namespace tbt::skin {

CTextLabel::CTextLabel(QWidget* parent, int controlId)
    : CSkinControl(parent, controlId),
      m_pFont(MakeSkinFont(u"Arial", 12.0f, kFontStyleRegular, kUnitPixel)) {
  // A static control takes no clicks: they fall through to the skin, which drags.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

CTextLabel::~CTextLabel() = default;

CResourceImage* CTextLabel::SetImage(unsigned nID, const char16_t* type,
                                     const CResourceModule* module, double dScale) {
  m_pImage.reset();
  m_pImage = LoadResourceImage(nID, type, module, dScale);
  return m_pImage.get();
}

void CTextLabel::SetTextFont(QStringView family, float emSize, int style, int unit) {
  m_pFont.reset();
  m_pFont = MakeSkinFont(family, emSize, style, unit);
}

void CTextLabel::SetTextAlign(int horizontal, int vertical) {
  m_alignment = SkinAlignment(horizontal, vertical);
}

void CTextLabel::SetTextColor(QRgb argb) {
  m_textColor = argb;
}

void CTextLabel::ReleaseResources() {
  m_pFont.reset();
  m_pImage.reset();
}

void CTextLabel::PaintSkin(QPainter& painter) {
  const QRectF rect = SkinRect();
  if (m_pImage) {
    m_pImage->Draw(painter, rect);
  }
  if (!GetWindowText().isEmpty() && m_pFont) {
    DrawSkinText(painter, GetWindowText(), *m_pFont, m_alignment, m_textColor, rect);
  }
}

}  // namespace tbt::skin
