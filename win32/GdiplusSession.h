#pragma once

// GDI+ for the program's whole run: started before the first window, shut down once
// after everything that drew with it is gone.

#include <windows.h>

#include <gdiplus.h>

namespace tbt::win32 {

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) {
      Gdiplus::GdiplusShutdown(token_);
    }
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

  /// False when GDI+ did not start; nothing then draws.
  bool Started() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

}  // namespace tbt::win32
