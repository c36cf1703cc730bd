#include "tests/toolkit/widget_events.h"

#include "toolkit/ui_app_context.h"

void pump_all_windows() {
  Display* display = AppContext->ui_display;
  for (int round = 0; round < 50; ++round) {
    XSync(display, False);
    if (XPending(display) == 0) return;
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (UIWindow* window = UIWindow::find_window(event.xany.window)) {
        window->handle_window_event(&event, true);
      }
    }
  }
}

XEvent button_event(const UIWindow& window, int type, unsigned button, int x, int y,
                    unsigned state) {
  XEvent event = {};
  event.xbutton.type = type;
  event.xbutton.display = window.display;
  event.xbutton.window = window.x_window;
  event.xbutton.button = button;
  event.xbutton.x = x;
  event.xbutton.y = y;
  event.xbutton.state = state;
  event.xbutton.same_screen = True;
  return event;
}

XEvent motion_event(const UIWindow& window, int x, int y, unsigned state) {
  XEvent event = {};
  event.xmotion.type = MotionNotify;
  event.xmotion.display = window.display;
  event.xmotion.window = window.x_window;
  event.xmotion.x = x;
  event.xmotion.y = y;
  event.xmotion.state = state;
  event.xmotion.same_screen = True;
  return event;
}

XEvent key_event(const UIWindow& window, KeySym symbol, unsigned state) {
  XEvent event = {};
  event.xkey.type = KeyPress;
  event.xkey.display = window.display;
  event.xkey.window = window.x_window;
  event.xkey.root = RootWindow(window.display, DefaultScreen(window.display));
  event.xkey.keycode = XKeysymToKeycode(window.display, symbol);
  event.xkey.state = state;
  event.xkey.same_screen = True;
  return event;
}

void drag_button1(UIWindow& window, int x0, int y0,
                  std::initializer_list<std::pair<int, int>> to) {
  XEvent press = button_event(window, ButtonPress, Button1, x0, y0);
  window.handle_window_event(&press, true);
  int x = x0, y = y0;
  for (auto [px, py] : to) {
    XEvent motion = motion_event(window, px, py, Button1Mask);
    window.handle_window_event(&motion, true);
    x = px;
    y = py;
  }
  XEvent release = button_event(window, ButtonRelease, Button1, x, y, Button1Mask);
  window.handle_window_event(&release, true);
}
