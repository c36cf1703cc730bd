// The YARL operations on lights and clip planes, run on a loaded program in a
// GL context of Mesa.
// GoogleTest comes before the X headers, whose None macro it would not survive.
#include <gtest/gtest.h>

#include <GL/glx.h>

#include <functional>

#include "link/si.h"
#include "runtime/interpreter.h"
#include "runtime/run_time_errors.h"
#include "runtime/user_interface.h"
#include "scene/clip_planes.h"
#include "scene/display_options.h"
#include "scene/lights.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/dump_files.h"


namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl_test::real_bits;

constexpr uint8_t GET_LIGHT = 98, SET_LIGHT = 103, GL_SET_CLIPPLANE = 173, SET_DISPLAY_MODE = 178,
                  SET_DISPLAY_OPTION = 192;
constexpr int L0 = GL_LIGHT0, P0 = GL_CLIP_PLANE0;

Code& real(Code& c, float f) { return c.push_long(real_bits(f)); }
Code& reals(Code& c, std::initializer_list<float> values) {
  for (float f : values) real(c, f);
  return c;
}
// A REAL array on the stack: its elements and the count on top.
Code& real_array(Code& c, std::initializer_list<float> values) {
  return reals(c, values).push(int32_t(values.size()));
}

class RenderingOps : public yarl_test::Loaded {
 protected:
  static void SetUpTestSuite() {
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    int attributes[] = {GLX_USE_GL, GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
    visual = glXChooseVisual(display, DefaultScreen(display), attributes);
    ASSERT_NE(visual, nullptr);
    XSetWindowAttributes wa{};
    wa.colormap = XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
    window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, 16, 16, 0, visual->depth,
                           InputOutput, visual->visual, CWColormap, &wa);
    context = glXCreateContext(display, visual, nullptr, True);
    ASSERT_TRUE(glXMakeCurrent(display, window, context));
  }
  static void TearDownTestSuite() {
    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, context);
    XDestroyWindow(display, window);
    XFree(visual);
    XCloseDisplay(display);
  }
  void SetUp() override {
    init_lights();
    init_clipplanes();
    clear_repaint();
  }
  static void clear_repaint() { ::clear_repaint(); }
  void TearDown() override {
    cleanup_lights();
    cleanup_clipplanes();
    yarl_test::Loaded::TearDown();
  }
  // Runs the code with run-time errors ending the run, not the program.
  void run_code(const Code& c) {
    in_interface_builder = true;
    run(c.raw_bytes());
  }
  std::string first_line() { return traceback_line(0).substr(0, traceback_line(0).find(" in ")); }

  static Display* display;
  static XVisualInfo* visual;
  static Window window;
  static GLXContext context;
};
Display* RenderingOps::display = nullptr;
XVisualInfo* RenderingOps::visual = nullptr;
Window RenderingOps::window = 0;
GLXContext RenderingOps::context = nullptr;

// ---- SET_LIGHT ----

struct SetLightCase {
  const char* name;
  int16_t selector;
  std::function<void(Code&)> values;
  std::function<bool()> stored;
};

float f3[3], f4[4];

const SetLightCase set_light_cases[] = {
    {"ambient", 4608, [](Code& c) { reals(c, {0.25f, 0.5f, 0.75f, 1}); },
     [] { float r, g, b; get_light_color(L0, &r, &g, &b); return r == 0.25f && g == 0.5f && b == 0.75f; }},
    {"specular", 4610, [](Code& c) { reals(c, {1, 0.5f, 0, 0.5f}); },
     [] { get_light_specular_color(L0, f4); return f4[1] == 0.5f && f4[3] == 0.5f; }},
    {"position", 4611, [](Code& c) { reals(c, {1, 2, 3, 1}); },
     [] { get_light_position(L0, f3); return f3[2] == 3 && get_light_type(L0) == LIGHT_SPOT; }},
    {"spot_direction", 4612, [](Code& c) { reals(c, {0, -1, 0}); },
     [] { get_light_spot_direction(L0, f3); return f3[1] == -1; }},
    {"spot_exponent", 4613, [](Code& c) { c.push(7); }, [] { return get_light_spot_exponent(L0) == 7; }},
    {"spot_cutoff_angle", 4614, [](Code& c) { c.push(162000); }, [] { return get_light_spot_cutoff(L0) == 45; }},
    {"constant_attenuation", 4615, [](Code& c) { real(c, 2); },
     [] { return get_light_constant_attenuation(L0) == 2; }},
    {"linear_attenuation", 4616, [](Code& c) { real(c, 3); }, [] { return get_light_linear_attenuation(L0) == 3; }},
    {"quadratic_attenuation", 4617, [](Code& c) { real(c, 4); },
     [] { return get_light_quadratic_attenuation(L0) == 4; }},
    {"off", -1, [](Code& c) { c.push(0); }, [] { return !get_light_on(L0); }},
    {"cast_shadows", -2, [](Code& c) { c.push(0); }, [] { return !get_light_cast_shadows(L0); }},
    {"soft_shadows", -3, [](Code& c) { c.push(1); }, [] { return get_light_cast_soft_shadows(L0); }},
    {"shadow_softness", -4, [](Code& c) { real(c, 2.5f); }, [] { return get_light_shadow_softness(L0) == 2.5f; }},
    {"point_light_pops_nothing", -5, [](Code&) {}, [] { return get_light_spot_cutoff(L0) == 180; }},
    {"intensity", -6, [](Code& c) { real(c, 0.5f); },
     [] { return get_light_intensity(L0) == 0.5f; }},  // white diffuse and specular
    {"emitting", -8, [](Code& c) { c.push(0); }, [] { return !get_light_is_emitting(L0); }},
};

void PrintTo(const SetLightCase& c, std::ostream* os) { *os << c.name; }

class SetLight : public RenderingOps, public testing::WithParamInterface<SetLightCase> {};

TEST_P(SetLight, CallsItsSetterRequestsARepaintAndEmptiesTheStack) {
  const SetLightCase& t = GetParam();
  load();
  set_light_on(L0, true);
  const float white[4] = {1, 1, 1, 1};
  set_light_diffuse_color(L0, white);
  set_light_specular_color(L0, white);
  set_light_spot_cutoff(L0, 30);
  RenderingOps::clear_repaint();
  Code c(false);
  c.push(L0);
  t.values(c);
  c.op(SET_LIGHT).u16(uint16_t(t.selector));
  run_code(c);
  EXPECT_FALSE(rterror) << traceback_line(0);
  EXPECT_EQ(used_slots(), 0u);
  EXPECT_TRUE(t.stored());
  EXPECT_TRUE(repaint_requested());
}

INSTANTIATE_TEST_SUITE_P(Selectors, SetLight, testing::ValuesIn(set_light_cases),
                         [](const testing::TestParamInfo<SetLightCase>& info) { return info.param.name; });

TEST_F(RenderingOps, SetLightRepaintsOnlyForAVisibleChange) {
  load();
  struct {
    int16_t selector;
    int32_t value;
    bool repaint;
  } steps[] = {
      {-1, 1, true},    // on
      {-1, 1, false},   // on again
      {-1, 0, true},    // off
      {4613, 9, false}, // a light that is off
      {-7, 0, false},   // lens flares of a light that is off
  };
  for (const auto& s : steps) {
    clear_repaint();
    Code c(false);
    c.push(L0).push(s.value).op(SET_LIGHT).u16(uint16_t(s.selector));
    run_code(c);
    EXPECT_EQ(repaint_requested(), s.repaint) << s.selector << " " << s.value;
  }
  EXPECT_EQ(get_light_spot_exponent(L0), 9u) << "stored although off";
}

TEST_F(RenderingOps, BadLightOrPlaneIsARunTimeError) {
  load();
  struct {
    const char* name;
    std::function<void(Code&)> code;
    const char* message;
  } cases[] = {
      {"set_light", [](Code& c) { c.push(L0 + get_number_of_lights()); reals(c, {1, 1, 1, 1}).op(SET_LIGHT).u16(4609); },
       "SET_LIGHT specified light source not supported by graphics system"},
      {"set_light_below", [](Code& c) { c.push(L0 - 1).push(1).op(SET_LIGHT).u16(uint16_t(-1)); },
       "SET_LIGHT specified light source not supported by graphics system"},
      {"get_light", [](Code& c) { c.push(12).op(GET_LIGHT).u16(1).ref(GLOBAL, 40); },
       "GET_LIGHT specified light source not supported by graphics system"},
      {"clip_plane", [](Code& c) { c.push(P0 + 12).push(1).op(GL_SET_CLIPPLANE).u8(0); },
       "GL_SET_CLIPPLANE specified clipping plane not supported by graphics system"},
      {"clip_plane_with_plane",
       [](Code& c) {
         c.push(L0).push(1);
         real_array(c, {0, 0, 0});
         real_array(c, {1, 0, 0}).op(GL_SET_CLIPPLANE).u8(1);
       },
       "GL_SET_CLIPPLANE specified clipping plane not supported by graphics system"},
      {"normal_length",
       [](Code& c) {
         c.push(P0).push(1);
         real_array(c, {0, 0, 0});
         real_array(c, {1, 0}).op(GL_SET_CLIPPLANE).u8(1);
       },
       "GL_SET_CLIPPLANE normal array must be 3 elements long"},
      {"origin_length",
       [](Code& c) {
         c.push(P0).push(1);
         real_array(c, {0, 0, 0, 0});
         real_array(c, {1, 0, 0}).op(GL_SET_CLIPPLANE).u8(1);
       },
       "GL_SET_CLIPPLANE origin array must be 3 elements long"},
      {"origin_missing",
       [](Code& c) { real_array(c, {1, 0, 0}).op(GL_SET_CLIPPLANE).u8(1); },
       "GL_SET_CLIPPLANE origin array must be 3 elements long"},
  };
  for (const auto& t : cases) {
    Code c(false);
    t.code(c);
    run_code(c);
    EXPECT_TRUE(rterror) << t.name;
    EXPECT_EQ(first_line(), t.message) << t.name;
    EXPECT_EQ(used_slots(), 0u) << t.name;
    EXPECT_FALSE(repaint_requested()) << t.name;
  }
  const float behind[3] = {-1, 0, 0};
  EXPECT_TRUE(inside_clip_area(behind)) << "no plane was switched on";
}

TEST_F(RenderingOps, UnknownSelectorAndUnbalancedStackAreInternalErrors) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        load();
        Code c(false);
        c.push(L0).push(1).op(SET_LIGHT).u16(9);
        run_code(c);
      },
      testing::ExitedWithCode(1), removing_dump("module name: ui\\.\n4\\) line number in that module: 3979\\."));
  EXPECT_EXIT(
      {
        load();
        Code c(false);
        c.push(L0).push(1).push(1).op(SET_LIGHT).u16(uint16_t(-1));
        run_code(c);
      },
      testing::ExitedWithCode(1), removing_dump("module name: ui\\.\n4\\) line number in that module: 3983\\."));
}

// ---- GET_LIGHT ----

TEST_F(RenderingOps, GetLightStoresScalarsAndArrays) {
  uint16_t angle = program.add(GLOBAL, yarl::make_ident(K_ANGLE), "cutoff");
  uint16_t kind = program.add(GLOBAL, yarl::make_ident(K_INTEGER), "kind");
  ident_info array = yarl::make_ident(K_ARRAY + K_REAL);
  array.word2 = 10;
  uint16_t position = program.add(GLOBAL, array, "position");
  load();
  const float xyzw[4] = {1, 2, 3, 1};
  set_light_position(L0, xyzw);
  set_light_spot_cutoff(L0, 45);
  Code c(false);
  c.push(L0).op(GET_LIGHT).u16(10).ref(GLOBAL, angle);
  c.push(L0).op(GET_LIGHT).u16(5).ref(GLOBAL, kind);
  c.push(L0).op(GET_LIGHT).u16(15).ref(GLOBAL, position);
  run_code(c);
  ASSERT_FALSE(rterror) << traceback_line(0);
  EXPECT_EQ(used_slots(), 0u);
  EXPECT_EQ(global(angle)->val.i, 162000);
  EXPECT_EQ(global(kind)->val.i, LIGHT_SPOT);
  ASSERT_EQ(global(position)->word6, 3);
  EXPECT_EQ(global(position)->val.a[0].r, 1);
  EXPECT_EQ(global(position)->val.a[2].r, 3);
}

// ---- GL_SET_CLIPPLANE ----

TEST_F(RenderingOps, SetClipPlaneSwitchesAndSetsAPlane) {
  load();
  const float behind_x[3] = {-1, 0, 1}, above_z[3] = {5, -5, 0.5f}, below_z[3] = {5, 0, -0.5f};
  struct {
    const char* name;
    std::function<void(Code&)> code;
    bool repaint;
    bool behind_x_inside, below_z_inside;
  } steps[] = {
      {"on_without_plane", [](Code& c) { c.push(P0).push(1).op(GL_SET_CLIPPLANE).u8(0); }, true, false, true},
      {"on_again", [](Code& c) { c.push(P0).push(1).op(GL_SET_CLIPPLANE).u8(0); }, false, false, true},
      {"second_plane",
       [](Code& c) {
         c.push(P0 + 1).push(1);
         real_array(c, {0, 0, 0});
         real_array(c, {0, 0, 1}).op(GL_SET_CLIPPLANE).u8(1);
       },
       true, false, false},
      {"same_plane",
       [](Code& c) {
         c.push(P0 + 1).push(1);
         real_array(c, {1, 1, 0});
         real_array(c, {0, 0, 1}).op(GL_SET_CLIPPLANE).u8(1);
       },
       false, false, false},
      {"first_off", [](Code& c) { c.push(P0).push(0).op(GL_SET_CLIPPLANE).u8(0); }, true, true, false},
  };
  for (const auto& s : steps) {
    clear_repaint();
    Code c(false);
    s.code(c);
    run_code(c);
    EXPECT_FALSE(rterror) << s.name << ": " << traceback_line(0);
    EXPECT_EQ(used_slots(), 0u) << s.name;
    EXPECT_EQ(repaint_requested(), s.repaint) << s.name;
    EXPECT_EQ(inside_clip_area(behind_x), s.behind_x_inside) << s.name;
    EXPECT_EQ(inside_clip_area(below_z), s.below_z_inside) << s.name;
    EXPECT_TRUE(inside_clip_area(above_z)) << s.name;
  }
}

}  // namespace

// ---- SET_DISPLAY_OPTION and SET_DISPLAY_MODE ----

TEST_F(RenderingOps, SetDisplayOptionStoresAndRepaintsAsItsSelectorSays) {
  load();
  DisplayOptions* o = get_display_options();
  o->reset();
  struct {
    const char* name;
    uint16_t selector;
    std::function<void(Code&)> value;
    std::function<bool()> stored;
    bool repaint;
  } cases[] = {
      {"transparency", 6, [](Code& c) { c.push(1); }, [o] { return o->get_enable_transparency(); }, true},
      {"view numbers", 2, [](Code& c) { c.push(1); }, [o] { return o->get_display_view_number(); }, true},
      {"rendering option, low byte", 3, [](Code& c) { c.push(0x100); },
       [o] { return o->get_rendering_option() == 0; }, true},
      {"display lists, no repaint", 13, [](Code& c) { c.push(0); }, [o] { return !o->get_use_display_lists(); },
       false},
      {"rotation origin, no repaint", 18, [](Code& c) { real_array(c, {1, 2, 3}); },
       [o] {
         o->get_rotation_origin(f3);
         return f3[0] == 1 && f3[1] == 2 && f3[2] == 3;
       },
       false},
      {"logo, no repaint", 27, [](Code& c) { c.push(1); }, [o] { return o->get_display_vorq_logo(); }, false},
  };
  for (const auto& t : cases) {
    for (bool again : {false, true}) {
      clear_repaint();
      Code c(false);
      t.value(c);
      c.op(SET_DISPLAY_OPTION).u16(t.selector);
      run_code(c);
      EXPECT_FALSE(rterror) << t.name;
      EXPECT_EQ(used_slots(), 0u) << t.name;
      EXPECT_TRUE(t.stored()) << t.name;
      EXPECT_EQ(repaint_requested(), t.repaint && !again) << t.name << (again ? ", set again" : "");
    }
  }
  o->reset();
}

TEST_F(RenderingOps, DisplayOptionAndModeRefuseBadOperands) {
  load();
  // The reflection texture's name is freed with the two values below it.
  Code texture(false);
  texture.push(7).push(8).push_string("reflection.tif").op(SET_DISPLAY_OPTION).u16(28);
  run_code(texture);
  EXPECT_FALSE(rterror);
  EXPECT_EQ(used_slots(), 0u);

  Code origin(false);
  real_array(origin, {1, 2}).op(SET_DISPLAY_OPTION).u16(18);
  run_code(origin);
  EXPECT_TRUE(rterror);
  EXPECT_EQ(first_line(), "SET_DISPLAY_OPTION rotation origin array must be 3 elements long");

  Code mode(false);
  mode.push(3).push(0).push(0).push(0).op(SET_DISPLAY_MODE);
  run_code(mode);
  EXPECT_TRUE(rterror);
  EXPECT_EQ(first_line(), "SET_DISPLAY_MODE - requested mode not available");
  EXPECT_EQ(used_slots(), 0u);

  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        load();
        Code c(false);
        c.push(1).op(SET_DISPLAY_OPTION).u16(29);
        run_code(c);
      },
      testing::ExitedWithCode(1), removing_dump("module name: ui\\.\n4\\) line number in that module: 5987\\."));
}

// ---- Environment, lens flares, fog, highlighting, GL queries ----

#include "scene/environment.h"
#include "scene/lens_flares.h"
#include "view/graphics_window.h"

namespace {

constexpr uint8_t GL_GET_OP = 52, SET_FOG = 82, GET_ENVIRONMENT = 160, SET_ENVIRONMENT = 168, SET_LENS_FLARES = 169,
                  AVAILABLE_DISPLAY_MODE = 200, SET_HIGHLIGHT_ATTRIBUTES = 205;

Code& reals_n(Code& c, int n, float v) {
  for (int k = 0; k < n; ++k) real(c, v);
  return c.push(n);
}

// The arrays of SET_ENVIRONMENT in stack order, each with its length.
struct EnvironmentArrays {
  int surfaces = 6, position = 3, size = 3, reflection = 6, shadow = 6, light = 6, repeat = 12, names = 6;
};

void environment_code(Code& c, const EnvironmentArrays& n) {
  c.push(1);
  for (int k = 0; k < n.surfaces; ++k) c.push(k != 2);
  c.push(n.surfaces);
  for (int k = 0; k < n.position; ++k) real(c, float(10 * (k + 1)));
  c.push(n.position);
  for (int k = 0; k < n.size; ++k) real(c, k == 1 ? 0.0f : 500.0f);
  c.push(n.size);
  reals_n(c, n.reflection, 0.25f);
  for (int k = 0; k < n.shadow; ++k) c.push(k == 1);  // get_shadow: side 1 receives shadows
  c.push(n.shadow);
  for (int k = 0; k < n.light; ++k) c.push(k == 0);  // get_light: side 0 is lit
  c.push(n.light);
  reals_n(c, n.repeat, 2);
  for (int k = 0; k < n.names; ++k) c.push_string(k == 4 ? "wall.tif" : "");
  c.push(n.names);
  c.push(1);  // culling
}

class EnvironmentOps : public RenderingOps {
 protected:
  void SetUp() override {
    RenderingOps::SetUp();
    init_environment();
  }
  void TearDown() override {
    cleanup_environment();
    RenderingOps::TearDown();
  }
};

TEST_F(EnvironmentOps, WrongArrayLengthsAreRunTimeErrors) {
  load();
  const struct {
    const char* name;
    int EnvironmentArrays::*field;
    const char* message;
  } cases[] = {
      {"names", &EnvironmentArrays::names, "SET_ENVIRONMENT filename array must be 6 elements long"},
      {"repeat", &EnvironmentArrays::repeat, "SET_ENVIRONMENT repeat array must be 12 elements long"},
      {"light", &EnvironmentArrays::light, "SET_ENVIRONMENT get_light array must be 6 elements long"},
      {"shadow", &EnvironmentArrays::shadow, "SET_ENVIRONMENT get_shadow array must be 6 elements long"},
      {"reflection", &EnvironmentArrays::reflection, "SET_ENVIRONMENT reflection array must be 6 elements long"},
      {"size", &EnvironmentArrays::size, "SET_ENVIRONMENT size array must be 3 elements long"},
      {"position", &EnvironmentArrays::position, "SET_ENVIRONMENT position array must be 3 elements long"},
      {"surfaces", &EnvironmentArrays::surfaces, "SET_ENVIRONMENT visible surfaces array must be 6 elements long"},
  };
  for (const auto& t : cases) {
    EnvironmentArrays n;
    n.*t.field -= 1;
    clear_repaint();
    Code c(false);
    environment_code(c, n);
    c.op(SET_ENVIRONMENT);
    run_code(c);
    EXPECT_TRUE(rterror) << t.name;
    EXPECT_EQ(first_line(), t.message) << t.name;
    EXPECT_EQ(used_slots(), 0u) << t.name;
    EXPECT_FALSE(repaint_requested()) << t.name;
    EXPECT_FALSE(get_environment_data()->visible) << t.name;
  }
}

TEST_F(EnvironmentOps, GetReturnsWhatSetStoredWithTheArraysMappedByMeaning) {
  auto array = [&](uint8_t kind, uint16_t length, const char* name) {
    ident_info a = yarl::make_ident(uint8_t(K_ARRAY + kind));
    a.word2 = length;
    return program.add(GLOBAL, a, name);
  };
  uint16_t visible = program.add(GLOBAL, yarl::make_ident(K_BOOLEAN), "visible");
  uint16_t surfaces = array(K_BOOLEAN, 6, "surfaces"), position = array(K_REAL, 3, "position");
  uint16_t size = array(K_REAL, 3, "size"), reflection = array(K_REAL, 6, "reflection");
  uint16_t shadow = array(K_BOOLEAN, 6, "shadow"), lit = array(K_BOOLEAN, 6, "lit");
  uint16_t repeat = array(K_REAL, 12, "repeat"), names = array(K_STRING, 6, "names");
  uint16_t cull = program.add(GLOBAL, yarl::make_ident(K_BOOLEAN), "cull");
  load();
  Code c(false);
  environment_code(c, EnvironmentArrays{});
  c.op(SET_ENVIRONMENT);
  c.op(GET_ENVIRONMENT);
  for (uint16_t v : {visible, surfaces, position, size, reflection, shadow, lit, repeat, names, cull}) c.ref(GLOBAL, v);
  run_code(c);
  ASSERT_FALSE(rterror) << traceback_line(0);
  EXPECT_EQ(used_slots(), 0u);
  EXPECT_TRUE(repaint_requested());
  const environment_settings* e = get_environment_data();
  EXPECT_TRUE(e->lit[0]);
  EXPECT_FALSE(e->lit[1]);
  EXPECT_TRUE(e->receives_shadows[1]);
  EXPECT_FALSE(e->receives_shadows[0]);
  EXPECT_EQ(e->size[1], 1) << "a size of 0 is stored as 1";
  EXPECT_EQ(global(visible)->val.i, 1);
  EXPECT_EQ(global(cull)->val.i, 1);
  EXPECT_EQ(global(surfaces)->val.a[2].i, 0);
  EXPECT_EQ(global(surfaces)->val.a[3].i, 1);
  EXPECT_EQ(global(position)->val.a[2].r, 30);
  EXPECT_EQ(global(size)->val.a[1].r, 1);
  EXPECT_EQ(global(reflection)->val.a[5].r, 0.25f);
  EXPECT_EQ(global(shadow)->val.a[1].i, 1);
  EXPECT_EQ(global(lit)->val.a[0].i, 1);
  EXPECT_EQ(global(lit)->val.a[1].i, 0);
  ASSERT_EQ(global(repeat)->word6, 12);
  EXPECT_EQ(global(repeat)->val.a[11].r, 2);
  ASSERT_EQ(global(names)->word6, 6);
  EXPECT_STREQ(global(names)->val.a[4].s, "wall.tif");
  EXPECT_STREQ(global(names)->val.a[0].s, "");

  clear_repaint();
  Code again(false);
  environment_code(again, EnvironmentArrays{});
  again.op(SET_ENVIRONMENT);
  run_code(again);
  EXPECT_FALSE(repaint_requested()) << "the same settings";
}

TEST_F(RenderingOps, LensFlareTypesOutsideOneToNineAreRunTimeErrors) {
  load();
  for (int32_t type : {0, 10, -1}) {
    Code c(false);
    c.push(type).push(1).push(0).op(SET_LENS_FLARES);
    run_code(c);
    EXPECT_TRUE(rterror) << type;
    EXPECT_EQ(first_line(), "SET_LENS_FLARES - flare type out of range") << type;
    EXPECT_EQ(used_slots(), 0u);
  }
  get_display_options()->set_display_lens_flares(true);
  clear_repaint();
  Code c(false);
  c.push(9).push(0).push(1).op(SET_LENS_FLARES);
  run_code(c);
  EXPECT_FALSE(rterror) << traceback_line(0);
  unsigned type;
  bool visible, hidden;
  get_lens_flares(&type, &visible, &hidden);
  EXPECT_EQ(type, 9u);
  EXPECT_FALSE(visible);
  EXPECT_TRUE(hidden);
  EXPECT_TRUE(repaint_requested());
  set_lens_flares(1, true, false);
  get_display_options()->reset();
}

TEST_F(RenderingOps, FogIsStoredAndNeverRepaints) {
  load();
  Code c(false);
  c.push(1);
  real_array(c, {0.5f, 0.25f, 1});
  reals(c, {300, 2}).push(1);
  real(c, 40).push(0x103);
  c.op(SET_FOG);
  run_code(c);
  ASSERT_FALSE(rterror) << traceback_line(0);
  EXPECT_EQ(used_slots(), 0u);
  EXPECT_FALSE(repaint_requested());
  const fog_settings* f = get_fog();
  EXPECT_TRUE(f->enable);
  EXPECT_EQ(f->color[1], 0.25f);
  EXPECT_EQ(f->distance, 300);
  EXPECT_EQ(f->density, 2);
  EXPECT_TRUE(f->ground);
  EXPECT_EQ(f->height, 40);
  EXPECT_EQ(f->side, 3) << "the low byte";

  Code bad(false);
  bad.push(1);
  real_array(bad, {0.5f, 0.25f});
  reals(bad, {300, 2}).push(1);
  real(bad, 40).push(0).op(SET_FOG);
  run_code(bad);
  EXPECT_EQ(first_line(), "SET_FOG color array must be 3 elements long");
  EXPECT_EQ(used_slots(), 0u);
}

TEST_F(RenderingOps, HighlightValuesPassInStackOrderAndAreChecked) {
  load();
  init_highlight_options();
  Code c(false);
  for (int32_t v : {2, 12, 648000, 50, 10, 90, 40, 100, 162000, 324000}) c.push(v);
  c.op(SET_HIGHLIGHT_ATTRIBUTES);
  run_code(c);
  ASSERT_FALSE(rterror) << traceback_line(0);
  EXPECT_EQ(used_slots(), 0u);
  const HighlightOptions* h = get_highlight_options();
  EXPECT_EQ(h->get_mode(), 2u);
  EXPECT_FLOAT_EQ(h->get_hue(), 180);
  EXPECT_FLOAT_EQ(h->get_gamma(), 20);
  const struct {
    std::initializer_list<int32_t> values;
    const char* message;
  } cases[] = {
      {{4, 12, 0, 50, 10, 90, 40, 100, 0, 0}, "SET_HIGHLIGHT_ATTRIBUTES - highlight mode out of range"},
      {{1, 12, 0, 101, 10, 90, 40, 100, 0, 0}, "SET_HIGHLIGHT_ATTRIBUTES - saturation or lightness out of range"},
      {{1, 12, 0, 50, 10, 101, 40, 100, 0, 0}, "SET_HIGHLIGHT_ATTRIBUTES - saturation or lightness out of range"},
  };
  for (const auto& t : cases) {
    Code bad(false);
    for (int32_t v : t.values) bad.push(v);
    bad.op(SET_HIGHLIGHT_ATTRIBUTES);
    run_code(bad);
    EXPECT_EQ(first_line(), t.message);
    EXPECT_EQ(used_slots(), 0u);
  }
  EXPECT_EQ(h->get_mode(), 2u) << "kept";
  cleanup_highlight_options();
}

TEST_F(RenderingOps, GlGetAsksGlForEveryCountAndKind) {
  uint16_t version = program.add(GLOBAL, yarl::make_ident(K_STRING), "version");
  uint16_t none = program.add(GLOBAL, yarl::make_ident(K_STRING), "none");
  uint16_t lights = program.add(GLOBAL, yarl::make_ident(K_INTEGER), "lights");
  ident_info a = yarl::make_ident(K_ARRAY + K_REAL);
  a.word2 = 20;
  uint16_t matrix = program.add(GLOBAL, a, "matrix");
  ident_info b = yarl::make_ident(K_ARRAY + K_INTEGER);
  b.word2 = 20;
  uint16_t viewport = program.add(GLOBAL, b, "viewport");
  load();
  Code c(false);
  c.op(GL_GET_OP).u8(K_STRING).u8(0).u16(GL_VERSION).ref(GLOBAL, version);
  c.op(GL_GET_OP).u8(K_STRING).u8(0).u16(0x1234).ref(GLOBAL, none);
  c.op(GL_GET_OP).u8(K_INTEGER).u8(1).u16(GL_MAX_LIGHTS).ref(GLOBAL, lights);
  // The matrix has 16 values; only the 2 asked for are kept.
  c.op(GL_GET_OP).u8(K_ARRAY + K_REAL).u8(2).u16(GL_MODELVIEW_MATRIX).ref(GLOBAL, matrix);
  c.op(GL_GET_OP).u8(K_ARRAY + K_INTEGER).u8(4).u16(GL_VIEWPORT).ref(GLOBAL, viewport);
  run_code(c);
  glGetError();  // the unknown string name
  ASSERT_FALSE(rterror) << traceback_line(0);
  EXPECT_STREQ(global(version)->val.s, reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  EXPECT_STREQ(global(none)->val.s, "");
  GLint n = 0;
  glGetIntegerv(GL_MAX_LIGHTS, &n);
  EXPECT_EQ(global(lights)->val.i, n);
  ASSERT_EQ(global(matrix)->word6, 2);
  EXPECT_EQ(global(matrix)->val.a[0].r, 1);
  EXPECT_EQ(global(matrix)->val.a[1].r, 0);
  ASSERT_EQ(global(viewport)->word6, 4);
  EXPECT_EQ(global(viewport)->val.a[2].i, 16) << "the test window's width";
}

TEST_F(RenderingOps, AvailableDisplayModePushesOneBoolean) {
  load();
  Code c(false);
  c.push(0).push(0).push(0).push(0).op(AVAILABLE_DISPLAY_MODE);
  run_code(c);
  ASSERT_FALSE(rterror) << traceback_line(0);
  ASSERT_EQ(used_slots(), 1u);
  EXPECT_EQ(sb[0].i, available_display_mode(0, 0, 0, 0));
  sp = sb - 1;
}

}  // namespace

// ---- Outside check: the probes and GL_GET against glxinfo on the same display ----

#include "gl/gl_context.h"
#include "tests/oracle/tool_oracle.h"

namespace {

TEST_F(RenderingOps, ProbesAndGlGetAgreeWithGlxinfo) {
  uint16_t version = program.add(GLOBAL, yarl::make_ident(K_STRING), "version");
  uint16_t renderer = program.add(GLOBAL, yarl::make_ident(K_STRING), "renderer");
  uint16_t lights = program.add(GLOBAL, yarl::make_ident(K_INTEGER), "lights");
  load();
  Code c(false);
  c.op(52).u8(K_STRING).u8(0).u16(GL_VERSION).ref(GLOBAL, version);
  c.op(52).u8(K_STRING).u8(0).u16(GL_RENDERER).ref(GLOBAL, renderer);
  c.op(52).u8(K_INTEGER).u8(1).u16(GL_MAX_LIGHTS).ref(GLOBAL, lights);
  run_code(c);
  ASSERT_FALSE(rterror) << traceback_line(0);
  // glxinfo (package mesa-utils) on the test's display.
  tool_oracle::expect_output("glx_version", "glxinfo -B | sed -n 's/^OpenGL version string: //p'",
                             global(version)->val.s);
  tool_oracle::expect_output("glx_renderer", "glxinfo -B | sed -n 's/^OpenGL renderer string: //p'",
                             global(renderer)->val.s);
  tool_oracle::expect_output("glx_max_lights", "glxinfo -l | sed -n 's/^ *GL_MAX_LIGHTS = //p' | sort -u",
                             std::to_string(global(lights)->val.i));
  // The probed extensions, each "1" when glxinfo lists it among the GL ones.
  std::string names, listed;
  for (const char* name : {"GL_ARB_shadow", "GL_ARB_depth_texture", "GL_EXT_shadow", "GL_EXT_shadow_funcs",
                           "GL_SGIX_shadow", "GL_ARB_texture_cube_map", "GL_ARB_shadow_ambient"}) {
    names += std::string(" ") + name;
    listed += (listed.empty() ? "" : " ") + std::string(gl_extension_listed(name) ? "1" : "0");
  }
  tool_oracle::expect_output("glx_extensions",
                             "all=$(glxinfo | tr ', ' '\\n\\n'); for n in" + names +
                                 "; do printf '%s ' $(echo \"$all\" | grep -cx \"$n\" | sed 's/^[1-9].*/1/'); done",
                             listed + " ");
}

}  // namespace
