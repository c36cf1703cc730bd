// The YARL operation INTERFACE_BUILDER on a real X server: the state in which
// it hands the windows to the builder, the balloon-help delay kept across the
// call, a second call while the builder is active, and leaving again.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include "tests/support/own_x_server.h"

namespace {

// The builder's own window goes where its preferences place it, over other
// tests' screen areas: this suite runs on an X server of its own, named
// before the application context (next) opens its display.
[[maybe_unused]] testing::Environment* const own_display =
    testing::AddGlobalTestEnvironment(new OwnDisplayEnvironment);

}  // namespace

#include "builder/interface_builder.h"
#include "runtime/predefined.h"
#include "runtime/window_ops.h"
#include "tests/runtime/window_fixture.h"

namespace {

constexpr uint8_t INTERFACE_BUILDER = 182;
constexpr uint32_t BALLOON_DELAY = 92;

// What the builder was given, recorded in its place.
struct builder_call {
  int calls = 0;
  bool hide = false;
  bool active = false;
  int32_t delay = -1;
} recorded;

void record_builder(bool hide, unsigned short*) {
  ++recorded.calls;
  recorded.hide = hide;
  recorded.active = in_interface_builder;
  recorded.delay = get_predef(BALLOON_DELAY);
}

class InterfaceBuilder : public Windows {
 protected:
  uint16_t shown = 0, hidden = 0, after = 0;

  void SetUp() override {
    recorded = {};
    after = program.add(GLOBAL, make_ident(K_INTEGER), "after");
    menu_item it = label(program, K_STRING, [](yarl::Code& c) { c.push_string("builder"); });
    shown = add_window(program, {"shown", true, {it}, {}});
    hidden = add_window(program, {"hidden", false, {it}, {}});
    load();
    show(shown);
    put_predef(BALLOON_DELAY, 750);
  }
  bool visible(uint16_t window) { return (global(window)->flags1 & WINDOW_VISIBLE) != 0; }
  void TearDown() override {
    interface_builder_hook = nullptr;
    Windows::TearDown();
  }
};

// Code run in the graphics window's context, outside table 3.
void run(ident_info* context, std::vector<uint8_t> code) { interpret_code(context, code.data(), false); }

TEST_F(InterfaceBuilder, EnteringWithHideHidesTheWindowsAndRemembersThem) {
  interface_builder_hook = record_builder;
  run(global(1), {223, INTERFACE_BUILDER, 227, 22, uint8_t(after >> 8), uint8_t(after), 107});
  EXPECT_EQ(recorded.calls, 1);
  EXPECT_TRUE(recorded.hide);
  EXPECT_TRUE(recorded.active);
  EXPECT_EQ(recorded.delay, 0) << "no balloon help while the builder starts";
  EXPECT_EQ(get_predef(BALLOON_DELAY), 750);
  EXPECT_EQ(global(after)->val.i, 0) << "the run ends at the operation";
  EXPECT_FALSE(visible(shown));
  EXPECT_NE(record_of(global(shown))->state & WR_SAVED_VISIBILITY, 0);
  EXPECT_EQ(record_of(global(hidden))->state & WR_SAVED_VISIBILITY, 0);
  EXPECT_TRUE(ui(shown)->interface_builder_mode);
  XSync(display(), False);
  EXPECT_EQ(map_state(shown), IsUnmapped);

  // A second call while the builder is active goes on with the next instruction.
  run(global(1), {222, INTERFACE_BUILDER, 227, 22, uint8_t(after >> 8), uint8_t(after), 107});
  EXPECT_EQ(recorded.calls, 1);
  EXPECT_EQ(global(after)->val.i, 5);

  quit_interface_builder();
  EXPECT_FALSE(in_interface_builder);
  EXPECT_TRUE(visible(shown));
  EXPECT_FALSE(visible(hidden));
  EXPECT_FALSE(ui(shown)->interface_builder_mode);
}

TEST_F(InterfaceBuilder, EnteringWithoutHideLeavesTheWindowsShown) {
  interface_builder_hook = record_builder;
  run(global(1), {222, INTERFACE_BUILDER, 107});
  EXPECT_FALSE(recorded.hide);
  EXPECT_TRUE(visible(shown));
  EXPECT_NE(record_of(global(shown))->state & WR_SAVED_VISIBILITY, 0);
  quit_interface_builder();
  EXPECT_TRUE(visible(shown));
}

TEST_F(InterfaceBuilder, TheBuilderRunsUntilItIsLeft) {
  run(global(1), {223, INTERFACE_BUILDER, 107});
  EXPECT_TRUE(in_interface_builder);
  EXPECT_FALSE(visible(shown));
  quit_interface_builder();
  EXPECT_FALSE(in_interface_builder);
  EXPECT_TRUE(visible(shown));
  EXPECT_EQ(get_predef(BALLOON_DELAY), 750);
}

}  // namespace
