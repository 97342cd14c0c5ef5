#pragma once

// A push button drawn entirely from images, one per visual state, with its text
// drawn on top as the caption.

#include <QFont>
#include <QRgb>

#include <cstdint>
#include <memory>
#include <optional>

#include "dialog/ButtonLook.h"
#include "platform/Platform.h"
#include "skin/ResourceImage.h"
#include "skin/SkinControl.h"
#include "skin/SkinText.h"

class QEnterEvent;

namespace tbt::skin {

/// An image push button. It keeps state bits, turns each change into a repaint
/// request to its host, and draws itself only when the host calls PaintSkin. A
/// press released over the button, or the space key, emits clicked(controlId).
class CImageButton : public CSkinControl {
  Q_OBJECT

 public:
  static constexpr int STATE_DISABLED = kButtonDisabled;
  static constexpr int STATE_HOVER = kButtonHover;
  static constexpr int STATE_PRESSED = kButtonPressed;

  /// Creates a visible button of `parent` that reports clicks with `controlId`.
  CImageButton(QWidget* parent, int controlId);
  ~CImageButton() override;

  /// Replaces all four state images: the normal one is always loaded, the others
  /// only when their id is non-zero. Does not repaint.
  void SetImages(unsigned normalId, unsigned disabledId, unsigned hoverId, unsigned pressedId,
                 const char16_t* type, const CResourceModule* module, double dScale,
                 double devicePixelRatio = 1.0);
  /// Replaces the caption font (see MakeSkinFont). Does not repaint.
  void SetTextFont(QStringView family, float emSize, int style, int unit) {
    m_textStyle.SetFont(family, emSize, style, unit);
  }
  /// Sets the caption's horizontal and vertical alignment (0 near, 1 centre, 2 far).
  void SetTextAlign(int horizontal, int vertical) { m_textStyle.SetAlign(horizontal, vertical); }
  /// Sets the caption colour of every state.
  void SetTextColor(QRgb argb);
  /// Sets the caption colour while hovered and not pressed.
  void SetHoverTextColor(QRgb argb);
  /// Sets the caption colour while pressed.
  void SetPressedTextColor(QRgb argb);
  /// Frees the font and the four images; the caption and images are then not drawn.
  void ReleaseResources();

  void PaintSkin(QPainter& painter) override;
  /// Copies m_bDisabled into STATE_DISABLED and asks the host to recompose; does
  /// nothing at all while there is no normal image.
  void RequestRedraw() override;

  /// Emits clicked(controlId) as a press of the keyboard would, if the button is
  /// shown and enabled; returns whether it did.
  bool Click();
  /// Times the button's appearance with `clock` (null: the system's steady clock),
  /// which must outlive the button.
  void SetClock(platform::IClock* clock) { m_clock = clock; }
  /// True while a pointer press would be ignored: for the system's double-click
  /// interval after the button appeared, so the second click of a double click
  /// meant for what was there before does not press it.
  bool IgnoresPointerPresses();
  /// True when the focus ring is drawn: the button is its window's focus widget,
  /// shown and enabled.
  bool ShowsFocusRing() const;

  /// The visual state bits (STATE_*).
  int State() const { return m_states.Bits(); }
  /// The current caption font; absent after ReleaseResources.
  const std::optional<QFont>& Font() const { return m_textStyle.Font(); }
  /// The caption alignment as Qt flags.
  Qt::Alignment TextAlignment() const { return m_textStyle.Alignment(); }

 signals:
  /// The button was clicked (mouse release over it after a press, or the space key).
  void clicked(int controlId);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void OnAppeared() override;

 private:
  /// Hovers on the first pointer activity since construction or the last leave.
  void TrackHover();
  /// The picture the normal image shows through a colour matrix, cached per look.
  const QImage& MatrixLook(bool grey);
  /// Frees the four state images and the looks made from the normal one.
  void ReleaseImages();

  std::unique_ptr<CResourceImage> m_pNormalImage;
  std::unique_ptr<CResourceImage> m_pDisabledImage;
  std::unique_ptr<CResourceImage> m_pHoverImage;
  std::unique_ptr<CResourceImage> m_pPressedImage;
  ButtonStates m_states;
  CSkinTextStyle m_textStyle;
  QRgb m_normalColor = 0xFF000000;
  QRgb m_hoverColor = 0xFF000000;
  QRgb m_pressedColor = 0xFF000000;

  // The standard push button's own behaviour underneath the look: a mouse press
  // that may become a click, and a space key that is held.
  bool m_mouseDown = false;
  bool m_spaceDown = false;

  platform::IClock* m_clock = nullptr;
  bool m_appeared = false;
  uint64_t m_appearedAt = 0;

  QImage m_greyLook;
  QImage m_hoverLook;
};

}  // namespace tbt::skin
