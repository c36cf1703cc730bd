// The 3D GUI items of a loaded program and their manipulators: the update
// pass over the attribute code, the callbacks that write the values back and
// start the action, and the refusals of values no manipulator can take.
#include "runtime/gui3d_items.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "link/si.h"
#include "runtime/variables.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/dump_files.h"
#include "view/gui3d.h"
#include "view/gui3d_point.h"
#include "view/views.h"

namespace {

using namespace yarl;
using yarl_test::real_bits;
namespace ops = yarl_test::op;

constexpr uint8_t MARK = 51, PUSH_ARRAY = 57, PUSH_LEN = 108;

class Gui3dItems : public yarl_test::Loaded {
 protected:
  uint16_t window = 0, actions = 0;  // window locals: x, y, z REAL; ax, ay, az arrays of REAL

  void add_window() {
    window = add_window_with_locals(program, "w",
                                    {{K_REAL, "x"}, {K_REAL, "y"}, {K_REAL, "z"}, {K_ARRAY + K_REAL, "ax"},
                                     {K_ARRAY + K_REAL, "ay"}, {K_ARRAY + K_REAL, "az"}});
    actions = program.add(GLOBAL, make_ident(K_INTEGER), "actions");
  }
  // A POINT whose attribute code pushes x, y, z and then what `attributes` emits.
  uint32_t add_point(uint32_t flags, const std::function<void(Code&)>& attributes, bool array = false) {
    Code& c = program.code();
    Item3D item;
    item.window = window;
    item.flags = flags | ITEM3D_ACTION;
    item.value_kind = array ? K_ARRAY + K_REAL : K_REAL;
    item.code_offset = c.offset();
    for (uint16_t j = 0; j < 3; ++j) {
      uint16_t local = uint16_t(array ? 3 + j : j);
      item.edit_vars.push_back(ref16(WINDOW_LOCAL, local));
      if (array) c.op(MARK).op(PUSH_ARRAY).ref(WINDOW_LOCAL, local).op(PUSH_LEN);
      else c.push_var(WINDOW_LOCAL, local);
    }
    attributes(c);
    c.release();
    item.action_offset = c.offset();
    c.push_var(GLOBAL, actions).push(1).op(ops::ADD_INTEGER).assign(GLOBAL, actions).release();
    return add_gui3d_item(program, item);
  }
  ident_info* local(uint16_t i) { return &record_of(global(window))->locals[i]; }
  void set_local(uint16_t i, float v) { local(i)->val.r = v; }
  void set_array(uint16_t i, std::vector<float> values) {
    ASSERT_TRUE(reset_array_size(global(window), local(i), uint32_t(values.size())));
    for (size_t k = 0; k < values.size(); ++k) local(i)->val.a[k].r = values[k];
  }
  void pass() {
    clear_repaint_requests();
    update_gui3d_objects();
  }
  static void push_real(Code& c, float f) { c.push_long(real_bits(f)); }
};

using Gui3dItemsDeathTest = Gui3dItems;

TEST_F(Gui3dItems, PlainItemIsMadeAndTakesItsAttributesWithTheirRepaintKinds) {
  add_window();
  uint16_t colour = program.add(GLOBAL, make_ident(K_INTEGER), "colour");
  add_point(ITEM3D_COLOR | ITEM3D_MOTION_SCALE | ITEM3D_INCREMENT_LINEAR, [&](Code& c) {
    c.push_var(GLOBAL, colour);
    push_real(c, 0.5f);
    push_real(c, 200);  // a plain item takes any scale
  });
  load();
  set_local(0, 1), set_local(1, 2), set_local(2, 3);
  global(colour)->val.i = 0x00FF00;
  pass();
  GUI3D* g = find_gui3d(0, -1);
  ASSERT_NE(g, nullptr);
  GUI3DPoint* p = static_cast<GUI3DPoint*>(g);
  EXPECT_FALSE(p->reference_point != Point(1, 2, 3));
  EXPECT_FLOAT_EQ(p->color[1], 1);
  EXPECT_FLOAT_EQ(p->increments->linear, 0.5f);
  EXPECT_FLOAT_EQ(p->increments->motion_scale, 200);
  EXPECT_TRUE(repaint_requested() && depth_repaint_requested()) << "a new manipulator";

  pass();
  EXPECT_FALSE(repaint_requested()) << "nothing changed";
  global(colour)->val.i = 0x0000FF;
  clear_repaint_requests();
  pass();
  EXPECT_TRUE(repaint_requested());
  EXPECT_FALSE(depth_repaint_requested()) << "a colour needs no depth update";
  set_local(1, 7);
  clear_repaint_requests();
  pass();
  EXPECT_TRUE(depth_repaint_requested()) << "a moved point does";
  EXPECT_FLOAT_EQ(p->reference_point.y(), 7);
  EXPECT_EQ(find_gui3d(0, -1), g) << "the same manipulator";
}

TEST_F(Gui3dItems, DeleteRemovesTheManipulatorAndFalseBringsANewOne) {
  add_window();
  uint16_t gone = program.add(GLOBAL, make_ident(K_BOOLEAN), "gone");
  add_point(ITEM3D_DELETE, [&](Code& c) { c.push_var(GLOBAL, gone); });
  load();
  pass();
  ASSERT_NE(find_gui3d(0, -1), nullptr);
  global(gone)->val.i = 1;
  clear_repaint_requests();
  pass();
  EXPECT_EQ(find_gui3d(0, -1), nullptr);
  EXPECT_TRUE(depth_repaint_requested());
  global(gone)->val.i = 0;
  pass();
  EXPECT_NE(find_gui3d(0, -1), nullptr);
}

TEST_F(Gui3dItems, ArrayFromFiveToTwoKeepsTheFirstTwo) {
  add_window();
  add_point(ITEM3D_COLOR, [&](Code& c) { c.op(MARK).push(0xFF0000).push(0x00FF00).push(2); }, true);
  load();
  for (uint16_t j = 3; j < 6; ++j) set_array(j, {1, 2, 3, 4, 5});
  pass();
  ASSERT_EQ(gui3d_element_count(0), 5);
  GUI3D* first = find_gui3d(0, 0);
  GUI3D* second = find_gui3d(0, 1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->element_index, 1u);
  EXPECT_EQ(find_gui3d(0, 4)->element_index, 5u);
  EXPECT_FLOAT_EQ(first->color[0], 1);
  EXPECT_FLOAT_EQ(find_gui3d(0, 4)->color[1], 1) << "a short attribute array gives its last value";
  EXPECT_FLOAT_EQ(static_cast<GUI3DPoint*>(find_gui3d(0, 3))->reference_point.x(), 4);
  for (uint16_t j = 3; j < 6; ++j) set_array(j, {1, 2});
  clear_repaint_requests();
  pass();
  EXPECT_EQ(gui3d_element_count(0), 2);
  EXPECT_EQ(find_gui3d(0, 0), first);
  EXPECT_EQ(find_gui3d(0, 1), second);
  EXPECT_EQ(find_gui3d(0, 2), nullptr);
  EXPECT_TRUE(depth_repaint_requested());
  GUI3DTableIterator it;
  int n = 0;
  while (it.next() != nullptr) ++n;
  EXPECT_EQ(n, 2);
  for (uint16_t j = 3; j < 6; ++j) set_array(j, {});
  pass();
  EXPECT_EQ(gui3d_element_count(0), 0);
}

// Passes that find an element as its setters left it leave it alone, yet
// every changed value, and a value set back after a drag, still reaches it.
TEST_F(Gui3dItems, ArrayElementsFollowEveryChangeAcrossQuietPasses) {
  add_window();
  uint16_t colour = program.add(GLOBAL, make_ident(K_INTEGER), "colour");
  add_point(ITEM3D_COLOR, [&](Code& c) { c.op(MARK).push(0xFF0000).push_var(GLOBAL, colour).push(2); }, true);
  load();
  set_array(3, {1, 2, 3}), set_array(4, {0, 0, 0}), set_array(5, {0, 0, 0});
  global(colour)->val.i = 0x00FF00;
  pass();
  ASSERT_EQ(gui3d_element_count(0), 3);
  auto point = [](int i) { return static_cast<GUI3DPoint*>(find_gui3d(0, i)); };
  pass();
  EXPECT_FALSE(repaint_requested()) << "nothing changed";
  global(colour)->val.i = 0x0000FF;
  pass();
  EXPECT_TRUE(repaint_requested());
  EXPECT_FALSE(depth_repaint_requested());
  EXPECT_FLOAT_EQ(point(1)->color[2], 1) << "element 2 takes the new colour";
  EXPECT_FLOAT_EQ(point(2)->color[2], 1) << "and so does the one the short array reaches no more";
  EXPECT_FLOAT_EQ(point(0)->color[0], 1);
  // A drag moves element 1 and writes x back; the program then sets it to
  // the value its setter took before the drag.
  point(0)->reference_point.set_x(9);
  point(0)->call_change_callback();
  ASSERT_FLOAT_EQ(local(3)->val.a[0].r, 9);
  local(3)->val.a[0].r = 1;
  pass();
  EXPECT_FLOAT_EQ(point(0)->reference_point.x(), 1) << "the point follows its variable back";
  EXPECT_TRUE(depth_repaint_requested());
  local(5)->val.a[2].r = 7;
  pass();
  EXPECT_FLOAT_EQ(point(2)->reference_point.z(), 7);
  EXPECT_FLOAT_EQ(point(1)->reference_point.z(), 0);
  EXPECT_TRUE(depth_repaint_requested());
}

// The attribute code of a long array grows the stack, which may move it.
TEST_F(Gui3dItems, ALongArrayIsReadAfterTheStackMoved) {
  add_window();
  add_point(0, [](Code&) {}, true);
  load();
  std::vector<float> values(5000);
  for (size_t i = 0; i < values.size(); ++i) values[i] = float(i);
  for (uint16_t j = 3; j < 6; ++j) set_array(j, values);
  pass();
  ASSERT_EQ(gui3d_element_count(0), 5000);
  EXPECT_FLOAT_EQ(static_cast<GUI3DPoint*>(find_gui3d(0, 4999))->reference_point.z(), 4999);
}

TEST_F(Gui3dItems, ChangesWriteBackAndStartTheActionOnlyWhenSomethingChanged) {
  add_window();
  add_point(ITEM3D_ACTION_ON_CHANGE, [](Code&) {});
  load();
  set_local(0, 1), set_local(1, 2), set_local(2, 3);
  pass();
  GUI3D* g = find_gui3d(0, -1);
  ASSERT_NE(g, nullptr);
  clear_repaint_requests();
  g->call_change_callback();  // the same values
  EXPECT_FALSE(repaint_requested());
  EXPECT_EQ(global(actions)->val.i, 0);
  static_cast<GUI3DPoint*>(g)->reference_point.set_x(9);
  g->call_change_callback();
  EXPECT_FLOAT_EQ(local(0)->val.r, 9);
  EXPECT_TRUE(depth_repaint_requested());
  EXPECT_EQ(global(actions)->val.i, 1) << "bit 3: the action runs at every change";
  EXPECT_FALSE(window_flag(*global(window), WINDOW_BUSY_MAIN)) << "the mark lives for the run only";
  g->call_activate_callback(false);
  EXPECT_EQ(global(actions)->val.i, 2) << "button 3: the action without values";
}

TEST_F(Gui3dItemsDeathTest, ValuesNoManipulatorTakesAreRunTimeErrors) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    uint32_t flags;
    std::function<void(Code&)> attributes;
    bool array;
    const char* message;
  } cases[] = {
      {"MOTION_SCALE 200 on an array", ITEM3D_MOTION_SCALE,
       [](Code& c) { c.op(MARK).push_long(real_bits(200)).push(1); }, true,
       "3D GUI object item attribute MOTION_SCALE is out of range"},
      {"coordinate type 0 on a point", ITEM3D_COORDINATE_SYSTEM,
       [](Code& c) {
         c.push(0);
         for (int i = 0; i < 9; ++i) c.push(0);
         c.push(0);
       },
       false, "COORDINATE_SYSTEM item attribute: type 0 needs a 3D GUI object with its own axes"},
      {"coordinate type 5", ITEM3D_COORDINATE_SYSTEM,
       [](Code& c) {
         c.push(5);
         for (int i = 0; i < 9; ++i) c.push(0);
         c.push(0);
       },
       false, "COORDINATE_SYSTEM item attribute: type 5 out of range 0 - 4"},
      {"given axis not finite", ITEM3D_COORDINATE_SYSTEM,
       [](Code& c) {
         c.push(2);
         for (int i = 0; i < 9; ++i) c.push_long(real_bits(i == 4 ? NAN : 1));
         c.push(0);
       },
       false, "COORDINATE_SYSTEM item attribute: axis is not a finite vector"},
      {"INCREMENT_LINEAR infinite", ITEM3D_INCREMENT_LINEAR,
       [](Code& c) { c.push_long(real_bits(std::numeric_limits<float>::infinity())); }, false,
       "3D GUI object item attribute INCREMENT_LINEAR is not a finite number"},
      {"MOTION_SCALE not a number", ITEM3D_MOTION_SCALE, [](Code& c) { c.push_long(real_bits(NAN)); }, false,
       "3D GUI object item attribute MOTION_SCALE is not a finite number"},
      {"duplicate access point", ITEM3D_DISABLE_ACCESS_POINTS, [](Code& c) { c.push(13).push(13).push(2); },
       false, "3D GUI: Duplicate DISABLE_ACCESS_POINTS argument 13"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          add_window();
          add_point(c.flags, c.attributes, c.array);
          load();
          for (uint16_t j = 3; j < 6; ++j) set_array(j, {1, 2});
          pass();
          exit(0);
        },
        testing::ExitedWithCode(1), testing::HasSubstr(c.message))
        << c.name;
  }
}

TEST_F(Gui3dItemsDeathTest, AttributeCodeLeavingOtherSlotsIsAnInternalError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  struct Case {
    const char* name;
    uint32_t flags;
    std::function<void(Code&)> attributes;
    int number;
  } cases[] = {
      {"one slot short", ITEM3D_COLOR | ITEM3D_MOTION_SCALE, [](Code& c) { c.push(1); }, 8202},
      {"one slot over", ITEM3D_COLOR, [](Code& c) { c.push(1).push(2); }, 8205},
      {"a list count past the stack", ITEM3D_DISABLE_ACCESS_POINTS, [](Code& c) { c.push(13).push(40); }, 8204},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          add_window();
          add_point(c.flags, c.attributes);
          load();
          pass();
          exit(0);
        },
        testing::ExitedWithCode(1), removing_dump("gui3d_items.*" + std::to_string(c.number)))
        << c.name;
  }
}

}  // namespace
