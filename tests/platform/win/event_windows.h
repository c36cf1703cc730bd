// A top-level window with a child in it, for the layer's event tests under
// wine, and the events that pumping brings.
#pragma once

#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <X11/Xlib.h>

#include <chrono>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/win/layer.h"
#include "tests/platform/win/layer_test_support.h"

class EventWindows : public LayerTest {
 protected:
  void SetUp() override {
    LayerTest::SetUp();
    d_ = display_;
    top_ = top_level(100, 100, 300, 200);
    ASSERT_NE(top_, None);
    child_ = child(top_, 20, 30, 100, 50);
    ASSERT_NE(child_, None);
    XMapWindow(d_, child_);
    XMapWindow(d_, top_);
    drain();
  }
  void TearDown() override {
    drain();
    LayerTest::TearDown();
    drain();
  }
  void select(Window w, long mask, long do_not_propagate = 0) {
    XSetWindowAttributes a{};
    a.event_mask = mask;
    a.do_not_propagate_mask = do_not_propagate;
    XChangeWindowAttributes(d_, w, CWEventMask | CWDontPropagate, &a);
  }
  // Every message handled, every queued event taken.
  std::vector<XEvent> drain() {
    std::vector<XEvent> v;
    while (XPending(d_) > 0) {
      XEvent e;
      XNextEvent(d_, &e);
      v.push_back(e);
    }
    return v;
  }
  void post(Window w, UINT message, WPARAM wp = 0, LPARAM lp = 0) { PostMessageA(Lx_Hwnd(w), message, wp, lp); }
  // Makes the top-level window the system's foreground window, so that input comes to it.
  void take_keyboard() {
    SetForegroundWindow(Lx_Hwnd(top_));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (GetForegroundWindow() != Lx_Hwnd(top_) && std::chrono::steady_clock::now() < end) {
      drain();
      Sleep(5);
    }
    SetFocus(Lx_Hwnd(child_));
    drain();
  }
  static void send_keys(std::initializer_list<std::pair<WORD, bool>> keys) {
    std::vector<INPUT> in;
    for (const auto& [vk, down] : keys) {
      INPUT i{};
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = vk;
      i.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
      in.push_back(i);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  }
  // Pumps until a KeyPress of the key arrives, or a second has passed.
  bool key_press(WORD vk, XEvent* found) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (std::chrono::steady_clock::now() < end) {
      for (const XEvent& e : drain())
        if (e.type == KeyPress && e.xkey.keycode == vk) {
          *found = e;
          return true;
        }
      Sleep(5);
    }
    return false;
  }

  Display* d_ = nullptr;
  Window top_ = None, child_ = None;
};

