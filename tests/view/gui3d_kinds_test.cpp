// The thirteen manipulator kinds in process: their numbering and flags, the
// values each takes or refuses with its message, and what a refusal keeps.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "runtime/tables.h"
#include "view/gui3d_beam_light.h"
#include "view/gui3d_clip_plane.h"
#include "view/gui3d_direction.h"
#include "view/gui3d_grid.h"
#include "view/gui3d_kinds.h"
#include "view/gui3d_point.h"
#include "view/gui3d_rectangle.h"
#include "view/gui3d_ruler3d.h"
#include "view/gui3d_spot_light.h"
#include "view/gui3d_vector.h"
#include "view/gui3d_work_plane.h"
#include "view/gui3d_world_axis.h"

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float INF = std::numeric_limits<float>::infinity();

std::unique_ptr<GUI3D> make(uint8_t kind) { return std::unique_ptr<GUI3D>(new_gui3d_of_kind(kind, 0, 0, nullptr, nullptr)); }

std::vector<value> reals(std::initializer_list<float> list) {
  std::vector<value> v;
  for (float f : list) {
    value x{};
    x.r = f;
    v.push_back(x);
  }
  return v;
}

// The current values of a manipulator, as its report would carry them.
std::vector<float> report(GUI3D& m, int n) {
  std::vector<value> v(static_cast<size_t>(n));
  m.update_edit_vars(v.data());
  std::vector<float> out;
  for (const value& x : v) out.push_back(x.r);
  return out;
}

// Sets values; returns the message ("" when none) and whether the call reported a change.
struct Outcome {
  bool changed;
  std::string message;
};
Outcome set(GUI3D& m, std::initializer_list<float> values) {
  std::vector<value> v = reals(values);
  const char* message = nullptr;
  bool changed = m.set_edit_vars(v.data(), &message);
  return {changed, message ? message : ""};
}

class Gui3dKinds : public ::testing::Test {
 protected:
  void SetUp() override {
    ViewType& v = GUI3D::view_;
    v = ViewType{};
    const float zero[3] = {0, 0, 0}, toward_eye[3] = {0, 0, 1}, u[3] = {1, 0, 0}, up[3] = {0, 1, 0};
    const float window[3] = {1000, 800, 2000}, eye[3] = {0, 0, 1000}, frustum[6] = {-500, 500, -400, 400, 1, 3000};
    v.initialize(zero, toward_eye, u, up, window, 1.25f, eye, frustum, false, 0, 0, 4095, 3276, 0, 0, 0, 1280, 1024,
                 nullptr, 1, 1);
  }
};

TEST_F(Gui3dKinds, EveryKindHasItsNumbersImageAndFlags) {
  struct Row {
    uint8_t kind;
    uint8_t first, count;
    bool depth, fit, refresh;
  };
  const Row rows[] = {
      {ITEM_BEAM_LIGHT, 1, 2, true, false, true},   {ITEM_CLIP_PLANE, 3, 4, true, true, true},
      {ITEM_DIRECTION, 7, 4, true, true, true},     {ITEM_GRID, 11, 2, true, true, false},
      {ITEM_POINT, 13, 2, true, true, false},       {ITEM_RECTANGLE, 15, 11, true, true, false},
      {ITEM_POINT_LIGHT, 26, 2, true, true, false}, {ITEM_RULER2D, 28, 2, true, false, false},
      {ITEM_RULER3D, 30, 2, false, false, false},   {ITEM_SPOT_LIGHT, 32, 4, true, true, true},
      {ITEM_VECTOR, 36, 6, true, true, false},      {ITEM_WORK_PLANE, 42, 9, true, true, true},
      {ITEM_WORLD_AXIS, 51, 4, true, false, true},
  };
  for (const Row& r : rows) {
    std::unique_ptr<GUI3D> m = make(r.kind);
    ASSERT_NE(m, nullptr) << int(r.kind);
    EXPECT_EQ(m->access_points.first, r.first) << int(r.kind);
    EXPECT_EQ(m->access_points.count, r.count) << int(r.kind);
    EXPECT_EQ(m->access_points.last(), r.first + r.count - 1) << int(r.kind);
    const GUI3DAccessPointEntry& image = m->access_points.entry(m->access_points.last());
    EXPECT_FALSE(image.enabled) << "no image, no image access point: " << int(r.kind);
    EXPECT_EQ(m->depth_flag, r.depth) << int(r.kind);
    EXPECT_EQ(m->fit_flag, r.fit) << int(r.kind);
    EXPECT_EQ(m->refresh_flag, r.refresh) << int(r.kind);
    // Every access point but the image has a position and its actions.
    for (uint8_t n = r.first; n < m->access_points.last(); ++n) {
      const GUI3DAccessPointEntry& e = m->access_points.entry(n);
      EXPECT_NE(e.position, nullptr) << int(n);
      EXPECT_NE(e.action[0], nullptr) << int(n);
      EXPECT_NE(e.action[1], nullptr) << int(n);
    }
  }
  EXPECT_EQ(make(ITEM_LABEL), nullptr);
  EXPECT_EQ(make(ITEM_POINT)->color[2], 0) << "a point is yellow";
  EXPECT_FALSE(make(ITEM_WORLD_AXIS)->outside_change_abort);
}

TEST_F(Gui3dKinds, SpotLightAngleAndFocusToTheirLimits) {
  std::unique_ptr<GUI3D> m = make(ITEM_SPOT_LIGHT);
  struct Case {
    float angle, focus;
    const char* message;
    float kept_angle, kept_focus;
  };
  const Case cases[] = {
      {90, 128, "", 90, 128},
      {90.5f, 128, "SPOT_LIGHT 3D GUI: Spot angle is out of range", 90, 128},
      {90, 128.5f, "SPOT_LIGHT 3D GUI: Spot focus is out of range", 90, 128},
      {0, 0, "", 0, 0},
      {-0.5f, 0, "SPOT_LIGHT 3D GUI: Spot angle is out of range", 0, 0},
  };
  for (const Case& c : cases) {
    Outcome o = set(*m, {1, 2, 3, 0, 0, -1, c.angle, c.focus});
    EXPECT_EQ(o.message, c.message) << c.angle << " " << c.focus;
    std::vector<float> r = report(*m, 8);
    EXPECT_EQ(r[6], c.kept_angle);
    EXPECT_EQ(r[7], c.kept_focus);
  }
  std::vector<float> r = report(*m, 8);
  EXPECT_EQ(r[5], -1) << "the light shines along the given direction";
  EXPECT_FLOAT_EQ(static_cast<GUI3DSpotLight&>(*m).z_axis.z(), 1) << "its z axis points the other way";
}

TEST_F(Gui3dKinds, VectorLengthDownToTheMinimum) {
  std::unique_ptr<GUI3D> m = make(ITEM_VECTOR);
  EXPECT_EQ(set(*m, {0, 0, 0, 0, 0, 1, 0.001f}).message, "");
  EXPECT_EQ(report(*m, 7)[6], 0.001f);
  EXPECT_EQ(set(*m, {0, 0, 0, 0, 0, 1, 0.0009f}).message, "VECTOR 3D GUI: vector length must be at least 0.001000");
  EXPECT_EQ(report(*m, 7)[6], 0.001f) << "a refused length is not taken";
  EXPECT_EQ(set(*m, {0, 0, 0, 0, 0, 1, 5}).message, "");
  EXPECT_EQ(report(*m, 7)[6], 5);
}

TEST_F(Gui3dKinds, GridSegmentSizeAndWholeSegmentCounts) {
  std::unique_ptr<GUI3D> m = make(ITEM_GRID);
  auto& grid = static_cast<GUI3DGrid&>(*m);
  struct Case {
    float size, count;
    const char* message;
    float kept_size;
    uint32_t kept_count;
  };
  const Case cases[] = {
      {0.1f, 3, "", 0.1f, 3},
      {2, 2.4f, "", 2, 2},
      {2, 2.6f, "", 2, 2},
      {2, 0.4f, "GRID 3D GUI: Number of segments is less than 1.", 2, 2},
      {0.09f, 5, "GRID 3D GUI: Segment size is less than 0.1.", 2, 2},
      {2, 1000, "", 2, 1000},
      {2, 1001, "GRID 3D GUI: Number of segments is more than 1000.", 2, 1000},
      {2, 4e9f, "GRID 3D GUI: Number of segments is more than 1000.", 2, 1000},
      {2, 1e30f, "GRID 3D GUI: Number of segments is more than 1000.", 2, 1000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(set(*m, {0, 0, 0, c.size, c.count}).message, c.message) << c.size << " " << c.count;
    EXPECT_EQ(grid.segment_size, c.kept_size) << c.count;
    EXPECT_EQ(grid.segments, c.kept_count) << c.count;
  }
  // The box reaches n segments toward -x, -y and +z.
  set(*m, {1, 1, 1, 2, 3});
  EXPECT_FLOAT_EQ(m->symbol_min.x(), -5);
  EXPECT_FLOAT_EQ(m->symbol_min.y(), -5);
  EXPECT_FLOAT_EQ(m->symbol_max.z(), 7);
}

TEST_F(Gui3dKinds, WorkPlaneRefusesABadFrameAndKeepsThePreviousOne) {
  std::unique_ptr<GUI3D> m = make(ITEM_WORK_PLANE);
  auto& plane = static_cast<GUI3DWorkPlane&>(*m);
  struct Case {
    std::initializer_list<float> values;
    const char* message;
    float x_x, z_z;  // kept x axis x and z axis z
  };
  const Case cases[] = {
      {{0, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, 1, 1}, "", 0, 1},
      {{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, -1, 1},
       "WORK_PLANE 3D GUI: Direction vectors do not form a right-handed coordinate system", 0, 1},
      {{0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 1}, "WORK_PLANE 3D GUI: X direction vector is not normalized", 0, 1},
      {{0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 1}, "WORK_PLANE 3D GUI: X direction vector is not normalized", 0, 1},
      {{0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 1}, "WORK_PLANE 3D GUI: Y direction vector is not normalized", 0, 1},
      {{0, 0, 0, 1, 0, 0, 0.6f, 0.8f, 0, 0, 0, 1, 1}, "WORK_PLANE 3D GUI: X direction and Y direction are not orthogonal",
       0, 1},
      {{0, 0, 0, 0, 1, 0, -1, 0, 0, 0, 0, 3, 1}, "WORK_PLANE 3D GUI: Z direction vector is not normalized", 0, 1},
      {{0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0.4f}, "", 1, 1},
  };
  for (const Case& c : cases) {
    std::vector<value> v = reals(c.values);
    const char* message = nullptr;
    m->set_edit_vars(v.data(), &message);
    EXPECT_EQ(std::string(message ? message : ""), c.message);
    EXPECT_FLOAT_EQ(plane.x_axis.x(), c.x_x) << c.message;
    EXPECT_FLOAT_EQ(plane.z_axis.z(), c.z_z) << c.message;
  }
  EXPECT_EQ(plane.symbol_scale, 0.5f) << "a scale below 0.5 becomes 0.5";
}

TEST_F(Gui3dKinds, RefusedDirectionsAndNormalsKeepThePreviousOne) {
  struct Case {
    uint8_t kind;
    int n;         // values
    int at;        // index of the vector
    float sign;    // the vector as stored in z
    const char* message;
  };
  const Case cases[] = {
      {ITEM_DIRECTION, 6, 3, 1, "DIRECTION 3D GUI: Direction vector is not normalized."},
      {ITEM_VECTOR, 7, 3, 1, "VECTOR 3D GUI: Direction vector is not normalized."},
      {ITEM_CLIP_PLANE, 6, 3, 1, "CLIP_PLANE 3D GUI: Plane normal vector is not normalized."},
      {ITEM_BEAM_LIGHT, 3, 0, -1, "BEAM_LIGHT 3D GUI: Direction vector is not normalized."},
      {ITEM_SPOT_LIGHT, 8, 3, -1, "SPOT_LIGHT 3D GUI: Direction vector is not normalized."},
  };
  for (const Case& c : cases) {
    std::unique_ptr<GUI3D> m = make(c.kind);
    auto& plane = static_cast<GUI3DPlaneType&>(*m);
    std::vector<value> v(static_cast<size_t>(c.n));
    for (value& x : v) x.r = 0;
    if (c.kind == ITEM_VECTOR) v[6].r = 1;
    if (c.kind == ITEM_SPOT_LIGHT) v[6].r = 45;
    const float good[3] = {0.6f, 0, 0.8f};
    for (int k = 0; k < 3; ++k) v[size_t(c.at + k)].r = good[k];
    const char* message = nullptr;
    m->set_edit_vars(v.data(), &message);
    ASSERT_EQ(message, nullptr) << int(c.kind);
    for (const float* bad : {(const float[3]){0, 0, 2}, (const float[3]){0, 0, 0}}) {
      for (int k = 0; k < 3; ++k) v[size_t(c.at + k)].r = bad[k];
      message = nullptr;
      m->set_edit_vars(v.data(), &message);
      ASSERT_NE(message, nullptr) << int(c.kind);
      EXPECT_STREQ(message, c.message);
      EXPECT_FLOAT_EQ(plane.z_axis.x(), c.sign * 0.6f) << "kept: " << c.message;
      EXPECT_FLOAT_EQ(plane.z_axis.z(), c.sign * 0.8f) << "kept: " << c.message;
      EXPECT_NEAR(plane.x_axis * plane.z_axis, 0, 1e-6f);
      EXPECT_NEAR(plane.y_axis * plane.z_axis, 0, 1e-6f);
    }
  }
}

TEST_F(Gui3dKinds, DirectionTakesAUnitVectorAndTurnsItsAxes) {
  std::unique_ptr<GUI3D> m = make(ITEM_DIRECTION);
  auto& d = static_cast<GUI3DDirection&>(*m);
  EXPECT_TRUE(set(*m, {1, 2, 3, 1, 0, 0}).changed);
  EXPECT_FLOAT_EQ(d.z_axis.x(), 1);
  EXPECT_NEAR(d.x_axis.cross_product(d.y_axis) * d.z_axis, 1, 1e-5f);
  EXPECT_FALSE(set(*m, {1, 2, 3, 1, 0, 0}).changed) << "the same values change nothing";
  std::vector<float> r = report(*m, 6);
  EXPECT_EQ(r, (std::vector<float>{1, 2, 3, 1, 0, 0}));
  // The symbol box covers the origin and the arrow's end, 0.12 of the view's height long.
  EXPECT_FLOAT_EQ(m->symbol_max.x(), 1 + 0.12f * 800);
}

TEST_F(Gui3dKinds, NonFiniteValuesAreRefusedAndNothingIsTaken) {
  struct Case {
    uint8_t kind;
    int n;
    const char* name;
  };
  const Case cases[] = {{ITEM_POINT, 3, "POINT"},          {ITEM_RULER2D, 3, "RULER2D"},
                        {ITEM_RULER3D, 3, "RULER3D"},      {ITEM_DIRECTION, 6, "DIRECTION"},
                        {ITEM_VECTOR, 7, "VECTOR"},        {ITEM_BEAM_LIGHT, 3, "BEAM_LIGHT"},
                        {ITEM_SPOT_LIGHT, 8, "SPOT_LIGHT"}, {ITEM_POINT_LIGHT, 3, "POINT_LIGHT"},
                        {ITEM_CLIP_PLANE, 6, "CLIP_PLANE"}, {ITEM_GRID, 5, "GRID"},
                        {ITEM_WORK_PLANE, 13, "WORK_PLANE"}, {ITEM_RECTANGLE, 7, "RECTANGLE"}};
  for (const Case& c : cases) {
    for (float bad : {NaN, INF, -INF}) {
      std::unique_ptr<GUI3D> m = make(c.kind);
      std::vector<float> before = report(*m, c.n);
      Point min = m->symbol_min, max = m->symbol_max;
      for (int at = 0; at < c.n; ++at) {
        std::vector<value> v(static_cast<size_t>(c.n));
        m->update_edit_vars(v.data());
        v[size_t(at)].r = bad;
        const char* message = nullptr;
        EXPECT_FALSE(m->set_edit_vars(v.data(), &message)) << c.name << " " << at;
        ASSERT_NE(message, nullptr) << c.name << " " << at;
        EXPECT_EQ(std::string(message), std::string(c.name) + " 3D GUI: Edit value is not a finite number.");
      }
      std::vector<float> after = report(*m, c.n);
      for (size_t k = 0; k < after.size(); ++k) EXPECT_EQ(after[k], before[k]) << c.name << " " << k;
      EXPECT_FALSE(min != m->symbol_min) << c.name;
      EXPECT_FALSE(max != m->symbol_max) << c.name;
    }
  }
}

TEST_F(Gui3dKinds, RectangleCentrePointComesAndGoesWithItsValues) {
  std::unique_ptr<GUI3D> m = make(ITEM_RECTANGLE);
  auto& r = static_cast<GUI3DRectangle&>(*m);
  const uint8_t CENTRE = AP_RECTANGLE + 9;
  EXPECT_EQ(set(*m, {1, 1, 0, 4, 2, -1, -1}).message, "");
  EXPECT_FALSE(r.access_points.entry(CENTRE).enabled);
  EXPECT_EQ(set(*m, {1, 1, 0, 4, 2, 0.5f, 0.5f}).message, "");
  EXPECT_TRUE(r.access_points.entry(CENTRE).enabled);
  Point c = r.coord_center();
  EXPECT_FLOAT_EQ(c.x(), 3);
  EXPECT_FLOAT_EQ(c.y(), 2);
  EXPECT_EQ(set(*m, {1, 1, 0, 4, 2, 1.5f, 0.5f}).message, "RECTANGLE 3D GUI: center point coordinate is out of range");
  EXPECT_TRUE(r.center) << "refused centre values stay with the flag set";
  EXPECT_EQ(set(*m, {1, 1, 0, 4, 2, -1, -1}).message, "");
  EXPECT_FALSE(r.access_points.entry(CENTRE).enabled);
  // Disabling another access point does not bring the centre back.
  const uint32_t other = AP_RECTANGLE;
  const char* message = nullptr;
  m->set_disabled_access_points(1, &other, &message);
  EXPECT_FALSE(r.access_points.entry(CENTRE).enabled);
  EXPECT_FALSE(r.access_points.entry(AP_RECTANGLE).enabled);
  m->set_disabled_access_points(0, nullptr, &message);
  EXPECT_FALSE(r.access_points.entry(CENTRE).enabled);
  EXPECT_TRUE(r.access_points.entry(AP_RECTANGLE).enabled);
  // A length below the minimum is refused but stays; it is reported as the minimum.
  EXPECT_EQ(set(*m, {1, 1, 0, 0, 2, -1, -1}).message,
            "RECTANGLE 3D GUI: edge length is too small - should be at least 0.001");
  EXPECT_EQ(report(*m, 7)[3], 0.001f);
}

TEST_F(Gui3dKinds, WorkPlaneHandlesStayHiddenWithConfigurationOne) {
  std::unique_ptr<GUI3D> m = make(ITEM_WORK_PLANE);
  EXPECT_TRUE(m->set_configuration(1));
  auto enabled = [&](uint8_t n) { return m->access_points.entry(n).enabled; };
  const char* message = nullptr;
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_TRUE(enabled(AP_WORK_PLANE));
    for (uint8_t n = AP_WORK_PLANE + 1; n <= AP_WORK_PLANE + 7; ++n) EXPECT_FALSE(enabled(n)) << int(n);
    const uint32_t image = AP_WORK_PLANE + 8;
    m->set_disabled_access_points(pass == 0 ? 1 : 0, &image, &message);
  }
  EXPECT_TRUE(m->set_configuration(0));
  for (uint8_t n = AP_WORK_PLANE + 1; n <= AP_WORK_PLANE + 7; ++n) EXPECT_TRUE(enabled(n)) << int(n);
  EXPECT_FALSE(m->set_configuration(0));
}

TEST_F(Gui3dKinds, WorldAxisReportsTurnedAxesAndShowsTheWorldsAgain) {
  std::unique_ptr<GUI3D> m = make(ITEM_WORLD_AXIS);
  auto& w = static_cast<GUI3DWorldAxis&>(*m);
  w.z_axis = Vector(0, -1, 0), w.y_axis = Vector(0, 0, 1);
  std::vector<float> r = report(*m, 9);
  EXPECT_EQ(r, (std::vector<float>{1, 0, 0, 0, 0, 1, 0, -1, 0}));
  EXPECT_FLOAT_EQ(w.z_axis.z(), 1);
  EXPECT_FLOAT_EQ(w.y_axis.y(), 1);
  EXPECT_TRUE(set(*m, {5, 5, 5, 5, 5, 5, 5, 5, 5}).changed) << "the values are ignored";
  EXPECT_FLOAT_EQ(w.x_axis.x(), 1);
}

TEST_F(Gui3dKinds, WorldAxisSitsAtTekThreeHundredFourHundredOfTheViewport) {
  // Two viewports of one orthographic camera looking down -z from z = 1000:
  // glOrtho(-500, 500, -400, 400, 1, 3000) times a translation by -1000 along z.
  const double n = 1, f = 3000;
  const double viewing[16] = {2.0 / 1000, 0, 0, 0, 0, 2.0 / 800, 0, 0, 0, 0, -2 / (f - n), 0,
                              0, 0, -2 / (f - n) * -1000 - (f + n) / (f - n), 1};
  struct Case {
    float gl_viewport[4];
  };
  for (Case c : {Case{{0, 0, 1280, 1024}}, Case{{640, 0, 640, 512}}}) {
    ViewType& v = GUI3D::view_;
    for (int k = 0; k < 4; ++k) v.gl_viewport[k] = c.gl_viewport[k];
    v.viewing_matrix = viewing;
    std::unique_ptr<GUI3D> m = make(ITEM_WORLD_AXIS);
    m->update_symbol_parameter();
    Point p = m->get_symbol_reference();
    // Closed form: the pixel's place across the frustum, on the near plane.
    float px = std::round(c.gl_viewport[0] + 300 * c.gl_viewport[2] / 4095);
    float py = std::round(c.gl_viewport[1] + 400 * c.gl_viewport[3] / 3276);
    float x = -500 + (px - c.gl_viewport[0]) / c.gl_viewport[2] * 1000;
    float y = -400 + (py - c.gl_viewport[1]) / c.gl_viewport[3] * 800;
    EXPECT_NEAR(p.x(), x, 1e-2f);
    EXPECT_NEAR(p.y(), y, 1e-2f);
    EXPECT_NEAR(p.z(), 1000 - 1, 1e-2f) << "on the front plane";
    EXPECT_FLOAT_EQ(static_cast<GUI3DWorldAxis&>(*m).symbol_size, 0.06f * 800);
  }
  GUI3D::view_.viewing_matrix = nullptr;
}

TEST_F(Gui3dKinds, RulerOfAZoomedOutViewIsNotDrawn) {
  std::unique_ptr<GUI3D> m = make(ITEM_RULER3D);
  GUI3D::view_.window_width = GUI3D::view_.window_height = 1e12f;
  m->draw_symbol(false, 0);  // no GL context: nothing may be drawn
  GUI3D::view_.window_width = GUI3D::view_.window_height = std::numeric_limits<float>::infinity();
  m->draw_symbol(false, 0);
  SUCCEED();
}

}  // namespace
