#include "skin/TextLabel.h"

namespace tbt::skin {

CTextLabel::CTextLabel(QWidget* parent, int controlId) : CSkinControl(parent, controlId) {
  // A static control takes no clicks: they fall through to the skin, which drags.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
}

CTextLabel::~CTextLabel() = default;

CResourceImage* CTextLabel::SetImage(unsigned nID, const char16_t* type,
                                     const CResourceModule* module, double dScale,
                                     double devicePixelRatio) {
  m_pImage.reset();
  m_pImage = LoadResourceImage(nID, type, module, dScale, devicePixelRatio);
  return m_pImage.get();
}

void CTextLabel::SetTextColor(QRgb argb) {
  m_textColor = argb;
}

void CTextLabel::ReleaseResources() {
  m_textStyle.ReleaseFont();
  m_pImage.reset();
}

void CTextLabel::PaintSkin(QPainter& painter) {
  const QRectF rect = SkinRect();
  if (m_pImage) {
    m_pImage->Draw(painter, rect);
  }
  m_textStyle.Draw(painter, GetWindowText(), m_textColor, rect);
}

}  // namespace tbt::skin
