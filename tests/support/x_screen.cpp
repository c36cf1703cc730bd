#include "tests/support/x_screen.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

static int errors = 0;

// A lock is a socket bound to an abstract name of the display and the thing
// locked: the name goes with the socket or the process, and nothing is left
// on disk. The socket, or -1 while another holds the name.
static int hold(const std::string& what) {
  const char* display = getenv("DISPLAY");
  std::string name = std::string("qob-test ") + (display != nullptr ? display : "") + " " + what;
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  size_t length = std::min(name.size(), sizeof address.sun_path - 2);
  memcpy(address.sun_path + 1, name.data(), length);  // sun_path[0] 0: abstract
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), socklen_t(offsetof(sockaddr_un, sun_path) + 1 + length)) == 0)
    return fd;
  close(fd);
  return -1;
}

// Tries `take` until it holds a lock: with every screen slot taken, another
// program is waited for rather than its area shared.
template <typename Take>
static int wait_for(Take take) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  do {
    int fd = take();
    if (fd >= 0) return fd;
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
      int fd = hold(screen_slot_lock(slot));
      if (fd >= 0) {
        claimed = slot;
        return fd;  // kept open until the process ends
      }
    }
    return -1;
  });
  return claimed;
}

DisplayLock::DisplayLock(const std::string& what) {
  if (what != screen_slot_lock(claim_screen_slot())) fd_ = wait_for([&] { return hold(what); });
}

DisplayLock::~DisplayLock() {
  if (fd_ >= 0) close(fd_);
}

int count_x_error(Display* display, XErrorEvent* event) {
  char text[256];
  XGetErrorText(display, event->error_code, text, sizeof text);
  fprintf(stderr, "X error: %s (request %d)\n", text, event->request_code);
  ++errors;
  return 0;
}

int x_error_count() { return errors; }
