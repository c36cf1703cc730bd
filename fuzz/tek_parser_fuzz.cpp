// Fuzz target of the application command stream: any bytes must be parsed
// and stored, or end in a fatal application error, never in a fault. Nothing
// is drawn, but the view commands need the GL context of the graphics window,
// made once at start (run under an X server).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/checked_mm.h"
#include "fuzz/escape.h"
#include "link/tek_parser.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/display_options.h"
#include "scene/materials.h"
#include "scene/segment_store.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/views.h"

namespace {

// The host input of one run: served in pieces, as a pipe may deliver it.
const uint8_t* input;
size_t input_left;
size_t piece;
bool end_reported;

// Like the host input at a process's end: one null (the parser abandons the
// command), then the run is over.
unsigned char* refill(buf_ptrs* b) {
  if (input_left == 0) {
    if (end_reported) std::longjmp(*escape_point, 2);
    end_reported = true;
    b->start[0] = 0;
    b->end = b->start;
    return nullptr;
  }
  size_t n = input_left < piece ? input_left : piece;
  memcpy(b->start, input, n);
  input += n;
  input_left -= n;
  b->start[n] = 0;
  b->end = b->start + n;
  return b->start;
}

void start_run() {
  put_predef(111, 1);
  init_views();
  init_segment_structure();
  init_material_list();
  get_display_options()->reset();
  preset_tek_parser();
  set_tek_input_source(refill);
}

// Also after a halt in the middle of a command: the clean-ups free what the
// store holds whatever state the command left.
void end_run() {
  cleanup_tek_parser();
  set_tek_input_source(nullptr);
  cleanup_material_list();
  cleanup_ldf();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (getenv("DISPLAY") == nullptr) {
    fputs("tek_parser_fuzz: needs an X server (DISPLAY), e.g. under xvfb-run\n", stderr);
    abort();
  }
  InitMallocBalance();
  std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
  decode_tables(bytes.data(), bytes.size());
  put_predef(111, 1);
  preset_window();
  // An empty run first: its clean-ups free what the window's preset left in
  // the store, so that every later run starts from the same balance.
  start_run();
  end_run();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  input = data;
  input_left = size;
  // An odd length comes in reads of up to 8192 bytes, an even one in small
  // reads that split commands and parameters.
  piece = size % 2 != 0 ? 8192 : 1 + size / 2 % 64;
  end_reported = false;
  int32_t balance = GetMallocBalance();
  start_run();
  std::jmp_buf here;
  int how = setjmp(here);
  if (how == 0) {
    escape_point = &here;
    process_tektronix_commands();
  }
  escape_point = nullptr;
  end_run();
  // A run to the end of its input leaves no checked block behind; a halt may.
  if (how == 2 && GetMallocBalance() != balance) {
    fprintf(stderr, "tek_parser_fuzz: %d checked blocks left after the run\n", GetMallocBalance() - balance);
    abort();
  }
  return 0;
}
