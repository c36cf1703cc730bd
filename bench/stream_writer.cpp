// An application process for the stream benchmark: loads a file, writes its
// first byte, waits until the reader has taken it (so the reader is running),
// notes the time on standard error as "start <ns>" and writes the rest.
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

bool write_all(const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = write(1, p, n);
    if (w <= 0) return false;
    p += w;
    n -= size_t(w);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream contents;
  contents << in.rdbuf();
  std::string bytes = contents.str();
  if (bytes.empty() || !write_all(bytes.data(), 1)) return 1;
  // The reader has started when the pipe is empty again.
  for (int waited = 0;; ++waited) {
    int queued = 0;
    if (ioctl(1, FIONREAD, &queued) != 0 || queued == 0) break;
    if (waited > 60000) return 1;
    std::this_thread::sleep_for(std::chrono::microseconds(500));
  }
  auto now = std::chrono::steady_clock::now().time_since_epoch();
  fprintf(stderr, "start %lld\n",
          static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
  fflush(stderr);
  return write_all(bytes.data() + 1, bytes.size() - 1) ? 0 : 1;
}
