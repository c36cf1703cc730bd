// Signals and clocks over the C runtime and Win32.
#include <cerrno>
#include <csignal>

#include "tests/platform/win/win_test_helpers.h"

namespace {

int received = 0;
void count_signal(int) { ++received; }

TEST(WinSignals, RuntimeSignalsAndTheErrorPseudoSignalInstallHandlers) {
  for (int sig : {SIGSEGV, SIGFPE, SIGILL, int(PSIG_ERROR_1)}) {
    EXPECT_EQ(signal_wrapper(sig, count_signal), sig) << sig;
    EXPECT_EQ(signal_wrapper(sig, SIGNAL_DEFAULT), sig) << sig;
  }
  received = 0;
  ASSERT_EQ(signal_wrapper(SIGFPE, count_signal), SIGFPE);
  raise(SIGFPE);
  EXPECT_EQ(received, 1);
  signal_wrapper(SIGFPE, SIGNAL_DEFAULT);
}

TEST(WinSignals, NumbersWithoutASignalNeverReachTheRuntimeNorSetErrno) {
  for (int sig : {int(PSIG_ERROR_2), int(PSIG_KILL), int(PSIG_IGNORED_1), int(PSIG_IGNORED_2), 13, 1, 0, 9999}) {
    errno = 0;
    EXPECT_EQ(signal_wrapper(sig, SIGNAL_IGNORE), -1) << sig;
    EXPECT_EQ(errno, 0) << sig;
  }
  errno = 0;
  EXPECT_EQ(signal_wrapper(PSIG_ALARM, count_signal), PSIG_ALARM);
  EXPECT_EQ(errno, 0);
}

TEST(WinClocks, TicksAreMonotonicHundredthsOfASecond) {
  int64_t start = ticks();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  int64_t spent = ticks() - start;
  EXPECT_GE(spent, 18);
  EXPECT_LE(spent, 100);
}

// This thread's processor time in ticks of 1/100 s, the system's own count.
int64_t thread_cpu_ticks() {
  FILETIME created, ended, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
  auto ticks_of = [](const FILETIME& t) { return int64_t((uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 100000); };
  return ticks_of(kernel) + ticks_of(user);
}

TEST(WinClocks, ProcessTicksFollowTheProcessorTimeSpent) {
  // Spins until this thread has spent a quarter second, however loaded the machine.
  cpu_ticks before = process_cpu_ticks();
  int64_t thread_before = thread_cpu_ticks();
  auto start = std::chrono::steady_clock::now();
  volatile double x = 1;
  while (thread_cpu_ticks() - thread_before < 25 && elapsed_ms(start) < 20000) x = x * 1.0000001 + 1e-9;
  cpu_ticks after = process_cpu_ticks();
  int64_t spent = thread_cpu_ticks() - thread_before;
  int64_t counted = after.user + after.system - before.user - before.system;
  ASSERT_GE(spent, 25);
  EXPECT_GE(counted, spent - 2);
  EXPECT_LE(counted, spent + 50);
}

}  // namespace
