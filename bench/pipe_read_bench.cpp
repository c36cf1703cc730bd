// Windows build: reading an application's pipe through begin_read, nt_select
// and read_pipe (a reader thread per read) against raw ReadFile calls on the
// same kind of pipe, both fed by one writer thread in 8193-byte blocks.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/paired.h"
#include "platform/posix_services.h"

namespace {

constexpr int BLOCK = 8193;
constexpr size_t BLOCKS = 512;  // 4 MB
constexpr size_t TOTAL = BLOCKS * BLOCK;

// Fills the write end with BLOCKS blocks, then closes it.
std::thread start_writer(int fd) {
  return std::thread([fd] {
    std::vector<char> block(BLOCK, 'x');
    for (size_t i = 0; i < BLOCKS; ++i) write_all(fd, block.data(), BLOCK);
    _close(fd);
  });
}

double through_read_pipe() {
  int fds[2];
  if (_pipe(fds, 65536, _O_BINARY | _O_NOINHERIT) != 0) return -1;
  std::vector<char> buffer(BLOCK + 2);
  auto t0 = std::chrono::steady_clock::now();
  std::thread writer = start_writer(fds[1]);
  begin_read(fds[0], BLOCK);
  size_t got = 0;
  for (;;) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(fds[0], &set);
    timeval tv{1, 0};
    if (nt_select(fds[0] + 1, &set, nullptr, nullptr, &tv) == 0) continue;
    int n = read_pipe(fds[0], buffer.data(), BLOCK);
    if (n <= 0) break;
    got += size_t(n);
  }
  double seconds = paired::seconds_since(t0);
  writer.join();
  end_read(fds[0]);
  _close(fds[0]);
  return got == TOTAL ? seconds : -1;
}

double through_read_file() {
  int fds[2];
  if (_pipe(fds, 65536, _O_BINARY | _O_NOINHERIT) != 0) return -1;
  HANDLE pipe = HANDLE(_get_osfhandle(fds[0]));
  std::vector<char> buffer(BLOCK + 2);
  auto t0 = std::chrono::steady_clock::now();
  std::thread writer = start_writer(fds[1]);
  size_t got = 0;
  DWORD n = 0;
  while (ReadFile(pipe, buffer.data(), BLOCK, &n, nullptr) && n > 0) got += n;
  double seconds = paired::seconds_since(t0);
  writer.join();
  _close(fds[0]);
  return got == TOTAL ? seconds : -1;
}

}  // namespace

int main() {
  preset_posix_services();
  paired::Result r = paired::measure(7, through_read_pipe, through_read_file);
  // Throughput of read_pipe against ReadFile is the inverse of the time ratio.
  paired::report("read_pipe, 4 MB in 8193-byte reads", r, "raw ReadFile", 1.25);
  printf("read_pipe throughput / ReadFile throughput: %.3f (goal >= 0.80)\n", r.ratio > 0 ? 1 / r.ratio : 0);
  return 0;
}
