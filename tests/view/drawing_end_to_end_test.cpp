// The drawing end to end: the real server, on an X server of the test's own,
// runs a YARL program that sets a light and a clip plane and starts an
// application, whose command stream through the pipe sets up three views and
// a lit shell; the screen's pixels are read back.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cmath>
#include <functional>

#include "tests/scene/scene_stream.h"
#include "tests/support/feed_app.h"
#include "tests/support/own_x_server.h"

namespace {

using namespace scene_stream;
using namespace std::chrono_literals;

constexpr uint8_t SET_LIGHT = 103, GL_SET_CLIPPLANE = 173;
constexpr int32_t LIGHT0 = 0x4000, CLIP_PLANE0 = 0x3000;

yarl::Code& reals(yarl::Code& c, std::initializer_list<float> values) {
  for (float f : values) c.push_long(std::bit_cast<uint32_t>(f));
  return c;
}

// Light 0 on with a white diffuse colour; its initial position is the
// direction +z, toward every camera.
void white_light(yarl::Code& c) {
  c.push(LIGHT0).push(1).op(SET_LIGHT).u16(uint16_t(-1));
  reals(c.push(LIGHT0), {1, 1, 1, 1}).op(SET_LIGHT).u16(4609);
}

// The light, and clip plane 0 through x = 0.5 keeping x > 0.5.
void light_and_plane(yarl::Code& c) {
  white_light(c);
  reals(c.push(CLIP_PLANE0).push(1), {0.5f, 0, 0}).push(3);
  reals(c, {1, 0, 0}).push(3).op(GL_SET_CLIPPLANE).u8(1);
}

// A view: its corners in tek units and a parallel camera looking from +z at
// `ref` with `up` in the xy plane, showing `window` model units across.
struct View {
  int number;
  long x1, y1, x2, y2;
  double ref_x, ref_y;
  double up_x, up_y;
  double window;
  // Screen pixel (x, row from the top) of a model point in the plane z = 0.
  void place(double mx, double my, double* x, double* row) const {
    double pixels_per_unit = (x2 - x1) * 0.3125 / window;
    double dx = mx - ref_x, dy = my - ref_y;
    // Looking along -z: right = forward × up = (up_y, -up_x).
    double right = dx * up_y - dy * up_x, up = dx * up_x + dy * up_y;
    *x = (x1 + x2) / 2.0 * 0.3125 + right * pixels_per_unit;
    *row = 1024 - (y1 + y2) / 2.0 * 0.3125 - up * pixels_per_unit;
  }
};

long milli(double v) { return std::lround(v * 1000); }

// RC, RV and UV of a view; the vectors of UV are sums of the ones sent.
std::string set_view(const View& v) {
  std::string s = cmd("RC") + i(v.number) + tek::set_coor_mode(1, 6) + cmd("RV") + ints({v.x1, v.y1, v.x2, v.y2});
  long rx = milli(v.ref_x), ry = milli(v.ref_y), ux = milli(v.up_x), uy = milli(v.up_y);
  s += tek::set_coor_mode(2, 6) + cmd("UV") + i(3) + ints({rx, ry, 0, -rx, -ry, -1, ux, uy, 1});
  s += i(2) + ints({milli(v.window), milli(v.window)}) + tek::point(2, {0, 0, -1000}) + i(1) + i(0);
  return s;
}

// View 1, the current one, at the bottom left shows 4 units around the
// origin; view 2 at the bottom right 8 units around (0.5, 0.5), turned so
// that +x is up; view 3 at the top left 4 units around (0.5, 0).
const View VIEW1 = {1, 0, 0, 2047, 2047, 0, 0, 0, 1, 4};
const View VIEW2 = {2, 2048, 0, 4095, 2047, 0.5, 0.5, 1, 0, 8};
const View VIEW3 = {3, 0, 2100, 1176, 3276, 0.5, 0, 0, 1, 4};
const std::vector<const View*> ALL_VIEWS = {&VIEW1, &VIEW2, &VIEW3};

const Rgb BLUE = {0, 0, 255}, BLACK = {0, 0, 0};
const float DIFFUSE[3] = {0.8f, 0.2f, 0.1f};
// Light 0 shines along the normals: the diffuse term is the material's
// colour, and the only one (no ambient light, no specular or emission).
const Rgb LIT = {int(std::lround(255 * DIFFUSE[0])), int(std::lround(255 * DIFFUSE[1])),
                 int(std::lround(255 * DIFFUSE[2]))};

// Material 1: the diffuse colour; no ambient, specular or emission.
std::string material() {
  std::string s = cmd("CM") + i(1) + ints({0, 0, 0, 0, 0, 1, 0}) + ints({1, 2, 1});
  s += r(0) + r(0) + r(0) + r(1) + r(DIFFUSE[0]) + r(DIFFUSE[1]) + r(DIFFUSE[2]) + r(1) + r(10);
  s += r(0) + r(0) + r(0) + r(1) + r(0) + r(0) + r(0) + r(1);  // specular, emission
  s += r(0) + r(0) + r(0) + r(0) + r(1);
  for (int k = 0; k < 4; ++k) s += tek::string_param("");
  return s;
}

// Segment n: a square in z = 0 from (x0, y0) to (x1, y1) in material 1,
// normals toward +z.
std::string square(long n, double x0, double y0, double x1, double y1) {
  std::vector<Triple> points = {{milli(x0), milli(y0), 0}, {milli(x1), milli(y0), 0},
                                {milli(x0), milli(y1), 0}, {milli(x1), milli(y1), 0}};
  std::vector<Triple> normals(4, Triple{0, 0, 1000});
  return so(n) + cmd("TO") + i(1) + ut(points, normals, {}, {1, 4, 0, 2, 1, 3}) + sc();
}

// The shell of the tests: x from 0.25 to 0.75, y from -0.25 to 0.25.
constexpr double X0 = 0.25, X1 = 0.75, Y0 = -0.25, Y1 = 0.25;

// Blue background, the views (view 1 current), the material and the shell's segments.
std::string scene(const std::string& segments) {
  return cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + set_view(VIEW2) +
         set_view(VIEW3) + set_view(VIEW1) + material() + segments + cmd("SU");
}

struct Sample {
  std::string what;
  int x, row;
  Rgb expected;
};

// Samples at fractions (u, v) of the shell's extent, in the given views.
void add_samples(std::vector<Sample>* samples, const std::string& what, double u, double v, Rgb expected,
                 const std::vector<const View*>& views = ALL_VIEWS) {
  for (const View* view : views) {
    double x, row;
    view->place(X0 + u * (X1 - X0), Y0 + v * (Y1 - Y0), &x, &row);
    samples->push_back({what + " in view " + std::to_string(view->number), int(std::lround(x)),
                        int(std::lround(row)), expected});
  }
}

bool near(const Rgb& a, const Rgb& b) {
  return std::abs(a.r - b.r) <= 3 && std::abs(a.g - b.g) <= 3 && std::abs(a.b - b.b) <= 3;
}

// The samples that differ, one a line, with the graphics window's client
// area at (x0, row0) of the screen; empty when the picture is right.
std::string mismatches(const Screenshot& s, int x0, int row0, const std::vector<Sample>& samples) {
  std::string out;
  for (const Sample& p : samples) {
    int x = x0 + p.x, row = row0 + p.row;
    std::string where = p.what + " at " + std::to_string(x) + ", " + std::to_string(row);
    if (x < 0 || x >= s.width() || row < 0 || row >= s.height()) {
      out += where + ": off the screen\n";
      continue;
    }
    Rgb c = s.at(x, row);
    if (!near(c, p.expected)) out += where + ": " + to_string(c) + ", expected " + to_string(p.expected) + "\n";
  }
  return out;
}

// One server run: the YARL program starts feed_app, which sends the stream files.
class EndToEnd : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(run_.x_started()) << "Xvfb did not start"; }
  // Starts the server with feed_app's words (files of the test's folder);
  // `yarl_code` adds to the program's initial code.
  void start(std::initializer_list<std::string> app_words, const std::function<void(yarl::Code&)>& yarl_code) {
    std::string command = feed_command({});
    for (const std::string& w : app_words) command += " " + (w[0] == '-' ? w : dir_.file(w));
    yarl::YarlProgram p = program_starting(command);
    if (yarl_code) yarl_code(p.initial_code());
    ASSERT_TRUE(p.write(dir_.file("app.b")));
    ASSERT_TRUE(run_.start(dir_.file("app.b"), dir_));
  }
  // Polls until the samples show, for at most 20 s (a loaded machine);
  // returns the mismatches of the last screenshot.
  std::string wait_for(const std::vector<Sample>& samples) {
    std::string last = "no screenshot\n";
    poll_screen(run_.display(), 20s, [&](const Screenshot& s) {
      int x0, row0;
      last = run_.graphics_origin(&x0, &row0) ? mismatches(s, x0, row0, samples) : "no graphics window\n";
      return last.empty();
    });
    return last;
  }
  // Stops the X server; the server ends with it, without a message about
  // the stream or the YARL program.
  void TearDown() override {
    const RunResult& result = run_.finish();
    EXPECT_FALSE(result.timed_out) << "the server ends with its display";
    for (const char* fault : {"rror", "not supported"})
      EXPECT_EQ(result.err.find(fault), std::string::npos) << result.err;
  }
  TempDir dir_;
  ServerOnOwnDisplay run_;
};

struct LightCase {
  const char* name;
  void (*yarl_code)(yarl::Code&);
  Rgb inside;
};

void PrintTo(const LightCase& c, std::ostream* os) { *os << c.name; }

class LitShell : public EndToEnd, public testing::WithParamInterface<LightCase> {};

TEST_P(LitShell, HasItsComputedColourWhereEachViewsCameraPutsIt) {
  write_file(dir_.file("scene.bin"), scene(square(1, X0, Y0, X1, Y1)));
  std::vector<Sample> samples;
  add_samples(&samples, "centre", 0.5, 0.5, GetParam().inside);
  add_samples(&samples, "near a corner", 0.1, 0.9, GetParam().inside);
  add_samples(&samples, "left of the shell", -0.5, 0.5, BLUE);
  add_samples(&samples, "right of the shell", 1.5, 0.5, BLUE);
  add_samples(&samples, "above the shell", 0.5, 1.5, BLUE);
  add_samples(&samples, "below the shell", 0.5, -0.5, BLUE);
  ASSERT_NO_FATAL_FAILURE(start({"scene.bin"}, GetParam().yarl_code));
  EXPECT_EQ(wait_for(samples), "");
}

INSTANTIATE_TEST_SUITE_P(Light, LitShell,
                         testing::Values(LightCase{"on", white_light, LIT}, LightCase{"off", nullptr, BLACK}),
                         [](const testing::TestParamInfo<LightCase>& info) { return info.param.name; });

TEST_F(EndToEnd, ClipPlaneRemovesTheHalfBeyondItInTheCurrentViewOnly) {
  write_file(dir_.file("scene.bin"), scene(square(1, X0, Y0, X1, Y1)));
  // A second segment, sent once the first picture is right, asks for a
  // second repaint: the planes' equations are loaded by then.
  write_file(dir_.file("more.bin"), square(2, 1.2, -1.6, 1.6, -1.2));
  std::vector<Sample> samples;
  add_samples(&samples, "kept half", 0.75, 0.5, LIT);
  add_samples(&samples, "kept corner", 0.9, 0.1, LIT);
  add_samples(&samples, "removed half", 0.25, 0.5, BLUE, {&VIEW1});
  add_samples(&samples, "removed corner", 0.1, 0.9, BLUE, {&VIEW1});
  // The other views are drawn without the planes, whichever comes first.
  add_samples(&samples, "uncut half", 0.25, 0.5, LIT, {&VIEW2, &VIEW3});
  add_samples(&samples, "uncut corner", 0.1, 0.9, LIT, {&VIEW2, &VIEW3});
  ASSERT_NO_FATAL_FAILURE(start({"scene.bin", "-w", "go", "more.bin"}, light_and_plane));
  ASSERT_EQ(wait_for(samples), "");
  write_file(dir_.file("go"), "");
  add_samples(&samples, "second segment", 2.3, -2.3, LIT, {&VIEW1});  // model (1.4, -1.4)
  EXPECT_EQ(wait_for(samples), "");
}

TEST_F(EndToEnd, SegmentMadeInvisibleByTheApplicationDisappears) {
  // Segment 1 the left half of the shell, segment 2 the right half; once the
  // test has seen both, the application hides segment 1.
  write_file(dir_.file("scene.bin"), scene(square(1, X0, Y0, 0.5, Y1) + square(2, 0.5, Y0, X1, Y1)));
  write_file(dir_.file("hide.bin"), cmd("SV") + i(1) + i(0));
  std::vector<Sample> both, right_only;
  add_samples(&both, "segment 1", 0.25, 0.5, LIT);
  add_samples(&both, "segment 2", 0.75, 0.5, LIT);
  add_samples(&right_only, "hidden segment 1", 0.25, 0.5, BLUE);
  add_samples(&right_only, "segment 2", 0.75, 0.5, LIT);
  ASSERT_NO_FATAL_FAILURE(start({"scene.bin", "-w", "go", "hide.bin"}, white_light));
  ASSERT_EQ(wait_for(both), "");
  write_file(dir_.file("go"), "");
  EXPECT_EQ(wait_for(right_only), "");
}

}  // namespace
