// The YARL view and coordinate operations on a loaded program with the views
// preset: every attribute set, changed and read, the conversions against
// tests/support/view_math.py (the camera formulas, computed apart from the
// server), and the run-time errors. The tests read before any repaint: the
// eye stays where the settings put it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "link/graphics_input.h"
#include "link/si.h"
#include "runtime/interpreter.h"
#include "runtime/predefined.h"
#include "runtime/run_time_errors.h"
#include "scene/environment.h"
#include "scene/transformation.h"
#include "tests/oracle/tool_oracle.h"
#include "tests/runtime/yarl_fixture.h"
#include "view/graphics_display.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl_test::real_bits;

namespace op {
constexpr uint8_t VPN = 16, VUP = 17, ZOOM = 33, FOCUS = 38, CURSOR = 50, ROTATE = 60, TRANSLATE = 106,
                  PROJECTION = 114, EYE = 135, MIRROR = 153, SIZE_X = 170, SIZE_Y = 171, ROTATE_REFLECTION = 185,
                  ORIGIN_X = 186, ORIGIN_Y = 187, SET = 204, CHANGE = 206, VIEW_NUMBER = 130, SCREEN_SIZE = 127,
                  BOUNDING_CUBOID = 159, MODEL_TO_TEK = 138, SCREEN_TO_TEK = 149, TEK_TO_3D = 105,
                  SET_DEPTH_OF_FIELD = 191, SET_STEREO = 199, SET_TRANSFORMATION = 193;
}

Code& reals(Code& c, std::initializer_list<float> values) {
  for (float f : values) c.push_long(real_bits(f));
  return c;
}

// The command that runs view_math.py on the current view's camera; it prints
// one line of numbers per question.
std::string view_math(const std::vector<std::string>& questions) {
  const view_type* v = get_view_record(get_current_view_number());
  char camera[1024];
  snprintf(camera, sizeof camera,
           "{\"ref\":[%.9g,%.9g,%.9g],\"dir\":[%.9g,%.9g,%.9g],\"up\":[%.9g,%.9g,%.9g],\"width\":%.9g,"
           "\"height\":%.9g,\"depth\":%.9g,\"eye\":[%.9g,%.9g,%.9g],\"persp\":%s,\"viewport\":[%.9g,%.9g,%.9g,%.9g],"
           "\"mirror\":%u}",
           v->reference_point[0], v->reference_point[1], v->reference_point[2], v->direction[0], v->direction[1],
           v->direction[2], v->up[0], v->up[1], v->up[2], v->window_width, v->window_height, v->window_depth,
           v->eye[0], v->eye[1], v->eye[2], v->perspective ? "true" : "false", v->viewport[0], v->viewport[1],
           v->viewport[2], v->viewport[3], unsigned(v->mirror_mode));
  std::string command = std::string("python3 ") + VIEW_MATH + " '" + camera + "'";
  for (const std::string& q : questions) command += " " + q;
  return command;
}

class ViewOps : public yarl_test::Loaded {
 protected:
  void SetUp() override {
    tx = program.add(GLOBAL, yarl::make_ident(K_INTEGER), "tx");
    ty = program.add(GLOBAL, yarl::make_ident(K_INTEGER), "ty");
    hits = program.add(GLOBAL, yarl::make_ident(K_INTEGER), "hits");
    Code& c = program.code();
    yarl::Label after = c.label();
    watch_at = c.offset();
    c.op(yarl_test::op::WHEN_CHANGED).ref(GLOBAL, tx).target(after);
    c.push_var(GLOBAL, hits).push(1).op(yarl_test::op::ADD_INTEGER).assign(GLOBAL, hits).release();
    c.bind(after).release();
    load();
    interpret_code(global(1), statement_code(watch_at), true);
    put_predef(111, 1);
    init_views();
    update_current_viewport();
    change_vl_system_viewport(0, 1280, 0, 1024);
    clear_repaint();
    set_rotate_reflection(0, 0, 0);
  }
  void TearDown() override {
    set_transformation(nullptr);
    cleanup_vl();
    yarl_test::Loaded::TearDown();
  }
  // Runs the code with run-time errors ending the run, not the program; the
  // values left on the stack are returned, deepest first.
  std::vector<value> stack_after(const Code& c) {
    in_interface_builder = true;
    sp = sb - 1;
    run(c.raw_bytes());
    std::vector<value> left(sb, sp + 1);
    sp = sb - 1;
    return left;
  }
  std::string error_line() { return traceback_line(0).substr(0, traceback_line(0).find(" in ")); }
  void set(uint8_t code, std::function<void(Code&)> values) {
    Code c(false);
    values(c);
    c.op(op::SET).u8(code);
    stack_after(c);
  }
  void change(uint8_t code, std::function<void(Code&)> values) {
    Code c(false);
    values(c);
    c.op(op::CHANGE).u8(code);
    stack_after(c);
  }
  std::vector<value> query(uint8_t code) {
    Code c(false);
    c.op(code);
    return stack_after(c);
  }

  uint16_t tx = 0, ty = 0, hits = 0;
  uint32_t watch_at = 0;
};

std::vector<float> as_reals(const std::vector<value>& v) {
  std::vector<float> out;
  for (const value& x : v) out.push_back(x.r);
  return out;
}
std::vector<int32_t> as_ints(const std::vector<value>& v) {
  std::vector<int32_t> out;
  for (const value& x : v) out.push_back(x.i);
  return out;
}

// ---- Attributes ----------------------------------------------------------------

struct AttributeCase {
  const char* name;
  uint8_t code;
  std::function<void(Code&)> set_values;    // empty: not set
  std::function<void(Code&)> change_values;  // empty: not changed
  std::vector<float> reals;                  // expected reading, REAL attributes
  std::vector<int32_t> ints;                 // expected reading, others
  bool repaint;                              // requested by the last step
};

const AttributeCase attribute_cases[] = {
    {"vpn", op::VPN, [](Code& c) { reals(c, {1, 0, 0}); }, nullptr, {1, 0, 0}, {}, true},
    {"vpn_unchanged", op::VPN, [](Code& c) { reals(c, {0, 1, 0}); }, nullptr, {0, 1, 0}, {}, false},
    {"vpn_changed", op::VPN, nullptr, [](Code& c) { reals(c, {1, 1, 0}); }, {0.4472136f, 0.8944272f, 0}, {}, true},
    {"translate", op::TRANSLATE, [](Code& c) { reals(c, {1, 2, 3}); }, nullptr, {1, 2, 3}, {}, true},
    {"focus", op::FOCUS, [](Code& c) { reals(c, {500}); }, nullptr, {500}, {}, true},
    {"focus_changed", op::FOCUS, nullptr, [](Code& c) { reals(c, {-1000}); }, {2000}, {}, true},
    {"eye", op::EYE, [](Code& c) { reals(c, {0, -100, 0}); }, nullptr, {0, -100, 0}, {}, true},
    {"eye_changed", op::EYE, nullptr, [](Code& c) { reals(c, {0, -1, 0}); }, {0, -3001, 0}, {}, true},
    {"projection", op::PROJECTION, [](Code& c) { c.push(1); }, nullptr, {}, {1}, true},
    {"projection_changed_by_0_stays", op::PROJECTION, nullptr, [](Code& c) { c.push(0); }, {}, {0}, false},
    {"projection_toggled", op::PROJECTION, nullptr, [](Code& c) { c.push(5); }, {}, {1}, true},
    {"mirror", op::MIRROR, [](Code& c) { c.push(2); }, nullptr, {}, {2}, true},
    {"mirror_changed", op::MIRROR, nullptr, [](Code& c) { c.push(1); }, {}, {1}, true},
    {"size_x", op::SIZE_X, [](Code& c) { c.push(2000); }, nullptr, {}, {2000}, true},
    {"size_x_above_4095_refused", op::SIZE_X, [](Code& c) { c.push(4096); }, nullptr, {}, {4095}, false},
    {"size_y_changed", op::SIZE_Y, nullptr, [](Code& c) { c.push(-276); }, {}, {3000}, true},
    {"origin_x", op::ORIGIN_X, [](Code& c) { c.push(100); }, nullptr, {}, {100}, true},
    {"origin_y_changed", op::ORIGIN_Y, nullptr, [](Code& c) { c.push(7); }, {}, {7}, true},
    {"rotate_reflection", op::ROTATE_REFLECTION, [](Code& c) { c.push(10).push(20).push(30); }, nullptr, {},
     {10, 20, 30}, true},
    {"rotate_reflection_changed", op::ROTATE_REFLECTION, nullptr, [](Code& c) { c.push(1).push(2).push(3); }, {},
     {1, 2, 3}, true},
    {"cursor_low_byte", op::CURSOR, [](Code& c) { c.push(300); }, nullptr, {}, {44}, false},
    {"zoom", op::ZOOM, [](Code& c) { reals(c, {2}); }, nullptr, {2}, {}, true},
};

void PrintTo(const AttributeCase& c, std::ostream* os) { *os << c.name; }

class Attributes : public ViewOps, public testing::WithParamInterface<AttributeCase> {};

TEST_P(Attributes, SetOrChangeThenRead) {
  const AttributeCase& t = GetParam();
  if (t.code == op::CURSOR) {
    preset_graphics_input(nullptr);
  }
  if (t.set_values) set(t.code, t.set_values);
  if (t.change_values) {
    clear_repaint();
    change(t.code, t.change_values);
  }
  EXPECT_FALSE(rterror) << error_line();
  EXPECT_EQ(repaint_requested(), t.repaint);
  std::vector<value> read = query(t.code);
  if (!t.reals.empty()) {
    std::vector<float> got = as_reals(read);
    ASSERT_EQ(got.size(), t.reals.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], t.reals[i], 1e-3 * (1 + std::fabs(t.reals[i]))) << i;
  } else {
    EXPECT_EQ(as_ints(read), t.ints);
  }
  if (t.code == op::CURSOR) cleanup_graphics_input();
}

INSTANTIATE_TEST_SUITE_P(View, Attributes, testing::ValuesIn(attribute_cases),
                         [](const testing::TestParamInfo<AttributeCase>& i) { return std::string(i.param.name); });

TEST_F(ViewOps, VupReadsTheOrthogonalisedUpAndItsChangeAddsToThat) {
  set(op::VUP, [](Code& c) { reals(c, {0, 1, 1}); });
  std::vector<float> got = as_reals(query(op::VUP));
  ASSERT_EQ(got.size(), 3u);
  tool_oracle::expect_numbers("vup", view_math({"vup"}), {got[0], got[1], got[2]}, 1e-5);
  change(op::VUP, [](Code& c) { reals(c, {1, 0, 0}); });  // (0, 0, 1) + (1, 0, 0)
  float up[3];
  get_vup(&up[0], &up[1], &up[2]);
  const view_type* v = get_view_record(1);
  EXPECT_FLOAT_EQ(v->up[0], 1);
  EXPECT_FLOAT_EQ(v->up[2], 1);
}

TEST_F(ViewOps, RotateSetAndChangedTurnsTheView) {
  set(op::ROTATE, [](Code& c) { c.push(0).push(0).push(324000); });  // a quarter turn about z
  std::vector<int32_t> a = as_ints(query(op::ROTATE));
  ASSERT_EQ(a.size(), 3u);
  EXPECT_NEAR(a[2], 324000, 2);
  float before[3], after[3];
  get_vup(&before[0], &before[1], &before[2]);
  clear_repaint();
  change(op::ROTATE, [](Code& c) { c.push(0).push(0).push(324000); });
  EXPECT_TRUE(repaint_requested());
  get_vup(&after[0], &after[1], &after[2]);
  float vpn[3];
  get_vpn(&vpn[0], &vpn[1], &vpn[2]);
  float moved = 0;
  for (int i = 0; i < 3; ++i) moved += std::fabs(after[i] - before[i]);
  EXPECT_GT(moved + std::fabs(vpn[1] - 1), 0.5f) << "the camera turned";
}

struct ErrorCase {
  const char* name;
  std::function<void(Code&)> code;
  const char* message;
  uint8_t cursor_after = 34;
};

const ErrorCase error_cases[] = {
    {"cursor_200", [](Code& c) { c.push(200).op(op::SET).u8(op::CURSOR); }, "Cursor number out of range"},
    {"cursor_plus_200_from_0",
     [](Code& c) { c.push(0).op(op::SET).u8(op::CURSOR).push(200).op(op::CHANGE).u8(op::CURSOR); },
     "Cursor number out of range", 0},
    {"cursor_minus_1_from_0",
     [](Code& c) { c.push(0).op(op::SET).u8(op::CURSOR).push(-1).op(op::CHANGE).u8(op::CURSOR); },
     "Cursor number out of range", 0},
    {"mirror_3", [](Code& c) { c.push(3).op(op::SET).u8(op::MIRROR); }, "Mirror mode out of range"},
    {"mirror_minus_1", [](Code& c) { c.push(-1).op(op::CHANGE).u8(op::MIRROR); }, "Mirror mode out of range"},
    {"transformation_15",
     [](Code& c) {
       for (int i = 0; i < 15; ++i) reals(c, {1});
       c.op(op::SET_TRANSFORMATION);
     },
     "SET_TRANSFORMATION array must be 16 elements long"},
    {"transformation_singular",
     [](Code& c) {
       for (int i = 0; i < 16; ++i) reals(c, {i < 4 ? 1.0f : 0.0f});
       c.op(op::SET_TRANSFORMATION);
     },
     "SET_TRANSFORMATION matrix must be invertible"},
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }

class RunTimeErrors : public ViewOps, public testing::WithParamInterface<ErrorCase> {};

TEST_P(RunTimeErrors, StopTheProgramAndLeaveTheSettings) {
  preset_graphics_input(nullptr);
  Code c(false);
  GetParam().code(c);
  stack_after(c);
  EXPECT_TRUE(rterror);
  EXPECT_EQ(error_line(), GetParam().message);
  EXPECT_EQ(get_noinput_cursor(), GetParam().cursor_after);
  EXPECT_EQ(get_mirror_display(), 0u);
  EXPECT_EQ(get_transformation(), nullptr);
  cleanup_graphics_input();
}

INSTANTIATE_TEST_SUITE_P(View, RunTimeErrors, testing::ValuesIn(error_cases),
                         [](const testing::TestParamInfo<ErrorCase>& i) { return std::string(i.param.name); });

// ---- Conversions ---------------------------------------------------------------

TEST_F(ViewOps, ModelToTekInsideAndClampedOutsideRunsTheWhenChangedList) {
  set(op::TRANSLATE, [](Code& c) { reals(c, {10, 0, -20}); });
  struct Case {
    float x, y, z;
  } cases[] = {{100, 0, 200}, {-1500, 30, 900}, {5000, 0, 0}, {0, 0, -4000}};
  std::vector<std::string> questions;
  for (const Case& p : cases) {
    char q[80];
    snprintf(q, sizeof q, "tek:%g,%g,%g", p.x, p.y, p.z);
    questions.push_back(q);
  }
  std::string command = view_math(questions);
  set_view_being_drawn(5);  // another view drawn last: the current one still counts
  for (size_t i = 0; i < 4; ++i) {
    Code c(false);
    reals(c, {cases[i].x, cases[i].y, cases[i].z}).op(op::MODEL_TO_TEK).ref(GLOBAL, tx).ref(GLOBAL, ty);
    std::vector<int32_t> inside = as_ints(stack_after(c));
    ASSERT_EQ(inside.size(), 1u);
    tool_oracle::expect_numbers("model_to_tek_" + std::to_string(i),
                                command + " | sed -n " + std::to_string(i + 1) + "p",
                                {double(global(tx)->val.i), double(global(ty)->val.i), double(inside[0])}, 0);
  }
  EXPECT_GE(global(hits)->val.i, 3);  // each new tek x ran the list
}

TEST_F(ViewOps, ModelToTekAgreesWithGluProjectOfTheSameCamera) {
  // The tek point less the projected one, each within 1.
  tool_oracle::expect_numbers("tek_against_glu_project",
                              view_math({"tek:300,0,-500", "project:300,0,-500:4095:3276"}) +
                                  " | awk 'NR == 1 { x = $1; y = $2 } NR == 2 { print x - $1, y - $2 }'",
                              {0, 0}, 1);
}

TEST_F(ViewOps, ScreenToTekClampsNegativePixelsAndRunsNoList) {
  struct Case {
    int32_t x, y;
    int32_t tx, ty, inside;
  } cases[] = {{640, 512, 2047, 1638, 1}, {-1, 512, 0, 1638, 0}, {70000, -5, 4095, 3276, 0}};
  for (const Case& t : cases) {
    Code c(false);
    c.push(t.x).push(t.y).op(op::SCREEN_TO_TEK).ref(GLOBAL, tx).ref(GLOBAL, ty);
    std::vector<int32_t> inside = as_ints(stack_after(c));
    EXPECT_EQ(global(tx)->val.i, t.tx) << t.x;
    EXPECT_EQ(global(ty)->val.i, t.ty) << t.y;
    EXPECT_EQ(inside, std::vector<int32_t>{t.inside});
  }
  EXPECT_EQ(global(hits)->val.i, 0);
}

TEST_F(ViewOps, TekTo3dParallelPerspectiveAndMirrored) {
  set(op::TRANSLATE, [](Code& c) { reals(c, {5, 6, 7}); });
  for (int variant = 0; variant < 3; ++variant) {
    if (variant == 1) set(op::PROJECTION, [](Code& c) { c.push(1); });
    if (variant == 2) set(op::MIRROR, [](Code& c) { c.push(1); });
    Code c(false);
    c.push(1000).push(3000).op(op::TEK_TO_3D);
    std::vector<float> got = as_reals(stack_after(c));
    ASSERT_EQ(got.size(), 6u);
    tool_oracle::expect_numbers("tek_to_3d_" + std::to_string(variant), view_math({"line:1000,3000"}),
                                std::vector<double>(got.begin(), got.end()), 1e-3, 1e-3);
  }
}

TEST_F(ViewOps, ViewNumberPrefersTheCurrentViewWhereViewsOverlap) {
  view_type* two = get_view_record(2);
  two->enabled = true;
  two->viewport[0] = 0, two->viewport[1] = 2000, two->viewport[2] = 0, two->viewport[3] = 2000;
  Code c(false);
  c.push(100).push(100).op(op::VIEW_NUMBER).push(3000).push(3000).op(op::VIEW_NUMBER);
  EXPECT_EQ(as_ints(stack_after(c)), (std::vector<int32_t>{1, 1}));
  put_predef(111, 2);
  update_current_viewport();
  EXPECT_EQ(as_ints(stack_after(c)), (std::vector<int32_t>{2, 1}));
}

TEST_F(ViewOps, ScreenSizeAndAnEmptyModelsBoundingCuboid) {
  Code c(false);
  c.op(op::SCREEN_SIZE).op(op::BOUNDING_CUBOID);
  std::vector<value> v = stack_after(c);
  ASSERT_EQ(v.size(), 10u);
  EXPECT_EQ(v[0].i, graphics_display_width_mm());
  EXPECT_EQ(v[2].i, graphics_display_width());
  EXPECT_EQ(v[3].i, graphics_display_height());
  for (int i = 4; i < 10; ++i) EXPECT_EQ(v[i].r, 0.0f) << i;
}

TEST_F(ViewOps, DepthOfFieldRequestsNoRepaintAndAStereoDistanceMovesTheEye) {
  Code c(false);
  c.push(1);
  reals(c, {2.8f, 1000}).op(op::SET_DEPTH_OF_FIELD);
  stack_after(c);
  EXPECT_FALSE(repaint_requested());
  bool on;
  float aperture, focus;
  get_depth_of_field(&on, &aperture, &focus);
  EXPECT_TRUE(on);
  EXPECT_EQ(aperture, 2.8f);
  Code s(false);
  s.push(0);
  reals(s, {5, 1234, 0}).op(op::SET_STEREO);
  stack_after(s);
  EXPECT_NEAR(get_focus(), 1234, 1e-2);
}

TEST_F(ViewOps, SetTransformationKeepsAnInvertibleMatrixAndRepaintsWithDepth) {
  Code c(false);
  const float m[16] = {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 5, 0, 0, 1};
  for (float f : m) reals(c, {f});
  c.op(op::SET_TRANSFORMATION);
  stack_after(c);
  EXPECT_FALSE(rterror);
  ASSERT_NE(get_transformation(), nullptr);
  EXPECT_EQ((*get_transformation())[12], 5.0);
  EXPECT_TRUE(repaint_requested());
}

}  // namespace
