#include "tests/support/x_screen.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tests/support/test_lock.h"

static int errors = 0;

// The lock of `what` on this display.
static intptr_t hold(const std::string& what) {
  const char* display = getenv("DISPLAY");
  return take_test_lock(std::string("qob-test ") + (display != nullptr ? display : "") + " " + what);
}

// Tries `take` until it holds a lock: with every screen slot taken, another
// program is waited for rather than its area shared.
template <typename Take>
static intptr_t wait_for(Take take) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  do {
    intptr_t lock = take();
    if (lock != -1) return lock;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  fprintf(stderr, "Test lock of display %s not free.\n", getenv("DISPLAY") != nullptr ? getenv("DISPLAY") : "");
  abort();
}

std::string screen_slot_lock(int slot) { return "screen slot " + std::to_string(slot); }

int claim_screen_slot() {
  static int claimed = -1;
  if (claimed >= 0) return claimed;
  wait_for([] {
    for (int slot = 0; slot < SCREEN_SLOTS; ++slot) {
      intptr_t lock = hold(screen_slot_lock(slot));
      if (lock != -1) {
        claimed = slot;
        return lock;  // held until the process ends
      }
    }
    return intptr_t(-1);
  });
  return claimed;
}

DisplayLock::DisplayLock(const std::string& what) {
  if (what != screen_slot_lock(claim_screen_slot())) lock_ = wait_for([&] { return hold(what); });
}

DisplayLock::~DisplayLock() {
  release_test_lock(lock_);
}

int count_x_error(Display* display, XErrorEvent* event) {
  char text[256];
  XGetErrorText(display, event->error_code, text, sizeof text);
  fprintf(stderr, "X error: %s (request %d)\n", text, event->request_code);
  ++errors;
  return 0;
}

int x_error_count() { return errors; }
