// Graphics input: picks, rubber boxes, rubber lines and polylines entered in
// the graphics window, the rubber band that shows them, the cursors of the
// graphics window, the drag box and the extra input devices.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>

#include <cstdint>

class UIWindow;

constexpr int N_CURSORS = 132;  // 77 font shapes, the crosshair, 54 access points
constexpr uint8_t CROSSHAIR_CURSOR = 77;
constexpr uint8_t FIRST_ACCESS_POINT_CURSOR = 78;  // access point 1

// Graphics-input modes.
constexpr uint8_t GIN_PICK = 156, GIN_RUBBER_BOX = 163, GIN_RUBBER_LINE = 176, GIN_POLYLINE = 183,
                  GIN_LINE_FROM_POINT = 184;
// Pick-mode flags.
constexpr uint16_t PICK_ON_PRESS = 1, PICK_ON_RELEASE = 2, PICK_ON_MOTION = 4, PICK_MARK = 8,
                   PICK_DELAYED = 16;

// Arms graphics input: shows cursor `cursor`, state 1 (waiting for the
// starting key or button). flags_or_grid: the pick flags, or the polyline's
// minimum distance. For mode 184 (x, y) is entered as the start point.
void set_graphics_input(uint8_t mode, uint8_t cursor, uint16_t flags_or_grid, uint16_t max_points, uint16_t x,
                        uint16_t y);
// Erases a rubber band that shows, shows the no-input cursor unless
// keep_cursor, and ends the input.
void end_graphics_input(bool keep_cursor);
// Takes one tek point of the input running (internal error 203 in no mode).
void enter_input_point(uint16_t x, uint16_t y);
// The rubber band between the points entered; drawing inverts, so either
// call erases what the other drew. Inside begin/end_rubber_drawing.
void clear_rubber();
void draw_rubber_lines();
// True while fewer than 2 points are entered (no rubber band shows).
bool get_rubber_input_inactive();
// Mode (0 none) and state (0 idle, 1 waiting, 2 rubber band running).
uint8_t get_graphics_input_mode();
uint8_t get_graphics_input_state();
// The graphics-input step of the dispatch for an event of the graphics
// window: code and key byte of a key or button (0 for none), press or
// release. True when it consumed the event.
bool graphics_input_event(const XEvent* event, uint16_t code, uint8_t key_byte, bool press);
// The delayed pick report (flag 16), before each repaint.
void process_delayed_read_tek_point();

// Cursors of the graphics window.
void set_graphics_cursor();
// n = 0: the graphics cursor again; else the cursor of access point n (1 to 54).
void set_gui3d_cursor(uint8_t n);
// The cursor shown while no graphics input runs (0 to 131; others are ignored).
void set_noinput_cursor(uint8_t c);
uint8_t get_noinput_cursor();
Cursor get_cursor(int index);  // None outside 0 to 131

// The drag box: a toolkit window that follows the pointer until the next
// button release. x, y in the parent window's coordinates.
void enable_drag_box(UIWindow* window, UIWindow* parent, short x, short y);
bool drag_box_shown();
void move_drag_box(int16_t pointer_x, int16_t pointer_y);
// At a button release: the drag box is dropped and forgotten.
void release_drag_box();

// The extra input devices: open devices (-1 none) and their XInput event
// types (-1 none), for the dispatch.
struct input_devices {
  int32_t dials_id = -1, buttons_id = -1, spaceball_id = -1;
  int motion_type = -1, button_press_type = -1, button_release_type = -1;
  bool dials_relative = false;
};
const input_devices& get_input_devices();
// The open dial box, whose motion history the dispatch reads; null when none.
XDevice* get_dial_device();
// Test seam: devices as if opened with these ids and event types.
void set_input_devices_for_test(const input_devices& devices);

// Up to 8 characters on the button box's display, in upper case.
void display_button_box_text(const char* text);
// The character the button box shows for c.
char button_box_character(unsigned char c);

// Start-up (after the system interface) and halt. The path names the output
// trace, which the trace module opens.
void preset_graphics_input(const char* output_trace_path);
void cleanup_graphics_input();
