// One MotionNotify over an array item of N POINTs (the search of every access
// point) against N model_to_tek calls, and one update pass over that item
// against its attribute code alone; both alternate, medians of 7 pairs, each
// sample 20 runs.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/paired.h"
#include "link/gui3d_events.h"
#include "runtime/gui3d_items.h"
#include "runtime/interpreter.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"
#include "tests/support/yarl_writer.h"
#include "view/gui3d.h"
#include "view/transforms.h"
#include "view/views.h"

using namespace yarl;

namespace {

constexpr int PAIRS = 7;
constexpr uint8_t MARK = 51, PUSH_ARRAY = 57, PUSH_LEN = 108;

struct Loaded {
  uint16_t window;
  uint32_t code_offset;
};

Loaded load_program() {
  YarlProgram p = YarlProgram::standard();
  Loaded l{};
  l.window = add_window_with_locals(p, "w", {{K_ARRAY + K_REAL, "ax"}, {K_ARRAY + K_REAL, "ay"}, {K_ARRAY + K_REAL, "az"}});
  Item3D item;
  item.window = l.window;
  item.value_kind = K_ARRAY + K_REAL;
  item.code_offset = l.code_offset = p.code().offset();
  for (uint16_t j = 0; j < 3; ++j) {
    item.edit_vars.push_back(ref16(WINDOW_LOCAL, j));
    p.code().op(MARK).op(PUSH_ARRAY).ref(WINDOW_LOCAL, j).op(PUSH_LEN);
  }
  p.code().release();
  add_gui3d_item(p, item);
  std::vector<uint8_t> image = p.bytes();
  decode_tables(image.data(), image.size());
  preset_user_interface("", false, false, nullptr, nullptr, nullptr);
  return l;
}

void run(const Loaded& l, uint32_t n) {
  ident_info* window = &globals()[l.window];
  for (uint16_t j = 0; j < 3; ++j) {
    ident_info* a = &record_of(window)->locals[j];
    reset_array_size(window, a, n);
    // Points over the viewport, none under the pointer's corner.
    for (uint32_t i = 0; i < n; ++i) a->val.a[i].r = j == 1 ? 0 : float(i % 3000) - 1000 + (j == 0 ? 0 : 200);
  }
  update_gui3d_objects();
  XEvent motion{};
  motion.type = MotionNotify;
  motion.xmotion.x = 1, motion.xmotion.y = 1;
  constexpr int REPEATS = 20;
  paired::Result r = paired::measure(
      PAIRS,
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        for (int k = 0; k < REPEATS; ++k) handle_gui3d_event(&motion);
        return paired::seconds_since(t0);
      },
      [&] {
        GUI3D::set_view();
        volatile uint32_t sink = 0;
        auto t0 = std::chrono::steady_clock::now();
        for (int k = 0; k < REPEATS; ++k) {
          GUI3DTableIterator it;
          while (GUI3D* g = it.next()) {
            TekPoint t;
            model_to_tek(&GUI3D::view_, g->get_symbol_reference(), t);
            sink = sink + t.x;
          }
        }
        return paired::seconds_since(t0);
      });
  char name[80];
  snprintf(name, sizeof name, "MotionNotify over %u POINTs", n);
  paired::report(name, r, "as many model_to_tek", 2.0);
  r = paired::measure(
      PAIRS,
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        for (int k = 0; k < REPEATS; ++k) update_gui3d_objects();
        return paired::seconds_since(t0);
      },
      [&] {
        auto t0 = std::chrono::steady_clock::now();
        for (int k = 0; k < REPEATS; ++k) {
          interpret_code(window, statement_code(l.code_offset), false);
          sp = sb - 1;
        }
        return paired::seconds_since(t0);
      });
  snprintf(name, sizeof name, "update pass over %u POINTs", n);
  paired::report(name, r, "its attribute code alone", 2.0);
}

}  // namespace

int main() {
  Loaded l = load_program();
  put_predef(111, 1);
  init_views();
  change_vl_system_viewport(0, 1280, 0, 1024);
  set_view_being_drawn(1);
  compute_view_vectors(get_view_record(1));
  printf("Manipulators, medians of %d pairs\n", PAIRS);
  run(l, 1000);
  run(l, 10000);
  cleanup_user_interface();
  return 0;
}
