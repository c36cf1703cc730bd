#include "link/gin.h"

#include <GL/gl.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>

#include <cstdio>
#include <cstdlib>

#include "base/internal_error.h"
#include "link/connect.h"
#include "link/graphics_input.h"
#include "link/gui3d_events.h"
#include "link/trace_file.h"
#include "link/si.h"
#include "platform/posix_services.h"
#include "runtime/predefined.h"
#include "runtime/procedures.h"
#include "runtime/tables.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_option_pop_up.h"
#include "toolkit/ui_window.h"
#include "view/graphics_window.h"
#include "view/transforms.h"

namespace {

constexpr const char* MODULE = "gin";

constexpr int64_t HOLD_TICKS = 1;           // held motion, alone
constexpr int64_t HOLD_TICKS_RECORDED = 20;  // with a partner or an output trace

// Predefined variables kept by the dispatch.
constexpr uint32_t POINTER_IN_GRAPHICS = 87;
constexpr uint32_t POINTER_MOVES = 89;
constexpr uint32_t POINTER_SPEED = 90;
constexpr uint32_t SPACEBALL_MOVED = 97;
constexpr uint32_t SPACEBALL_DEAD_ZONE = 98;
constexpr uint32_t GUI3D_EVENTS = 109;
constexpr uint32_t POINTER_X = 511, POINTER_Y = 512;

constexpr uint16_t CODE_POINTER_BUTTON = 463;  // + button 1 to 5
constexpr uint16_t CODE_TO_KEY_BYTE = 80;      // key byte of a button: its code - 80
constexpr int N_POINTER_BUTTONS = 5;

// The predefined identifiers that an extra device's buttons (counted from 1)
// and axes (counted from 0) occupy; numbers outside a block have no identifier.
enum device_block { BUTTON_BOX_BUTTONS, SPACEBALL_BUTTONS, DIAL_AXES, SPACEBALL_AXES };
struct block_range {
  uint16_t base;
  int32_t lowest, highest;
};
constexpr block_range DEVICE_BLOCKS[] = {
    {468, 1, 32},  // button box: 469 to 500
    {500, 1, 10},  // space ball: 501 to 510
    {515, 0, 7},   // dials: 515 to 522
    {523, 0, 5},   // space-ball axes: 523 to 528
};

// Graphics identifier flags (its first 32 bits): visible and displayed.
constexpr uint32_t ID_SHOWN = 0x202000;

// The modifier keys of a crossing's state mask: both identifiers are cleared
// when the bit is clear; a set bit cannot tell which of the two is down.
struct modifier_pair {
  unsigned mask;
  uint32_t left, right;
  const char* warning;
};
constexpr modifier_pair MODIFIER_PAIRS[] = {
    {Mod1Mask, 441, 442, "Warning - Alt key changed state, cannot determine which one.\n"},
    {ControlMask, 435, 436, "Warning - Control key changed state, cannot determine which one.\n"},
    {ShiftMask, 433, 434, "Warning - Shift key changed state, cannot determine which one.\n"},
};
// Single keys and buttons whose state a crossing reports directly.
struct state_bit {
  unsigned mask;
  uint32_t predef;
};
constexpr state_bit STATE_BITS[] = {
    {Button1Mask, 464}, {Button2Mask, 465}, {Button3Mask, 466}, {Button4Mask, 467},
    {Button5Mask, 468}, {LockMask, 437},    {Mod2Mask, 335},    {Mod5Mask, 228},
};

XEvent saved_motion_notify;  // xany.display null: nothing held
int64_t motion_start_time;  // ticks
int32_t motion_time;
int32_t motion_distance;

int16_t mouse_x, mouse_y;
uint8_t button_state;

Atom wm_protocols;
Atom magellan_motion_event, magellan_button_press_event, magellan_button_release_event;
Atom spaceball_motion_event, spaceball_button_press_event, spaceball_button_release_event;
bool x_error;

// The live event being dispatched, for the trace line of an event whose
// dispatch ends the server.
struct {
  const XEvent* event;
  bool* wanted;
  bool user_input;
} dispatching;

}  // namespace

TraceFile* output_trace_file;

// ---- Pointer ------------------------------------------------------------------

// The last window origin translated to its root. Windows move only through a
// request of this client or with a structure event to it, so the origin holds
// while neither has happened: runs of pointer events need no round trip each.
static struct {
  Display* display;
  Window window;
  int x, y;
  unsigned long next_request;  // NextRequest after the translation
} known_origin;

static void forget_window_origin() { known_origin.display = nullptr; }

void set_mouse_position(Display* display, Window window, int x, int y) {
  if (known_origin.display != display || known_origin.window != window ||
      known_origin.next_request != NextRequest(display)) {
    int root_x = 0, root_y = 0;
    Window child = None;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &root_x, &root_y, &child)) {
      forget_window_origin();
      return;
    }
    known_origin = {display, window, root_x, root_y, NextRequest(display)};
  }
  mouse_x = int16_t(known_origin.x + x);
  mouse_y = int16_t(known_origin.y + y);
}

void get_cursor_position(short* x, short* y) {
  *x = mouse_x;
  *y = mouse_y;
}

uint8_t get_button_state() { return button_state; }

static ident_info* graphics_identifier() { return &globals()[1]; }

// The pointer position and its move counter, assigned like YARL code would
// but without moving the pointer.
static void update_mouse_variables(int16_t x, int16_t y) {
  ident_info* context = graphics_identifier();
  bool moved = change_variable(context, &globals()[POINTER_X], integer_value(x), false);
  moved = change_variable(context, &globals()[POINTER_Y], integer_value(y), false) || moved;
  if (moved) put_predef(POINTER_MOVES, get_predef(POINTER_MOVES) + 1);
}

// ---- Dispatch -----------------------------------------------------------------

static Window graphics_x_window() { return get_graphics_window(); }

UIWindow* graphics_ui_window() {
  if (tables[T_GLOBALS].length <= 1 || !is_window_kind(graphics_identifier()->kind)) return nullptr;
  window_record* w = record_of(graphics_identifier());
  return w != nullptr ? w->ui_window : nullptr;
}

static bool graphics_shown() {
  const ident_info& id = *graphics_identifier();
  uint32_t flags = uint32_t(id.kind) | uint32_t(id.flags1) << 8 | uint32_t(id.word2) << 16;
  return (flags & ID_SHOWN) == ID_SHOWN;
}

static void intern_device_atoms(Display* display) {
  bool magellan = magellan_motion_event && magellan_button_press_event && magellan_button_release_event;
  bool spaceball = spaceball_motion_event && spaceball_button_press_event && spaceball_button_release_event;
  if (magellan || spaceball || AppContext == nullptr) return;
  Display* graphics = AppContext->graphics_display != nullptr ? AppContext->graphics_display : display;
  magellan_motion_event = XInternAtom(graphics, "MotionEvent", True);
  magellan_button_press_event = XInternAtom(graphics, "ButtonPressEvent", True);
  magellan_button_release_event = XInternAtom(graphics, "ButtonReleaseEvent", True);
  spaceball_motion_event = XInternAtom(graphics, "SpaceballMotionEventType", True);
  spaceball_button_press_event = XInternAtom(graphics, "SpaceballButtonPressEventType", True);
  spaceball_button_release_event = XInternAtom(graphics, "SpaceballButtonReleaseEventType", True);
}

// The identifier of button or axis n of a device block, or 0 when n lies
// outside it: device events come from any X client and are not trusted.
static uint16_t device_identifier(device_block block, int32_t n) {
  const block_range& r = DEVICE_BLOCKS[block];
  return n >= r.lowest && n <= r.highest ? uint16_t(r.base + n) : 0;
}

// A space-ball axis with the dead zone taken off.
static int32_t outside_dead_zone(int32_t v, int32_t dead) {
  if (v > dead) return v - dead;
  if (v < -dead) return v + dead;
  return 0;
}

// What one event contributes to the input state.
struct dispatch_state {
  bool user_input = false;  // r: goes to the partner and the trace
  bool to_widget = true;
  bool to_graphics_input = false;
  uint16_t code = 0;
  uint8_t key_byte = 0;
  bool press = false;
};

static void key_event(XEvent* event, bool for_graphics, dispatch_state& s) {
  XKeyEvent& key = event->xkey;
  if (key.keycode != KEY_LOOKED_UP) {
    char character = 0;
    KeySym keysym = NoSymbol;
    if (XLookupString(&key, &character, 1, &keysym, nullptr) != 1) character = 0;
    key.x_root = static_cast<unsigned char>(character);
    key.y_root = int(keysym);
    key.keycode = KEY_LOOKED_UP;
  }
  set_help_text(nullptr);
  set_mouse_position(key.display, key.window, key.x, key.y);
  uint32_t keysym = uint32_t(key.y_root);
  if (keysym >= 0x20 && keysym <= 0x7F) s.code = uint16_t(keysym + 80);
  else if (keysym >= 0xFF00 && keysym <= 0xFFFF) s.code = uint16_t(keysym + 464);
  s.key_byte = uint8_t(key.x_root);
  s.press = event->type == KeyPress;
  if (for_graphics) {
    s.to_widget = false;
    s.to_graphics_input = get_graphics_input_mode() != 0;
  }
  s.user_input = true;
}

static void button_event(XEvent* event, bool for_graphics, dispatch_state& s) {
  const XButtonEvent& b = event->xbutton;
  set_help_text(nullptr);
  set_mouse_position(b.display, b.window, b.x, b.y);
  bool known = b.button >= 1 && b.button <= N_POINTER_BUTTONS;
  if (known) {
    s.code = uint16_t(CODE_POINTER_BUTTON + b.button);
    s.key_byte = uint8_t(s.code - CODE_TO_KEY_BYTE);
  }
  s.press = event->type == ButtonPress;
  if (known) {
    uint8_t bit = uint8_t(1u << (b.button - 1));
    button_state = s.press ? uint8_t(button_state | bit) : uint8_t(button_state & ~bit);
  }
  if (!s.press) release_drag_box();
  if (for_graphics) {
    s.to_widget = false;
    s.to_graphics_input = get_graphics_input_mode() != 0;
  }
  s.user_input = true;
}

static void motion_event(const XEvent* event, bool for_graphics, dispatch_state& s) {
  const XMotionEvent& m = event->xmotion;
  set_mouse_position(m.display, m.window, m.x, m.y);
  UIOptionPopUp::set_mouse_moved();
  s.user_input = true;
  if (drag_box_shown()) {
    move_drag_box(mouse_x, mouse_y);
    s.to_widget = false;
    return;
  }
  if (get_graphics_input_state() == 2) {
    // The graphics area is kept in root coordinates, as the pointer is.
    uint16_t tx = 0, ty = 0;
    if (screen_input_to_tek(uint16_t(mouse_x < 0 ? 0 : mouse_x), uint16_t(mouse_y < 0 ? 0 : mouse_y), &tx, &ty))
      enter_input_point(tx, ty);
  }
  if (for_graphics) {
    s.to_widget = false;
    s.to_graphics_input = get_graphics_input_mode() == GIN_PICK;
  }
}

static void crossing_event(const XEvent* event, bool for_graphics, dispatch_state& s) {
  const XCrossingEvent& c = event->xcrossing;
  if (event->type == EnterNotify) {
    for (const state_bit& bit : STATE_BITS) put_predef(bit.predef, (c.state & bit.mask) != 0);
    for (const modifier_pair& pair : MODIFIER_PAIRS) {
      if ((c.state & pair.mask) == 0) {
        put_predef(pair.left, 0);
        put_predef(pair.right, 0);
      } else if (get_predef(pair.left) == 0 && get_predef(pair.right) == 0) {
        fputs(pair.warning, stderr);
      }
    }
  }
  set_help_text(nullptr);
  if (for_graphics && c.mode == NotifyNormal) {
    put_predef(POINTER_IN_GRAPHICS, event->type == EnterNotify);
    s.to_widget = false;
  }
}

void take_graphics_geometry() {
  Window graphics = graphics_x_window();
  if (graphics == None || AppContext == nullptr) return;
  Display* graphics_display = AppContext->graphics_display;
  Window root = None, child = None;
  int x = 0, y = 0, root_x = 0, root_y = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  if (!XGetGeometry(graphics_display, graphics, &root, &x, &y, &width, &height, &border, &depth)) return;
  if (!XTranslateCoordinates(graphics_display, graphics, root, 0, 0, &root_x, &root_y, &child)) return;
  resize_graphics_child_windows(width, height);
  set_graphics_viewport(int16_t(root_x), int16_t(width), int16_t(root_y), int16_t(height));
}

static void configure_event(XEvent* event) {
  Display* display = event->xany.display;
  Window window = event->xany.window;
  XEvent later;
  while (XCheckTypedWindowEvent(display, window, ConfigureNotify, &later)) *event = later;
  if (graphics_shown()) take_graphics_geometry();
}

static void client_message(const XEvent* event, bool for_graphics, dispatch_state& s) {
  const XClientMessageEvent& m = event->xclient;
  if (m.message_type == None) return;
  if (wm_protocols == None) wm_protocols = XInternAtom(m.display, "WM_PROTOCOLS", True);
  intern_device_atoms(m.display);
  if (m.message_type == wm_protocols) {
    s.user_input = true;
    return;
  }
  bool motion = m.message_type == magellan_motion_event || m.message_type == spaceball_motion_event;
  bool press = m.message_type == magellan_button_press_event ||
               m.message_type == spaceball_button_press_event;
  bool release = m.message_type == magellan_button_release_event ||
                 m.message_type == spaceball_button_release_event;
  if (motion) {
    int32_t dead = get_predef(SPACEBALL_DEAD_ZONE);
    bool moved = false;
    for (int i = 0; i < 6; ++i) {
      int32_t v = outside_dead_zone(m.data.s[2 + i], dead);
      put_predef(device_identifier(SPACEBALL_AXES, i), v);
      moved = moved || v != 0;
    }
    put_predef(SPACEBALL_MOVED, moved);
  } else if (press || release) {
    s.code = device_identifier(SPACEBALL_BUTTONS, m.data.s[2]);
    if (s.code != 0) {
      s.key_byte = uint8_t(s.code - CODE_TO_KEY_BYTE);
      s.press = press;
      s.to_graphics_input = for_graphics && get_graphics_input_mode() != 0;
    }
  } else {
    return;
  }
  s.to_widget = false;
  s.user_input = true;
}


// ---- XInput devices -------------------------------------------------------------

// Relative dial motion: axis a moves dial DIAL_MAP[a].
constexpr int DIAL_MAP[8] = {6, 4, 2, 0, 7, 5, 3, 1};

static void dial_motion(const XDeviceMotionEvent& m, bool relative) {
  int count = m.axes_count, first = m.first_axis;
  const int* values = m.axis_data;
  XDeviceTimeCoord* history = nullptr;
  int history_count = 0, mode = 0, axes = 0;
  if (XDevice* dials = get_dial_device())
    history = XGetDeviceMotionEvents(m.display, dials, m.time, m.time, &history_count, &mode, &axes);
  if (history != nullptr && history_count > 0) {
    count = axes, first = 0;
    values = history[history_count - 1].data;
  } else if (count > 6) {
    count = 6;  // an event carries at most six values
  }
  for (int a = 0; a < count; ++a) {
    uint16_t dial = device_identifier(DIAL_AXES, first + a);
    if (dial == 0) continue;  // dials 0 to 7 only
    int32_t v = values[a];
    if (!relative) {
      put_predef(dial, v);
    } else if (v != 0) {
      uint32_t mapped = DEVICE_BLOCKS[DIAL_AXES].base + DIAL_MAP[first + a];
      put_predef(mapped, int32_t(uint32_t(get_predef(mapped)) + uint32_t(v)));
    }
  }
  if (history != nullptr) XFreeDeviceMotionEvents(history);
}

static void spaceball_motion(const XDeviceMotionEvent& m) {
  int32_t dead = get_predef(SPACEBALL_DEAD_ZONE);
  for (int a = 0; a < m.axes_count && a < 6; ++a) {
    uint16_t axis = device_identifier(SPACEBALL_AXES, m.first_axis + a);
    if (axis != 0) put_predef(axis, outside_dead_zone(m.axis_data[a], dead));
  }
  bool moved = false;
  for (int i = 0; i <= DEVICE_BLOCKS[SPACEBALL_AXES].highest; ++i)
    moved = moved || get_predef(device_identifier(SPACEBALL_AXES, i)) != 0;
  put_predef(SPACEBALL_MOVED, moved);
}

// Motion and buttons of the extra devices; event types that are not theirs pass.
static void device_event(const XEvent* event, bool for_graphics, dispatch_state& s) {
  const input_devices& devices = get_input_devices();
  if (event->type < LASTEvent) return;  // XInput types lie above the core ones
  if (event->type == devices.motion_type) {
    const XDeviceMotionEvent& m = *reinterpret_cast<const XDeviceMotionEvent*>(event);
    set_mouse_position(m.display, m.window, m.x, m.y);
    if (int32_t(m.deviceid) == devices.dials_id) dial_motion(m, devices.dials_relative);
    else if (int32_t(m.deviceid) == devices.spaceball_id) spaceball_motion(m);
    else internal_error(1355, MODULE);
  } else if (event->type == devices.button_press_type || event->type == devices.button_release_type) {
    const XDeviceButtonEvent& b = *reinterpret_cast<const XDeviceButtonEvent*>(event);
    set_mouse_position(b.display, b.window, b.x, b.y);
    int32_t n = b.button <= 32 ? int32_t(b.button) : 0;
    if (int32_t(b.deviceid) == devices.buttons_id) s.code = device_identifier(BUTTON_BOX_BUTTONS, n);
    else if (int32_t(b.deviceid) == devices.spaceball_id) s.code = device_identifier(SPACEBALL_BUTTONS, n);
    else internal_error(1278, MODULE);
    if (s.code != 0) {  // buttons beyond the device's identifiers are ignored
      s.key_byte = uint8_t(s.code - CODE_TO_KEY_BYTE);
      s.press = event->type == devices.button_press_type;
      s.to_graphics_input = for_graphics && get_graphics_input_mode() != 0;
    }
  } else {
    return;
  }
  s.to_widget = false;
  s.user_input = true;
}

bool process_one_event(XEvent* event, bool live, bool to_widgets, bool* ui_object_wants_it) {
  int type = event->type;
  if (type >= CreateNotify && type <= CirculateRequest) forget_window_origin();
  Window window = event->xany.window;
  Window graphics = graphics_x_window();
  bool for_graphics = graphics != None && window == graphics;
  UIWindow* graphics_ui = for_graphics ? graphics_ui_window() : nullptr;
  if ((type == ButtonPress || type == ButtonRelease || type == MotionNotify) && graphics_ui != nullptr &&
      graphics_ui->busy) {
    graphics_ui->save_event(event);
    return false;
  }
  UIWindow* target = UIWindow::find_window(window);
  if (target == nullptr) {
    fprintf(stderr, "Error - Event %d for unknown window %x.\n", type, unsigned(window));
    *ui_object_wants_it = false;
    return false;
  }

  dispatch_state s;
  switch (type) {
    case KeyPress:
    case KeyRelease: key_event(event, for_graphics, s); break;
    case ButtonPress:
    case ButtonRelease: button_event(event, for_graphics, s); break;
    case MotionNotify: motion_event(event, for_graphics, s); break;
    case EnterNotify:
    case LeaveNotify: crossing_event(event, for_graphics, s); break;
    case Expose:
      if (for_graphics && event->xexpose.count == 0) {
        XEvent later;
        while (XCheckTypedWindowEvent(event->xany.display, window, Expose, &later)) {}
        set_repaint(false);
      }
      break;
    case ConfigureNotify: configure_event(event); break;
    case ClientMessage: client_message(event, for_graphics, s); break;
    default: device_event(event, for_graphics, s); break;
  }

  update_mouse_variables(mouse_x, mouse_y);
  if (dispatching.event == event) dispatching.user_input = s.user_input;

  ident_info* input = nullptr;
  if (s.code != 0) {
    if (s.code >= tables[T_GLOBALS].length || globals()[s.code].kind != K_BOOLEAN)
      internal_error(1371, MODULE);
    ident_info* id = &globals()[s.code];
    if ((id->val.i != 0) != s.press) {
      id->val.i = s.press;
      input = id;
    }
  }

  bool h = false;
  if (s.to_widget && window != DefaultRootWindow(event->xany.display) && to_widgets) {
    // A widget's action may end the server: the trace then records the event as taken.
    *ui_object_wants_it = true;
    h = target->handle_window_event(event, live);
    *ui_object_wants_it = h;
  }
  if (!h && type == KeyPress) h = handle_global_shortcut(s.key_byte);
  if (!h && for_graphics && (type == ButtonPress || type == ButtonRelease || type == MotionNotify) &&
      (type == ButtonRelease || get_predef(GUI3D_EVENTS) != 0))
    h = handle_gui3d_event(event);
  if (!h && s.to_graphics_input) h = graphics_input_event(event, s.code, s.key_byte, s.press);

  if (input != nullptr) {
    if (h) update_displaying_windows(input);
    else process_variable_change(graphics_identifier(), input);
  }

  if (!h) {
    if (type == KeyPress && s.key_byte != 0 && s.code == 0) {
      XBell(AppContext->ui_display, 0);
    } else if (type == ButtonPress) {
      clear_calling_window();
      UIOptionPopUp::close_pop_up_window();
    } else if (type == ButtonRelease && event->xbutton.button == Button1) {
      UIOptionPopUp::close_pop_up_window();
    } else if (target->is_close_request(event)) {
      handle_global_shortcut(255);
    }
  }
  return s.user_input;
}

// ---- Intake -------------------------------------------------------------------

static bool recording() { return connected() || output_trace_file != nullptr; }

// Dispatches a live event and passes accepted input to the partner and the trace.
static void dispatch_live(XEvent* event) {
  bool wanted = false;
  dispatching = {event, &wanted, false};
  bool accepted = process_one_event(event, true, true, &wanted);
  dispatching = {};
  if (!accepted) return;
  if (connected()) transmit_event(event, wanted);
  if (output_trace_file != nullptr) output_trace_file->write_event(event, wanted);
}

// ---- Output trace -------------------------------------------------------------
// Opened at start-up where graphics input is preset; closed by its clean-up
// and by every halt, so that the event whose dispatch ended the server is kept.

void open_output_trace(const char* path) {
  if (path != nullptr) output_trace_file = new TraceFile(path, "w");
}

void close_output_trace() {
  if (output_trace_file == nullptr) return;
  if (dispatching.event != nullptr && dispatching.user_input)
    output_trace_file->write_event(dispatching.event, *dispatching.wanted);
  dispatching = {};
  delete output_trace_file;
  output_trace_file = nullptr;
}

bool process_saved_motion_notify() {
  if (saved_motion_notify.xany.display == nullptr) return false;
  if (motion_time > 0) put_predef(POINTER_SPEED, int32_t(int64_t(motion_distance) * 100 / motion_time));
  XEvent held = saved_motion_notify;
  saved_motion_notify.xany.display = nullptr;
  dispatch_live(&held);
  return true;
}

bool check_for_events(Display* display) {
  int64_t hold = recording() ? HOLD_TICKS_RECORDED : HOLD_TICKS;
  XEvent event;
  if (UIWindow::get_saved_event(event)) {
    saved_motion_notify.xany.display = nullptr;
  } else {
    if (recording())
      for (int i = 0; i < 10 && XPending(display) == 0; ++i) XSync(display, False);
    if (XPending(display) == 0) {
      if (saved_motion_notify.xany.display == nullptr) return false;
      motion_time = int32_t(ticks() - motion_start_time);
      return motion_time > hold ? process_saved_motion_notify() : false;
    }
    XNextEvent(display, &event);
  }
  if (event.type != MotionNotify) {
    process_saved_motion_notify();
    dispatch_live(&event);
    return true;
  }
  XMotionEvent& held = saved_motion_notify.xmotion;
  if (held.display != nullptr && (held.display != event.xmotion.display || held.window != event.xmotion.window))
    process_saved_motion_notify();
  int64_t now = ticks();
  if (held.display != nullptr) {
    motion_distance += std::abs(held.x - event.xmotion.x) + std::abs(held.y - event.xmotion.y);
  } else {
    motion_start_time = now;
    motion_time = 0;
    motion_distance = 0;
  }
  saved_motion_notify = event;
  motion_time = int32_t(now - motion_start_time);
  if (motion_time > hold) process_saved_motion_notify();
  return true;
}

bool process_events() {
  if (AppContext == nullptr || AppContext->ui_display == nullptr) return false;
  set_windows_busy(false);
  Display* ui = AppContext->ui_display;
  Display* graphics = AppContext->graphics_display;
  bool any = false;
  for (;;) {
    bool got = check_for_events(ui);
    if (!got && graphics != nullptr && graphics != ui) got = check_for_events(graphics);
    if (!got) break;
    any = true;
  }
  if (any) glFlush();  // what the windows repaired reaches the screen
  return any;
}

// ---- X errors while devices are opened ----------------------------------------

bool take_x_error() {
  bool seen = x_error;
  x_error = false;
  return seen;
}

int x_error_handler_xcm(Display* display, XErrorEvent* event) {
  x_error = true;
  if (event->error_code == BadWindow) {
    fputs("Warning - X Error code 'BadWindow' ignored.\n", stderr);
    return 0;
  }
  return x_error_handler(display, event);
}

int x_error_handler_xie(Display* display, XErrorEvent* event) {
  x_error = true;
  if (event->error_code == BadAccess || event->error_code > 127) {
    fprintf(stderr, "Warning - X Error code %d ignored.\n", event->error_code);
    return 0;
  }
  return x_error_handler(display, event);
}

void cleanup_event_intake() {
  saved_motion_notify.xany.display = nullptr;
  motion_start_time = 0;
  motion_time = motion_distance = 0;
  mouse_x = mouse_y = 0;
  button_state = 0;
}
