// A command stream fed to the parser from memory, and `cat` of the same bytes
// through a pipe, the reference it is measured against.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "link/si.h"

namespace stream_bench {

inline std::string stream;
inline size_t offset;
inline std::jmp_buf done;  // where the parser's loop ends when the stream is spent

// The parser's refill from `stream`; jumps to `done` at its end.
inline unsigned char* refill(buf_ptrs* b) {
  if (offset >= stream.size()) std::longjmp(done, 1);
  size_t n = std::min<size_t>(HOST_INPUT_SIZE, stream.size() - offset);
  memcpy(b->start, stream.data() + offset, n);
  offset += n;
  b->end = b->start + n;
  *b->end = 0;
  return b->start;
}

inline double seconds_since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Seconds `cat` takes to pass the file through a pipe; 0 when the bytes read
// are not the stream's.
inline double cat_seconds(const std::string& path) {
  auto t0 = std::chrono::steady_clock::now();
  FILE* pipe = popen(("cat " + path).c_str(), "r");
  if (pipe == nullptr) return 0;
  static char buffer[HOST_INPUT_SIZE];
  size_t total = 0;
  for (ssize_t n; (n = read(fileno(pipe), buffer, sizeof buffer)) > 0;) total += size_t(n);
  pclose(pipe);
  return total == stream.size() ? seconds_since(t0) : 0;
}

}  // namespace stream_bench
