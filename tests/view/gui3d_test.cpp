// The manipulator framework and its drag geometry on view 1's start-up camera:
// 1 tek unit is 1 model unit in x and z, model x = tek x - 2047.5, model z =
// tek y - 1638, and the view looks along +y.
#include "view/gui3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "runtime/predefined.h"
#include "runtime/tables.h"
#include "tests/scene/scene_stream.h"
#include "toolkit/image.h"
#include "view/drag_geometry.h"
#include "view/gui3d_plane_type.h"
#include "view/gui3d_point.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

constexpr float DEG = 3.14159265f / 180;

// A manipulator with axes: origin (drags as a point), x end (rotation of x
// around z, sphere with button 2), z middle (invert clicks).
class Arrows : public GUI3DPlaneType {
 public:
  Arrows() : GUI3DPlaneType(0, 0, nullptr, nullptr, AP_DIRECTION, 4, true, true, true) {
    symbol_size = 50;
    access_points.init(AP_DIRECTION, true, gui3d_position(&Arrows::coord_origin), true,
                       gui3d_action(&Arrows::translate_xyz), nullptr, nullptr, true,
                       gui3d_action(&Arrows::translate_in_view), nullptr, nullptr);
  }
  bool set_edit_vars(const value*, const char**) override { return false; }
  void draw_symbol(bool, float) override {}
};

class TestImage : public Image {
 public:
  TestImage() : Image(K_STRING) { height = 20; }
  void draw(float, float, float) override {}
  unsigned char get_matching_font_index() const override { return 0; }
};

float det(const Vector& x, const Vector& y, const Vector& z) { return x * y.cross_product(z); }

class Gui3d : public testing::Test {
 protected:
  void SetUp() override {
    scene_stream::start_view_1();
    set_view_being_drawn(1);
    compute_view_camera(1, false, false, nullptr);
    GUI3D::set_view();
    GUI3D::selected_object = nullptr;
    GUI3D::translation_in_progress = GUI3D::rotation_in_progress = false;
    GUI3D::selection_button = 1;
    reset_drag_geometry();
  }
  // The press that starts a drag at tek (x, y).
  static void press_at(uint16_t x, uint16_t y, uint8_t button = 1) {
    GUI3D::pick_point_tek = {x, y};
    GUI3D::selection_button = button;
    GUI3D::translation_in_progress = GUI3D::rotation_in_progress = false;
    reset_drag_geometry();
  }
  // The axes x, y, z turned so that z faces the viewer.
  static void face_viewer(Arrows& a) {
    a.x_axis = Vector(1, 0, 0), a.y_axis = Vector(0, 0, 1), a.z_axis = Vector(0, -1, 0);
  }
};

TEST_F(Gui3d, DisabledAccessPointsAreCheckedWithThisKindsBounds) {
  struct Case {
    const char* name;
    std::vector<uint32_t> numbers;
    bool result;
    const char* message;
    uint32_t mask;
  } cases[] = {
      {"below the range", {12}, false, "3D GUI: Invalid DISABLE_ACCESS_POINTS argument 12, must be in range 13 - 14", 0},
      {"another kind's number", {36}, false,
       "3D GUI: Invalid DISABLE_ACCESS_POINTS argument 36, must be in range 13 - 14", 0},
      {"duplicate", {13, 14, 13}, false, "3D GUI: Duplicate DISABLE_ACCESS_POINTS argument 13", 0},
      {"none, no image: the image bit", {}, true, nullptr, 2},
      {"the origin", {13}, true, nullptr, 3},
  };
  for (const Case& c : cases) {
    GUI3DPoint p(0, 0, nullptr, nullptr);
    const char* m = nullptr;
    EXPECT_EQ(p.set_disabled_access_points(uint32_t(c.numbers.size()), c.numbers.data(), &m), c.result) << c.name;
    EXPECT_STREQ(m, c.message) << c.name;
    EXPECT_EQ(p.access_points.disabled_mask, c.mask) << c.name;
    EXPECT_EQ(p.access_points.entry(13).enabled, !(c.mask & 1)) << c.name;
    EXPECT_FALSE(p.access_points.entry(14).enabled) << c.name << ": no image, no image access point";
    if (c.result) {
      EXPECT_FALSE(p.set_disabled_access_points(uint32_t(c.numbers.size()), c.numbers.data(), &m))
          << c.name << ": an equal mask is no change";
    }
  }
}

TEST_F(Gui3d, ImageAccessPointFollowsTheImageAndItsGivenBit) {
  GUI3DPoint p(0, 0, nullptr, nullptr);
  const char* m = nullptr;
  ASSERT_TRUE(p.set_disabled_access_points(0, nullptr, &m));
  EXPECT_FALSE(p.access_points.entry(14).enabled);
  p.set_image(new TestImage);
  EXPECT_TRUE(p.access_points.entry(14).enabled) << "an image set later is offered";
  uint32_t image_number = 14;
  ASSERT_TRUE(p.set_disabled_access_points(1, &image_number, &m));
  p.set_image(new TestImage);
  EXPECT_FALSE(p.access_points.entry(14).enabled) << "its number was disabled";
  p.set_image(nullptr);
  EXPECT_FALSE(p.access_points.entry(14).enabled);
}

TEST_F(Gui3d, EnablingKeepsWhatTheKindSwitchedOff) {
  GUI3DPoint p(0, 0, nullptr, nullptr);
  p.access_points.offer(13, false);  // as a kind's variant switch does
  uint32_t both[2] = {13, 14};
  const char* m = nullptr;
  ASSERT_TRUE(p.set_disabled_access_points(2, both, &m));
  ASSERT_TRUE(p.set_disabled_access_points(0, nullptr, &m));
  EXPECT_FALSE(p.access_points.entry(13).enabled) << "a clear bit does not override the kind";
  p.access_points.offer(13, true);
  EXPECT_TRUE(p.access_points.entry(13).enabled);
}

TEST_F(Gui3d, CoordinateSystemSetRefusesBeforeChangingAnything) {
  const Vector unit_axes[3] = {Vector(0, 1, 0), Vector(0, 0, 1), Vector(1, 0, 0)};
  const Vector long_x[3] = {Vector(2, 0, 0), Vector(0, 1, 0), Vector(0, 0, 1)};
  const Vector world[3] = {Vector(1, 0, 0), Vector(0, 1, 0), Vector(0, 0, 1)};
  struct Step {
    const char* name;
    uint32_t type;
    const Vector* axes;
    uint32_t mask;
    bool changed;
    bool refused;
    uint32_t type_after, mask_after;
    float x_after_x;
  } steps[] = {
      {"world again", 1, world, 0, false, false, 1, 0, 1},
      {"a new mask", 1, world, 4, true, false, 1, 4, 1},
      {"given axes", 2, unit_axes, 0, true, false, 2, 0, 0},
      {"the same given axes", 2, unit_axes, 0, false, false, 2, 0, 0},
      {"a long axis", 2, long_x, 1 << 1, false, true, 2, 0, 0},
      {"a long axis exempt", 2, long_x, 1, true, false, 2, 1, 2},
      {"view axes", 3, world, 1, true, false, 3, 1, 1},
      {"back to world: a change of type", 1, world, 1, true, false, 1, 1, 1},
  };
  CoordinateSystem cs;
  for (const Step& s : steps) {
    const char* m = "stale";
    EXPECT_EQ(cs.set(s.type, s.axes, s.mask, &m), s.changed) << s.name;
    if (s.refused) {
      EXPECT_STREQ(m, "COORDINATE_SYSTEM item attribute: Direction vector is not normalized") << s.name;
    } else {
      EXPECT_EQ(m, nullptr) << s.name;
    }
    EXPECT_EQ(cs.type, s.type_after) << s.name;
    EXPECT_EQ(cs.mask, s.mask_after) << s.name;
    EXPECT_FLOAT_EQ(cs.axis[0].x(), s.x_after_x) << s.name;
  }
}

TEST_F(Gui3d, PointTypeRefusesItsMissingOwnAxes) {
  GUI3DPoint p(0, 0, nullptr, nullptr);
  const char* m = nullptr;
  float axes[9] = {};
  EXPECT_FALSE(p.set_coordinate_system(0, axes, 0, &m));
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(p.coordinate_system->type, 1u);
  m = nullptr;
  EXPECT_TRUE(p.set_coordinate_system(3, axes, 0, &m)) << "the view's axes";
  EXPECT_FLOAT_EQ(p.coordinate_system->axis[1].z(), 1) << "v of view 1 is +z";
  Arrows a;
  float given[9] = {0, 0, 1, 1, 0, 0, 0, 1, 0};
  EXPECT_TRUE(a.set_coordinate_system(2, given, 0, &m));
  EXPECT_TRUE(a.set_coordinate_system(0, given, 0, &m)) << "the plane type gives its own axes";
  EXPECT_FLOAT_EQ(a.coordinate_system->axis[0].x(), 1);
}

TEST_F(Gui3d, AxisIsChosenBeyondFifteenTekUnitsByTheBestCosine) {
  struct Case {
    const char* name;
    int dx, dy;
    bool chosen;
    uint32_t axis;
  } cases[] = {
      {"squared distance 221", 14, 5, false, 0},
      {"squared distance 225 along x", 15, 0, true, 0},
      {"9, 12: z has the larger cosine", 9, 12, true, 2},
      {"12, -9: x has the larger cosine", 12, -9, true, 0},
      {"-9, -12: z, whatever the sign", -9, -12, true, 2},
  };
  const Vector axes[3] = {Vector(1, 0, 0), Vector(0, 1, 0), Vector(0, 0, 1)};  // y is seen end-on
  for (const Case& c : cases) {
    GUI3DPoint p(0, 0, nullptr, nullptr);
    press_at(2048, 1638);
    uint32_t chosen = 99;
    TekPoint pointer = {uint16_t(2048 + c.dx), uint16_t(1638 + c.dy)};
    EXPECT_EQ(p.define_translation_direction(Point(0, 0, 0), 3, axes, pointer, &chosen), c.chosen) << c.name;
    if (c.chosen) {
      EXPECT_EQ(chosen, c.axis) << c.name;
    }
  }
}

TEST_F(Gui3d, TranslationFollowsThePointerWithScaleAndIncrement) {
  struct Case {
    const char* name;
    float start_x, linear, scale;
    uint16_t pointer_x;
    float x;
  } cases[] = {
      {"free", 0, 0, 1, 2048 + 55, 55.5f},
      {"increment 0.5 from 0.3 rounds down", 0.3f, 0.5f, 1, 2048 + 55, 0.3f + 0.5f * 110},
      {"increment 0.5 from 0.2 rounds up", 0.2f, 0.5f, 1, 2048 + 55, 0.2f + 0.5f * 111},
      {"motion scale 2", 0, 0, 2, 2048 + 40, 2 * 40.5f},
      {"back past the start", 0, 0.5f, 1, 2048 - 60, -59.5f},
  };
  for (const Case& c : cases) {
    GUI3DPoint p(0, 0, nullptr, nullptr);
    p.reference_point = Point(c.start_x, 0, 0);
    p.set_increment_linear(c.linear);
    p.set_motion_scale(c.scale);
    press_at(2048, 1638);
    p.translate_xyz(TekPoint{uint16_t(2048 + 3), 1638});
    EXPECT_FALSE(GUI3D::translation_in_progress) << c.name << ": inside the start circle";
    EXPECT_FLOAT_EQ(p.reference_point.x(), c.start_x) << c.name;
    p.translate_xyz(TekPoint{c.pointer_x, 1638 + 2});
    EXPECT_TRUE(GUI3D::translation_in_progress) << c.name;
    EXPECT_NEAR(p.reference_point.x(), c.x, 1e-4) << c.name;
    EXPECT_FLOAT_EQ(p.reference_point.y(), 0) << c.name;
    EXPECT_FLOAT_EQ(p.reference_point.z(), 0) << c.name;
  }
}

TEST_F(Gui3d, PlaneTranslationMovesBothFreeAxesAndButtonTwoIgnoresScale) {
  GUI3DPoint p(0, 0, nullptr, nullptr);
  p.set_motion_scale(2);
  press_at(2048, 1638, 2);
  p.translate_in_view(TekPoint{2048 + 20, 1638 + 30});
  EXPECT_NEAR(p.reference_point.x(), 20.5f, 1e-4);
  EXPECT_NEAR(p.reference_point.z(), 30, 1e-4);
  press_at(2048, 1638, 1);
  p.reference_point = Point(0, 0, 0);
  p.translate_in_view(TekPoint{2048 + 20, 1638 + 30});
  EXPECT_NEAR(p.reference_point.x(), 41, 1e-4) << "button 1 scales";
  EXPECT_NEAR(p.reference_point.z(), 60, 1e-4);
}

// Button 2 on a point whose two free axes span a plane the view sees edge-on
// drags along the free axis the view shows; parallel free axes move nothing.
TEST_F(Gui3d, PlaneTranslationOfTwoFreeAxesFollowsWhatTheViewShows) {
  struct Case {
    const char* name;
    uint32_t type, mask;
    float axes[9];
    float x, y, z;
  } cases[] = {
      {"x and z: the view plane", 1, 2, {}, 20.5f, 0, 30},
      {"x and y, edge-on: along x", 1, 4, {}, 20.5f, 0, 0},
      {"y and z, edge-on: along z", 1, 1, {}, 0, 0, 30},
      {"x and y parallel: no plane", 2, 4, {1, 0, 0, 1, 0, 0, 0, 0, 1}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GUI3DPoint p(0, 0, nullptr, nullptr);
    const char* m = nullptr;
    p.set_coordinate_system(c.type, c.axes, c.mask, &m);
    ASSERT_EQ(m, nullptr);
    press_at(2048, 1638, 2);
    for (int step = 1; step <= 2; ++step) p.translate_in_view(TekPoint{uint16_t(2048 + 10 * step), uint16_t(1638 + 15 * step)});
    EXPECT_NEAR(p.reference_point.x(), c.x, 1e-4);
    EXPECT_NEAR(p.reference_point.y(), c.y, 1e-4);
    EXPECT_NEAR(p.reference_point.z(), c.z, 1e-4);
  }
}

TEST_F(Gui3d, RotationSnapsToWholeDegreesFromItsStart) {
  struct Case {
    const char* name;
    uint32_t angular;
    float degrees;  // expected angle of the new x from (1, 0, 0) toward (0, 0, 1)
  } cases[] = {
      {"free", 0, std::atan2(7.0f, 40.5f) / DEG},
      {"one degree", 3600, 10},
      {"five degrees", 5 * 3600, 10},
      {"four degrees", 4 * 3600, 8},
  };
  for (const Case& c : cases) {
    Arrows a;
    face_viewer(a);
    a.set_increment_angular(c.angular);
    press_at(2048, 1638);
    a.rotate_x_around_z(TekPoint{2048 + 40, 1638 + 7});  // inside the circle of radius 50
    EXPECT_NEAR(a.x_axis.x(), std::cos(c.degrees * DEG), 1e-5) << c.name;
    EXPECT_NEAR(a.x_axis.z(), std::sin(c.degrees * DEG), 1e-5) << c.name;
    EXPECT_NEAR(det(a.x_axis, a.y_axis, a.z_axis), 1, 1e-5) << c.name;
  }
}

TEST_F(Gui3d, RotationStopsWhenItsAxesChangeFromOutside) {
  for (bool abort : {true, false}) {
    Arrows a;
    face_viewer(a);
    a.outside_change_abort = abort;
    press_at(2048, 1638);
    a.rotate_x_around_z(TekPoint{2048 + 40, 1638 + 7});
    a.x_axis = Vector(1, 0, 0), a.y_axis = Vector(0, 0, 1);  // the YARL program sets them back
    a.rotate_x_around_z(TekPoint{2048 - 30, 1638 + 30});
    if (abort) {
      EXPECT_FLOAT_EQ(a.x_axis.x(), 1) << "the drag no longer follows the pointer";
      a.rotate_x_around_z(TekPoint{2048 + 10, 1638 + 30});
      EXPECT_FLOAT_EQ(a.x_axis.x(), 1) << "for the rest of the drag";
    } else {
      EXPECT_NEAR(a.x_axis.x(), -std::sqrt(0.5f), 0.02f) << "without the abort flag it goes on";
    }
  }
}

TEST_F(Gui3d, PointerAtTheCentreKeepsThePreviousAxes) {
  Arrows a;
  face_viewer(a);
  a.reference_point = Point(0.5f, 0, 0);  // where tek (2048, 1638) hits the plane
  press_at(2048, 1638);
  a.rotate_x_around_z(TekPoint{2048, 1638});
  EXPECT_FLOAT_EQ(a.x_axis.x(), 1);
  EXPECT_FLOAT_EQ(a.y_axis.z(), 1);
  a.rotate_x_around_z(TekPoint{2048, 1638 + 30});
  EXPECT_NEAR(a.x_axis.z(), 1, 1e-5) << "the next motion goes on";
}

TEST_F(Gui3d, SphereHalfSwapsWhenThePointerLeavesAndComesBack) {
  Arrows a;
  press_at(2048, 1638);
  Point p;
  const float near_y = -std::sqrt(100.0f * 100 - 0.25f);
  a.point_on_sphere(Point(0, 0, 0), 100, Vector(0, -1, 0), TekPoint{2048, 1638}, &p);
  EXPECT_NEAR(p.y(), near_y, 1e-2) << "an axis toward the viewer takes the front half";
  a.point_on_sphere(Point(0, 0, 0), 100, Vector(0, -1, 0), TekPoint{2048 + 300, 1638}, &p);
  EXPECT_NEAR(p.x(), 100, 1e-3) << "outside: the silhouette toward the ray";
  EXPECT_NEAR(p.y(), 0, 1e-3);
  a.point_on_sphere(Point(0, 0, 0), 100, Vector(0, -1, 0), TekPoint{2048, 1638}, &p);
  EXPECT_NEAR(p.y(), -near_y, 1e-2) << "back inside: the other half";
  press_at(2048, 1638);
  a.point_on_sphere(Point(0, 0, 0), 100, Vector(0, 1, 0), TekPoint{2048, 1638}, &p);
  EXPECT_NEAR(p.y(), -near_y, 1e-2) << "an axis away from the viewer takes the back half";
}

TEST_F(Gui3d, InvertClicksTurnTheTripleAndKeepItRightHanded) {
  using Invert = void (GUI3DPlaneType::*)(TekPoint);
  struct Case {
    const char* name;
    Invert invert;
    int negated_x, negated_y, negated_z;
  } cases[] = {
      {"invert_x", &GUI3DPlaneType::invert_x, 1, 1, 0},
      {"invert_y", &GUI3DPlaneType::invert_y, 1, 1, 0},
      {"invert_z", &GUI3DPlaneType::invert_z, 0, 1, 1},
      {"invert_xz", &GUI3DPlaneType::invert_xz, 1, 0, 1},
  };
  for (const Case& c : cases) {
    Arrows a;
    (a.*c.invert)(TekPoint{0, 0});
    EXPECT_FLOAT_EQ(a.x_axis.x(), c.negated_x ? -1 : 1) << c.name;
    EXPECT_FLOAT_EQ(a.y_axis.y(), c.negated_y ? -1 : 1) << c.name;
    EXPECT_FLOAT_EQ(a.z_axis.z(), c.negated_z ? -1 : 1) << c.name;
    EXPECT_FLOAT_EQ(det(a.x_axis, a.y_axis, a.z_axis), 1) << c.name;
  }
}

TEST_F(Gui3d, NearMeFindsAccessPointsWithinFiftyTekUnits) {
  struct Case {
    int dx, dy;
    bool found;
  } cases[] = {{50, 0, true}, {30, 40, true}, {50, 1, false}, {0, 51, false}};
  for (const Case& c : cases) {
    GUI3DPoint p(0, 0, nullptr, nullptr);
    p.reference_point = Point(-0.5f, 0, 0);  // tek (2047, 1638) exactly
    uint32_t distance, count;
    uint8_t numbers[11];
    TekPoint positions[11];
    TekPoint pointer = {uint16_t(2047 + c.dx), uint16_t(1638 + c.dy)};
    EXPECT_EQ(p.near_me(pointer, distance, count, numbers, positions), c.found) << c.dx << "," << c.dy;
    if (c.found) {
      EXPECT_EQ(distance, uint32_t(c.dx * c.dx + c.dy * c.dy));
      EXPECT_EQ(count, 1u);
      EXPECT_EQ(numbers[0], 13);
    }
  }
}

TEST_F(Gui3d, SettersReportOnlyChanges) {
  GUI3DPoint p(0, 0, nullptr, nullptr);
  EXPECT_TRUE(p.set_color(0xFF8000));
  EXPECT_FALSE(p.set_color(0xFF8000));
  EXPECT_FLOAT_EQ(p.color[1], 128 / 255.0f);
  EXPECT_TRUE(p.set_motion_scale(2));
  EXPECT_FALSE(p.set_motion_scale(2));
  EXPECT_TRUE(p.set_increment_angular(3600));
  EXPECT_FALSE(p.set_increment_linear(0));
}

TEST_F(Gui3d, RotationVectorMustBeUnitAndPerpendicular) {
  struct Case {
    const char* name;
    float x, y, z;
    const char* message;
    float x_after;
  } cases[] = {
      {"taken", 0, 1, 0, nullptr, 0},
      {"not unit", 0, 2, 0, "3D GUI: rotation vector is not normalized", 1},
      {"along z", 0, 0, 1, "3D GUI: rotation vector is not perpendicular to direction vector", 1},
  };
  for (const Case& c : cases) {
    Arrows a;
    const char* m = nullptr;
    a.set_rotation(c.x, c.y, c.z, 1, &m);
    EXPECT_STREQ(m, c.message) << c.name;
    EXPECT_FLOAT_EQ(a.x_axis.x(), c.x_after) << c.name;
    EXPECT_NEAR(det(a.x_axis, a.y_axis, a.z_axis), 1, 1e-6) << c.name;
  }
}

}  // namespace
