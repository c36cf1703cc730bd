// The POSIX half of the own X server: an Xvfb forked by the test program.
#include "tests/support/own_x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

OwnXServer::OwnXServer() {
  // Parallel Xvfbs may race for one display number; the loser exits at once.
  for (int attempt = 0; attempt < 5 && name_.empty(); ++attempt) start();
}

void OwnXServer::start() {
  // One Xvfb of the test run starts at a time: two that pick one display
  // number at once can both pass its lock check, and the loser's clean-up
  // then breaks the winner's listening socket.
  int lock = open("/tmp/qob_own_x_server.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lock >= 0) flock(lock, LOCK_EX);
  start_locked();
  if (lock >= 0) close(lock);
}

void OwnXServer::start_locked() {
  int fds[2];
  if (pipe(fds) != 0) return;
  std::string fd = std::to_string(fds[1]);
  const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                        nullptr};
  pid_t parent = getpid();
  pid_ = fork();
  if (pid_ == 0) {
    // The server ends with the test process, even one that exits without its
    // destructors (a death test's child, a test stopped at its time-out), and
    // removes its lock file and socket on the way.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() == parent) execvp("Xvfb", const_cast<char**>(argv));
    _exit(127);
  }
  if (pid_ < 0) pid_ = 0;
  close(fds[1]);
  std::string number;
  pollfd p = {fds[0], POLLIN, 0};
  char c;
  while (pid_ != 0 && poll(&p, 1, 30000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (!number.empty()) name_ = ":" + number;
  else stop();
}

void OwnXServer::stop() {
  if (pid_ == 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
}

void OwnXServer::use() const { setenv("DISPLAY", name_.c_str(), 1); }

void OwnDisplayEnvironment::SetUp() {
  x_ = new OwnXServer();
  ASSERT_FALSE(x_->name().empty()) << "Xvfb did not start";
  x_->use();
}

void OwnDisplayEnvironment::TearDown() {
  delete x_;
  x_ = nullptr;
}

void ServerOnOwnDisplay::watch(RunOptions&) {}

bool ServerOnOwnDisplay::graphics_origin(int* x, int* row) const {
  long largest = 0;
  for (const TopLevel& t : viewable_top_levels(display_)) {
    long area = long(t.attributes.width) * t.attributes.height;
    if (area <= largest) continue;
    largest = area;
    *x = t.attributes.x + t.attributes.border_width;
    *row = t.attributes.y + t.attributes.border_width;
  }
  return largest > 0;
}

const RunResult& ServerOnOwnDisplay::finish() {
  if (display_ != nullptr) XCloseDisplay(display_);
  display_ = nullptr;
  x_.stop();  // the server loses its display and ends
  if (thread_.joinable()) thread_.join();
  return result_;
}
