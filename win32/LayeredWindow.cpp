#include "win32/LayeredWindow.h"

#include <windowsx.h>

#include <algorithm>
#include <cstring>

#include "dialog/WindowPlacement.h"

namespace tbt::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TbtFwUpdateSkinWindow";

platform::ScreenRect WorkArea() {
  RECT area{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return platform::ScreenRect{area.left, area.top, area.right, area.bottom};
}

}  // namespace

LayeredWindow::~LayeredWindow() {
  if (hwnd_ != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
  }
}

bool LayeredWindow::Create(const std::wstring& title) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = &LayeredWindow::WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kWindowClass;
  RegisterClassExW(&windowClass);  // fails harmlessly when already registered
  hwnd_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_APPWINDOW, kWindowClass, title.c_str(), WS_POPUP, 0,
                          0, 0, 0, nullptr, nullptr, instance, this);
  return hwnd_ != nullptr;
}

void LayeredWindow::SetBackground(std::unique_ptr<Gdiplus::Bitmap> background) {
  if (!background) {
    return;
  }
  background_ = std::move(background);
  width_ = static_cast<int>(background_->GetWidth());
  height_ = static_cast<int>(background_->GetHeight());
  if (hwnd_ != nullptr) {
    const skin::WindowOrigin origin = skin::CentreInWorkArea(WorkArea(), width_, height_);
    MoveWindow(hwnd_, origin.x, origin.y, width_, height_, TRUE);
  }
  Recompose();
}

void LayeredWindow::AddControl(SkinControl* control) {
  if (std::find(controls_.begin(), controls_.end(), control) == controls_.end()) {
    controls_.push_back(control);
  }
  control->AttachTo(this);
}

void LayeredWindow::OnControlChanged(SkinControl* /*control*/) {
  Recompose();
}

void LayeredWindow::Recompose() {
  if (!background_ || width_ <= 0 || height_ <= 0) {
    return;
  }
  pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u);
  {
    // GDI+ draws straight into the pixel vector, which starts fully transparent.
    Gdiplus::Bitmap surface(width_, height_, width_ * 4, PixelFormat32bppPARGB,
                            reinterpret_cast<BYTE*>(pixels_.data()));
    Gdiplus::Graphics graphics(&surface);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAlias);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.DrawImage(background_.get(), Gdiplus::Rect(0, 0, width_, height_), 0, 0, width_,
                       height_, Gdiplus::UnitPixel);
    for (SkinControl* control : controls_) {
      if (control->Visible()) {
        control->Paint(graphics);
      }
    }
    graphics.Flush(Gdiplus::FlushIntentionSync);
  }
  Present();
}

void LayeredWindow::Present() {
  if (hwnd_ == nullptr) {
    return;
  }
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top row first, as composed
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP surface = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (surface != nullptr && bits != nullptr) {
    std::memcpy(bits, pixels_.data(), pixels_.size() * sizeof(uint32_t));
    HGDIOBJ previous = SelectObject(memory, surface);
    RECT window{};
    GetWindowRect(hwnd_, &window);
    POINT destination{window.left, window.top};
    SIZE size{width_, height_};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(hwnd_, screen, &destination, &size, memory, &source, 0, &blend, ULW_ALPHA);
    SelectObject(memory, previous);
    DeleteObject(surface);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

bool LayeredWindow::TakesPointerAt(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_.empty()) {
    return false;
  }
  return (pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] >>
          24) != 0;
}

SkinButton* LayeredWindow::ButtonAt(int x, int y) const {
  // The last painted control is the one on top.
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    auto* button = dynamic_cast<SkinButton*>(*it);
    if (button == nullptr || !button->Visible() || !button->Enabled()) {
      continue;
    }
    const ui::LayoutRect& rect = button->Rect();
    if (x >= rect.x && y >= rect.y && x < rect.x + rect.width && y < rect.y + rect.height) {
      return button;
    }
  }
  return nullptr;
}

void LayeredWindow::OnPointerMove(int x, int y) {
  if (!trackingLeave_) {
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd_, 0};
    trackingLeave_ = TrackMouseEvent(&track) != FALSE;
  }
  SkinButton* under = ButtonAt(x, y);
  if (under == hovered_) {
    return;
  }
  if (hovered_ != nullptr) {
    hovered_->OnLeave();
  }
  hovered_ = under;
  if (hovered_ != nullptr) {
    hovered_->OnHover();
  }
}

LRESULT CALLBACK LayeredWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<LayeredWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ != hwnd) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  return self->Handle(message, wParam, lParam);
}

LRESULT LayeredWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: {
      POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      ScreenToClient(hwnd_, &point);
      // The transparent margin around the panel belongs to what lies below.
      return TakesPointerAt(point.x, point.y) ? HTCLIENT : HTTRANSPARENT;
    }
    case WM_MOUSEMOVE:
      OnPointerMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave_ = false;
      if (hovered_ != nullptr) {
        hovered_->OnLeave();
        hovered_ = nullptr;
      }
      return 0;
    case WM_LBUTTONDOWN: {
      SkinButton* button = ButtonAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      if (button == nullptr) {
        // The skin itself: the system moves the window with the pointer.
        ReleaseCapture();
        SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        return 0;
      }
      pressed_ = button;
      SetCapture(hwnd_);
      button->OnPress();
      return 0;
    }
    case WM_LBUTTONUP: {
      SkinButton* button = pressed_;
      pressed_ = nullptr;
      if (button == nullptr) {
        return 0;
      }
      ReleaseCapture();
      button->OnRelease();
      // A click needs the release over the button that was pressed.
      if (ButtonAt(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) == button && onClick) {
        onClick(button->Id());
      }
      return 0;
    }
    case WM_KEYDOWN:
      if (onKey) {
        onKey(wParam);
      }
      return 0;
    case WM_DISPLAYCHANGE:
      if (onDisplayChange) {
        onDisplayChange();
      }
      return 0;
    case WM_CLOSE:
      if (!canClose || canClose()) {
        DestroyWindow(hwnd_);
      }
      return 0;
    case WM_DESTROY:
      hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      if (message >= WM_APP && message <= 0xBFFF && onAppMessage) {
        onAppMessage(message);
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace tbt::win32
