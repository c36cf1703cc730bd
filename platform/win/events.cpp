// Event translation and queues over the system's messages: the selection and
// propagation rule on the window table, the pumping calls, crossing and focus
// events, grabs, and the keyboard-independent X event calls.
#include <windows.h>  // before X's headers, whose macros it would meet

#include "platform/win/events.h"

#include "platform/win/crossing_rules.h"
#include "platform/win/event_rules.h"
#include "platform/win/layer.h"

namespace {

// The window tree of the rules, read from the window table and the system.
bool window_info(void*, Window window, Lx_WindowInfo* info) {
  const Lx_WindowRecord* r = Lx_FindWindow(window);
  if (r == nullptr) return false;
  info->top_level = Lx_IsTopLevel(window);
  info->parent = info->top_level ? None : Lx_ParentWindow(window);
  info->event_mask = r->attributes.event_mask;
  info->do_not_propagate = r->attributes.do_not_propagate_mask;
  POINT origin{0, 0};
  if (info->parent != None) MapWindowPoints(r->hwnd, Lx_Hwnd(info->parent), &origin, 1);
  info->x = origin.x;
  info->y = origin.y;
  return true;
}

const Lx_WindowTree windowTree{window_info, nullptr};

// The last motion event, for XQueryPointer.
struct {
  bool seen;
  Window window;
  int x, y;
  unsigned state;
} lastMotion;

Lx_EventQueue* queue_of(Display* d, int type) {
  switch (type) {
    case LX_FILE_EVENT: case LX_DESCRIPTOR_EVENT: return &d->queues[LX_FILE_QUEUE];
    case LX_TIMER_EVENT: return &d->queues[LX_TIMER_QUEUE];
    default: return &d->queues[LX_X_QUEUE];
  }
}

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

void key_event(const MSG* m, int type, XEvent* e) {
  POINT p = m->pt;
  ScreenToClient(m->hwnd, &p);
  XKeyEvent& k = e->xkey;
  k.type = type;
  k.root = None;
  k.subwindow = k.window;
  k.time = m->time;
  k.x = p.x;
  k.y = p.y;
  k.x_root = m->pt.x;
  k.y_root = m->pt.y;
  k.state = Lx_MsgGetState(false);
  k.keycode = static_cast<unsigned>(m->wParam & 0xFF);
  k.same_screen = True;
}

// The motion event of a mouse move, false when the pointer stayed put.
bool motion_event(Display* d, const MSG* m, XEvent* e) {
  POINT p{static_cast<short>(LOWORD(m->lParam)), static_cast<short>(HIWORD(m->lParam))};
  POINT screen = p;
  ClientToScreen(m->hwnd, &screen);
  if (lastMotion.seen && screen.x == d->last_motion_x && screen.y == d->last_motion_y) return false;
  d->last_motion_x = screen.x;
  d->last_motion_y = screen.y;
  XMotionEvent& v = e->xmotion;
  v.type = MotionNotify;
  v.root = v.subwindow = None;
  v.time = m->time;
  v.x = p.x;
  v.y = p.y;
  v.x_root = screen.x;
  v.y_root = screen.y;
  v.state = Lx_MsgGetState(false);
  v.is_hint = NotifyNormal;
  v.same_screen = True;
  lastMotion = {true, v.window, screen.x, screen.y, v.state};
  return true;
}

// The event of one message, false when it makes none or the window's tree
// wants none of its type. Private message words are never pointers.
bool translate(Display* d, const MSG* m, XEvent* e) {
  *e = XEvent{};
  e->xany.window = Lx_WindowId(m->hwnd);
  e->xany.serial = d->request;
  e->xany.send_event = False;
  e->xany.display = d;
  switch (m->message) {
    case WM_QUIT:
      e->type = DestroyNotify;
      e->xdestroywindow.event = e->xdestroywindow.window = static_cast<Window>(m->wParam);
      break;
    case WM_KEYDOWN: case WM_SYSKEYDOWN: key_event(m, KeyPress, e); break;
    case WM_KEYUP: case WM_SYSKEYUP: key_event(m, KeyRelease, e); break;
    case WM_TIMER:
      e->type = LX_TIMER_EVENT;
      e->xclient.data.l[0] = static_cast<long>(m->wParam);
      break;
    case WM_MOUSEMOVE:
      if (!motion_event(d, m, e)) return false;
      break;
    case LX_CREATE_NOTIFY: {
      // Posted to the new window; what it was made with stays in its record.
      const Window child = Lx_WindowId(m->hwnd);
      const Lx_WindowRecord* r = Lx_FindWindow(child);
      if (r == nullptr || Lx_IsTopLevel(child)) return false;
      XCreateWindowEvent& c = e->xcreatewindow;
      c.type = CreateNotify;
      c.parent = Lx_ParentWindow(child);
      c.window = child;
      c.x = r->geometry.x;
      c.y = r->geometry.y;
      c.width = r->geometry.width;
      c.height = r->geometry.height;
      c.border_width = 1;
      c.override_redirect = False;
      break;
    }
    case LX_MAP_NOTIFY: {
      const Lx_WindowRecord* r = Lx_FindWindow(e->xany.window);
      e->type = MapNotify;
      e->xmap.window = e->xmap.event;
      e->xmap.override_redirect = r != nullptr && r->attributes.override_redirect;
      break;
    }
    case LX_UNMAP_NOTIFY:
      e->type = UnmapNotify;
      e->xunmap.window = e->xunmap.event;
      e->xunmap.from_configure = False;
      break;
    case LX_CLIENT_MESSAGE:
      e->type = ClientMessage;
      e->xclient.message_type = static_cast<Atom>(m->wParam);
      e->xclient.format = 32;
      e->xclient.data.l[0] = static_cast<long>(m->lParam);
      break;
    case LX_COLOURS_CHANGED: e->type = LX_COLOURS_EVENT; break;
    case LX_RETURN_NOW: e->type = LX_RETURN_NOW_EVENT; break;
    case LX_DELETE_WINDOW:
      e->type = ClientMessage;
      e->xclient.message_type = atom(d, "WM_PROTOCOLS");
      e->xclient.format = 32;
      e->xclient.data.l[0] = static_cast<long>(atom(d, "WM_DELETE_WINDOW"));
      break;
    case WM_USER + 34: case WM_USER + 35: case WM_USER + 36: {
      static constexpr long subtypes[] = {3, 4, 1};
      e->type = LX_FILE_EVENT;
      e->xclient.data.l[0] = subtypes[m->message - (WM_USER + 34)];
      e->xclient.data.l[1] = static_cast<long>(m->wParam);
      e->xclient.data.l[2] = static_cast<long>(m->lParam);
      break;
    }
    case WM_USER + 37:
      e->type = LX_DESCRIPTOR_EVENT;
      e->xclient.data.l[0] = static_cast<long>(m->wParam);
      e->xclient.data.l[1] = static_cast<long>(m->lParam);
      break;
    default:
      return false;
  }
  return Lx_CheckSendMessage(e->xany.window, e->type);
}

// Queues a translated event by its type.
void queue_event(Display* d, const XEvent* e) {
  Lx_EventQueue* q = queue_of(d, e->type);
  if (q == &d->queues[LX_X_QUEUE])
    Lx_PutEvent(e);
  else
    Lx_AppendEvent(q, e);
}

void dispatch(const MSG* m) {
  TranslateMessage(m);
  DispatchMessage(m);
}

// Handles every waiting message.
void pump(Display* d) {
  MSG m;
  while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    dispatch(&m);
    XEvent e;
    if (translate(d, &m, &e)) queue_event(d, &e);
  }
}

// Waits for one message and translates it; false when none came.
bool wait_message(Display* d, XEvent* e, bool* translated) {
  MSG m;
  if (GetMessage(&m, nullptr, 0, 0) == -1) return false;
  dispatch(&m);
  *translated = translate(d, &m, e);
  return true;
}

int queued(Display* d, int mode, int queues) {
  if (queues == 0) queues = LX_SELECT_X;
  auto count = [&] {
    int n = 0;
    for (int q = 0; q < LX_QUEUE_COUNT; ++q)
      if ((queues & (1 << q)) != 0) n += d->queues[q].count;
    return n;
  };
  if (mode == 3 || (mode != QueuedAlready && count() == 0)) pump(d);
  return count();
}

void take_serial(Display* d, const XEvent* e) { d->last_request_read = e->xany.serial; }

// The oldest X event that `wanted` accepts, taken out, after pumping.
bool check_event(Display* d, bool (*wanted)(const XEvent*, void*), void* argument, XEvent* event) {
  pump(d);
  if (!Lx_TakeMatchingEvent(&d->queues[LX_X_QUEUE], wanted, argument, event)) return false;
  take_serial(d, event);
  return true;
}

struct WindowAndMask {
  Window window;
  long mask;
  int type;
};

bool window_and_mask(const XEvent* e, void* a) {
  const auto* w = static_cast<const WindowAndMask*>(a);
  return e->xany.window == w->window && (Lx_EventTypeMask(e->type) & w->mask) != 0;
}
bool window_and_type(const XEvent* e, void* a) {
  const auto* w = static_cast<const WindowAndMask*>(a);
  return e->xany.window == w->window && e->type == w->type;
}
bool of_type(const XEvent* e, void* a) { return e->type == static_cast<const WindowAndMask*>(a)->type; }
bool of_mask(const XEvent* e, void* a) {
  return (Lx_EventTypeMask(e->type) & static_cast<const WindowAndMask*>(a)->mask) != 0;
}

// Whether the window or one of its ancestors up to its top-level window holds the focus.
bool holds_focus(Display* d, Window w) {
  Lx_WindowInfo info;
  for (; w != None; w = info.parent) {
    if (w == d->focus_window) return true;
    if (!window_info(nullptr, w, &info) || info.top_level) return false;
  }
  return false;
}

struct Crossing {
  Display* display;
  int x, y, mode;
};

void crossing_step(void* context, const Lx_CrossingStep& s) {
  const Crossing* c = static_cast<const Crossing*>(context);
  const Lx_WindowRecord* r = Lx_FindWindow(s.window);
  const int type = s.enter ? EnterNotify : LeaveNotify;
  if (r == nullptr || !Lx_WindowSelects(type, r->attributes.event_mask, 0)) return;
  POINT p{c->x, c->y};
  ScreenToClient(r->hwnd, &p);
  XEvent e{};
  XCrossingEvent& x = e.xcrossing;
  x.type = type;
  x.serial = c->display->request;
  x.display = c->display;
  x.window = s.window;
  x.root = x.subwindow = None;
  x.time = GetTickCount();
  x.x = p.x;
  x.y = p.y;
  x.x_root = c->x;
  x.y_root = c->y;
  x.mode = c->mode;
  x.detail = s.detail;
  x.same_screen = True;
  x.focus = holds_focus(c->display, s.window);
  x.state = Lx_MsgGetState(false);
  Lx_PutEvent(&e);
  PostMessage(r->hwnd, LX_WAKE_UP, 0, 0);
}

void focus_step(void* context, const Lx_CrossingStep& s) {
  const Crossing* c = static_cast<const Crossing*>(context);
  const int type = s.enter ? FocusIn : FocusOut;
  const Lx_WindowRecord* r = Lx_FindWindow(s.window);
  if (r == nullptr || !Lx_CheckSendMessage(s.window, type)) return;
  XEvent e{};
  XFocusChangeEvent& f = e.xfocus;
  f.type = type;
  f.serial = c->display->request;
  f.display = c->display;
  f.window = s.window;
  f.mode = c->mode;
  f.detail = s.detail;
  Lx_PutEvent(&e);
  PostMessage(r->hwnd, LX_WAKE_UP, 0, 0);
  // The system's keyboard focus follows, except into a window only passed through.
  if (s.enter && s.detail != NotifyVirtual && s.detail != NotifyNonlinearVirtual && GetFocus() != r->hwnd)
    SetFocus(r->hwnd);
}

}  // namespace

// --- Between the layer's modules ------------------------------------------

bool Lx_PutEvent(const XEvent* event) {
  Display* d = Lx_CurrentDisplay();
  if (d == nullptr) return false;
  XEvent e = *event;
  // A copy's exposure events name its destination, which may be a pixmap.
  if ((e.type == NoExpose || e.type == GraphicsExpose) && Lx_IsPixmap(e.xnoexpose.drawable)) {
    Lx_AppendEvent(&d->queues[LX_X_QUEUE], &e);
    return true;
  }
  if (Lx_DeliveryWindow(&e, &windowTree) == None) return false;
  Lx_AppendEvent(&d->queues[LX_X_QUEUE], &e);
  return true;
}

void Lx_MsgToEvent(const MSG* message) {
  Display* d = Lx_CurrentDisplay();
  XEvent e;
  if (d != nullptr && translate(d, message, &e)) queue_event(d, &e);
}

bool Lx_CheckSendMessage(Window window, int type) { return Lx_TypeWanted(&windowTree, window, type); }

unsigned int Lx_MsgGetState(bool modifiers_only) {
  auto held = [](int vk) { return (GetKeyState(vk) & 0x8000) != 0; };
  auto toggled = [](int vk) { return (GetKeyState(vk) & 1) != 0; };
  Lx_InputState in;
  in.shift = held(VK_SHIFT);
  in.control = held(VK_CONTROL);
  in.alt = held(VK_MENU);
  in.caps_lock = toggled(VK_CAPITAL);
  in.num_lock = toggled(VK_NUMLOCK);
  in.scroll_lock = toggled(VK_SCROLL);
  in.left = held(VK_LBUTTON);
  in.middle = held(VK_MBUTTON);
  in.right = held(VK_RBUTTON);
  return Lx_EventState(in, !modifiers_only);
}

void Lx_GenerateCrossingEvents(Display* display, Window from, Window to, int x, int y, int mode) {
  Crossing c{display, x, y, mode};
  Lx_CrossingSteps(&windowTree, from, to, crossing_step, &c);
}

void Lx_GenerateFocusEvents(Display* display, Window from, Window to, int mode) {
  Crossing c{display, 0, 0, mode};
  Lx_CrossingSteps(&windowTree, from, to, focus_step, &c);
}

void Lx_EnterLeave(Window window) {
  Display* d = Lx_CurrentDisplay();
  if (d == nullptr || window == None || window != d->pointer_window) return;
  const Window under = Lx_WindowId(WindowFromPoint(POINT{d->pointer_x, d->pointer_y}));
  const Window now = Lx_FindWindow(under) != nullptr ? under : None;
  Lx_GenerateCrossingEvents(d, d->pointer_window, now, d->pointer_x, d->pointer_y, NotifyNormal);
  d->pointer_window = now;
}

// --- Queues and pumping ------------------------------------------------------

int XPending(Display* display) { return queued(display, QueuedAfterReading, LX_SELECT_X); }

int XEventsQueued(Display* display, int mode) { return queued(display, mode, LX_SELECT_X); }

int XFileEventsQueued(Display* display, int mode, int queues) { return queued(display, mode, queues); }

int XNextFileEvent(Display* display, XEvent* event, int queues) {
  if (queues == 0) queues = LX_SELECT_X;
  for (;;) {
    for (int q = 0; q < LX_QUEUE_COUNT; ++q) {
      if ((queues & (1 << q)) != 0 && Lx_TakeEvent(&display->queues[q], event)) {
        take_serial(display, event);
        return 0;
      }
    }
    XEvent e;
    bool translated = false;
    if (!wait_message(display, &e, &translated)) return 0;
    if (!translated) continue;
    const int q = static_cast<int>(queue_of(display, e.type) - display->queues);
    if (e.type == LX_RETURN_NOW_EVENT || (queues & (1 << q)) != 0) {
      *event = e;
      take_serial(display, event);
      return 0;
    }
    queue_event(display, &e);
  }
}

bool XNextWindowsMessage(Display* display) {
  XEvent e;
  bool translated = false;
  if (!wait_message(display, &e, &translated) || !translated) return false;
  queue_event(display, &e);
  return true;
}

int XNextEvent(Display* display, XEvent* event) { return XNextFileEvent(display, event, LX_SELECT_X); }

int XPeekEvent(Display* display, XEvent* event) {
  while (!Lx_PeekEvent(&display->queues[LX_X_QUEUE], event)) XNextWindowsMessage(display);
  return 1;
}

int XPutBackEvent(Display* display, XEvent* event) {
  Lx_PushBackEvent(&display->queues[LX_X_QUEUE], event);
  return 0;
}

int XWindowEvent(Display* display, Window window, long mask, XEvent* event) {
  WindowAndMask w{window, mask, 0};
  while (!Lx_TakeMatchingEvent(&display->queues[LX_X_QUEUE], window_and_mask, &w, event))
    XNextWindowsMessage(display);
  take_serial(display, event);
  return 0;
}

Bool XCheckWindowEvent(Display* display, Window window, long mask, XEvent* event) {
  WindowAndMask w{window, mask, 0};
  return check_event(display, window_and_mask, &w, event);
}

Bool XCheckTypedWindowEvent(Display* display, Window window, int type, XEvent* event) {
  WindowAndMask w{window, 0, type};
  return check_event(display, window_and_type, &w, event);
}

Bool XCheckTypedEvent(Display* display, int type, XEvent* event) {
  WindowAndMask w{None, 0, type};
  return check_event(display, of_type, &w, event);
}

Bool XCheckMaskEvent(Display* display, long mask, XEvent* event) {
  WindowAndMask w{None, mask, 0};
  return check_event(display, of_mask, &w, event);
}

Bool XCheckIfEvent(Display* display, XEvent* event, Bool (*predicate)(Display*, XEvent*, XPointer),
                   XPointer argument) {
  struct Call {
    Display* display;
    Bool (*predicate)(Display*, XEvent*, XPointer);
    XPointer argument;
  } call{display, predicate, argument};
  auto accepts = [](const XEvent* e, void* a) {
    const Call* c = static_cast<const Call*>(a);
    return c->predicate(c->display, const_cast<XEvent*>(e), c->argument) != False;
  };
  return Lx_TakeMatchingEvent(&display->queues[LX_X_QUEUE], accepts, &call, event);
}

Status XSendEvent(Display* display, Window window, Bool, long, XEvent* event) {
  XEvent e = *event;
  e.xany.send_event = True;
  e.xany.display = display;
  e.xany.window = window;
  Lx_PutEvent(&e);
  return 1;
}

// --- Input selection, focus, grabs, pointer ---------------------------------

int XSelectInput(Display*, Window window, long mask) {
  XSetWindowAttributes a{};
  a.event_mask = mask;
  return Lx_SetWindowAttributes(window, CWEventMask, &a) == 0 ? 1 : 0;
}

int XSetInputFocus(Display* display, Window focus, int, Time) {
  const Window from = display->focus_window;
  display->focus_window = focus;
  Lx_GenerateFocusEvents(display, from, focus, NotifyNormal);
  return 1;
}

int XGetInputFocus(Display* display, Window* focus, int* revert_to) {
  *focus = display->focus_window;
  *revert_to = RevertToParent;
  return 1;
}

int XGrabPointer(Display* display, Window grab_window, Bool, unsigned int, int, int, Window, Cursor, Time) {
  ReleaseCapture();
  const Window from = display->pointer_grab_active ? display->pointer_grab_window : display->pointer_window;
  Lx_GenerateCrossingEvents(display, from, grab_window, display->pointer_x, display->pointer_y, NotifyGrab);
  display->pointer_grab_window = grab_window;
  display->pointer_grab_active = true;
  return GrabSuccess;
}

int XUngrabPointer(Display* display, Time) {
  if (display->pointer_grab_active) {
    Lx_GenerateCrossingEvents(display, display->pointer_grab_window, display->pointer_window, display->pointer_x,
                              display->pointer_y, NotifyUngrab);
    display->pointer_grab_active = false;
    ReleaseCapture();
  }
  return 1;
}

int XGrabKeyboard(Display* display, Window grab_window, Bool, int, int, Time) {
  const Window from = display->keyboard_grab_active ? display->keyboard_grab_window : display->pointer_window;
  Lx_GenerateFocusEvents(display, from, grab_window, NotifyGrab);
  display->keyboard_grab_window = grab_window;
  display->keyboard_grab_active = true;
  return GrabSuccess;
}

int XUngrabKeyboard(Display* display, Time) {
  if (display->keyboard_grab_active) {
    Lx_GenerateFocusEvents(display, display->keyboard_grab_window, display->pointer_window, NotifyUngrab);
    display->keyboard_grab_active = false;
  }
  return 1;
}

Bool XQueryPointer(Display*, Window window, Window* root, Window* child, int* root_x, int* root_y, int* window_x,
                   int* window_y, unsigned int* mask) {
  POINT p{lastMotion.x, lastMotion.y};
  if (window != None) ScreenToClient(Lx_Hwnd(window), &p);
  *root = None;
  *child = lastMotion.window;
  *root_x = lastMotion.x;
  *root_y = lastMotion.y;
  *window_x = p.x;
  *window_y = p.y;
  *mask = lastMotion.state;
  return True;
}
