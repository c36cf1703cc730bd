// The graphics window, the views and their cameras on a 1280 x 1024 screen
// whose millimetres X reports: golden values of the start state and of the
// first camera.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "gl/gl_context.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/display_options.h"
#include "tests/support/graphics_environment.h"
#include "tests/support/yarl_writer.h"
#include "tests/view/screen_millimetres.h"
#include "view/graphics_window.h"
#include "view/transforms.h"
#include "view/view_navigation.h"
#include "view/views.h"

namespace {

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

// Each test starts from the views of start-up.
class Views : public testing::Test {
 protected:
  void SetUp() override {
    put_predef(111, 1);
    init_views();
    change_vl_system_viewport(0, 1280, 0, 1024);
  }
};

void expect_vector(const float* got, float x, float y, float z, float tolerance = 1e-5f) {
  EXPECT_NEAR(got[0], x, tolerance);
  EXPECT_NEAR(got[1], y, tolerance);
  EXPECT_NEAR(got[2], z, tolerance);
}

TEST_F(Views, ScreenResolutionIsTheDisplaysMillimetresPerPixel) {
  float mx, my;
  get_screen_resolution(&mx, &my);
  EXPECT_FLOAT_EQ(mx, screen_millimetres().per_pixel_x);
  EXPECT_FLOAT_EQ(my, screen_millimetres().per_pixel_y);
}

TEST_F(Views, StartStateOfTheViews) {
  EXPECT_EQ(get_current_view_number(), 1);
  const view_type* v = get_view_record(1);
  EXPECT_TRUE(v->enabled);
  expect_vector(v->reference_point, 0, 0, 0);
  expect_vector(v->direction, 0, -1, 0);
  expect_vector(v->u, 1, 0, 0);
  expect_vector(v->v, 0, 0, 1);
  expect_vector(v->eye, 0, -3000, 0);
  EXPECT_EQ(v->window_width, 4095);
  EXPECT_EQ(v->window_height, 3276);
  EXPECT_EQ(v->window_depth, 3276);
  EXPECT_FALSE(v->perspective);
  EXPECT_EQ(get_viewport_origin_x(), 0);
  EXPECT_EQ(get_viewport_size_x(), 4095);
  EXPECT_EQ(get_viewport_size_y(), 3276);
  for (int n = 2; n <= NUMBER_OF_VIEWS; ++n) EXPECT_FALSE(get_view_record(n)->enabled) << n;
  EXPECT_STREQ(get_view_number_label(33), "33");
  // 4095 model units over the screen's width (12.6 for Xvfb's 325 mm), 3276 over its height.
  EXPECT_FLOAT_EQ(get_zoom(), 4095 / screen_millimetres().width);
  EXPECT_FLOAT_EQ(get_zoom_y(), 3276 / screen_millimetres().height);
}

TEST_F(Views, TheViewNamedByPredefined111IsCurrentAndEnabled) {
  put_predef(111, 7);
  init_views();
  EXPECT_EQ(get_current_view_number(), 7);
  EXPECT_TRUE(get_view_record(7)->enabled);
  EXPECT_FALSE(get_view_record(6)->enabled);
  put_predef(111, 40);  // not a view: ignored
  EXPECT_FALSE(update_current_viewport());
  EXPECT_EQ(get_current_view_number(), 7);
  put_predef(111, 2);  // the change itself makes view 2 current
  EXPECT_FALSE(update_current_viewport());
  EXPECT_EQ(get_current_view_number(), 2);
}

TEST_F(Views, FirstCameraOfView1) {
  compute_view_camera(1, false, false, nullptr);
  const view_type* v = get_view_record(1);
  expect_vector(v->eye, 0, -3276, 0);
  const float frustum[6] = {-2047.5f, 2047.5f, -1638, 1638, 1638, 4914};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(v->frustum[i], frustum[i]) << i;
  // The window's 4095 : 3276 over the screen's shape in millimetres (1 for Xvfb's 325 x 260).
  const ScreenMillimetres mm = screen_millimetres();
  EXPECT_FLOAT_EQ(v->aspect, (4095.0f / 3276) / (mm.width / mm.height));

  GLint viewport[4], scissor[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetIntegerv(GL_SCISSOR_BOX, scissor);
  const GLint expected_viewport[4] = {0, 0, 1280, 1024};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(viewport[i], expected_viewport[i]);
    EXPECT_EQ(scissor[i], expected_viewport[i]);
  }

  // Look along +y from y = -3276 with z up.
  const double modelview[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, -3276, 1};
  double gl_modelview[16], gl_projection[16], model[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, gl_modelview);
  glGetDoublev(GL_PROJECTION_MATRIX, gl_projection);
  get_model_matrix(model);
  const double projection[16] = {2 / 4095.0, 0, 0, 0, 0, 2 / 3276.0, 0, 0, 0, 0, -2 / 3276.0, 0, 0, 0, -2, 1};
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(gl_modelview[i], modelview[i], 1e-9) << i;
    EXPECT_NEAR(model[i], modelview[i], 1e-9) << i;
    EXPECT_NEAR(gl_projection[i], projection[i], 1e-9) << i;
  }
  EXPECT_EQ(XGLContext::current_context->get_matrix_mode(), GLenum(GL_MODELVIEW));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  // The viewing matrix maps the reference point to the centre and a window corner to the edge.
  float centre[3], corner[2];
  map_model_screen_3d(Point(0, 0, 0), false, centre);
  expect_vector(centre, 0, 0, 0);
  map_model_screen_2d(Point(2047.5f, 0, 1638), false, corner);
  EXPECT_NEAR(corner[0], 1, 1e-6);
  EXPECT_NEAR(corner[1], 1, 1e-6);
}

TEST_F(Views, PerspectiveCameraAndHalfViewport) {
  ASSERT_TRUE(set_projection(true));
  ASSERT_TRUE(set_viewport_size_x(2048));
  compute_view_camera(1, false, false, nullptr);
  const view_type* v = get_view_record(1);
  expect_vector(v->eye, 0, -3000, 0, 1e-3f);
  // The empty scene's depth is 4 × 1.03 × 100: near = 3000 - 206 = 2794, k = 2794 / 3000.
  EXPECT_FLOAT_EQ(v->window_depth, 412);
  EXPECT_FLOAT_EQ(v->frustum[4], 2794);
  EXPECT_FLOAT_EQ(v->frustum[5], 3206);
  EXPECT_FLOAT_EQ(v->frustum[1], 4095 * 2794.0f / 3000 / 2);
  const ScreenMillimetres mm = screen_millimetres();
  EXPECT_NEAR(v->aspect, 1.25f / (640.156f * mm.per_pixel_x / (1024 * mm.per_pixel_y)), 1e-3);
  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[2], 640);  // 1280 × 2048 / 4095 = 640.16, rounded
}

TEST_F(Views, ZoomInModelUnitsPerMillimetre) {
  const ScreenMillimetres mm = screen_millimetres();
  EXPECT_TRUE(change_zoom(2));
  EXPECT_FLOAT_EQ(get_zoom(), 2 * 4095 / mm.width);
  EXPECT_FLOAT_EQ(get_view_record(1)->window_height, 6552);
  // set_zoom takes the width from the y resolution: with pixels not square
  // (wine's 339 x 271 mm) get_zoom, of the x resolution, differs from it.
  const float half = 2047.5f / (1280 * mm.per_pixel_y);  // 6.3 for Xvfb's 325 x 260 mm
  EXPECT_TRUE(set_zoom(half));
  EXPECT_FLOAT_EQ(get_view_record(1)->window_width, 2047.5f);
  EXPECT_FLOAT_EQ(get_zoom(), 2047.5f / (1280 * mm.per_pixel_x));
  EXPECT_FALSE(set_zoom(half));
  EXPECT_FALSE(change_zoom(0));
}

TEST_F(Views, ViewVectorsFromDirectionAndUp) {
  struct Case {
    float direction[3], up[3], u[3], v[3];
  } cases[] = {
      {{0, -1, 0}, {0, 0, 1}, {1, 0, 0}, {0, 0, 1}},
      {{0, -2, 0}, {0, 0, 5}, {1, 0, 0}, {0, 0, 1}},
      {{0, -1, 0}, {0, 1, 0}, {1, 0, 0}, {0, 0, 1}},  // up parallel: (0, 0, 1) is used
      {{0, 0, 1}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   // along z: (0, 1, 0) is used
      {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    view_type v = *get_view_record(1);
    memcpy(v.direction, c.direction, sizeof c.direction);
    memcpy(v.up, c.up, sizeof c.up);
    compute_view_vectors(&v);
    float l = std::sqrt(c.direction[0] * c.direction[0] + c.direction[1] * c.direction[1] +
                        c.direction[2] * c.direction[2]);
    expect_vector(v.direction, c.direction[0] / l, c.direction[1] / l, c.direction[2] / l);
    expect_vector(v.u, c.u[0], c.u[1], c.u[2]);
    expect_vector(v.v, c.v[0], c.v[1], c.v[2]);
  }
}

TEST_F(Views, SettersOfTheCurrentView) {
  EXPECT_TRUE(set_vup(0, 1, 1));
  float x, y, z;
  get_vup(&x, &y, &z);
  EXPECT_NEAR(x, 0, 1e-6);
  EXPECT_NEAR(y, 0, 1e-6);
  EXPECT_NEAR(z, 1, 1e-6);
  EXPECT_FALSE(set_vup(0, 1, 1));

  EXPECT_TRUE(set_vpn(0, 2, 0));  // the eye is placed before the direction is normalised
  EXPECT_FLOAT_EQ(get_focus(), 6000);
  get_vpn(&x, &y, &z);
  EXPECT_FLOAT_EQ(y, 1);

  EXPECT_TRUE(set_focus(1000));
  EXPECT_FLOAT_EQ(get_focus(), 1000);
  EXPECT_FALSE(set_focus(1000));
  EXPECT_FALSE(set_focus(0));
  EXPECT_FALSE(set_focus(-5));
  EXPECT_FALSE(set_eye_position(0, 0, 0)) << "an eye on the reference point";
  EXPECT_FALSE(set_stereo_attributes(false, 5, 0, 0));
  EXPECT_FLOAT_EQ(get_focus(), 1000);

  EXPECT_TRUE(set_translate(10, 0, 0));  // the eye keeps its distance from the new reference point
  EXPECT_FLOAT_EQ(get_focus(), std::sqrt(1000100.0f));
  EXPECT_FALSE(set_depth_of_field(true, 2, 3));
}

TEST_F(Views, ViewportLimitsAndTheEnablingRule) {
  EXPECT_FALSE(set_viewport_size_x(0)) << "view 1 keeps a width of at least 1";
  EXPECT_FALSE(set_viewport_size_x(4096));
  EXPECT_FALSE(set_viewport_origin_x(4095));
  EXPECT_FALSE(set_viewport_origin_y(3276));
  EXPECT_TRUE(set_viewport_size_x(5));
  EXPECT_TRUE(get_view_record(1)->enabled) << "view 1 is never disabled";

  put_predef(111, 3);
  ASSERT_EQ(get_current_view_number(), 3);
  view_type* v3 = get_view_record(3);
  v3->enabled = false;
  EXPECT_TRUE(set_viewport_size_x(100));
  EXPECT_TRUE(v3->enabled) << "the width alone enables";
  EXPECT_TRUE(set_viewport_size_y(11));
  EXPECT_FALSE(v3->enabled);
  EXPECT_TRUE(set_viewport_size_y(12));
  EXPECT_TRUE(v3->enabled);
  change_viewport(10, 5, 0, 100);  // ignored
  EXPECT_EQ(get_viewport_origin_x(), 0);
  change_viewport(10, 20, 0, 100);
  EXPECT_FALSE(v3->enabled);
  EXPECT_EQ(get_view_number(15.0f, 50.0f), 3);
  EXPECT_NE(get_view_number(10.0f, 50.0f), 3) << "the border does not belong to view 3";
}

TEST_F(Views, ViewNumbersOutsideTheRangeAreIgnored) {
  view_type before = *get_view_record(1);
  compute_view_camera(0, false, false, nullptr);
  compute_view_camera(34, false, false, nullptr);
  change_hardware_viewport(-1);
  set_view_being_drawn(34);
  EXPECT_EQ(get_view_number(), 1);
  EXPECT_EQ(get_view_record(0), nullptr);
  EXPECT_EQ(get_view_record(34), nullptr);
  float x0, x1, y0, y1;
  get_screen_viewport(99, &x0, &x1, &y0, &y1);
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(memcmp(&before, get_view_record(1), sizeof before), 0);
}

TEST_F(Views, ChangeViewDataTakesTheValuesOrRefusesDegenerateOnes) {
  float window[2] = {200, 100};
  EXPECT_EQ(change_view_data({1, 2, 3}, {0, 0, 2}, {0, 3, 0}, window, {0, 0, 500}, -50, 50, true), nullptr);
  const view_type* v = get_view_record(1);
  expect_vector(v->direction, 0, 0, -1);
  expect_vector(v->eye, 1, 2, 503);
  EXPECT_EQ(v->window_depth, 100);
  EXPECT_TRUE(v->perspective);

  view_type before = *v;
  EXPECT_STREQ(change_view_data({0, 0, 0}, {0, 0, 0}, {0, 1, 0}, window, {0, 0, 500}, 0, 1, false),
               "view plane normal is zero");
  EXPECT_STREQ(change_view_data({0, 0, 0}, {0, 0, 1}, {0, 0, 0}, window, {0, 0, 500}, 0, 1, false),
               "view up vector is zero");
  EXPECT_NE(change_view_data({NAN, 0, 0}, {0, 0, 1}, {0, 1, 0}, window, {0, 0, 500}, 0, 1, false), nullptr);
  EXPECT_EQ(memcmp(&before, v, sizeof before), 0);
  compute_view_camera(1, false, false, nullptr);
  for (float f : v->frustum) EXPECT_TRUE(std::isfinite(f));
}

TEST_F(Views, RotationAnglesRoundTripInArcSeconds) {
  int32_t ax, ay, az;
  get_rotate(&ax, &ay, &az);
  EXPECT_EQ(ax, -324000) << "the start view looks along +y";
  EXPECT_EQ(ay, 0);
  EXPECT_EQ(az, 0);
  const int32_t cases[][3] = {
      {0, 0, 0},          {3600, 0, 0},        {0, 162000, 0},        {0, 0, 324000},
      {108000, 72000, -216000}, {-360000, 36000, 612000}, {-500000, -200000, -100000}, {1, 2, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c[0] << " " << c[1] << " " << c[2]);
    EXPECT_TRUE(set_rotate(c[0], c[1], c[2]));
    get_rotate(&ax, &ay, &az);
    EXPECT_NEAR(ax, c[0], 1);
    EXPECT_NEAR(ay, c[1], 1);
    EXPECT_NEAR(az, c[2], 1);
    EXPECT_TRUE(get_view_record(1)->u[0] == get_view_record(1)->u[0]) << "no NaN";
  }
}

// Level of detail, self shadows and the rendering option of the display options
// shape the camera: the scale in pixels per model unit (1280 / 4095 on both
// axes here), the parallel frustum, and the effects allowed.
TEST_F(Views, TheDisplayOptionsShapeTheCamera) {
  DisplayOptions* o = get_display_options();
  o->reset();
  view_type* v = get_view_record(1);
  v->scale = 0;
  compute_view_camera(1, false, false, nullptr);
  EXPECT_EQ(v->scale, 0) << "computed only with level of detail";
  EXPECT_FLOAT_EQ(v->frustum[4], 1638);
  EXPECT_FLOAT_EQ(v->frustum[5], 4914);
  ASSERT_TRUE(o->set_level_of_detail(true));
  compute_view_camera(1, false, false, nullptr);
  EXPECT_NEAR(v->scale, 1280.0f / 4095.0f, 1e-6f);

  // Self shadows: a parallel camera at least the model's size away, near 1, far twice that.
  set_self_shadows_available_for_test(1);
  ASSERT_TRUE(o->set_self_shadows(true));
  compute_view_camera(1, false, false, nullptr);
  EXPECT_FLOAT_EQ(v->frustum[4], 1);
  EXPECT_FLOAT_EQ(v->frustum[5], 2 * 3276);
  ASSERT_TRUE(o->set_self_shadows(false));
  set_self_shadows_available_for_test(-1);

  // In perspective the scale grows toward the eye.
  ASSERT_TRUE(set_projection(true));
  compute_view_camera(1, false, false, nullptr);
  EXPECT_NEAR(v->direction_dot_reference, 0, 1e-6f);
  EXPECT_NEAR(get_view_scale(0, -1638, 0), v->scale * 2, 1e-4f) << "half way to the eye";
  ASSERT_TRUE(set_projection(false));

  const struct {
    uint8_t option;
    bool magic, realtime;
  } cases[] = {{0, false, false}, {1, true, false}, {2, true, true}, {3, true, true}};
  for (const auto& c : cases) {
    o->set_rendering_option(c.option);
    EXPECT_EQ(get_enable_magic_module(), c.magic) << int(c.option);
    EXPECT_EQ(get_enable_realtime_renderer(), c.realtime) << int(c.option);
  }
  o->reset();
}

}  // namespace
