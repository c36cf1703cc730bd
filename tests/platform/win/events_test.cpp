// The layer's event calls under wine: messages of real windows turned into X
// events, their window by the selection rule, the pumping calls, crossings,
// focus and grabs, the keyboard mapping over the system's layout, and the
// server's wait ended by input.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix_services.h"
#include "platform/win/event_rules.h"
#include "platform/win/events.h"
#include "platform/win/keyboard.h"
#include "platform/win/layer.h"

namespace {

class Events : public testing::Test {
 protected:
  void SetUp() override {
    d_ = XOpenDisplay(nullptr);
    ASSERT_NE(d_, nullptr);
    top_ = XCreateSimpleWindow(d_, None, 100, 100, 300, 200, 0, 0, 0);
    child_ = XCreateSimpleWindow(d_, top_, 20, 30, 100, 50, 0, 0, 0);
    ASSERT_NE(top_, None);
    ASSERT_NE(child_, None);
    XMapWindow(d_, top_);
    drain();
  }
  void TearDown() override {
    XDestroyWindow(d_, child_);
    XDestroyWindow(d_, top_);
    drain();
    XCloseDisplay(d_);
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
  static std::vector<XEvent> of_type(const std::vector<XEvent>& v, int type) {
    std::vector<XEvent> r;
    for (const XEvent& e : v)
      if (e.type == type) r.push_back(e);
    return r;
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

TEST_F(Events, AKeyGoesToTheFirstSelectingAncestorUnlessDoNotPropagateStopsIt) {
  const struct {
    const char* what;
    long child_mask, child_stop, top_mask;
    bool to_child, to_top;
  } table[] = {
      {"child selects", KeyPressMask, 0, KeyPressMask, true, false},
      {"parent selects", 0, 0, KeyPressMask, false, true},
      {"do-not-propagate", 0, KeyPressMask, KeyPressMask, false, false},
      {"release stop only", 0, KeyReleaseMask, KeyPressMask, false, true},
      {"nobody", 0, 0, 0, false, false},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.what);
    select(child_, c.child_mask, c.child_stop);
    select(top_, c.top_mask);
    post(child_, WM_KEYDOWN, 'K', 1);
    const std::vector<XEvent> keys = of_type(drain(), KeyPress);
    ASSERT_EQ(keys.size(), size_t(c.to_child || c.to_top));
    if (keys.empty()) continue;
    EXPECT_EQ(keys[0].xkey.window, c.to_child ? child_ : top_);
    EXPECT_EQ(keys[0].xkey.keycode, unsigned('K'));
    EXPECT_EQ(keys[0].xkey.send_event, False);
    EXPECT_EQ(keys[0].xkey.display, d_);
  }
}

TEST_F(Events, MovesToTheSamePlaceGiveOneMotionEvent) {
  select(child_, PointerMotionMask);
  post(child_, WM_MOUSEMOVE, 0, MAKELPARAM(10, 12));
  post(child_, WM_MOUSEMOVE, 0, MAKELPARAM(10, 12));
  post(child_, WM_MOUSEMOVE, 0, MAKELPARAM(11, 12));
  const std::vector<XEvent> moves = of_type(drain(), MotionNotify);
  ASSERT_EQ(moves.size(), 2u);
  POINT screen{10, 12};
  ClientToScreen(Lx_Hwnd(child_), &screen);
  EXPECT_EQ(moves[0].xmotion.x, 10);
  EXPECT_EQ(moves[0].xmotion.y, 12);
  EXPECT_EQ(moves[0].xmotion.x_root, screen.x);
  EXPECT_EQ(moves[0].xmotion.y_root, screen.y);
  EXPECT_EQ(moves[1].xmotion.x, 11);
  // The pointer's place is that of the last motion.
  Window root, child;
  int rx, ry, wx, wy;
  unsigned mask;
  ASSERT_TRUE(XQueryPointer(d_, top_, &root, &child, &rx, &ry, &wx, &wy, &mask));
  EXPECT_EQ(rx, screen.x + 1);
  EXPECT_EQ(wx, 20 + 11);
  EXPECT_EQ(wy, 30 + 12);
}

TEST_F(Events, ModifierKeysGiveXsModifierBits) {
  take_keyboard();
  select(child_, KeyPressMask);
  const struct {
    WORD vk;
    unsigned bit;
  } table[] = {{VK_MENU, Mod1Mask}, {VK_SHIFT, ShiftMask}, {VK_CONTROL, ControlMask}};
  for (const auto& c : table) {
    SCOPED_TRACE(c.vk);
    send_keys({{c.vk, true}, {'Q', true}, {'Q', false}, {c.vk, false}});
    XEvent e;
    ASSERT_TRUE(key_press('Q', &e));
    EXPECT_EQ(e.xkey.state & (ShiftMask | ControlMask | Mod1Mask | Mod2Mask), c.bit);
    drain();
  }
}

TEST_F(Events, ExposesQueuedForAWindowCountDownToZero) {
  for (int i = 0; i < 3; ++i) {
    XEvent e{};
    e.type = Expose;
    e.xexpose.window = child_;
    e.xexpose.width = 10 + i;
    ASSERT_TRUE(Lx_PutEvent(&e));
  }
  const std::vector<XEvent> exposes = of_type(drain(), Expose);
  ASSERT_EQ(exposes.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(exposes[i].xexpose.width, 10 + i);
    EXPECT_EQ(exposes[i].xexpose.count, 2 - i);
  }
}

TEST_F(Events, PrivateMessagesBecomeTheirEvents) {
  select(top_, SubstructureNotifyMask | StructureNotifyMask);
  select(child_, StructureNotifyMask);
  // A creation notice carries no pointer: what the window was made with comes from its record.
  post(child_, LX_CREATE_NOTIFY, 0xDEADBEEF, 0x1234);
  post(child_, LX_MAP_NOTIFY);
  post(child_, LX_UNMAP_NOTIFY);
  post(child_, LX_CLIENT_MESSAGE, 77, 99);
  post(child_, LX_DELETE_WINDOW);
  post(child_, LX_WAKE_UP);
  const std::vector<XEvent> v = drain();
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(v[0].type, CreateNotify);
  EXPECT_EQ(v[0].xcreatewindow.parent, top_);
  EXPECT_EQ(v[0].xcreatewindow.window, child_);
  EXPECT_EQ(v[0].xcreatewindow.x, 20);
  EXPECT_EQ(v[0].xcreatewindow.y, 30);
  EXPECT_EQ(v[0].xcreatewindow.width, 100);
  EXPECT_EQ(v[0].xcreatewindow.height, 50);
  EXPECT_EQ(v[0].xcreatewindow.border_width, 1);
  EXPECT_EQ(v[1].type, MapNotify);
  EXPECT_EQ(v[1].xmap.window, child_);
  EXPECT_EQ(v[2].type, UnmapNotify);
  EXPECT_EQ(v[3].type, ClientMessage);
  EXPECT_EQ(v[3].xclient.message_type, 77u);
  EXPECT_EQ(v[3].xclient.format, 32);
  EXPECT_EQ(v[3].xclient.data.l[0], 99);
  EXPECT_EQ(v[4].type, ClientMessage);
  EXPECT_EQ(v[4].xclient.message_type, XInternAtom(d_, "WM_PROTOCOLS", False));
  EXPECT_EQ(static_cast<Atom>(v[4].xclient.data.l[0]), XInternAtom(d_, "WM_DELETE_WINDOW", False));
  // A top-level window has no parent to hear of its creation.
  post(top_, LX_CREATE_NOTIFY);
  EXPECT_TRUE(drain().empty());
}

TEST_F(Events, CheckCallsFindEventsStillWaitingAsMessages) {
  select(child_, StructureNotifyMask | KeyPressMask);
  post(child_, LX_MAP_NOTIFY);
  post(child_, WM_KEYDOWN, 'M', 1);
  XEvent e;
  EXPECT_FALSE(XCheckTypedWindowEvent(d_, top_, MapNotify, &e));
  ASSERT_TRUE(XCheckTypedWindowEvent(d_, child_, MapNotify, &e));
  EXPECT_EQ(e.type, MapNotify);
  EXPECT_FALSE(XCheckWindowEvent(d_, child_, ButtonPressMask, &e));
  ASSERT_TRUE(XCheckWindowEvent(d_, child_, ExposureMask | KeyPressMask, &e));
  EXPECT_EQ(e.type, KeyPress);
  EXPECT_EQ(XPending(d_), 0);
  // XWindowEvent waits for its window's event, leaving the others queued.
  post(top_, LX_CLIENT_MESSAGE, 1, 2);
  select(top_, StructureNotifyMask);
  post(top_, LX_MAP_NOTIFY);
  post(child_, LX_MAP_NOTIFY);
  XWindowEvent(d_, child_, ExposureMask | StructureNotifyMask, &e);
  EXPECT_EQ(e.xany.window, child_);
  EXPECT_EQ(XEventsQueued(d_, QueuedAlready), 2);
  ASSERT_TRUE(XCheckTypedEvent(d_, MapNotify, &e));
  EXPECT_EQ(e.xany.window, top_);
  ASSERT_TRUE(XCheckMaskEvent(d_, ~0L, &e) == False);  // a ClientMessage has no mask
  XPeekEvent(d_, &e);
  EXPECT_EQ(e.type, ClientMessage);
  XPutBackEvent(d_, &e);
  EXPECT_EQ(drain().size(), 2u);
}

TEST_F(Events, TheFileQueueWaitReturnsAtOnceForReturnNow) {
  post(child_, LX_RETURN_NOW);
  XEvent e;
  XNextFileEvent(d_, &e, LX_SELECT_FILE);
  EXPECT_EQ(e.type, LX_RETURN_NOW_EVENT);
  EXPECT_EQ(XFileEventsQueued(d_, QueuedAlready, LX_SELECT_X | LX_SELECT_FILE | LX_SELECT_TIMER), 0);
  // A file event waits in its own queue while only X events are asked for.
  post(child_, WM_USER + 35, 5, 6);
  select(child_, StructureNotifyMask);
  post(child_, LX_MAP_NOTIFY);
  XNextEvent(d_, &e);
  EXPECT_EQ(e.type, MapNotify);
  EXPECT_EQ(XFileEventsQueued(d_, QueuedAlready, LX_SELECT_FILE), 1);
  XNextFileEvent(d_, &e, LX_SELECT_FILE);
  EXPECT_EQ(e.type, LX_FILE_EVENT);
  EXPECT_EQ(e.xclient.data.l[0], 4);
  EXPECT_EQ(e.xclient.data.l[1], 5);
  EXPECT_EQ(e.xclient.data.l[2], 6);
}

TEST_F(Events, SentEventsFollowTheSelectionRuleAndReportSuccess) {
  XEvent key{};
  key.type = KeyPress;
  EXPECT_NE(XSendEvent(d_, top_, False, 0, &key), 0);  // nobody selects keys: dropped
  XEvent message{};
  message.type = ClientMessage;
  message.xclient.format = 32;
  EXPECT_NE(XSendEvent(d_, top_, False, 0, &message), 0);
  select(top_, KeyPressMask);
  EXPECT_NE(XSendEvent(d_, child_, False, 0, &key), 0);  // goes up to the top level
  const std::vector<XEvent> v = drain();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].type, ClientMessage);
  EXPECT_EQ(v[0].xany.send_event, True);
  EXPECT_EQ(v[1].type, KeyPress);
  EXPECT_EQ(v[1].xany.window, top_);
}

TEST_F(Events, FocusAndGrabsSendTheirSequences) {
  const long crossing = EnterWindowMask | LeaveWindowMask | FocusChangeMask;
  select(top_, crossing);
  select(child_, crossing);
  XSetInputFocus(d_, top_, RevertToParent, CurrentTime);
  drain();
  XSetInputFocus(d_, child_, RevertToParent, CurrentTime);
  std::vector<XEvent> v = drain();
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].type, FocusOut);
  EXPECT_EQ(v[0].xfocus.window, top_);
  EXPECT_EQ(v[0].xfocus.detail, NotifyInferior);
  EXPECT_EQ(v[1].type, FocusIn);
  EXPECT_EQ(v[1].xfocus.window, child_);
  EXPECT_EQ(v[1].xfocus.detail, NotifyAncestor);
  EXPECT_EQ(v[1].xfocus.mode, NotifyNormal);
  Window focus;
  int revert;
  XGetInputFocus(d_, &focus, &revert);
  EXPECT_EQ(focus, child_);
  EXPECT_EQ(revert, RevertToParent);

  EXPECT_EQ(XGrabPointer(d_, child_, True, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime), GrabSuccess);
  v = drain();
  ASSERT_FALSE(v.empty());
  const XEvent& enter = v.back();
  EXPECT_EQ(enter.type, EnterNotify);
  EXPECT_EQ(enter.xcrossing.window, child_);
  EXPECT_EQ(enter.xcrossing.mode, NotifyGrab);
  EXPECT_EQ(enter.xcrossing.focus, True);
  XUngrabPointer(d_, CurrentTime);
  v = drain();
  ASSERT_FALSE(v.empty());
  EXPECT_EQ(v[0].type, LeaveNotify);
  EXPECT_EQ(v[0].xcrossing.window, child_);
  EXPECT_EQ(v[0].xcrossing.mode, NotifyUngrab);
  XUngrabPointer(d_, CurrentTime);  // no grab: nothing
  EXPECT_TRUE(drain().empty());
}

TEST_F(Events, InputEndsTheServersWaitEarly) {
  take_keyboard();
  select(child_, KeyPressMask);
  ASSERT_TRUE(register_display_connection(0, [](void* d) { return XPending(static_cast<Display*>(d)) > 0; }, d_));
  std::thread typist([] {
    Sleep(50);
    send_keys({{'W', true}, {'W', false}});
  });
  fd_set read;
  FD_ZERO(&read);
  FD_SET(0, &read);
  timeval limit{5, 0};
  const auto start = std::chrono::steady_clock::now();
  const int ready = nt_select(1, &read, nullptr, nullptr, &limit);
  const auto waited = std::chrono::steady_clock::now() - start;
  typist.join();
  unregister_display_connection(0);
  EXPECT_EQ(ready, 1);
  EXPECT_TRUE(FD_ISSET(0, &read));
  EXPECT_LT(waited, std::chrono::seconds(4));
  XEvent e;
  ASSERT_TRUE(key_press('W', &e));
}

TEST(Keyboard, KeysGiveTheirKeysymsAndTextThroughTheLayout) {
  const struct {
    unsigned keycode, state;
    KeySym keysym;
    const char* text;
  } table[] = {
      {65, ShiftMask, 0x41, "A"},  {65, 0, 0x61, "a"},     {65, LockMask, 0x41, "A"}, {49, ShiftMask, 0x21, "!"},
      {112, 0, 0xFFBE, ""},        {13, 0, 0xFF0D, "\r"},  {300, 0, 0, ""},           {300, ShiftMask, 0, ""},
      {0x12345678, 0, 0, ""},      {32, 0, 0x20, " "},     {16, ShiftMask, 0xFFE1, ""},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(testing::Message() << "key " << c.keycode << " state " << c.state);
    XKeyEvent key{};
    key.type = KeyPress;
    key.keycode = c.keycode;
    key.state = c.state;
    char buffer[8];
    memset(buffer, 'x', sizeof buffer);
    KeySym sym = 1;
    EXPECT_EQ(XLookupString(&key, buffer, sizeof buffer, &sym, nullptr), static_cast<int>(strlen(c.text)));
    EXPECT_STREQ(buffer, c.text);
    EXPECT_EQ(sym, c.keysym);
  }
}

TEST(Keyboard, KeysymCallsOverTheTables) {
  EXPECT_EQ(XKeycodeToKeysym(nullptr, 112, 0), 0xFFBEu);
  EXPECT_EQ(XKeycodeToKeysym(nullptr, 65, 1), 0x41u);
  EXPECT_EQ(XKeycodeToKeysym(nullptr, 65, 0), 0x61u);
  EXPECT_EQ(Lx_KeycodeToKeysym(300, 0), 0u);
  XKeyEvent key{};
  key.keycode = 300;
  EXPECT_EQ(XLookupKeysym(&key, 0), 0u);
  EXPECT_EQ(XKeysymToKeycode(nullptr, 0x61), 65);
  EXPECT_EQ(XKeysymToKeycode(nullptr, 0xFF0D), 13);
  EXPECT_EQ(XStringToKeysym("Return"), 0xFF0Du);
  EXPECT_EQ(XStringToKeysym("NoSuchKey"), 0u);
  EXPECT_STREQ(XKeysymToString(0xFF08), "BackSpace");
  EXPECT_EQ(XKeysymToString(0x12345678), nullptr);
}

}  // namespace
