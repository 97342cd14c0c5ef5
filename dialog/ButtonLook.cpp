#include "dialog/ButtonLook.h"

namespace tbt::skin {

bool ButtonStates::Hover() {
  if (m_bTracking != 0) {
    return false;
  }
  m_bTracking = 1;
  m_nState |= kButtonHover;
  return true;
}

void ButtonStates::Leave() {
  m_bTracking = 0;
  m_nState &= ~kButtonHover;
}

void ButtonStates::SetDisabled(bool disabled) {
  if (disabled) {
    m_nState |= kButtonDisabled;
  } else {
    m_nState &= ~kButtonDisabled;
  }
}

ButtonPaint ChooseButtonPaint(int stateBits, bool hasDisabled, bool hasHover, bool hasPressed) {
  const bool hover = (stateBits & kButtonHover) != 0;
  const bool pressed = (stateBits & kButtonPressed) != 0;
  ButtonPaint paint;
  if (pressed) {
    paint.captionColor = ButtonFace::Pressed;
    paint.captionOffset = 1;
  } else if (hover) {
    paint.captionColor = ButtonFace::Hover;
  }
  if ((stateBits & kButtonDisabled) != 0) {
    if (hasDisabled) {
      paint.face = ButtonFace::Disabled;
    } else {
      paint.matrix = FaceMatrix::Grayscale;
    }
  } else if (hover && pressed) {
    if (hasPressed) {
      paint.face = ButtonFace::Pressed;
    } else {
      paint.faceOffset = 1;
    }
  } else if (hover) {
    if (hasHover) {
      paint.face = ButtonFace::Hover;
    } else {
      paint.matrix = FaceMatrix::Hover;
    }
  }
  return paint;
}

}  // namespace tbt::skin
