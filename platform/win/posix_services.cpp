// Signals, whole writes and the clocks over the C runtime and Win32.
#include <winsock2.h>
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/posix_services.h"

namespace {

struct pseudo_mapping {
  int pseudo;
  int system;  // -1: no signal on this system
};

// Numbers without a signal here never reach signal(), which would set errno.
const pseudo_mapping pseudo_signals[] = {
    {PSIG_ERROR_1, SIGABRT}, {PSIG_ERROR_2, -1},   {PSIG_ALARM, -1},
    {PSIG_KILL, -1},         {PSIG_IGNORED_1, -1}, {PSIG_IGNORED_2, -1},
};
const int runtime_signals[] = {SIGINT, SIGILL, SIGFPE, SIGSEGV, SIGTERM, SIGBREAK, SIGABRT};

signal_handler alarm_callback = nullptr;

int system_signal(int sig) {
  for (const pseudo_mapping& m : pseudo_signals)
    if (m.pseudo == sig) return m.system;
  for (int s : runtime_signals)
    if (s == sig) return s;
  return -1;
}

int64_t from_filetime(const FILETIME& t) {
  return int64_t((uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 100000);  // 100 ns to 1/100 s
}

}  // namespace

void preset_posix_services() {
  // Files, pipes and the standard streams carry bytes as they are: text files
  // end their lines in LF on both systems.
  _fmode = _O_BINARY;
  for (int fd = 0; fd <= 2; ++fd) _setmode(fd, _O_BINARY);
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
}

// Large pages need a privilege that the server does not hold.
void advise_large_block(void*, size_t) {}

int signal_wrapper(int sig, signal_handler handler) {
  if (sig == PSIG_ALARM) {
    alarm_callback = handler;
    return sig;
  }
  int system = system_signal(sig);
  if (system < 0) return -1;
  signal_handler given = handler == SIGNAL_DEFAULT ? SIG_DFL : handler == SIGNAL_IGNORE ? SIG_IGN : handler;
  return signal(system, given) == SIG_ERR ? -1 : sig;
}

ssize_t write_all(int fd, const void* buf, size_t n) {
  const char* p = static_cast<const char*>(buf);
  size_t done = 0;
  while (done < n) {
    unsigned chunk = unsigned(std::min<size_t>(n - done, 1u << 30));
    int w = _write(fd, p + done, chunk);
    if (w < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += size_t(w);
  }
  return ssize_t(done);
}

int64_t ticks() { return int64_t(GetTickCount64() / 10); }

cpu_ticks process_cpu_ticks() {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return {0, 0};
  return {from_filetime(user), from_filetime(kernel)};
}
