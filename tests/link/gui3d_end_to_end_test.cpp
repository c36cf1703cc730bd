// A POINT manipulator on the real server, dragged with the real pointer on an
// X server of the test's own: xdotool goes to the pixel where the point
// projects in view 1, drags with button 1 or 2, and releases; the action
// reports x, y, z to the application and ends the server, which must end
// normally with the manipulator alive.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

#include "runtime/gui3d_table.h"
#include "runtime/tables.h"
#include "tests/support/own_x_server.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace {

using namespace std::chrono_literals;
using yarl::ref16;
using yarl::WINDOW_LOCAL;

constexpr uint8_t REPORT_ASCII = 141, EXIT = 21;
// The point's yellow cross, blended at its edges.
bool yellowish(const Rgb& c) { return c.r == c.g && c.r > 100 && c.b < 60; }

struct Area {
  int x, y, width, height;
};

// A POINT over the window locals x, y, z (all 0 at the start, the model
// origin); its action on the release reports "x y z" and ends the server.
yarl::YarlProgram point_program(const std::string& app) {
  yarl::YarlProgram p = program_starting(app);
  uint16_t window = yarl::add_window_with_locals(p, "w", {{K_REAL, "x"}, {K_REAL, "y"}, {K_REAL, "z"}});
  // Shown, so that it runs, small in the corner away from the point.
  p.ident(yarl::GLOBAL, window).flags1 |= WINDOW_VISIBLE;
  // Its initial code changes x (to 1 and back to 0), which brings the
  // manipulators' update pass.
  uint32_t init_at = p.window_initial_code().offset();
  p.window_initial_code().push_long(0x3F800000).assign(WINDOW_LOCAL, 0).push(0).assign(WINDOW_LOCAL, 0);
  yarl::add_window_geometry(p, 1100, 900, 120, 60);
  p.ident(yarl::GLOBAL, window).code_offset = init_at;
  yarl::Code& c = p.code();
  // Its main menu (the local after x, y, z) holds one label: a shown menu is never empty.
  menu_item label = yarl::make_item(ITEM_LABEL);
  label.value_kind = K_STRING;
  label.head8 = 9;
  label.code_offset = c.offset();
  c.push_string("point").release();
  ident_info& menu = p.ident(WINDOW_LOCAL, uint16_t(p.ident(yarl::GLOBAL, window).count + 3));
  menu.word6 = 1;
  menu.count = p.add_item(label);
  yarl::Item3D item;
  item.window = window;
  item.flags = ITEM3D_ACTION;
  item.code_offset = c.offset();
  for (uint16_t j = 0; j < 3; ++j) {
    item.edit_vars.push_back(ref16(WINDOW_LOCAL, j));
    c.push_var(WINDOW_LOCAL, j);
  }
  c.release();
  item.action_offset = c.offset();
  c.push(0);
  for (uint16_t j = 0; j < 3; ++j) c.push_var(WINDOW_LOCAL, j).push(K_REAL).push_string(j < 2 ? " " : "\n").push(K_STRING);
  c.op(REPORT_ASCII).push(0).op(EXIT).release();
  yarl::add_gui3d_item(p, item);
  return p;
}

// The graphics window: the largest viewable top-level window.
std::optional<Area> graphics_window(Display* d) {
  std::optional<Area> found;
  for (const TopLevel& t : viewable_top_levels(d)) {
    const XWindowAttributes& a = t.attributes;
    if (!found || a.width * a.height > found->width * found->height) found = Area{a.x, a.y, a.width, a.height};
  }
  return found;
}

// The server's conversion of a window pixel column or row to tek units.
int tek_x(int x, int width) { return x * 4095 / width; }
int tek_y(int y, int height) { return (height - y) * 3276 / height; }

bool xdotool(const std::string& display, const std::string& args) {
  return system(("DISPLAY=" + display + " xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
}

struct Drag {
  int button;
  int dx, dy;  // pixels, y down
};

struct Reported {
  float x, y, z;
};

class Gui3dEndToEnd : public testing::Test {
 protected:
  TempDir dir;
  ServerOnOwnDisplay run;
  Area area{};
  int x0 = 0, y0 = 0;  // the point's pixel in the graphics window

  // Starts the server and waits for the graphics window with the point drawn.
  void start() {
    ASSERT_TRUE(run.x_started()) << "Xvfb did not start";
    std::string app = write_app_script(dir, "exec 2>/dev/null; cat > reports");
    ASSERT_TRUE(point_program(app).write(dir.file("point.b")));
    ASSERT_TRUE(run.start(dir.file("point.b"), dir, 90));
    Display* d = run.display();
    auto end = std::chrono::steady_clock::now() + 60s;
    std::optional<Area> g;
    while (std::chrono::steady_clock::now() < end && (!(g = graphics_window(d)) || g->width < 400))
      std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(g.has_value());
    area = *g;
    // The model origin is tek (2047.5, 1638) of view 1.
    x0 = area.width / 2, y0 = area.height / 2;
    bool drawn = poll_screen(d, 30s, [&](const Screenshot& s) {
      for (int row = area.y + y0 - 20; row <= area.y + y0 + 20; ++row)
        for (int col = area.x + x0 - 20; col <= area.x + x0 + 20; ++col)
          if (yellowish(s.at(col, row))) return true;
      return false;
    });
    ASSERT_TRUE(drawn) << "the point's cross at the window's middle";
  }

  // Goes to the point, presses, moves in steps of a tenth, releases.
  void drag(const Drag& g) {
    const std::string& name = x_name();
    int sx = area.x + x0, sy = area.y + y0;
    ASSERT_TRUE(xdotool(name, "mousemove " + std::to_string(sx - 5) + " " + std::to_string(sy)));
    ASSERT_TRUE(xdotool(name, "mousemove " + std::to_string(sx) + " " + std::to_string(sy)));
    std::string steps = "mousedown " + std::to_string(g.button);
    for (int i = 1; i <= 10; ++i)
      steps += " mousemove " + std::to_string(sx + g.dx * i / 10) + " " + std::to_string(sy + g.dy * i / 10) +
               " sleep 0.05";
    steps += " mouseup " + std::to_string(g.button);
    ASSERT_TRUE(xdotool(name, steps));
  }

  std::optional<Reported> report(std::chrono::steady_clock::duration limit = 30s) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      std::string text = read_file(dir.file("reports"));
      if (text.find('\n') != std::string::npos) {
        std::istringstream in(text);
        Reported r{};
        if (in >> r.x >> r.y >> r.z) return r;
        return std::nullopt;
      }
      std::this_thread::sleep_for(50ms);
    }
    return std::nullopt;
  }

  // The server ended through the action's exit, its allocations balanced.
  void expect_normal_end() {
    const RunResult& result = run.wait();
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.err.find("balance"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
  }

  std::string x_name() {
    const char* display = DisplayString(run.display());
    return display != nullptr ? display : "";
  }
};

TEST_F(Gui3dEndToEnd, ButtonOneMovesXByTheTekMovement) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NO_FATAL_FAILURE(drag({1, 60, 0}));
  std::optional<Reported> r = report();
  ASSERT_TRUE(r.has_value()) << "a report on the release";
  float moved = float(tek_x(x0 + 60, area.width) - tek_x(x0, area.width));
  EXPECT_NEAR(r->x, moved, 2);
  EXPECT_EQ(r->y, 0);
  EXPECT_EQ(r->z, 0);
  expect_normal_end();
}

TEST_F(Gui3dEndToEnd, ButtonTwoMovesXAndZ) {
  ASSERT_NO_FATAL_FAILURE(start());
  ASSERT_NO_FATAL_FAILURE(drag({2, 60, -30}));
  std::optional<Reported> r = report();
  ASSERT_TRUE(r.has_value()) << "a report on the release";
  EXPECT_NEAR(r->x, float(tek_x(x0 + 60, area.width) - tek_x(x0, area.width)), 2);
  EXPECT_EQ(r->y, 0);
  EXPECT_NEAR(r->z, float(tek_y(y0 - 30, area.height) - tek_y(y0, area.height)), 2);
  expect_normal_end();
}

}  // namespace
