// The repaint of the graphics window: segments sent through the command parser
// drawn into every enabled view, read back from the back buffer.
#include "view/repaint.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "base/checked_mm.h"
#include "link/si.h"
#include "scene/display_options.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/view_navigation.h"
#include "tests/support/runner.h"
#include "runtime/predefined.h"
#include "tests/scene/scene_stream.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

using namespace scene_stream;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
const Rgb RED = {255, 0, 0};
const Rgb BLUE = {0, 0, 255};

// Tek-area corners (x1, y1, x2, y2) of the view that RC made current.
std::string viewport(long x1, long y1, long x2, long y2) {
  return tek::set_coor_mode(1, 6) + cmd("RV") + ints({x1, y1, x2, y2});
}

// A red triangle in the plane y = 0 around the origin (points in thousandths),
// facing the start-up camera, on a blue background.
std::string red_triangle_on_blue() {
  std::vector<Triple> points = {{-1000000, 0, -1000000}, {1000000, 0, -1000000}, {0, 0, 1000000}};
  return cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + so(1) +
         uc(points, {{255, 0, 0}}, {0, 0, 0}, ONE_STRIP) + sc();
}

class Repaint : public ViewedSceneStream {
 protected:
  // The events a new graphics window queues stay out of a case's blocks: under
  // Windows the display's queue holds them in counted blocks until read.
  void SetUp() override {
    take_events();
    ViewedSceneStream::SetUp();
  }
  void TearDown() override {
    take_events();
    ViewedSceneStream::TearDown();
  }
  static void take_events() {
    Display* d = graphics_display();
    XEvent e;
    while (XPending(d) > 0) XNextEvent(d, &e);
  }
  static Rgb pixel(int x, int y) {
    unsigned char p[3];
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }
};

bool always_abort() { return true; }

// Fresh highlight options without a ramp: the ramp block counts in the malloc balance.
void renew_highlight_options() {
  cleanup_highlight_options();
  init_highlight_options();
}

// Makes view n current (the view setters address it).
void make_current(int n) {
  put_predef(111, n);
  update_current_viewport();
}

// View n with tek corners (x1, y1, x2, y2), view 1 current afterwards.
void place_view(int n, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  make_current(n);
  change_viewport(x1, x2, y1, y2);
  make_current(1);
}

// Aborts while the current view is being drawn.
bool abort_in_current_view() { return get_view_number() == get_current_view_number(); }

// The camera translation along x of every drawing pass that polled, in order.
std::vector<double> pass_shifts;
bool record_pass() {
  double m[16];
  get_model_matrix(m);
  if (pass_shifts.empty() || pass_shifts.back() != m[12]) pass_shifts.push_back(m[12]);
  return false;
}
bool record_and_abort() {
  record_pass();
  return true;
}

// The back buffer over a rectangle, read before any swap.
std::vector<unsigned char> read_rgb(int x, int y, int w, int h) {
  std::vector<unsigned char> p(size_t(w) * size_t(h) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(x, y, w, h, GL_RGB, GL_UNSIGNED_BYTE, p.data());
  return p;
}

TEST_F(Repaint, SegmentIsDrawnInItsColourOverTheBackgroundOfTheWholeScreen) {
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  put_predef(99, -1);
  EXPECT_FALSE(repaint_screen(true, never_abort_repaint));
  // One tek unit is 0.3125 pixels: the triangle spans pixels 328..952 and 200..824.
  struct Case {
    int x, y;
    Rgb expected;
  } cases[] = {{640, 512, RED}, {400, 230, RED}, {900, 230, RED}, {640, 790, RED}, {5, 5, BLUE},
               {1275, 1019, BLUE}, {640, 860, BLUE}, {300, 230, BLUE}, {640, 180, BLUE}};
  for (const Case& c : cases) EXPECT_EQ(pixel(c.x, c.y), c.expected) << c.x << ", " << c.y;
  EXPECT_EQ(get_predef(99), 1);
}

TEST_F(Repaint, EveryEnabledViewIsDrawnInItsViewportAndTheCurrentOneLast) {
  // View 2 covers the screen; the current view 1 is a 125-pixel square at (640, 512).
  std::string s = cmd("RC") + i(2) + viewport(0, 0, 4095, 3276);
  s += cmd("RC") + i(1) + viewport(2048, 1638, 2448, 2038);
  EXPECT_EQ(run(s + red_triangle_on_blue()), "");
  ASSERT_TRUE(get_view_record(2)->enabled);
  EXPECT_FALSE(repaint_screen(false, never_abort_repaint));
  EXPECT_EQ(pixel(702, 574), RED) << "the triangle in view 1";
  EXPECT_EQ(pixel(645, 517), BLUE) << "view 1 clears over the triangle of view 2";
  EXPECT_EQ(pixel(620, 540), RED) << "view 2 beside view 1";
  EXPECT_EQ(pixel(5, 5), BLUE);
  EXPECT_EQ(get_predef(99), 1) << "the triangles of the current view";
  EXPECT_EQ(get_view_number(), 1);
}

TEST_F(Repaint, AbortStopsTheRepaintWithoutPublishingTheTriangles) {
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  put_predef(99, -1);
  EXPECT_TRUE(repaint_screen(false, always_abort));
  EXPECT_EQ(get_predef(99), -1);
  EXPECT_FALSE(repaint_screen(false, never_abort_repaint));
  EXPECT_EQ(get_predef(99), 1);
}


// The highlight direction is light 0's travel negated: toward the light.
TEST_F(Repaint, HighlightDirectionPointsTowardLightZero) {
  const float beam[4] = {0, 0, 3, 0};  // a beam light shining along -z
  ASSERT_TRUE(set_display_mode(0, 0, 1, 0));
  set_light_position(GL_LIGHT0, beam);
  EXPECT_FALSE(repaint_screen(false, never_abort_repaint));
  const float* d = get_highlight_options()->get_direction();
  EXPECT_FLOAT_EQ(d[0], 0);
  EXPECT_FLOAT_EQ(d[1], 0);
  EXPECT_FLOAT_EQ(d[2], 1);
  const float initial[4] = {0, 0, 1, 0};
  set_light_position(GL_LIGHT0, initial);
  ASSERT_TRUE(set_display_mode(0, 0, 0, 0));
  renew_highlight_options();
}

// A square of half-size h units in y = 0 facing the start-up camera, with
// texture coordinates 0..1 across it, drawn with material m (0: the default).
std::string facing_square(long n, long m, float h) {
  long a = std::lround(h * 1000000);
  std::vector<Triple> points = {{-a, 0, -a}, {a, 0, -a}, {-a, 0, a}, {a, 0, a}};
  std::vector<Triple> normals(4, Triple{0, -1000, 0});
  std::vector<std::array<long, 2>> st = {{0, 0}, {1000000, 0}, {0, 1000000}, {1000000, 1000000}};
  return so(n) + (m > 0 ? cmd("TO") + i(m) : "") + ut(points, normals, st, {1, 4, 0, 1, 2, 3}) + sc();
}

// Material m, grey, with a texture file shown as a decal (texture mode 3).
std::string decal_material(long m, const std::string& texture) {
  std::string out = cmd("CM") + i(m) + ints({0, 1, 0, 0, 0, 1, 0}) + ints({1, 3, 1});
  for (int k = 0; k < 8; ++k) out += r(k % 4 == 3 ? 1.0f : 0.5f);
  out += r(10);
  for (int k = 0; k < 8; ++k) out += r(k % 4 == 3 ? 1.0f : 0.0f);
  out += r(0) + r(0) + r(0) + r(0) + r(1);
  return out + tek::string_param("decal") + tek::string_param(texture) + tek::string_param("") +
         tek::string_param("");
}

TEST_F(Repaint, HighlightModeOneDrawsALitShellInTheColoursOfTheRamp) {
  ASSERT_TRUE(set_display_mode(0, 0, 1, 0));
  const HighlightOptions* h = get_highlight_options();
  ASSERT_TRUE(h->get_on());
  EXPECT_EQ(h->get_ramp_kind(), 1u) << "RGB colours";
  ASSERT_EQ(h->get_ramp_size(), 4096u);
  ASSERT_NE(h->get_ramp(), nullptr);
  EXPECT_EQ(run(cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + facing_square(1, 0, 1)), "");
  EXPECT_FALSE(repaint_screen(false, never_abort_repaint));
  unsigned index = unsigned(std::lround(4095.0 * h->highlight_parameter(0, -1, 0)));
  const float* ramp = h->get_ramp() + 3 * index;
  Rgb got = pixel(640, 512);
  EXPECT_NEAR(got.r, ramp[0] * 255, 1.5);
  EXPECT_NEAR(got.g, ramp[1] * 255, 1.5);
  EXPECT_NEAR(got.b, ramp[2] * 255, 1.5);
  EXPECT_FALSE(got == BLUE);
  ASSERT_TRUE(set_display_mode(0, 0, 0, 0));
  EXPECT_FALSE(get_highlight_options()->get_on());
  renew_highlight_options();
}

// A mode whose visual has another id makes a new context: the display lists and
// textures of the old one are gone, and the same segment with its texture (the
// failure image of a missing file: white, both diagonals black) is drawn again.
TEST_F(Repaint, ANewContextDrawsTheSameSegmentsAndTexturesAgain) {
  ASSERT_NE(get_visual_slot(12), nullptr);
  ASSERT_NE(XVisualIDFromVisual(get_visual_slot(12)->visual), XVisualIDFromVisual(get_visual_slot(0)->visual));
  get_display_options()->set_enable_textures(true);
  EXPECT_EQ(run(cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) +
                decal_material(1, "no_such_texture.tif") + facing_square(1, 1, 1)),
            "");
  auto brightness = [](int x, int y) {
    Rgb p = pixel(x, y);
    return (p.r + p.g + p.b) / 3;
  };
  for (bool lists : {false, true}) {
    get_display_options()->set_use_display_lists(lists);
    for (uint32_t mode : {0u, 2u, 0u}) {
      std::string what = std::string(lists ? "lists" : "no lists") + ", anti-alias mode " + std::to_string(mode);
      set_display_mode(mode, 0, 0, 0);
      for (int k = 0; k < 3; ++k) EXPECT_FALSE(repaint_screen(false, never_abort_repaint));
      EXPECT_LT(brightness(640, 512), 40) << what << ": the crossing of the diagonals";
      EXPECT_GT(brightness(640, 512 + 200), 200) << what << ": off the diagonals";
      EXPECT_GT(brightness(640 - 200, 512), 200) << what << ": off the diagonals";
    }
  }
  get_display_options()->reset();
  if (char* missing = get_texture_not_found()) CheckedFree(missing);
  cleanup_material_list();
  init_material_list();
}

TEST_F(Repaint, TwoViewsShowTheSameShellThroughTheirOwnCameras) {
  place_view(2, 2048, 0, 4095, 3276);
  place_view(1, 0, 0, 2047, 3276);
  make_current(2);
  ASSERT_TRUE(change_zoom(2));  // view 2 sees twice as much of the model
  make_current(1);
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  EXPECT_FALSE(repaint_screen(true, never_abort_repaint));
  // The triangle's half width at model z = 0 is 500: 78 pixels in view 1, 39 in view 2.
  EXPECT_EQ(pixel(320, 512), RED);
  EXPECT_EQ(pixel(320 + 60, 512), RED);
  EXPECT_EQ(pixel(960, 512), RED);
  EXPECT_EQ(pixel(960 + 60, 512), BLUE);
  EXPECT_EQ(pixel(960 + 30, 512), RED);
  // The frames: yellowish for the current view, grey for the other.
  EXPECT_EQ(pixel(0, 512), (Rgb{230, 230, 128}));
  EXPECT_EQ(pixel(1279, 512), (Rgb{128, 128, 128}));
}

TEST_F(Repaint, CurrentViewCoveringTheScreenIsDrawnWithoutScissor) {
  struct Case {
    int32_t x1, y1, x2, y2;
    bool scissor;
  } cases[] = {{0, 0, 4095, 3276, false}, {4, 4, 4095, 3276, false}, {5, 0, 4095, 3276, true},
               {0, 0, 4090, 3276, true}, {0, 0, 2047, 1638, true}};
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  place_view(2, 3000, 2500, 4000, 3200);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << " " << c.y1 << " " << c.x2 << " " << c.y2);
    place_view(1, c.x1, c.y1, c.x2, c.y2);
    EXPECT_FALSE(repaint_screen(true, never_abort_repaint));
    EXPECT_EQ(glIsEnabled(GL_SCISSOR_TEST), c.scissor ? GL_TRUE : GL_FALSE);
    EXPECT_EQ(get_view_number(), 1) << "the current view last";
  }
}

TEST_F(Repaint, AbortedViewIsDrawnByTheNextRepaint) {
  place_view(2, 2048, 0, 4095, 3276);
  place_view(1, 0, 0, 2047, 3276);
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  request_high_quality_repaint(false);
  put_predef(99, -1);
  EXPECT_TRUE(repaint_screen(true, abort_in_current_view));
  EXPECT_FALSE(get_perform_high_quality_repaint()) << "the request is dropped";
  const Rgb frame = {230, 230, 128};
  EXPECT_EQ(pixel(960, 512), RED) << "view 2 was drawn";
  EXPECT_EQ(pixel(1279, 512), (Rgb{128, 128, 128})) << "with its frame";
  EXPECT_EQ(pixel(0, 512), BLUE) << "the current view stopped before its frame";
  EXPECT_EQ(get_predef(99), -1);
  EXPECT_FALSE(repaint_screen(false, never_abort_repaint));
  EXPECT_EQ(pixel(320, 512), RED);
  EXPECT_EQ(pixel(0, 512), frame);
  EXPECT_EQ(get_predef(99), 1);
}

TEST_F(Repaint, StereoDrawsOnlyTheCurrentViewLeftEyeFirst) {
  place_view(2, 2048, 0, 4095, 3276);
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  set_stereo(true);
  pass_shifts.clear();
  EXPECT_FALSE(repaint_screen(true, record_pass));
  // The left eye sits at -zoom × separation / 2 along u: the scene moves right.
  float shift = get_zoom() * 5 / 2;
  ASSERT_EQ(pass_shifts.size(), 2u);
  EXPECT_NEAR(pass_shifts[0], shift, 1e-3);
  EXPECT_NEAR(pass_shifts[1], -shift, 1e-3);
  pass_shifts.clear();
  EXPECT_TRUE(repaint_screen(true, record_and_abort));
  EXPECT_EQ(pass_shifts.size(), 1u) << "the left pass aborting skips the right one";
  set_stereo(false);
  while (glGetError() != GL_NO_ERROR) {
  }  // this visual has no right back buffer
}

TEST_F(Repaint, ViewNumberLabelsInTheTopRightCorners) {
  // Three views side by side, 1024 pixels high; view 1 current.
  place_view(2, 1365, 0, 2730, 3276);
  place_view(3, 2731, 0, 4095, 3276);
  place_view(1, 0, 0, 1364, 3276);
  auto labels = [&] {
    EXPECT_FALSE(repaint_screen(true, never_abort_repaint));
    std::vector<std::vector<unsigned char>> out;
    for (int x0 : {0, 427, 853}) out.push_back(read_rgb(x0 + 400, 980, 22, 40));
    return out;
  };
  auto lit = [](const std::vector<unsigned char>& p, Rgb colour) {
    int n = 0;
    for (size_t i = 0; i < p.size(); i += 3) n += Rgb{p[i], p[i + 1], p[i + 2]} == colour;
    return n;
  };
  EXPECT_EQ(run(cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100})), "");
  for (const auto& area : labels()) EXPECT_EQ(lit(area, BLUE), 22 * 40) << "no labels while the option is off";
  get_display_options()->set_display_view_number(true);
  std::vector<std::vector<unsigned char>> areas = labels();
  EXPECT_GT(lit(areas[0], {230, 230, 128}), 10) << "label 1 in the current view's colour";
  EXPECT_GT(lit(areas[1], {128, 128, 128}), 10);
  EXPECT_GT(lit(areas[2], {128, 128, 128}), 10);
  EXPECT_TRUE(areas[0] != areas[1] && areas[0] != areas[2] && areas[1] != areas[2]) << "three different digits";
}

TEST_F(Repaint, AccumulationOfFourJitteredPassesMatchesTheSinglePassAwayFromEdges) {
  ASSERT_TRUE(set_display_mode(2, 0, 0, 0));
  GLint accumulation = 0;
  glGetIntegerv(GL_ACCUM_RED_BITS, &accumulation);
  ASSERT_GT(accumulation, 0) << "the accumulation visual has an accumulation buffer";
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  EXPECT_FALSE(repaint_screen(true, never_abort_repaint));
  std::vector<unsigned char> single = read_rgb(0, 0, 1280, 1024);
  EXPECT_TRUE(set_high_quality_repaint()) << "one view in the accumulation mode";
  EXPECT_TRUE(get_perform_high_quality_repaint());
  EXPECT_FALSE(repaint_screen(true, never_abort_repaint));
  std::vector<unsigned char> accumulated = read_rgb(0, 0, 1280, 1024);
  EXPECT_FALSE(set_high_quality_repaint()) << "right after a high-quality repaint";
  int differing = 0, blended = 0;
  for (size_t i = 0; i < single.size(); i += 3) {
    bool same = true;
    for (int k = 0; k < 3; ++k) same &= std::abs(int(single[i + k]) - int(accumulated[i + k])) <= 2;
    if (same) continue;
    ++differing;
    const unsigned char* p = &accumulated[i];
    blended += p[1] <= 2 && p[0] > 2 && p[2] > 2;
  }
  // The triangle's outline is about 2100 pixels long; only it may change.
  EXPECT_GT(differing, 100);
  EXPECT_LT(differing, 2 * 2100);
  EXPECT_EQ(blended, differing) << "edge pixels mix red and blue";
  place_view(2, 0, 0, 100, 100);
  EXPECT_FALSE(allow_accum_anti_alias());
  EXPECT_FALSE(repaint_screen(false, never_abort_repaint));  // clears the performed mark
  EXPECT_FALSE(set_high_quality_repaint()) << "two views never accumulate";
  ASSERT_TRUE(set_display_mode(0, 0, 0, 0));
}

TEST_F(Repaint, ModifyColorConvertsAndStoresBelowIndex100) {
  struct Case {
    int index;
    bool stored;
  } cases[] = {{5, true}, {99, true}, {100, false}, {-1, false}};
  for (const Case& c : cases) {
    float hls[3] = {120, 0.5f, 1};  // pure green
    EXPECT_EQ(modify_color(c.index, hls), c.stored) << c.index;
    EXPECT_NEAR(hls[0], 0, 1e-5f);
    EXPECT_NEAR(hls[1], 1, 1e-5f);
    EXPECT_NEAR(hls[2], 0, 1e-5f);
  }
  float r, g, b;
  get_colormap_entry(99, &r, &g, &b);
  EXPECT_EQ(g, 1);
}

TEST_F(Repaint, SelectionFrustumNarrowsTheViewsFrustum) {
  // The region from the middle to three quarters across, bottom half, in
  // normalised view coordinates.
  const float corners[4] = {0, -1, 0.5f, 0};
  for (bool perspective : {false, true}) {
    set_projection(perspective);
    compute_view_camera(1, false, false, nullptr);
    const view_type* v = get_view_record(1);
    // The view's frustum from its camera: the eye distance (perspective) or the
    // largest window extent (parallel), the depth centred on the reference point.
    double w = v->window_width, h = v->window_height, depth = v->window_depth;
    double a = std::max({std::fabs(depth), w / 100, h / 100});
    if (perspective) {
      double d[3] = {v->eye[0] - v->reference_point[0], v->eye[1] - v->reference_point[1],
                     v->eye[2] - v->reference_point[2]};
      a = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    }
    double n = std::max(a - depth / 2, a * 0.001), f = a + depth / 2;
    double k = perspective ? n / a : 1;
    double left = -w * k / 2, right = w * k / 2, bottom = -h * k / 2, top = h * k / 2;
    double l = left + (corners[0] + 1) / 2 * (right - left), r = left + (corners[2] + 1) / 2 * (right - left);
    double b = bottom + (corners[1] + 1) / 2 * (top - bottom), t = bottom + (corners[3] + 1) / 2 * (top - bottom);
    // glFrustum or glOrtho of that region, column after column.
    double expected[16] = {};
    if (perspective) {
      expected[0] = 2 * n / (r - l);
      expected[5] = 2 * n / (t - b);
      expected[8] = (r + l) / (r - l);
      expected[9] = (t + b) / (t - b);
      expected[10] = -(f + n) / (f - n);
      expected[11] = -1;
      expected[14] = -2 * f * n / (f - n);
    } else {
      expected[0] = 2 / (r - l);
      expected[5] = 2 / (t - b);
      expected[10] = -2 / (f - n);
      expected[12] = -(r + l) / (r - l);
      expected[13] = -(t + b) / (t - b);
      expected[14] = -(f + n) / (f - n);
      expected[15] = 1;
    }
    set_selection_frustum(corners);
    double m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    for (int i = 0; i < 16; ++i)
      EXPECT_NEAR(m[i], expected[i], 1e-5 * std::max(1.0, std::fabs(expected[i])))
          << (perspective ? "perspective" : "parallel") << ", element " << i;
  }
}

TEST_F(Repaint, BenchmarkCountsFramesAndDumpsTheImageAsTiff) {
  EXPECT_EQ(run(red_triangle_on_blue()), "");
  TempDir dir;
  float fps = -1, cpu = -1;
  test_performance(0.2f, dir.file("dump.tif").c_str(), &fps, &cpu);
  EXPECT_GT(fps, 0);
  EXPECT_GE(cpu, 0);
  TIFF* tif = TIFFOpen(dir.file("dump.tif").c_str(), "r");
  ASSERT_NE(tif, nullptr);
  uint32_t width = 0, height = 0;
  char* description = nullptr;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(tif, TIFFTAG_IMAGEDESCRIPTION, &description);
  EXPECT_EQ(width, 1280u);
  EXPECT_EQ(height, 1024u);
  EXPECT_STREQ(description, "Vorq Benchmark framebuffer dump");
  std::vector<unsigned char> row(1280 * 3);
  // Row 1023 - 230 from the top is pixel row 230: red inside the triangle, blue beside it.
  for (uint32_t r = 0; r <= 1023 - 230; ++r) ASSERT_EQ(TIFFReadScanline(tif, row.data(), r, 0), 1);
  EXPECT_EQ((Rgb{row[400 * 3], row[400 * 3 + 1], row[400 * 3 + 2]}), RED);
  EXPECT_EQ((Rgb{row[300 * 3], row[300 * 3 + 1], row[300 * 3 + 2]}), BLUE);
  TIFFClose(tif);
  test_performance(0.01f, (dir.path() + "/missing/dump.tif").c_str(), &fps, &cpu);  // no file, no harm
}

}  // namespace
