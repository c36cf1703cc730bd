// Requests of a repaint of the graphics window, taken by the wait loop.
#pragma once

// The one way to request a repaint; geometry true also marks the depth as changed.
void set_repaint(bool geometry);
// True when a repaint is due; *geometry tells whether the depth changed. Clears the request.
bool take_repaint_request(bool* geometry);
