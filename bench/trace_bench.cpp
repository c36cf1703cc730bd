// A trace of 10,000 pointer-motion events (or the argument's number) replayed
// as fast as the windows allow, one replay step per pass with the window
// events served between, against dispatching the same events directly, in
// pairs in the same run. Runs under an X server (the events reach a shown
// window).
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/checked_mm.h"
#include "bench/paired.h"
#include "bench/shown_window.h"
#include "link/gin.h"
#include "link/process_input_trace.h"
#include "link/trace_file.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

int main(int argc, char** argv) {
  const int count = argc > 1 ? atoi(argv[1]) : 10000;
  if (getenv("DISPLAY") == nullptr) {
    fputs("trace_bench: needs an X server (DISPLAY)\n", stderr);
    return 1;
  }
  show_main_window();

  char path[] = "/tmp/trace_bench_XXXXXX";
  int fd = mkstemp(path);
  std::string text = TRACE_HEADER;
  for (int i = 0; i < count; ++i) {
    char line[128];
    snprintf(line, sizeof line, "main MotionNotify 0 %x 0 RootUI 0 %x %x 5 0 0 0 0 1\n", i, i, 1 + i % 50);
    text += line;
  }
  if (fd < 0 || write(fd, text.data(), text.size()) != ssize_t(text.size())) return 1;
  close(fd);

  // The same events, read once, for the direct dispatch.
  std::vector<XEvent> events;
  {
    TraceFile in(path, "r");
    XEvent e;
    bool wanted;
    while (in.read_event(&e, &wanted) == TRACE_EVENT) events.push_back(e);
  }
  auto subject = [&] {
    auto t0 = std::chrono::steady_clock::now();
    preset_input_trace(path);
    while (UIWindow::get_window("TraceControl") != 0) {
      process_events();
      process_input_trace(true);
    }
    return paired::seconds_since(t0);
  };
  auto anchor = [&] {
    auto t0 = std::chrono::steady_clock::now();
    bool wanted = false;
    for (XEvent e : events) {
      process_events();
      process_one_event(&e, false, false, &wanted);
    }
    return paired::seconds_since(t0);
  };
  paired::Result r = paired::measure(5, subject, anchor);
  char name[64];
  snprintf(name, sizeof name, "trace: %d events replayed fast", count);
  paired::report(name, r, "direct dispatch");
  printf("rate against direct: %.2f (goal >= 0.2)\n", r.ratio > 0 ? 1.0 / r.ratio : 0.0);
  unlink(path);
  cleanup_input_trace();
  return 0;
}
