// Event intake: the window-system events of the UI and graphics display
// connections, pointer motion held back and merged, and the dispatch of each
// event to input codes, the toolkit windows, global shortcuts, the 3D
// manipulators and graphics input.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

// Drains both display connections; true when any event was processed.
bool process_events();
// Takes at most one event of `display`; true when one was taken or a held
// motion was delivered.
bool check_for_events(Display* display);
// Delivers the held pointer motion; false when none is held.
bool process_saved_motion_notify();
// Dispatches one event. live is passed to the toolkit window; to_widgets
// false keeps the event from the toolkit windows. *ui_object_wants_it tells
// whether a toolkit window took it. True when the event is user input that
// goes to the partner and the output trace.
bool process_one_event(XEvent* event, bool live, bool to_widgets, bool* ui_object_wants_it);

// The pointer position in root-window coordinates of the display's default
// screen, taken from a position in `window`.
void set_mouse_position(Display* display, Window window, int x, int y);
void get_cursor_position(short* x, short* y);
// Bit b-1 set while pointer button b (1 to 5) is down.
uint8_t get_button_state();

// Sizes the graphics area and its viewport after the graphics window's
// geometry as the window system has it (the system may have changed the size asked for).
void take_graphics_geometry();

// The toolkit window of the graphics window (identifier 1), null before it exists.
class UIWindow;
UIWindow* graphics_ui_window();

// Error handlers while the extra input devices are opened; take_x_error
// tells whether either saw an error since the last call.
bool take_x_error();
int x_error_handler_xcm(Display* display, XErrorEvent* event);
int x_error_handler_xie(Display* display, XErrorEvent* event);

// The output trace (option -o), null when none is recorded.
class TraceFile;
extern TraceFile* output_trace_file;
// Opens the output trace at start-up (no path: none).
void open_output_trace(const char* path);
// Writes the event whose dispatch is ending the server, then closes the file.
void close_output_trace();

// Forgets the held motion, the pointer and the button state.
void cleanup_event_intake();
