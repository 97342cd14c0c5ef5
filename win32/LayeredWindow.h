#pragma once

// The Win32 window: a frameless layered popup whose every pixel comes from one 32-bit
// premultiplied image, composed with GDI+ from the skin's background and its visible
// controls and pushed with UpdateLayeredWindow. A press on the skin outside a button
// drags the window; fully transparent pixels do not take the pointer.

#include <windows.h>

#include <gdiplus.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win32/SkinControls.h"

namespace tbt::win32 {

class LayeredWindow : public ISkinSurface {
 public:
  LayeredWindow() = default;
  ~LayeredWindow() override;
  LayeredWindow(const LayeredWindow&) = delete;
  LayeredWindow& operator=(const LayeredWindow&) = delete;

  /// Creates the (hidden) window with `title`; false when the system refuses.
  bool Create(const std::wstring& title);
  HWND Handle() const { return hwnd_; }

  /// Replaces the background, sizes the window to it, centres it in the work area and
  /// recomposes. A null background leaves the window as it was.
  void SetBackground(std::unique_ptr<Gdiplus::Bitmap> background);
  /// Adds a control at the end of the paint order (once) and attaches it.
  void AddControl(SkinControl* control);
  /// Composes the background and the visible controls and shows the image.
  void Recompose();
  void OnControlChanged(SkinControl* control) override;

  /// The last composed image: width x height premultiplied ARGB pixels, top row first.
  const std::vector<uint32_t>& Pixels() const { return pixels_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  /// Whether the pixel at (x, y) of the composed image takes the pointer: any pixel
  /// that is not fully transparent.
  bool TakesPointerAt(int x, int y) const;
  /// The topmost visible, enabled button at (x, y); null when none.
  SkinButton* ButtonAt(int x, int y) const;

  /// Called with a button's id when it was clicked (released over itself).
  std::function<void(int id)> onClick;
  /// Called for WM_CLOSE; the window closes only when it returns true.
  std::function<bool()> canClose;
  /// Called for keys the window receives (virtual-key codes).
  std::function<void(WPARAM key)> onKey;
  /// Called for WM_DISPLAYCHANGE.
  std::function<void()> onDisplayChange;
  /// Called for messages of WM_APP and above.
  std::function<void(UINT message)> onAppMessage;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Present();
  void OnPointerMove(int x, int y);

  HWND hwnd_ = nullptr;
  std::unique_ptr<Gdiplus::Bitmap> background_;
  std::vector<SkinControl*> controls_;
  std::vector<uint32_t> pixels_;
  int width_ = 0;
  int height_ = 0;
  SkinButton* hovered_ = nullptr;
  SkinButton* pressed_ = nullptr;
  bool trackingLeave_ = false;
};

}  // namespace tbt::win32
