// A toolkit window: one X window that owns its widgets in two ordered lists,
// draws them through its dialog visual and turns X events into widget calls
// and four process-wide callbacks.
#pragma once

#include <X11/Xlib.h>

class UIBottomObject;
class UIMenuButton;
class UIObject;
class UITextField;
class UITopObject;
class UIVisual;

// A key event looked up once by the dispatch carries this in its keycode, the
// character in x_root and the keysym in y_root: replayed and partner copies
// keep the sender's character and keysym.
constexpr unsigned KEY_LOOKED_UP = 0x12345678;

class UIWindow {
 public:
  // A top-level window on the UI connection.
  UIWindow(bool reduced, bool pop_up, long window_id, const char* name, bool exposure_only);
  // A child window inside `parent`.
  UIWindow(bool reduced, UIWindow* parent, long window_id, const char* name);
  // Wraps an X window of the graphics connection; draws no widgets.
  UIWindow(Window existing, bool pop_up, UIWindow* parent, long window_id, const char* name);
  virtual ~UIWindow();
  UIWindow(const UIWindow&) = delete;
  UIWindow& operator=(const UIWindow&) = delete;

  void create();
  void destroy();
  Window get_window_id();
  void make_visible();
  void make_physically_visible();
  void make_invisible();
  void reparent(UIWindow* parent);
  // A wrapper of an outside window takes another one: not shown, no cursor.
  void adopt_window(Window existing);
  void set_pop_up(bool pop_up);
  void set_class_hints() const;

  void set_origin(short x, short y);
  void set_size(unsigned short width, unsigned short height);
  void get_absolute_origin(int* x, int* y) const;
  void get_scrsave_geometry(int* left, int* right, int* bottom, int* top) const;
  void set_title(const char* title);
  void update_title();
  void set_background_color(unsigned long word);
  void get_background_rgb(float& r, float& g, float& b) const;
  void set_color_to_window_background() const;
  void set_busy(bool busy);
  void set_cursor(Cursor cursor);
  // Both applied by the next make_visible.
  void set_border_width(unsigned long width);
  void set_transient_for(Window window);

  void register_bottom_object(UIBottomObject* object);
  void register_top_object(UITopObject* object);
  void unlink_bottom_object(UIBottomObject* object);
  void unlink_top_object(UITopObject* object);
  void pop_top_object(UITopObject* object);
  UIObject* object_at(short x, short y) const;
  void damage_colliding_objects(short x1, short y1, short x2, short y2) const;
  void damage_colliding_objects(const UIObject* object) const;
  void repair_objects() const;
  void redraw() const;
  void clear_and_repair(short x1, short y1, short x2, short y2);
  int find_collisions() const;
  // Makes the visual's context current on this window with its pixel projection.
  void begin_drawing() const;

  bool handle_window_event(const XEvent* event, bool honour_busy);
  // The window manager's request to close this window: WM_PROTOCOLS naming
  // WM_DELETE_WINDOW. Other protocols (WM_TAKE_FOCUS) and messages are not.
  bool is_close_request(const XEvent* event) const;
  void save_event(const XEvent* event) const;
  static bool get_saved_event(XEvent& event);
  void grab_pointer() const;
  static void ungrab_pointer();

  static UIWindow* find_window(Window window);
  static long get_application_data(Window window);
  static Window get_window(long window_id);
  static Window get_window(const char* name);
  static const char* get_name(Window window, bool graphics_first);
  static void set_callbacks(void (*configure)(long), void (*pick)(long),
                            bool (*shortcut)(long, unsigned char), void (*map)(long, bool));

  UIWindow* previous = nullptr;
  UIWindow* next = nullptr;
  UIBottomObject* first_bottom = nullptr;
  UIBottomObject* last_bottom = nullptr;
  UITopObject* first_top = nullptr;
  UITopObject* last_top = nullptr;
  Display* display;
  Window x_window = 0;
  short x = 0;
  short y = 0;
  unsigned short width = 1;
  unsigned short height = 1;
  unsigned long background_colour = 0x1000001;
  bool busy = false;
  bool mapped = false;
  UIVisual* visual;
  long window_id;
  UIWindow* parent;
  bool pop_up;
  bool exposure_only;
  bool owns_window = true;  // false for a wrapped outside window, which is never destroyed here
  unsigned long border_width = 0;
  bool border_width_pending = true;
  const char* name;
  char* pending_title = nullptr;
  Window transient_for = 0;
  bool transient_for_pending = false;
  Cursor defined_cursor = 0;
  Cursor requested_cursor = 0;
  bool interface_builder_mode = false;
  UIMenuButton* highlighted_menu_entry = nullptr;
  // The focused text field; key presses and selection events go to it.
  UITextField* focused_text_field = nullptr;

  static bool allow_slide;
  static UIObject* current_object;

 private:
  bool top_level() const { return parent == nullptr; }
  bool dispatch_to(UIObject* object, const XEvent* event) const;
  bool handle_unused_event(const XEvent* event, bool honour_busy);
};
