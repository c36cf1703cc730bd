// X windows over system windows, checked against the system's own view: the
// client rectangle is the X geometry, the first map activates, a close
// request only asks, busy overlays drop clicks, creation parameters travel
// as handles, records follow the windows.
#include "tests/platform/win/layer_test_support.h"

#include "platform/win/x_windows.h"

#include <vector>

namespace {

class WindowsTest : public LayerTest {};

// Tests that take the focus or move the pointer: run by on_own_server.sh.
class OwnServerWindowsTest : public LayerTest {
 protected:
  void SetUp() override {
    if (!on_own_server()) GTEST_SKIP() << "runs on an X server of its own";
    LayerTest::SetUp();
  }
};

RECT client_on_screen(HWND hwnd) {
  RECT r;
  GetClientRect(hwnd, &r);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(WindowsTest, TheClientRectangleIsTheXGeometry) {
  struct Case {
    const char* what;
    int x, y, width, height;
    bool override;
  } cases[] = {
      {"framed 200 x 100", 100, 100, 200, 100, false},
      {"framed 1 x 1", 300, 200, 1, 1, false},
      {"framed 640 x 480", 50, 60, 640, 480, false},
      {"override-redirect 200 x 100", 100, 100, 200, 100, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Window w = top_level(c.x, c.y, c.width, c.height, 0, c.override);
    ASSERT_NE(w, 0u);
    XMapWindow(display_, w);
    pump_messages();
    const RECT client = client_on_screen(Lx_Hwnd(w));
    EXPECT_EQ(client.left, c.x);
    EXPECT_EQ(client.top, c.y);
    EXPECT_EQ(client.right - client.left, c.width);
    EXPECT_EQ(client.bottom - client.top, c.height);
    Window root = 1;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 9, depth = 0;
    ASSERT_TRUE(XGetGeometry(display_, w, &root, &x, &y, &width, &height, &border, &depth));
    EXPECT_EQ(root, 0u);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
    EXPECT_EQ(width, static_cast<unsigned>(c.width));
    EXPECT_EQ(height, static_cast<unsigned>(c.height));
    EXPECT_EQ(border, 0u);
    EXPECT_EQ(static_cast<int>(depth), DefaultDepth(display_, 0));
    XWindowAttributes a{};
    ASSERT_TRUE(XGetWindowAttributes(display_, w, &a));
    EXPECT_EQ(a.width, c.width) << "the client area, without the frame";
    EXPECT_EQ(a.height, c.height);
  }
}

// A top-level window as large as the screen or larger keeps its client size,
// as in X: the graphics window covers the screen, and GL draws its client area
// whole. (Not shown: a shown one would cover other programs' screen slots.)
TEST_F(WindowsTest, AWindowLargerThanTheScreenKeepsItsClientSize) {
  const int screen_width = DisplayWidth(display_, 0), screen_height = DisplayHeight(display_, 0);
  const struct {
    const char* what;
    int width, height;
  } cases[] = {
      {"the screen's size", screen_width, screen_height},
      {"taller than the screen", 300, screen_height + 100},
      {"wider than the screen", screen_width + 100, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Window w = top_level(0, 0, c.width, c.height);
    ASSERT_NE(w, 0u);
    pump_messages();
    RECT client;
    GetClientRect(Lx_Hwnd(w), &client);
    EXPECT_EQ(client.right - client.left, c.width);
    EXPECT_EQ(client.bottom - client.top, c.height);
    Window root;
    int x, y;
    unsigned width = 0, height = 0, border, depth;
    ASSERT_TRUE(XGetGeometry(display_, w, &root, &x, &y, &width, &height, &border, &depth));
    EXPECT_EQ(width, static_cast<unsigned>(c.width));
    EXPECT_EQ(height, static_cast<unsigned>(c.height));
  }
}

// XQueryTree of a shown window: its parent and its own children, bottom-most
// first as X lists them, whatever else the system has put inside it.
TEST_F(WindowsTest, QueryTreeListsAShownWindowsChildrenBottomFirst) {
  Window w = top_level(100, 100, 200, 100);
  Window a = child(w, 0, 0, 20, 20), b = child(w, 30, 0, 20, 20), c = child(w, 60, 0, 20, 20);
  XMapWindow(display_, w);
  XMapSubwindows(display_, w);
  XRaiseWindow(display_, a);
  pump_messages();
  Window root = 1, parent = 1, *children = nullptr;
  unsigned n = 0;
  ASSERT_TRUE(XQueryTree(display_, w, &root, &parent, &children, &n));
  EXPECT_EQ(root, 0u);
  EXPECT_EQ(parent, 0u);
  ASSERT_EQ(n, 3u);
  EXPECT_EQ((std::vector<Window>(children, children + n)), (std::vector<Window>{b, c, a}));
  XFree(children);
  ASSERT_TRUE(XQueryTree(display_, a, &root, &parent, &children, &n));
  EXPECT_EQ(parent, w);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(children, nullptr);
}

// A window asking for the whole screen at the origin, as the graphics window
// does: its frame cannot lie above or left of the work area, its client area
// keeps the size asked for, as in X; what it reports is what it got.
TEST_F(WindowsTest, AScreenSizedWindowAtTheOriginReportsTheClientAreaItGot) {
  const int width = DisplayWidth(display_, 0), height = DisplayHeight(display_, 0);
  Window w = top_level(0, 0, width, height, StructureNotifyMask);
  ASSERT_NE(w, 0u);
  XMapWindow(display_, w);
  pump_messages();
  RECT work, frame;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
  GetWindowRect(Lx_Hwnd(w), &frame);
  EXPECT_EQ(frame.left, work.left);
  EXPECT_EQ(frame.top, work.top);
  const RECT client = client_on_screen(Lx_Hwnd(w));
  EXPECT_GT(client.left, 0);
  EXPECT_GT(client.top, 0);
  EXPECT_EQ(client.right - client.left, width);
  EXPECT_EQ(client.bottom - client.top, height) << "not held to the system's largest tracking size";

  Window root;
  int x = 0, y = 0;
  unsigned got_width = 0, got_height = 0, border, depth;
  ASSERT_TRUE(XGetGeometry(display_, w, &root, &x, &y, &got_width, &got_height, &border, &depth));
  EXPECT_EQ(x, client.left);
  EXPECT_EQ(y, client.top);
  EXPECT_EQ(static_cast<int>(got_width), client.right - client.left);
  EXPECT_EQ(static_cast<int>(got_height), client.bottom - client.top);
  const std::vector<XEvent> configures = of_type(drain_events(display_, w), ConfigureNotify);
  ASSERT_FALSE(configures.empty());
  const XConfigureEvent& last = configures.back().xconfigure;
  EXPECT_EQ(last.x, client.left);
  EXPECT_EQ(last.y, client.top);
  EXPECT_EQ(last.width, client.right - client.left);
  EXPECT_EQ(last.height, client.bottom - client.top);

  // Moved within the work area it keeps what it got.
  XMoveWindow(display_, w, client.left + 10, client.top + 5);
  pump_messages();
  ASSERT_TRUE(XGetGeometry(display_, w, &root, &x, &y, &got_width, &got_height, &border, &depth));
  const RECT moved = client_on_screen(Lx_Hwnd(w));
  EXPECT_EQ(x, moved.left);
  EXPECT_EQ(y, moved.top);
  EXPECT_EQ(static_cast<int>(got_height), moved.bottom - moved.top);
  const std::vector<XEvent> later = of_type(drain_events(display_, w), ConfigureNotify);
  ASSERT_FALSE(later.empty());
  EXPECT_EQ(later.back().xconfigure.height, moved.bottom - moved.top);
}

TEST_F(WindowsTest, MovingAndResizingKeepTheClientRectangleTheXGeometry) {
  Window w = top_level(100, 100, 200, 100);
  Window c = child(w, 10, 20, 30, 40);
  ASSERT_NE(c, 0u);
  XMapWindow(display_, w);
  XMapWindow(display_, c);
  XMoveResizeWindow(display_, w, 150, 120, 320, 240);
  XResizeWindow(display_, c, 50, 60);
  XMoveWindow(display_, c, 5, 6);
  pump_messages();
  const RECT client = client_on_screen(Lx_Hwnd(w));
  EXPECT_EQ(client.left, 150);
  EXPECT_EQ(client.top, 120);
  EXPECT_EQ(client.right - client.left, 320);
  EXPECT_EQ(client.bottom - client.top, 240);
  RECT in_parent;
  GetWindowRect(Lx_Hwnd(c), &in_parent);
  MapWindowPoints(nullptr, Lx_Hwnd(w), reinterpret_cast<POINT*>(&in_parent), 2);
  EXPECT_EQ(in_parent.left, 5);
  EXPECT_EQ(in_parent.top, 6);
  EXPECT_EQ(in_parent.right - in_parent.left, 50);
  EXPECT_EQ(in_parent.bottom - in_parent.top, 60);
  int x, y;
  Window child_of;
  XTranslateCoordinates(display_, c, 0, 0, 0, &x, &y, &child_of);
  EXPECT_EQ(x, 155);
  EXPECT_EQ(y, 126);
}

TEST_F(OwnServerWindowsTest, TheFirstMapActivatesItsWindowAndLaterOnesDoNot) {
  Window first = top_level(100, 100, 200, 100);
  Window second = top_level(400, 100, 200, 100);
  XMapWindow(display_, first);
  EXPECT_TRUE(pump_until([&] { return GetActiveWindow() == Lx_Hwnd(first); }));
  XMapWindow(display_, second);
  pump_until([&] { return GetActiveWindow() != Lx_Hwnd(first); });  // give a wrong activation its time
  EXPECT_TRUE(IsWindowVisible(Lx_Hwnd(second)));
  EXPECT_EQ(GetActiveWindow(), Lx_Hwnd(first));
}

TEST_F(WindowsTest, ACloseRequestOnlyAsksForTheDeleteClientMessage) {
  Window w = top_level(100, 100, 200, 100, StructureNotifyMask | ExposureMask | FocusChangeMask);
  XMapWindow(display_, w);
  drain_events(display_, w);
  SendMessageA(Lx_Hwnd(w), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(Lx_Hwnd(w)));
  EXPECT_TRUE(IsWindowVisible(Lx_Hwnd(w)));
  const std::vector<XEvent> events = drain_events(display_, w);
  ASSERT_EQ(events.size(), 1u);
  const XClientMessageEvent& c = events[0].xclient;
  EXPECT_EQ(c.type, ClientMessage);
  EXPECT_EQ(c.message_type, XInternAtom(display_, "WM_PROTOCOLS", False));
  EXPECT_EQ(c.format, 32);
  EXPECT_EQ(static_cast<Atom>(c.data.l[0]), XInternAtom(display_, "WM_DELETE_WINDOW", False));
  XWindowAttributes a;
  EXPECT_EQ(XGetWindowAttributes(display_, w, &a), 1);
  EXPECT_EQ(a.map_state, IsViewable);
}

TEST_F(WindowsTest, ABusyOverlayDropsClicksUntilItGoes) {
  Window dialog = top_level(100, 100, 200, 100, ButtonPressMask);
  Window button = child(dialog, 10, 10, 50, 20, ButtonPressMask | ButtonReleaseMask);
  XMapWindow(display_, dialog);
  XMapWindow(display_, button);
  pump_messages();
  const HWND hwnd = Lx_Hwnd(button);
  Window overlay = XCreateWindow(display_, dialog, 0, 0, 1, 1, 0, 0, InputOnly, nullptr, 0, nullptr);
  ASSERT_NE(overlay, 0u);
  EXPECT_TRUE(Lx_FindWindow(dialog)->busy);
  EXPECT_TRUE(Lx_FindWindow(button)->busy);
  SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
  SendMessageA(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 6));
  SendMessageA(Lx_Hwnd(dialog), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 1));
  EXPECT_TRUE(of_type(queued_events(display_, button), ButtonPress).empty());
  EXPECT_TRUE(of_type(queued_events(display_, button), ButtonRelease).empty());
  EXPECT_TRUE(of_type(queued_events(display_, dialog), ButtonPress).empty());

  XDestroyWindow(display_, overlay);
  EXPECT_FALSE(Lx_FindWindow(button)->busy);
  SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6));
  std::vector<XEvent> events = of_type(queued_events(display_, button), ButtonPress);
  ASSERT_EQ(events.size(), 1u);
  const XButtonEvent& b = events.back().xbutton;
  EXPECT_EQ(b.type, ButtonPress);
  EXPECT_EQ(b.button, static_cast<unsigned>(Button1));
  EXPECT_EQ(b.x, 5);
  EXPECT_EQ(b.y, 6);
  EXPECT_EQ(b.x_root, 100 + 10 + 5);
  EXPECT_EQ(b.y_root, 100 + 10 + 6);
  EXPECT_EQ(b.state & Button1Mask, 0u) << "a press leaves its own button out";
  ReleaseCapture();
}

TEST_F(WindowsTest, CreateNotifyReachesTheParentWithTheGeometryGivenAndNoPointer) {
  Window parent = top_level(100, 100, 200, 100, SubstructureNotifyMask);
  Window quiet = top_level(100, 300, 200, 100);
  Window c = child(parent, 1, 2, 3, 4);
  Window q = child(quiet, 1, 2, 3, 4);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, Lx_Hwnd(c), LX_CREATE_NOTIFY, LX_CREATE_NOTIFY, PM_NOREMOVE));
  EXPECT_EQ(m.wParam, 0u);
  EXPECT_EQ(m.lParam, 0);
  EXPECT_FALSE(PeekMessageA(&m, Lx_Hwnd(q), LX_CREATE_NOTIFY, LX_CREATE_NOTIFY, PM_NOREMOVE));
  XEvent e;
  ASSERT_TRUE(XCheckTypedWindowEvent(display_, parent, CreateNotify, &e));
  EXPECT_EQ(e.xcreatewindow.window, c);
  EXPECT_EQ(e.xcreatewindow.parent, parent);
  EXPECT_EQ(e.xcreatewindow.x, 1);
  EXPECT_EQ(e.xcreatewindow.y, 2);
  EXPECT_EQ(e.xcreatewindow.width, 3);
  EXPECT_EQ(e.xcreatewindow.height, 4);
  EXPECT_FALSE(XCheckTypedWindowEvent(display_, quiet, CreateNotify, &e));
}

TEST_F(WindowsTest, RepaintsOfAWindowQueueExposesCountingDownToZero) {
  Window w = top_level(100, 100, 200, 100, ExposureMask);
  XMapWindow(display_, w);
  drain_events(display_, w);
  const RECT parts[] = {{0, 0, 10, 10}, {20, 20, 40, 30}, {100, 50, 200, 100}};
  for (const RECT& r : parts) {
    InvalidateRect(Lx_Hwnd(w), &r, FALSE);
    UpdateWindow(Lx_Hwnd(w));
  }
  std::vector<XEvent> exposes = of_type(drain_events(display_, w), Expose);
  ASSERT_EQ(exposes.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    const XExposeEvent& e = exposes[static_cast<size_t>(i)].xexpose;
    EXPECT_EQ(e.count, 2 - i);
    EXPECT_EQ(e.x, parts[i].left);
    EXPECT_EQ(e.y, parts[i].top);
    EXPECT_EQ(e.width, parts[i].right - parts[i].left);
    EXPECT_EQ(e.height, parts[i].bottom - parts[i].top);
  }
}

// As in X, a window that does not select exposures gets none, nor does its
// parent in its place; a child that selects them gets its own.
TEST_F(WindowsTest, OnlyAWindowThatSelectsExposuresGetsThem) {
  Window quiet = top_level(100, 100, 200, 100);
  Window parent = top_level(400, 100, 200, 100, ExposureMask);
  Window quiet_child = child(parent, 0, 0, 50, 50);
  Window listening_child = child(parent, 100, 0, 50, 50, ExposureMask);
  for (Window w : {quiet, parent, quiet_child, listening_child}) XMapWindow(display_, w);
  pump_messages();
  auto all_pending = [this] {
    std::vector<XEvent> events;
    for (XEvent e; XPending(display_) > 0;) {
      XNextEvent(display_, &e);
      events.push_back(e);
    }
    return events;
  };
  all_pending();
  struct Case {
    const char* what;
    Window window;
    size_t exposes;
  } cases[] = {{"top-level selecting none", quiet, 0},
               {"child selecting none", quiet_child, 0},
               {"child selecting exposures", listening_child, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InvalidateRect(Lx_Hwnd(c.window), nullptr, TRUE);
    UpdateWindow(Lx_Hwnd(c.window));
    std::vector<XEvent> exposes = of_type(all_pending(), Expose);
    EXPECT_EQ(exposes.size(), c.exposes);
    for (const XEvent& e : exposes) EXPECT_EQ(e.xexpose.window, c.window);
  }
}

TEST_F(WindowsTest, MappingAndUnmappingGiveTheirNotifications) {
  Window w = top_level(100, 100, 200, 100, StructureNotifyMask);
  XMapRaised(display_, w);
  std::vector<XEvent> events = drain_events(display_, w);
  EXPECT_EQ(of_type(events, MapNotify).size(), 1u);
  XUnmapWindow(display_, w);
  events = drain_events(display_, w);
  EXPECT_EQ(of_type(events, UnmapNotify).size(), 1u);
  EXPECT_FALSE(IsWindowVisible(Lx_Hwnd(w)));
  EXPECT_EQ(XWithdrawWindow(display_, w, 0), 1);
}

TEST_F(WindowsTest, MappingFollowsTheInitialStateOfTheHintsAndNormalWithoutOne) {
  struct Case {
    const char* what;
    long flags;
    int initial_state;
    bool visible, iconic, map_notify;
  } cases[] = {
      {"hints without the initial-state flag", InputHint, IconicState, true, false, true},
      {"normal state", StateHint, NormalState, true, false, true},
      {"iconic state", StateHint, IconicState, true, true, false},
      {"withdrawn state", StateHint, WithdrawnState, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Window w = top_level(100, 100, 200, 100, StructureNotifyMask);
    XWMHints hints{};
    hints.flags = c.flags;
    hints.input = True;
    hints.initial_state = c.initial_state;
    XSetWMHints(display_, w, &hints);
    XMapWindow(display_, w);
    const std::vector<XEvent> events = drain_events(display_, w);
    EXPECT_EQ(IsWindowVisible(Lx_Hwnd(w)) != 0, c.visible);
    EXPECT_EQ(IsIconic(Lx_Hwnd(w)) != 0, c.iconic);
    EXPECT_EQ(of_type(events, MapNotify).size(), c.map_notify ? 1u : 0u);
  }
}

TEST_F(WindowsTest, RecordsFollowTheirWindows) {
  Window w = top_level(100, 100, 200, 100);
  XWindowAttributes a;
  ASSERT_EQ(XGetWindowAttributes(display_, w, &a), 1);
  EXPECT_EQ(a.map_state, IsUnmapped);
  EXPECT_EQ(a.visual, DefaultVisual(display_, 0));
  EXPECT_EQ(a.all_event_masks, -1);
  Window root = 7, parent = 7, *children = reinterpret_cast<Window*>(8);
  unsigned n = 9;
  EXPECT_EQ(XQueryTree(display_, w, &root, &parent, &children, &n), 1) << "a window without children";
  EXPECT_EQ(root, 0u);
  EXPECT_EQ(parent, 0u);
  EXPECT_EQ(children, nullptr);
  EXPECT_EQ(n, 0u);

  windows_.clear();
  XDestroyWindow(display_, w);
  EXPECT_EQ(XGetWindowAttributes(display_, w, &a), 0);
  EXPECT_EQ(Lx_FindWindow(w), nullptr);
  unsigned width, height, border, depth;
  int x, y;
  EXPECT_EQ(XGetGeometry(display_, w, &root, &x, &y, &width, &height, &border, &depth), 0);
  EXPECT_EQ(XMapWindow(display_, w), BadWindow);
}

TEST_F(WindowsTest, BackgroundsAreRefusedAndOtherAttributesKept) {
  Window w = top_level(100, 100, 200, 100);
  XSetWindowAttributes a{};
  a.background_pixel = 0xff;
  EXPECT_EQ(XChangeWindowAttributes(display_, w, CWBackPixel, &a), BadMatch);
  EXPECT_EQ(XChangeWindowAttributes(display_, w, CWBackPixmap, &a), BadMatch);
  EXPECT_EQ(XChangeWindowAttributes(display_, 12345, CWEventMask, &a), BadWindow);
  a.event_mask = KeyPressMask;
  a.do_not_propagate_mask = KeyPressMask;
  a.cursor = 77;
  EXPECT_EQ(XChangeWindowAttributes(display_, w, CWEventMask | CWDontPropagate | CWCursor, &a), 1);
  a.cursor = 78;
  XChangeWindowAttributes(display_, w, CWCursor, &a);
  const Lx_WindowRecord* r = Lx_FindWindow(w);
  EXPECT_EQ(r->attributes.event_mask, KeyPressMask);
  EXPECT_EQ(r->attributes.do_not_propagate_mask, KeyPressMask);
  EXPECT_EQ(r->cursor, 78u);
  EXPECT_EQ(r->previous_cursor, 77u);
  a.override_redirect = True;
  XChangeWindowAttributes(display_, w, CWOverrideRedirect, &a);
  EXPECT_TRUE(GetWindowLongPtrA(Lx_Hwnd(w), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(WindowsTest, AChildBorderIsTheSystemsUnlessABorderPixelIsGiven) {
  Window w = top_level(100, 100, 200, 100);
  XSetWindowAttributes a{};
  Window plain = XCreateWindow(display_, w, 0, 0, 50, 20, 2, 0, InputOutput, nullptr, 0, &a);
  Window pixel = XCreateWindow(display_, w, 0, 40, 50, 20, 2, 0, InputOutput, nullptr, CWBorderPixel, &a);
  EXPECT_TRUE(GetWindowLongPtrA(Lx_Hwnd(plain), GWL_STYLE) & WS_BORDER);
  EXPECT_FALSE(GetWindowLongPtrA(Lx_Hwnd(pixel), GWL_STYLE) & WS_BORDER);
  XSetWindowBorderWidth(display_, plain, 0);
  EXPECT_FALSE(GetWindowLongPtrA(Lx_Hwnd(plain), GWL_STYLE) & WS_BORDER);
}

// As X places it, a pop-up's position is its border's outer corner and its
// content starts inside the border, drawn by the system or not.
TEST_F(WindowsTest, APopUpsContentLiesInsideItsBorder) {
  struct Case {
    const char* what;
    unsigned long mask;
    unsigned border;
    bool late;  // the border given after creation
  } cases[] = {
      {"a border pixel", CWBorderPixel, 1, false},
      {"the system's border", 0, 1, false},
      {"a border of 3 given later", CWBorderPixel, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    Window w = XCreateWindow(display_, 0, 300, 200, 60, 40, c.late ? 0 : c.border, 0, InputOutput, nullptr,
                             CWOverrideRedirect | c.mask, &a);
    ASSERT_NE(w, 0u);
    windows_.push_back(w);
    if (c.late) XSetWindowBorderWidth(display_, w, c.border);
    XMapWindow(display_, w);
    pump_messages();
    const int b = static_cast<int>(c.border);
    for (int move : {0, 1}) {
      if (move) {
        XMoveWindow(display_, w, 400, 250);
        pump_messages();
      }
      const int x = move ? 400 : 300, y = move ? 250 : 200;
      const RECT client = client_on_screen(Lx_Hwnd(w));
      EXPECT_EQ(client.left, x + b);
      EXPECT_EQ(client.top, y + b);
      EXPECT_EQ(client.right - client.left, 60);
      EXPECT_EQ(client.bottom - client.top, 40);
      Window root;
      int gx = 0, gy = 0;
      unsigned width = 0, height = 0, border = 0, depth = 0;
      ASSERT_TRUE(XGetGeometry(display_, w, &root, &gx, &gy, &width, &height, &border, &depth));
      EXPECT_EQ(gx, x);
      EXPECT_EQ(gy, y);
      EXPECT_EQ(width, 60u);
      EXPECT_EQ(border, c.border);
    }
  }
}

TEST_F(WindowsTest, AReparentedWindowBecomesAChildKeepingItsClientSize) {
  Window parent = top_level(100, 100, 300, 200);
  Window w = top_level(500, 100, 120, 80);
  XMapWindow(display_, parent);
  XMapWindow(display_, w);
  XReparentWindow(display_, w, parent, 10, 20);
  pump_messages();
  const HWND hwnd = Lx_Hwnd(w);
  EXPECT_EQ(GetParent(hwnd), Lx_Hwnd(parent));
  EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD);
  EXPECT_FALSE(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CAPTION);
  const RECT client = client_on_screen(hwnd);
  const RECT parent_client = client_on_screen(Lx_Hwnd(parent));
  EXPECT_EQ(client.left - parent_client.left, 10);
  EXPECT_EQ(client.top - parent_client.top, 20);
  EXPECT_EQ(client.right - client.left, 120);
  EXPECT_EQ(client.bottom - client.top, 80);
  EXPECT_TRUE(Lx_FindWindow(w)->attributes.override_redirect);
}

TEST_F(OwnServerWindowsTest, WarpingMovesThePointerInTheDestinationsClientCoordinates) {
  Window w = top_level(100, 100, 200, 100);
  XMapWindow(display_, w);
  pump_messages();
  XWarpPointer(display_, 0, w, 0, 0, 0, 0, 7, 8);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 107);
  EXPECT_EQ(p.y, 108);
  XWarpPointer(display_, 0, 0, 0, 0, 0, 0, 30, 40);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 30);
  EXPECT_EQ(p.y, 40);
  EXPECT_EQ(XWindowFromPoint(display_, 150, 150), w);
}

}  // namespace
