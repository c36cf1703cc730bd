// What the tests of the X layer share: the layer started once per program,
// the open display, message pumping, and the events queued for a window.
#pragma once

#include <gtest/gtest.h>

#include "platform/win/layer.h"

#include <vector>

// Starts the layer on first use and opens the display, once while it is open.
inline Display* layer_display() {
  static bool started = false;
  if (!started) {
    PresetX11Emulation(GetModuleHandleA(nullptr));
    started = true;
  }
  return Lx_CurrentDisplay() != nullptr ? Lx_CurrentDisplay() : XOpenDisplay(nullptr);
}

// Dispatches every waiting message of the thread.
inline void pump_messages() {
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
  }
}

// Pumps messages until the condition holds or two seconds have passed: the
// system's answers to activation come from the X server, a little later.
template <typename Condition>
bool pump_until(Condition condition) {
  for (int i = 0; i < 200 && !condition(); ++i) {
    pump_messages();
    Sleep(10);
  }
  return condition();
}

// The layer's private messages now posted to a window, taken out of the thread's queue.
inline std::vector<UINT> private_messages(HWND hwnd) {
  std::vector<UINT> found;
  MSG m;
  while (PeekMessageA(&m, hwnd, WM_USER, WM_USER + 99, PM_REMOVE)) found.push_back(m.message);
  return found;
}

// The X events queued for a window, in order (left in the queue).
inline std::vector<XEvent> queued_events(Display* d, Window window) {
  std::vector<XEvent> events;
  const Lx_EventQueue& q = d->queues[LX_X_QUEUE];
  for (const Lx_EventNode* n = q.head.next; n != &q.head; n = n->next)
    if (n->event.xany.window == window) events.push_back(n->event);
  return events;
}

// Every waiting message handled; the X events of one window taken out in order.
inline std::vector<XEvent> drain_events(Display* d, Window window) {
  std::vector<XEvent> events;
  while (XPending(d) > 0) {
    XEvent e;
    XNextEvent(d, &e);
    if (e.xany.window == window) events.push_back(e);
  }
  return events;
}

// The events of one type among them.
inline std::vector<XEvent> of_type(const std::vector<XEvent>& events, int type) {
  std::vector<XEvent> found;
  for (const XEvent& e : events)
    if (e.type == type) found.push_back(e);
  return found;
}

// Whether the program runs on an X server of its own (on_own_server.sh).
inline bool on_own_server() { return GetEnvironmentVariableA("QOB_OWN_SERVER", nullptr, 0) > 0; }

// Windows made by a test, destroyed when it ends.
class LayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = layer_display();
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override {
    for (Window w : windows_) XDestroyWindow(display_, w);
    pump_messages();
  }
  Window top_level(int x, int y, int width, int height, long event_mask = 0, bool override = false) {
    XSetWindowAttributes a{};
    a.event_mask = event_mask;
    a.override_redirect = override;
    Window w = XCreateWindow(display_, 0, x, y, width, height, 0, CopyFromParent, InputOutput, nullptr,
                             CWEventMask | (override ? CWOverrideRedirect : 0), &a);
    if (w != 0) windows_.push_back(w);
    return w;
  }
  Window child(Window parent, int x, int y, int width, int height, long event_mask = 0) {
    XSetWindowAttributes a{};
    a.event_mask = event_mask;
    return XCreateWindow(display_, parent, x, y, width, height, 0, CopyFromParent, InputOutput, nullptr,
                         CWEventMask, &a);
  }
  Display* display_ = nullptr;
  std::vector<Window> windows_;
};
