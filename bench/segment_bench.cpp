// A facet tree of 1,000,000 triangles sent as one UT command through the
// command parser into the segment store, against `cat` of the same bytes
// through a pipe, measured in the same run; and the heap kept per triangle.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/checked_mm.h"
#include "bench/stream_bench.h"
#include "link/tek_parser.h"
#include "scene/geom_shell.h"
#include "scene/segment_store.h"
#include "tests/support/protocol.h"

using namespace stream_bench;

namespace {


// Seconds to parse and store; the heap growth kept by the store in `kept`.
double store_seconds(size_t* kept, unsigned long* triangles) {
  offset = 0;
  init_segment_structure();
  preset_tek_parser();
  set_tek_input_source(refill);
  size_t before = mallinfo2().uordblks;
  auto t0 = std::chrono::steady_clock::now();
  if (setjmp(done) == 0) process_tektronix_commands();
  double s = seconds_since(t0);
  *kept = mallinfo2().uordblks - before;
  const bsegment* segment = get_segment(1);
  *triangles = segment != nullptr && segment->facet_tree[0] != nullptr
                   ? segment->facet_tree[0]->get_number_triangles()
                   : 0;
  cleanup_tek_parser();
  cleanup_ldf();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  long triangles = argc > 1 ? atol(argv[1]) : 1000000;
  long n = triangles + 2;
  InitMallocBalance();
  // One strip zig-zagging along x: point i at (i / 2, i % 2, 0), all normals up.
  stream = tek::command("SO") + tek::int_param(1) + tek::command("UT") + tek::int_param(n);
  long last[2] = {0, 0};
  for (long i = 0; i < n; ++i) {
    long p[2] = {(i / 2) * 10, (i % 2) * 10};
    stream += tek::int_param(p[0] - last[0]) + tek::int_param(p[1] - last[1]) + tek::int_param(0);
    last[0] = p[0], last[1] = p[1];
  }
  stream += tek::int_param(n) + tek::int_param(0) + tek::int_param(0) + tek::int_param(1);
  stream += std::string(size_t(n - 1) * 3, '0');
  stream += tek::int_param(0) + tek::int_param(n + 2) + tek::int_param(1) + tek::int_param(n);
  for (long i = 0; i < n; ++i) stream += tek::int_param(i);
  stream += tek::command("SC");
  char path[] = "/tmp/segment_bench_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0 || write(fd, stream.data(), stream.size()) != ssize_t(stream.size())) return 1;
  close(fd);
  double mb = double(stream.size()) / (1 << 20);
  double store = 1e9, cat = 1e9;
  size_t kept = 0;
  unsigned long stored = 0;
  for (int round = 0; round < 3; ++round) {
    store = std::min(store, store_seconds(&kept, &stored));
    cat = std::min(cat, cat_seconds(path));
  }
  unlink(path);
  printf("UT facet tree: %lu triangles, %.1f MB of commands\n", stored, mb);
  printf("  parser + store  %8.1f MB/s  %8.3f s\n", mb / store, store);
  printf("  cat | pipe      %8.1f MB/s  %8.3f s\n", mb / cat, cat);
  printf("  store / cat     %8.2f\n", cat / store);
  printf("  heap kept       %8.1f bytes per triangle\n", stored > 0 ? double(kept) / double(stored) : 0.0);
  return 0;
}
