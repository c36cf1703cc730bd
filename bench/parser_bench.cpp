// Throughput of the command parser on vector runs, against `cat` of the same
// bytes through a pipe, measured in the same run.
#include <unistd.h>

#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/checked_mm.h"
#include "bench/paired.h"
#include "bench/stream_bench.h"
#include "link/tek_parser.h"
#include "tests/support/protocol.h"

using namespace stream_bench;

namespace {

long lines;

void point(float, float, float) { ++lines; }
void marker() {}
void colour(int, float, float, float) {}

double parse_seconds() {
  offset = 0;
  lines = 0;
  preset_tek_parser();
  set_tek_input_source(refill);
  set_tek_drawing_services({point, point, marker, colour});
  auto t0 = std::chrono::steady_clock::now();
  if (setjmp(done) == 0) process_tektronix_commands();
  double s = seconds_since(t0);
  cleanup_tek_parser();
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? size_t(atol(argv[1])) : 64;
  int pairs = argc > 2 ? atoi(argv[2]) : 5;
  InitMallocBalance();
  // Runs of 100 points in mode 2, small deltas as a drawing sends them.
  stream = tek::set_coor_mode(2, 6);
  std::string run(1, tek::GS);
  for (int i = 0; i < 100; ++i) run += tek::point(2, {(i * 37) % 2001 - 1000, (i * 53) % 801 - 400, i % 64});
  run += tek::US;
  while (stream.size() < megabytes << 20) stream += run;
  char path[] = "/tmp/parser_bench_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0 || write(fd, stream.data(), stream.size()) != ssize_t(stream.size())) return 1;
  close(fd);
  double mb = double(stream.size()) / (1 << 20);
  paired::Result r = paired::measure(pairs, parse_seconds, [&] { return cat_seconds(path); });
  unlink(path);
  printf("vector runs: %.0f MB, %ld points, medians of %d pairs\n", mb, lines, pairs);
  paired::report("parser, vector runs in mode 2", r, "cat | pipe");
  printf("  parser %.1f MB/s, cat | pipe %.1f MB/s\n", mb / r.subject, mb / r.anchor);
  return 0;
}
