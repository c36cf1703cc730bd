#include "tests/support/x_screen.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <string>

static int errors = 0;

int claim_screen_slot() {
  static int claimed = -1;
  if (claimed >= 0) return claimed;
  for (int slot = 0; slot < 12; ++slot) {
    std::string name = "/tmp/qob_toolkit_test_slot_" + std::to_string(slot);
    int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) continue;
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return claimed = slot;
    close(fd);
  }
  return claimed = 0;
}

int count_x_error(Display* display, XErrorEvent* event) {
  char text[256];
  XGetErrorText(display, event->error_code, text, sizeof text);
  fprintf(stderr, "X error: %s (request %d)\n", text, event->request_code);
  ++errors;
  return 0;
}

int x_error_count() { return errors; }
