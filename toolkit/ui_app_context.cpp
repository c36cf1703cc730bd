#include "toolkit/ui_app_context.h"

#include <GL/glx.h>
#include <X11/cursorfont.h>

#include <cstdio>
#include <cstdlib>

#include "base/internal_error.h"
#include "toolkit/ui_text_field.h"
#include "toolkit/ui_visual.h"
#include "toolkit/ui_window.h"

// Cursor-font shapes in field order; the blank cursor is made from a pixmap.
static const int cursor_shapes[UIAppContext::cursor_count] = {
    XC_bottom_left_corner, XC_bottom_right_corner, XC_bottom_side, -1,
    XC_double_arrow, XC_fleur, XC_hand2, XC_left_ptr, XC_left_side, XC_right_side, XC_xterm,
    XC_sb_h_double_arrow, XC_sb_v_double_arrow, XC_top_left_corner, XC_top_right_corner,
    XC_top_side,
};

static Display* open_with_glx(const char* name, const char* failure) {
  Display* display = XOpenDisplay(name);
  if (display == nullptr) {
    fprintf(stderr, failure, name);
    exit(1);
  }
  int error_base;
  int event_base;
  if (!glXQueryExtension(display, &error_base, &event_base)) {
    fprintf(stderr, "X server (%s) does not support GLX / OpenGL.\n", name);
    exit(1);
  }
  return display;
}

static const char* default_display_name() {
  const char* name = getenv("DISPLAY");
  return name != nullptr ? name : ":0.0";
}

UIAppContext::UIAppContext(bool two_connections, const char* ui_display_name,
                           const char* background_spec, unsigned long width_mm,
                           unsigned long height_mm, unsigned short overlay_pop_up_id,
                           unsigned short normal_pop_up_id) {
  if (AppContext != nullptr) internal_error(40, "UIAppContext");
  const char* ui_name = ui_display_name != nullptr ? ui_display_name : default_display_name();
  ui_display = open_with_glx(ui_name, "Cannot make UI connection (%s) to X server.\n");
  graphics_display = two_connections
                         ? open_with_glx(default_display_name(),
                                         "Cannot make graphics connection (%s) to X server.\n")
                         : ui_display;

  Window root = DefaultRootWindow(ui_display);
  for (int i = 0; i < cursor_count; ++i) {
    if (cursor_shapes[i] >= 0) {
      cursors[i] = XCreateFontCursor(ui_display, cursor_shapes[i]);
      continue;
    }
    static XColor colour;
    Pixmap pixmap = XCreatePixmap(ui_display, root, 1, 1, 1);
    cursors[i] = XCreatePixmapCursor(ui_display, pixmap, pixmap, &colour, &colour, 0, 0);
    XFreePixmap(ui_display, pixmap);
  }
  ui_watch_cursor = XCreateFontCursor(ui_display, XC_watch);
  graphics_watch_cursor = two_connections ? XCreateFontCursor(graphics_display, XC_watch)
                                          : ui_watch_cursor;

  if (background_spec != nullptr) {
    XColor colour = {};
    if (!XParseColor(ui_display, DefaultColormap(ui_display, DefaultScreen(ui_display)),
                     background_spec, &colour)) {
      fprintf(stderr, "r=%x g=%x, b=%x.\n", colour.red, colour.green, colour.blue);
      fprintf(stderr, "Unable to parse background color specification '%s'.\n",
              background_spec);
      exit(1);
    }
    background_red = float(colour.red) / 65535.0f;
    background_green = float(colour.green) / 65535.0f;
    background_blue = float(colour.blue) / 65535.0f;
  }

  AppContext = this;
  reduced_visual = new UIVisual(ui_display, true);
  full_visual = new UIVisual(ui_display, false);
  OverlayPopUp = new UIWindow(false, true, overlay_pop_up_id, "OverlayPopUp", false);
  NormalPopUp = new UIWindow(false, true, normal_pop_up_id, "NormalPopUp", false);
  // Made when missing: without it the windows would offer no close protocol.
  wm_delete_window = XInternAtom(ui_display, "WM_DELETE_WINDOW", False);
  graphics_width_mm = width_mm;
  graphics_height_mm = height_mm;
}

UIAppContext::~UIAppContext() {
  if (AppContext == this) AppContext = nullptr;
  if (ui_display == nullptr) return;
  UITextField::release_clipboard();
  delete full_visual;
  delete reduced_visual;
  delete NormalPopUp;
  delete OverlayPopUp;
  if (cursors[cursor_blank] != 0) {
    for (Cursor c : cursors) XFreeCursor(ui_display, c);
    if (graphics_watch_cursor != ui_watch_cursor) {
      XFreeCursor(graphics_display, graphics_watch_cursor);
    }
    XFreeCursor(ui_display, ui_watch_cursor);
  }
  if (graphics_display != ui_display) XCloseDisplay(graphics_display);
  XCloseDisplay(ui_display);
}

unsigned long UIAppContext::get_graphics_display_width_mm() const {
  if (graphics_width_mm != 0 && graphics_height_mm != 0) return graphics_width_mm;
  return static_cast<unsigned long>(DisplayWidthMM(graphics_display, DefaultScreen(graphics_display)));
}

unsigned long UIAppContext::get_graphics_display_height_mm() const {
  if (graphics_width_mm != 0 && graphics_height_mm != 0) return graphics_height_mm;
  return static_cast<unsigned long>(DisplayHeightMM(graphics_display, DefaultScreen(graphics_display)));
}

void UIAppContext::move_pointer(short x, short y) const {
  XWarpPointer(ui_display, None, DefaultRootWindow(ui_display), 0, 0, 0, 0, x, y);
}
