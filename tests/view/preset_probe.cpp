// Runs the graphics window's preset on $DISPLAY as start-up does, then the
// clean-up; exits 0 when both return.
#include <cstdio>

#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/views.h"

int main() {
  std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
  decode_tables(bytes.data(), bytes.size());
  put_predef(111, 1);
  preset_window();
  printf("offscreen %d\n", get_predef(106));
  cleanup_vl();
  cleanup_window();
  return 0;
}
