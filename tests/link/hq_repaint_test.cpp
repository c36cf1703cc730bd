// The real server with a depth request pending when identifier 1 is shown:
// showing it clears the repaint request but not the depth request, and no
// high-quality repaint may start until a normal repaint has served it.
#include <gtest/gtest.h>

#include <fstream>

#include "tests/link/link_fixture.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/dump_files.h"
#include "tests/support/runner.h"

namespace {

using namespace scene_stream;
using yarl::GLOBAL;
using yarl::make_ident;
namespace op = link_test::op;

constexpr uint8_t ORIGIN_X = 89, VISIBLE = 84, SET_WIN_ATTR = 196, SET_DISPLAY_MODE = 178, ADD_INTEGER = 210,
                  EQ = 216, WHEN_CHANGED = 143;
constexpr uint16_t TIMER_PERIOD = 40, TIMER_COUNT = 50;

// A triangle (an entity for every drawing pass to test the abort on) and
// crosses, whose adding asks for a new depth range.
std::string scene() {
  std::vector<Triple> points = {{-1000000, 0, -1000000}, {1000000, 0, -1000000}, {0, 0, 1000000}};
  std::string crosses = cmd("MM") + i(2) + cmd("MS") + i(24) + cmd("UD") + i(2) +
                        deltas({{-500000, 0, 0}, {500000, 0, 0}});
  return cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + so(1) +
         uc(points, {{255, 0, 0}}, {0, 0, 0}, ONE_STRIP) + sc() + so(2) + crosses + sc();
}

// The graphics window starts hidden, placed beyond the screen's right edge,
// in the accumulation mode (so a high-quality repaint follows a normal one).
// The application sends the scene at once: a repaint with depth is asked
// while nothing can be drawn. Timer 0 then steps the program every 500 ms:
// step 2 shows identifier 1 (mapped off the screen, no exposure comes),
// step 4 moves it onto the screen (exposed: a normal repaint), step 14 ends.
TEST(HighQualityRepaint, WaitsForTheDepthRequestPendingWhenTheGraphicsWindowIsShown) {
  TempDir dir;
  {
    std::ofstream f(dir.file("scene.tek"), std::ios::binary);
    f << scene();
  }
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  p.ident(GLOBAL, 1).flags1 = 0;
  uint16_t pid = p.add(GLOBAL, make_ident(K_INTEGER), "pid");
  uint16_t step = p.add(GLOBAL, make_ident(K_INTEGER), "step");
  yarl::Code& c = p.code();
  yarl::Label main = c.label(), after = c.label(), not_shown = c.label(), not_moved = c.label(),
              not_ended = c.label();
  c.bind(main);
  c.op(WHEN_CHANGED).ref(GLOBAL, TIMER_COUNT).target(after);
  c.push_var(GLOBAL, step).push(1).op(ADD_INTEGER).assign(GLOBAL, step);
  c.push_var(GLOBAL, step).push(2).op(EQ).u8(K_INTEGER).if_false(not_shown);
  c.push_string("shown\n").op(op::DISPLAY_STDERR).u8(K_STRING);
  c.push(1).op(SET_WIN_ATTR).ref(GLOBAL, 1).u8(VISIBLE);
  c.bind(not_shown);
  c.push_var(GLOBAL, step).push(4).op(EQ).u8(K_INTEGER).if_false(not_moved);
  c.push_string("moved\n").op(op::DISPLAY_STDERR).u8(K_STRING);
  c.push(0).op(SET_WIN_ATTR).ref(GLOBAL, 1).u8(ORIGIN_X);
  c.bind(not_moved);
  c.push_var(GLOBAL, step).push(14).op(EQ).u8(K_INTEGER).if_false(not_ended);
  c.exit_program(0);
  c.bind(not_ended).release();
  c.bind(after).release();
  yarl::Code& init = p.initial_code();
  init.push(2).push(0).push(0).push(0).op(SET_DISPLAY_MODE);
  init.push(3000).op(SET_WIN_ATTR).ref(GLOBAL, 1).u8(ORIGIN_X);
  init.push_string(COPY_APP " " + dir.file("scene.tek")).push(0).op(op::START_PROCESS).assign(GLOBAL, pid);
  init.push(500).assign(GLOBAL, TIMER_PERIOD);
  init.jump(main);
  ASSERT_TRUE(p.write(dir.file("app.b")));

  RunOptions options;
  options.args = {"-e", "", "-m", "", "-r", "-u", dir.file("app.b")};
  options.timeout_seconds = 40;
  options.own_display = true;
  RunResult r = run_program(options);
  remove_dump_named_in(r.err);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err.find("internal error"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("for unknown window"), std::string::npos) << "the window the display mode replaced\n" << r.err;
  size_t shown = r.err.find("shown\n"), moved = r.err.find("moved\n");
  ASSERT_NE(shown, std::string::npos) << r.err;
  ASSERT_NE(moved, std::string::npos) << r.err;
  size_t first_repaint = r.err.find("Repaint time");
  EXPECT_TRUE(shown < moved && moved < first_repaint)
      << "nothing is drawn while the window is hidden or off the screen\n"
      << r.err;
  size_t normal = r.err.find("Repaint time (normal)", moved);
  ASSERT_NE(normal, std::string::npos) << "the exposure on the screen repaints\n" << r.err;
  EXPECT_NE(r.err.find("Repaint time (HQ)", normal), std::string::npos)
      << "the normal repaint served the depth request, so the high-quality one follows\n"
      << r.err;
}

}  // namespace
