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
#include "link/tek_parser.h"
#include "tests/support/protocol.h"

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

// Seconds a freshly preset parser takes over the whole stream; the caller
// cleans the parser up.
inline double parse_stream() {
  offset = 0;
  preset_tek_parser();
  set_tek_input_source(refill);
  const auto t0 = std::chrono::steady_clock::now();
  if (setjmp(done) == 0) process_tektronix_commands();
  return seconds_since(t0);
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

// One strip per segment zig-zagging along x in the plane y = 0, rows along z;
// normals toward the camera. Points in millionths of a unit. A material
// other than 0 is set on every facet tree.
inline void build_stream(long triangles, int segments, long material = 0) {
  long per_segment = triangles / segments;
  long n = per_segment + 2;
  stream = tek::command("CE") + tek::int_param(3) + tek::int_param(1) + tek::command("CL") + tek::int_param(1) +
           tek::string_param("model");
  for (int s = 0; s < segments; ++s) {
    stream += tek::command("SO") + tek::int_param(s + 1);
    if (material != 0) stream += tek::command("TO") + tek::int_param(material);
    stream += tek::command("UT") + tek::int_param(n);
    long last[3] = {0, 0, 0};
    for (long i = 0; i < n; ++i) {
      long p[3] = {-1500000 + (i / 2) * 3000000 / (n / 2), 0, -1400000 + s * 280000 + (i % 2) * 250000};
      for (int k = 0; k < 3; ++k) stream += tek::int_param(p[k] - last[k]);
      for (int k = 0; k < 3; ++k) last[k] = p[k];
    }
    stream += tek::int_param(n) + tek::int_param(0) + tek::int_param(1000) + tek::int_param(0);
    for (long i = 1; i < n; ++i) stream += tek::int_param(0) + tek::int_param(0) + tek::int_param(0);
    stream += tek::int_param(0);  // no texture coordinates
    stream += tek::int_param(n + 2) + tek::int_param(1) + tek::int_param(n);
    for (long i = 0; i < n; ++i) stream += tek::int_param(i);
    stream += tek::command("SC");
  }
}

}  // namespace stream_bench
