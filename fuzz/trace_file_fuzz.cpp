// Fuzz target of event trace files: any bytes are read as a trace file, line
// after line, into events of two toolkit windows, and must end in events,
// reported damage or the end of the file, never in a fault or a hang. The
// windows are toolkit windows, so the target runs under an X server.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/trace_file.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

namespace {

int input_fd = -1;
std::string path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (getenv("DISPLAY") == nullptr) {
    fputs("trace_file_fuzz: needs an X server (DISPLAY), e.g. under xvfb-run\n", stderr);
    abort();
  }
  new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  (new UIWindow(true, false, 700, "Panel", false))->create();
  (new UIWindow(true, false, 701, "main", false))->create();
  input_fd = memfd_create("trace", 0);
  path = "/proc/self/fd/" + std::to_string(input_fd);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (ftruncate(input_fd, 0) != 0 || pwrite(input_fd, data, size, 0) != ssize_t(size)) abort();
  TraceFile in(path.c_str(), "r");
  XEvent event;
  bool wanted = false;
  for (int lines = 0; lines < 10000; ++lines) {
    int got = in.read_event(&event, &wanted);
    if (got == TRACE_END || got == TRACE_BAD_LINE) break;  // the replay halts at damage
  }
  return 0;
}
