// Tek, pixels, model and view coordinates, and the manipulators' line geometry.
#include <gtest/gtest.h>

#include "runtime/predefined.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

class Transforms : public testing::Test {
 protected:
  void SetUp() override {
    put_predef(111, 1);
    init_views();
    change_vl_system_viewport(0, 1280, 0, 1024);
    set_view_being_drawn(1);
    compute_view_camera(1, false, false, nullptr);
  }
};

TEST_F(Transforms, ScreenInputToTekAtTheCornersAndOnePixelPast) {
  struct Case {
    uint16_t px, py, tx, ty;
    bool inside;
  } cases[] = {
      {0, 0, 0, 3276, true},       {1280, 1024, 4095, 0, true}, {1281, 1024, 4095, 0, false},
      {1280, 1025, 4095, 0, false}, {0, 1024, 0, 0, true},      {640, 512, 2047, 1638, true},
  };
  for (const Case& c : cases) {
    uint16_t tx, ty;
    EXPECT_EQ(screen_input_to_tek(c.px, c.py, &tx, &ty), c.inside) << c.px << "," << c.py;
    EXPECT_EQ(tx, c.tx);
    EXPECT_EQ(ty, c.ty);
  }
  change_vl_system_viewport(100, 1000, 24, 1000);  // an area with an offset
  uint16_t tx, ty;
  EXPECT_FALSE(screen_input_to_tek(99, 24, &tx, &ty));
  EXPECT_EQ(tx, 0);
  EXPECT_EQ(ty, 3276);
}

TEST_F(Transforms, WindowToTekClampsOutside) {
  struct Case {
    int x, y;
    uint32_t packed;
  } cases[] = {
      {-1, -1, 3276u << 16 | 0}, {1280, 1024, 0u << 16 | 4095}, {1281, 1025, 0u << 16 | 4095},
      {640, 512, 1638u << 16 | 2047}, {0, 2000, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(window_to_tek(c.x, c.y), c.packed) << c.x << "," << c.y;
}

TEST_F(Transforms, ModelToTekAndBack) {
  TekPoint t{};
  EXPECT_TRUE(model_to_tek(Point(0, 0, 0), t));
  EXPECT_EQ(t.x, 2048);
  EXPECT_EQ(t.y, 1638);
  EXPECT_FALSE(model_to_tek(Point(-5000, 0, 100), t)) << "left of the viewport";
  EXPECT_EQ(t.x, 0);
  EXPECT_EQ(t.y, 1738) << "y is still computed";
  Point p = tek_to_model(TekPoint{1047, 638}, 0);
  EXPECT_NEAR(p.x(), -1000.5f, 1e-3);
  EXPECT_NEAR(p.z(), -1000, 1e-3);
  EXPECT_NEAR(p.y(), 0, 1e-3);
}

TEST_F(Transforms, ModelAndViewSpaces) {
  const view_type* v = get_view_record(1);
  Vector inv = model_to_view(v, Point(10, 20, 30), false);
  EXPECT_FLOAT_EQ(inv.x(), 10);
  EXPECT_FLOAT_EQ(inv.y(), 30);
  EXPECT_FLOAT_EQ(inv.z(), -20);
  Point back = view_to_model(v, inv);
  EXPECT_FALSE(back != Point(10, 20, 30));

  ASSERT_TRUE(set_projection(true));  // magnified in front of the reference point
  float f = get_focus();
  inv = model_to_view(v, Point(10, -1000, 0), true);
  EXPECT_FLOAT_EQ(inv.x(), 10 * f / (f - 1000));
  inv = model_to_view(v, Point(10, -f - 1, 0), true);
  EXPECT_FLOAT_EQ(inv.x(), 10) << "behind the eye: not magnified";
}

TEST_F(Transforms, PickRays) {
  Point origin;
  Vector direction;
  ASSERT_TRUE(define_pick_ray(TekPoint{2048, 1638}, &origin, &direction));
  EXPECT_NEAR(origin.x(), 0.5f, 1e-3);
  EXPECT_FLOAT_EQ(direction.y(), -1);
  set_mirror_display(1);
  ASSERT_TRUE(define_pick_ray(TekPoint{2048, 1638}, &origin, &direction));
  EXPECT_FLOAT_EQ(direction.y(), 1) << "mirror mode 1 negates y";
  set_mirror_display(0);
  set_projection(true);
  ASSERT_TRUE(define_pick_ray(TekPoint{2048, 1638}, &origin, &direction));
  EXPECT_TRUE(direction.is_normalized());
  EXPECT_NEAR(direction.y(), -1, 1e-3);
  vector_type point, second;
  get_3d_line_screen_pos(2048, 1638, &point, &second);
  EXPECT_EQ(second.x, 0);
  EXPECT_FLOAT_EQ(second.y, -get_focus()) << "the eye in perspective";
}

TEST_F(Transforms, LineAndPlaneGeometry) {
  float dist;
  Point q1, q2;
  EXPECT_TRUE(distance_line_line(Point(0, 0, 0), Vector(1, 0, 0), Point(0, 3, 4), Vector(1, 0, 0), &dist, &q1, &q2));
  EXPECT_FLOAT_EQ(dist, 25);
  EXPECT_FALSE(distance_line_line(Point(0, 0, 0), Vector(1, 0, 0), Point(5, 2, 1), Vector(0, 0, 1), &dist, &q1, &q2));
  EXPECT_FLOAT_EQ(dist, 4);
  EXPECT_FLOAT_EQ(q1.x(), 5);
  EXPECT_FLOAT_EQ(q2.z(), 0);

  Point x(9, 9, 9);
  float t = 7;
  EXPECT_TRUE(intersect_line_plane(Point(0, 0, 2), Vector(0, 0, 1), Point(1, 1, 0), Vector(0, 0, 2), &x, &t));
  EXPECT_FLOAT_EQ(t, 1);
  EXPECT_FLOAT_EQ(x.z(), 2);
  Point untouched(9, 9, 9);
  EXPECT_FALSE(intersect_line_plane(Point(0, 0, 2), Vector(0, 0, 1), Point(1, 1, 0), Vector(1, 0, 0), &untouched, &t));
  EXPECT_FALSE(untouched != Point(9, 9, 9));

  float m[3][3];
  compute_rot_matrix(Vector(0, -1, 0), Vector(0, 0, 1), m);
  EXPECT_FLOAT_EQ(m[0][0], 1);  // u column
  EXPECT_FLOAT_EQ(m[2][1], 1);  // v column
  EXPECT_FLOAT_EQ(m[1][2], -1); // the direction
  Point foot = project_point_to_plane(Point(3, 4, 5), Point(0, 0, 1), Vector(0, 0, 2));
  EXPECT_FALSE(foot != Point(3, 4, 1)) << "the foot on the plane z = 1, whatever the normal's length";
}

}  // namespace
