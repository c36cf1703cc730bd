// Child processes over Win32: forkexec by CreateProcess, probing and ending.
#include <cerrno>
#include <cstdio>
#include <string>

#include "tests/platform/win/win_test_helpers.h"

namespace {

class WinChildren : public testing::Test {
 protected:
  void SetUp() override { preset_posix_services(); }
};

TEST_F(WinChildren, EchoRoundTripThenEndOfFileRepeatsAndTheChildIsGone) {
  test_pipe to_child, from_child;
  pid_t pid = forkexec(child_tool("echo").c_str(), to_child.give_read(), from_child.give_write());
  ASSERT_GT(pid, 0);
  EXPECT_EQ(errno, 0);
  begin_read(from_child.read, 8193);
  ASSERT_EQ(write_all(to_child.write, "round trip\n", 11), 11);
  std::string got;
  char buffer[8195];
  while (got.size() < 11 && select_one(from_child.read, 5000)) {
    int n = read_pipe(from_child.read, buffer, 8193);
    ASSERT_GT(n, 0);
    got.append(buffer, size_t(n));
  }
  EXPECT_EQ(got, "round trip\n");
  to_child.close_write();
  ASSERT_TRUE(select_one(from_child.read, 5000));
  EXPECT_EQ(read_pipe(from_child.read, buffer, 8193), 0);
  EXPECT_EQ(read_pipe(from_child.read, buffer, 8193), 0);
  EXPECT_TRUE(wait_gone(pid));
  EXPECT_EQ(end_process(pid, 0), -1);
}

TEST_F(WinChildren, ForkexecClosesBothDescriptorsInTheServer) {
  test_pipe in, out;
  int in_fd = in.give_read(), out_fd = out.give_write();
  pid_t pid = forkexec(child_tool("exit 0").c_str(), in_fd, out_fd);
  ASSERT_GT(pid, 0);
  EXPECT_FALSE(is_open(in_fd));
  EXPECT_FALSE(is_open(out_fd));
  EXPECT_TRUE(wait_gone(pid));
}

TEST_F(WinChildren, ChildExitingWithTheStillActiveCodeIsGone) {
  pid_t pid = forkexec(child_tool("exit 259").c_str(), -1, -1);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(wait_gone(pid));
  EXPECT_EQ(end_process(pid, 0), -1);
}

TEST_F(WinChildren, OnlyOwnChildrenAreEnded) {
  foreign_process foreign("sleep 20000");
  ASSERT_GT(foreign.pid(), 0);
  EXPECT_TRUE(process_alive(foreign.pid())) << "a foreign process is probed";
  EXPECT_EQ(end_process(foreign.pid(), 15), -1);
  EXPECT_EQ(end_process(foreign.pid(), PSIG_KILL), -1);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(foreign.running());

  pid_t own = forkexec(child_tool("sleep 20000").c_str(), -1, -1);
  ASSERT_GT(own, 0);
  EXPECT_EQ(end_process(own, 0), 0);
  EXPECT_EQ(end_process(own, 12345), -1) << "a number that ends nothing";
  EXPECT_EQ(end_process(own, 15), 0);
  EXPECT_TRUE(wait_gone(own));
  EXPECT_EQ(end_process(own, PSIG_KILL), -1) << "already gone";
  for (pid_t none : {0, -1}) EXPECT_EQ(end_process(none, 15), -1);
}

TEST_F(WinChildren, EndOfFileArrivesWhileASecondChildRuns) {
  // Pipes made inheritable, as the C runtime's _pipe without _O_NOINHERIT
  // makes them: the second child must not hold the first one's ends.
  int to_first[2], from_first[2];
  ASSERT_EQ(_pipe(to_first, 65536, _O_BINARY), 0);
  ASSERT_EQ(_pipe(from_first, 65536, _O_BINARY), 0);
  pid_t first = forkexec(child_tool("echo").c_str(), to_first[0], from_first[1]);
  ASSERT_GT(first, 0);
  pid_t second = forkexec(child_tool("sleep 20000").c_str(), -1, -1);
  ASSERT_GT(second, 0);
  begin_read(from_first[0], 8193);
  _close(to_first[1]);
  char buffer[8195];
  bool ended = select_one(from_first[0], 5000);
  int got = ended ? read_pipe(from_first[0], buffer, 8193) : -2;
  EXPECT_TRUE(ended);
  EXPECT_EQ(got, 0);
  EXPECT_TRUE(wait_gone(first));
  EXPECT_TRUE(process_alive(second));
  EXPECT_EQ(end_process(second, 15), 0);
  EXPECT_TRUE(wait_gone(second));
  end_read(from_first[0]);
  _close(from_first[0]);
}

TEST_F(WinChildren, ChildWritesToTheServersStandardError) {
  stderr_capture capture;
  pid_t pid = forkexec(child_tool("warn to-stderr").c_str(), -1, -1);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(wait_gone(pid));
  EXPECT_EQ(capture.finish(), "to-stderr");
}

struct failure_case {
  const char* name;
  std::string command;
  int expected_errno;
};

// A file named .exe that holds text, its path quoted.
std::string text_exe() {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  std::string path = std::string(folder) + "qob_text_program.exe";
  FILE* f = fopen(path.c_str(), "wb");
  if (f != nullptr) {
    fputs("this is text, not a program\n", f);
    fclose(f);
  }
  std::string quoted = "\"";
  quoted.append(path).append("\"");
  return quoted;
}

TEST_F(WinChildren, FailuresSetErrnoPrintCommandAndTextAndCloseDescriptors) {
  const failure_case cases[] = {
      {"missing program", "Z:\\no\\such\\program.exe", ENOENT},
      {"text .exe", text_exe(), ENOEXEC},
      {"empty command", "", ENOENT},
  };
  for (const failure_case& c : cases) {
    test_pipe in, out;
    int in_fd = in.give_read(), out_fd = out.give_write();
    stderr_capture capture;
    errno = 12345;
    pid_t pid = forkexec(c.command.c_str(), in_fd, out_fd);
    int e = errno;
    std::string message = capture.finish();
    EXPECT_EQ(pid, -1) << c.name;
    EXPECT_EQ(e, c.expected_errno) << c.name;
    EXPECT_EQ(message.rfind(c.command + "\n", 0), 0u) << c.name << ": " << message;
    EXPECT_GT(message.size(), c.command.size() + 1) << c.name << ": the system's text follows";
    EXPECT_FALSE(is_open(in_fd)) << c.name;
    EXPECT_FALSE(is_open(out_fd)) << c.name;
  }
}

}  // namespace
