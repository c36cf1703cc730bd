// Manipulator symbols in three enabled views with cameras of their own, on
// the real server and an X server of the test's own: the application sets the
// views (RC, RV, UV), and a screenshot of the graphics window shows each
// symbol where the test projects it in each view, at that view's symbol
// sizes. With predefined 108 at 0 an arrow's head is one flat colour; with it
// on, the manipulator light shades the head.
#include "tests/support/gui3d_session.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/pixel_coverage.h"
#include "tests/support/protocol.h"
#include "view/gui3d.h"

namespace {

using namespace gui3d_session;
using namespace std::chrono_literals;
namespace px = gui3d_pixels;

// View 1 on the left two thirds, views 2 and 3 on the top and bottom of the
// right third; each looks at the model at a slant, none along a symbol's
// plane, and shows a window of its own size (so its symbol sizes differ).
const int LEFT[4] = {0, 0, 2729, 3276}, TOP_RIGHT[4] = {2730, 1638, 4095, 3276},
          BOTTOM_RIGHT[4] = {2730, 0, 4095, 1637};
const double REF1[3] = {0, 0, -150}, REF2[3] = {50, 0, -200}, REF3[3] = {0, 0, -150};
const long EYE1[3] = {300, -1000, 250}, EYE2[3] = {-400, -1000, -300}, EYE3[3] = {500, -1000, -450};
const long UP1[3] = {0, 0, 1000}, UP2[3] = {200, 0, 1000}, UP3[3] = {-150, 0, 1000};
const View VIEWS[3] = {view_of(1, LEFT, REF1, EYE1, UP1, 2500, 3000), view_of(2, TOP_RIGHT, REF2, EYE2, UP2, 2000, 2400),
                       view_of(3, BOTTOM_RIGHT, REF3, EYE3, UP3, 1750, 2100)};

// Blue background; views 2 and 3, then view 1, which stays current.
std::string three_views() {
  std::string s = tek::command("TM") + tek::int_param(1) + tek::int_param(0) + tek::int_param(0);
  s += tek::command("TG");
  for (long v : {1, 4, 0, 0, 0, 100}) s += tek::int_param(v);
  return s + set_view(VIEWS[1]) + set_view(VIEWS[2]) + set_view(VIEWS[0]) + tek::command("SU");
}

uint32_t bits(float f) { return std::bit_cast<uint32_t>(f); }

// What a screenshot should show at a model point: the symbol's colour (a line
// through it), the background, or a handle square.
enum class Shows { LINE, BACKGROUND, HANDLE };
struct Sample {
  std::string what;
  V3 at;
  Shows shows;
};

// One manipulator, its colour and its samples in a view.
struct Symbol {
  const char* name;
  ManipulatorItem item;
  px::Rgb colour;
  std::function<std::vector<Sample>(const View&)> samples;
};

// POINT at P, its own handle off: the screen-aligned cross of arms from 0.4
// to 1 of 0.01 of the view's height, open in the middle.
const V3 P = {-450, 0, 350};
std::vector<Sample> point_samples(const View& v) {
  double s = 0.01 * v.height;
  V3 u = from(v.camera.right), w = from(v.camera.up);
  std::vector<Sample> out;
  for (double k : {-0.7, 0.7}) {
    out.push_back({"arm along x at " + std::to_string(k), P + u * (k * s), Shows::LINE});
    out.push_back({"arm along y at " + std::to_string(k), P + w * (k * s), Shows::LINE});
  }
  out.push_back({"open middle", P, Shows::BACKGROUND});
  out.push_back({"between the arms", P + (u + w) * (0.7 * s), Shows::BACKGROUND});
  out.push_back({"past an arm's end", P + u * (2 * s), Shows::BACKGROUND});
  return out;
}

// DIRECTION from D along T, 0.12 of the view's height long; its head is
// 0.02 of the view's width; handles at its origin, middle and end.
const V3 D = {250, 0, 100}, T = {0.6, 0, 0.8};
std::vector<Sample> direction_samples(const View& v) {
  double l = 0.12 * v.height, head = 0.02 * v.width;
  return {{"shaft at a quarter", D + T * (0.25 * l), Shows::LINE},
          {"shaft at 0.4", D + T * (0.4 * l), Shows::LINE},
          {"head", D + T * (l - 0.4 * head), Shows::LINE},
          {"behind the origin", D - T * (0.3 * l), Shows::BACKGROUND},
          {"past the tip", D + T * (l + head), Shows::BACKGROUND},
          {"origin's handle", D, Shows::HANDLE},
          {"middle's handle", D + T * (0.5 * l), Shows::HANDLE},
          {"end's handle", D + T * l, Shows::HANDLE}};
}

// GRID at G in its x-z plane alone: four segments of 150 toward -x and +z.
const V3 G = {-100, 0, -750};
constexpr double SEGMENT = 150;
std::vector<Sample> grid_samples(const View&) {
  std::vector<Sample> out;
  for (int k = 0; k <= 4; ++k) {
    std::string n = std::to_string(k);
    out.push_back({"line x " + n, G + V3{-k * SEGMENT, 0, 1.5 * SEGMENT + 30}, Shows::LINE});
    out.push_back({"line z " + n, G + V3{-2.5 * SEGMENT - 30, 0, k * SEGMENT}, Shows::LINE});
  }
  for (int k = 0; k < 4; ++k)
    out.push_back({"cell " + std::to_string(k), G + V3{-(k + 0.5) * SEGMENT, 0, (3.5 - k) * SEGMENT}, Shows::BACKGROUND});
  out.push_back({"beyond the last line", G + V3{-4.6 * SEGMENT, 0, 2 * SEGMENT}, Shows::BACKGROUND});
  return out;
}

// CLIP_PLANE at C with the normal N toward the cameras: its 24-point outline
// of radius 0.1 of the view's height in the plane y = 0 (the chords' middles)
// and the handles of its origin and of its normal's middle and end.
const V3 C = {-50, 0, 620}, N = {0, -1, 0};
std::vector<Sample> clip_plane_samples(const View& v) {
  double r = 0.1 * v.height;
  std::vector<Sample> out;
  for (int k = 0; k < 24; k += 5) {
    double a = 2 * M_PI * k / 24, b = 2 * M_PI * (k + 1) / 24;
    out.push_back({"outline at " + std::to_string(k), C + V3{std::cos(a) + std::cos(b), 0, std::sin(a) + std::sin(b)} * (r / 2),
                   Shows::LINE});
  }
  out.push_back({"beside the outline", C + V3{1.4 * r, 0, 0}, Shows::BACKGROUND});
  out.push_back({"below the outline", C + V3{0, 0, -1.4 * r}, Shows::BACKGROUND});
  out.push_back({"origin's handle", C, Shows::HANDLE});
  out.push_back({"normal's middle handle", C + N * (r / 2), Shows::HANDLE});
  out.push_back({"normal's end handle", C + N * r, Shows::HANDLE});
  return out;
}

// RECTANGLE in the plane y = 0 (its x along x, its y along z) from corner R,
// 450 by 400, no centre: its outline and its eight handles.
const V3 R = {200, 0, -700};
constexpr double RX = 450, RZ = 400;
std::vector<Sample> rectangle_samples(const View&) {
  std::vector<Sample> out = {{"lower edge", R + V3{0.25 * RX, 0, 0}, Shows::LINE},
                             {"right edge", R + V3{RX, 0, 0.75 * RZ}, Shows::LINE},
                             {"upper edge", R + V3{0.75 * RX, 0, RZ}, Shows::LINE},
                             {"left edge", R + V3{0, 0, 0.25 * RZ}, Shows::LINE},
                             {"inside", R + V3{0.3 * RX, 0, 0.6 * RZ}, Shows::BACKGROUND},
                             {"inside, lower right", R + V3{0.7 * RX, 0, 0.25 * RZ}, Shows::BACKGROUND}};
  for (int j = 0; j <= 2; ++j)
    for (int k = 0; k <= 2; ++k)
      if (j != 1 || k != 1)
        out.push_back({"handle " + std::to_string(k) + ", " + std::to_string(j), R + V3{k * RX / 2, 0, j * RZ / 2},
                       Shows::HANDLE});
  return out;
}

ManipulatorItem item(uint8_t kind, std::vector<float> start, uint32_t flags, std::function<void(yarl::Code&)> attributes) {
  ManipulatorItem m;
  m.kind = kind, m.start = std::move(start), m.flags = flags, m.attributes = std::move(attributes);
  return m;
}

const std::vector<Symbol>& symbols() {
  static const std::vector<Symbol> all = {
      {"POINT", item(ITEM_POINT, {float(P.x), float(P.y), float(P.z)}, ITEM3D_DISABLE_ACCESS_POINTS,
                     [](yarl::Code& c) { c.push(AP_POINT).push(1); }),  // its own handle off
       px::YELLOW, point_samples},
      {"DIRECTION", item(ITEM_DIRECTION, {float(D.x), float(D.y), float(D.z), float(T.x), float(T.y), float(T.z)}, 0, {}),
       px::WHITE, direction_samples},
      {"GRID", item(ITEM_GRID, {float(G.x), float(G.y), float(G.z), float(SEGMENT), 4}, ITEM3D_CONFIGURATION,
                    [](yarl::Code& c) { c.push(4 + 8); }),  // the x-y and y-z planes hidden
       px::WHITE, grid_samples},
      {"CLIP_PLANE", item(ITEM_CLIP_PLANE, {float(C.x), float(C.y), float(C.z), float(N.x), float(N.y), float(N.z)}, 0, {}),
       px::WHITE, clip_plane_samples},
      {"RECTANGLE", item(ITEM_RECTANGLE, {float(R.x), float(R.y), float(R.z), float(RX), float(RZ), -1, -1},
                         ITEM3D_COORDINATE_SYSTEM,
                         [](yarl::Code& c) {
                           c.push(2);  // given axes: x, z, -y
                           for (float a : {1, 0, 0, 0, 0, 1, 0, -1, 0}) c.push_long(bits(a));
                           c.push(0);
                         }),
       px::WHITE, rectangle_samples},
  };
  return all;
}

// A screenshot's pixels of the graphics window, column and row from its top left.
struct WindowPixels {
  const Screenshot& shot;
  const Area& window;
  px::Rgb operator()(int x, int row) const {
    Rgb c = shot.at(window.x + x, window.y + row);
    return {c.r, c.g, c.b};
  }
};

// The samples of every symbol in every view that the screenshot does not
// show, one a line; empty when all are right.
std::string mismatches(const Screenshot& s, const Area& w) {
  WindowPixels read{s, w};
  std::ostringstream out;
  for (const View& v : VIEWS)
    for (const Symbol& symbol : symbols())
      for (const Sample& p : symbol.samples(v)) {
        Pixel at = view_pixel(w, v, p.at.x, p.at.y, p.at.z);
        float x = float(at.x), y = float(at.y);
        bool right = false;
        std::string seen;
        if (p.shows == Shows::HANDLE) {
          px::Rgb c = px::best_near_in(read, x, y, px::HANDLE_FILL);
          right = px::near(c, px::HANDLE_FILL, 30);
          seen = (std::ostringstream() << c).str();
        } else {
          float k = px::coverage_in(read, x, y, symbol.colour);
          right = p.shows == Shows::LINE ? k >= 0.5f : k < 0.2f;
          seen = "coverage " + std::to_string(k);
        }
        if (!right)
          out << "view " << v.number << ", " << symbol.name << " " << p.what << " at (" << x << ", " << y
              << "): " << seen << "\n";
      }
  return out.str();
}

// The colours across the DIRECTION's head in a view, seen from the side:
// pixels within its flanks, 0.9 of the head's length from its tip.
std::vector<px::Rgb> across_the_head(const Screenshot& s, const Area& w, const View& v) {
  double l = 0.12 * v.height, head = 0.02 * v.width;
  V3 side = unit(cross(from(v.camera.toward_eye), T));
  V3 middle = D + T * (l - 0.9 * head);
  std::vector<px::Rgb> out;
  for (double k : {-0.08, -0.04, 0.0, 0.04, 0.08}) {
    V3 p = middle + side * (k * head);
    Pixel at = view_pixel(w, v, p.x, p.y, p.z);
    out.push_back(WindowPixels{s, w}(int(std::lround(at.x)), int(std::lround(at.y))));
  }
  return out;
}

struct Lighting {
  const char* name;
  int32_t predefined_108;
};

void PrintTo(const Lighting& l, std::ostream* os) { *os << l.name; }

class Gui3dSymbolsInThreeViews : public testing::TestWithParam<Lighting>, protected Session {};

TEST_P(Gui3dSymbolsInThreeViews, EachSymbolWhereItProjectsInEachView) {
  ManipulatorScene scene;
  for (const Symbol& s : symbols()) scene.items.push_back(s.item);
  scene.predefined = {{108, GetParam().predefined_108}};
  scene.stream = three_views();
  scene.locals_window = {10, 10, 120, 60};
  ASSERT_NO_FATAL_FAILURE(start(scene, [&](const Screenshot& s) {
    Pixel p = view_pixel(area, VIEWS[0], P.x, P.y, P.z + 0.007 * VIEWS[0].height);
    return px::coverage_in(WindowPixels{s, area}, float(p.x), float(p.y), px::YELLOW) > 0.5f;
  }));
  std::string wrong;
  poll_screen(run.display(), 20s, [&](const Screenshot& s) { return (wrong = mismatches(s, area)).empty(); });
  EXPECT_EQ(wrong, "");
  // Without the manipulator light the head is flat: the arrow's colour all
  // across it. With it, the light shades the head's flanks.
  Screenshot s(run.display());
  ASSERT_TRUE(s.valid());
  for (const View& v : VIEWS) {
    std::vector<px::Rgb> head = across_the_head(s, area, v);
    std::ostringstream seen;
    int shaded = 0;
    for (const px::Rgb& c : head) seen << c << " ", shaded += !px::near(c, px::WHITE, 12);
    if (GetParam().predefined_108 == 0)
      EXPECT_EQ(shaded, 0) << "view " << v.number << ", flat: " << seen.str();
    else
      EXPECT_GT(shaded, 0) << "view " << v.number << ", lit: " << seen.str();
  }
  const RunResult& result = run.finish();
  EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Lighting, Gui3dSymbolsInThreeViews,
                         testing::Values(Lighting{"Flat", 0}, Lighting{"Lit", 1}),
                         [](const testing::TestParamInfo<Lighting>& i) { return std::string(i.param.name); });

}  // namespace
