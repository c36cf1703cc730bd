// The one application context of the toolkit: display connections, cursors,
// the application background colour, dialog visuals and the pop-up windows.
#pragma once

#include <X11/Xlib.h>

class UIVisual;
class UIWindow;

class UIAppContext {
 public:
  enum CursorIndex {
    cursor_bottom_left_corner, cursor_bottom_right_corner, cursor_bottom_side, cursor_blank,
    cursor_double_arrow, cursor_fleur, cursor_hand2, cursor_left_ptr, cursor_left_side,
    cursor_right_side, cursor_xterm, cursor_sb_h_double_arrow, cursor_sb_v_double_arrow,
    cursor_top_left_corner, cursor_top_right_corner, cursor_top_side, cursor_count
  };

  // Fatal on failure: prints the reason and exits with status 1.
  UIAppContext(bool two_connections, const char* ui_display_name, const char* background_spec,
               unsigned long width_mm, unsigned long height_mm,
               unsigned short overlay_pop_up_id, unsigned short normal_pop_up_id);
  ~UIAppContext();
  UIAppContext(const UIAppContext&) = delete;
  UIAppContext& operator=(const UIAppContext&) = delete;

  unsigned long get_graphics_display_width_mm() const;
  unsigned long get_graphics_display_height_mm() const;
  // Relative to the root window of the UI connection's default screen.
  void move_pointer(short x, short y) const;

  unsigned long graphics_width_mm = 0;
  unsigned long graphics_height_mm = 0;
  UIWindow* NormalPopUp = nullptr;
  UIWindow* OverlayPopUp = nullptr;
  float background_red = 0.75f;
  float background_green = 0.75f;
  float background_blue = 0.75f;
  Display* ui_display = nullptr;
  Display* graphics_display = nullptr;
  Cursor cursors[cursor_count] = {};
  Cursor graphics_watch_cursor = 0;
  Cursor ui_watch_cursor = 0;
  UIVisual* full_visual = nullptr;
  UIVisual* reduced_visual = nullptr;
  Atom wm_delete_window = 0;
};

// Set from the middle of the construction on; the program shell owns the object.
extern UIAppContext* AppContext;
