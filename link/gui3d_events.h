// Pointer events of the graphics window for the 3D manipulators: the search
// for the access point under the pointer, its number (predefined 107) and
// cursor, and the routing of a drag's motion and release.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

// True when a manipulator consumed the event.
bool handle_gui3d_event(const XEvent* event);
// Publishes the access point number under the pointer and shows its cursor.
void set_access_point_index(uint8_t number);
// Drops the drag in progress (its manipulator is going away) and publishes 0.
void end_gui3d_drag();
