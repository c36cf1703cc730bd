// Point and Vector: the tolerances of their comparisons and of normalisation.
#include <gtest/gtest.h>

#include "base/point_vector.h"
#include "tests/support/dump_files.h"

namespace {

TEST(PointVector, ComparisonsUseTheirTolerances) {
  EXPECT_TRUE(Point(1e-7f, 0, 0) != Point(0, 0, 0)) << "points compare exactly";
  EXPECT_FALSE(Vector(1e-5f, 0, 0) != Vector(0, 0, 0));
  EXPECT_TRUE(Vector(2e-5f, 0, 0) != Vector(0, 0, 0));
}

TEST(PointVector, UnitLengthTest) {
  EXPECT_TRUE(Vector(0, 0, 1.0000005f).is_normalized());
  EXPECT_FALSE(Vector(0, 0, 1.000002f).is_normalized());
}

TEST(PointVector, NormalizationRefusesTinyVectors) {
  Vector n = Vector(1e-5f, 0, 0).normalize();
  EXPECT_FLOAT_EQ(n.x(), 1);
  EXPECT_EXIT(Vector(9e-6f, 0, 0).normalize(), testing::ExitedWithCode(1), removing_dump("module name: Vector"));
}

TEST(PointVector, Arithmetic) {
  Vector a(1, 2, 3), b(4, 5, 6);
  EXPECT_EQ(a * b, 32);
  Vector c = a.cross_product(b);
  EXPECT_EQ(c.x(), -3);
  EXPECT_EQ(c.y(), 6);
  EXPECT_EQ(c.z(), -3);
  Point p = Point(1, 1, 1) + 2.0f * a;
  EXPECT_EQ(p.z(), 7);
  EXPECT_EQ(p.distance_square(Point(1, 1, 1)), 56);
  EXPECT_FLOAT_EQ(Point(0, 3, 4).distance(Point(0, 0, 0)), 5);
  Vector d = Point(2, 2, 2) - Point(1, 0, 2);
  EXPECT_EQ(d.length_square(), 5);
}

}  // namespace
