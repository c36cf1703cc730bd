// The manipulators drawn by the repaint of the graphics window, in process:
// symbols where their geometry projects, the faint sweep through the scene,
// the manipulator light, and a textured rectangle; pixels read back before the swap.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "base/checked_mm.h"
#include "runtime/gui3d_items.h"
#include "scene/loaded_texture.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "tests/scene/host_tools.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/gui3d_pixels.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/gui3d_clip_plane.h"
#include "view/gui3d_direction.h"
#include "view/gui3d_grid.h"
#include "view/gui3d_kinds.h"
#include "view/gui3d_point.h"
#include "view/gui3d_rectangle.h"
#include "view/gui3d_vector.h"
#include "view/gui3d_work_plane.h"
#include "view/gui3d_world_axis.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

using namespace scene_stream;
using namespace gui3d_pixels;

const uint8_t KINDS[] = {ITEM_BEAM_LIGHT, ITEM_CLIP_PLANE, ITEM_DIRECTION,  ITEM_GRID,    ITEM_POINT,
                         ITEM_RECTANGLE,  ITEM_POINT_LIGHT, ITEM_RULER2D,   ITEM_RULER3D, ITEM_SPOT_LIGHT,
                         ITEM_VECTOR,     ITEM_WORK_PLANE,  ITEM_WORLD_AXIS};

// The standard program with one 3D item of each kind; the graphics window preset.
class Gui3dEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    yarl::YarlProgram p = yarl::YarlProgram::standard();
    uint16_t x = p.add(yarl::GLOBAL, yarl::make_ident(K_REAL), "x");
    for (uint8_t kind : KINDS) {
      yarl::Item3D item;
      item.kind = kind, item.window = 1, item.edit_vars = {yarl::ref16(yarl::GLOBAL, x)};
      yarl::add_gui3d_item(p, item);
    }
    std::vector<uint8_t> bytes = p.bytes();
    decode_tables(bytes.data(), bytes.size());
    prepare_gui3d_items();
    put_predef(111, 1);
    preset_window();
  }
};
testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Gui3dEnvironment);

// Segment points in millionths of the tests' unit U.
// The tests' unit in model units: the start-up view shows 0.3125 pixels per model unit.
constexpr float U = 1000;

// An opaque square facing the start-up camera in the plane y = 0 around (x, z).
std::string flat_square(long n, float x, float z, float h, const Triple& rgb) {
  auto at = [](float v) { return long(std::lround(v * 1000000)); };
  std::vector<Triple> points = {
      {at(x - h), 0, at(z - h)}, {at(x + h), 0, at(z - h)}, {at(x - h), 0, at(z + h)}, {at(x + h), 0, at(z + h)}};
  return so(n) + uc(points, {rgb}, {0, 0, 0, 0}, {1, 4, 0, 1, 2, 3}) + sc();
}

class Gui3dDrawing : public Gui3dPixels {
 protected:
  static void repaint() {
    ASSERT_FALSE(repaint_screen(true, never_abort_repaint));  // with the depth range updated
    if (getenv("GUI3D_DUMP")) {
      std::vector<unsigned char> p(1280 * 1024 * 3);
      glReadBuffer(GL_BACK);
      glReadPixels(0, 0, 1280, 1024, GL_RGB, GL_UNSIGNED_BYTE, p.data());
      FILE* f = fopen(getenv("GUI3D_DUMP"), "wb");
      fprintf(f, "P6 1280 1024 255\n");
      for (int row = 1023; row >= 0; --row) fwrite(&p[size_t(row) * 1280 * 3], 1, 1280 * 3, f);
      fclose(f);
    }
  }
  // Pixels per model unit and the view's window height in model units.
  static float pixels_per_unit() { return 1024 / get_view_pointer()->window_height; }
};

TEST_F(Gui3dDrawing, PointIsAYellowCrossWithAnOpenMiddle) {
  GUI3DPoint* m = attach<GUI3DPoint>(ITEM_POINT);
  set(m, {0.5f * U, 0, 0.25f * U});
  // Without its handle square: a point without image still shows its cross.
  const uint32_t origin = AP_POINT;
  const char* message = nullptr;
  m->set_disabled_access_points(1, &origin, &message);
  repaint();
  float x, y;
  project(Point(0.5f * U, 0, 0.25f * U), &x, &y);
  float s = 0.01f * 1024;  // the arm's outer end, 0.01 of the view's height, in pixels
  for (float k : {-0.7f, 0.7f}) {
    EXPECT_TRUE(line_at(x + k * s, y, YELLOW)) << "arm along u at " << k;
    EXPECT_TRUE(line_at(x, y + k * s, YELLOW)) << "arm along v at " << k;
  }
  EXPECT_EQ(pixel(int(std::lround(x)), int(std::lround(y))), BLUE) << "the middle stays open";
  EXPECT_EQ(pixel(int(std::lround(x + 1.5f * s)), int(std::lround(y))), BLUE) << "the arm ends";
  EXPECT_EQ(pixel(int(std::lround(x + 0.5f * s)), int(std::lround(y + 0.5f * s))), BLUE) << "between the arms";
}

TEST_F(Gui3dDrawing, ASymbolBehindTheSceneShowsFaintlyAndFullWhereUncovered) {
  // A red square covering x < 0 in front of a cross at y = 1 (behind the square as seen).
  ASSERT_EQ(run(flat_square(1, -1, 0, 1, {255, 0, 0})), "");
  GUI3DPoint* m = attach<GUI3DPoint>(ITEM_POINT);
  set(m, {0, U, 0});
  repaint();
  float x, y;
  project(Point(0, U, 0), &x, &y);
  float s = 0.01f * 1024;
  Rgb covered = best_near(x - 0.7f * s, y, YELLOW), uncovered = best_near(x + 0.7f * s, y, YELLOW);
  EXPECT_EQ(covered.r, 255) << covered;
  EXPECT_GT(covered.g, 20) << "the faint sweep shows through: " << covered;
  EXPECT_LT(covered.g, 235) << "but the depth-tested sweep does not: " << covered;
  EXPECT_TRUE(line_at(x + 0.7f * s, y, YELLOW)) << uncovered;
}

TEST_F(Gui3dDrawing, GridLinesLieAWholeSegmentApart) {
  GUI3DGrid* m = attach<GUI3DGrid>(ITEM_GRID);
  // Only the plane toward -x and +z, which faces the start-up camera.
  m->set_configuration(2 * 0 + 4 + 8);
  set(m, {0.5f * U, 0, -0.5f * U, 0.25f * U, 4});
  m->color[0] = 0, m->color[1] = 1, m->color[2] = 0;
  repaint();
  const Rgb GREEN = {0, 255, 0};
  for (int k = 0; k <= 4; ++k) {
    float x, y;
    project(Point(0, 0, (-0.5f + 0.25f * float(k)) * U), &x, &y);  // halfway along each line
    EXPECT_TRUE(line_at(x, y, GREEN)) << "line " << k;
    project(Point((0.5f - 0.25f * float(k)) * U, 0, 0), &x, &y);
    EXPECT_TRUE(line_at(x, y, GREEN)) << "line across " << k;
  }
  float x, y;
  project(Point(0.375f * U, 0, -0.375f * U), &x, &y);
  EXPECT_EQ(pixel(int(std::lround(x)), int(std::lround(y))), BLUE) << "inside a cell";
  project(Point(0.625f * U, 0, 0), &x, &y);
  EXPECT_EQ(pixel(int(std::lround(x)), int(std::lround(y))), BLUE) << "the grid extends toward -x only";
}

TEST_F(Gui3dDrawing, ClipPlaneOutlineIsACircleAroundItsPoint) {
  GUI3DClipPlane* m = attach<GUI3DClipPlane>(ITEM_CLIP_PLANE);
  set(m, {0.25f * U, 0, 0, 0, -1, 0});  // the normal toward the camera
  repaint();
  float x, y;
  project(Point(0.25f * U, 0, 0), &x, &y);
  float r = 0.1f * 1024;  // 0.1 of the view's height
  for (int k = 0; k < 24; k += 5) {
    double a = 2 * M_PI * k / 24;
    // The loop joins the 24 points; between two of them the chord lies inside by r (1 - cos 7.5°).
    EXPECT_TRUE(line_at(x + r * float(std::cos(a)), y + r * float(std::sin(a)), WHITE)) << k;
  }
  EXPECT_EQ(pixel(int(x + 0.5f * r), int(y + 0.5f * r)), BLUE) << "the plane is an outline";
  EXPECT_EQ(pixel(int(x + 1.2f * r), int(y)), BLUE);
}

TEST_F(Gui3dDrawing, RectangleOutlineThroughItsCornersInItsOwnPlane) {
  GUI3DRectangle* m = attach<GUI3DRectangle>(ITEM_RECTANGLE);
  // The rectangle's plane faces the camera: x along x, y along z.
  const float axes[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
  const char* message = nullptr;
  m->set_coordinate_system(2, axes, 0, &message);
  ASSERT_EQ(message, nullptr);
  set(m, {-0.5f * U, 0, -0.25f * U, U, 0.5f * U, -1, -1});
  repaint();
  const Point corners[4] = {Point(-0.5f * U, 0, -0.25f * U), Point(0.5f * U, 0, -0.25f * U),
                            Point(0.5f * U, 0, 0.25f * U), Point(-0.5f * U, 0, 0.25f * U)};
  for (int k = 0; k < 4; ++k) {
    const Point& a = corners[k];
    const Point& b = corners[(k + 1) % 4];
    float x, y;
    project(Point((a.x() + b.x()) / 2, 0, (a.z() + b.z()) / 2), &x, &y);
    EXPECT_TRUE(line_at(x, y, WHITE)) << "edge " << k;
  }
  float x, y;
  project(Point(0.25f * U, 0, 0.1f * U), &x, &y);
  EXPECT_EQ(pixel(int(x), int(y)), BLUE) << "an untextured rectangle is an outline";
  // With a centre, its handle: a square of side 0.8 × 6 pixels, filled, outlined in white.
  set(m, {-0.5f * U, 0, -0.25f * U, U, 0.5f * U, 0.3f, 0.6f});
  repaint();
  project(Point(-0.2f * U, 0, 0.05f * U), &x, &y);
  EXPECT_TRUE(near(pixel(int(x), int(y)), HANDLE_FILL, 12)) << pixel(int(x), int(y));
  EXPECT_EQ(pixel(int(x) + 5, int(y)), BLUE) << "the square ends";
  EXPECT_EQ(pixel(int(x), int(y) - 5), BLUE) << "the square ends";
}

TEST_F(Gui3dDrawing, ManipulatorLightIsTheLastGlLightAndOffWithoutPredefined108) {
  GUI3DDirection* m = attach<GUI3DDirection>(ITEM_DIRECTION);
  set(m, {0, 0, 0, 1, 0, 0});
  GLint lights = 0;
  glGetIntegerv(GL_MAX_LIGHTS, &lights);
  const GLenum last = GLenum(GL_LIGHT0 + lights - 1);
  // A scene spot in the same slot, narrow and turned away: it must not shape the manipulator light.
  const float white[4] = {1, 1, 1, 1}, at[4] = {0, -5, 0, 1}, away[3] = {0, -1, 0};
  set_light_diffuse_color(int(last), white);
  set_light_position(int(last), at);
  set_light_spot_direction(int(last), away);
  set_light_spot_cutoff(int(last), 5);
  set_light_on(int(last), true);

  float r = 0.12f * get_view_pointer()->window_height, x, y;
  repaint();
  project(Point(0.3f * r, 0, 0), &x, &y);  // off the middle's handle
  Rgb flat_shaft = best_near(x, y, WHITE);
  EXPECT_TRUE(near(flat_shaft, WHITE, 10)) << "flat without the manipulator light: " << flat_shaft;
  EXPECT_FALSE(glIsEnabled(last));

  put_predef(108, 1);
  repaint();
  EXPECT_FALSE(glIsEnabled(last)) << "disabled after the manipulators";
  GLfloat cutoff = 0;
  glGetLightfv(last, GL_SPOT_CUTOFF, &cutoff);
  EXPECT_EQ(cutoff, 180) << "the manipulator light is no spot";
  // The head, lit: a cone seen from the side, shaded across its width.
  float g = (get_view_pointer()->window_width + get_view_pointer()->window_height) * 0.55f * 0.02f;
  project(Point(r - g / 3, 0, 0), &x, &y);
  Rgb head = pixel(int(std::lround(x)), int(std::lround(y)));
  EXPECT_GT(head.r + head.g + head.b, 60) << "the lit head is not black: " << head;
}

// A 2 x 2 checker (white at the bottom left) scaled to 64 x 64 by ImageMagick.
std::string make_checker(const TempDir& dir) {
  std::string path = dir.file("checker.tif");
  std::string command = "convert -size 2x2 xc:white -fill black -draw 'point 0,0' -draw 'point 1,1' -scale 64x64 '" +
                        host_tools::tool_path(path) + "' 2>/dev/null";
  return host_tools::run(command) == 0 ? path : "";
}

// The checker's colour at texture coordinates (s, t), repeated.
Rgb checker_at(float s, float t) {
  int cs = int(std::floor(2 * s)), ct = int(std::floor(2 * t));
  return ((cs + ct) % 2 + 2) % 2 == 0 ? WHITE : Rgb{0, 0, 0};
}

TEST_F(Gui3dDrawing, TexturedRectangleShowsTheCheckerAtItsTextureCoordinates) {
  TempDir dir;
  std::string checker = make_checker(dir);
  ASSERT_FALSE(checker.empty()) << "ImageMagick's convert";
  GUI3DRectangle* m = attach<GUI3DRectangle>(ITEM_RECTANGLE);
  const float axes[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
  const char* message = nullptr;
  m->set_coordinate_system(2, axes, 0, &message);
  const float a = 1.2f * U, b = 0.6f * U, q = a / b;  // q = 2
  set(m, {-0.6f * U, 0, -0.3f * U, a, b, 0.5f, 0.5f});
  struct Case {
    float degrees;
    bool centre;
  };
  for (Case c : {Case{0, false}, Case{30, false}, Case{30, true}}) {
    set(m, {-0.6f * U, 0, -0.3f * U, a, b, c.centre ? 0.5f : -1, c.centre ? 0.5f : -1});
    float angle = c.degrees * float(M_PI) / 180;
    m->set_texture(true, checker.c_str(), 1.5f, 1, 0.1f, 0, angle, 1, 0, &message);
    ASSERT_EQ(message, nullptr);
    for (int pass = 0; pass < 2; ++pass) {
      repaint();
      float cs = std::cos(angle), sn = std::sin(angle), f1 = 1.5f, f2 = 1, u = 0.5f, v = 0.5f;
      float s0 = 0.1f, t0 = 0;
      if (c.centre) s0 += f1 / q * v * sn + (1 - cs) * f1 * u, t0 += (1 - cs) * f2 * v - f2 * q * u * sn;
      int checked = 0, wrong = 0;
      for (float i = 0.05f; i < 1; i += 0.1f)
        for (float j = 0.05f; j < 1; j += 0.1f) {
          float s = s0 + i * f1 * cs - j * f1 * sn / q, t = t0 + i * f2 * q * sn + j * f2 * cs;
          // Only well inside a checker cell: the filter blends at the cell edges.
          float fs = 2 * s - std::floor(2 * s), ft = 2 * t - std::floor(2 * t);
          if (fs < 0.2f || fs > 0.8f || ft < 0.2f || ft > 0.8f) continue;
          float x, y;
          project(Point(-0.6f * U + i * a, 0, -0.3f * U + j * b), &x, &y);
          ++checked;
          if (!near(pixel(int(std::lround(x)), int(std::lround(y))), checker_at(s, t), 60)) ++wrong;
        }
      EXPECT_GT(checked, 10);
      EXPECT_EQ(wrong, 0) << c.degrees << " degrees, centre " << c.centre << ", pass " << pass;
      reset_lists();  // a context change: the texture is uploaded again from its image
    }
  }
  EXPECT_EQ(get_texture_not_found(), nullptr);
}

TEST_F(Gui3dDrawing, MissingDamagedOrEmptyTextureShowsTheFailureImage) {
  set_texture_path("/tmp");
  const char* cut = "/tmp/gui3d_cut_texture.tif";
  FILE* f = fopen(cut, "wb");
  ASSERT_NE(f, nullptr);
  fwrite("II*\0\x08\0\0\0\x05", 1, 9, f);  // a TIFF header cut inside its first directory
  fclose(f);
  for (const char* name : {"gui3d_no_such_texture.tif", cut, ""}) {
    GUI3DRectangle* m = attach<GUI3DRectangle>(ITEM_RECTANGLE);
    const char* message = nullptr;
    m->set_texture(true, name, 1, 1, 0, 0, 0, 1, 0, &message);
    ASSERT_EQ(message, nullptr);
    repaint();
    ASSERT_NE(m->texture, nullptr);
    EXPECT_TRUE(m->texture->get_showing_failure_image()) << name;
    EXPECT_NE(m->texture->get_pixels(), nullptr) << name;
    char* reported = get_texture_not_found();
    ASSERT_NE(reported, nullptr) << name;
    EXPECT_STREQ(reported, name);
    CheckedFree(reported);
    repaint();  // tried again, still the failure image
    EXPECT_TRUE(m->texture->get_showing_failure_image()) << name;
    if (char* again = get_texture_not_found()) CheckedFree(again);
    for (uint32_t n = 0; n < gui3d_item_count(); ++n)
      if (gui3d_item(n).widget == m) gui3d_item(n).widget = nullptr;
    delete m;
  }
  unlink(cut);
  set_texture_path("");
}

// ---- Drags, in process through the manipulators' press, motion and release ----

// The values the activate callback reported last.
std::vector<float> reported;
void record(uint32_t, uint32_t, const value* v) {
  reported.clear();
  for (int k = 0; v != nullptr && k < 13; ++k) reported.push_back(v[k].r);
}

class Gui3dDrag : public Gui3dDrawing {
 protected:
  template <class T>
  T* attach_recording(uint8_t kind) {
    T* m = attach<T>(kind);
    m->activate_callback = record;
    return m;
  }
  // Window pixel (y down) of a model point in the current view.
  static void window_of(const Point& p, int* x, int* y) {
    float gx, gy;
    project(p, &gx, &gy);
    *x = int(std::lround(gx)), *y = int(std::lround(1024 - gy));
  }
  // Presses `button` on access point `number` at (x, y), moves by (dx, dy) in
  // `steps` steps and releases there.
  static void drag(GUI3D* m, uint8_t number, uint8_t button, int x, int y, int dx, int dy, int steps = 4) {
    repaint();
    GUI3D::set_view();
    GUI3D::selected_access_point_index = number;
    bool handled = false, grabbed = false;
    m->handle_button_press(button, x, y, &handled, &grabbed);
    ASSERT_TRUE(grabbed);
    for (int k = 1; k <= steps; ++k) m->handle_motion_notify(x + dx * k / steps, y + dy * k / steps);
    m->handle_button_release(button, x + dx, y + dy, &handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(GUI3D::selected_object, nullptr);
  }
  static float units_per_pixel() { return get_view_pointer()->window_width / 1280; }
};

TEST_F(Gui3dDrag, OriginsFollowTheScreenXMovementAlongX) {
  struct Case {
    uint8_t kind, number;
    int values;
  };
  const Case cases[] = {{ITEM_RULER2D, AP_RULER2D, 3},       {ITEM_RULER3D, AP_RULER3D, 3},
                        {ITEM_POINT_LIGHT, AP_POINT_LIGHT, 3}, {ITEM_SPOT_LIGHT, AP_SPOT_LIGHT, 8},
                        {ITEM_CLIP_PLANE, AP_CLIP_PLANE, 6},   {ITEM_POINT, AP_POINT, 3}};
  for (const Case& c : cases) {
    GUI3D* m = attach_recording<GUI3D>(c.kind);
    std::vector<float> start = {0.2f * U, 0.1f * U, 0.3f * U, 0, 0, -1, 45, 1};
    std::vector<value> v;
    for (int k = 0; k < c.values; ++k) v.push_back(value{.r = start[size_t(k)]});
    const char* message = nullptr;
    m->set_edit_vars(v.data(), &message);
    repaint();
    int x, y;
    window_of(Point(0.2f * U, 0.1f * U, 0.3f * U), &x, &y);
    drag(m, c.number, 1, x, y, 80, 0);
    ASSERT_GE(reported.size(), size_t(3)) << int(c.kind);
    // Closed form: 80 pixels of the start-up view along its u axis, model x.
    EXPECT_NEAR(reported[0], 0.2f * U + 80 * units_per_pixel(), 2 * units_per_pixel()) << int(c.kind);
    EXPECT_FLOAT_EQ(reported[1], 0.1f * U) << int(c.kind);
    EXPECT_FLOAT_EQ(reported[2], 0.3f * U) << int(c.kind);
    for (int k = 3; k < c.values; ++k) EXPECT_FLOAT_EQ(reported[size_t(k)], start[size_t(k)]) << int(c.kind);
    for (uint32_t n = 0; n < gui3d_item_count(); ++n) gui3d_item(n).widget = nullptr;
    delete m;
  }
}

TEST_F(Gui3dDrag, ClicksOnTheMiddleNegateDirectionAndNormal) {
  for (uint8_t kind : {ITEM_DIRECTION, ITEM_CLIP_PLANE}) {
    GUI3D* m = attach_recording<GUI3D>(kind);
    set(m, {0, 0, 0, 0.6f, 0, 0.8f});
    drag(m, kind == ITEM_DIRECTION ? AP_DIRECTION + 1 : AP_CLIP_PLANE + 1, 1, 640, 512, 0, 0);
    ASSERT_EQ(reported.size(), size_t(13));
    EXPECT_FLOAT_EQ(reported[3], -0.6f);
    EXPECT_FLOAT_EQ(reported[5], -0.8f);
    auto& plane = static_cast<GUI3DPlaneType&>(*m);
    EXPECT_NEAR(plane.x_axis.cross_product(plane.y_axis) * plane.z_axis, 1, 1e-5f) << "still right-handed";
    for (uint32_t n = 0; n < gui3d_item_count(); ++n) gui3d_item(n).widget = nullptr;
    delete m;
  }
}

TEST_F(Gui3dDrag, VectorEndMarkShortensByTheMovementAndStopsAtTheMinimum) {
  GUI3D* m = attach_recording<GUI3D>(ITEM_VECTOR);
  set(m, {0, 0, 0, 1, 0, 0, 0.5f * U});
  auto* vector = static_cast<GUI3DVector*>(m);
  repaint();
  GUI3D::set_view();
  int x, y;
  window_of(vector->coord_end_axis_left(), &x, &y);
  drag(m, AP_VECTOR + 3, 1, x, y, -40, 0);
  EXPECT_NEAR(reported[6], 0.5f * U - 40 * units_per_pixel(), 2 * units_per_pixel());
  window_of(vector->coord_end_axis_left(), &x, &y);
  drag(m, AP_VECTOR + 3, 1, x, y, -400, 0);
  EXPECT_FLOAT_EQ(reported[6], 0.001f) << "past the origin";
}

TEST_F(Gui3dDrag, GridOriginMovesByWholeSegmentsHalvesUp) {
  GUI3D* m = attach_recording<GUI3D>(ITEM_GRID);
  const float segment = 40 * 3.2f;  // about 40 pixels
  struct Case {
    float segments;
    float expected;
  };
  for (Case c : {Case{2.4f, 2}, Case{2.6f, 3}}) {
    set(m, {0, 0, 0, segment, 5});
    repaint();
    int x, y;
    window_of(Point(0, 0, 0), &x, &y);
    int pixels = int(std::lround(c.segments * segment / units_per_pixel()));
    drag(m, AP_GRID, 1, x, y, pixels, 0);
    EXPECT_NEAR(reported[0], c.expected * segment, 1e-3f) << c.segments;
    EXPECT_FLOAT_EQ(reported[1], 0);
    EXPECT_FLOAT_EQ(reported[2], 0);
  }
}

TEST_F(Gui3dDrag, WorkPlaneCornerScalesByItsProjectionOnTheDiagonal) {
  GUI3D* m = attach_recording<GUI3D>(ITEM_WORK_PLANE);
  auto* plane = static_cast<GUI3DWorkPlane*>(m);
  set(m, {0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 0, 1});  // facing the camera
  repaint();
  GUI3D::set_view();
  plane->update_symbol_parameter();
  float e1 = plane->extent_1, e2 = plane->extent_2;
  int x, y;
  window_of(plane->coord_symbol_corner(), &x, &y);
  drag(m, AP_WORK_PLANE + 7, 1, x, y, 30, 0);
  // Closed form: the hit moved 30 pixels along x; its projection on the unit diagonal over the diagonal's length.
  float d = std::hypot(e1, e2), along = (e1 + 30 * units_per_pixel()) * e1 / d + e2 * e2 / d;
  EXPECT_NEAR(reported[12], along / d, 0.01f);
  window_of(plane->coord_symbol_corner(), &x, &y);
  drag(m, AP_WORK_PLANE + 7, 1, x, y, -int(2 * e1 / units_per_pixel()), 0);
  EXPECT_FLOAT_EQ(reported[12], 0.5f) << "at least 0.5";
}

TEST_F(Gui3dDrag, RectangleCornerResizesKeepsTheRatioAndStopsAtTheOppositeCorner) {
  GUI3D* m = attach_recording<GUI3D>(ITEM_RECTANGLE);
  const float axes[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
  const char* message = nullptr;
  m->set_coordinate_system(2, axes, 0, &message);
  const float a = 0.8f * U, b = 0.4f * U, px = units_per_pixel();
  struct Case {
    uint8_t button;
    int dx, dy;  // window pixels, y down
    float a, b;  // expected lengths
  };
  const Case cases[] = {
      {1, 30, -20, a + 30 * px, b + 20 * px},
      {2, 30, 0, -1, -1},  // ratio kept: checked below
      {1, -800, 400, a, b},  // past the lower left corner
  };
  for (const Case& c : cases) {
    set(m, {-0.4f * U, 0, -0.2f * U, a, b, -1, -1});
    repaint();
    int x, y;
    window_of(Point(0.4f * U, 0, 0.2f * U), &x, &y);
    drag(m, AP_RECTANGLE + 7, c.button, x, y, c.dx, c.dy, 1);
    if (c.a < 0) {
      EXPECT_NEAR(reported[3] / reported[4], a / b, 1e-3f) << "ratio kept";
      EXPECT_GT(reported[3], a);
    } else {
      EXPECT_NEAR(reported[3], c.a, 2 * px);
      EXPECT_NEAR(reported[4], c.b, 2 * px);
    }
    EXPECT_FLOAT_EQ(reported[0], -0.4f * U) << "the lower left corner stays";
    EXPECT_FLOAT_EQ(reported[2], -0.2f * U);
  }
}

TEST_F(Gui3dDrag, WorldAxisReportsTheTurnedZAndShowsTheWorldAxesAgain) {
  GUI3D* m = attach_recording<GUI3D>(ITEM_WORLD_AXIS);
  auto* axes = static_cast<GUI3DWorldAxis*>(m);
  repaint();
  GUI3D::set_view();
  axes->update_symbol_parameter();
  int x, y;
  window_of(axes->coord_end_z_axis(), &x, &y);
  drag(m, AP_WORLD_AXIS + 2, 1, x, y, 40, 0);
  ASSERT_EQ(reported.size(), size_t(13));
  Vector z(reported[6], reported[7], reported[8]);
  EXPECT_NEAR(z.length(), 1, 1e-4f);
  EXPECT_LT(z.z(), 0.999f) << "turned";
  EXPECT_FLOAT_EQ(axes->z_axis.z(), 1) << "the symbol shows the world's z again";
  EXPECT_FLOAT_EQ(axes->x_axis.x(), 1);
}

}  // namespace
