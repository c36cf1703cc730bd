// The YARL window operations on a real X server: attributes set and read
// back through YARL and through X, SUB_WINDOW calls with parameters and
// their cancel actions, MENU titles on tabs, and the Interface Builder's exit.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/procedures.h"
#include "runtime/read_tables.h"
#include "runtime/run_time_errors.h"
#include "runtime/user_interface.h"
#include "runtime/window_ops.h"
#include "runtime/window_record.h"
#include "tests/runtime/window_fixture.h"
#include "tests/support/contains_regex.h"
#include "tests/support/window_pixels.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_tab_button.h"

namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;

namespace op {
constexpr uint8_t TITLE = 43, POP_UP = 56, SIZE_X = 61, SIZE_Y = 62, VISIBLE = 84, ORIGIN_X = 89,
                  ORIGIN_Y = 90, BORDER_WIDTH = 132, BACKGROUND_COLOR = 172, SET_WIN_ATTR = 196,
                  MENU = 26, MAIN = 25, SUB_WINDOW = 118, CANCEL_SUB_WINDOW = 195, RESUME = 58,
                  SIZE = 30, X_WINDOW_ID = 131, WHEN_CHANGED = 143, ADD_INTEGER = 210, RETURN = 59,
                  CURRENT_TAB = 123, ITEM_INDEX = 112, SELECTED = 93;
}  // namespace op

constexpr uint16_t CONTEXT = 13;

class WindowOps : public Windows {
 protected:
  // Runs statement code that `emit` writes, as the code of `window`.
  template <typename F>
  uint32_t code(F emit) {
    uint32_t at = program.code().offset();
    emit(program.code());
    program.code().release();
    return at;
  }
  void run(uint16_t window, uint32_t at) { interpret_code(global(window), statement_code(at), true); }
  // The last run-time error's message as the traceback gives it, "" without one.
  std::string traceback() {
    const ident_info& t = globals()[66];
    std::string text;
    for (uint32_t i = 0; i < t.word6; ++i) text += std::string(t.val.a[i].s) + "\n";
    return text;
  }
  uint16_t counter(const char* name) { return program.add(GLOBAL, make_ident(K_INTEGER), name); }
  // Registers a when-changed list on `watched` that counts into `count`.
  void count_changes(uint16_t window, uint16_t watched, uint16_t count) {
    Code& c = program.code();
    yarl::Label after = c.label();
    uint32_t at = c.offset();
    c.op(op::WHEN_CHANGED).ref(GLOBAL, watched).target(after);
    c.push_var(GLOBAL, count).push(1).op(op::ADD_INTEGER).assign(GLOBAL, count).release();
    c.bind(after).release();
    registrations_.push_back({window, at});
  }
  void load_and_register() {
    load();
    for (auto [window, at] : registrations_) run(window, at);
  }
  menu_item text_label(const char* text) {
    return label(program, K_STRING, [text](Code& c) { c.push_string(text); });
  }

 private:
  std::vector<std::pair<uint16_t, uint32_t>> registrations_;
};

struct AttributeCase {
  const char* name;
  uint8_t attribute;
  int32_t value;
};

void PrintTo(const AttributeCase& c, std::ostream* os) { *os << c.name; }

class Attributes : public WindowOps, public testing::WithParamInterface<AttributeCase> {};

// What X shows of one attribute of a mapped window.
int32_t x_attribute(Display* d, Window w, uint8_t attribute) {
  XWindowAttributes a;
  XGetWindowAttributes(d, w, &a);
  Window root, child;
  int x, y;
  switch (attribute) {
    case op::ORIGIN_X:
    case op::ORIGIN_Y:
      XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child);
      return attribute == op::ORIGIN_X ? x - a.border_width : y - a.border_width;
    case op::SIZE_X: return a.width;
    case op::SIZE_Y: return a.height;
    case op::BORDER_WIDTH: return a.border_width;
    case op::POP_UP: return a.override_redirect;
    default: (void)root; return -1;
  }
}

TEST_P(Attributes, SetThroughYarlReadBackAndShownByX) {
  const AttributeCase& c = GetParam();
  uint16_t read = counter("read"), changes = counter("changes");
  uint16_t w = add_window(program, {"attributes", true, {text_label("attributes")}, {}});
  count_changes(w, w, changes);
  // Origins inside this test program's own screen area.
  int32_t value = c.value + (c.attribute == op::ORIGIN_X   ? slot_x(screen_slot)
                             : c.attribute == op::ORIGIN_Y ? slot_y(screen_slot)
                                                           : 0);
  uint32_t set = code([&](Code& k) { k.push(value).op(op::SET_WIN_ATTR).ref(GLOBAL, CONTEXT).u8(c.attribute); });
  uint32_t get = code([&](Code& k) { k.op(c.attribute).ref(GLOBAL, w).assign(GLOBAL, read); });
  load_and_register();
  show(w);
  int32_t before = global(changes)->val.i;
  run(w, set);
  EXPECT_FALSE(rterror);
  run(w, get);
  EXPECT_EQ(global(read)->val.i, value);
  EXPECT_EQ(global(changes)->val.i, before + 1);
  // The same value again changes nothing.
  run(w, set);
  EXPECT_EQ(global(changes)->val.i, before + 1);
  if (c.attribute == op::POP_UP) {
    EXPECT_TRUE(ui(w)->pop_up);
  } else if (c.attribute == op::BACKGROUND_COLOR) {
    EXPECT_EQ(ui(w)->background_colour, uint32_t(value));
  } else {
    update_menu_windows();
    XSync(display(), False);
    pump();
    if (c.attribute == op::BORDER_WIDTH) {  // the border reaches X at the next map
      ui(w)->make_invisible();
      ui(w)->make_visible();
      XSync(display(), False);
    }
    EXPECT_EQ(x_attribute(display(), ui(w)->x_window, c.attribute), value);
  }
}

INSTANTIATE_TEST_SUITE_P(Window, Attributes,
                         testing::Values(AttributeCase{"origin_x", op::ORIGIN_X, 37},
                                         AttributeCase{"origin_y", op::ORIGIN_Y, 41},
                                         AttributeCase{"size_x", op::SIZE_X, 321},
                                         AttributeCase{"size_y", op::SIZE_Y, 123},
                                         AttributeCase{"border_width", op::BORDER_WIDTH, 3},
                                         AttributeCase{"background", op::BACKGROUND_COLOR, 0x336699},
                                         AttributeCase{"pop_up", op::POP_UP, 1}),
                         [](const testing::TestParamInfo<AttributeCase>& i) { return std::string(i.param.name); });

TEST_F(WindowOps, TitleGoesToWmNameAndAnEmptyStringGivesAnEmptyTitle) {
  uint16_t w = add_window(program, {"titled", true, {text_label("x")}, {}});
  uint32_t set = code([&](Code& k) { k.push_string("New title").op(op::SET_WIN_ATTR).ref(GLOBAL, w).u8(op::TITLE); });
  uint32_t clear = code([&](Code& k) { k.push_string("").op(op::SET_WIN_ATTR).ref(GLOBAL, w).u8(op::TITLE); });
  load();
  show(w);
  run(w, set);
  XSync(display(), False);
  char* name = nullptr;
  ASSERT_NE(XFetchName(display(), ui(w)->x_window, &name), 0);
  EXPECT_STREQ(name, "New title");
  XFree(name);
  run(w, clear);
  XSync(display(), False);
  XTextProperty property;
  ASSERT_NE(XGetWMName(display(), ui(w)->x_window, &property), 0);
  EXPECT_EQ(property.nitems, 0u);
  XFree(property.value);
}

TEST_F(WindowOps, BackgroundOfTheApplicationAndVisibilityThroughYarl) {
  uint16_t read = counter("read");
  uint16_t w = add_window(program, {"colours", true, {text_label("x")}, {}});
  uint32_t app = code([&](Code& k) {
    k.push(0x112233).op(op::SET_WIN_ATTR).ref(GLOBAL, w).u8(op::BACKGROUND_COLOR);
    k.push(0x1000001).op(op::SET_WIN_ATTR).ref(GLOBAL, w).u8(op::BACKGROUND_COLOR);
  });
  uint32_t get = code([&](Code& k) { k.op(op::BACKGROUND_COLOR).ref(GLOBAL, w).assign(GLOBAL, read); });
  uint32_t hide = code([&](Code& k) { k.push(0).op(op::SET_WIN_ATTR).ref(GLOBAL, w).u8(op::VISIBLE); });
  uint32_t visible = code([&](Code& k) { k.op(op::VISIBLE).ref(GLOBAL, w).assign(GLOBAL, read); });
  uint32_t show_again = code([&](Code& k) { k.push(1).op(op::SET_WIN_ATTR).ref(GLOBAL, w).u8(op::VISIBLE); });
  load();
  show(w);
  run(w, app);
  run(w, get);
  EXPECT_EQ(uint32_t(global(read)->val.i), application_background());
  EXPECT_EQ(ui(w)->background_colour, application_background());
  run(w, hide);
  XSync(display(), False);
  EXPECT_EQ(map_state(w), IsUnmapped);
  run(w, visible);
  EXPECT_EQ(global(read)->val.i, 0);
  run(w, show_again);
  show(w);
  EXPECT_EQ(map_state(w), IsViewable);
  run(w, visible);
  EXPECT_EQ(global(read)->val.i, 1);
}

TEST_F(WindowOps, AutomaticSizeEdges) {
  uint16_t read = counter("read");
  uint16_t w = add_window(program, {"sized", true, {text_label("some text")}, {}});
  uint32_t get = code([&](Code& k) { k.op(op::SIZE_X).ref(GLOBAL, CONTEXT).assign(GLOBAL, read); });
  uint32_t fix_current = code([&](Code& k) { k.push_var(GLOBAL, read).op(op::SET_WIN_ATTR).ref(GLOBAL, CONTEXT).u8(op::SIZE_X); });
  uint32_t wide = code([&](Code& k) { k.push(380).op(op::SET_WIN_ATTR).ref(GLOBAL, CONTEXT).u8(op::SIZE_X); });
  uint32_t automatic = code([&](Code& k) { k.push(0).op(op::SET_WIN_ATTR).ref(GLOBAL, CONTEXT).u8(op::SIZE_X); });
  load();
  show(w);
  run(w, get);
  int32_t natural = global(read)->val.i;
  ASSERT_GT(natural, 0);
  // Fixing the size at the current width clears the automatic bit, no resize.
  run(w, fix_current);
  EXPECT_FALSE(record_of(global(w))->state & WR_AUTO_WIDTH);
  EXPECT_EQ(ui(w)->width, natural);
  run(w, wide);
  EXPECT_EQ(ui(w)->width, 380);
  // 0 makes the width automatic again; the next display sets it.
  run(w, automatic);
  EXPECT_TRUE(record_of(global(w))->state & WR_AUTO_WIDTH);
  EXPECT_EQ(ui(w)->width, 380);
  update_menu_windows();
  EXPECT_EQ(ui(w)->width, natural);
}

TEST_F(WindowOps, OriginOfTheContextAndXWindowIdOfAnyWindow) {
  uint16_t x = counter("x"), id = counter("id");
  uint16_t w = add_window(program, {"origin", true, {text_label("x")}, {}});
  uint32_t get = code([&](Code& k) {
    k.op(op::ORIGIN_X).ref(GLOBAL, CONTEXT).assign(GLOBAL, x);
    k.op(op::X_WINDOW_ID).ref(GLOBAL, w).assign(GLOBAL, id);
  });
  load();
  ui(w)->set_origin(-40, 50);
  run(w, get);
  EXPECT_EQ(global(x)->val.i, -40);
  // The X window is made on demand, before the window is ever shown.
  ASSERT_NE(ui(w)->x_window, 0u);
  EXPECT_EQ(uint32_t(global(id)->val.i), uint32_t(ui(w)->x_window));
}

struct RangeCase {
  const char* name;
  uint8_t attribute;
  int32_t value;
  const char* message;
};

void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class OutOfRange : public WindowOps, public testing::WithParamInterface<RangeCase> {};

// Values that X would refuse are run-time errors naming the attribute; the
// window keeps its state.
TEST_P(OutOfRange, IsARunTimeErrorNamingTheAttribute) {
  const RangeCase& c = GetParam();
  uint16_t w = add_window(program, {"ranges", true, {text_label("x")}, {}});
  uint32_t set = code([&](Code& k) { k.push(c.value).op(op::SET_WIN_ATTR).ref(GLOBAL, w).u8(c.attribute); });
  load();
  show(w);
  short x = ui(w)->x;
  unsigned short width = ui(w)->width;
  in_interface_builder = true;  // the error ends the run instead of the program
  run(w, set);
  EXPECT_TRUE(rterror);
  EXPECT_NE(traceback().find(c.message), std::string::npos) << traceback();
  EXPECT_EQ(ui(w)->x, x);
  EXPECT_EQ(ui(w)->width, width);
  EXPECT_EQ(record_of(global(w))->border_width, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Window, OutOfRange,
    testing::Values(RangeCase{"size_negative", op::SIZE_X, -1, "SIZE_X value out of range"},
                    RangeCase{"size_too_big", op::SIZE_Y, 32768, "SIZE_Y value out of range"},
                    RangeCase{"origin_too_far", op::ORIGIN_X, 40000, "ORIGIN_X value out of range"},
                    RangeCase{"origin_too_low", op::ORIGIN_Y, -32769, "ORIGIN_Y value out of range"},
                    RangeCase{"border_too_wide", op::BORDER_WIDTH, 256, "BORDER_WIDTH value out of range"},
                    RangeCase{"colour", op::BACKGROUND_COLOR, 0x1000002, "BACKGROUND_COLOR value out of range"}),
    [](const testing::TestParamInfo<RangeCase>& i) { return std::string(i.param.name); });

// A SUB_WINDOW with locals s (STRING), n (INTEGER) and a (INTEGER array of 4),
// whose main MENU shows n.
struct SubWindow {
  uint16_t window;
  uint16_t s, n, a;  // local numbers
};

SubWindow add_sub_window(yarl::YarlProgram& p, uint16_t flags, uint32_t menu_action = 0) {
  ident_info menu = make_ident(K_MENU);
  menu.word6 = 1;
  menu.count = p.add_item(label(p, K_STRING, [](Code& c) { c.push_string("sub"); }));
  menu.val.u = menu_action;
  ident_info w = make_ident(K_SUB_WINDOW);
  w.word2 = uint16_t(1 << 12 | flags);
  w.word6 = 4;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  ident_info s = make_ident(K_STRING), n = make_ident(K_INTEGER), a = make_ident(K_ARRAY + K_INTEGER);
  a.word2 = 4;
  p.add(WINDOW_LOCAL, s, "s");
  p.add(WINDOW_LOCAL, n, "n");
  p.add(WINDOW_LOCAL, a, "a");
  return {p.add(GLOBAL, w, "sub"), 1, 2, 3};
}

TEST_F(WindowOps, SubWindowTakesItsParametersAndTheCallerResumesAfterTheReturn) {
  uint16_t after = counter("after");
  SubWindow sub = add_sub_window(program, 0);
  uint16_t caller = add_window(program, {"caller", true, {text_label("caller")}, {}});
  uint32_t call = code([&](Code& k) {
    k.push(10).push(20).push(2).push(sub.a);  // the array: elements, count, local
    k.push(7).push(sub.n);
    k.push_string("text").push(sub.s);
    k.op(op::SUB_WINDOW).ref(GLOBAL, sub.window).u8(3).u8(0);  // no result pairs
    k.push(1).assign(GLOBAL, after);
  });
  uint32_t back = code([&](Code& k) { k.op(op::RETURN); });
  load();
  show(caller);
  run(caller, call);
  ident_info* locals = record_of(global(sub.window))->locals;
  EXPECT_STREQ(locals[sub.s].val.s, "text");
  EXPECT_EQ(locals[sub.n].val.i, 7);
  ASSERT_EQ(locals[sub.a].word6, 2);
  EXPECT_EQ(locals[sub.a].val.a[0].i, 10);
  EXPECT_EQ(locals[sub.a].val.a[1].i, 20);
  EXPECT_EQ(global(after)->val.i, 0);  // the caller waits
  EXPECT_EQ(sp, sb - 1);
  show(sub.window);
  EXPECT_EQ(map_state(sub.window), IsViewable);
  // Without an application main window the sub-window is transient for its caller.
  Window transient = 0;
  XGetTransientForHint(display(), ui(sub.window)->x_window, &transient);
  EXPECT_EQ(transient, ui(caller)->x_window);

  run(sub.window, back);
  EXPECT_EQ(global(after)->val.i, 1);
  XSync(display(), False);
  EXPECT_EQ(map_state(sub.window), IsUnmapped);
}

struct ParameterCase {
  const char* name;
  std::vector<int32_t> stack;  // pushed in order
  uint8_t n;
};

void PrintTo(const ParameterCase& c, std::ostream* os) { *os << c.name; }

class BadParameters : public WindowOps, public testing::WithParamInterface<ParameterCase> {};

// Counts and local numbers from the stack are checked: nothing past a
// mismatch is assigned, and the stack is never read below its bottom.
TEST_P(BadParameters, AreARunTimeErrorAndAssignNothingPastTheMismatch) {
  const ParameterCase& c = GetParam();
  SubWindow sub = add_sub_window(program, 0);
  uint16_t caller = add_window(program, {"caller", true, {text_label("caller")}, {}});
  uint32_t call = code([&](Code& k) {
    for (int32_t v : c.stack) k.push(v);
    k.op(op::SUB_WINDOW).ref(GLOBAL, sub.window).u8(c.n).u8(0);
  });
  load();
  in_interface_builder = true;
  run(caller, call);
  EXPECT_TRUE(rterror);
  EXPECT_NE(traceback().find("SUB_WINDOW - "), std::string::npos) << traceback();
  EXPECT_EQ(record_of(global(sub.window))->calling_window, 0);
  EXPECT_EQ(record_of(global(sub.window))->locals[sub.a].word6, 0);
}

INSTANTIATE_TEST_SUITE_P(
    SubWindow, BadParameters,
    testing::Values(ParameterCase{"more_than_the_stack_holds", {5, 2}, 2},
                    ParameterCase{"no_such_local", {5, 9}, 1},
                    ParameterCase{"a_menu_not_a_variable", {5, 0}, 1},
                    ParameterCase{"array_longer_than_its_maximum", {1, 2, 3, 4, 5, 5, 3}, 1},
                    ParameterCase{"array_count_beyond_the_stack", {1, 40, 3}, 1}),
    [](const testing::TestParamInfo<ParameterCase>& i) { return std::string(i.param.name); });

TEST_F(WindowOps, CallingAnInactiveSubWindowVisibleIsARunTimeError) {
  SubWindow sub = add_sub_window(program, 0);
  uint16_t caller = add_window(program, {"caller", true, {text_label("caller")}, {}});
  uint32_t show_sub = code([&](Code& k) { k.push(1).op(op::SET_WIN_ATTR).ref(GLOBAL, sub.window).u8(op::VISIBLE); });
  load();
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(run(caller, show_sub), testing::ExitedWithCode(1),
              contains_regex("Attempt to make inactive SUB_WINDOW visible(.|\n)*qob terminated - YARL runtime error"));
}

// The run-time errors of MAIN and RESUME end the program with a traceback.
TEST_F(WindowOps, MainInAnUncalledPopUpAndResumeWithoutAStopAreRunTimeErrors) {
  SubWindow pop_up = add_sub_window(program, WINDOW_POP_UP);
  uint16_t other = add_window(program, {"other", true, {text_label("x")}, {}});
  uint32_t restart = code([&](Code& k) { k.op(op::MAIN).ref(GLOBAL, other); });
  uint32_t resume = code([&](Code& k) { k.op(op::RESUME); });
  load();
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(run(pop_up.window, restart), testing::ExitedWithCode(1),
              contains_regex("Pop-up windows cancelled each other(.|\n)*SUB_WINDOW(.|\n)*qob terminated - YARL runtime error"));
  EXPECT_EXIT(run(other, resume), testing::ExitedWithCode(1),
              contains_regex("Debugger error. RESUME with source_file = 0(.|\n)*qob terminated - YARL runtime error"));
}

// A cancel MENU as the loader finds it: a SUB_WINDOW marked as having a
// cancel action and a MENU local whose word 4 names the cancel item.
TEST_F(WindowOps, CancelActionRunsBeforeTheCallersActionWhichThenRunsAsReEntry) {
  uint16_t log = counter("log");
  // The log records the order: the cancel action appends 1, the caller's action 2.
  uint32_t cancel_code = code([&](Code& k) {
    k.push_var(GLOBAL, log).push(10).op(208).push(1).op(op::ADD_INTEGER).assign(GLOBAL, log);
    k.op(op::RETURN);
  });
  menu_item cancel = make_item(ITEM_BUTTON);
  cancel.action_offset = cancel_code;
  cancel.code_offset = code([](Code& k) { k.push_string("Cancel"); });
  ident_info cancel_menu = make_ident(K_MENU);
  cancel_menu.word6 = 1;
  cancel_menu.word4 = 1;  // the cancel item: the MENU's first
  cancel_menu.count = program.add_item(cancel);
  ident_info w = make_ident(K_SUB_WINDOW);
  w.word2 = uint16_t(1 << 12 | WINDOW_HAS_CANCEL);
  w.word6 = 1;
  w.count = program.add(WINDOW_LOCAL, cancel_menu, "cancel_menu");
  uint16_t sub = program.add(GLOBAL, w, "cancellable");
  uint16_t caller = add_window(program, {"caller", true, {text_label("caller")}, {}});
  uint32_t call = code([&](Code& k) { k.op(op::SUB_WINDOW).ref(GLOBAL, sub).u8(0).u8(0); });
  uint32_t action = code([&](Code& k) {
    k.push_var(GLOBAL, log).push(10).op(208).push(2).op(op::ADD_INTEGER).assign(GLOBAL, log);
  });
  load();
  EXPECT_EQ(cancel_menu_index(*global(sub)), 0);
  run(caller, call);
  EXPECT_EQ(record_of(global(sub))->calling_window, caller);
  start_action(global(caller), 0, 0, action, 0, 0, false);
  EXPECT_EQ(global(log)->val.i, 12);  // the cancel action first, then the action
  EXPECT_EQ(record_of(global(sub))->calling_window, 0);
}

TEST_F(WindowOps, CancelSubWindowRunsTheCancelActionOrGoesOn) {
  uint16_t log = counter("log"), after = counter("after");
  uint32_t cancel_code = code([&](Code& k) { k.push(5).assign(GLOBAL, log).op(op::RETURN); });
  menu_item cancel = make_item(ITEM_BUTTON);
  cancel.action_offset = cancel_code;
  cancel.code_offset = code([](Code& k) { k.push_string("Cancel"); });
  ident_info cancel_menu = make_ident(K_MENU);
  cancel_menu.word6 = 1;
  cancel_menu.word4 = 1;
  cancel_menu.count = program.add_item(cancel);
  ident_info w = make_ident(K_SUB_WINDOW);
  w.word2 = uint16_t(1 << 12 | WINDOW_HAS_CANCEL);
  w.word6 = 1;
  w.count = program.add(WINDOW_LOCAL, cancel_menu, "cancel_menu");
  uint16_t with_cancel = program.add(GLOBAL, w, "with_cancel");
  SubWindow plain = add_sub_window(program, 0);
  uint16_t caller = add_window(program, {"caller", true, {text_label("caller")}, {}});
  uint32_t call = code([&](Code& k) { k.op(op::SUB_WINDOW).ref(GLOBAL, with_cancel).u8(0).u8(0); });
  uint32_t call_plain = code([&](Code& k) { k.op(op::SUB_WINDOW).ref(GLOBAL, plain.window).u8(0).u8(0); });
  uint32_t cancel_it = code([&](Code& k) {
    k.op(op::CANCEL_SUB_WINDOW).ref(GLOBAL, with_cancel).push(1).assign(GLOBAL, after);
  });
  uint32_t cancel_plain = code([&](Code& k) {
    k.op(op::CANCEL_SUB_WINDOW).ref(GLOBAL, plain.window).push(2).assign(GLOBAL, after);
  });
  load();
  run(caller, call);
  run(caller, cancel_it);
  EXPECT_EQ(global(log)->val.i, 5);
  EXPECT_EQ(global(after)->val.i, 1);  // resumed by the cancel action's return
  run(caller, call_plain);
  run(caller, cancel_plain);  // no cancel action: the code goes on at once
  EXPECT_EQ(global(after)->val.i, 2);
}

// A marked SUB_WINDOW whose MENUs name no cancel item cannot be loaded.
TEST(CancelMenu, AMarkedSubWindowWithoutCancelItemIsABadBinary) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  ident_info menu = make_ident(K_MENU);
  ident_info w = make_ident(K_SUB_WINDOW);
  w.word2 = uint16_t(1 << 12 | WINDOW_HAS_CANCEL);
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  p.add(GLOBAL, w, "marked");
  TempDir dir;
  ASSERT_TRUE(p.write(dir.file("x.b")));
  RunOptions options;
  options.args = {"-u", "x.b"};
  options.directory = dir.path();
  RunResult r = run_program(options);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("qob terminated - bad or incompatible YARL binary file."), std::string::npos) << r.err;
}

// A window with a main MENU and two tab pages "first" and "second".
uint16_t add_tab_window(yarl::YarlProgram& p, uint16_t* first_menu) {
  auto page = [&](const char* text, int tab) {
    ident_info menu = make_ident(K_MENU);
    menu.word6 = 1;
    menu.count = p.add_item(label(p, K_STRING, [text](Code& c) { c.push_string(text); }));
    menu.flags1 = uint8_t((tab & 3) << 6);
    return menu;
  };
  ident_info main_menu = make_ident(K_MENU);
  main_menu.word6 = 1;
  main_menu.count = p.add_item(label(p, K_STRING, [](Code& c) { c.push_string("main"); }));
  ident_info w = make_ident(K_MENU_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 3 << 12;
  w.word6 = 3;
  w.word8 = 2;
  w.count = p.add(WINDOW_LOCAL, page("first page", 1), "first");
  p.add(WINDOW_LOCAL, page("second page", 2), "second");
  p.add(WINDOW_LOCAL, main_menu, "main");
  *first_menu = 0;
  return p.add(GLOBAL, w, "tabs");
}

std::string tab_text(UITabButton* tab) { return static_cast<ImageText*>(tab->image)->get_text(); }

// The pixels of a tab's rectangle, for comparisons.
std::vector<uint32_t> tab_pixels(Display* d, const UIWindow* w, const UITabButton* tab) {
  int width = std::min<int>(tab->minimum_width, w->width - tab->x);
  int height = std::min<int>(tab->height, w->height - tab->y);
  if (width <= 0 || height <= 0) return {};
  return window_pixels(d, w->x_window, tab->x, tab->y, unsigned(width), unsigned(height));
}

TEST_F(WindowOps, TabTitlesSetBeforeAndAfterTheFirstDisplayShowOnTheTab) {
  uint16_t first;
  uint16_t w = add_tab_window(program, &first);
  uint32_t before = code([&](Code& k) { k.push_string("Settings").op(op::MENU).ref(WINDOW_LOCAL, 0); });
  uint32_t later = code([&](Code& k) { k.push_string("Colours and lights").op(op::MENU).ref(WINDOW_LOCAL, 1); });
  load();
  run(w, before);
  show(w);
  UITabButton* tabs[2] = {record_of(global(w))->tab_buttons[0], record_of(global(w))->tab_buttons[1]};
  ASSERT_NE(tabs[0], nullptr);
  ASSERT_NE(tabs[1], nullptr);
  EXPECT_EQ(tab_text(tabs[0]), "Settings");
  EXPECT_EQ(tab_text(tabs[1]), "second");  // no title: the MENU's name
  XSync(display(), False);
  std::vector<uint32_t> old_pixels = tab_pixels(display(), ui(w), tabs[1]);
  run(w, later);
  glFinish();
  XSync(display(), False);
  EXPECT_EQ(tab_text(tabs[1]), "Colours and lights");
  EXPECT_GE(tabs[1]->width, tabs[1]->minimum_width);
  ASSERT_FALSE(old_pixels.empty());
  EXPECT_NE(tab_pixels(display(), ui(w), tabs[1]), old_pixels);
}

TEST_F(WindowOps, QuitInterfaceBuilderRestoresTheRememberedVisibility) {
  uint16_t shown = add_window(program, {"was_shown", true, {text_label("a")}, {}});
  uint16_t hidden = add_window(program, {"was_hidden", false, {text_label("b")}, {}});
  load();
  show(shown);
  // The builder's entry remembers the visibility and shows every window.
  in_interface_builder = true;
  record_of(global(shown))->state |= WR_SAVED_VISIBILITY;
  global(hidden)->flags1 |= WINDOW_VISIBLE;
  global(shown)->flags1 &= uint8_t(~WINDOW_VISIBLE);
  quit_interface_builder();
  EXPECT_FALSE(in_interface_builder);
  EXPECT_TRUE(global(shown)->flags1 & WINDOW_VISIBLE);
  EXPECT_FALSE(global(hidden)->flags1 & WINDOW_VISIBLE);
}

}  // namespace
