// Process slots, pipes and the wait loop against real child processes.
#include "link/si.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "runtime/predefined.h"
#include "tests/link/link_fixture.h"

namespace {

using link_test::Linked;

class SystemInterface : public Linked {
 protected:
  void SetUp() override { load(); }
};

bool reaped_or_gone(pid_t pid) {
  // No zombie is left: the pid is neither alive nor waiting to be reaped.
  return kill(pid, 0) != 0 && waitpid(pid, nullptr, WNOHANG) <= 0;
}

// Polls the pipe to process n (up to 10 s) until no reader is left on it:
// a pipe without readers reports POLLERR to its writer.
bool reader_gone(unsigned long n) {
  FILE* to_child = open_process_stream(n);
  if (to_child == nullptr) return false;
  pollfd p = {fileno(to_child), 0, 0};
  bool gone = false;
  for (int i = 0; i < 1000 && !gone; ++i) gone = poll(&p, 1, 10) == 1 && (p.revents & POLLERR) != 0;
  fclose(to_child);
  return gone;
}

TEST_F(SystemInterface, EchoesThroughTheSlotPipes) {
  int pid = start_process(0, "cat");
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(get_process_active(0));
  EXPECT_EQ(get_current_process(), 0);
  write_to_process(0, "hello\n", 6);
  EXPECT_EQ(refill_bytes(6), "hello\n");
  EXPECT_EQ(hi.end[0], '\0');
}

TEST_F(SystemInterface, ProcessNumbersOutsideTheSlotsStartNothing) {
  for (int n : {-1, 22, 1000}) EXPECT_EQ(start_process(n, "true"), 0) << n;
  EXPECT_EQ(get_processes_active(), 0);
  for (unsigned long n : {21ul, 22ul, 0xFFFFFFFFul}) EXPECT_FALSE(get_process_active(n)) << n;
  EXPECT_EQ(open_process_stream(21), nullptr);
}

TEST_F(SystemInterface, SharedStdioProcessGetsNoSlot) {
  int first = start_process(21, "true");
  int second = start_process(21, "true");
  EXPECT_GT(first, 0);
  EXPECT_GT(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(get_processes_active(), 0);
  waitpid(first, nullptr, 0);
  waitpid(second, nullptr, 0);
}

TEST_F(SystemInterface, BusySlotStartsNothingUntilItsProcessEnded) {
  int pid = start_process(3, "cat");
  ASSERT_GT(pid, 0);
  EXPECT_EQ(start_process(3, "cat"), 0);
  EXPECT_TRUE(send_signal(pid, SIGTERM));
  while (send_signal(pid, 0)) usleep(1000);
  EXPECT_FALSE(get_process_active(3));  // the failed probe freed the slot
  EXPECT_TRUE(reaped_or_gone(pid));
  EXPECT_GT(start_process(3, "cat"), 0);
}

TEST_F(SystemInterface, FailedStartLeavesTheSlotFree) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(start_process(0, "/nonexistent/program"), 0);
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(get_process_active(0));
  EXPECT_EQ(get_current_process(), -1);
}

TEST_F(SystemInterface, EndedProcessIsReapedAndTheNextOneRead) {
  int first = start_process(0, "printf A");
  ASSERT_GT(first, 0);
  // Process 1 speaks only once process 0 has been reaped (a zombie still
  // answers kill -0), so B proves that the wait reaped it.
  std::string second = "sh -c 'i=0; while kill -0 " + std::to_string(first) +
                       " 2>/dev/null; do i=$((i+1)); [ $i -gt 1000 ] && { printf unreaped; exit; }; "
                       "sleep 0.01; done; printf B'";
  ASSERT_GT(start_process(1, second.c_str()), 0);
  std::string got = refill();
  EXPECT_EQ(got, "A");
  EXPECT_EQ(refill(), "B");
  EXPECT_FALSE(get_process_active(0));
  EXPECT_TRUE(reaped_or_gone(first));
}

TEST_F(SystemInterface, PipeAtEndOfFileIsNotWaitedOnWhileItsProcessRuns) {
  // Process 0 closes its output but lives on until the test ends: the wait
  // must not spin on it, so the idle tasks (here timer 0 with a 20 ms period)
  // keep running.
  ASSERT_GT(start_process(0, "sh -c 'exec 1>&-; exec sleep 60'"), 0);
  ASSERT_GT(start_process(1, "sh -c 'sleep 0.3; printf B'"), 0);
  put_predef(40, 20);
  EXPECT_EQ(refill(), "B");
  EXPECT_GT(get_predef(50), 5);
  EXPECT_TRUE(get_process_active(0));  // still running: kept for writing
  EXPECT_EQ(get_processes_active(), 2);
}

TEST_F(SystemInterface, WithoutSwitchingOnlyTheCurrentProcessIsRead) {
  ASSERT_GT(start_process(0, "sh -c 'sleep 0.3; printf A; sleep 5'"), 0);
  ASSERT_GT(start_process(1, "sh -c 'printf B; sleep 5'"), 0);
  ASSERT_EQ(get_current_process(), 0);
  set_process_switch(false);
  EXPECT_EQ(refill(), "A");
  set_process_switch(true);
  EXPECT_EQ(refill(), "B");
}

TEST_F(SystemInterface, ProcessEndingInsideACommandAbandonsIt) {
  ASSERT_GT(start_process(0, "sh -c 'sleep 0.2'"), 0);
  ASSERT_GT(start_process(1, "sh -c 'sleep 0.4; printf B'"), 0);
  set_process_switch(false);
  testing::internal::CaptureStderr();
  EXPECT_EQ(refill(), "<abandoned>");
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Application error - process 0 ended inside a command"), std::string::npos) << err;
  EXPECT_EQ(hi.end, hi.start);
  EXPECT_EQ(refill(), "B");
}

TEST_F(SystemInterface, WriteToAChildThatClosedItsInputFreesTheSlot) {
  ASSERT_GT(start_process(0, "sh -c 'exec 0<&-; sleep 2'"), 0);
  EXPECT_TRUE(reader_gone(0)) << "the child still holds its input";
  testing::internal::CaptureStderr();
  std::string big(200000, 'x');  // beyond the pipe's size
  write_to_process(0, big.data(), big.size());
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "Warning: write attempted to inactive process 0.\n");
  EXPECT_FALSE(get_process_active(0));
}

TEST_F(SystemInterface, LongWritesArriveWhole) {
  ASSERT_GT(start_process(0, "cat"), 0);
  std::string big(300000, 0);
  for (size_t i = 0; i < big.size(); ++i) big[i] = char('a' + i % 26);
  // The child echoes while the server writes: read on a second process side.
  pid_t reader = fork();
  if (reader == 0) {
    write_to_process(0, big.data(), big.size());
    _exit(0);
  }
  std::string got = refill_bytes(big.size());
  waitpid(reader, nullptr, 0);
  EXPECT_EQ(got, big);
}

TEST_F(SystemInterface, KillAllEndsStubbornChildrenInRounds) {
  int plain = start_process(0, "sleep 30");
  int stubborn = start_process(1, "sh -c \"trap '' TERM; while :; do sleep 0.05; done\"");
  ASSERT_GT(plain, 0);
  ASSERT_GT(stubborn, 0);
  usleep(100 * 1000);
  testing::internal::CaptureStderr();
  kill_all_subprocesses();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Termination signal sent to process 0 pid " + std::to_string(plain)), std::string::npos) << err;
  EXPECT_NE(err.find("Kill signal sent to process 1 pid " + std::to_string(stubborn)), std::string::npos) << err;
  EXPECT_EQ(err.find("Kill signal sent to process 0"), std::string::npos) << err;
  EXPECT_EQ(get_processes_active(), 0);
  EXPECT_TRUE(reaped_or_gone(plain));
  EXPECT_TRUE(reaped_or_gone(stubborn));
}

TEST_F(SystemInterface, TimersCountTheirPeriodsOnlyWhenChanged) {
  ASSERT_GT(start_process(0, "sh -c 'sleep 0.25; printf x'"), 0);
  put_predef(40, 50);   // 50 ms
  put_predef(41, 0);    // idle
  put_predef(42, -5);   // idle
  put_predef(51, 77);
  put_predef(52, 77);
  EXPECT_EQ(refill(), "x");
  int32_t count = get_predef(50);
  EXPECT_GE(count, 4);
  EXPECT_EQ(get_predef(51), 77);
  EXPECT_EQ(get_predef(52), 77);
}

}  // namespace
