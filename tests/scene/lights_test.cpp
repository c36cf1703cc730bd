// The light and clip-plane tables against Mesa: setters and their change
// reports, the GL state they send, and their effect on drawn pixels.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "gl/gl_context.h"
#include "link/si.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/clip_planes.h"
#include "scene/lights.h"
#include "scene/repaint_attributes.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/dump_files.h"
#include "tests/support/graphics_environment.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

constexpr int L0 = GL_LIGHT0, L1 = GL_LIGHT0 + 1, L2 = GL_LIGHT0 + 2, L3 = GL_LIGHT0 + 3;
constexpr int P0 = GL_CLIP_PLANE0, P1 = GL_CLIP_PLANE0 + 1;

GLint gl_int(GLenum e) {
  GLint v = 0;
  glGetIntegerv(e, &v);
  return v;
}

// Fresh tables in the graphics window's context.
class Tables : public testing::Test {
 protected:
  void SetUp() override {
    make_graphics_context_active();
    init_lights();
    init_clipplanes();
  }
  void TearDown() override {
    deactivate_clipplanes();
    deactivate_lights();
    get_display_options()->reset();
  }
};

// ---- Lights ----

TEST_F(Tables, LightNamesAreLimitedToTheGlCount) {
  int n = std::min(gl_int(GL_MAX_LIGHTS), 32);
  EXPECT_EQ(get_number_of_lights(), n);
  EXPECT_TRUE(is_valid_light(L0));
  EXPECT_TRUE(is_valid_light(L0 + n - 1));
  EXPECT_FALSE(is_valid_light(L0 + n));
  EXPECT_FALSE(is_valid_light(L0 - 1));
  EXPECT_FALSE(is_valid_light(0));
}

TEST_F(Tables, BadLightNameIsInternalErrorOfLight) {
  int n = get_number_of_lights();
  EXPECT_EXIT(set_light_on(L0 + n, true), testing::ExitedWithCode(1), removing_dump("module name: light\\."));
  EXPECT_EXIT(get_light_type(L0 - 1), testing::ExitedWithCode(1), removing_dump("module name: light\\."));
}

const float WHITE[4] = {1, 1, 1, 1};
const float GREY[4] = {0.5f, 0.5f, 0.5f, 1};
const float NaN = std::nanf("");

struct SetterCase {
  const char* name;
  std::function<void()> before;
  std::function<bool()> change;
  bool reported;
};

const SetterCase setter_cases[] = {
    {"switch_on", [] {}, [] { return set_light_on(L0, true); }, true},
    {"switch_off_requests_a_repaint", [] { set_light_on(L0, true); }, [] { return set_light_on(L0, false); }, true},
    {"switch_off_twice", [] {}, [] { return set_light_on(L0, false); }, false},
    {"new_colour_of_light_on", [] { set_light_on(L0, true); }, [] { return set_light_diffuse_color(L0, WHITE); },
     true},
    {"same_diffuse_colour_twice", [] { set_light_on(L0, true), set_light_diffuse_color(L0, GREY); },
     [] { return set_light_diffuse_color(L0, GREY); }, false},
    {"same_specular_colour_twice", [] { set_light_on(L0, true), set_light_specular_color(L0, GREY); },
     [] { return set_light_specular_color(L0, GREY); }, false},
    {"same_ambient_colour_twice", [] { set_light_on(L0, true), set_light_ambient_color(L0, GREY); },
     [] { return set_light_ambient_color(L0, GREY); }, false},
    {"new_specular_colour_of_light_on", [] { set_light_on(L0, true), set_light_specular_color(L0, GREY); },
     [] { return set_light_specular_color(L0, WHITE); }, true},
    {"colour_of_light_off", [] {}, [] { return set_light_ambient_color(L0, GREY); }, false},
    {"intensity_of_light_off", [] {}, [] { return set_light_intensity(L0, 0.5f); }, false},
    {"intensity_of_light_on", [] { set_light_on(L0, true); }, [] { return set_light_intensity(L0, 0.5f); }, true},
    {"intensity_to_zero", [] { set_light_on(L0, true); }, [] { return set_light_intensity(L0, 0); }, true},
    {"nan_is_always_a_change", [] { set_light_on(L0, true), set_light_shadow_softness(L0, NaN); },
     [] { return set_light_shadow_softness(L0, NaN); }, true},
    {"point_light_on_spot", [] { set_light_on(L0, true), set_light_spot_cutoff(L0, 45); },
     [] { return set_light_point_light(L0); }, true},
    {"point_light_on_point", [] { set_light_on(L0, true); }, [] { return set_light_point_light(L0); }, false},
    {"lens_flares_without_the_option", [] { set_light_on(L0, true); },
     [] { return set_light_lens_flares(L0, false); }, false},
    {"lens_flares_with_the_option",
     [] { set_light_on(L0, true), get_display_options()->set_display_lens_flares(true); },
     [] { return set_light_lens_flares(L0, false); }, true},
    {"other_light_unchanged", [] { set_light_on(L1, true); }, [] { return set_light_diffuse_color(L0, WHITE); },
     false},
};

void PrintTo(const SetterCase& c, std::ostream* os) { *os << c.name; }

class LightSetters : public Tables, public testing::WithParamInterface<SetterCase> {};

TEST_P(LightSetters, ReportOnlyVisibleChanges) {
  GetParam().before();
  EXPECT_EQ(GetParam().change(), GetParam().reported);
}

INSTANTIATE_TEST_SUITE_P(Table, LightSetters, testing::ValuesIn(setter_cases),
                         [](const testing::TestParamInfo<SetterCase>& info) { return info.param.name; });

TEST_F(Tables, IntensityOfALightThatIsOffIsKeptAndScalesItsColours) {
  set_light_diffuse_color(L0, WHITE);
  set_light_specular_color(L0, GREY);
  EXPECT_FALSE(set_light_intensity(L0, 0.5f));
  EXPECT_EQ(get_light_intensity(L0), 0) << "not lit while off";
  EXPECT_TRUE(set_light_on(L0, true));
  EXPECT_FLOAT_EQ(get_light_intensity(L0), (0.5f * 3 + 0.25f * 3) / 6);
  float rgba[4];
  get_light_specular_color(L0, rgba);
  EXPECT_EQ(rgba[0], 0.5f) << "the given colour is kept";
}

TEST_F(Tables, TypeFollowsAmbientThenPositionThenCutoff) {
  struct {
    float ambient, w, cutoff;
    light_type type;
    bool casts_shadows;
  } cases[] = {{0, 0, 180, LIGHT_BEAM, true},  {0, 1, 180, LIGHT_POINT, true}, {0, 1, 45, LIGHT_SPOT, true},
               {0, 0, 45, LIGHT_BEAM, true},   {0.1f, 0, 180, LIGHT_AMBIENT, false},
               {0.1f, 1, 45, LIGHT_AMBIENT, false}};
  for (const auto& c : cases) {
    const float ambient[4] = {0, 0, c.ambient, 1}, position[4] = {1, 2, 3, c.w};
    set_light_ambient_color(L0, ambient);
    set_light_position(L0, position);
    set_light_spot_cutoff(L0, c.cutoff);
    EXPECT_EQ(get_light_type(L0), c.type) << c.ambient << " " << c.w << " " << c.cutoff;
    EXPECT_EQ(get_light_cast_shadows(L0), c.casts_shadows);
  }
}

TEST_F(Tables, PointLightMakesASpotAPointLight) {
  const float position[4] = {0, 0, 5, 1};
  set_light_position(L0, position);
  set_light_spot_cutoff(L0, 30);
  ASSERT_EQ(get_light_type(L0), LIGHT_SPOT);
  set_light_point_light(L0);
  EXPECT_EQ(get_light_type(L0), LIGHT_POINT);
  EXPECT_EQ(get_light_spot_cutoff(L0), 180);
}

// Every kind gives the direction the light travels: a beam away from its
// position vector, the others from their place toward the model centre.
TEST_F(Tables, DirectionIsTheTravelOfTheLightForEveryKind) {
  float centre[3];
  get_model_centre(centre);
  struct {
    float position[4];
    float expected[3];
  } cases[] = {
      {{0, 0, 2, 0}, {0, 0, -1}},  // a beam from above shines down
      {{centre[0] + 3, centre[1] + 4, centre[2], 1}, {-0.6f, -0.8f, 0}},
      {{centre[0], centre[1], centre[2], 1}, {1, 0, 0}},  // standing at the centre
      {{0, 0, 0, 0}, {1, 0, 0}},                          // a beam without direction
  };
  for (const auto& c : cases) {
    set_light_position(L0, c.position);
    float d[3];
    get_light_direction(L0, &d[0], &d[1], &d[2]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(d[k], c.expected[k], 1e-6) << k;
  }
}

TEST_F(Tables, ShadowMapFlagsAreReportedOnceAfterEachChange) {
  auto all_maps = [] {
    int n = 0;
    for (int side = 0; side < 6; ++side) n += get_update_shadowmap(L0, side);
    return n;
  };
  EXPECT_EQ(all_maps(), 6) << "a new light";
  EXPECT_TRUE(get_update_self_shadows(L0));
  EXPECT_EQ(all_maps(), 0);
  EXPECT_FALSE(get_update_self_shadows(L0));
  const float position[4] = {1, 1, 1, 1};
  set_light_position(L0, position);
  EXPECT_EQ(all_maps(), 6);
  EXPECT_TRUE(get_update_self_shadows(L0));
  set_light_position(L0, position);
  EXPECT_EQ(all_maps(), 0) << "the same position";
  set_light_shadow_softness(L0, 2);
  EXPECT_EQ(all_maps(), 6);
  EXPECT_FALSE(get_update_self_shadows(L0)) << "softness leaves the self shadows";
  set_update_shadowmaps();
  EXPECT_EQ(all_maps(), 6);
  EXPECT_TRUE(get_update_self_shadows(L1));
}

TEST_F(Tables, ActivateSendsLitEmittingLightsAndDeactivateDisablesLitOnes) {
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  const float diffuse[4] = {1, 0.5f, 0.25f, 0.75f}, position[4] = {0, 0, 1, 0}, direction[3] = {0, 1, 0};
  set_light_on(L0, true);
  set_light_diffuse_color(L0, diffuse);
  set_light_intensity(L0, 0.5f);
  set_light_position(L0, position);
  set_light_spot_cutoff(L0, 45);
  set_light_spot_direction(L0, direction);
  set_light_spot_exponent(L0, 300);
  set_light_on(L1, true);
  set_light_emitting(L1, false);
  set_light_on(L2, true);
  set_light_intensity(L2, 0);
  glEnable(L1);  // deactivate_lights disables it although activate never enabled it
  glEnable(L3);  // a light that is off is left alone
  activate_lights();
  EXPECT_TRUE(glIsEnabled(L0));
  EXPECT_FALSE(glIsEnabled(L2));
  float v[4];
  glGetLightfv(L0, GL_DIFFUSE, v);
  EXPECT_FLOAT_EQ(v[0], 0.5f);
  EXPECT_FLOAT_EQ(v[1], 0.25f);
  EXPECT_FLOAT_EQ(v[2], 0.125f);
  EXPECT_FLOAT_EQ(v[3], 0.75f) << "alpha is not scaled";
  glGetLightfv(L0, GL_AMBIENT, v);
  EXPECT_EQ(v[0], 0);
  glGetLightfv(L0, GL_POSITION, v);
  EXPECT_EQ(v[2], 1);
  EXPECT_EQ(v[3], 0);
  glGetLightfv(L0, GL_SPOT_CUTOFF, v);
  EXPECT_EQ(v[0], 45);
  glGetLightfv(L0, GL_SPOT_EXPONENT, v);
  EXPECT_EQ(v[0], 128) << "GL's largest exponent";
  glGetLightfv(L0, GL_SPOT_DIRECTION, v);
  EXPECT_EQ(v[1], 1);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  deactivate_lights();
  EXPECT_FALSE(glIsEnabled(L0));
  EXPECT_FALSE(glIsEnabled(L1));
  EXPECT_TRUE(glIsEnabled(L3));
  glDisable(L3);
  glPopMatrix();
}

TEST_F(Tables, CutoffThatGlRefusesIsSentAsNoSpot) {
  set_light_on(L0, true);
  set_light_spot_cutoff(L0, 120);
  activate_lights();
  float v = 0;
  glGetLightfv(L0, GL_SPOT_CUTOFF, &v);
  EXPECT_EQ(v, 180);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Tables, FirstInactiveLight) {
  int name = 0;
  ASSERT_TRUE(get_first_inactive_light(&name));
  EXPECT_EQ(name, L0);
  set_light_on(L0, true);
  ASSERT_TRUE(get_first_inactive_light(&name));
  EXPECT_EQ(name, L1);
  for (int i = 0; i < get_number_of_lights(); ++i) set_light_on(L0 + i, true);
  EXPECT_FALSE(get_first_inactive_light(&name));
}

// ---- Clip planes ----

const float ORIGIN[3] = {0, 0, 0};
const float X_AXIS[3] = {1, 0, 0}, Y_AXIS[3] = {0, 1, 0}, Z_AXIS[3] = {0, 0, 1};

TEST_F(Tables, ClipPlaneNamesAreLimitedToTheGlCount) {
  int n = std::min(gl_int(GL_MAX_CLIP_PLANES), 12);
  EXPECT_TRUE(is_valid_clipplane(P0 + n - 1));
  EXPECT_FALSE(is_valid_clipplane(P0 + n));
  EXPECT_FALSE(is_valid_clipplane(P0 - 1));
  EXPECT_EXIT(gl_set_clipplane(P0 + n, true), testing::ExitedWithCode(1), removing_dump("module name: clipplane\\."));
}

TEST_F(Tables, SwitchingOnTwiceReportsOnce) {
  EXPECT_TRUE(gl_set_clipplane(P0, true));
  EXPECT_FALSE(gl_set_clipplane(P0, true));
  EXPECT_FALSE(gl_set_clipplane(P0, true, ORIGIN, X_AXIS)) << "the initial equation";
  EXPECT_TRUE(gl_set_clipplane(P0, true, X_AXIS, X_AXIS)) << "a new offset";
  EXPECT_FALSE(gl_set_clipplane(P0, true, X_AXIS, X_AXIS));
  EXPECT_TRUE(gl_set_clipplane(P0, false));
}

TEST_F(Tables, PlaneKeepsThePositiveSideOnly) {
  const float on_plane[3] = {5, 5, 0}, above[3] = {0, 0, 0.001f}, below[3] = {0, 0, -1};
  EXPECT_TRUE(inside_clip_area(below)) << "no plane active";
  gl_set_clipplane(P1, true, ORIGIN, Z_AXIS);
  EXPECT_FALSE(inside_clip_area(on_plane)) << "z = 0 is outside";
  EXPECT_TRUE(inside_clip_area(above));
  EXPECT_FALSE(inside_clip_area(below));
  gl_set_clipplane(P1, false);
  EXPECT_TRUE(inside_clip_area(below));
}

TEST_F(Tables, BoxAgainstThePlanes) {
  gl_set_clipplane(P0, true, ORIGIN, X_AXIS);  // x > 0
  gl_set_clipplane(P1, true, ORIGIN, Y_AXIS);  // y > 0
  struct {
    vector_type min, max;
    int expected;
  } cases[] = {
      {{1, 1, -1}, {2, 2, 1}, 1},    // inside both
      {{-1, 1, -1}, {2, 2, 1}, 0},   // across x = 0
      {{-3, -1, 0}, {-2, 1, 1}, 2},  // behind x = 0 while y = 0 cuts it
      {{0, 1, 0}, {1, 2, 1}, 0},     // a face on the plane is not inside
      {{1, -2, 0}, {2, -1, 1}, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(inside_clip_area(c.min, c.max), c.expected) << c.min.x << " " << c.min.y;
}

TEST_F(Tables, SegmentEnablesOutsideAViewsDrawingChangeNothing) {
  const float behind[3] = {-1, 0, 0};
  const bool none[MAX_CLIPPLANES] = {};
  gl_set_clipplane(P0, true, ORIGIN, X_AXIS);
  activate_clipplanes(none);
  EXPECT_FALSE(glIsEnabled(P0));
  EXPECT_FALSE(inside_clip_area(behind)) << "the plane still cuts";
  EXPECT_FALSE(clipped_in_drawing(behind)) << "no view is being drawn";

  activate_clipplanes(true);
  EXPECT_TRUE(glIsEnabled(P0));
  EXPECT_TRUE(clipped_in_drawing(behind));
  activate_clipplanes(none);
  EXPECT_FALSE(glIsEnabled(P0));
  EXPECT_TRUE(inside_clip_area(behind)) << "this segment is not cut";
  bool all[MAX_CLIPPLANES];
  std::fill(all, all + MAX_CLIPPLANES, true);
  activate_clipplanes(all);
  EXPECT_TRUE(glIsEnabled(P0));
  suspend_clipplanes(true);
  EXPECT_FALSE(glIsEnabled(P0));
  suspend_clipplanes(false);
  EXPECT_TRUE(glIsEnabled(P0));
  deactivate_clipplanes();
  EXPECT_FALSE(glIsEnabled(P0));
  EXPECT_FALSE(glIsEnabled(P1)) << "inactive planes are never enabled";
}

// ---- Pixels ----

using namespace scene_stream;

struct Rgb {
  int r, g, b;
};

// The current view drawn as the repaint does, with the lights and clip
// planes switched on around the geometry.
class Drawing : public SceneStream {
 protected:
  void SetUp() override {
    put_predef(111, 1);
    make_graphics_context_active();
    init_views();
    change_vl_system_viewport(0, 1280, 0, 1024);
    SceneStream::SetUp();
  }
  void draw() {
    XGLContext* gl = get_graphics_context();
    int n = get_current_view_number();
    set_view_being_drawn(n);
    compute_view_camera(n, false, false, nullptr);
    gl->enable_scissor(false);
    set_clear_color(unsigned(get_background_color()));
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    activate_lights();
    gl->set_front_face(GL_CW);
    activate_clipplanes(true);
    RepaintAttributes attributes;
    attributes.cull = true;
    attributes.polygon_offset = true;
    attributes.display_options = get_display_options();
    attributes.highlight_options = get_highlight_options();
    gl->enable_depth_testing(true);
    draw_entities(&attributes, never_abort_repaint);
    deactivate_clipplanes();
    deactivate_lights();
  }
  static Rgb pixel(int x, int y) {
    unsigned char p[3];
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
  }
};

// A triangle in the plane y = 0 around the origin (points in thousandths),
// facing the start-up camera; `extra` goes inside its segment.
std::vector<Triple> triangle_points() {
  return {{-1000000, 0, -1000000}, {1000000, 0, -1000000}, {0, 0, 1000000}};
}
std::string red_triangle(const std::string& extra) {
  return cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + so(1) + extra +
         uc(triangle_points(), {{255, 0, 0}}, {0, 0, 0}, ONE_STRIP) + sc();
}

TEST_F(Drawing, LitShellHasTheColourOfItsMaterialUnderAWhiteLight) {
  // The start-up camera looks along the view-plane normal toward the model.
  float toward_eye[3];
  get_vpn(&toward_eye[0], &toward_eye[1], &toward_eye[2]);
  long ny = std::lround(toward_eye[1] * 1000);
  ASSERT_NE(ny, 0);
  std::vector<Triple> normals(3, Triple{0, ny, 0});
  EXPECT_EQ(run(cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + so(1) +
                ut(triangle_points(), normals, {}, ONE_STRIP) + sc()),
            "");
  const float position[4] = {toward_eye[0], toward_eye[1], toward_eye[2], 0};
  set_light_diffuse_color(L0, WHITE);
  set_light_position(L0, position);
  set_light_on(L0, true);
  draw();
  Rgb lit = pixel(640, 512);
  float diffuse[4], ambient[4], emission[4], model_ambient[4];
  glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
  glGetMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
  glGetMaterialfv(GL_FRONT, GL_EMISSION, emission);
  glGetFloatv(GL_LIGHT_MODEL_AMBIENT, model_ambient);
  int expected[3];
  for (int k = 0; k < 3; ++k)
    expected[k] = int(std::lround(255 * std::min(1.0f, emission[k] + model_ambient[k] * ambient[k] + diffuse[k])));
  EXPECT_NEAR(lit.r, expected[0], 2);
  EXPECT_NEAR(lit.g, expected[1], 2);
  EXPECT_NEAR(lit.b, expected[2], 2);
  EXPECT_GT(lit.r, 100) << "the material is lit";

  set_light_on(L0, false);
  draw();
  Rgb dark = pixel(640, 512);
  EXPECT_LT(dark.r, lit.r - 100) << "without the light";
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Drawing, ClipPlaneRemovesTheHalfBeyondItUnlessTheSegmentOptsOut) {
  const Rgb red = {255, 0, 0}, blue = {0, 0, 255};
  std::string no_planes = cmd("EC") + ints(std::vector<long>(12, 0));
  struct {
    const char* name;
    std::string extra;
    bool plane;
    Rgb left, right;
  } cases[] = {
      {"no plane", "", false, red, red},
      {"x > 0 kept", "", true, blue, red},
      {"segment without planes", no_planes, true, red, red},
  };
  for (const auto& c : cases) {
    cleanup_ldf();
    init_segment_structure();
    init_clipplanes();
    EXPECT_EQ(run(red_triangle(c.extra)), "");
    if (c.plane) gl_set_clipplane(P0, true, ORIGIN, X_AXIS);
    draw();
    // One tek unit is 0.3125 pixels: the triangle spans pixels 328..952 and 200..824.
    Rgb left = pixel(400, 230), right = pixel(900, 230);
    EXPECT_EQ(left.r, c.left.r) << c.name;
    EXPECT_EQ(left.b, c.left.b) << c.name;
    EXPECT_EQ(right.r, c.right.r) << c.name;
    EXPECT_EQ(right.b, c.right.b) << c.name;
    EXPECT_FALSE(glIsEnabled(P0)) << "planes are off after the drawing";
  }
}

// Pixels in a 31-pixel square that differ from the corner pixel (the background).
int marks_around(int cx, int cy) {
  unsigned char p[31 * 31 * 3];
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(cx - 15, cy - 15, 31, 31, GL_RGB, GL_UNSIGNED_BYTE, p);
  int n = 0;
  for (int i = 1; i < 31 * 31; ++i) n += p[3 * i] != p[0] || p[3 * i + 1] != p[1] || p[3 * i + 2] != p[2];
  return n;
}

TEST_F(Drawing, MarkersBeyondAPlaneAreLeftOutAndTheOthersDrawnWhole) {
  // Two crosses of 24 pixels at x = -500 and 500: pixels 484 and 796, row 512.
  std::string markers = cmd("MM") + i(2) + cmd("MS") + i(24) + cmd("UD") + i(2) +
                        deltas({{-500000, 0, 0}, {500000, 0, 0}});
  EXPECT_EQ(run(cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + so(1) + markers + sc()), "");
  draw();
  int left = marks_around(484, 512), right = marks_around(796, 512);
  EXPECT_GT(left, 20);
  EXPECT_GT(right, 20);
  gl_set_clipplane(P0, true, ORIGIN, X_AXIS);
  draw();
  EXPECT_EQ(marks_around(484, 512), 0) << "beyond the plane";
  EXPECT_EQ(marks_around(796, 512), right);
  const float minus_x[3] = {-1, 0, 0};
  gl_set_clipplane(P0, true, ORIGIN, minus_x);
  draw();
  EXPECT_EQ(marks_around(484, 512), left) << "pixel drawing is not cut by the model-space plane";
  EXPECT_EQ(marks_around(796, 512), 0);
}

}  // namespace
