#include <csignal>
#include <ctime>

#include "tests/platform/posix_test_helpers.h"

namespace {

int received = 0;
void count_signal(int) { ++received; }

signal_handler installed(int system_signal) {
  struct sigaction sa {};
  sigaction(system_signal, nullptr, &sa);
  return sa.sa_handler;
}

// Restores one system signal's disposition at the end of a case.
class saved_disposition {
 public:
  explicit saved_disposition(int sig) : sig_(sig) { sigaction(sig, nullptr, &saved_); }
  ~saved_disposition() { sigaction(sig_, &saved_, nullptr); }

 private:
  int sig_;
  struct sigaction saved_ {};
};

TEST(Signals, PseudoAndSystemNumbersInstallHandlersOnTheirSignal) {
  struct {
    int number;
    int system;
  } cases[] = {
      {PSIG_ERROR_1, SIGBUS},   {PSIG_ERROR_2, SIGSYS},   {PSIG_IGNORED_1, SIGPIPE},
      {PSIG_IGNORED_2, SIGHUP}, {SIGTERM, SIGTERM},       {SIGUSR1, SIGUSR1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.number);
    saved_disposition restore(c.system);
    EXPECT_EQ(signal_wrapper(c.number, count_signal), c.number);
    EXPECT_EQ(installed(c.system), count_signal);
    EXPECT_EQ(signal_wrapper(c.number, SIGNAL_IGNORE), c.number);
    EXPECT_EQ(installed(c.system), SIG_IGN);
    EXPECT_EQ(signal_wrapper(c.number, SIGNAL_DEFAULT), c.number);
    EXPECT_EQ(installed(c.system), SIG_DFL);
  }
}

TEST(Signals, AlarmIsKeptOnlyAndNumbersWithoutSignalFail) {
  saved_disposition restore(SIGALRM);
  signal_handler before = installed(SIGALRM);
  EXPECT_EQ(signal_wrapper(PSIG_ALARM, count_signal), PSIG_ALARM);
  EXPECT_EQ(installed(SIGALRM), before);

  for (int number : {0, -3, NSIG, 9989, 9996, static_cast<int>(PSIG_KILL), SIGKILL}) {
    SCOPED_TRACE(number);
    EXPECT_EQ(signal_wrapper(number, count_signal), -1);
  }
}

TEST(Signals, InstalledHandlerRunsAndSigpipeIsIgnoredAfterPreset) {
  saved_disposition restore_usr1(SIGUSR1);
  received = 0;
  ASSERT_EQ(signal_wrapper(SIGUSR1, count_signal), SIGUSR1);
  raise(SIGUSR1);
  EXPECT_EQ(received, 1);

  preset_posix_services();
  EXPECT_EQ(installed(SIGPIPE), SIG_IGN);
}

TEST(Clocks, TicksAreMonotonicHundredthsOfASecond) {
  int64_t before = ticks();
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  int64_t passed = ticks() - before;
  EXPECT_GE(passed, 24);
  EXPECT_LE(passed, 60);
}

int64_t cpu_clock_ticks() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<int64_t>(t.tv_sec) * 100 + t.tv_nsec / 10000000;
}

TEST(Clocks, ProcessTicksFollowTheProcessorTimeSpent) {
  cpu_ticks before = process_cpu_ticks();
  int64_t clock_before = cpu_clock_ticks();
  volatile uint64_t sink = 0;
  while (cpu_clock_ticks() - clock_before < 30)
    for (int i = 0; i < 100000; ++i) sink = sink + 1;
  cpu_ticks after = process_cpu_ticks();
  int64_t spent = cpu_clock_ticks() - clock_before;
  int64_t counted = (after.user - before.user) + (after.system - before.system);
  EXPECT_NEAR(static_cast<double>(counted), static_cast<double>(spent), 3.0);
  EXPECT_GE(after.user - before.user, 20);
}

}  // namespace
