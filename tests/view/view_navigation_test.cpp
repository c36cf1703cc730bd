// Linked views: creating and dissolving the links, and the linked views
// following the current view as one set of cameras.
#include "view/view_navigation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/predefined.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

void make_current(int n) {
  put_predef(111, n);
  update_current_viewport();
}

uint32_t count_of(int n) { return get_view_record(n)->dependent_count; }

class LinkedViews : public testing::Test {
 protected:
  void SetUp() override {
    put_predef(111, 1);
    init_views();
    change_vl_system_viewport(0, 1280, 0, 1024);
  }
};

TEST_F(LinkedViews, LinkingBuildsGroupsAndIgnoresWhatCannotBeLinked) {
  struct Case {
    const char* name;
    std::vector<uint32_t> links;  // each linked with view 1
    std::vector<uint32_t> counts;  // of views 1, 2, 3, 10
  } cases[] = {
      {"one pair", {2}, {1, 1, 0, 0}},
      {"a group of three", {2, 3}, {2, 2, 2, 0}},
      {"a view already linked", {2, 2}, {1, 1, 0, 0}},
      {"the current view itself", {1}, {0, 0, 0, 0}},
      {"numbers outside 1..33", {0, 34, 4000000000u}, {0, 0, 0, 0}},
      {"a ninth dependant", {2, 3, 4, 5, 6, 7, 8, 9, 10}, {8, 8, 8, 0}},
  };
  for (const Case& c : cases) {
    SetUp();
    for (uint32_t n : c.links) create_view_dependency(n);
    std::vector<uint32_t> counts = {count_of(1), count_of(2), count_of(3), count_of(10)};
    EXPECT_EQ(counts, c.counts) << c.name;
  }
}

TEST_F(LinkedViews, AViewWithLinksCannotJoinAnotherGroup) {
  create_view_dependency(2);
  make_current(3);
  create_view_dependency(2);
  EXPECT_EQ(count_of(3), 0u);
  create_view_dependency(4);
  EXPECT_EQ(count_of(3), 1u);
  EXPECT_EQ(count_of(1), 1u);
}

TEST_F(LinkedViews, DeletingOneMemberDissolvesTheWholeGroup) {
  create_view_dependency(2);
  create_view_dependency(3);
  create_view_dependency(4);
  delete_view_dependency(0);
  delete_view_dependency(34);
  EXPECT_EQ(count_of(1), 3u);
  delete_view_dependency(3);
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(count_of(n), 0u) << n;

  // Views 1 and 2 lost their mutual link too: moving 1 leaves 2.
  const view_type before = *get_view_record(2);
  ASSERT_TRUE(set_translate(50, 0, 0));
  EXPECT_EQ(get_view_record(2)->reference_point[0], before.reference_point[0]);
}

// The pose of view d seen from view c: the offset, direction and v axis in c's axes, and the size ratios.
struct RelativePose {
  Vector offset, direction, v;
  float width_ratio, height_ratio;
};

RelativePose pose_of(int d, int c) {
  const view_type* a = get_view_record(c);
  const view_type* b = get_view_record(d);
  Vector u(a->u), v(a->v), w(a->direction);
  auto in_c = [&](const Vector& x) { return Vector(x * u, x * v, x * w); };
  return {in_c(Point(b->reference_point) - Point(a->reference_point)), in_c(Vector(b->direction)), in_c(Vector(b->v)),
          b->window_width / a->window_width, b->window_height / a->window_height};
}

void expect_same_pose(const RelativePose& got, const RelativePose& want) {
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(got.offset.coord_array()[i], want.offset.coord_array()[i], 1e-2) << "offset " << i;
    EXPECT_NEAR(got.direction.coord_array()[i], want.direction.coord_array()[i], 1e-5) << "direction " << i;
    EXPECT_NEAR(got.v.coord_array()[i], want.v.coord_array()[i], 1e-5) << "v " << i;
  }
  EXPECT_NEAR(got.width_ratio, want.width_ratio, 1e-5);
  EXPECT_NEAR(got.height_ratio, want.height_ratio, 1e-5);
}

// View 2 set apart from view 1: moved, turned and zoomed.
void place_view_2() {
  make_current(2);
  set_viewport_size_x(2000);
  set_viewport_size_y(1600);
  set_translate(100, -20, 30);
  change_rotate(36000, -18000, 7200);
  change_zoom(0.5f);
  make_current(1);
}

TEST_F(LinkedViews, LinkedViewsFollowEveryMoveOfTheCurrentView) {
  place_view_2();
  create_view_dependency(2);
  const RelativePose want = pose_of(2, 1);
  const view_type* v2 = get_view_record(2);
  const float viewport[4] = {v2->viewport[0], v2->viewport[1], v2->viewport[2], v2->viewport[3]};

  struct Move {
    const char* name;
    bool (*apply)();
  } moves[] = {
      {"translate", [] { return set_translate(10, 20, 30); }},
      {"change_translate", [] { return change_translate(5, -5, 40); }},
      {"set_rotate", [] { return set_rotate(100000, -50000, 20000); }},
      {"change_rotate", [] { return change_rotate(-7200, 3600, 90000); }},
      {"set_vpn", [] { return set_vpn(1, 2, -3); }},
      {"set_vup", [] { return set_vup(0.3f, 0, 1); }},
      {"change_zoom", [] { return change_zoom(3); }},
      {"set_zoom_y", [] { return set_zoom_y(2); }},
  };
  for (const Move& m : moves) {
    SCOPED_TRACE(m.name);
    float distance = get_eye_distance(v2);
    ASSERT_TRUE(m.apply());
    expect_same_pose(pose_of(2, 1), want);
    EXPECT_EQ(memcmp(viewport, v2->viewport, sizeof viewport), 0) << "the viewport is not followed";
    EXPECT_TRUE(v2->needs_update);
    if (std::string(m.name) == "translate") {
      EXPECT_NEAR(get_eye_distance(v2), distance, 1e-2) << "the eye keeps its distance";
      Vector to_eye = Point(v2->eye) - Point(v2->reference_point);
      EXPECT_NEAR(to_eye * Vector(v2->direction), distance, 1e-2) << "on the new direction";
    }
  }
}

TEST_F(LinkedViews, EveryMemberOfAGroupMovesTheOthers) {
  place_view_2();
  make_current(3);
  set_translate(-300, 0, 0);
  make_current(1);
  create_view_dependency(2);
  create_view_dependency(3);
  const RelativePose want_1 = pose_of(1, 2), want_3 = pose_of(3, 2);

  make_current(2);
  ASSERT_TRUE(change_rotate(20000, 40000, -60000));
  ASSERT_TRUE(change_translate(7, 8, 9));
  expect_same_pose(pose_of(1, 2), want_1);
  expect_same_pose(pose_of(3, 2), want_3);
}

TEST_F(LinkedViews, StereoAttributesKeepTheSwitchAndMoveTheEye) {
  EXPECT_FALSE(set_stereo_attributes(true, 6, 2000, 1)) << "the display is not stereo";
  bool on;
  float separation, distance, offset;
  get_stereo_attributes(&on, &separation, &distance, &offset);
  EXPECT_TRUE(on);
  EXPECT_EQ(separation, 6);
  EXPECT_EQ(distance, 2000);
  EXPECT_EQ(offset, 1);
  EXPECT_FLOAT_EQ(get_focus(), 2000);

  set_stereo(true);
  EXPECT_FALSE(set_stereo_attributes(true, 6, 2000, 1)) << "nothing changed";
  EXPECT_TRUE(set_stereo_attributes(false, 6, 2000, 1)) << "the switch alone is a change";
  EXPECT_FALSE(set_stereo_attributes(true, 6, NAN, 1));
  get_stereo_attributes(&on, &separation, &distance, &offset);
  EXPECT_FALSE(on);
  set_stereo(false);
}

}  // namespace
