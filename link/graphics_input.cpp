#include "link/graphics_input.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput.h>

#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/gin.h"
#include "runtime/graphics_input_ops.h"
#include "runtime/predefined.h"
#include "runtime/procedures.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_option_pop_up.h"
#include "toolkit/ui_window.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/transforms.h"

namespace {

constexpr const char* MODULE = "gin";

constexpr uint32_t FIRST_ARRAY_LENGTH = 16;  // points; doubled when full
constexpr uint16_t CODE_POINTER_BUTTON_1 = 464;
constexpr uint8_t KEY_BYTE_BUTTON_1 = 128;
constexpr int N_FONT_CURSORS = 77;
constexpr int N_ACCESS_POINTS = 54;
constexpr uint8_t LEFT_POINTER = 34;  // font shape 68
constexpr int ACCESS_CURSOR_SIZE = 32;
constexpr int BUTTON_BOX_CHARACTERS = 8;

// Graphics input.
uint8_t gr_in_ty;  // mode, 0 none
uint8_t gr_in_st;  // 0 idle, 1 waiting for the starting key or button, 2 rubber band running
uint8_t gr_in_ch;  // key byte of the starting key or button
uint16_t gr_in_grid;
uint16_t gr_in_maxs;
uint16_t gr_in_size;
uint32_t gr_in_arr_len;
uint16_t* gr_in_tek_x;
uint16_t* gr_in_tek_y;

// Pointer and buttons at the last pick report.
int16_t rtp_mouse_x = -1, rtp_mouse_y = -1;
uint8_t rtp_button_state;

Cursor cursors[N_CURSORS];
bool cursors_preset;  // the start-up has made the crosshair; the others follow on demand
uint8_t graphics_cursor = LEFT_POINTER;
uint8_t noinput_cursor = LEFT_POINTER;

UIWindow* drag_box;
int16_t drag_ofs_x, drag_ofs_y;

input_devices devices;
XDevice* dials;
XDevice* buttons;
XDevice* spaceball;
bool buttons_have_display;
bool button_box_missing_reported;

// Hot spots of the access-point cursors 1 to 54.
struct hot_spot {
  uint8_t x, y;
};
constexpr hot_spot ACCESS_POINT_HOT_SPOTS[N_ACCESS_POINTS] = {
    {16, 15}, {15, 15}, {16, 21}, {18, 16}, {15, 21}, {15, 15}, {14, 19}, {17, 15}, {15, 15}, {15, 15},
    {12, 20}, {15, 15}, {15, 16}, {15, 15}, {1, 30},  {16, 30}, {30, 30}, {1, 15},  {30, 15}, {1, 1},
    {16, 1},  {30, 1},  {15, 15}, {15, 15}, {15, 15}, {16, 16}, {15, 15}, {11, 19}, {15, 15}, {16, 15},
    {15, 15}, {14, 17}, {13, 15}, {15, 15}, {15, 15}, {14, 19}, {17, 15}, {15, 15}, {11, 13}, {11, 13},
    {15, 15}, {15, 15}, {16, 19}, {16, 19}, {16, 19}, {16, 14}, {16, 15}, {15, 16}, {30, 30}, {15, 15},
    {15, 13}, {15, 13}, {15, 13}, {15, 15},
};

}  // namespace

// ---- Rubber band ----------------------------------------------------------

static void allocate_point_arrays() {
  gr_in_arr_len = FIRST_ARRAY_LENGTH;
  gr_in_tek_x = static_cast<uint16_t*>(CheckedMalloc(gr_in_arr_len * 2 + 4));
  gr_in_tek_y = static_cast<uint16_t*>(CheckedMalloc(gr_in_arr_len * 2 + 4));
}

static bool boxed() { return gr_in_ty == GIN_RUBBER_BOX; }

// Draws (or, drawn again, erases) the band between the points entered.
static void rubber(bool flush) {
  if (gr_in_size < 2) return;
  if (boxed()) {
    (flush ? draw_rubber_box : clear_rubber_box)(gr_in_tek_x[0], gr_in_tek_y[0], gr_in_tek_x[1], gr_in_tek_y[1]);
    return;
  }
  for (uint16_t i = 1; i < gr_in_size; ++i)
    (flush ? draw_rubber_line : clear_rubber_line)(gr_in_tek_x[i - 1], gr_in_tek_y[i - 1], gr_in_tek_x[i],
                                                   gr_in_tek_y[i]);
}

void clear_rubber() { rubber(false); }
void draw_rubber_lines() { rubber(true); }
bool get_rubber_input_inactive() { return gr_in_size < 2; }

// One segment of the band from point `from` to (x, y): the box or the line.
static void band_segment(uint16_t from, uint16_t x, uint16_t y) {
  if (boxed()) draw_rubber_box(gr_in_tek_x[from], gr_in_tek_y[from], x, y);
  else draw_rubber_line(gr_in_tek_x[from], gr_in_tek_y[from], x, y);
}

static void store_point(uint16_t i, uint16_t x, uint16_t y) {
  gr_in_tek_x[i] = x;
  gr_in_tek_y[i] = y;
}

void enter_input_point(uint16_t x, uint16_t y) {
  if (gr_in_tek_x == nullptr) allocate_point_arrays();
  switch (gr_in_ty) {
    case GIN_RUBBER_BOX:
    case GIN_RUBBER_LINE:
    case GIN_LINE_FROM_POINT:
      if (gr_in_size == 0) {
        store_point(0, x, y);
        gr_in_size = 1;
      } else if (gr_in_size <= 2) {
        begin_rubber_drawing(true);
        if (gr_in_size == 2) clear_rubber();
        band_segment(0, x, y);
        end_rubber_drawing();
        store_point(1, x, y);
        gr_in_size = 2;
      }
      return;
    case GIN_POLYLINE: {
      if (gr_in_size == 0) {
        store_point(0, x, y);
        gr_in_size = 1;
        return;
      }
      if (gr_in_size >= gr_in_maxs) return;
      if (gr_in_size >= gr_in_arr_len) {
        gr_in_arr_len *= 2;
        gr_in_tek_x = static_cast<uint16_t*>(CheckedRealloc(gr_in_tek_x, gr_in_arr_len * 2 + 4));
        gr_in_tek_y = static_cast<uint16_t*>(CheckedRealloc(gr_in_tek_y, gr_in_arr_len * 2 + 4));
      }
      int64_t dx = int64_t(gr_in_tek_x[gr_in_size - 1]) - x, dy = int64_t(gr_in_tek_y[gr_in_size - 1]) - y;
      if (dx * dx + dy * dy <= int64_t(gr_in_grid) * gr_in_grid) return;
      begin_rubber_drawing(true);
      band_segment(uint16_t(gr_in_size - 1), x, y);
      end_rubber_drawing();
      store_point(gr_in_size++, x, y);
      return;
    }
    default: internal_error(203, MODULE);
  }
}

// ---- Arming and ending ------------------------------------------------------

void set_graphics_input(uint8_t mode, uint8_t cursor, uint16_t flags_or_grid, uint16_t max_points, uint16_t x,
                        uint16_t y) {
  if (cursor < N_CURSORS) graphics_cursor = cursor;  // another number keeps the cursor shown
  set_graphics_cursor();
  gr_in_ty = mode;
  gr_in_size = 0;
  gr_in_st = 1;
  gr_in_maxs = max_points;
  gr_in_grid = flags_or_grid;
  if (mode == GIN_LINE_FROM_POINT) enter_input_point(x, y);
}

void end_graphics_input(bool keep_cursor) {
  if (gr_in_size >= 2) {
    begin_rubber_drawing(true);
    clear_rubber();
    end_rubber_drawing();
  }
  if (!keep_cursor) {
    graphics_cursor = noinput_cursor;
    set_graphics_cursor();
  }
  gr_in_size = 0;
  gr_in_ty = 0;
  gr_in_st = 0;
}

uint8_t get_graphics_input_mode() { return gr_in_ty; }
uint8_t get_graphics_input_state() { return gr_in_st; }

// ---- The dispatch step ------------------------------------------------------

// The pointer in tek units; false outside the graphics area (then clamped to
// its border). The pointer is in root coordinates, as the graphics area is.
static bool pointer_tek(uint16_t* tx, uint16_t* ty) {
  short x = 0, y = 0;
  get_cursor_position(&x, &y);
  return screen_input_to_tek(uint16_t(x < 0 ? 0 : x), uint16_t(y < 0 ? 0 : y), tx, ty);
}

static void report_pick(uint8_t key_byte, bool mark) {
  uint16_t tx = 0, ty = 0;
  pointer_tek(&tx, &ty);
  get_cursor_position(&rtp_mouse_x, &rtp_mouse_y);
  rtp_button_state = get_button_state();
  process_graphics_pick(GIN_PICK, key_byte, 1, &tx, &ty, mark);
}

// A key or button with an identifier that no when-changed list watches.
static bool plain_input(uint16_t code, uint8_t key_byte) { return code != 0 && key_byte != 0 && !when_changed(code); }

bool graphics_input_event(const XEvent* event, uint16_t code, uint8_t key_byte, bool press) {
  bool motion = event->type == MotionNotify;
  if (gr_in_ty == GIN_PICK) {
    // Delayed reporting leaves the report to the pass before the repaint.
    if (gr_in_grid & PICK_DELAYED) return false;
    bool report = motion ? (gr_in_grid & PICK_ON_MOTION) != 0
                         : (gr_in_grid & (press ? PICK_ON_PRESS : PICK_ON_RELEASE)) != 0 && plain_input(code, key_byte);
    if (!report) return false;
    report_pick(key_byte, (motion || press) && (gr_in_grid & PICK_MARK));
    return true;
  }
  if (motion) return false;  // the dispatch enters the points of a motion itself
  uint16_t tx = 0, ty = 0;
  if (press && gr_in_st == 1) {
    if (gr_in_ty == GIN_LINE_FROM_POINT && code != CODE_POINTER_BUTTON_1) {
      process_graphics_pick(GIN_LINE_FROM_POINT, key_byte, 0, nullptr, nullptr, false);
      return true;
    }
    if (!plain_input(code, key_byte)) return false;
    gr_in_st = 2;
    gr_in_ch = key_byte;
    if (pointer_tek(&tx, &ty)) enter_input_point(tx, ty);
    return true;
  }
  if (gr_in_st == 2 && key_byte == gr_in_ch) {
    gr_in_grid = 1;
    if (pointer_tek(&tx, &ty)) enter_input_point(tx, ty);
    process_graphics_pick(gr_in_ty, gr_in_ch, gr_in_size, gr_in_tek_x, gr_in_tek_y, false);
    return true;
  }
  return false;
}

void process_delayed_read_tek_point() {
  if (gr_in_ty != GIN_PICK || !(gr_in_grid & PICK_DELAYED)) return;
  short x = 0, y = 0;
  get_cursor_position(&x, &y);
  uint8_t state = get_button_state();
  bool moved = x != rtp_mouse_x || y != rtp_mouse_y;
  uint8_t changed = uint8_t(state ^ rtp_button_state);
  if ((!moved || !(gr_in_grid & PICK_ON_MOTION)) &&
      (changed == 0 || !(gr_in_grid & (PICK_ON_PRESS | PICK_ON_RELEASE))))
    return;
  uint8_t key_byte = 0;
  bool release = false;
  for (int b = 1; b <= 5; ++b) {
    uint8_t bit = uint8_t(1u << (b - 1));
    if (!(changed & bit)) continue;
    key_byte = uint8_t(KEY_BYTE_BUTTON_1 + b - 1);
    if (rtp_button_state & bit) release = true;
  }
  report_pick(key_byte, !release && (gr_in_grid & PICK_MARK));
}

// ---- Cursors ----------------------------------------------------------------

static Display* cursor_display() {
  return AppContext != nullptr && AppContext->graphics_display != nullptr ? AppContext->graphics_display
                                                                          : graphics_display();
}

static Cursor made_cursor(int index);

static void show_cursor(uint8_t index) {
  Cursor c = made_cursor(index);
  if (UIWindow* ui = graphics_ui_window()) {
    ui->set_cursor(c);
  } else if (get_graphics_window() != None && c != None) {
    XDefineCursor(cursor_display(), get_graphics_window(), c);
  }
}

void set_graphics_cursor() { show_cursor(graphics_cursor); }

void set_gui3d_cursor(uint8_t n) {
  if (n == 0) set_graphics_cursor();
  else if (n <= N_ACCESS_POINTS) show_cursor(uint8_t(CROSSHAIR_CURSOR + n));
}

void set_noinput_cursor(uint8_t c) {
  if (c >= N_CURSORS || c == noinput_cursor) return;
  noinput_cursor = c;
  if (gr_in_st != 0) return;
  graphics_cursor = c;
  set_graphics_cursor();
}

uint8_t get_noinput_cursor() { return noinput_cursor; }
Cursor get_cursor(int index) { return index >= 0 && index < N_CURSORS ? made_cursor(index) : None; }

// A cursor from a bitmap of width × height bits (rows padded to bytes) that
// serves as its own mask widened by one pixel, so it shows on any background.
static Cursor bitmap_cursor(Display* d, const unsigned char* bits, int width, int height, int hot_x, int hot_y,
                            const XColor& fg, const XColor& bg, bool outlined) {
  int row = (width + 7) / 8;
  auto bit = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < width && y < height && (bits[y * row + x / 8] >> (x % 8) & 1);
  };
  unsigned char* mask = static_cast<unsigned char*>(CheckedMalloc(size_t(row) * height));
  memset(mask, 0, size_t(row) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      bool on = bit(x, y);
      for (int dy = -1; outlined && !on && dy <= 1; ++dy)
        for (int dx = -1; !on && dx <= 1; ++dx) on = bit(x + dx, y + dy);
      if (on) mask[y * row + x / 8] |= uint8_t(1u << (x % 8));
    }
  Window root = DefaultRootWindow(d);
  Pixmap source = XCreateBitmapFromData(d, root, reinterpret_cast<const char*>(bits), unsigned(width), unsigned(height));
  Pixmap shape = XCreateBitmapFromData(d, root, reinterpret_cast<const char*>(mask), unsigned(width), unsigned(height));
  CheckedFree(mask);
  XColor f = fg, b = bg;
  Cursor c = XCreatePixmapCursor(d, source, shape, &f, &b, unsigned(hot_x), unsigned(hot_y));
  XFreePixmap(d, source);
  XFreePixmap(d, shape);
  return c;
}

static void set_bit(unsigned char* bits, int row, int x, int y) { bits[y * row + x / 8] |= uint8_t(1u << (x % 8)); }

// A cross of one line across the middle row and one down the middle column.
static Cursor drawn_crosshair(Display* d, int width, int height, const XColor& red) {
  int row = (width + 7) / 8;
  size_t bytes = size_t(row) * size_t(height);
  unsigned char* bits = static_cast<unsigned char*>(CheckedMalloc(bytes));
  memset(bits, 0, bytes);
  int cx = width == ACCESS_CURSOR_SIZE ? 15 : width / 2, cy = height == ACCESS_CURSOR_SIZE ? 15 : height / 2;
  for (int x = 0; x < width; ++x) set_bit(bits, row, x, cy);
  for (int y = 0; y < height; ++y) set_bit(bits, row, cx, y);
  Cursor c = bitmap_cursor(d, bits, width, height, cx, cy, red, red, false);
  CheckedFree(bits);
  return c;
}

// Errors of X requests made with ids that another client gave us.
namespace {
bool trapped_x_error;
int trap_x_error(Display*, XErrorEvent*) {
  trapped_x_error = true;
  return 0;
}
}  // namespace

// The crosshair a client put on the root window, when the property holds one
// cursor id that can be recoloured; else None.
static Cursor published_crosshair(Display* d, const XColor& red) {
  Atom property = XInternAtom(d, "_SGI_CROSSHAIR_CURSOR", True);
  if (property == None) return None;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, DefaultRootWindow(d), property, 0, 1, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) != Success)
    return None;
  Cursor c = None;
  if ((type == XA_CURSOR || type == XA_INTEGER || type == XA_CARDINAL) && format == 32 && count == 1 && after == 0)
    c = Cursor(*reinterpret_cast<unsigned long*>(data));
  if (data != nullptr) XFree(data);
  if (c == None) return None;
  XSync(d, False);
  trapped_x_error = false;
  int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(trap_x_error);
  XColor f = red, b = red;
  XRecolorCursor(d, c, &f, &b);
  XSync(d, False);
  XSetErrorHandler(previous);
  return trapped_x_error ? None : c;
}

// The pattern of access point n: a ring around the hot spot with n's number
// as ticks along the top row, so that each of the 54 looks its own.
static void access_point_bits(int n, const hot_spot& hot, unsigned char* bits) {
  constexpr int row = ACCESS_CURSOR_SIZE / 8;
  memset(bits, 0, row * ACCESS_CURSOR_SIZE);
  auto put = [&](int x, int y) {
    if (x >= 0 && y >= 0 && x < ACCESS_CURSOR_SIZE && y < ACCESS_CURSOR_SIZE) set_bit(bits, row, x, y);
  };
  for (int d = -6; d <= 6; ++d) {  // cross through the hot spot
    if (d < -1 || d > 1) put(hot.x + d, hot.y), put(hot.x, hot.y + d);
  }
  for (int d = -3; d <= 3; ++d) {  // square ring
    put(hot.x + d, hot.y - 3), put(hot.x + d, hot.y + 3), put(hot.x - 3, hot.y + d), put(hot.x + 3, hot.y + d);
  }
  for (int b = 0; b < 6; ++b)
    if (n >> b & 1) put(2 + 4 * b, hot.y > 16 ? 2 : 29), put(3 + 4 * b, hot.y > 16 ? 2 : 29);
}

static XColor cursor_colour(unsigned short red, unsigned short green, unsigned short blue) {
  XColor c{};
  c.red = red, c.green = green, c.blue = blue;
  c.flags = DoRed | DoGreen | DoBlue;
  return c;
}

// Font and access-point cursors are made when first shown: each costs the X
// library a cursor-theme search, and most are never shown. A cursor that
// cannot be made is the same internal error as at start-up.
static Cursor made_cursor(int index) {
  Cursor& c = cursors[index];
  if (c != None || !cursors_preset) return c;
  Display* d = cursor_display();
  XColor red = cursor_colour(65535, 0, 0), white = cursor_colour(65535, 65535, 65535);
  if (index < N_FONT_CURSORS) {
    c = XCreateFontCursor(d, unsigned(2 * index));
    if (c != None) XRecolorCursor(d, c, &red, &white);
  } else if (index > CROSSHAIR_CURSOR) {
    const hot_spot& hot = ACCESS_POINT_HOT_SPOTS[index - CROSSHAIR_CURSOR - 1];
    unsigned char bits[ACCESS_CURSOR_SIZE / 8 * ACCESS_CURSOR_SIZE];
    access_point_bits(index - CROSSHAIR_CURSOR, hot, bits);
    c = bitmap_cursor(d, bits, ACCESS_CURSOR_SIZE, ACCESS_CURSOR_SIZE, hot.x, hot.y, red, white, true);
  }
  if (c == None) internal_error(788, MODULE);
  return c;
}

// The crosshair is made at start-up, from the root window's property as it
// stands then.
static void create_crosshair(Display* d) {
  XColor red = cursor_colour(65535, 0, 0);
  Cursor crosshair = published_crosshair(d, red);
  if (crosshair == None) {
    unsigned width = 0, height = 0;
    Screen* screen = DefaultScreenOfDisplay(d);
    if (!XQueryBestCursor(d, DefaultRootWindow(d), unsigned(WidthOfScreen(screen)), unsigned(HeightOfScreen(screen)),
                          &width, &height) ||
        width == 0 || height == 0)
      width = height = ACCESS_CURSOR_SIZE;
    crosshair = drawn_crosshair(d, int(width), int(height), red);
  }
  cursors[CROSSHAIR_CURSOR] = crosshair;
  if (crosshair == None) internal_error(788, MODULE);
}

// ---- Drag box -----------------------------------------------------------------

void enable_drag_box(UIWindow* window, UIWindow* parent, short x, short y) {
  Display* d = AppContext->ui_display;
  int root_x = x, root_y = y;
  Window child = None;
  if (parent != nullptr)
    XTranslateCoordinates(d, parent->get_window_id(), DefaultRootWindow(d), x, y, &root_x, &root_y, &child);
  window->set_origin(short(root_x), short(root_y));
  short px = 0, py = 0;
  get_cursor_position(&px, &py);
  drag_ofs_x = int16_t(root_x - px);
  drag_ofs_y = int16_t(root_y - py);
  window->make_visible();
  drag_box = window;
}

bool drag_box_shown() { return drag_box != nullptr; }

void move_drag_box(int16_t pointer_x, int16_t pointer_y) {
  if (drag_box != nullptr) drag_box->set_origin(short(pointer_x + drag_ofs_x), short(pointer_y + drag_ofs_y));
}

void release_drag_box() {
  if (drag_box == nullptr) return;
  drop_drag_box();
  drag_box = nullptr;
}

// ---- Extra input devices ------------------------------------------------------

const input_devices& get_input_devices() { return devices; }
void set_input_devices_for_test(const input_devices& d) { devices = d; }

XDevice* get_dial_device() { return dials; }

// Opens one device; the event types come from its button and valuator classes.
static XDevice* open_device(Display* d, const XDeviceInfo& info, int32_t* id) {
  XDevice* device = XOpenDevice(d, info.id);
  if (device == nullptr) return nullptr;
  *id = int32_t(info.id);
  XEventClass event_class[3] = {};  // selected later, per device kind
  int type = -1;
  for (int i = 0; i < device->num_classes; ++i) {
    if (device->classes[i].input_class == ButtonClass) {
      DeviceButtonPress(device, type, event_class[0]);
      devices.button_press_type = type;
      DeviceButtonRelease(device, type, event_class[1]);
      devices.button_release_type = type;
    } else if (device->classes[i].input_class == ValuatorClass) {
      DeviceMotionNotify(device, type, event_class[2]);
      devices.motion_type = type;
    }
  }
  (void)event_class;
  return device;
}

static bool valuators_relative(const XDeviceInfo& info) {
  const XAnyClassInfo* c = info.inputclassinfo;
  for (int i = 0; i < info.num_classes; ++i) {
    if (c->c_class == ValuatorClass) return reinterpret_cast<const XValuatorInfo*>(c)->mode == Relative;
    c = reinterpret_cast<const XAnyClassInfo*>(reinterpret_cast<const char*>(c) + c->length);
  }
  return false;
}

// Selects the device's events on the graphics window and the root window.
static void select_device_events(Display* d, XDevice* device, bool motion, bool press_release, const char* failure) {
  XEventClass classes[4];
  int n = 0, type = 0;
  if (press_release) {
    DeviceButtonPress(device, type, classes[n]);
    ++n;
    DeviceButtonRelease(device, type, classes[n]);
    ++n;
    DeviceButtonPressGrab(device, type, classes[n]);
    ++n;
  }
  if (motion) {
    DeviceMotionNotify(device, type, classes[n]);
    ++n;
  }
  if (get_graphics_window() != None) XSelectExtensionEvent(d, get_graphics_window(), classes, n);
  XSelectExtensionEvent(d, DefaultRootWindow(d), classes, n);
  XSync(d, False);
  if (take_x_error()) fputs(failure, stderr);
}

static void open_devices(Display* d) {
  int opcode = 0, event_base = 0, error_base = 0;
  if (!XQueryExtension(d, "XInputExtension", &opcode, &event_base, &error_base)) return;
  int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(x_error_handler_xie);
  take_x_error();
  int count = 0;
  XDeviceInfo* list = XListInputDevices(d, &count);
  for (int i = 0; list != nullptr && i < count; ++i) {
    const XDeviceInfo& info = list[i];
    if (info.use != IsXExtensionDevice || info.name == nullptr) continue;
    const char* name = info.name;
    if (strcmp(name, "dial+buttons") == 0 && dials == nullptr && buttons == nullptr) {
      dials = buttons = open_device(d, info, &devices.dials_id);
      devices.buttons_id = devices.dials_id;
      buttons_have_display = true;
      devices.dials_relative = valuators_relative(info);
      if (dials != nullptr) select_device_events(d, dials, true, true, "Error - Failed to initialize dial+button box.\n");
    } else if ((strcmp(name, "KNOB_BOX") == 0 || strcmp(name, "VCD8_DIALBOX") == 0) && dials == nullptr) {
      dials = open_device(d, info, &devices.dials_id);
      devices.dials_relative = valuators_relative(info);
      if (dials != nullptr) select_device_events(d, dials, true, false, "Error - Failed to initialize dial box.\n");
    } else if ((strcmp(name, "BUTTONBOX") == 0 || strcmp(name, "APOLLO_LPFK") == 0) && buttons == nullptr) {
      buttons = open_device(d, info, &devices.buttons_id);
      buttons_have_display = false;
      if (buttons != nullptr) select_device_events(d, buttons, false, true, "Error - Failed to initialize button box.\n");
    } else if ((strcmp(name, "spaceball") == 0 || strcmp(name, "magellan") == 0 || strcmp(name, "SPACEBALL") == 0) &&
               spaceball == nullptr) {
      spaceball = open_device(d, info, &devices.spaceball_id);
      if (spaceball != nullptr)
        select_device_events(d, spaceball, true, true, "Error - Failed to initialize space ball/space mouse.\n");
    }
  }
  if (list != nullptr) XFreeDeviceList(list);
  XSetErrorHandler(previous == x_error_handler_xie ? x_error_handler : previous);
}

// Tells a space-mouse driver that publishes its window on the root window to
// send its events to this display: a command of the three words 0, 1, 27695.
static void greet_space_mouse_driver(Display* d) {
  const char* names[4] = {"MotionEvent", "ButtonPressEvent", "ButtonReleaseEvent", "CommandEvent"};
  Atom atoms[4];
  for (int i = 0; i < 4; ++i)
    if ((atoms[i] = XInternAtom(d, names[i], True)) == None) return;
  XSync(d, False);
  int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(x_error_handler_xcm);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Window driver = None;
  if (XGetWindowProperty(d, DefaultRootWindow(d), atoms[3], 0, 1, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr && format == 32 && count == 1 && (type == XA_WINDOW || type == XA_INTEGER || type == XA_CARDINAL))
    driver = Window(*reinterpret_cast<unsigned long*>(data));
  if (data != nullptr) XFree(data);
  char* name = nullptr;
  if (driver != None && XFetchName(d, driver, &name) && name != nullptr && strcmp(name, "Magellan Window") == 0) {
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.display = d;
    message.xclient.window = driver;
    message.xclient.message_type = atoms[3];
    message.xclient.format = 16;
    message.xclient.data.s[0] = 0;
    message.xclient.data.s[1] = 1;
    message.xclient.data.s[2] = 27695;
    XSendEvent(d, driver, False, 0, &message);
  }
  if (name != nullptr) XFree(name);
  XSync(d, False);
  take_x_error();
  XSetErrorHandler(previous == x_error_handler_xcm ? x_error_handler : previous);
}

// ---- Button box display -----------------------------------------------------

char button_box_character(unsigned char c) {
  if (c >= 'a' && c <= 'z') return char(c - 'a' + 'A');
  switch (c) {
    case '\\':
    case '|': return '/';
    case '`': return '\'';
    case '{': return '(';
    case '}': return ')';
    case '~': return '-';
    default: return c >= ' ' && c <= '_' ? char(c) : ' ';
  }
}

void display_button_box_text(const char* text) {
  if (buttons == nullptr) {
    if (!button_box_missing_reported)
      fputs("Error - display_button_box_text - button box not connected.\n", stderr);
    button_box_missing_reported = true;
    return;
  }
  if (!buttons_have_display) return;
  KeySym keysyms[BUTTON_BOX_CHARACTERS];
  int n = 0;
  for (; text != nullptr && text[n] != '\0' && n < BUTTON_BOX_CHARACTERS; ++n)
    keysyms[n] = KeySym(static_cast<unsigned char>(button_box_character(static_cast<unsigned char>(text[n]))));
  XStringFeedbackControl control{};
  control.c_class = StringFeedbackClass;
  control.length = 20;
  control.id = 0;
  control.num_keysyms = n;
  control.syms_to_display = keysyms;
  XChangeFeedbackControl(AppContext->ui_display, buttons, DvString, reinterpret_cast<XFeedbackControl*>(&control));
}

// ---- Lifecycle --------------------------------------------------------------

void preset_graphics_input(const char* output_trace_path) {
  open_output_trace(output_trace_path);
  Display* d = cursor_display();
  create_crosshair(d);
  cursors_preset = true;
  if (gr_in_tek_x == nullptr) allocate_point_arrays();
  if (AppContext != nullptr && AppContext->ui_display != nullptr) open_devices(AppContext->ui_display);
  greet_space_mouse_driver(d);
}

void cleanup_graphics_input() {
  close_output_trace();
  UIOptionPopUp::close_pop_up_window();
  Display* d = cursor_display();
  for (Cursor& c : cursors) {
    if (c != None) XFreeCursor(d, c);
    c = None;
  }
  cursors_preset = false;
  if (gr_in_tek_x != nullptr) CheckedFree(gr_in_tek_x);
  if (gr_in_tek_y != nullptr) CheckedFree(gr_in_tek_y);
  gr_in_tek_x = gr_in_tek_y = nullptr;
  gr_in_arr_len = 0;
  gr_in_ty = gr_in_st = gr_in_ch = 0;
  gr_in_size = 0;
  rtp_mouse_x = rtp_mouse_y = -1;
  rtp_button_state = 0;
  graphics_cursor = noinput_cursor = LEFT_POINTER;
  drag_box = nullptr;
  XDevice* open[3] = {dials, buttons != dials ? buttons : nullptr, spaceball};
  for (XDevice* device : open)
    if (device != nullptr && AppContext != nullptr) XCloseDevice(AppContext->ui_display, device);
  dials = buttons = spaceball = nullptr;
  devices = input_devices{};
  buttons_have_display = false;
  button_box_missing_reported = false;
}
