#pragma once

// An image button's visual state and what it draws in each state: which of its four
// images, shifted or through which colour matrix, and the caption's colour and offset.
// Both windows' buttons keep their state here and paint what it says.

namespace tbt::skin {

/// The state bits of an image button.
inline constexpr int kButtonDisabled = 0x1;
inline constexpr int kButtonHover = 0x2;
inline constexpr int kButtonPressed = 0x4;

/// The hover and press rules. Hover comes once per tracking request, the request being
/// made on the first pointer activity since construction or the last leave; a release
/// clears both hover and press, so after a click the button keeps its normal look until
/// the pointer has left and come back.
class ButtonStates {
 public:
  /// The pointer rests on the button: sets hover unless this tracking request already
  /// did. Returns true when the look may have changed.
  bool Hover();
  /// The pointer left: ends the tracking request and clears hover.
  void Leave();
  /// A press on the button.
  void Press() { m_nState |= kButtonPressed; }
  /// A release anywhere: clears press and hover.
  void Release() { m_nState &= ~(kButtonPressed | kButtonHover); }
  /// Copies the window's disabled flag into the state.
  void SetDisabled(bool disabled);

  /// The state bits (kButton*).
  int Bits() const { return m_nState; }
  /// True while a hover-and-leave tracking request is outstanding.
  bool Tracking() const { return m_bTracking != 0; }

 private:
  int m_bTracking = 0;
  int m_nState = 0;
};

/// The button's images by state.
enum class ButtonFace { Normal, Disabled, Hover, Pressed };

/// The colour matrix a face is drawn through.
enum class FaceMatrix { None, Grayscale, Hover };

/// What a button draws for its state.
struct ButtonPaint {
  /// The image drawn; Normal when a state image is missing and a fallback applies.
  ButtonFace face = ButtonFace::Normal;
  /// The matrix the image is drawn through.
  FaceMatrix matrix = FaceMatrix::None;
  /// Pixels the image is moved right and down (the pressed look without its image).
  int faceOffset = 0;
  /// Which caption colour: Normal, Hover or Pressed.
  ButtonFace captionColor = ButtonFace::Normal;
  /// Pixels the caption is moved right and down while pressed.
  int captionOffset = 0;

  friend constexpr bool operator==(const ButtonPaint&, const ButtonPaint&) = default;
};

/// The look for the state bits, given which of the disabled, hover and pressed images
/// the button has (the normal image is always there). The first matching rule wins:
/// disabled, hovered and pressed, hovered, otherwise normal (pressed without hover
/// included). A disabled state does not change the caption.
ButtonPaint ChooseButtonPaint(int stateBits, bool hasDisabled, bool hasHover, bool hasPressed);

}  // namespace tbt::skin
