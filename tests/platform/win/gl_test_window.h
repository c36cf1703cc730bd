// A plain top-level window with its own device context for the GL tests
// under wine, named by the X id the layer gives a window (its handle), and
// its pixels read back through GDI.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include <X11/X.h>

#include "platform/win/pixmaps.h"

class GlTestWindow {
 public:
  GlTestWindow(int x, int y, int width, int height) : width_(width), height_(height) {
    static const ATOM window_class = [] {
      WNDCLASSA c{};
      c.style = CS_OWNDC;
      c.lpfnWndProc = DefWindowProcA;
      c.hInstance = GetModuleHandleA(nullptr);
      c.lpszClassName = "GlTestWindow";
      return RegisterClassA(&c);
    }();
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    hwnd_ = CreateWindowExA(0, MAKEINTATOM(window_class), "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    pump();
  }
  ~GlTestWindow() {
    if (hwnd_ != nullptr) DestroyWindow(hwnd_);
  }
  GlTestWindow(const GlTestWindow&) = delete;
  GlTestWindow& operator=(const GlTestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  // Handles are 32-bit significant; the layer sign-extends the id back.
  Window id() const { return static_cast<Window>(reinterpret_cast<uintptr_t>(hwnd_)); }
  HDC dc() const { return GetDC(hwnd_); }

  // The client area's colours as 0x00RRGGBB, rows top-down; empty when
  // they can't be read.
  std::vector<uint32_t> pixels() const {
    pump();
    std::vector<uint32_t> out(static_cast<size_t>(width_ * height_));
    if (!Lx_GdiGetPixels(GetDC(hwnd_), 0, 0, width_, height_, reinterpret_cast<uint8_t*>(out.data()))) return {};
    for (uint32_t& p : out) p &= 0xFFFFFF;  // bytes blue, green, red, zero
    return out;
  }

  static void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }

 private:
  HWND hwnd_ = nullptr;
  int width_, height_;
};
