// Pipes, children and captured standard error for the platform tests.
#pragma once

#include <fcntl.h>
#include <sys/select.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#else
#include <sys/wait.h>
#endif

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "platform/posix_services.h"

// An anonymous pipe as the server makes them: over POSIX without
// close-on-exec, over Win32 binary and not inherited.
inline int make_pipe(int fds[2]) {
#ifdef _WIN32
  return _pipe(fds, 65536, _O_BINARY | _O_NOINHERIT);
#else
  return pipe(fds);
#endif
}

// A pipe whose ends still held are closed at the end of the test.
struct test_pipe {
  int read = -1;
  int write = -1;

  test_pipe() {
    int fds[2];
    EXPECT_EQ(make_pipe(fds), 0);
    read = fds[0];
    write = fds[1];
  }
  ~test_pipe() {
    close_read();
    close_write();
  }
  test_pipe(const test_pipe&) = delete;
  test_pipe& operator=(const test_pipe&) = delete;

  // The end handed to forkexec, which closes it.
  int give_read() { return std::exchange(read, -1); }
  int give_write() { return std::exchange(write, -1); }
  // A read still begun is ended first, as the server does before a close.
  void close_read() {
    if (read < 0) return;
    end_read(read);
    close(std::exchange(read, -1));
  }
  void close_write() {
    if (write >= 0) close(std::exchange(write, -1));
  }
};

#ifdef _WIN32
inline bool is_open(int fd) { return _get_osfhandle(fd) != -1; }
#else
inline bool is_open(int fd) { return fcntl(fd, F_GETFD) != -1; }
#endif

inline int64_t elapsed_ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               since)
      .count();
}

// nt_select on one descriptor; true when it came back ready.
inline bool select_one(int fd, int timeout_ms, int* count = nullptr) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  int n = nt_select(fd + 1, &set, nullptr, nullptr, &tv);
  if (count != nullptr) *count = n;
  return FD_ISSET(fd, &set);
}

// Reads fd (begun with begin_read) through nt_select and read_pipe until end
// of file, an error or the time is spent.
inline std::string read_to_end(int fd, int timeout_ms = 5000) {
  std::string text;
  char buffer[8195];
  auto start = std::chrono::steady_clock::now();
  while (elapsed_ms(start) < timeout_ms) {
    if (!select_one(fd, 100)) continue;
    int got = read_pipe(fd, buffer, 8193);
    if (got <= 0) break;
    text.append(buffer, static_cast<size_t>(got));
  }
  return text;
}

// Probes until the process has gone; false when it outlives the time.
inline bool wait_gone(pid_t pid, int timeout_ms = 5000) {
  auto start = std::chrono::steady_clock::now();
  while (process_alive(pid)) {
    if (elapsed_ms(start) > timeout_ms) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// The output of `command` run with no input.
inline std::string output_of(const char* command) {
  test_pipe out;
  pid_t pid = forkexec(command, -1, out.give_write());
  EXPECT_GT(pid, 0) << command;
  begin_read(out.read, 8193);
  std::string text = read_to_end(out.read);
  EXPECT_TRUE(pid <= 0 || wait_gone(pid)) << command;
  return text;
}

// Redirects descriptor 2 into a pipe until finish().
class stderr_capture {
 public:
  stderr_capture() {
    fflush(stderr);
    saved_ = dup(2);
    int fds[2];
    EXPECT_EQ(make_pipe(fds), 0);
    dup2(fds[1], 2);
    close(fds[1]);
    read_ = fds[0];
  }
  ~stderr_capture() { finish(); }

  std::string finish() {
    if (saved_ < 0) return text_;
    fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
    char buffer[4096];
    ssize_t got;
    while ((got = ::read(read_, buffer, sizeof buffer)) > 0)
      text_.append(buffer, static_cast<size_t>(got));
    close(read_);
    return text_;
  }

 private:
  int saved_ = -1;
  int read_ = -1;
  std::string text_;
};
