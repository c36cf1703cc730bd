// Shared by the tests that draw on the one X server of a test run.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>

// Test programs run in parallel on one X server, and XGetImage reads what is
// on the screen: each process claims its own screen area (0..11) of its
// display, held until the process ends. The first claim is kept.
int claim_screen_slot();
constexpr int SCREEN_SLOTS = 12;

// Holds something of the display that test programs share (a further screen
// slot, the PRIMARY selection) until destroyed, waiting while another program
// holds it.
class DisplayLock {
 public:
  explicit DisplayLock(const std::string& what);
  ~DisplayLock();
  DisplayLock(const DisplayLock&) = delete;
  DisplayLock& operator=(const DisplayLock&) = delete;

 private:
  intptr_t lock_ = -1;
};
// The lock of a screen slot, for a test that draws at a given place (a
// screen edge); nothing when the slot is this program's own.
std::string screen_slot_lock(int slot);
// Top-left corner of a slot's screen area: three columns of 420 and four rows
// of 250 pixels, room for the largest test window (400 x 200) without overlap.
inline int slot_x(int slot) { return 10 + (slot % 3) * 420; }
inline int slot_y(int slot) { return 10 + (slot / 3 % 4) * 250; }

// An X error handler that prints and counts: tests fail on any X error.
int count_x_error(Display* display, XErrorEvent* event);
int x_error_count();
