#pragma once

// The skinned controls of the Win32 window. They are not child windows: the layered
// window composes them into its one image and routes the pointer to the buttons
// itself, so every pixel on screen comes from one composition.

#include <windows.h>

#include <gdiplus.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "dialog/ButtonLook.h"
#include "dialog/LayoutMath.h"

namespace tbt::win32 {

class SkinControl;

/// The window that composes the controls.
class ISkinSurface {
 public:
  virtual ~ISkinSurface() = default;
  /// Composes and shows the whole image again.
  virtual void OnControlChanged(SkinControl* control) = 0;
};

/// Font, alignment and colour of a control's text.
struct SkinTextStyle {
  std::wstring family = L"Arial";
  float emSize = 12.0f;
  int fontStyle = 0;
  int alignHorizontal = 1;  // 0 near, 1 centre, 2 far
  int alignVertical = 1;
};

/// Draws `text` wrapped at word boundaries inside `rect` and clipped to it, with the
/// style's font (resolved through the fallback chain), alignment and `argb`.
void DrawSkinText(Gdiplus::Graphics& graphics, const std::wstring& text, const SkinTextStyle& style,
                  uint32_t argb, const Gdiplus::RectF& rect);

/// What every control has: an id, a rectangle in the window's pixels, visibility,
/// enabling and a text. Each change that alters the look recomposes the surface.
class SkinControl {
 public:
  explicit SkinControl(int id) : id_(id) {}
  virtual ~SkinControl() = default;
  SkinControl(const SkinControl&) = delete;
  SkinControl& operator=(const SkinControl&) = delete;

  int Id() const { return id_; }
  /// Makes `surface` the one this control asks to recompose.
  void AttachTo(ISkinSurface* surface) { surface_ = surface; }
  /// Places the control; recomposes when the rectangle changed.
  void SetRect(const ui::LayoutRect& rect);
  const ui::LayoutRect& Rect() const { return rect_; }
  /// Shows or hides the control; recomposes when that changed.
  void Show(bool visible);
  bool Visible() const { return visible_; }
  /// Enables or disables the control; recomposes when that changed.
  virtual void Enable(bool enabled);
  bool Enabled() const { return enabled_; }
  /// Sets the text and recomposes, even when it is the same.
  void SetText(std::wstring text);
  const std::wstring& Text() const { return text_; }
  /// Sets the text's font, size in pixels and GDI+ style bits. Does not recompose.
  void SetTextFont(std::wstring family, float emSize, int style);
  /// Sets the text's alignment (0 near, 1 centre, 2 far). Does not recompose.
  void SetTextAlign(int horizontal, int vertical);

  /// Draws the control's whole look at its rectangle.
  virtual void Paint(Gdiplus::Graphics& graphics) = 0;

 protected:
  void Changed();
  Gdiplus::RectF RectF(int offset = 0) const;
  /// Draws the control's text at its rectangle moved by `offset`.
  void PaintText(Gdiplus::Graphics& graphics, uint32_t argb, int offset = 0);
  SkinTextStyle textStyle_;

 private:
  int id_;
  ISkinSurface* surface_ = nullptr;
  ui::LayoutRect rect_;
  bool visible_ = true;
  bool enabled_ = true;
  std::wstring text_;
  // The font for the current text and style, made on first use: finding a family that
  // has every glyph of the text costs more than a composition may.
  std::unique_ptr<Gdiplus::Font> font_;
  bool fontMade_ = false;
};

/// A picture with a text on top (the bullet, the illustration, the messages, the busy
/// animation, the version caption).
class SkinLabel : public SkinControl {
 public:
  using SkinControl::SkinControl;
  /// Replaces the picture (null: none). Does not recompose.
  void SetImage(std::unique_ptr<Gdiplus::Bitmap> image) { image_ = std::move(image); }
  /// Sets the text colour. Does not recompose.
  void SetTextColor(uint32_t argb) { color_ = argb; }
  void Paint(Gdiplus::Graphics& graphics) override;

 private:
  std::unique_ptr<Gdiplus::Bitmap> image_;
  uint32_t color_ = 0xFF000000;
};

/// A push button drawn from one image per state with its caption on top; the state
/// rules and the choice of look are the shared ones.
class SkinButton : public SkinControl {
 public:
  using SkinControl::SkinControl;
  /// Replaces the four state images (null: the state has none; the normal one must be
  /// there for the button to change its look). Does not recompose.
  void SetImages(std::unique_ptr<Gdiplus::Bitmap> normal, std::unique_ptr<Gdiplus::Bitmap> disabled,
                 std::unique_ptr<Gdiplus::Bitmap> hover, std::unique_ptr<Gdiplus::Bitmap> pressed);
  /// Caption colours: every state, then hovered only, then pressed only.
  void SetTextColor(uint32_t argb) { normalColor_ = hoverColor_ = pressedColor_ = argb; }
  void SetHoverTextColor(uint32_t argb) { hoverColor_ = argb; }
  void SetPressedTextColor(uint32_t argb) { pressedColor_ = argb; }

  void Enable(bool enabled) override;
  /// The pointer came onto the button.
  void OnHover();
  /// The pointer left the button.
  void OnLeave();
  /// The left button went down on it.
  void OnPress();
  /// The left button came up (anywhere).
  void OnRelease();
  /// The shared state bits.
  int StateBits() const { return states_.Bits(); }
  /// Gives or takes the keyboard focus; a focused button that is shown and enabled
  /// wears the focus ring. Recomposes when that changed.
  void SetFocused(bool focused);
  bool Focused() const { return focused_; }

  void Paint(Gdiplus::Graphics& graphics) override;

 private:
  void Refresh();
  Gdiplus::Bitmap* MatrixLook(skin::FaceMatrix matrix);

  std::array<std::unique_ptr<Gdiplus::Bitmap>, 4> images_;  // by skin::ButtonFace
  std::unique_ptr<Gdiplus::Bitmap> greyLook_;
  std::unique_ptr<Gdiplus::Bitmap> hoverLook_;
  skin::ButtonStates states_;
  uint32_t normalColor_ = 0xFF000000;
  uint32_t hoverColor_ = 0xFF000000;
  uint32_t pressedColor_ = 0xFF000000;
  bool focused_ = false;
};

}  // namespace tbt::win32
