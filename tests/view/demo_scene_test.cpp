// The demo end to end: the real server runs the demo program on an X server
// of the test's own; the program starts the demo application, whose scene
// appears lit and shaded, turns with the camera, and raises no application error.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/own_x_server.h"

namespace {

using namespace std::chrono_literals;

const Rgb BACKGROUND = {34, 40, 58};  // entry 0 of the demo's colour map

bool near(const Rgb& a, const Rgb& b) {
  return std::abs(a.r - b.r) <= 3 && std::abs(a.g - b.g) <= 3 && std::abs(a.b - b.b) <= 3;
}

// Every fourth pixel of the screen's middle, away from the dialog at the top left.
std::vector<Rgb> middle(const Screenshot& s) {
  std::vector<Rgb> out;
  for (int row = 200; row < 900; row += 4)
    for (int x = 240; x < 1040; x += 4) out.push_back(s.at(x, row));
  return out;
}

// What a picture of the scene shows: how much differs from the background,
// and in how many shades the red torus is lit.
struct Picture {
  double drawn = 0;
  size_t red_shades = 0;
};

Picture look_at(const std::vector<Rgb>& pixels) {
  size_t drawn = 0;
  std::set<int> reds;
  for (const Rgb& c : pixels) {
    if (!near(c, BACKGROUND)) ++drawn;
    if (c.r > c.g + 60 && c.r > c.b + 60) reds.insert(c.r);
  }
  return {double(drawn) / double(pixels.size()), reds.size()};
}

size_t differences(const std::vector<Rgb>& a, const std::vector<Rgb>& b) {
  size_t n = 0;
  for (size_t k = 0; k < a.size() && k < b.size(); ++k) n += !near(a[k], b[k]);
  return n;
}

// The Windows server starts the application by a Windows command line.
#ifdef _WIN32
constexpr bool windows_server = true;
#else
constexpr bool windows_server = false;
#endif

// The middle of the picture of a run, when the scene first shows and once it
// has stayed the same for a second (empty when it never rests).
struct Pictures {
  std::vector<Rgb> first, at_rest;
};

// The demo program made with -t `turns`, run.
Pictures run_with_turns(const TempDir& dir, int turns) {
  std::string program = dir.file("turns.b");
  RunOptions make;
  make.program = MAKE_DEMO;
  make.args = {"-t", std::to_string(turns), program, DEMO_APP};
  if (windows_server) make.args.insert(make.args.begin(), "-w");
  RunResult made = run_program(make);
  EXPECT_EQ(made.exit_code, 0) << made.err;
  ServerOnOwnDisplay server;
  EXPECT_TRUE(server.x_started()) << "Xvfb did not start";
  Pictures run;
  if (!server.x_started() || !server.start(program, dir)) return run;
  std::vector<Rgb> last;
  auto changed = std::chrono::steady_clock::now();
  bool rested = poll_screen(server.display(), 40s, [&](const Screenshot& s) {
    std::vector<Rgb> now = middle(s);
    Picture seen = look_at(now);
    bool scene = seen.drawn > 0.2 && seen.red_shades >= 20;
    if (scene && run.first.empty()) run.first = now;
    if (now != last || !scene) changed = std::chrono::steady_clock::now();
    last = now;
    return std::chrono::steady_clock::now() - changed > 1s;
  });
  if (rested) run.at_rest = last;
  return run;
}

TEST(DemoScene, IsDrawnLitAndTurnsWithoutApplicationErrors) {
  TempDir dir;
  RunOptions make;
  make.program = MAKE_DEMO;
  make.args = {dir.file("demo.b"), DEMO_APP};
  if (windows_server) make.args.insert(make.args.begin(), "-w");
  RunResult made = run_program(make);
  ASSERT_EQ(made.exit_code, 0) << made.err;

  ServerOnOwnDisplay run;
  ASSERT_TRUE(run.x_started()) << "Xvfb did not start";
  ASSERT_TRUE(run.start(dir.file("demo.b"), dir));
  std::vector<Rgb> first;
  Rgb corner{};
  Picture seen;
  bool shown = poll_screen(run.display(), 20s, [&](const Screenshot& s) {
    first = middle(s);
    corner = s.at(s.width() - 4, 40);  // below a window frame's caption, where there is one
    seen = look_at(first);
    return seen.drawn > 0.2 && seen.red_shades >= 20;
  });
  EXPECT_TRUE(shown) << seen.drawn * 100 << "% drawn, " << seen.red_shades << " shades of red";
  EXPECT_TRUE(near(corner, BACKGROUND)) << "background " << to_string(corner);

  // The camera turns a degree every 50 ms.
  bool turned = poll_screen(run.display(), 10s, [&](const Screenshot& s) {
    return differences(first, middle(s)) > first.size() / 50;
  });
  EXPECT_TRUE(turned);

  const RunResult& result = run.finish();
  EXPECT_FALSE(result.timed_out) << "the server ends with its display";
  for (const char* fault : {"rror", "not supported", "not recognized"})
    EXPECT_EQ(result.err.find(fault), std::string::npos) << result.err;
}

// With a fixed number of camera turns (40: two seconds) the application
// stops, and every run comes to the same picture, turned from its first.
TEST(DemoScene, ComesToOnePictureAfterAFixedNumberOfTurns) {
  TempDir dir;
  Pictures one = run_with_turns(dir, 40);
  ASSERT_FALSE(one.at_rest.empty()) << "no picture at rest after 40 turns";
  EXPECT_GT(differences(one.first, one.at_rest), one.at_rest.size() / 50);
  Pictures two = run_with_turns(dir, 40);
  ASSERT_FALSE(two.at_rest.empty()) << "no picture at rest in the second run";
  EXPECT_EQ(differences(one.at_rest, two.at_rest), 0u);
}

}  // namespace
