#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "tests/platform/posix_test_helpers.h"

namespace {

class ChildProcesses : public testing::Test {
 protected:
  void SetUp() override { preset_posix_services(); }
};

TEST_F(ChildProcesses, CatEchoesThroughBothPipesThenEndsAndIsReaped) {
  test_pipe to_child;
  test_pipe from_child;
  int child_in = to_child.give_read();
  int child_out = from_child.give_write();
  pid_t pid = forkexec("cat", child_in, child_out);
  ASSERT_GT(pid, 0);
  EXPECT_EQ(errno, 0);
  EXPECT_FALSE(is_open(child_in));
  EXPECT_FALSE(is_open(child_out));

  begin_read(from_child.read, 8193);
  ASSERT_EQ(write_all(to_child.write, "hello\n", 6), 6);
  std::string echoed;
  char buffer[8195];
  auto start = std::chrono::steady_clock::now();
  while (echoed.size() < 6 && elapsed_ms(start) < 5000) {
    if (!select_one(from_child.read, 100)) continue;
    int got = read_pipe(from_child.read, buffer, 8193);
    ASSERT_GT(got, 0);
    echoed.append(buffer, static_cast<size_t>(got));
  }
  EXPECT_EQ(echoed, "hello\n");
  EXPECT_TRUE(process_alive(pid));

  to_child.close_write();  // cat sees end of file and exits
  EXPECT_TRUE(select_one(from_child.read, 5000));
  EXPECT_EQ(read_pipe(from_child.read, buffer, 8193), 0);
  EXPECT_EQ(read_pipe(from_child.read, buffer, 8193), 0);
  EXPECT_TRUE(wait_gone(pid));
  EXPECT_EQ(waitpid(pid, nullptr, WNOHANG), -1) << "left a zombie";
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(ChildProcesses, CommandLineIsSplitIntoWordsWithQuoting) {
  struct {
    const char* command;
    const char* output;
  } cases[] = {
      {"printf [%s] a 'b c' \"d e\"", "[a][b c][d e]"},
      {R"(printf [%s] "a\"b" 'x"y' "c:\dir" 'it\s')", R"([a"b][x"y][c:\dir][it\s])"},
      {"printf [%s] ab\"cd ef\"gh", "[abcd efgh]"},
      {"printf [%s] '' x", "[][x]"},
      {"  printf\t[%s]   a\\ b  ", "[a b]"},
      {"printf [%s] 'unterminated quote", "[unterminated quote]"},
  };
  for (const auto& c : cases) EXPECT_EQ(output_of(c.command), c.output) << c.command;
}

TEST_F(ChildProcesses, NegativeDescriptorsGiveTheChildNullStreams) {
  EXPECT_EQ(output_of("cat"), "");
  pid_t pid = forkexec("printf lost", -1, -1);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(wait_gone(pid));
}

std::set<std::string> open_descriptors(pid_t pid) {
  std::set<std::string> names;
  std::string path = "/proc/" + std::to_string(pid) + "/fd";
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') names.insert(entry->d_name);
  closedir(dir);
  return names;
}

uint64_t status_mask(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1), nullptr, 16);
  ADD_FAILURE() << "no " << field;
  return ~0ull;
}

TEST_F(ChildProcesses, ChildHasItsOwnSessionDefaultSignalsAndOnlyStandardDescriptors) {
  ASSERT_EQ(signal_wrapper(PSIG_IGNORED_2, SIGNAL_IGNORE), PSIG_IGNORED_2);
  test_pipe unrelated;  // the server's other pipes must not reach the child
  test_pipe to_child;
  test_pipe from_child;
  pid_t pid = forkexec("cat", to_child.give_read(), from_child.give_write());
  signal_wrapper(PSIG_IGNORED_2, SIGNAL_DEFAULT);
  ASSERT_GT(pid, 0);
  // Once cat has echoed, its start-up (which opens files of its own) is over.
  ASSERT_EQ(write_all(to_child.write, "x", 1), 1);
  begin_read(from_child.read, 8193);
  char echo[8195];
  ASSERT_TRUE(select_one(from_child.read, 5000));
  ASSERT_EQ(read_pipe(from_child.read, echo, 8193), 1);

  EXPECT_EQ(getsid(pid), pid);
  EXPECT_EQ(open_descriptors(pid), (std::set<std::string>{"0", "1", "2"}));
  EXPECT_EQ(status_mask(pid, "SigIgn"), 0u) << "SIGPIPE and SIGHUP must not stay ignored";
  EXPECT_EQ(status_mask(pid, "SigBlk"), 0u);

  to_child.close_write();
  EXPECT_TRUE(wait_gone(pid));
}

class ExecFailures : public ChildProcesses {
 protected:
  void SetUp() override {
    ChildProcesses::SetUp();
    ASSERT_NE(mkdtemp(dir_), nullptr);
    write_file("plain", 0644);
    write_file("script", 0755);
    const char* path = getenv("PATH");
    saved_path_ = path != nullptr ? path : "";
    setenv("PATH", (std::string(dir_) + ":" + saved_path_).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", saved_path_.c_str(), 1);
    unlink((std::string(dir_) + "/plain").c_str());
    unlink((std::string(dir_) + "/script").c_str());
    rmdir(dir_);
  }
  // Text without "#!": a shell would run it, exec refuses it.
  void write_file(const char* name, mode_t mode) {
    std::string path = std::string(dir_) + "/" + name;
    std::ofstream(path) << "echo should-not-run\n";
    chmod(path.c_str(), mode);
  }

  char dir_[32] = "/tmp/qob-platform-XXXXXX";
  std::string saved_path_;
};

TEST_F(ExecFailures, SetErrnoPrintTheMessageCloseDescriptorsAndReapTheChild) {
  std::string dir = dir_;
  struct {
    std::string command;
    int error;
  } cases[] = {
      {"/nonexistent/qob-program arg", ENOENT},
      {"qob-no-such-program", ENOENT},
      {"", ENOENT},
      {"   ", ENOENT},
      {dir + "/plain", EACCES},
      {"plain", EACCES},
      {dir + "/script one", ENOEXEC},
      {"script", ENOEXEC},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    test_pipe in;
    test_pipe out;
    int child_in = in.give_read();
    int child_out = out.give_write();
    stderr_capture captured;
    pid_t pid = forkexec(c.command.c_str(), child_in, child_out);
    int error = errno;
    EXPECT_FALSE(is_open(child_in));
    EXPECT_FALSE(is_open(child_out));
    std::string message = captured.finish();

    EXPECT_EQ(pid, -1);
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(message, c.command + "\n" + strerror(c.error));
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a failed child was not reaped";
  }
}

TEST_F(ChildProcesses, WriteToChildThatClosedItsInputFailsWithEpipe) {
  test_pipe to_child;
  pid_t pid = forkexec("true", to_child.give_read(), -1);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(wait_gone(pid));
  EXPECT_EQ(write_all(to_child.write, "x", 1), -1);
  EXPECT_EQ(errno, EPIPE);
}

int interruptions = 0;
void count_interruption(int) { ++interruptions; }

TEST_F(ChildProcesses, WriteAllSurvivesInterruptionsAndShortWrites) {
  test_pipe to_child;
  test_pipe from_child;
  pid_t pid = forkexec("sh -c 'sleep 0.3; exec wc -c'", to_child.give_read(),
                       from_child.give_write());
  ASSERT_GT(pid, 0);
  struct sigaction sa {};
  sa.sa_handler = count_interruption;  // no SA_RESTART: writes end early
  sigemptyset(&sa.sa_mask);
  sigaction(SIGALRM, &sa, nullptr);
  itimerval every_2ms{{0, 2000}, {0, 2000}};
  setitimer(ITIMER_REAL, &every_2ms, nullptr);

  std::string data(4 << 20, 'q');
  ssize_t written = write_all(to_child.write, data.data(), data.size());

  itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  signal(SIGALRM, SIG_DFL);
  EXPECT_EQ(written, static_cast<ssize_t>(data.size()));
  EXPECT_GT(interruptions, 0);
  to_child.close_write();
  begin_read(from_child.read, 8193);
  EXPECT_EQ(read_to_end(from_child.read), std::to_string(data.size()) + "\n");
  EXPECT_TRUE(wait_gone(pid));
}

TEST_F(ChildProcesses, TerminationEndsAChildAndTheGoneChildIsNotSignalled) {
  pid_t pid = forkexec("sleep 30", -1, -1);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(process_alive(pid));
  EXPECT_EQ(end_process(pid, 0), 0);
  EXPECT_EQ(end_process(pid, SIGTERM), 0);
  EXPECT_TRUE(wait_gone(pid));
  EXPECT_EQ(end_process(pid, 0), -1);
  EXPECT_EQ(end_process(pid, SIGTERM), -1);
}

TEST_F(ChildProcesses, PseudoKillEndsAChildThatIgnoresTermination) {
  test_pipe from_child;
  pid_t pid = forkexec("sh -c \"trap '' TERM; echo ready; while :; do sleep 0.05; done\"", -1,
                       from_child.give_write());
  ASSERT_GT(pid, 0);
  begin_read(from_child.read, 8193);
  char buffer[8195];
  ASSERT_TRUE(select_one(from_child.read, 5000));
  ASSERT_GT(read_pipe(from_child.read, buffer, 8193), 0);  // the trap is set

  EXPECT_EQ(end_process(pid, SIGTERM), 0);
  EXPECT_FALSE(wait_gone(pid, 300));
  EXPECT_EQ(end_process(pid, PSIG_KILL), 0);
  EXPECT_TRUE(wait_gone(pid));
}

int urgent_signals = 0;
void count_urgent(int) { ++urgent_signals; }

TEST_F(ChildProcesses, NonPositiveProcessIdsAreNeverSignalled) {
  // SIGURG is harmless to every process should one be signalled by mistake.
  ASSERT_EQ(signal_wrapper(SIGURG, count_urgent), SIGURG);
  for (pid_t pid : {0, -1, -getpgrp()}) {
    SCOPED_TRACE(pid);
    EXPECT_EQ(end_process(pid, SIGURG), -1);
    EXPECT_EQ(end_process(pid, 0), -1);
    EXPECT_FALSE(process_alive(pid));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(urgent_signals, 0);
  signal_wrapper(SIGURG, SIGNAL_DEFAULT);
}

TEST_F(ChildProcesses, ProcessThatIsNotAChildIsProbedBySignal) {
  EXPECT_TRUE(process_alive(getpid()));
  EXPECT_EQ(end_process(getpid(), 0), 0);
}

}  // namespace
