// Throughput of the whole server on an application's command stream: the
// real qob runs a YARL program that starts an application process, which
// writes the stream into the server's pipe. Anchor: the same writer into
// `cat > /dev/null` through a pipe. Both are timed from the moment the
// reader has taken the first byte (so neither start-up counts) until the
// reader has the last: for the server, its report of the stray text that
// ends the stream.
//
//   server_stream_bench [megabytes 200] [triangles 10000000] [pairs 5] [server]
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench/paired.h"
#include "bench/vector_stream.h"
#include "tests/support/own_x_server.h"
#include "tests/support/protocol.h"
#include "tests/support/runner.h"

extern char** environ;

namespace {

const char* const END_TEXT = "end of stream";
const char* const END_REPORT = "unrecognized command text";

double now_ns() {
  return double(std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count());
}

// One facet tree: a strip zig-zagging along x, all normals up.
std::string facet_stream(long triangles) {
  long n = triangles + 2;
  std::string s = tek::command("SO") + tek::int_param(1) + tek::command("UT") + tek::int_param(n);
  long last[2] = {0, 0};
  for (long i = 0; i < n; ++i) {
    long p[2] = {(i / 2) * 10, (i % 2) * 10};
    s += tek::int_param(p[0] - last[0]) + tek::int_param(p[1] - last[1]) + tek::int_param(0);
    last[0] = p[0], last[1] = p[1];
  }
  s += tek::int_param(n) + tek::int_param(0) + tek::int_param(0) + tek::int_param(1);
  s += std::string(size_t(n - 1) * 3, '0');
  s += tek::int_param(0) + tek::int_param(n + 2) + tek::int_param(1) + tek::int_param(n);
  for (long i = 0; i < n; ++i) s += tek::int_param(i);
  return s + tek::command("SC");
}

pid_t spawn(const std::vector<std::string>& words, int in, int out, int err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, 0);
  if (out >= 0) posix_spawn_file_actions_adddup2(&actions, out, 1);
  if (err >= 0) posix_spawn_file_actions_adddup2(&actions, err, 2);
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Processor seconds (user and system) that process `pid` has used; negative
// when they cannot be read.
double cpu_seconds(pid_t pid) {
  char path[64];
  snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
  FILE* f = fopen(path, "r");
  if (f == nullptr) return -1;
  char text[1024];
  size_t n = fread(text, 1, sizeof text - 1, f);
  fclose(f);
  text[n] = 0;
  const char* p = strrchr(text, ')');  // the name may hold spaces
  unsigned long utime = 0, stime = 0;
  if (p == nullptr || sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
    return -1;
  return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Reads `fd` until `until` has appeared after the writer's start line;
// returns the start time in ns (negative on failure) and the moment `until`
// was seen in `*end`. An empty `until` reads to end of file. `on_start`
// runs when the start line has come.
double read_start(int fd, const char* until, double* end, std::string* seen,
                  const std::function<void()>& on_start = {}) {
  double start = -1;
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    double t = now_ns();
    if (n <= 0) {
      *end = t;
      return until[0] == 0 ? start : -1;
    }
    seen->append(buffer, size_t(n));
    size_t at = seen->find("start ");
    if (start < 0 && at != std::string::npos && seen->find('\n', at) != std::string::npos) {
      start = atof(seen->c_str() + at + 6);
      if (on_start) on_start();
    }
    if (until[0] != 0 && start >= 0 && seen->find(until, at) != std::string::npos) {
      *end = t;
      return start;
    }
  }
}

struct Setup {
  std::string server, writer, stream_file, fixture;
};

// The server's processor seconds over the stream, one entry per run.
std::vector<double> server_cpu;

// Seconds from the server's first byte to its report of the last.
double server_seconds(const Setup& s) {
  int err[2];
  if (pipe2(err, O_CLOEXEC) != 0) return -1;
  pid_t qob = spawn({s.server, "-e", "", "-m", "", "-u", s.fixture}, -1, -1, err[1]);
  close(err[1]);
  if (qob < 0) {
    close(err[0]);
    return -1;
  }
  double end = 0;
  std::string seen;
  double cpu_at_start = -1;
  double start = read_start(err[0], END_REPORT, &end, &seen, [&] { cpu_at_start = cpu_seconds(qob); });
  double cpu_at_end = cpu_seconds(qob);
  if (start >= 0 && cpu_at_start >= 0 && cpu_at_end >= 0) server_cpu.push_back(cpu_at_end - cpu_at_start);
  kill(qob, SIGKILL);
  waitpid(qob, nullptr, 0);
  close(err[0]);
  if (start < 0) fprintf(stderr, "server run failed:\n%s\n", seen.substr(0, 2000).c_str());
  return start < 0 ? -1 : (end - start) * 1e-9;
}

// Seconds from cat's first byte until cat has read the last and ended.
double pipe_seconds(const Setup& s) {
  int data[2], err[2];
  if (pipe2(data, O_CLOEXEC) != 0) return -1;
  if (pipe2(err, O_CLOEXEC) != 0) return -1;
  fcntl(data[1], F_SETPIPE_SZ, 65536);  // as the server's pipes
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  pid_t cat = spawn({"cat"}, data[0], null, -1);
  pid_t writer = spawn({s.writer, s.stream_file}, -1, data[1], err[1]);
  close(data[0]), close(data[1]), close(err[1]), close(null);
  double end = 0;
  std::string seen;
  double start = read_start(err[0], "", &end, &seen);
  close(err[0]);
  int status = 0;
  if (writer > 0) waitpid(writer, &status, 0);
  if (cat > 0) waitpid(cat, nullptr, 0);
  end = now_ns();
  if (start < 0 || cat < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return (end - start) * 1e-9;
}

void bench(const char* name, const std::string& stream, const TempDir& dir, const std::string& server,
           const std::string& writer, int pairs) {
  Setup s{server, writer, dir.file("stream.tek"), dir.file("app.b")};
  write_file(s.stream_file, stream + END_TEXT);
  if (!program_starting(writer + " " + s.stream_file).write(s.fixture)) {
    fprintf(stderr, "cannot write the fixture\n");
    exit(1);
  }
  double mb = double(stream.size()) / (1 << 20);
  server_cpu.clear();
  paired::Result r = paired::measure(pairs, [&] { return server_seconds(s); }, [&] { return pipe_seconds(s); });
  paired::report(name, r, "writer | cat > /dev/null", 1.5);
  printf("  %.0f MB: server %.1f MB/s, pipe %.1f MB/s; server processor time %.2f s (median)\n", mb,
         r.subject > 0 ? mb / r.subject : 0.0, r.anchor > 0 ? mb / r.anchor : 0.0, paired::median(server_cpu));
}

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? size_t(atol(argv[1])) : 200;
  long triangles = argc > 2 ? atol(argv[2]) : 10000000;
  int pairs = argc > 3 ? atoi(argv[3]) : 5;
  std::string server = argc > 4 ? argv[4] : QOB_PROGRAM;  // another build of the server to compare
  std::string writer = std::string(argv[0]);
  writer = writer.substr(0, writer.rfind('/') + 1) + "stream_writer";
  TempDir dir;
  if (megabytes > 0)
    bench("server, vector runs", vector_stream_bench::vector_stream(megabytes << 20), dir, server, writer, pairs);
  if (triangles > 0) bench("server, UT facet tree", facet_stream(triangles), dir, server, writer, pairs);
  return 0;
}
