// Shared by the tests that draw on the one X server of a test run.
#pragma once

#include <X11/Xlib.h>

// Test programs run in parallel on one X server, and XGetImage reads what is
// on the screen: each process claims its own screen area (0..41) with a lock
// file, held until the process ends. The first claim is kept.
int claim_screen_slot();

// An X error handler that prints and counts: tests fail on any X error.
int count_x_error(Display* display, XErrorEvent* event);
int x_error_count();
