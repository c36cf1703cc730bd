// Real X events for driving widgets in tests, and an event pump over all
// toolkit windows as the event intake does it.
#pragma once

#include <gtest/gtest.h>  // before X11, whose macros clash with its names
#include <X11/Xlib.h>

#include "toolkit/ui_window.h"

// Handles every queued event of the UI connection in the window it names,
// until the queue stays empty after a round trip.
void pump_all_windows();

XEvent button_event(const UIWindow& window, int type, unsigned button, int x, int y,
                    unsigned state = 0);
XEvent motion_event(const UIWindow& window, int x, int y, unsigned state);
// A key press of the key that produces `symbol`, with the modifier state.
XEvent key_event(const UIWindow& window, KeySym symbol, unsigned state = 0);

// A press, motions to each point with button 1 held, and a release, all
// dispatched through the window.
void drag_button1(UIWindow& window, int x0, int y0, std::initializer_list<std::pair<int, int>> to);
