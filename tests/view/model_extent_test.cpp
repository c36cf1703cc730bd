// The model extent of the segments sent through the command parser: the depth
// range that each view's camera takes from it, and the fit of the current view.
#include "view/model_extent.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "runtime/predefined.h"
#include "scene/display_options.h"
#include "tests/scene/scene_stream.h"
#include "tests/view/screen_millimetres.h"
#include "view/transforms.h"
#include "view/view_navigation.h"
#include "view/views.h"

namespace {

using namespace scene_stream;

// A segment whose extent is the box from a to b (model units): its diagonal as a line.
std::string box_segment(long n, const tek::Point& a, const tek::Point& b) {
  auto thousandths = [](const tek::Point& p) { return tek::Point{p.x * 1000, p.y * 1000, p.z * 1000}; };
  return tek::set_coor_mode(2, 6) + so(n) + tek::vector_run(2, {thousandths(a), thousandths(b)}) + sc();
}

class ModelExtent : public ViewedSceneStream {
 protected:
  // A fresh store and views holding one segment per box.
  void start_with(const std::vector<std::pair<tek::Point, tek::Point>>& boxes) {
    cleanup_ldf();
    init_segment_structure();
    init_views();
    std::string s;
    long n = 1;
    for (const auto& [a, b] : boxes) s += box_segment(n++, a, b);
    if (!s.empty()) {
      EXPECT_EQ(run(s), "");
    }
  }
  // The depth that view 1's camera set-up takes.
  static float depth_after_camera() {
    compute_view_camera(1, false, false, nullptr);
    return get_view_record(1)->window_depth;
  }
};

TEST_F(ModelExtent, DepthRangeFollowsTheModelAsTheViewSeesIt) {
  // View 1 looks along +y from -y: view z is -(y - reference y).
  struct Case {
    const char* name;
    std::vector<std::pair<tek::Point, tek::Point>> boxes;
    float reference_y;
    uint32_t mirror;
    float depth;
  } cases[] = {
      {"empty scene", {}, 0, 0, 4 * 1.03f * 100},
      {"one box", {{{-1, -2, -3}, {4, 5, 6}}}, 0, 0, 4 * 1.03f * 5},
      {"two boxes", {{{0, 1, 0}, {1, 3, 1}}, {{0, -7, 0}, {1, -6, 1}}}, 0, 0, 4 * 1.03f * 7},
      {"behind the reference point", {{{0, 1, 0}, {1, 3, 1}}}, -2, 0, 4 * 1.03f * 5},
      {"mirrored", {{{0, 1, 0}, {1, 3, 1}}}, -2, 1, 4 * 1.03f * 1},
      {"with its mirror image", {{{0, 1, 0}, {1, 3, 1}}}, -2, 2, 4 * 1.03f * 5},
      {"flat in view space", {{{-5, 0, -5}, {5, 0, 5}}}, 0, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    start_with(c.boxes);
    set_translate(0, c.reference_y, 0);
    set_mirror_display(c.mirror);
    set_geometry_update();
    EXPECT_FLOAT_EQ(depth_after_camera(), c.depth);
    EXPECT_EQ(get_no_geometry(), c.boxes.empty());
  }
}

TEST_F(ModelExtent, OnlyAViewMarkedForUpdateTakesANewDepth) {
  set_geometry_update();
  EXPECT_FLOAT_EQ(depth_after_camera(), 412);
  EXPECT_EQ(run(box_segment(1, {0, -10, 0}, {1, 10, 1})), "");
  // The insertion marked every view; the camera set-up clears the mark.
  EXPECT_TRUE(get_view_record(1)->needs_update);
  EXPECT_FLOAT_EQ(depth_after_camera(), 4 * 1.03f * 10);
  get_view_record(1)->window_depth = 777;
  EXPECT_FLOAT_EQ(depth_after_camera(), 777);
  set_geometry_update();
  EXPECT_FLOAT_EQ(depth_after_camera(), 4 * 1.03f * 10);
}

TEST_F(ModelExtent, BoundingCuboidAndSize) {
  float cuboid[6];
  get_bounding_cuboid(cuboid);
  for (float v : cuboid) EXPECT_EQ(v, 0);
  EXPECT_EQ(get_ldf_size(), 1);
  EXPECT_EQ(run(box_segment(1, {1, 2, 3}, {4, 6, 3})), "");
  get_bounding_cuboid(cuboid);
  const float want[6] = {1, 2, 3, 4, 6, 3};
  for (int k = 0; k < 6; ++k) EXPECT_FLOAT_EQ(cuboid[k], want[k]) << k;
  EXPECT_FLOAT_EQ(get_ldf_size(), 5);
}

// Fits through the zoom setters (a zoom of at most 1e-6). A zoom of 1 is the
// screen's millimetres in model units (325 × 260 on Xvfb); a fit of both axes
// widens the narrower side to the screen's shape in millimetres, r = width / height.
TEST_F(ModelExtent, FitOfTheCurrentView) {
  const ScreenMillimetres mm = screen_millimetres();
  const float r = mm.width / mm.height;
  struct Case {
    const char* name;
    std::vector<std::pair<tek::Point, tek::Point>> boxes;
    uint32_t mirror;
    bool (*zoom)(float);
    float reference[3], width, height, depth;
  } cases[] = {
      {"empty scene", {}, 0, set_zoom, {0, 0, 0}, mm.width, mm.height, 412},
      // x -5..5 about the centre 15, view y (model z) -2..2, view z (-model y) -1..1.
      {"both axes, at positive x", {{{10, -1, -2}, {20, 1, 2}}}, 0, set_zoom, {15, 0, 0}, 10.3f, 10.3f / r, 4.12f},
      {"width only", {{{10, -1, -2}, {20, 1, 2}}}, 0, set_zoom_x, {15, 0, 0}, 10.3f, 3276, 4.12f},
      {"height only", {{{10, -1, -2}, {20, 1, 2}}}, 0, set_zoom_y, {15, 0, 0}, 4095, 4.12f, 4.12f},
      // All view z equal: the depth takes the floor m = 1.03 × 1e-6 + 0.1.
      {"flat", {{{0, 0, 0}, {1, 0, 1}}}, 0, set_zoom, {0.5f, 0, 0.5f}, 1.03f * r, 1.03f, 1.03e-6f + 0.1f},
      {"mirror image too", {{{-1, 1, -1}, {1, 3, 1}}}, 2, set_zoom, {0, 0, 0}, 2.06f * r, 2.06f, 12.36f},
      {"model only", {{{-1, 1, -1}, {1, 3, 1}}}, 0, set_zoom, {0, 2, 0}, 2.06f * r, 2.06f, 4.12f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    start_with(c.boxes);
    set_mirror_display(c.mirror);
    float distance = get_focus();
    EXPECT_FALSE(c.zoom(c.zoom == set_zoom_y ? -1 : 0)) << "no coordinate became not a number";
    const view_type* v = get_view_record(1);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(v->reference_point[k], c.reference[k], 1e-5f) << k;
    EXPECT_NEAR(v->window_width, c.width, c.width * 1e-5f);
    EXPECT_NEAR(v->window_height, c.height, c.height * 1e-5f);
    EXPECT_NEAR(v->window_depth, c.depth, c.depth * 1e-5f);
    EXPECT_NEAR(get_focus(), distance, 1e-2f) << "the eye keeps its distance";
    EXPECT_NEAR(v->eye[1], c.reference[1] - distance, 1e-2f) << "and its direction";
    EXPECT_TRUE(v->needs_update);
  }
}

// Rotations and zooms keep the rotation origin of the display options where it
// shows: the stored origin, or with "rotation about model centre" the centre of
// the model (here (200, 0, 500)); in mirror mode 1 the origin's mirror image.
TEST_F(ModelExtent, RotationAndZoomKeepTheRotationOriginInPlace) {
  const Point stored(700, 0, -400), centre(200, 0, 500);
  const struct {
    const char* name;
    bool about_centre;
    uint32_t mirror;
    Point fixed, moving;
  } cases[] = {
      {"stored origin", false, 0, stored, centre},
      {"model centre", true, 0, centre, stored},
      {"stored origin, mirrored", false, 1, Point(700, 0, -400), centre},
  };
  const struct {
    const char* name;
    bool (*move)();
  } moves[] = {
      {"change_rotate", [] { return change_rotate(36000, 72000, 18000); }},
      {"set_rotate", [] { return set_rotate(-20000, 30000, 5000); }},
      {"change_zoom", [] { return change_zoom(0.5f); }},
      {"set_zoom", [] { return set_zoom(20); }},
  };
  for (const auto& c : cases)
    for (const auto& m : moves) {
      SCOPED_TRACE(std::string(c.name) + ", " + m.name);
      start_with({{{-1000, -500, 200}, {1400, 500, 800}}});
      DisplayOptions* o = get_display_options();
      o->set_rotation_origin(stored.x(), stored.y(), stored.z());
      o->set_rotation_about_model_centre(c.about_centre);
      set_mirror_display(c.mirror);
      compute_view_camera(1, false, false, nullptr);
      TekPoint fixed_before{}, fixed_after{}, moving_before{}, moving_after{};
      ASSERT_TRUE(model_to_tek(c.fixed, fixed_before));
      ASSERT_TRUE(model_to_tek(c.moving, moving_before));
      ASSERT_TRUE(m.move());
      compute_view_camera(1, false, false, nullptr);
      ASSERT_TRUE(model_to_tek(c.fixed, fixed_after));
      ASSERT_TRUE(model_to_tek(c.moving, moving_after));
      EXPECT_NEAR(fixed_after.x, fixed_before.x, 1);
      EXPECT_NEAR(fixed_after.y, fixed_before.y, 1);
      EXPECT_GT(std::abs(moving_after.x - moving_before.x) + std::abs(moving_after.y - moving_before.y), 20)
          << "another point moves";
    }
  EXPECT_FALSE(change_rotate(0, 0, 0));
  get_display_options()->reset();
}

}  // namespace
