// Signals, the ending of processes, whole writes and the clocks.
#include "platform/posix_services.h"

#include <malloc.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int MMAP_THRESHOLD = 32 << 20;   // the most glibc takes
constexpr int TRIM_THRESHOLD = 512 << 20;
// A large page is 2 MB; below two of them a block may hold no whole one.
constexpr size_t LARGE_BLOCK = size_t(4) << 20;

struct pseudo_mapping {
  int pseudo;
  int system;  // -1: no signal on this system
};

const pseudo_mapping pseudo_signals[] = {
    {PSIG_ERROR_1, SIGBUS},   {PSIG_ERROR_2, SIGSYS}, {PSIG_ALARM, -1},
    {PSIG_KILL, SIGKILL},     {PSIG_IGNORED_1, SIGPIPE}, {PSIG_IGNORED_2, SIGHUP},
};

// Kept for the alarm pseudo-signal; no timer of this system raises it.
signal_handler alarm_callback = nullptr;

// The system's number for a signal or pseudo-signal number, -1 for none.
int system_signal(int sig) {
  for (const pseudo_mapping& m : pseudo_signals)
    if (m.pseudo == sig) return m.system;
  return sig > 0 && sig < NSIG ? sig : -1;
}

int64_t to_ticks(const timeval& t) {
  return static_cast<int64_t>(t.tv_sec) * 100 + t.tv_usec / 10000;
}

}  // namespace

void preset_posix_services() {
  // Freed geometry stays in the heap for the next blocks instead of going back
  // to the system, which would fault every page in again.
  mallopt(M_MMAP_THRESHOLD, MMAP_THRESHOLD);
  mallopt(M_TRIM_THRESHOLD, TRIM_THRESHOLD);
  struct sigaction sa {};
  sa.sa_handler = SIG_IGN;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGPIPE, &sa, nullptr);
}

void advise_large_block(void* block, size_t size) {
  if (size < LARGE_BLOCK) return;
  // The advice covers whole pages inside the block; the large pages go to the
  // aligned stretches among them. A refusal only leaves the small pages.
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  uintptr_t first = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
  uintptr_t last = (reinterpret_cast<uintptr_t>(block) + size) & ~(page - 1);
  madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
}

int signal_wrapper(int sig, signal_handler handler) {
  if (sig == PSIG_ALARM) {
    alarm_callback = handler;
    return sig;
  }
  int system = system_signal(sig);
  if (system < 0) return -1;
  struct sigaction sa {};
  if (handler == SIGNAL_DEFAULT)
    sa.sa_handler = SIG_DFL;
  else if (handler == SIGNAL_IGNORE)
    sa.sa_handler = SIG_IGN;
  else
    sa.sa_handler = handler;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  return sigaction(system, &sa, nullptr) == 0 ? sig : -1;
}

int end_process(pid_t pid, int sig) {
  if (pid <= 0) return -1;
  if (sig == 0) return process_alive(pid) ? 0 : -1;
  int system = system_signal(sig);
  if (system < 0) return -1;
  return kill(pid, system) == 0 ? 0 : -1;
}

ssize_t write_all(int fd, const void* buf, size_t n) {
  const char* p = static_cast<const char*>(buf);
  size_t done = 0;
  while (done < n) {
    ssize_t w = write(fd, p + done, n - done);
    if (w < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    done += static_cast<size_t>(w);
  }
  return static_cast<ssize_t>(done);
}

int64_t ticks() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 100 + t.tv_nsec / 10000000;
}

cpu_ticks process_cpu_ticks() {
  rusage r{};
  if (getrusage(RUSAGE_SELF, &r) != 0) return {0, 0};
  return {to_ticks(r.ru_utime), to_ticks(r.ru_stime)};
}
