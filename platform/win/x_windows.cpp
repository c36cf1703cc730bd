// X windows over Win32: each X window is a system window of one of three
// classes, its id the window handle; a record per window keeps the X
// attributes and geometry, and the window calls keep both in step.
#include "platform/win/x_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/checked_mm.h"
#include "platform/win/hash_table.h"
#include "platform/win/layer.h"

namespace {

Lx_HashTable windowTable;
bool table_made;
int cxFrame, cyFrame, cyCaption;
bool firstWindow = true;

constexpr unsigned kAllChanges = CWX | CWY | CWWidth | CWHeight | CWBorderWidth | CWSibling | CWStackMode;

void new_record(HWND hwnd) {
  if (!table_made) {
    Lx_InitHashTable(&windowTable, LX_ONE_WORD_KEYS);
    table_made = true;
  }
  int is_new = 0;
  Lx_HashEntry* entry = Lx_CreateHashEntry(&windowTable, hwnd, &is_new);
  if (!is_new) return;
  Lx_WindowRecord* r = checked_new_array<Lx_WindowRecord>(1);
  std::memset(r, 0, sizeof *r);
  r->hwnd = hwnd;
  // X's defaults for a new window.
  r->attributes.background_pixmap = None;
  r->attributes.border_pixmap = CopyFromParent;
  r->attributes.bit_gravity = ForgetGravity;
  r->attributes.win_gravity = NorthWestGravity;
  r->attributes.backing_store = NotUseful;
  r->attributes.backing_planes = ~0UL;
  r->attributes.colormap = CopyFromParent;
  r->geometry.width = 1;
  r->geometry.height = 1;
  r->geometry.stack_mode = Above;
  Lx_SetHashValue(entry, r);
}

void free_record(HWND hwnd) {
  if (!table_made) return;
  Lx_HashEntry* entry = Lx_FindHashEntry(&windowTable, hwnd);
  if (entry == nullptr) return;
  CheckedFree(Lx_GetHashValue(entry));
  Lx_DeleteHashEntry(entry);
}

bool is_child(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CHILD) != 0; }

bool is_busy_overlay(HWND hwnd) { return GetWindowLongPtrA(hwnd, GWLP_USERDATA) == LX_BUSY_OVERLAY_MARK; }

Display* display() { return Lx_CurrentDisplay(); }

void count_request(Display* d) {
  if (d != nullptr) ++d->request;
}

// X puts a top-level pop-up's content inside its border, the window's place
// being the border's outer corner: the distance of the content from it.
int inner_offset(HWND hwnd, const Lx_WindowRecord* r) {
  return r->attributes.override_redirect && !is_child(hwnd) ? r->geometry.border_width : 0;
}

void set_border_style(HWND hwnd, bool on) {
  LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
  LONG_PTR changed = on ? style | WS_BORDER : style & ~static_cast<LONG_PTR>(WS_BORDER);
  if (changed == style) return;
  SetWindowLongPtrA(hwnd, GWL_STYLE, changed);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

HCURSOR wait_cursor() { return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)); }

// Busy marks on a window and all its descendants.
BOOL CALLBACK mark_busy(HWND hwnd, LPARAM busy) {
  if (Lx_WindowRecord* r = Lx_FindHwnd(hwnd)) r->busy = busy != 0;
  return TRUE;
}

void set_busy(HWND parent, bool busy) {
  if (parent == nullptr) return;
  mark_busy(parent, busy);
  EnumChildWindows(parent, mark_busy, busy);
}

Window create_busy_overlay(Window parent) {
  HWND parent_hwnd = parent != 0 ? Lx_Hwnd(parent) : nullptr;
  const DWORD style = (parent_hwnd != nullptr ? WS_CHILD : WS_POPUP) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  HWND overlay = CreateWindowExA(0, "InputOnly", nullptr, style, 0, 0, 1, 1, parent_hwnd, nullptr, Lx_Instance(),
                                 nullptr);
  if (overlay == nullptr) return 0;
  SetWindowLongPtrA(overlay, GWLP_USERDATA, LX_BUSY_OVERLAY_MARK);
  set_busy(parent_hwnd, true);
  SetCursor(wait_cursor());
  SetWindowPos(overlay, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return Lx_WindowId(overlay);
}

// Moving the pointer to where it is makes the system set the right cursor.
void nudge_pointer() {
  POINT p;
  if (GetCursorPos(&p)) SetCursorPos(p.x, p.y);
}

void post(HWND hwnd, UINT message, WPARAM w = 0, LPARAM l = 0) { PostMessageA(hwnd, message, w, l); }

void queue(XEvent* event, HWND hwnd) {
  Display* d = display();
  event->xany.serial = d != nullptr ? d->request : 0;
  event->xany.send_event = False;
  event->xany.display = d;
  if (Lx_PutEvent(event)) post(hwnd, LX_WAKE_UP);
}

void queue_configure(HWND hwnd, const Lx_WindowRecord* r, Window above) {
  XEvent e{};
  e.xconfigure.type = ConfigureNotify;
  e.xconfigure.event = e.xconfigure.window = Lx_WindowId(hwnd);
  e.xconfigure.x = r->geometry.x;
  e.xconfigure.y = r->geometry.y;
  e.xconfigure.width = r->geometry.width;
  e.xconfigure.height = r->geometry.height;
  e.xconfigure.border_width = r->geometry.border_width;
  e.xconfigure.above = above;
  e.xconfigure.override_redirect = r->attributes.override_redirect;
  queue(&e, hwnd);
}

// Only for a window that selects exposures itself: as in X, they go to no
// other, and one that selects none gets none.
void queue_expose(HWND hwnd, const RECT& area) {
  const Lx_WindowRecord* r = Lx_FindHwnd(hwnd);
  if (r == nullptr || (r->attributes.event_mask & ExposureMask) == 0) return;
  XEvent e{};
  e.xexpose.type = Expose;
  e.xexpose.window = Lx_WindowId(hwnd);
  e.xexpose.x = area.left;
  e.xexpose.y = area.top;
  e.xexpose.width = area.right - area.left;
  e.xexpose.height = area.bottom - area.top;
  e.xexpose.count = 0;
  queue(&e, hwnd);
}

void queue_crossing(HWND hwnd, int type, POINT screen) {
  XEvent e{};
  XCrossingEvent& c = e.xcrossing;
  c.type = type;
  c.window = Lx_WindowId(hwnd);
  c.time = GetTickCount();
  POINT p = screen;
  ScreenToClient(hwnd, &p);
  c.x = p.x;
  c.y = p.y;
  c.x_root = screen.x;
  c.y_root = screen.y;
  c.mode = NotifyNormal;
  c.detail = NotifyNonlinear;
  c.same_screen = True;
  c.state = Lx_MsgGetState(false);
  queue(&e, hwnd);
}

// Buttons as X numbers them, with the state the event carries.
struct ButtonMessage {
  UINT message;
  int type;
  unsigned button;
};
const ButtonMessage kButtons[] = {
    {WM_LBUTTONDOWN, ButtonPress, Button1},     {WM_LBUTTONDBLCLK, ButtonPress, Button1},
    {WM_MBUTTONDOWN, ButtonPress, Button2},     {WM_MBUTTONDBLCLK, ButtonPress, Button2},
    {WM_RBUTTONDOWN, ButtonPress, Button3},     {WM_RBUTTONDBLCLK, ButtonPress, Button3},
    {WM_LBUTTONUP, ButtonRelease, Button1},     {WM_MBUTTONUP, ButtonRelease, Button2},
    {WM_RBUTTONUP, ButtonRelease, Button3},     {WM_NCLBUTTONDOWN, ButtonPress, Button1},
    {WM_NCLBUTTONDBLCLK, ButtonPress, Button1}, {WM_NCMBUTTONDOWN, ButtonPress, Button2},
    {WM_NCMBUTTONDBLCLK, ButtonPress, Button2}, {WM_NCRBUTTONDOWN, ButtonPress, Button3},
    {WM_NCRBUTTONDBLCLK, ButtonPress, Button3}, {WM_NCLBUTTONUP, ButtonRelease, Button1},
    {WM_NCMBUTTONUP, ButtonRelease, Button2},   {WM_NCRBUTTONUP, ButtonRelease, Button3},
};

const ButtonMessage* button_message(UINT message) {
  for (const ButtonMessage& b : kButtons)
    if (b.message == message) return &b;
  return nullptr;
}

bool is_non_client(UINT message) { return message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK; }

void queue_button(HWND hwnd, const ButtonMessage& b, LPARAM l, bool screen_coordinates) {
  XEvent e{};
  XButtonEvent& x = e.xbutton;
  x.type = b.type;
  x.window = Lx_WindowId(hwnd);
  x.time = GetTickCount();
  POINT p{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
  POINT screen = p;
  if (!screen_coordinates) ClientToScreen(hwnd, &screen);
  x.x = p.x;
  x.y = p.y;
  x.x_root = screen.x;
  x.y_root = screen.y;
  x.state = Lx_ButtonEventState(Lx_MsgGetState(false), b.button, b.type == ButtonPress);
  x.button = b.button;
  x.same_screen = True;
  queue(&e, hwnd);
}

void set_title_from(HWND hwnd, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* text = nullptr;
  if (XGetWindowProperty(display(), Lx_WindowId(hwnd), property, 0, 1024, False, AnyPropertyType, &type, &format,
                         &count, &after, &text) != Success || text == nullptr)
    return;
  if (format == 8) SetWindowTextA(hwnd, reinterpret_cast<const char*>(text));
  XFree(text);
}

// The requested frame, clamped into the work area, recorded as client geometry.
void position_changing(HWND hwnd, Lx_WindowRecord* r, WINDOWPOS* p) {
  if ((p->flags & SWP_NOMOVE) && (p->flags & SWP_NOSIZE)) return;
  RECT frame{p->x, p->y, p->x + p->cx, p->y + p->cy};
  if (p->flags & (SWP_NOMOVE | SWP_NOSIZE)) {
    RECT now;
    GetWindowRect(hwnd, &now);
    if (p->flags & SWP_NOMOVE) OffsetRect(&frame, now.left - frame.left, now.top - frame.top);
    if (p->flags & SWP_NOSIZE) {
      frame.right = frame.left + (now.right - now.left);
      frame.bottom = frame.top + (now.bottom - now.top);
    }
  }
  if (!r->attributes.override_redirect) {
    RECT work;
    if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) {
      int dx = 0, dy = 0;
      if (frame.right > work.right) dx = work.right - frame.right;
      if (frame.left + dx < work.left) dx = work.left - frame.left;
      if (frame.bottom > work.bottom) dy = work.bottom - frame.bottom;
      if (frame.top + dy < work.top) dy = work.top - frame.top;
      OffsetRect(&frame, dx, dy);
      if (!(p->flags & SWP_NOMOVE)) {
        p->x = frame.left;
        p->y = frame.top;
      }
    }
  }
  RECT client = frame;
  Lx_ReAdjustRect(hwnd, &client);
  if (!(p->flags & SWP_NOMOVE)) {
    r->geometry.x = client.left - inner_offset(hwnd, r);
    r->geometry.y = client.top - inner_offset(hwnd, r);
  }
  if (!(p->flags & SWP_NOSIZE)) {
    r->geometry.width = client.right - client.left;
    r->geometry.height = client.bottom - client.top;
  }
  if (Lx_CheckSendMessage(Lx_WindowId(hwnd), ConfigureNotify)) queue_configure(hwnd, r, Lx_WindowId(p->hwndInsertAfter));
}

void min_max_info(HWND hwnd, MINMAXINFO* info) {
  XSizeHints hints{};
  long supplied = 0;
  info->ptMinTrackSize.x = 1;
  // X sets no limit of its own: a window larger than the screen keeps its size.
  info->ptMaxTrackSize.x = info->ptMaxTrackSize.y = 32767;
  if (!XGetWMNormalHints(display(), Lx_WindowId(hwnd), &hints, &supplied) || (hints.flags & USSize)) return;
  if (hints.flags & PMinSize) {
    RECT r{0, 0, hints.min_width, hints.min_height};
    Lx_AdjustRect(hwnd, &r);
    info->ptMinTrackSize.x = r.right - r.left;
    info->ptMinTrackSize.y = r.bottom - r.top;
  }
  if (hints.flags & PMaxSize) {
    RECT r{0, 0, hints.max_width, hints.max_height};
    Lx_AdjustRect(hwnd, &r);
    info->ptMaxTrackSize.x = r.right - r.left;
    info->ptMaxTrackSize.y = r.bottom - r.top;
  }
}

void mouse_moved(HWND hwnd, Lx_WindowRecord* r) {
  if (r->busy) {
    SetCursor(wait_cursor());
    return;
  }
  HCURSOR cursor = Lx_IdHandle<HCURSOR>(Lx_FindCursor(Lx_WindowId(hwnd)));
  SetCursor(cursor != nullptr ? cursor : Lx_IdHandle<HCURSOR>(Lx_ArrowCursor()));
  Display* d = display();
  if (d == nullptr || d->last_mouse_window == Lx_WindowId(hwnd)) return;
  const DWORD at = GetMessagePos();
  const POINT screen{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
  if (d->last_mouse_window != 0 && Lx_FindWindow(d->last_mouse_window) != nullptr)
    queue_crossing(Lx_Hwnd(d->last_mouse_window), LeaveNotify, screen);
  queue_crossing(hwnd, EnterNotify, screen);
  d->last_mouse_window = Lx_WindowId(hwnd);
  SetFocus(hwnd);
}

void system_command(HWND hwnd, Lx_WindowRecord* r, WPARAM command) {
  const Window id = Lx_WindowId(hwnd);
  switch (command & 0xFFF0) {
    case SC_MINIMIZE:
      if (Lx_CheckSendMessage(id, UnmapNotify)) post(hwnd, LX_UNMAP_NOTIFY);
      break;
    case SC_MAXIMIZE:
      r->maximized = true;
      if (IsIconic(hwnd) && Lx_CheckSendMessage(id, MapNotify)) post(hwnd, LX_MAP_NOTIFY);
      break;
    case SC_RESTORE:
      if (IsIconic(hwnd)) {
        if (Lx_CheckSendMessage(id, MapNotify)) post(hwnd, LX_MAP_NOTIFY);
      } else {
        r->maximized = false;
      }
      break;
  }
}

LRESULT WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l, bool top_level) {
  if (message == WM_CREATE) {
    new_record(hwnd);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, top_level ? LX_TOPLEVEL_MARK : LX_WIDGET_MARK);
    HWND parent = top_level ? nullptr : GetParent(hwnd);
    if (Lx_WindowRecord* p = parent != nullptr ? Lx_FindHwnd(parent) : nullptr)
      if (p->attributes.event_mask & SubstructureNotifyMask)
        post(hwnd, LX_CREATE_NOTIFY);
    return DefWindowProcA(hwnd, message, w, l);
  }
  Lx_WindowRecord* r = Lx_FindHwnd(hwnd);
  if (r == nullptr) return DefWindowProcA(hwnd, message, w, l);
  const Window id = Lx_WindowId(hwnd);
  switch (message) {
    case WM_DESTROY: {
      Display* d = display();
      if (d != nullptr && d->last_mouse_window == id) d->last_mouse_window = 0;
      free_record(hwnd);
      Lx_DeleteWindowProperties(id);
      return 0;
    }
    case WM_SIZE:
      if (!top_level) break;
      if (w == SIZE_MINIMIZED) {
        Lx_UpdateIcon(display(), id);
        set_title_from(hwnd, XA_WM_ICON_NAME);
      } else if (w == SIZE_RESTORED || w == SIZE_MAXIMIZED) {
        set_title_from(hwnd, XA_WM_NAME);
      }
      break;
    case WM_SETFOCUS:
      if (Display* d = display()) {
        Lx_GenerateFocusEvents(d, d->focus_window, id, NotifyNormal);
        d->focus_window = id;
      }
      return 0;
    case WM_PAINT: {
      if (IsIconic(hwnd)) {
        ValidateRect(hwnd, nullptr);
        Lx_UpdateIcon(display(), id);
        return 0;
      }
      RECT area;
      if (!GetUpdateRect(hwnd, &area, FALSE)) return 0;
      ValidateRect(hwnd, nullptr);
      queue_expose(hwnd, area);
      return 0;
    }
    case WM_CLOSE:
      if (Lx_CheckSendMessage(id, ClientMessage)) post(hwnd, LX_DELETE_WINDOW);
      return 0;
    case WM_ERASEBKGND:
      queue_expose(hwnd, RECT{0, 0, 4096, 4096});
      return 1;
    case WM_SYSCOLORCHANGE:
      if (Lx_CheckSendMessage(id, LX_COLOURS_EVENT)) post(hwnd, LX_COLOURS_CHANGED);
      break;
    case WM_GETMINMAXINFO:
      min_max_info(hwnd, reinterpret_cast<MINMAXINFO*>(l));
      return 0;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<LRESULT>(Lx_GetIcon(display(), id));
    case WM_WINDOWPOSCHANGING: {
      // The system's size limits first, so that the record holds the frame the window gets.
      const LRESULT result = DefWindowProcA(hwnd, message, w, l);
      if (top_level && !IsIconic(hwnd)) position_changing(hwnd, r, reinterpret_cast<WINDOWPOS*>(l));
      return result;
    }
    case WM_WINDOWPOSCHANGED:
      if (!top_level) {
        const WINDOWPOS* p = reinterpret_cast<const WINDOWPOS*>(l);
        if (!(p->flags & SWP_NOMOVE)) {
          r->geometry.x = p->x;
          r->geometry.y = p->y;
        }
        if (!(p->flags & SWP_NOSIZE)) {
          r->geometry.width = p->cx;
          r->geometry.height = p->cy;
        }
      }
      break;
    case WM_MOUSEMOVE:
      mouse_moved(hwnd, r);
      return 0;
    case WM_SYSCOMMAND:
      system_command(hwnd, r, w);
      break;
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_DESTROYCLIPBOARD:
      Lx_ClipboardMessage(id, message);
      return 0;
    case WM_QUERYNEWPALETTE:
      if (HPALETTE palette = Lx_GetDrawablePalette(id)) {
        HDC dc = GetDC(hwnd);
        SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
        ReleaseDC(hwnd, dc);
        return TRUE;
      }
      return FALSE;
    default:
      if (const ButtonMessage* b = button_message(message)) {
        if (is_non_client(message)) {
          Display* d = display();
          if (d == nullptr || !d->pointer_grab_active) break;
          if (!r->busy) queue_button(hwnd, *b, l, true);
          return 0;
        }
        if (b->type == ButtonPress) {
          ReleaseCapture();
          SetCapture(hwnd);
        } else {
          ReleaseCapture();
        }
        if (!r->busy) queue_button(hwnd, *b, l, false);
        return 0;
      }
      break;
  }
  return DefWindowProcA(hwnd, message, w, l);
}

LRESULT CALLBACK TopLevelProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  return WindowProc(hwnd, message, w, l, true);
}

LRESULT CALLBACK WidgetProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  return WindowProc(hwnd, message, w, l, false);
}

// Busy overlays and the hidden window: paint requests validated, the pointer
// shows the wait cursor, buttons go nowhere.
LRESULT CALLBACK InputOnlyProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_PAINT:
      ValidateRect(hwnd, nullptr);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_SETCURSOR:
      if (is_busy_overlay(hwnd)) {
        SetCursor(wait_cursor());
        return TRUE;
      }
      break;
    default:
      if (button_message(message) != nullptr && !is_non_client(message)) return 0;
      break;
  }
  return DefWindowProcA(hwnd, message, w, l);
}

Lx_WindowRecord* record_of(Window window) { return window != 0 ? Lx_FindWindow(window) : nullptr; }

int show(HWND hwnd, int command) {
  ShowWindow(hwnd, command);
  return 1;
}

// Stacking without activation or moving: above or below the sibling, or at
// the top or bottom.
void restack(HWND hwnd, int stack_mode, Window sibling) {
  HWND after;
  if (stack_mode == Below) {
    after = sibling != 0 ? Lx_Hwnd(sibling) : HWND_BOTTOM;
  } else {
    HWND above = sibling != 0 ? GetWindow(Lx_Hwnd(sibling), GW_HWNDPREV) : nullptr;
    after = above != nullptr ? above : HWND_TOP;
  }
  SetWindowPos(hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

}  // namespace

void Lx_RegisterWindowClasses(HINSTANCE instance) {
  struct ClassSpec {
    const char* name;
    UINT style;
    WNDPROC procedure;
    bool null_brush;
  };
  static const ClassSpec kClasses[] = {
      {"TopLevel", CS_OWNDC, TopLevelProc, false},
      {"Widget", CS_OWNDC | CS_HREDRAW | CS_VREDRAW, WidgetProc, false},
      {"InputOnly", CS_OWNDC | CS_HREDRAW | CS_VREDRAW, InputOnlyProc, true},
  };
  for (const ClassSpec& c : kClasses) {
    WNDCLASSA wc{};
    wc.style = c.style;
    wc.lpfnWndProc = c.procedure;
    wc.cbWndExtra = 36;
    wc.hInstance = instance;
    wc.hCursor = nullptr;  // the window procedure sets the cursor
    wc.hbrBackground = c.null_brush ? static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)) : nullptr;
    wc.lpszClassName = c.name;
    RegisterClassA(&wc);
  }
}

Cursor Lx_ArrowCursor() { return Lx_HandleId(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW))); }

void Lx_InitAdjustment() {
  cxFrame = GetSystemMetrics(SM_CXSIZEFRAME);
  cyFrame = GetSystemMetrics(SM_CYSIZEFRAME);
  cyCaption = GetSystemMetrics(SM_CYCAPTION);
}

void Lx_AdjustRect(HWND hwnd, RECT* rect) {
  if (is_child(hwnd)) return;
  Lx_WindowRecord* r = Lx_FindHwnd(hwnd);
  if (r != nullptr && r->maximized) {
    rect->top -= cyCaption;
    return;
  }
  AdjustWindowRectEx(rect, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
}

void Lx_ReAdjustRect(HWND hwnd, RECT* rect) {
  if (is_child(hwnd)) return;
  Lx_WindowRecord* r = Lx_FindHwnd(hwnd);
  if (r != nullptr && r->maximized) {
    rect->top += cyCaption;
    return;
  }
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
  rect->left -= frame.left;
  rect->top -= frame.top;
  rect->right -= frame.right;
  rect->bottom -= frame.bottom;
}

Lx_WindowRecord* Lx_FindHwnd(HWND hwnd) {
  if (!table_made || hwnd == nullptr) return nullptr;
  Lx_HashEntry* entry = Lx_FindHashEntry(&windowTable, hwnd);
  return entry != nullptr ? static_cast<Lx_WindowRecord*>(Lx_GetHashValue(entry)) : nullptr;
}

Lx_WindowRecord* Lx_FindWindow(Window window) { return window != 0 ? Lx_FindHwnd(Lx_Hwnd(window)) : nullptr; }

Window Lx_ParentWindow(Window window) {
  if (window == 0) return 0;
  HWND hwnd = Lx_Hwnd(window);
  return is_child(hwnd) ? Lx_WindowId(GetParent(hwnd)) : 0;
}

bool Lx_IsTopLevel(Window window) {
  return window != 0 && GetWindowLongPtrA(Lx_Hwnd(window), GWLP_USERDATA) == LX_TOPLEVEL_MARK;
}

int Lx_SetWindowChanges(Window window, unsigned int mask, const XWindowChanges* c) {
  Lx_WindowRecord* r = record_of(window);
  if (r == nullptr) return BadWindow;
  HWND hwnd = r->hwnd;
  const bool child = is_child(hwnd) && !r->attributes.override_redirect;
  XWindowChanges& g = r->geometry;
  if (mask & CWBorderWidth) {
    if (is_child(hwnd) || r->attributes.override_redirect) set_border_style(hwnd, c->border_width > 0 && !r->has_border_pixel);
    g.border_width = c->border_width;
  }
  const int border = g.border_width;
  if (mask & CWX) g.x = c->x + (child && r->has_border_pixel ? border : 0);
  if (mask & CWY) g.y = c->y + (child && r->has_border_pixel ? border : 0);
  if (mask & CWWidth) g.width = c->width + (child && !r->has_border_pixel ? 2 * border : 0);
  if (mask & CWHeight) g.height = c->height + (child && !r->has_border_pixel ? 2 * border : 0);
  if (mask & CWSibling) g.sibling = c->sibling;
  if (mask & CWStackMode) g.stack_mode = c->stack_mode;

  if (mask & (CWX | CWY | CWWidth | CWHeight | CWBorderWidth)) {
    if (child) {
      SetWindowPos(hwnd, nullptr, g.x, g.y, g.width, g.height, SWP_NOZORDER | SWP_NOACTIVATE);
      Lx_EnterLeave(window);
    } else if (!IsIconic(hwnd)) {
      RECT frame{g.x, g.y, g.x + g.width, g.y + g.height};
      OffsetRect(&frame, inner_offset(hwnd, r), inner_offset(hwnd, r));
      Lx_AdjustRect(hwnd, &frame);
      // The window procedure records the frame the system allows, moved into the work area.
      SetWindowPos(hwnd, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
      Lx_EnterLeave(window);
    } else if (Lx_CheckSendMessage(window, ConfigureNotify)) {
      queue_configure(hwnd, r, g.sibling);
    }
  }
  if (mask & CWStackMode) restack(hwnd, c->stack_mode, (mask & CWSibling) ? c->sibling : 0);
  return Success;
}

int Lx_SetWindowAttributes(Window window, unsigned long mask, const XSetWindowAttributes* a) {
  Lx_WindowRecord* r = record_of(window);
  if (r == nullptr) return BadWindow;
  if (mask & (CWBackPixmap | CWBackPixel)) return BadMatch;
  XSetWindowAttributes& s = r->attributes;
  if (mask & CWBorderPixmap) s.border_pixmap = a->border_pixmap;
  if (mask & CWBorderPixel) {
    s.border_pixel = a->border_pixel;
    r->has_border_pixel = true;
    if (is_child(r->hwnd) || s.override_redirect) set_border_style(r->hwnd, false);
  }
  if (mask & CWBitGravity) s.bit_gravity = a->bit_gravity;
  if (mask & CWWinGravity) s.win_gravity = a->win_gravity;
  if (mask & CWBackingStore) s.backing_store = a->backing_store;
  if (mask & CWBackingPlanes) s.backing_planes = a->backing_planes;
  if (mask & CWBackingPixel) s.backing_pixel = a->backing_pixel;
  if (mask & CWSaveUnder) s.save_under = a->save_under;
  if (mask & CWEventMask) s.event_mask = a->event_mask;
  if (mask & CWDontPropagate) s.do_not_propagate_mask = a->do_not_propagate_mask;
  if (mask & CWOverrideRedirect) {
    s.override_redirect = a->override_redirect;
    SetWindowPos(r->hwnd, a->override_redirect ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  if (mask & CWColormap) s.colormap = a->colormap;
  if (mask & CWCursor) {
    r->previous_cursor = r->cursor;
    r->cursor = a->cursor;
    s.cursor = a->cursor;
  }
  return Success;
}

Window XCreateWindow(Display* d, Window parent, int x, int y, unsigned int width, unsigned int height,
                     unsigned int border, int, unsigned int c_class, Visual* visual, unsigned long mask,
                     XSetWindowAttributes* attributes) {
  count_request(d);
  if (c_class == InputOnly) return create_busy_overlay(parent);
  const bool override = (mask & CWOverrideRedirect) && attributes != nullptr && attributes->override_redirect;
  const char* window_class = parent != 0 ? "Widget" : "TopLevel";
  DWORD style;
  if (parent != 0) {
    style = WS_CHILD | WS_CLIPSIBLINGS;
    if (border > 0 && !(mask & CWBorderPixel)) style |= WS_BORDER;
  } else if (override) {
    style = WS_POPUP | WS_CLIPCHILDREN;
    if (border > 0) style |= WS_BORDER;
  } else {
    style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  }
  RECT frame{x, y, x + static_cast<int>(width), y + static_cast<int>(height)};
  if (parent == 0 && !override) AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND hwnd = CreateWindowExA(0, window_class, "", style, frame.left, frame.top, frame.right - frame.left,
                              frame.bottom - frame.top, parent != 0 ? Lx_Hwnd(parent) : nullptr, nullptr,
                              Lx_Instance(), nullptr);
  if (hwnd == nullptr) return 0;
  const Window id = Lx_WindowId(hwnd);
  Lx_WindowRecord* r = Lx_FindHwnd(hwnd);
  XSetWindowAttributes none{};
  XWindowChanges geometry{x, y, static_cast<int>(width), static_cast<int>(height), static_cast<int>(border), 0, Above};
  if (r == nullptr || Lx_SetWindowAttributes(id, mask, attributes != nullptr ? attributes : &none) != Success ||
      Lx_SetWindowChanges(id, CWX | CWY | CWWidth | CWHeight | CWBorderWidth, &geometry) != Success) {
    DestroyWindow(hwnd);
    return 0;
  }
  if (visual == nullptr && d != nullptr && d->screens != nullptr) visual = d->screens->root_visual;
  r->visual = visual;
  SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return id;
}

Window XCreateSimpleWindow(Display* d, Window parent, int x, int y, unsigned int width, unsigned int height,
                           unsigned int border_width, unsigned long border, unsigned long) {
  // The background is not kept by this layer (it paints none), so only the border is passed.
  XSetWindowAttributes a{};
  a.border_pixel = border;
  return XCreateWindow(d, parent, x, y, width, height, border_width, CopyFromParent, InputOutput, nullptr,
                       CWBorderPixel, &a);
}

int XDestroyWindow(Display* d, Window window) {
  count_request(d);
  if (window == 0) return BadWindow;
  HWND hwnd = Lx_Hwnd(window);
  if (!IsWindow(hwnd)) return BadWindow;
  if (is_busy_overlay(hwnd)) {
    set_busy(GetParent(hwnd), false);
    DestroyWindow(hwnd);
    nudge_pointer();
    return 1;
  }
  const Window parent = Lx_ParentWindow(window);
  DestroyWindow(hwnd);
  Lx_EnterLeave(window);
  if (d != nullptr && d->focus_window == window) {
    d->focus_window = parent;
    if (parent != 0) SetFocus(Lx_Hwnd(parent));
  }
  return 1;
}

int XMapWindow(Display* d, Window window) {
  count_request(d);
  Lx_WindowRecord* r = record_of(window);
  if (r == nullptr) return BadWindow;
  HWND hwnd = r->hwnd;
  // Hints without the initial-state flag map the window as normal.
  XWMHints* hints = XGetWMHints(d, window);
  const int state = hints != nullptr && (hints->flags & StateHint) ? hints->initial_state : NormalState;
  const bool hinted = hints != nullptr && (hints->flags & StateHint);
  if (hints != nullptr) XFree(hints);
  if (hinted) {
    switch (state) {
      case WithdrawnState:
        return show(hwnd, SW_HIDE);
      case IconicState:
        return show(hwnd, SW_SHOWMINNOACTIVE);
      case NormalState:
        if (IsIconic(hwnd)) {
          ShowWindow(hwnd, SW_SHOWNOACTIVATE);
          Lx_SetWindowChanges(window, CWX | CWY | CWWidth | CWHeight, &r->geometry);
          post(hwnd, LX_MAP_NOTIFY);
          return 1;
        }
        break;
      default:
        return 1;
    }
  }
  if (firstWindow) {
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    firstWindow = false;
  } else {
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  }
  post(hwnd, LX_MAP_NOTIFY);
  return 1;
}

int XMapRaised(Display* d, Window window) {
  int result = XMapWindow(d, window);
  if (result != 1) return result;
  return XRaiseWindow(d, window);
}

int XMapSubwindows(Display*, Window) { return 1; }

static int hide(Display* d, Window window, int command) {
  count_request(d);
  Lx_WindowRecord* r = record_of(window);
  if (r == nullptr) return BadWindow;
  ShowWindow(r->hwnd, command);
  post(r->hwnd, LX_UNMAP_NOTIFY);
  return 1;
}

int XUnmapWindow(Display* d, Window window) { return hide(d, window, SW_HIDE); }
Status XWithdrawWindow(Display* d, Window window, int) { return hide(d, window, SW_HIDE); }
Status XIconifyWindow(Display* d, Window window, int) { return hide(d, window, SW_SHOWMINNOACTIVE); }

static int changes(Display* d, Window window, unsigned mask, const XWindowChanges& c) {
  count_request(d);
  const int result = Lx_SetWindowChanges(window, mask, &c);
  return result == Success ? 1 : result;
}

int XConfigureWindow(Display* d, Window window, unsigned int mask, XWindowChanges* c) {
  return changes(d, window, mask & kAllChanges, *c);
}
int XMoveWindow(Display* d, Window window, int x, int y) {
  XWindowChanges c{};
  c.x = x;
  c.y = y;
  return changes(d, window, CWX | CWY, c);
}
int XResizeWindow(Display* d, Window window, unsigned int width, unsigned int height) {
  XWindowChanges c{};
  c.width = static_cast<int>(width);
  c.height = static_cast<int>(height);
  return changes(d, window, CWWidth | CWHeight, c);
}
int XMoveResizeWindow(Display* d, Window window, int x, int y, unsigned int width, unsigned int height) {
  XWindowChanges c{x, y, static_cast<int>(width), static_cast<int>(height), 0, 0, 0};
  return changes(d, window, CWX | CWY | CWWidth | CWHeight, c);
}
int XSetWindowBorderWidth(Display* d, Window window, unsigned int width) {
  XWindowChanges c{};
  c.border_width = static_cast<int>(width);
  return changes(d, window, CWBorderWidth, c);
}
int XRaiseWindow(Display* d, Window window) {
  XWindowChanges c{};
  c.stack_mode = Above;
  return changes(d, window, CWStackMode, c);
}
int XLowerWindow(Display* d, Window window) {
  XWindowChanges c{};
  c.stack_mode = Below;
  return changes(d, window, CWStackMode, c);
}

static int attributes(Display* d, Window window, unsigned long mask, const XSetWindowAttributes& a) {
  count_request(d);
  const int result = Lx_SetWindowAttributes(window, mask, &a);
  return result == Success ? 1 : result;
}

int XChangeWindowAttributes(Display* d, Window window, unsigned long mask, XSetWindowAttributes* a) {
  return attributes(d, window, mask, *a);
}
int XSetWindowBorder(Display* d, Window window, unsigned long pixel) {
  XSetWindowAttributes a{};
  a.border_pixel = pixel;
  return attributes(d, window, CWBorderPixel, a);
}
int XSetWindowBorderPixmap(Display* d, Window window, Pixmap pixmap) {
  XSetWindowAttributes a{};
  a.border_pixmap = pixmap;
  return attributes(d, window, CWBorderPixmap, a);
}
int XSetWindowColormap(Display* d, Window window, Colormap colormap) {
  XSetWindowAttributes a{};
  a.colormap = colormap;
  return attributes(d, window, CWColormap, a);
}

int XReparentWindow(Display* d, Window window, Window parent, int x, int y) {
  count_request(d);
  Lx_WindowRecord* r = record_of(window);
  if (r == nullptr) return BadWindow;
  HWND hwnd = r->hwnd;
  r->attributes.override_redirect = True;
  const LONG_PTR removed = WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  LONG_PTR style = (GetWindowLongPtrA(hwnd, GWL_STYLE) & ~removed) | WS_CHILD | WS_CLIPSIBLINGS;
  SetWindowLongPtrA(hwnd, GWL_STYLE, style);
  SetParent(hwnd, parent != 0 ? Lx_Hwnd(parent) : nullptr);
  RECT client;
  GetClientRect(hwnd, &client);
  SetWindowPos(hwnd, nullptr, x, y, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  r->geometry.x = x;
  r->geometry.y = y;
  r->geometry.width = client.right;
  r->geometry.height = client.bottom;
  return 1;
}

// The window's rectangle less the frame the system adds: the size X gives.
static RECT client_extent(const Lx_WindowRecord* r) {
  RECT rect;
  GetWindowRect(r->hwnd, &rect);
  OffsetRect(&rect, r->geometry.x - rect.left, r->geometry.y - rect.top);
  Lx_ReAdjustRect(r->hwnd, &rect);
  return rect;
}

Status XGetWindowAttributes(Display* d, Window window, XWindowAttributes* a) {
  count_request(d);
  Lx_WindowRecord* r = record_of(window);
  if (r == nullptr) return 0;
  RECT rect = client_extent(r);
  std::memset(a, 0, sizeof *a);
  a->x = r->geometry.x;
  a->y = r->geometry.y;
  a->width = rect.right - rect.left;
  a->height = rect.bottom - rect.top;
  a->border_width = r->geometry.border_width;
  a->depth = d != nullptr && d->screens != nullptr ? d->screens->root_depth : 0;
  a->visual = r->visual;
  a->root = 0;
  a->c_class = InputOutput;
  a->bit_gravity = r->attributes.bit_gravity;
  a->win_gravity = r->attributes.win_gravity;
  a->backing_store = r->attributes.backing_store;
  a->backing_planes = r->attributes.backing_planes;
  a->backing_pixel = r->attributes.backing_pixel;
  a->save_under = r->attributes.save_under;
  a->colormap = r->attributes.colormap;
  a->map_state = IsWindowVisible(r->hwnd) ? IsViewable : IsUnmapped;
  a->all_event_masks = -1;
  a->your_event_mask = r->attributes.event_mask;
  a->do_not_propagate_mask = r->attributes.do_not_propagate_mask;
  a->override_redirect = r->attributes.override_redirect;
  a->screen = d != nullptr ? d->screens : nullptr;
  return 1;
}

Status XGetGeometry(Display* d, Drawable drawable, Window* root, int* x, int* y, unsigned int* width,
                    unsigned int* height, unsigned int* border_width, unsigned int* depth) {
  count_request(d);
  *root = 0;
  if (Lx_IsPixmap(drawable)) {
    XWindowAttributes a{};
    if (Lx_GetPixmapAttributes(drawable, &a) != 0) return 0;
    *x = *y = 0;
    *width = static_cast<unsigned>(a.width);
    *height = static_cast<unsigned>(a.height);
    *border_width = 0;
    *depth = static_cast<unsigned>(a.depth);
    return 1;
  }
  Lx_WindowRecord* r = record_of(drawable);
  if (r == nullptr) return 0;
  RECT rect = client_extent(r);
  *x = r->geometry.x;
  *y = r->geometry.y;
  *width = static_cast<unsigned>(rect.right - rect.left);
  *height = static_cast<unsigned>(rect.bottom - rect.top);
  *border_width = static_cast<unsigned>(r->geometry.border_width);
  *depth = d != nullptr && d->screens != nullptr ? static_cast<unsigned>(d->screens->root_depth) : 0;
  return 1;
}

// The children are the program's own windows (not the busy overlay or the
// system's), listed as X does: bottom-most first.
Status XQueryTree(Display* d, Window window, Window* root, Window* parent, Window** children,
                  unsigned int* nchildren) {
  count_request(d);
  *root = 0;
  *parent = 0;
  *children = nullptr;
  *nchildren = 0;
  if (window != 0 && record_of(window) == nullptr) return 0;
  if (window != 0) *parent = Lx_ParentWindow(window);
  std::vector<Window> found;
  HWND child = window != 0 ? GetWindow(Lx_Hwnd(window), GW_CHILD) : GetTopWindow(nullptr);
  for (; child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (Lx_FindHwnd(child) != nullptr) found.push_back(Lx_WindowId(child));
  }
  if (found.empty()) return 1;
  auto* list = static_cast<Window*>(std::malloc(found.size() * sizeof(Window)));
  if (list == nullptr) return 0;
  std::copy(found.rbegin(), found.rend(), list);
  *children = list;
  *nchildren = static_cast<unsigned>(found.size());
  return 1;
}

Bool XTranslateCoordinates(Display* d, Window source, Window destination, int source_x, int source_y,
                           int* destination_x, int* destination_y, Window* child) {
  count_request(d);
  POINT p{source_x, source_y};
  MapWindowPoints(source != 0 ? Lx_Hwnd(source) : nullptr, destination != 0 ? Lx_Hwnd(destination) : nullptr, &p, 1);
  *destination_x = p.x;
  *destination_y = p.y;
  *child = 0;
  return True;
}

// The layer keeps no background (it is refused), so clearing paints the client area white.
int XClearWindow(Display* d, Window window) {
  count_request(d);
  Lx_WindowRecord* r = record_of(window);
  if (r == nullptr) return BadWindow;
  RECT client;
  GetClientRect(r->hwnd, &client);
  HDC dc = GetDC(r->hwnd);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ReleaseDC(r->hwnd, dc);
  return 1;
}

int XWarpPointer(Display* d, Window, Window destination, int, int, unsigned int, unsigned int, int x, int y) {
  count_request(d);
  POINT p{x, y};
  if (destination != 0) ClientToScreen(Lx_Hwnd(destination), &p);
  SetCursorPos(p.x, p.y);
  return 1;
}

Window XWindowFromPoint(Display* d, int x, int y) {
  count_request(d);
  POINT p{x, y};
  HWND hwnd = WindowFromPoint(p);
  if (hwnd == nullptr) return 0;
  ScreenToClient(hwnd, &p);
  if (p.x < 0 || p.y < 0) return 0;
  return Lx_WindowId(hwnd);
}
