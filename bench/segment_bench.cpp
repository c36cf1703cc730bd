// A facet tree of 1,000,000 triangles sent as one UT command through the
// command parser into the segment store, against the parser alone on the
// same integers (skipped as the count and integers of an unknown command)
// and against `cat` of the same bytes through a pipe, alternated in the same
// run; and the heap kept per triangle, mapped blocks included. Then vector
// runs through the parser into the store, against the parser handing each
// line to a counter, in processor time.
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
#include "bench/paired.h"
#include "bench/stream_bench.h"
#include "bench/vector_stream.h"
#include "link/tek_parser.h"
#include "platform/posix_services.h"
#include "scene/geom_shell.h"
#include "scene/segment_store.h"
#include "tests/support/protocol.h"

using namespace stream_bench;

namespace {

// Processor seconds of each run of the subject and of the parser alone, pair by pair.
std::vector<double> store_cpu, alone_cpu;

// Seconds to parse `bytes` and store; the heap growth kept by the store in `kept`.
double store_seconds(const std::string& bytes, size_t* kept, unsigned long* triangles) {
  stream = bytes;
  offset = 0;
  init_segment_structure();
  preset_tek_parser();
  set_tek_input_source(refill);
  struct mallinfo2 before = mallinfo2();
  auto t0 = std::chrono::steady_clock::now();
  double cpu0 = paired::thread_cpu_seconds();
  if (setjmp(done) == 0) process_tektronix_commands();
  double s = seconds_since(t0);
  store_cpu.push_back(paired::thread_cpu_seconds() - cpu0);
  struct mallinfo2 after = mallinfo2();
  *kept = (after.uordblks + after.hblkhd) - (before.uordblks + before.hblkhd);
  const bsegment* segment = get_segment(1);
  *triangles = segment != nullptr && segment->facet_tree[0] != nullptr
                   ? segment->facet_tree[0]->get_number_triangles()
                   : 0;
  cleanup_tek_parser();
  cleanup_ldf();
  return s;
}

long lines_counted;
void count_line(float, float, float) { ++lines_counted; }
void no_marker() {}
void no_colour(int, float, float, float) {}

// Processor seconds of the parser over `bytes`, into the store or, with
// `counted`, into a counter of lines (the segment commands go to the store).
double vector_cpu_seconds(const std::string& bytes, bool counted) {
  stream = bytes;
  offset = 0;
  init_segment_structure();
  preset_tek_parser();
  set_tek_input_source(refill);
  if (counted)
    set_tek_drawing_services({count_line, count_line, no_marker, no_colour});
  else
    set_tek_drawing_services({move_beam, insert_line, insert_marker, no_colour});
  double cpu0 = paired::thread_cpu_seconds();
  if (setjmp(done) == 0) process_tektronix_commands();
  double s = paired::thread_cpu_seconds() - cpu0;
  cleanup_tek_parser();
  cleanup_ldf();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  long triangles = argc > 1 ? atol(argv[1]) : 1000000;
  int pairs = argc > 2 ? atoi(argv[2]) : 5;
  long vector_megabytes = argc > 3 ? atol(argv[3]) : 100;
  long n = triangles + 2;
  preset_posix_services();  // the server's heap settings
  InitMallocBalance();
  // One strip zig-zagging along x: point i at (i / 2, i % 2, 0), all normals up.
  std::string integers = tek::int_param(n);
  long count = 1;
  long last[2] = {0, 0};
  for (long i = 0; i < n; ++i, count += 3) {
    long p[2] = {(i / 2) * 10, (i % 2) * 10};
    integers += tek::int_param(p[0] - last[0]) + tek::int_param(p[1] - last[1]) + tek::int_param(0);
    last[0] = p[0], last[1] = p[1];
  }
  integers += tek::int_param(n) + tek::int_param(0) + tek::int_param(0) + tek::int_param(1);
  integers += std::string(size_t(n - 1) * 3, '0');
  integers += tek::int_param(0) + tek::int_param(n + 2) + tek::int_param(1) + tek::int_param(n);
  count += 1 + 3 * n + 4 + n;  // normals, the texture count, the index header and the indices
  for (long i = 0; i < n; ++i) integers += tek::int_param(i);
  const std::string shell = tek::command("SO") + tek::int_param(1) + tek::command("UT") + integers + tek::command("SC");
  // The parser alone: NE is not a command of this server; its count and integers are skipped.
  const std::string skipped = tek::command("NE") + tek::int_param(count) + integers;
  char path[] = "/tmp/segment_bench_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0 || write(fd, shell.data(), shell.size()) != ssize_t(shell.size())) return 1;
  close(fd);
  double mb = double(shell.size()) / (1 << 20);
  size_t kept = 0;
  unsigned long stored = 0;
  auto parse_alone = [&] {
    stream = skipped;
    double cpu0 = paired::thread_cpu_seconds();
    double s = parse_stream();
    alone_cpu.push_back(paired::thread_cpu_seconds() - cpu0);
    cleanup_tek_parser();
    return s;
  };
  paired::Result alone = paired::measure(pairs, [&] { return store_seconds(shell, &kept, &stored); }, parse_alone);
  paired::Result alone_cpu_pairs = paired::of_pairs(store_cpu, alone_cpu);
  paired::Result piped =
      paired::measure(pairs, [&] { return store_seconds(shell, &kept, &stored); }, [&] {
        stream = shell;
        return cat_seconds(path);
      });
  unlink(path);
  printf("UT facet tree: %lu triangles, %.1f MB of commands, medians of %d pairs\n", stored, mb, pairs);
  paired::report("parser + store, UT facet tree", alone, "parser alone (skipped)", 1.3);
  paired::report("  the same in processor time", alone_cpu_pairs, "parser alone (skipped)", 1.3);
  paired::report("parser + store, UT facet tree", piped, "cat | pipe");
  printf("  parser + store %.1f MB/s, parser alone %.1f MB/s, cat | pipe %.1f MB/s\n", mb / alone.subject,
         mb / alone.anchor, mb / piped.anchor);
  printf("  heap kept %.1f bytes per triangle\n", stored > 0 ? double(kept) / double(stored) : 0.0);
  const std::string runs = vector_stream_bench::vector_stream(size_t(vector_megabytes) << 20);
  paired::Result vectors = paired::measure(pairs, [&] { return vector_cpu_seconds(runs, false); },
                                           [&] { return vector_cpu_seconds(runs, true); });
  printf("Vector runs: %ld MB of 12-bit addresses, processor time, medians of %d pairs\n", vector_megabytes, pairs);
  paired::report("parser + store, vector runs", vectors, "parser, lines counted");
  printf("  parser + store %.1f MB/s, parser alone %.1f MB/s\n", double(vector_megabytes) / vectors.subject,
         double(vector_megabytes) / vectors.anchor);
  return 0;
}
