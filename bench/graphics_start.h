// The graphics window as the server starts it, for the benchmarks that draw:
// the standard program's tables, view 1 current over a 1280 x 1024 area, and
// an empty segment store.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/segment_store.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/transforms.h"
#include "view/views.h"

inline void start_graphics_window() {
  std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
  decode_tables(bytes.data(), bytes.size());
  put_predef(111, 1);
  preset_window();
  init_views();
  change_vl_system_viewport(0, 1280, 0, 1024);
  init_segment_structure();
}
