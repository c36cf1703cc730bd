// The base of every widget: a rectangle in a toolkit window with an object id,
// an enter callback, a cursor and look flags, plus the interface-builder
// editing (selection handles, moving and resizing with the mouse).
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

class UIWindow;

// The object id that stands for an object's address: only compared, never
// turned back into a pointer, so where long is narrower its low bits serve.
inline long object_tag(const void* object) { return long(reinterpret_cast<intptr_t>(object)); }

// Colour words: 0xRRGGBB, or one of these two.
constexpr unsigned long transparent_colour_word = 0x1000000;
constexpr unsigned long background_colour_word = 0x1000001;

class UIObject {
 public:
  // Object id 0 stands for the object's own address.
  UIObject(UIWindow* window, long object_id, void (*enter)(long));
  UIObject(const UIObject&) = delete;
  UIObject& operator=(const UIObject&) = delete;

  virtual bool handle_event(const XEvent* event);
  virtual bool handle_enter();
  virtual bool handle_leave();
  virtual bool handle_button_down_enter();
  virtual bool handle_button_down_leave();
  // Draws the selection handles when selected; clears the damaged flag.
  virtual void draw();
  virtual ~UIObject();

  // Drawing helpers: coordinates relative to the object's corner.
  void draw_rectangle(short x1, short y1, short x2, short y2) const;
  void draw_thick_rectangle(unsigned short t, short x1, short y1, short x2, short y2) const;
  void draw_shadow(bool raised, short x1, short y1, short x2, short y2) const;
  void draw_border() const;
  void erase() const;
  void clear_background(unsigned short inset) const;
  void set_color_to_background() const;

  // Interface-builder editing.
  void select_object();
  void deselect_object();
  bool handle_ib_event(const XEvent* event);
  void update_reshape_type(short x, short y);
  static void draw_selected_object();
  static void set_callbacks(void (*configure)(bool, bool, bool, bool), void (*end_configure)(),
                            void (*pick)(const UIObject*, long));

  // Deletes the object; while an event is being dispatched, only once the
  // outermost dispatch has returned, since a widget's own callback may
  // discard it. Meanwhile it takes no events and is not drawn.
  static void discard(UIObject* object);
  // Deletes the discarded objects of `window` now (all of them for null).
  static void delete_discarded(const UIWindow* window);

  // Held around each event dispatch; the outermost one deletes on leaving.
  class DispatchScope {
   public:
    DispatchScope();
    ~DispatchScope();
    DispatchScope(const DispatchScope&) = delete;
    DispatchScope& operator=(const DispatchScope&) = delete;
  };

  bool overlaps(short x1, short y1, short x2, short y2) const {
    return x < x2 && y < y2 && x1 < x + width && y1 < y + height;
  }

  bool damaged = false;
  short x = -1;
  short y = -1;
  unsigned short width = 0;
  unsigned short height = 0;
  unsigned short minimum_width = 0;
  unsigned short minimum_height = 0;
  bool light_fill = false;
  bool black_border = false;
  UIWindow* window;
  long object_id;
  void (*enter_cb)(long);
  Cursor cursor;
  bool busy_exempt = false;
  bool discarded = false;
  unsigned long background_colour;

  static UIObject* selected_object;
  static int reshape_type;  // 0 none, 1..9 the handle zone, 5 moves

 private:
  UIObject* next_discarded = nullptr;

 protected:
  // Fills window rectangle corners (x1, y1)-(x2, y2) in the current colour.
  static void fill(int x1, int y1, int x2, int y2);
  void draw_handles() const;
};
