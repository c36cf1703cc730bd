// The layer's event calls beyond X's: the file and timer queues and the wait
// for one system message. The X calls themselves are declared in X11/Xlib.h,
// the calls between the layer's modules in layer.h.
//
// Events of the extra types (event_rules.h) carry their words in xclient's
// data: 37 the subtype and the message's two parameters, 38 the timer
// identifier, 39 the descriptor and the data word.
#pragma once

#include <X11/Xlib.h>

// Queue selection bits of the calls below; 0 means the X queue.
constexpr int LX_SELECT_X = 1;
constexpr int LX_SELECT_FILE = 2;
constexpr int LX_SELECT_TIMER = 4;

// The number of events in the selected queues; modes as XEventsQueued.
int XFileEventsQueued(Display* display, int mode, int queues);
// The oldest event of the first non-empty selected queue (X, file, timer);
// while all are empty, waits for system messages. A return-now event comes
// back at once.
int XNextFileEvent(Display* display, XEvent* event, int queues);
// Waits for one system message and queues its event; whether one came.
bool XNextWindowsMessage(Display* display);
