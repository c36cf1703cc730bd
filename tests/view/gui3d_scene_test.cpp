// The manipulators acting on the scene through their items' actions (a spot
// light lighting a shell, a clip plane cutting it) and drawn in several views
// with cameras of their own; pixels read back before the swap.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "runtime/gui3d_items.h"
#include "runtime/gui3d_table.h"
#include "runtime/user_interface.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/lights.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/gui3d_pixels.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/gui3d_clip_plane.h"
#include "view/gui3d_kinds.h"
#include "view/gui3d_point.h"
#include "view/repaint.h"
#include "view/view_navigation.h"
#include "view/views.h"

namespace {

using namespace scene_stream;
using namespace gui3d_pixels;

constexpr uint8_t SET_LIGHT = 103, GL_SET_CLIPPLANE = 173;
constexpr uint16_t LIGHT_POSITION = 4611, LIGHT_SPOT_DIRECTION = 4612;

// A SPOT_LIGHT item on eight REAL window locals (origin, direction, angle,
// focus) whose action, at every change, places light 0 and turns its spot.
void add_spot_light(yarl::YarlProgram& p) {
  uint16_t window = yarl::add_window_with_locals(p, "s",
                                                 {{K_REAL, "ox"}, {K_REAL, "oy"}, {K_REAL, "oz"}, {K_REAL, "dx"},
                                                  {K_REAL, "dy"}, {K_REAL, "dz"}, {K_REAL, "angle"}, {K_REAL, "focus"}});
  yarl::Code& c = p.code();
  yarl::Item3D item;
  item.kind = ITEM_SPOT_LIGHT, item.window = window, item.flags = ITEM3D_ACTION | ITEM3D_ACTION_ON_CHANGE;
  for (uint16_t j = 0; j < 8; ++j) item.edit_vars.push_back(yarl::ref16(yarl::WINDOW_LOCAL, j));
  item.action_offset = c.offset();
  const float one = 1;
  uint32_t one_bits;
  memcpy(&one_bits, &one, 4);
  c.push(GL_LIGHT0).push_var(yarl::WINDOW_LOCAL, 0).push_var(yarl::WINDOW_LOCAL, 1).push_var(yarl::WINDOW_LOCAL, 2);
  c.push_long(one_bits).op(SET_LIGHT).u16(LIGHT_POSITION);
  c.push(GL_LIGHT0).push_var(yarl::WINDOW_LOCAL, 3).push_var(yarl::WINDOW_LOCAL, 4).push_var(yarl::WINDOW_LOCAL, 5);
  c.op(SET_LIGHT).u16(LIGHT_SPOT_DIRECTION).release();
  yarl::add_gui3d_item(p, item);
}

// A CLIP_PLANE item on six REAL window locals (origin, normal) whose action,
// at every change, sets GL clip plane 0 from them.
void add_clip_plane(yarl::YarlProgram& p) {
  uint16_t window = yarl::add_window_with_locals(
      p, "w", {{K_REAL, "ox"}, {K_REAL, "oy"}, {K_REAL, "oz"}, {K_REAL, "nx"}, {K_REAL, "ny"}, {K_REAL, "nz"}});
  yarl::Code& c = p.code();
  yarl::Item3D item;
  item.kind = ITEM_CLIP_PLANE, item.window = window, item.flags = ITEM3D_ACTION | ITEM3D_ACTION_ON_CHANGE;
  for (uint16_t j = 0; j < 6; ++j) item.edit_vars.push_back(yarl::ref16(yarl::WINDOW_LOCAL, j));
  item.action_offset = c.offset();
  c.push(GL_CLIP_PLANE0).push(1);
  for (uint16_t j = 0; j < 6; ++j) {
    c.push_var(yarl::WINDOW_LOCAL, j);
    if (j % 3 == 2) c.push(3);  // an array's elements, then its count
  }
  c.op(GL_SET_CLIPPLANE).u8(1).release();
  yarl::add_gui3d_item(p, item);
}

// The standard program with a POINT and a CLIP_PLANE item; the user interface
// and the graphics window preset.
class Gui3dSceneEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    yarl::YarlProgram p = yarl::YarlProgram::standard();
    uint16_t x = p.add(yarl::GLOBAL, yarl::make_ident(K_REAL), "x");
    yarl::Item3D item;
    item.kind = ITEM_POINT, item.window = 1, item.edit_vars = {yarl::ref16(yarl::GLOBAL, x)};
    yarl::add_gui3d_item(p, item);
    add_clip_plane(p);
    add_spot_light(p);
    // Plain items of the kinds whose symbols the views show.
    for (uint8_t kind : {ITEM_DIRECTION, ITEM_GRID, ITEM_RECTANGLE}) {
      item.kind = kind;
      yarl::add_gui3d_item(p, item);
    }
    std::vector<uint8_t> bytes = p.bytes();
    decode_tables(bytes.data(), bytes.size());
    preset_user_interface("", true, false, nullptr, nullptr, nullptr);
    put_predef(111, 1);
    preset_window();
  }
};
testing::Environment* const environment = testing::AddGlobalTestEnvironment(new Gui3dSceneEnvironment);

void make_current(int n) {
  put_predef(111, n);
  update_current_viewport();
}

class Gui3dViews : public Gui3dPixels {
 protected:
  static void project(int n, const Point& p, float* x, float* y) { project_in_view(n, p, x, y); }
};

// View 1 on the left half as it starts; view 2 on the top right and view 3 on
// the bottom right with the cameras given (view plane normal, up); view 1 current.
void three_views(const Vector& vpn2, const Vector& up2, const Vector& vpn3, const Vector& up3) {
  make_current(1);
  change_viewport(0, 2047, 0, 3276);
  make_current(2);
  change_viewport(2048, 4095, 1638, 3276);
  set_vpn(vpn2.x(), vpn2.y(), vpn2.z());
  set_vup(up2.x(), up2.y(), up2.z());
  make_current(3);
  change_viewport(2048, 4095, 0, 1637);
  set_vpn(vpn3.x(), vpn3.y(), vpn3.z());
  set_vup(up3.x(), up3.y(), up3.z());
  make_current(1);
}

TEST_F(Gui3dViews, PointCrossLiesWhereItProjectsInEachView) {
  // View 2 looking down along -z, view 3 along -x.
  three_views(Vector(0, 0, -1), Vector(0, 1, 0), Vector(-1, 0, 0), Vector(0, 0, 1));

  uint32_t item = 0;
  GUI3DPoint* m = static_cast<GUI3DPoint*>(new_gui3d_of_kind(ITEM_POINT, item, 0, nullptr, nullptr));
  gui3d_item(item).widget = m;
  const Point at(500, 300, 250);
  value v[3] = {{.r = at.x()}, {.r = at.y()}, {.r = at.z()}};
  const char* message = nullptr;
  m->set_edit_vars(v, &message);
  ASSERT_EQ(message, nullptr);
  const uint32_t origin = AP_POINT;  // the cross alone, without its handle square
  m->set_disabled_access_points(1, &origin, &message);
  ASSERT_EQ(message, nullptr);
  ASSERT_FALSE(repaint_screen(true, never_abort_repaint));

  for (int n = 1; n <= 3; ++n) {
    const view_type* view = get_view_record(n);
    ASSERT_TRUE(view->enabled) << n;
    const Vector u(view->u[0], view->u[1], view->u[2]), w(view->v[0], view->v[1], view->v[2]);
    float s = 0.01f * view->window_height;  // the arm's outer end in model units
    float x, y;
    project(n, at, &x, &y);
    float box[4];
    get_viewport(box);
    EXPECT_TRUE(x > box[0] && x < box[0] + box[2] && y > box[1] && y < box[1] + box[3]) << "view " << n;
    for (float k : {-0.7f, 0.7f}) {
      project(n, at + u * (k * s), &x, &y);
      EXPECT_GE(coverage(x, y, YELLOW), 0.5f) << "view " << n << ", arm along u at " << k;
      project(n, at + w * (k * s), &x, &y);
      EXPECT_GE(coverage(x, y, YELLOW), 0.5f) << "view " << n << ", arm along v at " << k;
    }
    project(n, at + (u + w) * (0.7f * s), &x, &y);
    EXPECT_LT(coverage(x, y, YELLOW), 0.2f) << "view " << n << ", between the arms";
    project(n, at + u * (2.0f * s), &x, &y);
    EXPECT_LT(coverage(x, y, YELLOW), 0.2f) << "view " << n << ", past the arm's end";
  }
  set_view_being_drawn(get_current_view_number());
}

// The item's manipulator with the program's own callbacks: a change runs the item's action.
TEST_F(Gui3dViews, ClipPlaneActionCutsAShellAndAClickOnTheNormalKeepsTheOtherHalf) {
  // A red square facing the camera in the plane y = 0, 2000 wide and 1000 high.
  std::vector<Triple> corners = {{-1000000, 0, -500000}, {1000000, 0, -500000}, {-1000000, 0, 500000}, {1000000, 0, 500000}};
  ASSERT_EQ(run(so(1) + uc(corners, {{255, 0, 0}}, {0, 0, 0, 0}, {1, 4, 0, 1, 2, 3}) + sc()), "");
  uint32_t item = 1;
  ASSERT_EQ(gui3d_item(item).kind, ITEM_CLIP_PLANE);
  GUI3D* m = new_gui3d_of_kind(ITEM_CLIP_PLANE, item, 0, change_gui3d, activate_gui3d);
  gui3d_item(item).widget = m;
  // The plane x = 0, its normal along +x: the half at x > 0 stays.
  value v[6] = {{.r = 0}, {.r = 0}, {.r = 0}, {.r = 1}, {.r = 0}, {.r = 0}};
  const char* message = nullptr;
  m->set_edit_vars(v, &message);
  ASSERT_EQ(message, nullptr);
  m->call_change_callback();
  ASSERT_FALSE(repaint_screen(true, never_abort_repaint));
  float lx, ly, rx, ry;
  project(1, Point(-500, 0, 200), &lx, &ly);
  project(1, Point(500, 0, 200), &rx, &ry);
  EXPECT_LT(coverage(lx, ly, RED), 0.1f) << "cut away";
  EXPECT_GT(coverage(rx, ry, RED), 0.9f) << "kept";

  // A click on the middle of the normal turns it round.
  float x, y;
  Point middle = static_cast<GUI3DClipPlane*>(m)->coord_middle_z_axis();
  project(1, middle, &x, &y);
  GUI3D::set_view();
  GUI3D::selected_access_point_index = AP_CLIP_PLANE + 1;
  bool handled = false, grabbed = false;
  int wx = int(std::lround(x)), wy = int(std::lround(1024 - y));
  m->handle_button_press(1, wx, wy, &handled, &grabbed);
  m->handle_button_release(1, wx, wy, &handled);
  EXPECT_TRUE(handled);
  ASSERT_FALSE(repaint_screen(true, never_abort_repaint));
  EXPECT_GT(coverage(lx, ly, RED), 0.9f) << "the other half";
  EXPECT_LT(coverage(rx, ry, RED), 0.1f);
  set_view_being_drawn(get_current_view_number());
}

// Of a 5 x 5 grid of pixels spaced `step` around (x, y), how many show more red than `level`.
int red_count(float x, float y, float step, int level) {
  int n = 0;
  for (int j = -2; j <= 2; ++j)
    for (int k = -2; k <= 2; ++k) n += pixel(int(std::lround(x + float(k) * step)), int(std::lround(y + float(j) * step))).r > level;
  return n;
}

TEST_F(Gui3dViews, SpotLightActionLightsAPatchThatFollowsItsOrigin) {
  // A lit white square facing the camera in the plane y = 0, 2000 by 2000.
  float toward_eye[3];
  get_vpn(&toward_eye[0], &toward_eye[1], &toward_eye[2]);
  long ny = std::lround(toward_eye[1] * 1000);
  ASSERT_NE(ny, 0);
  // In strips of small quads: the fixed pipeline lights at the vertices.
  const int N = 40;
  std::vector<Triple> points;
  std::vector<long> strips = {N};
  for (int j = 0; j <= N; ++j)
    for (int k = 0; k <= N; ++k) points.push_back({(k - N / 2) * 2000000L / N, 0, (j - N / 2) * 2000000L / N});
  for (int j = 0; j < N; ++j) {
    strips.push_back(2 * (N + 1));
    for (int k = 0; k <= N; ++k) strips.push_back(j * (N + 1) + k), strips.push_back((j + 1) * (N + 1) + k);
  }
  ASSERT_EQ(run(so(1) + ut(points, std::vector<Triple>(points.size(), Triple{0, ny, 0}), {}, strips) + sc()), "");
  const float white[4] = {1, 1, 1, 1};
  set_light_diffuse_color(GL_LIGHT0, white);
  set_light_spot_cutoff(GL_LIGHT0, 30);
  set_light_on(GL_LIGHT0, true);
  uint32_t item = 2;
  ASSERT_EQ(gui3d_item(item).kind, ITEM_SPOT_LIGHT);
  GUI3D* m = new_gui3d_of_kind(ITEM_SPOT_LIGHT, item, 0, change_gui3d, activate_gui3d);
  gui3d_item(item).widget = m;
  // 600 in front of the square on the camera's side, pointing at it: a patch of radius 600 tan 30°.
  const float side = -toward_eye[1] > 0 ? -1.0f : 1.0f, radius = 600 * std::tan(float(M_PI) / 6);
  for (float ox : {300.0f, -400.0f}) {
    value v[8] = {{.r = ox}, {.r = side * 600}, {.r = 100}, {.r = 0}, {.r = -side}, {.r = 0}, {.r = 30}, {.r = 1}};
    const char* message = nullptr;
    m->set_edit_vars(v, &message);
    ASSERT_EQ(message, nullptr);
    m->call_change_callback();
    float position[3];
    get_light_position(GL_LIGHT0, position);
    EXPECT_EQ(position[0], ox) << "the action placed light 0";
    ASSERT_FALSE(repaint_screen(true, never_abort_repaint));
    float x, y, dx, dy;
    project(1, Point(ox, 0, 100), &x, &y);
    project(1, Point(ox + radius, 0, 100), &dx, &dy);
    float r = dx - x;  // the patch's radius in pixels
    EXPECT_GE(red_count(x, y, 0.2f * r, 100), 22) << "lit at " << ox;
    EXPECT_LE(red_count(x + 2.5f * r, y, 0.2f * r, 100), 3) << "dark beside the patch at " << ox;
    EXPECT_LE(red_count(x, y - 2.5f * r, 0.2f * r, 100), 3) << "dark below the patch at " << ox;
  }
  set_view_being_drawn(get_current_view_number());
}

// A symbol in three views with oblique cameras: model points that lie on its
// lines, points that stay background, and the handle squares of its access points.
struct SymbolCase {
  const char* name;
  uint8_t kind;
  std::vector<float> values;
  Rgb colour;
  std::vector<Point> on, off, handles;
};

void PrintTo(const SymbolCase& c, std::ostream* os) { *os << c.name; }

// The chord middles of a clip plane's 24-point outline of radius r around p in its x-z plane.
std::vector<Point> outline_middles(const Point& p, float r) {
  std::vector<Point> out;
  for (int k = 0; k < 24; k += 5) {
    double a = 2 * M_PI * k / 24, b = 2 * M_PI * (k + 1) / 24;
    out.push_back(p + Vector(float(std::cos(a) + std::cos(b)), 0, float(std::sin(a) + std::sin(b))) * (r / 2));
  }
  return out;
}

constexpr float ARROW = 0.12f * 3276, PLANE = 0.1f * 3276;  // a direction's length, a clip plane's radius
const Vector TURNED = Vector(0.6f, 0.8f, 0);
const Rgb GREEN = {0, 255, 0};

const SymbolCase SYMBOLS[] = {
    {"DirectionArrow", ITEM_DIRECTION, {100, 0, 50, 0.6f, 0.8f, 0}, WHITE,
     {Point(100, 0, 50) + TURNED * (0.25f * ARROW), Point(100, 0, 50) + TURNED * (0.4f * ARROW)},
     {Point(100, 0, 50) - TURNED * (0.3f * ARROW)},
     {Point(100, 0, 50), Point(100, 0, 50) + TURNED * (0.5f * ARROW), Point(100, 0, 50) + TURNED * ARROW}},
    // Four segments of 250 toward -x and +z from (500, 0, -500): the lines' middles and the cells'.
    {"GridLinesASegmentApart", ITEM_GRID, {500, 0, -500, 250, 4}, GREEN,
     {Point(0, 0, -500), Point(0, 0, -250), Point(0, 0, 250), Point(500, 0, 0), Point(250, 0, 0), Point(-500, 0, 0)},
     {Point(375, 0, -375), Point(125, 0, 125), Point(-375, 0, 375), Point(625, 0, 0)},
     {}},  // its origin's handle lies under the crossing of its thick lines
    {"ClipPlaneOutline", ITEM_CLIP_PLANE, {250, 0, 0, 0, -1, 0}, WHITE, outline_middles(Point(250, 0, 0), PLANE),
     {Point(250 + 1.4f * PLANE, 0, 0), Point(250, 0, -1.4f * PLANE)},
     {Point(250, 0, 0), Point(250, -PLANE / 2, 0), Point(250, -PLANE, 0)}},
    // In its own plane (x along x, y along z), from (-500, 0, -250), 1000 by 500.
    {"RectangleCorners", ITEM_RECTANGLE, {-500, 0, -250, 1000, 500, -1, -1}, WHITE,
     {Point(-250, 0, -250), Point(250, 0, 250), Point(-500, 0, -125), Point(500, 0, 125)},
     {Point(250, 0, 100), Point(-250, 0, -100), Point(0, 0, 400)},
     {Point(-500, 0, -250), Point(500, 0, -250), Point(500, 0, 250), Point(-500, 0, 250)}},
};

class Gui3dSymbolInViews : public Gui3dViews, public testing::WithParamInterface<SymbolCase> {};

TEST_P(Gui3dSymbolInViews, LiesWhereItProjectsInEachView) {
  const SymbolCase& c = GetParam();
  // View 2 looking down and across, view 3 from +x and across: no symbol plane edge-on.
  three_views(Vector(0.3f, 0.5f, -1), Vector(0, 1, 0), Vector(-1, 0.6f, -0.4f), Vector(0, 0, 1));
  // As before the first frame: no view copied for the manipulators yet. The
  // views' depth ranges must still hold the whole symbols (a clip plane's
  // outline seen at a slant).
  GUI3D::view_ = ViewType{};
  GUI3D* m = attach(c.kind);
  ASSERT_NE(m, nullptr);
  const char* message = nullptr;
  if (c.kind == ITEM_GRID) m->set_configuration(4 + 8);  // only the plane toward -x and +z
  if (c.kind == ITEM_RECTANGLE) {
    const float axes[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
    m->set_coordinate_system(2, axes, 0, &message);
    ASSERT_EQ(message, nullptr);
  }
  m->color[0] = float(c.colour.r) / 255, m->color[1] = float(c.colour.g) / 255, m->color[2] = float(c.colour.b) / 255;
  std::vector<value> v;
  for (float f : c.values) v.push_back(value{.r = f});
  m->set_edit_vars(v.data(), &message);
  ASSERT_EQ(message, nullptr);
  ASSERT_FALSE(repaint_screen(true, never_abort_repaint));
  for (int n = 1; n <= 3; ++n) {
    float x, y;
    for (const Point& p : c.on) {
      project(n, p, &x, &y);
      EXPECT_GE(coverage(x, y, c.colour), 0.5f) << "view " << n << ", on the line at " << x << ", " << y;
    }
    for (const Point& p : c.off) {
      project(n, p, &x, &y);
      EXPECT_LT(coverage(x, y, c.colour), 0.2f) << "view " << n << ", background at " << x << ", " << y;
    }
    for (const Point& p : c.handles) {
      project(n, p, &x, &y);
      Rgb at = best_near(x, y, HANDLE_FILL);
      EXPECT_TRUE(near(at, HANDLE_FILL, 30)) << "view " << n << ", a handle square at " << x << ", " << y << ": " << at;
    }
  }
  set_view_being_drawn(get_current_view_number());
}

INSTANTIATE_TEST_SUITE_P(Kinds, Gui3dSymbolInViews, testing::ValuesIn(SYMBOLS),
                         [](const testing::TestParamInfo<SymbolCase>& i) { return std::string(i.param.name); });

}  // namespace

namespace {

// A POINT behind the model widens view 1's depth range to 4 × 1.03 × its view
// z, and the fit of the current view takes it in about the model's centre.
TEST_F(Gui3dViews, APointBehindTheModelWidensTheDepthAndTheFitTakesIt) {
  // The box (-1, 1, -1) to (1, 3, 1) as its diagonal, in thousandths.
  ASSERT_EQ(run(tek::set_coor_mode(2, 6) + so(1) + tek::vector_run(2, {{-1000, 1000, -1000}, {1000, 3000, 1000}}) + sc()),
            "");
  auto depth = [] {
    set_geometry_update();
    compute_view_camera(1, false, false, nullptr);
    return get_view_record(1)->window_depth;
  };
  EXPECT_FLOAT_EQ(depth(), 4 * 1.03f * 3) << "the model alone: view z -1 to -3";
  GUI3DPoint* m = static_cast<GUI3DPoint*>(new_gui3d_of_kind(ITEM_POINT, 0, 0, nullptr, nullptr));
  gui3d_item(0).widget = m;
  value v[3] = {{.r = 10}, {.r = 30}, {.r = 0}};
  const char* message = nullptr;
  m->set_edit_vars(v, &message);
  EXPECT_FLOAT_EQ(depth(), 4 * 1.03f * 30) << "the point at view z -30";
  set_zoom(0);
  const view_type* view = get_view_record(1);
  const float centre[3] = {0, 2, 0};
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(view->reference_point[k], centre[k], 1e-5f) << k;
  EXPECT_NEAR(view->window_width, 2 * 1.03f * 10, 1e-4f) << "x reaches the point's 10";
  EXPECT_NEAR(view->window_depth, 4 * 1.03f * 28, 1e-3f) << "z reaches the point, 28 behind the centre";
}

}  // namespace
