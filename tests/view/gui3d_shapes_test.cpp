// Geometry of the manipulators' symbols: ruler sections, rectangle handles and
// texture coordinates, grid snapping and the world-axis placement.
#include "view/gui3d_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Sections {
  float length;
  bool drawn;
  float spacing;
  int subdivisions;
};

TEST(AxisSections, SpacingAndSubdivisionsFollowTheLengthsDecade) {
  const float inf = std::numeric_limits<float>::infinity();
  const Sections cases[] = {
      {0.07f, true, 0.05f, 5}, {1.5f, true, 1, 10},  {3, true, 2, 2},         {1, true, 1, 10},
      {7, true, 5, 5},         {250, true, 200, 2},  {2e10f, false, 0, 0},    {1e-11f, false, 0, 0},
      {0, false, 0, 0},        {-3, false, 0, 0},    {inf, false, 0, 0},      {std::nanf(""), false, 0, 0},
  };
  for (const Sections& c : cases) {
    float spacing = -1;
    int subdivisions = -1;
    ASSERT_EQ(define_axis_sections(c.length, &spacing, &subdivisions), c.drawn) << c.length;
    if (!c.drawn) continue;
    EXPECT_FLOAT_EQ(spacing, c.spacing) << c.length;
    EXPECT_EQ(subdivisions, c.subdivisions) << c.length;
  }
}

void expect_point(const Point& p, float x, float y, float z, const char* what) {
  EXPECT_NEAR(p.x(), x, 1e-5f) << what;
  EXPECT_NEAR(p.y(), y, 1e-5f) << what;
  EXPECT_NEAR(p.z(), z, 1e-5f) << what;
}

TEST(RectangleHandles, LieOnTheEdgesOfARotatedFrame) {
  // x and y turned 30 degrees about z; lengths 4 along x and 2 along y, centre (0.25, 0.75).
  float c = std::cos(float(M_PI / 6)), s = std::sin(float(M_PI / 6));
  Vector x(c, s, 0), y(-s, c, 0);
  Point p(1, 2, 3), h[RECTANGLE_HANDLES];
  rectangle_handle_positions(p, x, y, 4, 2, 0.25f, 0.75f, h);
  auto at = [&](float i, float j) { return p + x * i + y * j; };
  const struct {
    float i, j;
    const char* name;
  } expected[RECTANGLE_HANDLES] = {{2, 0, "lower middle"}, {4, 0, "lower right"},  {0, 1, "middle left"},
                                   {4, 1, "middle right"}, {0, 2, "upper left"},   {2, 2, "upper middle"},
                                   {4, 2, "upper right"},  {0.4f, 0, "origin"},    {1, 1.5f, "centre"}};
  for (int k = 0; k < RECTANGLE_HANDLES; ++k) {
    Point e = at(expected[k].i, expected[k].j);
    expect_point(h[k], e.x(), e.y(), e.z(), expected[k].name);
  }
}

// The texture coordinate of rectangle point (i, j), in fractions of the edges,
// interpolated over the quad's corners (an affine map: the corners form a parallelogram).
void texture_at(const float st[4][2], float i, float j, float* s, float* t) {
  *s = st[0][0] + i * (st[1][0] - st[0][0]) + j * (st[3][0] - st[0][0]);
  *t = st[0][1] + i * (st[1][1] - st[0][1]) + j * (st[3][1] - st[0][1]);
}

TEST(RectangleTextureCoordinates, FollowTheRepeatsOffsetsAndAngle) {
  struct Case {
    float degrees;
    bool centre;
  };
  const float a = 3, b = 1.5f;  // q = 2
  for (Case k : {Case{0, false}, Case{30, false}, Case{0, true}, Case{30, true}}) {
    RectangleTexture t;
    t.repeat_x = 2, t.repeat_y = 3, t.x_offset = 0.25f, t.y_offset = -0.125f;
    t.cosine = std::cos(k.degrees * float(M_PI) / 180), t.sine = std::sin(k.degrees * float(M_PI) / 180);
    float st[4][2];
    const float u = 0.25f, v = 0.5f;
    rectangle_texture_coordinates(t, a, b, k.centre, u, v, st);
    float q = a / b, c = t.cosine, s = t.sine;
    float s0 = 0.25f, t0 = -0.125f;
    if (k.centre) s0 += 2 / q * v * s + (1 - c) * 2 * u, t0 += (1 - c) * 3 * v - 3 * q * u * s;
    const float expected[4][2] = {{s0, t0},
                                  {s0 + 2 * c, t0 + 3 * q * s},
                                  {s0 + 2 * (c - s / q), t0 + 3 * (q * s + c)},
                                  {s0 - 2 * s / q, t0 + 3 * c}};
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 2; ++j) EXPECT_NEAR(st[i][j], expected[i][j], 1e-5f) << k.degrees << " " << k.centre;
    if (k.centre) {
      float cs, ct;
      texture_at(st, u, v, &cs, &ct);
      EXPECT_NEAR(cs, 0.25f + 2 * u, 1e-5f) << "the centre keeps its coordinate at " << k.degrees;
      EXPECT_NEAR(ct, -0.125f + 3 * v, 1e-5f) << "the centre keeps its coordinate at " << k.degrees;
    }
  }
}

TEST(RectangleTextureCoordinates, ALengthBelowTheMinimumIsNeverDividedBy) {
  RectangleTexture t;
  t.cosine = std::cos(0.5f), t.sine = std::sin(0.5f);
  float st[4][2];
  rectangle_texture_coordinates(t, 2, 0, true, 0.5f, 0.5f, st);
  for (auto& corner : st) EXPECT_TRUE(std::isfinite(corner[0]) && std::isfinite(corner[1]));
}

TEST(GridSnapping, WholeSegmentsWithHalvesRoundedUp) {
  const struct {
    float offset, size, expected;
  } cases[] = {{0.4f, 1, 0}, {0.5f, 1, 1}, {1.49f, 1, 1}, {1.5f, 1, 2}, {-0.5f, 1, -1},
               {-1.2f, 1, -1}, {7.4f, 2.5f, 7.5f}, {6.2f, 2.5f, 5}, {0, 2, 0}};
  for (auto c : cases) EXPECT_FLOAT_EQ(round_to_segments(c.offset, c.size), c.expected) << c.offset << " " << c.size;
}

TEST(Axes, RebuiltPerpendicularToZAndRightHanded) {
  const Vector zs[] = {Vector(0, 0, 1), Vector(0, 0, -1), Vector(1, 0, 0), Vector(0, 1, 0),
                       Vector(0.6f, 0, 0.8f), Vector(0, -0.6f, 0.8f)};
  for (const Vector& z : zs) {
    Vector x(1, 0, 0), y(0, 1, 0);
    ASSERT_TRUE(rebuild_axes_about_z(x, y, z));
    EXPECT_NEAR(x * z, 0, 1e-6f);
    EXPECT_NEAR(y * z, 0, 1e-6f);
    EXPECT_NEAR(x * y, 0, 1e-6f);
    EXPECT_NEAR(x.cross_product(y) * z, 1, 1e-5f);
  }
  Vector x(1, 0, 0), y(0, 1, 0);
  EXPECT_FALSE(rebuild_axes_about_z(x, y, Vector(0, 0, 0))) << "a zero z is refused, not normalised";
  EXPECT_FLOAT_EQ(x.x(), 1);
  EXPECT_FLOAT_EQ(y.y(), 1);
}

TEST(WorldAxisPlacement, TekThreeHundredFourHundredInsideEachViewport) {
  const struct {
    float vp[4], x, y;
  } cases[] = {{{0, 0, 1280, 1024}, 94, 125}, {{640, 512, 640, 512}, 687, 575}};
  for (auto& c : cases) {
    float x, y;
    world_axis_pixel(c.vp, &x, &y);
    EXPECT_FLOAT_EQ(x, c.x);
    EXPECT_FLOAT_EQ(y, c.y);
  }
}

TEST(WorldAxisPlacement, UnprojectsOntoTheFrontPlane) {
  // glOrtho(-2, 2, -1, 1, 1, 10) after an identity modelview: x and y scaled, z onto -1..1.
  const double ortho[16] = {0.5, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2.0 / 9, 0, 0, 0, -11.0 / 9, 1};
  const float vp[4] = {0, 0, 400, 200};
  Point p;
  ASSERT_TRUE(unproject_front(ortho, vp, 300, 150, &p));
  EXPECT_NEAR(p.x(), 1, 1e-5f);
  EXPECT_NEAR(p.y(), 0.5f, 1e-5f);
  EXPECT_NEAR(p.z(), -1, 1e-5f) << "on the near plane";
  const double flat[16] = {0};
  EXPECT_FALSE(unproject_front(flat, vp, 300, 150, &p));
}

}  // namespace
