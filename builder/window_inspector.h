// The window inspector "IB_WindowInspector": the YARL window last picked or
// moved, its menu list and the actions on all its items.
#pragma once

#include <cstdint>

void update_window_inspector(unsigned short window);
void close_window_inspector();
// The window shown, 0 for none.
unsigned short get_current_window();
void get_window_inspector_position(short* x, short* y);
void set_window_inspector_position(short x, short y);
// Gives every item with a widget of the window its saved copy back.
void reset_in_window(unsigned short window);
// "Reset all objects": every edited window reset, the list emptied.
void reset_all(long id);
void cleanup_window_inspector();
