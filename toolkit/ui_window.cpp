#include "toolkit/ui_window.h"

#include <GL/gl.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_bottom_object.h"
#include "toolkit/ui_text_field.h"
#include "toolkit/ui_top_object.h"
#include "toolkit/ui_visual.h"
#include "toolkit/ui_window_icon.h"

bool UIWindow::allow_slide = false;
UIObject* UIWindow::current_object = nullptr;

namespace {
UIWindow* list = nullptr;
UIWindow* current = nullptr;
void (*configure_cb)(long) = nullptr;
void (*pick_cb)(long) = nullptr;
bool (*shortcut_cb)(long, unsigned char) = nullptr;
void (*map_cb)(long, bool) = nullptr;
UIWindow* grab_window = nullptr;
const UIWindow* event_saved_for = nullptr;
XEvent saved_event;
bool keep_saved_event = false;
Pixmap icon_pixmap = 0;

constexpr unsigned button_state_mask = 0x1F00;

Window root_of(Display* display) { return RootWindow(display, DefaultScreen(display)); }

void prepend(UIWindow* w) {
  w->next = list;
  if (list != nullptr) list->previous = w;
  list = w;
}
}  // namespace

UIWindow::UIWindow(bool reduced, bool pop_up_, long window_id_, const char* name_,
                   bool exposure_only_)
    : display(AppContext->ui_display),
      visual(reduced ? AppContext->reduced_visual : AppContext->full_visual),
      window_id(window_id_),
      parent(nullptr),
      pop_up(pop_up_),
      exposure_only(exposure_only_),
      name(name_) {
  prepend(this);
}

UIWindow::UIWindow(bool reduced, UIWindow* parent_, long window_id_, const char* name_)
    : display(AppContext->ui_display),
      visual(reduced ? AppContext->reduced_visual : AppContext->full_visual),
      window_id(window_id_),
      parent(parent_),
      pop_up(false),
      exposure_only(false),
      name(name_) {
  prepend(this);
}

UIWindow::UIWindow(Window existing, bool pop_up_, UIWindow* parent_, long window_id_,
                   const char* name_)
    : display(AppContext->graphics_display),
      x_window(existing),
      visual(nullptr),
      window_id(window_id_),
      parent(parent_),
      pop_up(pop_up_),
      exposure_only(false),
      owns_window(false),
      name(name_) {
  prepend(this);
  if (parent == nullptr) set_class_hints();
}

void UIWindow::adopt_window(Window existing) {
  if (owns_window) internal_error(216, "UIWindow");
  x_window = existing;
  mapped = false;
  defined_cursor = 0;
}

UIWindow::~UIWindow() {
  UIObject::delete_discarded(this);
  make_invisible();
  if (pending_title != nullptr) CheckedFree(pending_title);
  pending_title = nullptr;
  if (event_saved_for == this) event_saved_for = nullptr;
  if (current == this) current = nullptr;
  if (first_bottom != nullptr) internal_error(170, "UIWindow");
  if (first_top != nullptr) internal_error(171, "UIWindow");
  if (previous != nullptr) previous->next = next;
  else list = next;
  if (next != nullptr) next->previous = previous;
  destroy();
}

void UIWindow::create() {
  if (x_window != 0) internal_error(215, "UIWindow");
  Window parent_window = parent != nullptr ? parent->get_window_id() : root_of(display);
  x_window = visual->create_window(parent_window, pop_up, x, y, width, height,
                                   static_cast<unsigned short>(border_width), exposure_only);
  border_width_pending = false;
  if (!top_level() || pop_up) return;
  XSizeHints hints = {};
  hints.flags = USPosition;
  hints.x = x;
  hints.y = y;
  XSetWMNormalHints(display, x_window, &hints);
  Atom protocols[1] = {AppContext->wm_delete_window};
  XSetWMProtocols(display, x_window, protocols, 1);
  if (transient_for != 0) {
    Atom motif = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    long motif_hints[4] = {3, 36, 26, 0};  // functions move and close; border, title, menu
    XChangeProperty(display, x_window, motif, motif, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(motif_hints), 4);
  }
  set_class_hints();
}

void UIWindow::set_class_hints() const {
  XClassHint hint;
  hint.res_name = const_cast<char*>(name);
  hint.res_class = const_cast<char*>("VorqQOBS");
  XSetClassHint(display, x_window, &hint);
}

void UIWindow::destroy() {
  if (x_window == 0) return;
  if (!owns_window) {
    x_window = 0;
    return;
  }
  if (visual != nullptr) XGLContext::release();
  XDestroyWindow(display, x_window);
  XSync(display, False);
  XEvent event;
  while (XCheckWindowEvent(display, x_window, ~0L, &event)) {
  }
  x_window = 0;
}

Window UIWindow::get_window_id() {
  if (x_window == 0) create();
  return x_window;
}

void UIWindow::make_visible() {
  if (x_window == 0) create();
  if (top_level() && !pop_up) {
    if (icon_pixmap == 0) icon_pixmap = make_window_icon(display);
    XWMHints hints = {};
    hints.flags = IconPixmapHint | StateHint;
    hints.icon_pixmap = icon_pixmap;
    hints.initial_state = NormalState;
    XSetWMHints(display, x_window, &hints);
    if (pending_title != nullptr) update_title();
  }
  if (visual != nullptr) XInstallColormap(display, visual->colormap);
  if (transient_for_pending) {
    XSetTransientForHint(display, x_window, transient_for);
    transient_for_pending = false;
  }
  if (border_width_pending) {
    XSetWindowBorderWidth(display, x_window, static_cast<unsigned>(border_width));
    border_width_pending = false;
  }
  XMapRaised(display, x_window);
  XSync(display, False);
}

void UIWindow::make_physically_visible() {
  Window w = get_window_id();
  Window root_window = root_of(display);
  for (;;) {
    Window root, up;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, w, &root, &up, &children, &count)) break;
    if (children != nullptr) XFree(children);
    if (up == root_window || up == 0) break;
    XMapRaised(display, up);
    w = up;
  }
  make_visible();
}

void UIWindow::make_invisible() {
  if (x_window == 0) return;
  if (!top_level() || pop_up) XUnmapWindow(display, x_window);
  else XWithdrawWindow(display, x_window, DefaultScreen(display));
  focused_text_field = nullptr;
  mapped = false;
  if (grab_window == this) grab_window = nullptr;
}

void UIWindow::reparent(UIWindow* parent_) {
  parent = parent_;
  if (x_window == 0) return;
  Window up = parent != nullptr ? parent->get_window_id() : root_of(display);
  XReparentWindow(display, x_window, up, x, y);
}

void UIWindow::set_pop_up(bool flag) {
  if (flag == pop_up) return;
  pop_up = flag;
  if (x_window == 0) return;
  if (mapped) {
    make_invisible();
    destroy();
    border_width_pending = true;
    if (transient_for != 0) transient_for_pending = true;
    make_visible();
  } else {
    destroy();
  }
}

void UIWindow::set_origin(short new_x, short new_y) {
  if (x_window == 0) {
    x = new_x;
    y = new_y;
    return;
  }
  XWindowChanges changes;
  unsigned mask = 0;
  if (new_x != x) { changes.x = new_x; mask |= CWX; }
  if (new_y != y) { changes.y = new_y; mask |= CWY; }
  x = new_x;
  y = new_y;
  if (mask != 0) XConfigureWindow(display, x_window, mask, &changes);
}

void UIWindow::set_size(unsigned short new_width, unsigned short new_height) {
  if (x_window == 0) {
    if (new_width != 0) width = new_width;
    if (new_height != 0) height = new_height;
    return;
  }
  XWindowChanges changes;
  unsigned mask = 0;
  if (new_width != 0 && new_width != width) {
    changes.width = width = new_width;
    mask |= CWWidth;
  }
  if (new_height != 0 && new_height != height) {
    changes.height = height = new_height;
    mask |= CWHeight;
  }
  if (mask == 0) return;
  XConfigureWindow(display, x_window, mask, &changes);
  if (top_level() && !pop_up) mapped = false;  // set again by Expose or ConfigureNotify
}

void UIWindow::get_absolute_origin(int* ax, int* ay) const {
  Window child;
  XTranslateCoordinates(display, x_window, DefaultRootWindow(AppContext->ui_display), 0, 0, ax,
                        ay, &child);
}

void UIWindow::get_scrsave_geometry(int* left, int* right, int* bottom, int* top) const {
  Display* ui = AppContext->ui_display;
  Window w = x_window;
  Window root_window = root_of(display);
  if (top_level() && !pop_up) {
    for (;;) {
      Window root, up;
      Window* children = nullptr;
      unsigned count = 0;
      if (!XQueryTree(display, w, &root, &up, &children, &count)) break;
      if (children != nullptr) XFree(children);
      if (up == root_window || up == 0) break;
      w = up;
    }
  }
  Window root;
  int gx, gy;
  unsigned gw, gh, border, depth;
  XGetGeometry(display, w, &root, &gx, &gy, &gw, &gh, &border, &depth);
  int ax, ay;
  Window child;
  XTranslateCoordinates(display, w, DefaultRootWindow(ui), 0, 0, &ax, &ay, &child);
  int screen_height = DisplayHeight(ui, DefaultScreen(ui));
  *left = ax;
  *right = ax + int(gw) - 1;
  *bottom = screen_height - ay - int(gh);
  *top = screen_height - ay - 1;
}

void UIWindow::set_title(const char* title) {
  if (!top_level() || pop_up) return;
  if (pending_title != nullptr) CheckedFree(pending_title);
  pending_title = dup_chars(title);
  if (mapped) update_title();
}

void UIWindow::update_title() {
  if (pending_title == nullptr || x_window == 0) return;
  XTextProperty property;
  property.value = reinterpret_cast<unsigned char*>(pending_title);
  property.encoding = XA_STRING;
  property.format = 8;
  property.nitems = strlen(pending_title);
  XSetWMName(display, x_window, &property);
  if (property.nitems > 10) property.nitems = 10;
  XSetWMIconName(display, x_window, &property);
  CheckedFree(pending_title);
  pending_title = nullptr;
}

void UIWindow::set_background_color(unsigned long word) {
  if (word == background_colour) return;
  background_colour = word;
  if (mapped) redraw();
}

void UIWindow::get_background_rgb(float& r, float& g, float& b) const {
  if (background_colour == 0x1000000 || background_colour == 0x1000001) {
    r = AppContext->background_red;
    g = AppContext->background_green;
    b = AppContext->background_blue;
    return;
  }
  r = float((background_colour >> 16) & 0xFF) / 255;
  g = float((background_colour >> 8) & 0xFF) / 255;
  b = float(background_colour & 0xFF) / 255;
}

void UIWindow::set_color_to_window_background() const {
  XGLContext* gl = XGLContext::current_context;
  if (background_colour == 0x1000000) {
    gl->set_gl_color_to_transparent();
    return;
  }
  float r, g, b;
  get_background_rgb(r, g, b);
  gl->set_gl_color(r, g, b);
}

void UIWindow::set_busy(bool flag) {
  if (flag == busy) return;
  busy = flag;
  set_cursor(requested_cursor);
  if (event_saved_for == this) keep_saved_event = busy;
}

void UIWindow::set_cursor(Cursor cursor) {
  if (mapped) {
    if (busy) {
      Cursor watch = display == AppContext->ui_display ? AppContext->ui_watch_cursor
                                                       : AppContext->graphics_watch_cursor;
      if (watch != defined_cursor) {
        XDefineCursor(display, x_window, watch);
        defined_cursor = watch;
      }
    } else if (cursor != 0) {
      if (cursor != defined_cursor) {
        XDefineCursor(display, x_window, cursor);
        defined_cursor = cursor;
      }
    } else if (defined_cursor != 0) {
      XUndefineCursor(display, x_window);
      defined_cursor = 0;
    }
  }
  requested_cursor = cursor;
}

void UIWindow::set_border_width(unsigned long new_width) {
  border_width = new_width;
  border_width_pending = true;
}

void UIWindow::set_transient_for(Window window) {
  transient_for = window;
  transient_for_pending = true;
}

// The two widget lists are doubly linked through the objects themselves.
template <typename T>
static void append_to_list(T*& first, T*& last, T* object) {
  object->previous = last;
  object->next = nullptr;
  if (last != nullptr) last->next = object;
  else first = object;
  last = object;
}

template <typename T>
static void unlink_from_list(T*& first, T*& last, T* object) {
  if (object->previous != nullptr) object->previous->next = object->next;
  else first = object->next;
  if (object->next != nullptr) object->next->previous = object->previous;
  else last = object->previous;
  object->next = object->previous = nullptr;
}

void UIWindow::register_bottom_object(UIBottomObject* object) { append_to_list(first_bottom, last_bottom, object); }

void UIWindow::register_top_object(UITopObject* object) { append_to_list(first_top, last_top, object); }

void UIWindow::unlink_bottom_object(UIBottomObject* object) {
  unlink_from_list(first_bottom, last_bottom, object);
  if (current_object == object) current_object = nullptr;
}

void UIWindow::unlink_top_object(UITopObject* object) {
  unlink_from_list(first_top, last_top, object);
  if (current_object == object) current_object = nullptr;
  if (focused_text_field == object) focused_text_field = nullptr;
}

void UIWindow::pop_top_object(UITopObject* object) {
  if (object == last_top) return;
  unlink_top_object(object);
  register_top_object(object);
}

static bool contains(const UIObject* o, short px, short py) {
  return o->x <= px && px < o->x + o->width && o->y <= py && py < o->y + o->height;
}

UIObject* UIWindow::object_at(short px, short py) const {
  for (UITopObject* o = last_top; o != nullptr; o = o->previous) {
    if (!o->discarded && contains(o, px, py)) return o;
  }
  for (UIBottomObject* o = last_bottom; o != nullptr; o = o->previous) {
    if (!o->discarded && contains(o, px, py)) return o;
  }
  return nullptr;
}

void UIWindow::damage_colliding_objects(short x1, short y1, short x2, short y2) const {
  for (UIBottomObject* o = first_bottom; o != nullptr; o = o->next) {
    if (o->overlaps(x1, y1, x2, y2)) o->damaged = true;
  }
  for (UITopObject* o = first_top; o != nullptr; o = o->next) {
    if (o->overlaps(x1, y1, x2, y2)) o->damaged = true;
  }
}

void UIWindow::damage_colliding_objects(const UIObject* o) const {
  damage_colliding_objects(o->x, o->y, short(o->x + o->width), short(o->y + o->height));
}

void UIWindow::begin_drawing() const { visual->begin_drawing(x_window, width, height); }

void UIWindow::repair_objects() const {
  if (!mapped || visual == nullptr) return;
  for (UIBottomObject* o = first_bottom; o != nullptr; o = o->next) {
    if (o->damaged) damage_colliding_objects(o);
  }
  for (UITopObject* o = first_top; o != nullptr; o = o->next) {
    if (o->damaged) damage_colliding_objects(o);
  }
  begin_drawing();
  for (UIBottomObject* o = first_bottom; o != nullptr; o = o->next) {
    if (o->damaged && !o->discarded) o->draw();
  }
  for (UITopObject* o = first_top; o != nullptr; o = o->next) {
    if (o->damaged && !o->discarded) o->draw();
  }
}

void UIWindow::redraw() const {
  if (!mapped || visual == nullptr) return;
  begin_drawing();
  XGLContext* gl = XGLContext::current_context;
  if (background_colour == 0x1000000) {
    gl->set_gl_clear_color_to_transparent();
  } else {
    float rgb[3];
    get_background_rgb(rgb[0], rgb[1], rgb[2]);
    gl->set_gl_clear_color(rgb);
  }
  glClear(GL_COLOR_BUFFER_BIT);
  for (UIBottomObject* o = first_bottom; o != nullptr; o = o->next)
    if (!o->discarded) o->draw();
  for (UITopObject* o = first_top; o != nullptr; o = o->next)
    if (!o->discarded) o->draw();
  UIObject::draw_selected_object();
}

void UIWindow::clear_and_repair(short x1, short y1, short x2, short y2) {
  if (!mapped) return;
  damage_colliding_objects(x1, y1, x2, y2);
  if (visual == nullptr) return;
  begin_drawing();
  set_color_to_window_background();
  glRecti(x1, y1, x2, y2);
  repair_objects();
}

int UIWindow::find_collisions() const {
  auto hit = [](const UIObject* a, const UIObject* b) {
    return a->x < b->x + b->width && a->y < b->y + b->height && b->x < a->x + a->width &&
           b->y < a->y + a->height;
  };
  auto report = [](const UIObject* a, const UIObject* b) {
    if (a->enter_cb != nullptr) a->enter_cb(a->object_id);
    if (b->enter_cb != nullptr) b->enter_cb(b->object_id);
  };
  int pairs = 0;
  for (UIBottomObject* a = first_bottom; a != nullptr; a = a->next) {
    for (UIBottomObject* b = a->next; b != nullptr; b = b->next) {
      if (!hit(a, b)) continue;
      fprintf(stderr, " Colliding bottom objects:\n");
      report(a, b);
      ++pairs;
    }
  }
  for (UITopObject* a = first_top; a != nullptr; a = a->next) {
    for (UITopObject* b = a->next; b != nullptr; b = b->next) {
      if (!hit(a, b)) continue;
      fprintf(stderr, " Colliding top objects:\n");
      report(a, b);
      ++pairs;
    }
  }
  return pairs;
}

void UIWindow::grab_pointer() const {
  XGrabPointer(display, x_window, True, Button1MotionMask | ButtonReleaseMask, GrabModeAsync,
               GrabModeAsync, None, None, CurrentTime);
  allow_slide = true;
  grab_window = const_cast<UIWindow*>(this);
}

void UIWindow::ungrab_pointer() {
  XUngrabPointer(AppContext->ui_display, CurrentTime);
  allow_slide = true;
  grab_window = nullptr;
}

bool UIWindow::dispatch_to(UIObject* object, const XEvent* event) const {
  return interface_builder_mode ? object->handle_ib_event(event) : object->handle_event(event);
}

bool UIWindow::handle_window_event(const XEvent* event, bool honour_busy) {
  UIObject::DispatchScope scope;  // a widget's callback may discard the widget
  int type = event->type;
  bool pointer = type == ButtonPress || type == ButtonRelease || type == MotionNotify;
  if ((grab_window == nullptr || grab_window == this) &&
      (type == EnterNotify || (pointer && mapped))) {
    UIObject* obj = current_object;
    unsigned state = 0;
    short px = 0, py = 0;
    if (type == ButtonPress || type == ButtonRelease) {
      px = short(event->xbutton.x);
      py = short(event->xbutton.y);
    } else if (type == MotionNotify) {
      px = short(event->xmotion.x);
      py = short(event->xmotion.y);
      state = event->xmotion.state;
    } else {
      px = short(event->xcrossing.x);
      py = short(event->xcrossing.y);
      state = event->xcrossing.state;
    }
    if (type == ButtonPress) {
      obj = object_at(px, py);
      allow_slide = false;
    } else if (type == ButtonRelease) {
      if (current_object == nullptr || allow_slide) obj = object_at(px, py);
      allow_slide = false;
    } else {
      if ((state & button_state_mask) == 0 || allow_slide) obj = object_at(px, py);
      if (type == EnterNotify && top_level() && pop_up) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, x_window, &attributes) &&
            attributes.map_state == IsViewable) {
          XSetInputFocus(display, x_window, RevertToPointerRoot, CurrentTime);
        }
      }
    }
    if (honour_busy && busy && obj != nullptr && !obj->busy_exempt) {
      if (type == ButtonRelease) {
        save_event(event);
        return true;
      }
      return false;
    }
    bool used = false;
    if (obj == current_object) {
      if (obj != nullptr) used = dispatch_to(obj, event);
    } else {
      bool down = type == MotionNotify || type == EnterNotify ? (state & button_state_mask) != 0
                                                              : type == ButtonPress;
      if (current_object != nullptr) {
        used = down ? current_object->handle_button_down_leave() : current_object->handle_leave();
      }
      if (obj == nullptr) {
        set_cursor(AppContext->cursors[UIAppContext::cursor_left_ptr]);
      } else {
        used = down ? obj->handle_button_down_enter() : obj->handle_enter();
      }
      current_object = obj;
      if (obj != nullptr && (type == ButtonPress || type == ButtonRelease)) {
        if (dispatch_to(obj, event)) used = true;
      }
    }
    if (used) return true;
  }
  // The pointer left the window with no button held: its object is left too,
  // so coming back onto the same object enters it again (its help text, its
  // highlight). A drag keeps its object.
  if (type == LeaveNotify && grab_window == nullptr && current_object != nullptr &&
      current_object->window == this && event->xcrossing.mode == NotifyNormal &&
      event->xcrossing.detail != NotifyInferior && (event->xcrossing.state & button_state_mask) == 0) {
    UIObject* left = current_object;
    current_object = nullptr;
    left->handle_leave();
  }
  return handle_unused_event(event, honour_busy);
}

bool UIWindow::handle_unused_event(const XEvent* event, bool honour_busy) {
  switch (event->type) {
    case KeyPress: {
      if (!mapped || (honour_busy && busy)) return false;
      char character = 0;
      KeySym symbol = NoSymbol;
      XKeyEvent key = event->xkey;
      if (key.keycode == KEY_LOOKED_UP) {
        character = static_cast<char>(key.x_root);
        symbol = static_cast<KeySym>(static_cast<unsigned>(key.y_root));
      } else if (XLookupString(&key, &character, 1, &symbol, nullptr) != 1) {
        character = 0;
      }
      if (focused_text_field != nullptr &&
          focused_text_field->handle_key_press(character, static_cast<unsigned long>(symbol))) {
        return true;
      }
      return shortcut_cb != nullptr &&
             shortcut_cb(window_id, static_cast<unsigned char>(character));
    }
    case ButtonPress:
      if (pick_cb == nullptr || event->xbutton.button != Button1) return false;
      pick_cb(window_id);
      return true;
    case ButtonRelease:
      return pick_cb != nullptr && event->xbutton.button == Button1;
    case Expose: {
      mapped = true;
      set_cursor(requested_cursor);
      if (pending_title != nullptr) update_title();
      const XExposeEvent& e = event->xexpose;
      if (visual != nullptr) {
        clear_and_repair(short(e.x), short(e.y - 1), short(e.x + e.width + 1),
                         short(e.y + e.height));
      }
      return true;
    }
    case UnmapNotify:
      if (map_cb != nullptr) map_cb(window_id, false);
      return true;
    case MapNotify:
      if (map_cb != nullptr) map_cb(window_id, true);
      return true;
    case ConfigureNotify: {
      mapped = true;
      const XConfigureEvent& e = event->xconfigure;
      int nx = e.x;
      int ny = e.y;
      if (!e.send_event) {
        Window child;
        XTranslateCoordinates(display, x_window, root_of(display), 0, 0, &nx, &ny, &child);
      }
      if (e.width != width || e.height != height || nx != x || ny != y) {
        x = short(nx);
        y = short(ny);
        width = static_cast<unsigned short>(e.width);
        if (e.height != height) {
          height = static_cast<unsigned short>(e.height);
          redraw();  // the projection's origin depends on the height
        }
      }
      if (configure_cb != nullptr) configure_cb(window_id);
      repair_objects();
      if (visual != nullptr && XGLContext::current_context != nullptr) glFinish();
      return true;
    }
    case SelectionClear:
    case SelectionRequest:
      // The clipboard copy is the program's, so any window serves and clears it.
      if (focused_text_field != nullptr) return focused_text_field->handle_event(event);
      if (event->type == SelectionClear) UITextField::handle_selection_clear(display);
      else UITextField::answer_selection_request(event->xselectionrequest);
      return true;
    case SelectionNotify:
      return focused_text_field != nullptr && focused_text_field->handle_event(event);
    case ClientMessage:
      return is_close_request(event) && shortcut_cb != nullptr && shortcut_cb(window_id, 255);
    default:
      return false;
  }
}

bool UIWindow::is_close_request(const XEvent* event) const {
  if (event->type != ClientMessage || event->xclient.format != 32) return false;
  // Xlib keeps interned atoms, so asking again costs no round trip.
  Atom protocols = XInternAtom(display, "WM_PROTOCOLS", True);
  Atom delete_window = XInternAtom(display, "WM_DELETE_WINDOW", True);
  return protocols != None && delete_window != None && event->xclient.message_type == protocols &&
         Atom(event->xclient.data.l[0]) == delete_window;
}

void UIWindow::save_event(const XEvent* event) const {
  if (event_saved_for != nullptr) {
    int held = saved_event.type;
    bool same_window = event->xany.window == saved_event.xany.window;
    bool replace =
        same_window &&
        (held == MotionNotify || (event->type == ButtonRelease && held != ButtonRelease) ||
         (event->type == ButtonRelease && held == ButtonRelease &&
          event->xbutton.button < saved_event.xbutton.button));
    if (!replace) {
      fprintf(stderr,
              "Error - need to save a %d event for window %x, already have a %d event for "
              "window %x.\n",
              event->type, unsigned(event->xany.window), held, unsigned(saved_event.xany.window));
      return;
    }
  }
  event_saved_for = this;
  saved_event = *event;
  keep_saved_event = busy;
}

bool UIWindow::get_saved_event(XEvent& event) {
  if (keep_saved_event || event_saved_for == nullptr) return false;
  event = saved_event;
  event_saved_for = nullptr;
  return true;
}

UIWindow* UIWindow::find_window(Window xwin) {
  if (current != nullptr) {
    if (current->x_window == xwin) return current;
    if (current->previous != nullptr && current->previous->x_window == xwin) {
      return current = current->previous;
    }
    if (current->next != nullptr && current->next->x_window == xwin) {
      return current = current->next;
    }
  }
  for (current = list; current != nullptr; current = current->next) {
    if (current->x_window == xwin) break;
  }
  return current;
}

long UIWindow::get_application_data(Window xwin) {
  for (UIWindow* w = list; w != nullptr; w = w->next) {
    if (w->x_window == xwin) return w->window_id;
  }
  return 0;
}

Window UIWindow::get_window(long id) {
  for (UIWindow* w = list; w != nullptr; w = w->next) {
    if (w->window_id == id) return w->get_window_id();
  }
  return 0;
}

Window UIWindow::get_window(const char* window_name) {
  if (strcmp(window_name, "0") == 0) return 0;
  if (strcmp(window_name, "RootGraphics") == 0) return root_of(AppContext->graphics_display);
  if (strcmp(window_name, "RootUI") == 0) return root_of(AppContext->ui_display);
  for (UIWindow* w = list; w != nullptr; w = w->next) {
    if (w->name != nullptr && strcmp(w->name, window_name) == 0) return w->get_window_id();
  }
  return 0;
}

const char* UIWindow::get_name(Window xwin, bool graphics_first) {
  if (xwin == 0) return "0";
  Window graphics_root = root_of(AppContext->graphics_display);
  Window ui_root = root_of(AppContext->ui_display);
  if (graphics_first && xwin == graphics_root) return "RootGraphics";
  if (xwin == ui_root) return "RootUI";
  if (xwin == graphics_root) return "RootGraphics";
  for (UIWindow* w = list; w != nullptr; w = w->next) {
    if (w->x_window == xwin) return w->name;
  }
  return "0";
}

void UIWindow::set_callbacks(void (*configure)(long), void (*pick)(long),
                             bool (*shortcut)(long, unsigned char), void (*map)(long, bool)) {
  configure_cb = configure;
  pick_cb = pick;
  shortcut_cb = shortcut;
  map_cb = map;
}
