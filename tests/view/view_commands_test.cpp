// The view commands of the application stream (RC, RV, UV, DV) read by the
// command parser from a byte buffer, ending in the views' state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/tek_parser.h"
#include "runtime/predefined.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/contains_regex.h"
#include "tests/support/protocol.h"
#include "view/transforms.h"
#include "view/view_navigation.h"
#include "view/views.h"

namespace {

using tek::command;
using tek::int_param;

using scene_stream::ints;

class ViewCommands : public scene_stream::ViewedSceneStream {
 protected:
};

std::vector<int32_t> viewport() {
  return {get_viewport_origin_x(), get_viewport_size_x(), get_viewport_origin_y(), get_viewport_size_y()};
}

void expect_vector(const float* got, float x, float y, float z) {
  EXPECT_NEAR(got[0], x, 1e-4f);
  EXPECT_NEAR(got[1], y, 1e-4f);
  EXPECT_NEAR(got[2], z, 1e-4f);
}

TEST_F(ViewCommands, ViewportCornersInEitherOrder) {
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"addresses, lower corner first", command("RV") + tek::xy12(100, 200) + tek::xy12(1000, 2000)},
      {"addresses, upper corner first", command("RV") + tek::xy12(1000, 2000) + tek::xy12(100, 200)},
      {"integers, mixed corners",
       tek::set_coor_mode(1, 6) + command("RV") + ints({100, 2000}) + ints({1000, 200})},
      {"integers, upper left then lower right",
       tek::set_coor_mode(2, 6) + command("RV") + ints({1000, 200}) + ints({100, 2000})},
  };
  for (const Case& c : cases) {
    TearDown();
    SetUp();
    EXPECT_EQ(run(c.bytes), "") << c.name;
    EXPECT_EQ(viewport(), (std::vector<int32_t>{100, 900, 200, 1800})) << c.name;
  }
}

TEST_F(ViewCommands, ViewportOfAnotherViewEnablesItAndAnEmptyOneIsIgnored) {
  run(command("RC") + int_param(3) + tek::set_coor_mode(1, 6) + command("RV") + ints({0, 0, 4095, 3276}));
  ASSERT_EQ(get_current_view_number(), 3) << "RC makes the view current through predefined 111";
  run(command("RV") + ints({4095, 3276, 2000, 1000}));
  EXPECT_TRUE(get_view_record(3)->enabled);
  EXPECT_EQ(viewport(), (std::vector<int32_t>{2000, 2095, 1000, 2276}));
  run(command("RV") + ints({10, 20, 10, 500}));
  EXPECT_EQ(viewport(), (std::vector<int32_t>{2000, 2095, 1000, 2276}));
}

// UV with every part sent: reference point r, normal r + d, up r + d + e.
std::string full_uv() {
  return command("UV") + int_param(3) + ints({1000, 2000, 3000}) + ints({-1000, -2000, -1000}) +
         ints({0, 1000, -2000}) + int_param(2) + ints({4000, 3000}) + tek::point(2, {0, 0, 500000}) +
         int_param(2) + int_param(3) + ints({0, 3000, 13000});
}

TEST_F(ViewCommands, ViewingTransformSetsTheCurrentView) {
  EXPECT_EQ(run(tek::set_coor_mode(2, 6) + full_uv()), "");
  const view_type* v = get_view_record(1);
  expect_vector(v->reference_point, 1, 2, 3);
  expect_vector(v->direction, 0, 0, -1);
  expect_vector(v->v, 0, 1, 0);
  expect_vector(v->eye, 1, 2, 503);
  EXPECT_FLOAT_EQ(v->window_width, 4);
  EXPECT_FLOAT_EQ(v->window_height, 3);
  EXPECT_FLOAT_EQ(v->window_depth, 10);
  EXPECT_TRUE(v->perspective);
  EXPECT_TRUE(v->needs_update);
}

TEST_F(ViewCommands, ViewingParametersNotSentKeepTheirValues) {
  // Nothing sent but the projection reference point: the defaults.
  run(tek::set_coor_mode(2, 6) + command("UV") + int_param(0) + int_param(0) + tek::point(2, {0, 0, 7000}) +
      int_param(0) + int_param(0));
  const view_type* v = get_view_record(1);
  expect_vector(v->reference_point, 0, 0, 0);
  expect_vector(v->direction, 0, 0, -1);
  expect_vector(v->v, 0, 1, 0);
  expect_vector(v->eye, 0, 0, 7);
  EXPECT_FLOAT_EQ(v->window_width, 0.001f);
  EXPECT_FLOAT_EQ(v->window_height, 0.001f);
  EXPECT_FLOAT_EQ(v->window_depth, 8.19f);
  EXPECT_FALSE(v->perspective);

  // After a full UV, one that sends only the width and the point keeps the rest.
  run(full_uv() + command("UV") + int_param(0) + int_param(1) + int_param(6000) + tek::point(2, {0, 0, 1000}) +
      int_param(0) + int_param(1) + int_param(0));
  expect_vector(v->reference_point, 1, 2, 3);
  expect_vector(v->direction, 0, 0, -1);
  expect_vector(v->v, 0, 1, 0);
  expect_vector(v->eye, 1, 2, 4);
  EXPECT_FLOAT_EQ(v->window_width, 6);
  EXPECT_FLOAT_EQ(v->window_height, 3);
  EXPECT_FLOAT_EQ(v->window_depth, 10);
  EXPECT_TRUE(v->perspective);
}

TEST_F(ViewCommands, DeleteViewDependencyDissolvesTheGroup) {
  create_view_dependency(2);
  create_view_dependency(3);
  run(command("DV") + int_param(2));
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(get_view_record(n)->dependent_count, 0u) << n;
}

// A refused view command: its bytes and the fatal message it gives.
struct RefusedCase {
  const char* name;
  std::string bytes;
  std::string message;
};

std::vector<RefusedCase> refused_cases() {
  const std::string mode2 = tek::set_coor_mode(2, 6);
  // UV up to the end of the window widths, with reference point z 5 and normal (0, 0, 1).
  const std::string uv_head = mode2 + command("UV") + int_param(2) + ints({0, 0, 5000, 0, 0, -4999}) + int_param(0);
  const std::string outside = "viewport outside 0\\.\\.4095, 0\\.\\.3276 not supported";
  return {
      {"ViewportAboveTheTopAddress", command("RV") + tek::xy12(0, 0) + tek::xy12(100, 3277), outside},
      {"ViewportBeyondTheRightEdge", mode2 + command("RV") + ints({0, 0, 4096, 10}), outside},
      {"ViewportLeftOfZero", mode2 + command("RV") + ints({-1, 0, 100, 10}), outside},
      {"ZeroViewPlaneNormal", mode2 + command("UV") + int_param(2) + ints({1, 1, 1, -1, -1, -1}), "vpn vector is zero"},
      {"ZeroUpVector", mode2 + command("UV") + int_param(3) + ints({0, 0, 0, 0, 0, 1, 0, 0, -1}), "vup vector is zero"},
      {"ZeroWindowWidth", mode2 + command("UV") + int_param(1) + ints({0, 0, 0}) + int_param(1) + int_param(0),
       "integer parameter 0 out of range \\(1 - 2147483647\\)"},
      {"DistanceWordNotZero", uv_head + tek::point(2, {0, 0, 9}) + int_param(0) + int_param(1) + int_param(1),
       "integer parameter 1 out of range \\(0 - 0\\)"},
      {"FrontDistanceBelowTheReference", uv_head + tek::point(2, {0, 0, 9}) + int_param(0) + ints({2, 0, 4999}),
       "integer parameter 4999 out of range \\(5000 - 2147483647\\)"},
      {"BackDistanceBelowTheFront", uv_head + tek::point(2, {0, 0, 9}) + int_param(0) + ints({3, 0, 6000, 6000}),
       "integer parameter 6000 out of range \\(6001 - 2147483647\\)"},
      {"BackNotBeyondFront", uv_head + tek::point(2, {0, 0, 9}) + int_param(0) + ints({2, 0, 8190}),
       "back distance not beyond front distance"},
      {"ReferencePointOnTheViewPlane", uv_head + tek::point(2, {0, 0, 0}) + int_param(2) + int_param(0),
       "projection reference point lies on the view plane"},
      {"DeleteViewOutOfRange", command("DV") + int_param(33), "integer parameter 33 out of range \\(1 - 32\\)"},
  };
}

class RefusedViewCommands : public ViewCommands, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedViewCommands, AreFatal) {
  const RefusedCase& c = GetParam();
  EXPECT_EXIT(serve(c.bytes), testing::ExitedWithCode(1),
              contains_regex("Fatal application error in <EC>.. command - " + c.message))
      << c.message;
}

INSTANTIATE_TEST_SUITE_P(ViewCommands, RefusedViewCommands, testing::ValuesIn(refused_cases()),
                         [](const testing::TestParamInfo<RefusedCase>& i) { return std::string(i.param.name); });

}  // namespace
