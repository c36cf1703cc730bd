// Pipe reads and nt_select, the one wait over pipes, the partner socket and
// the X connections. Reads happen only in read_pipe, on what poll saw ready.
// A read takes all that the pipe holds into the pipe's staging buffer, which
// then serves the following reads without a system call.
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/display_connections.h"
#include "platform/posix_services.h"

namespace {

enum slot_state : uint8_t { SLOT_IDLE, SLOT_PENDING, SLOT_SETTLED };

constexpr int STAGE_BYTES = 65536;  // a full pipe of the application processes

struct read_slot {
  slot_state state = SLOT_IDLE;
  bool seen_ready = false;  // poll saw bytes or the end since the last read
  int request = 0;  // most bytes the next read may take
  int result = 0;   // of a settled slot: 0 end of file, -1 error
  // Bytes read from the pipe and not yet handed out: stage[first, last).
  char* stage = nullptr;
  int first = 0, last = 0;
  ino_t pipe = 0;  // the pipe they came from
  dev_t device = 0;
  bool staged() const { return first < last; }
};

constexpr int WAIT_STEP_MS = 10;
// A pipe is worth a read when it has bytes, is at end of file or is broken.
constexpr short PIPE_READY = POLLIN | POLLHUP | POLLERR | POLLNVAL;
// Readable as select reports it; a descriptor that is not open is not ready.
constexpr short SOCKET_READY = POLLIN | POLLHUP | POLLERR;

read_slot slots[FD_SETSIZE];
int (*socket_source)() = nullptr;

bool in_range(int fd) { return fd >= 0 && fd < FD_SETSIZE; }

bool pipe_ready(int fd) {
  pollfd p{fd, POLLIN, 0};
  int r;
  do r = poll(&p, 1, 0);
  while (r < 0 && errno == EINTR);
  return r > 0 && (p.revents & PIPE_READY) != 0;
}

int64_t monotonic_ms() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

}  // namespace

void begin_read(int fd, int size) {
  if (!in_range(fd)) return;
  read_slot& slot = slots[fd];
  // Staged bytes stay for a read begun again on the same pipe, never for a
  // new pipe that got the number of a closed one.
  struct stat st {};
  if (slot.staged() && (fstat(fd, &st) != 0 || st.st_ino != slot.pipe || st.st_dev != slot.device))
    slot.first = slot.last = 0;
  slot.state = SLOT_PENDING;
  slot.seen_ready = false;
  slot.request = size;
}

void end_read(int fd) {
  if (!in_range(fd)) return;
  slots[fd] = {slot_state::SLOT_IDLE, false, 0, 0, slots[fd].stage, 0, 0, 0, 0};
}

bool read_complete(int fd) {
  if (!in_range(fd) || slots[fd].state != SLOT_PENDING) return true;
  read_slot& slot = slots[fd];
  if (slot.staged() || slot.seen_ready) return true;
  return slot.seen_ready = pipe_ready(fd);
}

int read_pipe(int fd, char* dst, int size) {
  if (!in_range(fd)) return -1;
  read_slot& slot = slots[fd];
  if (slot.state == SLOT_IDLE) return 0;
  if (slot.state == SLOT_SETTLED) return slot.result;
  int limit = std::min(size, slot.request);
  if (!slot.staged()) {
    if (!slot.seen_ready && !pipe_ready(fd)) {
      fputs("\nInternal error, read_pipe called before read was complete.\n", stderr);
      exit(1);
    }
    if (limit < 1) return -1;
    // Kept for the life of the process; without one the read goes straight to dst.
    if (slot.stage == nullptr) slot.stage = static_cast<char*>(malloc(STAGE_BYTES));
    char* into = slot.stage != nullptr ? slot.stage : dst;
    ssize_t got;
    do got = read(fd, into, static_cast<size_t>(slot.stage != nullptr ? STAGE_BYTES : limit));
    while (got < 0 && errno == EINTR);
    slot.seen_ready = false;
    if (got > 0 && slot.stage == nullptr) {
      slot.request = size;
      return static_cast<int>(got);
    }
    if (got <= 0) {
      slot.state = SLOT_SETTLED;
      slot.result = got == 0 ? 0 : -1;
      return slot.result;
    }
    struct stat st {};
    fstat(fd, &st);
    slot.pipe = st.st_ino, slot.device = st.st_dev;
    slot.first = 0, slot.last = static_cast<int>(got);
  }
  if (limit < 1) return -1;
  int n = std::min(limit, slot.last - slot.first);
  memcpy(dst, slot.stage + slot.first, static_cast<size_t>(n));
  slot.first += n;
  slot.request = size;
  return n;
}

void set_socket_source(int (*get_socket)()) { socket_source = get_socket; }

int nt_select(int n, fd_set* read, fd_set*, fd_set*, timeval* timeout) {
  if (read == nullptr || n < 0) n = 0;
  n = std::min(n, FD_SETSIZE);
  int64_t deadline = 0;
  if (timeout != nullptr)
    deadline = monotonic_ms() +
               std::max<int64_t>(static_cast<int64_t>(timeout->tv_sec) * 1000 +
                                     timeout->tv_usec / 1000, 0);
  static pollfd polled[FD_SETSIZE];  // the main thread's only
  // A display whose input woke the wait without giving events is asked at
  // every step but no longer polled, so a stale connection cannot spin us.
  bool woke[MAX_DISPLAYS] = {};
  bool unpolled[MAX_DISPLAYS] = {};
  fd_set ready;
  int count;
  for (;;) {
    int socket = socket_source != nullptr ? socket_source() : -1;
    FD_ZERO(&ready);
    count = 0;
    int fresh = 0;  // ready with something new: ends the wait
    int npolled = 0;
    int nlook = 0;  // polled pipes, socket and quiet displays: the look below tells of these
    bool quiet[MAX_DISPLAYS] = {};
    auto ask_display = [&](int fd, int d) {
      if (!display_pending(d)) return false;
      FD_SET(fd, &ready);
      ++count;
      ++fresh;
      return true;
    };
    for (int fd = 0; fd < n; ++fd) {
      if (!FD_ISSET(fd, read)) continue;
      int d = display_index(fd);
      if (d >= 0) {
        // With a queue check, a quiet connection with nothing queued is left
        // to the look below: pending is asked only when its input is readable.
        if (display_has_queue_check(d) && !woke[d] && !unpolled[d] && !display_queued(d)) {
          quiet[d] = true;
          polled[npolled++] = {fd, POLLIN, 0};
          ++nlook;
          continue;
        }
        if (ask_display(fd, d)) continue;
        if (woke[d]) unpolled[d] = true;
        if (!unpolled[d]) polled[npolled++] = {fd, POLLIN, 0};
      } else if (fd != socket && slots[fd].state == SLOT_PENDING && slots[fd].staged()) {
        FD_SET(fd, &ready);  // staged bytes: ready without asking the pipe
        ++count;
        ++fresh;
      } else if (fd == socket || slots[fd].state == SLOT_PENDING) {
        polled[npolled++] = {fd, POLLIN, 0};
        ++nlook;
      } else {
        FD_SET(fd, &ready);  // idle or settled: nothing new to wait for
        ++count;
      }
    }
    // One look without waiting at the pipes, the socket and the quiet
    // displays, left out when it would tell of none; a quiet display found
    // readable is asked for its events, and asked so from then on.
    if (nlook > 0 && poll(polled, static_cast<nfds_t>(npolled), 0) > 0) {
      for (int i = 0; i < npolled; ++i) {
        int fd = polled[i].fd;
        int d = display_index(fd);
        if (d >= 0) {
          if (quiet[d] && polled[i].revents != 0 && !ask_display(fd, d)) woke[d] = true;
          continue;
        }
        short wanted = fd == socket ? SOCKET_READY : PIPE_READY;
        if ((polled[i].revents & wanted) == 0) continue;
        if (fd != socket) slots[fd].seen_ready = true;
        FD_SET(fd, &ready);
        ++count;
        ++fresh;
      }
    }
    if (fresh > 0) break;
    int wait_ms = WAIT_STEP_MS;
    if (timeout != nullptr) {
      int64_t left = deadline - monotonic_ms();
      if (left <= 0) break;
      wait_ms = static_cast<int>(std::min<int64_t>(left, WAIT_STEP_MS));
    }
    for (int i = 0; i < npolled; ++i) polled[i].revents = 0;
    poll(polled, static_cast<nfds_t>(npolled), wait_ms);
    for (int i = 0; i < npolled; ++i) {
      int d = display_index(polled[i].fd);
      if (d >= 0 && polled[i].revents != 0) woke[d] = true;
    }
  }
  *read = ready;
  return count;
}
