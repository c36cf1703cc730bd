// Pipe reads and nt_select over Win32. Each descriptor being read has one
// reader thread, started at its first read and kept: woken for each read that
// would wait (bytes already in the pipe are read at once), it makes one
// blocking read into the slot's buffer, stores the result in the length word
// (released) and signals `done`. The main thread touches the
// buffer only after it saw the result (acquired): no locks. A new thread per
// read would cost more than the read itself.
#include <winsock2.h>
#include <windows.h>
#include <io.h>
#include <process.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/display_connections.h"
#include "platform/posix_services.h"

namespace {

constexpr int READ_SLOTS = 1024;
constexpr int PENDING = -2;
constexpr int MOST_BYTES = 1 << 20;  // the largest read begin_read takes
// A read takes up to a full pipe of the application processes; read_pipe
// hands the bytes out in pieces of at most the size asked for.
constexpr int STAGE_BYTES = 65536;
constexpr int WAIT_STEP_MS = 10;
constexpr DWORD MAX_WAITED = MAXIMUM_WAIT_OBJECTS - 1;  // one place is the message queue's
constexpr DWORD USER_INPUT = QS_KEY | QS_MOUSEMOVE | QS_MOUSEBUTTON | QS_PAINT;

struct read_slot {
  bool begun = false;
  int capacity = 0;
  int request = 0;                     // most bytes one read_pipe hands out
  std::atomic<int> length{0};          // PENDING, a byte count, 0 end of file, -1 error
  char* buffer = nullptr;
  HANDLE thread = nullptr;
  HANDLE go = nullptr;                 // wakes the reader for one read
  HANDLE done = nullptr;               // set by the reader after each read
  HANDLE pipe = INVALID_HANDLE_VALUE;  // what the reader reads
  int first = 0, last = 0;             // bytes read and not handed out yet
  bool fresh = false;                  // the last read's result is not taken yet
  bool staged() const { return first < last; }
  bool reading() const { return length.load(std::memory_order_acquire) == PENDING; }
};

read_slot slots[READ_SLOTS];
int low_fd = READ_SLOTS, high_fd = -1;
int (*socket_source)() = nullptr;

bool in_range(int fd) { return fd >= 0 && fd < READ_SLOTS; }

unsigned __stdcall blocked_read_thread(void* argument) {
  read_slot& slot = *static_cast<read_slot*>(argument);
  for (;;) {
    WaitForSingleObject(slot.go, INFINITE);
    DWORD got = 0;
    int result;
    if (ReadFile(slot.pipe, slot.buffer, DWORD(slot.capacity), &got, nullptr))
      result = int(got);  // 0: end of a file
    else
      result = GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    slot.length.store(result, std::memory_order_release);
    SetEvent(slot.done);
  }
}

bool start_reader(read_slot& slot) {
  if (slot.thread != nullptr) return true;
  if (slot.go == nullptr) slot.go = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (slot.done == nullptr) slot.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (slot.go == nullptr || slot.done == nullptr) return false;
  slot.thread = HANDLE(_beginthreadex(nullptr, 64 << 10, blocked_read_thread, &slot, 0, nullptr));
  return slot.thread != nullptr;
}

// Ends a read under way: its blocked read is cancelled (again, until the
// reader has entered and left it), so the reader is idle afterwards.
void cancel_read(read_slot& slot) {
  if (slot.thread == nullptr || !slot.reading()) return;
  while (WaitForSingleObject(slot.done, 1) == WAIT_TIMEOUT) CancelSynchronousIo(slot.thread);
}

bool socket_readable(int socket) {
  fd_set one;
  FD_ZERO(&one);
  FD_SET(SOCKET(socket), &one);
  timeval zero{0, 0};
  return select(0, &one, nullptr, nullptr, &zero) > 0;
}

// What a pipe slot has: something new (bytes, the end, an error), nothing
// new (idle or settled: ready but not worth ending a wait for), or a read
// still under way.
enum pipe_news { PIPE_FRESH, PIPE_STALE, PIPE_WAITING };

pipe_news pipe_state(int fd) {
  read_slot& slot = slots[fd];
  if (!slot.begun) return PIPE_STALE;
  if (slot.staged()) return PIPE_FRESH;
  if (slot.reading()) return PIPE_WAITING;
  return slot.fresh ? PIPE_FRESH : PIPE_STALE;
}

}  // namespace

void begin_read(int fd, int size) {
  if (!in_range(fd)) return;
  size = std::min(size, MOST_BYTES);
  low_fd = std::min(low_fd, fd);
  high_fd = std::max(high_fd, fd);
  read_slot& slot = slots[fd];
  cancel_read(slot);
  slot.fresh = false;
  // Bytes staged are dropped: handle values are reused, so they may belong
  // to a pipe closed since. read_pipe begins again only once they are out.
  slot.first = slot.last = 0;
  slot.begun = true;
  slot.request = size;
  slot.pipe = HANDLE(_get_osfhandle(fd));
  if (size < 1) {
    slot.length.store(-1);  // settled: nothing may be read
    return;
  }
  int wanted = std::max(size, STAGE_BYTES);
  if (slot.capacity < wanted) {
    char* grown = static_cast<char*>(malloc(size_t(wanted)));
    if (grown == nullptr) {
      slot.length.store(-1);
      return;
    }
    free(slot.buffer);
    slot.buffer = grown;
    slot.capacity = wanted;
  }
  // Bytes already in the pipe are taken at once: waking the reader and
  // waiting for it would cost more than the read itself.
  DWORD available = 0, got = 0;
  if (PeekNamedPipe(slot.pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
      ReadFile(slot.pipe, slot.buffer, DWORD(slot.capacity), &got, nullptr) && got > 0) {
    slot.length.store(int(got), std::memory_order_release);
    slot.fresh = true;
    return;
  }
  if (!start_reader(slot)) {
    slot.length.store(-1);
    return;
  }
  slot.length.store(PENDING, std::memory_order_relaxed);
  slot.fresh = true;
  ResetEvent(slot.done);
  SetEvent(slot.go);
}

void end_read(int fd) {
  if (!in_range(fd)) return;
  read_slot& slot = slots[fd];
  cancel_read(slot);
  slot.begun = false;
  slot.fresh = false;
  slot.first = slot.last = 0;
  slot.length.store(0);
}

bool read_complete(int fd) { return !in_range(fd) || pipe_state(fd) != PIPE_WAITING; }

int read_pipe(int fd, char* dst, int size) {
  if (!in_range(fd)) return -1;
  read_slot& slot = slots[fd];
  if (!slot.begun) return 0;
  if (!slot.staged()) {
    if (slot.reading()) {
      fputs("\nInternal error, read_pipe called before read was complete.\n", stderr);
      exit(1);
    }
    int got = slot.length.load(std::memory_order_acquire);
    if (!slot.fresh) return got;  // settled: the same result again
    slot.fresh = false;
    if (got <= 0) return got;
    slot.first = 0, slot.last = got;
  }
  if (size < 1) return -1;
  int n = std::min({size, slot.request, slot.last - slot.first});
  memcpy(dst, slot.buffer + slot.first, size_t(n));
  slot.first += n;
  slot.request = size;
  if (!slot.staged()) begin_read(fd, size);
  return n;
}

// Waits until a pending reader of `set` ends or user input arrives for this
// thread, or the time is spent; at once when a reader of `set` holds bytes.
static bool wait_for_pipe_data(int milliseconds, const fd_set* set) {
  HANDLE waited[MAX_WAITED];
  DWORD count = 0;
  for (int fd = low_fd; fd <= high_fd; ++fd) {
    if (!FD_ISSET(fd, set)) continue;
    pipe_news news = pipe_state(fd);
    if (news == PIPE_FRESH) return true;
    if (news == PIPE_WAITING && count < MAX_WAITED) waited[count++] = slots[fd].done;
  }
  DWORD r = MsgWaitForMultipleObjects(count, count > 0 ? waited : nullptr, FALSE, DWORD(milliseconds), USER_INPUT);
  return r != WAIT_TIMEOUT && r != WAIT_FAILED;
}

void set_socket_source(int (*get_socket)()) { socket_source = get_socket; }

int nt_select(int n, fd_set* read, fd_set*, fd_set*, timeval* timeout) {
  if (read == nullptr || n < 0) n = 0;
  // The descriptors asked for, in ascending order, each once.
  int asked[FD_SETSIZE];
  int nasked = 0;
  if (read != nullptr)
    for (unsigned i = 0; i < read->fd_count && nasked < FD_SETSIZE; ++i)
      if (read->fd_array[i] < unsigned(n)) asked[nasked++] = int(read->fd_array[i]);
  std::sort(asked, asked + nasked);
  nasked = int(std::unique(asked, asked + nasked) - asked);
  fd_set wanted;
  FD_ZERO(&wanted);
  for (int i = 0; i < nasked; ++i) FD_SET(asked[i], &wanted);

  int64_t remaining = timeout != nullptr ? int64_t(timeout->tv_sec) * 1000 + timeout->tv_usec / 1000 : 0;
  fd_set ready;
  for (;;) {
    int socket = socket_source != nullptr ? socket_source() : -1;
    FD_ZERO(&ready);
    int fresh = 0;  // ready with something new: ends the wait
    for (int i = 0; i < nasked; ++i) {
      int fd = asked[i];
      int d = display_index(fd);
      bool is_ready;
      if (d >= 0) {
        is_ready = display_pending(d);
        fresh += is_ready;
      } else if (fd == socket) {
        is_ready = socket_readable(socket);
        fresh += is_ready;
      } else if (!in_range(fd)) {
        is_ready = true;
      } else {
        pipe_news news = pipe_state(fd);
        is_ready = news != PIPE_WAITING;
        fresh += news == PIPE_FRESH;
      }
      if (is_ready) FD_SET(fd, &ready);
    }
    if (fresh > 0) break;
    if (timeout != nullptr && remaining <= 0) break;
    wait_for_pipe_data(WAIT_STEP_MS, &wanted);
    remaining -= WAIT_STEP_MS;
  }
  if (read != nullptr) *read = ready;
  return int(ready.fd_count);
}
