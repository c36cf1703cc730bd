// The POSIX half of the runner: fork and exec, the output read with poll.
#include "tests/support/runner.h"

#include "tests/support/own_x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

#ifndef QOB_PROGRAM
#define QOB_PROGRAM "qob"
#endif

RunResult run_program(const RunOptions& options) {
  RunResult result;
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
  std::string program = options.program.empty() ? QOB_PROGRAM : options.program;

  std::vector<std::string> words{program};
  words.insert(words.end(), options.args.begin(), options.args.end());
  std::vector<char*> argv, envp;
  for (auto& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env = options.env;
  std::optional<OwnXServer> x;
  if (options.own_display) {
    x.emplace();
    if (x->name().empty()) return result;
    env.push_back("DISPLAY=" + x->name());
  }
  // The display and GL settings of the test run reach the server, unless given.
  for (const char* name : {"DISPLAY", "XAUTHORITY", "LIBGL_ALWAYS_SOFTWARE", "PATH", "HOME", "LSAN_OPTIONS"}) {
    std::string prefix = std::string(name) + "=";
    bool given = false;
    for (const std::string& e : env) given = given || e.rfind(prefix, 0) == 0;
    if (const char* v = getenv(name); v != nullptr && !given) env.push_back(prefix + v);
  }
  for (auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    if (!options.directory.empty() && chdir(options.directory.c_str()) != 0) _exit(126);
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  signal(SIGPIPE, SIG_IGN);
  std::thread watcher;
  if (pid > 0 && options.while_running) watcher = std::thread(options.while_running, long(pid));
  size_t written = 0;
  if (options.input.empty()) {
    close(in[1]);
    in[1] = -1;
  }

  auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(options.timeout_seconds);
  bool out_open = true, err_open = true;
  while (out_open || err_open || in[1] >= 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    pollfd fds[3] = {{out_open ? out[0] : -1, POLLIN, 0}, {err_open ? err[0] : -1, POLLIN, 0}, {in[1], POLLOUT, 0}};
    if (poll(fds, 3, int(left.count())) < 0) continue;
    char buffer[4096];
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? result.out : result.err).append(buffer, size_t(n));
      } else {
        (i == 0 ? out_open : err_open) = false;
      }
    }
    if (in[1] >= 0 && fds[2].revents != 0) {
      ssize_t n = write(in[1], options.input.data() + written, options.input.size() - written);
      if (n > 0) written += size_t(n);
      if (n <= 0 || written == options.input.size()) {
        close(in[1]);
        in[1] = -1;
      }
    }
  }
  if (in[1] >= 0) close(in[1]);
  close(out[0]);
  close(err[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (watcher.joinable()) watcher.join();
  if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

bool stop_program(long pid) { return kill(pid_t(pid), SIGKILL) == 0; }
