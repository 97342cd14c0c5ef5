#include "win32/SkinControls.h"

#include <algorithm>

#include "dialog/PixelColorMatrix.h"
#include "win32/SkinFont.h"
#include "win32/SkinImage.h"

namespace tbt::win32 {

namespace {

Gdiplus::StringAlignment Alignment(int value) {
  return value == 1   ? Gdiplus::StringAlignmentCenter
         : value == 2 ? Gdiplus::StringAlignmentFar
                      : Gdiplus::StringAlignmentNear;
}

void DrawStretched(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* image,
                   const Gdiplus::RectF& target) {
  if (image != nullptr) {
    graphics.DrawImage(image, target, 0.0f, 0.0f, static_cast<Gdiplus::REAL>(image->GetWidth()),
                       static_cast<Gdiplus::REAL>(image->GetHeight()), Gdiplus::UnitPixel);
  }
}

}  // namespace

void DrawSkinText(Gdiplus::Graphics& graphics, const std::wstring& text, Gdiplus::Font* font,
                  const SkinTextStyle& style, uint32_t argb, const Gdiplus::RectF& rect) {
  if (text.empty() || font == nullptr || rect.Width <= 0 || rect.Height <= 0) {
    return;
  }
  Gdiplus::StringFormat format;
  format.SetAlignment(Alignment(style.alignHorizontal));
  format.SetLineAlignment(Alignment(style.alignVertical));
  Gdiplus::SolidBrush brush{Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb))};
  // Text that does not fit is cut at the rectangle's edge, whatever the library's own
  // clipping does.
  Gdiplus::Region previous;
  graphics.GetClip(&previous);
  graphics.SetClip(rect, Gdiplus::CombineModeIntersect);
  graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), font, rect, &format, &brush);
  graphics.SetClip(&previous);
}

void SkinControl::SetRect(const ui::LayoutRect& rect) {
  if (rect == rect_) {
    return;
  }
  rect_ = rect;
  Changed();
}

void SkinControl::Show(bool visible) {
  if (visible == visible_) {
    return;
  }
  visible_ = visible;
  Changed();
}

void SkinControl::Enable(bool enabled) {
  if (enabled == enabled_) {
    return;
  }
  enabled_ = enabled;
  Changed();
}

void SkinControl::SetText(std::wstring text) {
  if (text != text_) {
    fontMade_ = false;
  }
  text_ = std::move(text);
  Changed();
}

void SkinControl::SetTextFont(std::wstring family, float emSize, int style) {
  textStyle_.family = std::move(family);
  textStyle_.emSize = emSize;
  textStyle_.fontStyle = style;
  fontMade_ = false;
}

void SkinControl::PaintText(Gdiplus::Graphics& graphics, uint32_t argb, int offset) {
  if (!fontMade_) {
    font_ = text_.empty()
                ? nullptr
                : MakeSkinFont(textStyle_.family, text_, textStyle_.emSize, textStyle_.fontStyle);
    fontMade_ = true;
  }
  DrawSkinText(graphics, text_, font_.get(), textStyle_, argb, RectF(offset));
}

void SkinControl::SetTextAlign(int horizontal, int vertical) {
  textStyle_.alignHorizontal = horizontal;
  textStyle_.alignVertical = vertical;
}

void SkinControl::Changed() {
  if (surface_ != nullptr) {
    surface_->OnControlChanged(this);
  }
}

Gdiplus::RectF SkinControl::RectF(int offset) const {
  return Gdiplus::RectF(
      static_cast<Gdiplus::REAL>(rect_.x + offset), static_cast<Gdiplus::REAL>(rect_.y + offset),
      static_cast<Gdiplus::REAL>(rect_.width), static_cast<Gdiplus::REAL>(rect_.height));
}

void SkinLabel::Paint(Gdiplus::Graphics& graphics) {
  DrawStretched(graphics, image_.get(), RectF());
  PaintText(graphics, color_);
}

void SkinButton::SetImages(std::unique_ptr<Gdiplus::Bitmap> normal,
                           std::unique_ptr<Gdiplus::Bitmap> disabled,
                           std::unique_ptr<Gdiplus::Bitmap> hover,
                           std::unique_ptr<Gdiplus::Bitmap> pressed) {
  images_[static_cast<size_t>(skin::ButtonFace::Normal)] = std::move(normal);
  images_[static_cast<size_t>(skin::ButtonFace::Disabled)] = std::move(disabled);
  images_[static_cast<size_t>(skin::ButtonFace::Hover)] = std::move(hover);
  images_[static_cast<size_t>(skin::ButtonFace::Pressed)] = std::move(pressed);
  greyLook_.reset();
  hoverLook_.reset();
}

namespace {

void StrokeRoundedRect(Gdiplus::Graphics& graphics, const Gdiplus::Pen& pen,
                       const Gdiplus::RectF& rect, float radius) {
  const float diameter = 2 * radius;
  const float right = rect.X + rect.Width - diameter;
  const float bottom = rect.Y + rect.Height - diameter;
  Gdiplus::GraphicsPath path;
  path.AddArc(rect.X, rect.Y, diameter, diameter, 180, 90);
  path.AddArc(right, rect.Y, diameter, diameter, 270, 90);
  path.AddArc(right, bottom, diameter, diameter, 0, 90);
  path.AddArc(rect.X, bottom, diameter, diameter, 90, 90);
  path.CloseFigure();
  graphics.DrawPath(&pen, &path);
}

Gdiplus::RectF Inset(const Gdiplus::RectF& rect, float by) {
  return Gdiplus::RectF(rect.X + by, rect.Y + by, rect.Width - 2 * by, rect.Height - 2 * by);
}

// The focus ring as the Linux window draws it: a dark teal line just inside the
// button's edge and a white one inside it, so it shows on teal, white and grey faces.
void PaintFocusRing(Gdiplus::Graphics& graphics, const Gdiplus::RectF& rect) {
  const float unit = std::max(1.0f, rect.Height / 38.0f);
  const float radius = rect.Height / 5.0f;
  const Gdiplus::SmoothingMode previous = graphics.GetSmoothingMode();
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  const Gdiplus::Pen teal(Gdiplus::Color(0xFF004C57), 2 * unit);
  StrokeRoundedRect(graphics, teal, Inset(rect, unit), radius);
  const Gdiplus::Pen white(Gdiplus::Color(0xFFFFFFFF), unit);
  StrokeRoundedRect(graphics, white, Inset(rect, 2.5f * unit), radius - 1.5f * unit);
  graphics.SetSmoothingMode(previous);
}

}  // namespace

void SkinButton::SetFocused(bool focused) {
  if (focused_ != focused) {
    focused_ = focused;
    Changed();
  }
}

void SkinButton::Enable(bool enabled) {
  // A disabled button sees no pointer: whatever hovered or pressed it ends.
  if (!enabled) {
    states_.Release();
    states_.Leave();
  }
  states_.SetDisabled(!enabled);
  SkinControl::Enable(enabled);
}

void SkinButton::Refresh() {
  // Without its normal picture the button has no look to change.
  if (images_[static_cast<size_t>(skin::ButtonFace::Normal)]) {
    Changed();
  }
}

void SkinButton::OnHover() {
  if (states_.Hover()) {
    Refresh();
  }
}

void SkinButton::OnLeave() {
  states_.Leave();
  Refresh();
}

void SkinButton::OnPress() {
  states_.Press();
  Refresh();
}

void SkinButton::OnRelease() {
  states_.Release();
  Refresh();
}

Gdiplus::Bitmap* SkinButton::MatrixLook(skin::FaceMatrix matrix) {
  std::unique_ptr<Gdiplus::Bitmap>& look =
      matrix == skin::FaceMatrix::Grayscale ? greyLook_ : hoverLook_;
  Gdiplus::Bitmap* normal = images_[static_cast<size_t>(skin::ButtonFace::Normal)].get();
  if (!look && normal != nullptr) {
    look = ApplyMatrixLook(*normal, matrix == skin::FaceMatrix::Grayscale ? skin::kGrayscaleMatrix
                                                                          : skin::kHoverMatrix);
  }
  return look.get();
}

void SkinButton::Paint(Gdiplus::Graphics& graphics) {
  auto has = [this](skin::ButtonFace face) {
    return images_[static_cast<size_t>(face)] != nullptr;
  };
  const skin::ButtonPaint paint =
      skin::ChooseButtonPaint(states_.Bits(), has(skin::ButtonFace::Disabled),
                              has(skin::ButtonFace::Hover), has(skin::ButtonFace::Pressed));
  Gdiplus::Bitmap* image = paint.matrix != skin::FaceMatrix::None
                               ? MatrixLook(paint.matrix)
                               : images_[static_cast<size_t>(paint.face)].get();
  DrawStretched(graphics, image, RectF(paint.faceOffset));
  const uint32_t caption = paint.captionColor == skin::ButtonFace::Pressed ? pressedColor_
                           : paint.captionColor == skin::ButtonFace::Hover ? hoverColor_
                                                                           : normalColor_;
  PaintText(graphics, caption, paint.captionOffset);
  if (focused_ && Enabled()) {
    PaintFocusRing(graphics, RectF());
  }
}

}  // namespace tbt::win32
