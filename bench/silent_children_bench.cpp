// Windows build: the server's wait with 21 silent application processes, each
// pipe with a reader blocked in its read, against the same wait on no pipe.
// The figure is the processor share of the waiting process.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/paired.h"
#include "platform/files.h"
#include "platform/posix_services.h"

namespace {

constexpr int CHILDREN = 21;
constexpr int WAIT_MS = 3000;  // one measurement: the process clock counts in steps of 10 to 16 ms

struct child {
  pid_t pid = -1;
  int to = -1, from = -1;
};

std::string silent_child_command() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  folder.erase(folder.find_last_of("\\/") + 1);
  return "\"" + folder + "silent_child.exe\"";
}

double cpu_seconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto seconds = [](const FILETIME& t) { return double(uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) * 1e-7; };
  return seconds(kernel) + seconds(user);
}

// The wait loop's passes of 10 ms over `fds` for WAIT_MS; the processor share.
double wait_share(const std::vector<int>& fds) {
  auto t0 = std::chrono::steady_clock::now();
  double c0 = cpu_seconds();
  while (paired::seconds_since(t0) * 1000 < WAIT_MS) {
    fd_set set;
    FD_ZERO(&set);
    int highest = 0;
    for (int fd : fds) {
      FD_SET(fd, &set);
      highest = fd > highest ? fd : highest;
    }
    timeval tv{0, 10000};
    if (nt_select(highest + 1, &set, nullptr, nullptr, &tv) != 0) return -1;  // nobody speaks
  }
  return (cpu_seconds() - c0) / paired::seconds_since(t0);
}

}  // namespace

int main() {
  preset_posix_services();
  std::string command = silent_child_command();
  std::vector<child> children(CHILDREN);
  std::vector<int> pipes;
  for (child& c : children) {
    int in[2], out[2];
    if (!open_pipe(in, 65536) || !open_pipe(out, 65536)) return 1;
    c.pid = forkexec(command.c_str(), in[0], out[1]);
    if (c.pid <= 0) return 1;
    c.to = in[1];
    c.from = out[0];
    begin_read(c.from, 8193);
    pipes.push_back(c.from);
  }
  // The share is reported as a time: the ratio is that of the shares.
  paired::Result r = paired::measure(
      5, [&] { return wait_share(pipes); }, [] { return wait_share({}); });
  paired::report("wait over 21 silent children (CPU share)", r, "wait over no pipe");
  printf("processor share with 21 silent children: %.3f%% (goal < 1%%); without: %.3f%%\n", 100 * r.subject,
         100 * r.anchor);
  for (child& c : children) {
    close_descriptor(c.to);
    close_descriptor(c.from);
  }
  return 0;
}
