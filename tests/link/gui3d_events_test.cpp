// Pointer events of the graphics window for the manipulators, as synthetic
// events: the search within 50 tek units, ties by the pointer's direction,
// the cap of 50 candidates, the button masks, busy windows and button 3.
#include "tests/runtime/window_fixture.h"

#include <cmath>

#include "link/gin.h"
#include "link/gui3d_events.h"
#include "link/si.h"
#include "runtime/gui3d_items.h"
#include "runtime/predefined.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "view/gui3d.h"
#include "view/gui3d_point.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

using namespace yarl;
[[maybe_unused]] auto* const unused_window_builder = &add_window;

// Pixel (640, 512) of the 1280 x 1024 area is tek (2047, 1638).
constexpr int PX = 640, PY = 512;
constexpr int TX = 2047, TY = 1638;

class Gui3dEvents : public Windows {
 protected:
  uint16_t window = 0, actions = 0, other = 0;

  // POINTs at the given tek positions of view 1 (model x = tek x - 2047.5, z = tek y - 1638),
  // and a second window without items.
  void load_points(const std::vector<std::pair<int, int>>& teks) {
    window = add_window_with_locals(program, "w", {{K_REAL, "x"}, {K_REAL, "y"}, {K_REAL, "z"}});
    other = add_window_with_locals(program, "other", {});
    actions = program.add(GLOBAL, make_ident(K_INTEGER), "actions");
    Code& c = program.code();
    uint32_t action = c.offset();
    c.push_var(GLOBAL, actions).push(1).op(210).assign(GLOBAL, actions).release();
    for (const auto& [tx, ty] : teks) {
      Item3D item;
      item.window = window;
      item.edit_vars = {ref16(WINDOW_LOCAL, 0), ref16(WINDOW_LOCAL, 1), ref16(WINDOW_LOCAL, 2)};
      item.flags = ITEM3D_ACTION;
      item.action_offset = action;
      item.code_offset = c.offset();
      for (float f : {float(tx) - 2047.5f, 0.0f, float(ty) - 1638.0f}) c.push_long(yarl_test_bits(f));
      c.release();
      add_gui3d_item(program, item);
    }
    load();
    put_predef(111, 1);
    init_views();
    change_vl_system_viewport(0, 1280, 0, 1024);
    set_view_being_drawn(1);
    compute_view_vectors(get_view_record(1));  // no GL context here: the camera's axes suffice
    update_gui3d_objects();
  }
  // Moves item n's point to a tek position.
  static void place(uint32_t n, int tx, int ty) {
    static_cast<GUI3DPoint*>(find_gui3d(n, -1))->reference_point = Point(float(tx) - 2047.5f, 0, float(ty) - 1638);
  }
  static uint32_t yarl_test_bits(float f) {
    uint32_t u;
    memcpy(&u, &f, 4);
    return u;
  }
  static XEvent pointer_event(int type, int x = PX, int y = PY, unsigned state = 0, unsigned button = 1) {
    XEvent e{};
    e.type = type;
    if (type == MotionNotify) {
      e.xmotion.x = x, e.xmotion.y = y, e.xmotion.state = state;
    } else {
      e.xbutton.x = x, e.xbutton.y = y, e.xbutton.state = state, e.xbutton.button = button;
    }
    return e;
  }
  static bool motion(int x = PX, int y = PY, unsigned state = 0) {
    XEvent e = pointer_event(MotionNotify, x, y, state);
    return handle_gui3d_event(&e);
  }
};

TEST_F(Gui3dEvents, AccessPointsWithinFiftyTekUnitsAreFound) {
  struct Case {
    int dx, dy;
    int number;
  } cases[] = {{50, 0, 13}, {-30, 40, 13}, {50, 1, 0}, {0, -51, 0}};
  load_points({{TX, TY}});
  for (const Case& c : cases) {
    place(0, TX + c.dx, TY + c.dy);
    EXPECT_EQ(motion(), c.number != 0) << c.dx << "," << c.dy;
    EXPECT_EQ(get_predef(107), c.number) << c.dx << "," << c.dy;
  }
}

TEST_F(Gui3dEvents, TiedAccessPointsAreChosenByThePointersDirection) {
  struct Case {
    int points;
    int dx, dy;  // from the shared position to the pointer
    uint32_t item;
  } cases[] = {
      {2, 10, 1, 0},  {2, -10, 1, 0}, {2, -10, -1, 1}, {2, 10, -1, 1}, {3, 10, 10, 0}, {3, -10, 1, 1},
      {3, 1, -10, 2}, {4, 10, 1, 0},  {4, 1, 10, 0},  {4, -1, 10, 1}, {4, -10, -1, 2}, {4, 1, -10, 3},
  };
  load_points(std::vector<std::pair<int, int>>(4, {TX, TY}));
  for (const Case& c : cases) {
    for (uint32_t n = 0; n < 4; ++n) {
      if (n < uint32_t(c.points)) place(n, TX - c.dx, TY - c.dy);
      else place(n, 100, 100);  // out of reach
    }
    ASSERT_TRUE(motion());
    EXPECT_EQ(get_predef(107), 13);
    XEvent press = pointer_event(ButtonPress);
    ASSERT_TRUE(handle_gui3d_event(&press));
    EXPECT_EQ(GUI3D::selected_object, find_gui3d(c.item, -1))
        << c.points << " points, pointer at " << c.dx << "," << c.dy;
    XEvent release = pointer_event(ButtonRelease, PX, PY, Button1Mask);
    EXPECT_TRUE(handle_gui3d_event(&release));
    EXPECT_EQ(GUI3D::selected_object, nullptr);
  }
}

TEST_F(Gui3dEvents, OnlyTheFirstFiftyTiedCandidatesTakePart) {
  load_points(std::vector<std::pair<int, int>>(60, {TX - 10, TY + 1}));  // the pointer just below +x
  XEvent press = pointer_event(ButtonPress);
  ASSERT_TRUE(handle_gui3d_event(&press));
  EXPECT_EQ(GUI3D::selected_object, find_gui3d(49, -1)) << "the last sector of 50, not of 60";
  XEvent release = pointer_event(ButtonRelease, PX, PY, Button1Mask);
  handle_gui3d_event(&release);
}

TEST_F(Gui3dEvents, HeldButtonsStopTheSearch) {
  load_points({{TX, TY}});
  struct Case {
    int type;
    unsigned state, button;
    bool searched;
  } cases[] = {
      {MotionNotify, 0, 0, true},           {MotionNotify, Button2Mask, 0, false},
      {ButtonRelease, Button3Mask, 3, true}, {ButtonRelease, Button3Mask | Button1Mask, 3, false},
      {ButtonRelease, Button5Mask, 5, true}, {ButtonPress, Button4Mask, 3, false},
  };
  for (const Case& c : cases) {
    put_predef(107, 99);
    XEvent e = pointer_event(c.type, PX, PY, c.state, c.button);
    handle_gui3d_event(&e);
    EXPECT_EQ(get_predef(107), c.searched ? 13 : 0) << c.type << " state " << c.state;
  }
}

TEST_F(Gui3dEvents, ButtonThreeActsWithoutValuesAndHoldsNoDrag) {
  load_points({{TX, TY}});
  XEvent press = pointer_event(ButtonPress, PX, PY, 0, 3);
  EXPECT_TRUE(handle_gui3d_event(&press));
  EXPECT_EQ(globals()[actions].val.i, 1);
  EXPECT_EQ(GUI3D::selected_object, nullptr);
  EXPECT_FLOAT_EQ(record_of(global(window))->locals[0].val.r, 0) << "no values written";
}

TEST_F(Gui3dEvents, ABusyOwnerGivesNoAccessPointAndTheWatch) {
  load_points({{TX, TY}});
  // No graphics window here: the other window's toolkit window takes its place.
  UIWindow* graphics = ui(other);
  ASSERT_NE(graphics, nullptr);
  window_record* g = record_of(&globals()[1]);
  ASSERT_NE(g, nullptr);
  g->ui_window = graphics;
  ui(window)->set_busy(true);
  EXPECT_FALSE(motion());
  EXPECT_EQ(get_predef(107), 0);
  EXPECT_EQ(graphics->requested_cursor, AppContext->graphics_watch_cursor) << "the watch";
  ui(window)->set_busy(false);
  EXPECT_TRUE(motion());
  EXPECT_EQ(get_predef(107), 13);
  EXPECT_NE(graphics->requested_cursor, AppContext->graphics_watch_cursor) << "access point 13's cursor";
  g->ui_window = nullptr;
}

TEST_F(Gui3dEvents, DeletingTheDraggedManipulatorEndsTheDrag) {
  load_points({{TX, TY}});
  XEvent press = pointer_event(ButtonPress);
  ASSERT_TRUE(handle_gui3d_event(&press));
  ASSERT_NE(GUI3D::selected_object, nullptr);
  delete_gui3d_objects();
  EXPECT_EQ(GUI3D::selected_object, nullptr);
  EXPECT_EQ(get_predef(107), 0);
  EXPECT_EQ(GUI3D::selected_access_point_index, 0);
  XEvent drag = pointer_event(MotionNotify, PX + 20, PY, Button1Mask);
  EXPECT_FALSE(handle_gui3d_event(&drag));
}

}  // namespace
