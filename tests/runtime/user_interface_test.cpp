// YARL windows on a real X server: records and toolkit windows made by the
// preset, display of MENU items as widgets, redisplay on variable changes,
// global shortcuts, and run-time errors for bad values from YARL.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/predefined.h"
#include "runtime/procedures.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/variables.h"
#include "runtime/widget_builders.h"
#include "runtime/window_record.h"
#include "tests/support/contains_regex.h"
#include "tests/support/window_pixels.h"
#include "tests/support/runner.h"
#include "tests/runtime/window_fixture.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_label.h"
#include "toolkit/ui_window.h"

namespace {

using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;
namespace yarl_ops {
constexpr uint8_t MARK = 51, PUSH_ARRAY = 57, PUSH_LEN = 108;
}

TEST_F(Windows, OnlyTheVisibleWindowIsMappedWithItsNameAndContentSize) {
  uint16_t shown = add_window(program, {"shown", true,
                                        {label(program, K_STRING, [](yarl::Code& c) { c.push_string("Hello"); })},
                                        {}});
  uint16_t hidden = add_window(program, {"hidden", false,
                                         {label(program, K_STRING, [](yarl::Code& c) { c.push_string("Hidden"); })},
                                         {}});
  load();
  ASSERT_NE(ui(shown), nullptr);
  ASSERT_NE(ui(hidden), nullptr);
  EXPECT_EQ(ui(1), nullptr);  // the graphics window is not built yet
  show(shown);

  EXPECT_EQ(map_state(shown), IsViewable);
  EXPECT_EQ(map_state(hidden), IsUnmapped);
  EXPECT_EQ(first_label(hidden), nullptr);  // a hidden window is not displayed
  XClassHint hint;
  ASSERT_NE(XGetClassHint(display(), ui(shown)->x_window, &hint), 0);
  EXPECT_STREQ(hint.res_name, "shown");
  XFree(hint.res_name);
  XFree(hint.res_class);

  // Auto-sized to the label: its text plus a border of two on each side.
  UILabel* l = first_label(shown);
  ASSERT_NE(l, nullptr);
  const ImageText* text = static_cast<const ImageText*>(l->image);
  EXPECT_EQ(l->width, text->text_width() + 4);
  EXPECT_EQ(l->height, text->text_height() + 4);
  Window root;
  int x, y;
  unsigned width, height, border, depth;
  XGetGeometry(display(), ui(shown)->x_window, &root, &x, &y, &width, &height, &border, &depth);
  EXPECT_EQ(width, l->width);
  EXPECT_EQ(height, l->height);

  // The label is drawn: black text on the grey application background.
  glFinish();
  std::vector<uint32_t> pixels = window_pixels(display(), ui(shown)->x_window, 0, 0, width, height);
  ASSERT_EQ(pixels.size(), size_t(width) * height);
  int black = 0, background = 0;
  for (uint32_t p : pixels) {
    black += p == 0;
    background += p == 0xBFBFBF;
  }
  EXPECT_GT(black, 10);
  EXPECT_GT(background, int(width * height / 2));
}

TEST_F(Windows, ChangingADisplayedVariableRedisplaysOnce) {
  uint16_t n = program.add(GLOBAL, make_ident(K_INTEGER), "n");
  uint16_t w = add_window(program, {"counter", true,
                                    {label(program, K_INTEGER, [n](yarl::Code& c) { c.push_var(GLOBAL, n); })},
                                    {yarl::ref16(GLOBAL, n)}});
  load();
  show(w);
  EXPECT_EQ(label_text(w), "0");
  unsigned short narrow = ui(w)->width;
  UILabel* widget = first_label(w);

  change_variable(global(1), global(n), integer_value(1234567), false);
  change_variable(global(1), global(n), integer_value(7654321), false);
  EXPECT_TRUE(update_menu_windows());
  EXPECT_FALSE(update_menu_windows());  // queued twice, shown once
  EXPECT_EQ(label_text(w), "7654321");
  EXPECT_EQ(first_label(w), widget);  // the widget is reused
  EXPECT_GT(ui(w)->width, narrow);    // and the window grew with it

  // A variable that the window does not display queues nothing.
  uint16_t other = 0;
  for (uint16_t i = N_PREDEFINED; i < tables[T_GLOBALS].length && other == 0; ++i)
    if (i != n && global(i)->kind == K_INTEGER) other = i;
  if (other != 0) {
    change_variable(global(1), global(other), integer_value(5), false);
    EXPECT_FALSE(update_menu_windows());
  }
}

// n := n + 1 takes the assignment's fast path while no window displays n,
// and queues the redisplay once the window registers n again.
TEST_F(Windows, AFusedAssignmentRedisplaysOnceTheVariableIsDisplayed) {
  uint16_t n = program.add(GLOBAL, make_ident(K_INTEGER), "n");
  uint16_t w = add_window(program, {"counter", true,
                                    {label(program, K_INTEGER, [n](yarl::Code& c) { c.push_var(GLOBAL, n); })},
                                    {yarl::ref16(GLOBAL, n)}});
  uint32_t count_up = program.code().offset();
  program.code().push_var(GLOBAL, n).push(1).op(210).assign(GLOBAL, n).release();
  load();
  show(w);
  EXPECT_EQ(label_text(w), "0");
  clear_dis_vars(global(w));
  ASSERT_EQ(global(n)->displays, nullptr);
  interpret_code(global(1), statement_code(count_up), false);
  EXPECT_EQ(global(n)->val.i, 1);
  EXPECT_FALSE(update_menu_windows());
  add_dis_vars(global(w), record_of(global(w))->locals[0].code_offset);
  ASSERT_NE(global(n)->displays, nullptr);
  interpret_code(global(1), statement_code(count_up), false);
  EXPECT_TRUE(update_menu_windows());
  EXPECT_EQ(label_text(w), "2");
}

TEST_F(Windows, HidingAndShowingKeepsTheRegistrationsOfTheWindowOnly) {
  uint16_t n = program.add(GLOBAL, make_ident(K_INTEGER), "n");
  auto shows_n = [&](const char* name) {
    return add_window(program, {name, true,
                                {label(program, K_INTEGER, [n](yarl::Code& c) { c.push_var(GLOBAL, n); })},
                                {yarl::ref16(GLOBAL, n)}});
  };
  uint16_t a = shows_n("a"), b = shows_n("b");
  load();
  update_menu_windows();
  pump();
  make_window_invisible(global(a));
  EXPECT_FALSE(global(a)->flags1 & WINDOW_VISIBLE);
  change_variable(global(1), global(n), integer_value(9), false);
  EXPECT_TRUE(update_menu_windows());
  EXPECT_EQ(label_text(b), "9");
  EXPECT_EQ(label_text(a), "0");  // hidden windows are not redisplayed
  // Clearing a's registrations leaves b's.
  clear_dis_vars(global(a));
  change_variable(global(1), global(n), integer_value(10), false);
  EXPECT_TRUE(update_menu_windows());
  EXPECT_EQ(label_text(b), "10");
}

TEST_F(Windows, BusyStateFollowsAllWindowsAndPendingRequests) {
  uint16_t a = add_window(program, {"a", true, {label(program, K_STRING, [](yarl::Code& c) { c.push_string("a"); })}, {}});
  uint16_t b = add_window(program, {"b", true, {label(program, K_STRING, [](yarl::Code& c) { c.push_string("b"); })}, {}});
  load();
  update_menu_windows();
  record_of(global(b))->pending_request = 5;
  set_windows_busy(true);
  EXPECT_TRUE(ui(a)->busy);
  EXPECT_TRUE(ui(b)->busy);
  set_windows_busy(false);
  EXPECT_FALSE(ui(a)->busy);
  EXPECT_TRUE(ui(b)->busy);  // its request is still pending
  record_of(global(b))->pending_request = -1;
}

TEST_F(Windows, GlobalShortcutsRunTheirActionAndStopAtTheTableEnd) {
  uint16_t hit = program.add(GLOBAL, make_ident(K_INTEGER), "hit");
  ident_info sub = make_ident(K_SUB_WINDOW);
  uint16_t target = program.add(GLOBAL, sub, "target");
  uint32_t action = program.code().offset();
  program.code().push(7).assign(GLOBAL, hit).release();
  program.shortcut(65) = g_shortcut{action, 0, 0, target};
  load();
  EXPECT_FALSE(handle_global_shortcut(66));  // no shortcut for this key
  EXPECT_TRUE(handle_global_shortcut(65));
  EXPECT_EQ(global(hit)->val.i, 7);
  EXPECT_EQ(record_of(global(target))->calling_window, 1);
  EXPECT_EQ(record_of(global(1))->called_window, target);
  // A key code at or beyond the table's length has no shortcut.
  tables[T_G_SHORTCUTS].length = 65;
  EXPECT_FALSE(handle_global_shortcut(65));
  EXPECT_FALSE(handle_global_shortcut(255));
}

TEST_F(Windows, SwitchingTabsMovesTheRegistrationsToTheNewPage) {
  uint16_t a = program.add(GLOBAL, make_ident(K_INTEGER), "a");
  uint16_t b = program.add(GLOBAL, make_ident(K_INTEGER), "b");
  auto page = [&](uint16_t variable, int tab) {
    ident_info menu = make_ident(K_MENU);
    menu.word6 = 1;
    menu.count = program.add_item(label(program, K_INTEGER, [variable](yarl::Code& c) { c.push_var(GLOBAL, variable); }));
    menu.code_offset = program.add_list({yarl::ref16(GLOBAL, variable)});
    menu.flags1 = uint8_t((tab & 3) << 6);
    menu.word2 = uint16_t(tab >> 2);
    return menu;
  };
  ident_info main_menu = make_ident(K_MENU);
  main_menu.word6 = 1;
  main_menu.count = program.add_item(label(program, K_STRING, [](yarl::Code& c) { c.push_string("main"); }));
  ident_info w = make_ident(K_MENU_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 3 << 12;  // two tab pages and the main MENU
  w.word6 = 3;
  w.word8 = 2;
  w.count = program.add(WINDOW_LOCAL, page(a, 1), "first");
  program.add(WINDOW_LOCAL, page(b, 2), "second");
  program.add(WINDOW_LOCAL, main_menu, "main");
  uint16_t window = program.add(GLOBAL, w, "tabs");
  load();
  update_menu_windows();
  EXPECT_EQ(record_of(global(window))->current_tab, 1);
  change_variable(global(1), global(b), integer_value(2), false);
  EXPECT_FALSE(update_menu_windows());  // b is on the page not shown

  set_current_menu(global(window), 1);
  EXPECT_EQ(record_of(global(window))->current_tab, 2);
  EXPECT_EQ(record_of(global(window))->current_tab_menu, 1);
  change_variable(global(1), global(a), integer_value(3), false);
  EXPECT_FALSE(update_menu_windows());  // the page left gave up a
  change_variable(global(1), global(b), integer_value(4), false);
  EXPECT_TRUE(update_menu_windows());
  table& labels = record_of(global(window))->widgets[WK_LABEL];
  ASSERT_EQ(labels.length, 2u);
  UILabel* shown = static_cast<UILabel*>(labels.as<widget_element>()[1].widget);
  EXPECT_STREQ(static_cast<ImageText*>(shown->image)->get_text(), "4");
}

TEST_F(Windows, APictureLabelShowsThePicture) {
  std::vector<uint8_t> red(2 * 2 * 4, 0);
  for (size_t i = 0; i < red.size(); i += 4) red[i] = red[i + 3] = 255;
  uint16_t w = add_window(program, {"picture", true,
                                    {label(program, K_PICTURE, [&](yarl::Code& c) { c.push_picture(1, 2, 2, red); })},
                                    {}});
  load();
  show(w);
  EXPECT_EQ(ui(w)->width, 6);
  EXPECT_EQ(ui(w)->height, 6);
  glFinish();
  std::vector<uint32_t> pixels = window_pixels(display(), ui(w)->x_window, 0, 0, 6, 6);
  ASSERT_EQ(pixels.size(), 36u);
  EXPECT_EQ(pixels[2 * 6 + 2], 0xFF0000u);
  EXPECT_EQ(pixels[3 * 6 + 3], 0xFF0000u);
  EXPECT_NE(pixels[1 * 6 + 1], 0xFF0000u);
}

TEST_F(Windows, ArrayItemsLayOutInRowsAndShrinkByExactlyTheSurplus) {
  ident_info array = make_ident(K_ARRAY + K_INTEGER);
  array.word2 = 10;
  uint16_t a = program.add(GLOBAL, array, "a");
  menu_item it = label(program, K_ARRAY + K_INTEGER, [a](yarl::Code& c) {
    c.op(yarl_ops::MARK).op(yarl_ops::PUSH_ARRAY).ref(GLOBAL, a).op(yarl_ops::PUSH_LEN);
  });
  it.head6 = 2;  // two elements a row, side by side
  uint16_t w = add_window(program, {"rows", true, {it}, {yarl::ref16(GLOBAL, a)}});
  load();
  auto set_array = [&](std::vector<int32_t> v) {
    ASSERT_TRUE(reset_array_size(global(1), global(a), uint32_t(v.size())));
    for (size_t i = 0; i < v.size(); ++i) global(a)->val.a[i] = integer_value(v[i]);
    process_variable_change(global(1), global(a));
  };
  set_array({1, 22, 333, 4444, 55555});
  update_menu_windows();
  table& t = record_of(global(w))->widgets[WK_LABEL];
  ASSERT_EQ(t.length, 5u);
  auto widget = [&](uint32_t i) { return static_cast<UILabel*>(t.as<widget_element>()[i].widget); };
  EXPECT_EQ(widget(0)->x, 0);
  EXPECT_EQ(widget(1)->x, widget(0)->width);             // beside the first
  EXPECT_EQ(widget(2)->x, 0);                            // a new row
  EXPECT_EQ(widget(2)->y, widget(1)->y + widget(1)->height);
  EXPECT_EQ(t.as<widget_element>()[4].element, 5);
  EXPECT_EQ(static_cast<ImageText*>(widget(4)->image)->get_text(), std::string("55555"));
  UILabel* third = widget(2);

  set_array({7, 8, 9});
  EXPECT_TRUE(update_menu_windows());
  ASSERT_EQ(t.length, 3u);
  EXPECT_EQ(widget(2), third);  // reused
  int top_objects = 0;
  for (UITopObject* o = ui(w)->first_top; o != nullptr; o = o->next) ++top_objects;
  EXPECT_EQ(top_objects, 3);
  EXPECT_EQ(t.as<widget_element>()[3].widget, nullptr);
}

TEST_F(Windows, HidingAParentHidesItsShownChildrenAndShowingItBringsBackExactlyThose) {
  auto text = [&](const char* t) { return label(program, K_STRING, [t](yarl::Code& c) { c.push_string(t); }); };
  uint16_t parent = add_window(program, {"parent", true, {text("parent window")}, {}});
  uint16_t shown = add_window(program, {"shown_child", true, {text("shown")}, {}});
  uint16_t hidden = add_window(program, {"hidden_child", false, {text("hidden")}, {}});
  program.ident(GLOBAL, parent).word2 |= WINDOW_HAS_SUB_WINDOWS;
  program.ident(GLOBAL, shown).word4 = parent;
  program.ident(GLOBAL, hidden).word4 = parent;
  load();
  show(parent);
  pump();
  EXPECT_EQ(map_state(shown), IsViewable);
  EXPECT_EQ(map_state(hidden), IsUnmapped);
  XWindowAttributes a;
  Window root, up, *children = nullptr;
  unsigned n = 0;
  ASSERT_TRUE(XQueryTree(display(), ui(shown)->x_window, &root, &up, &children, &n));
  if (children != nullptr) XFree(children);
  EXPECT_EQ(up, ui(parent)->x_window);  // inside its parent

  make_window_invisible(global(parent));
  EXPECT_FALSE(global(shown)->flags1 & WINDOW_VISIBLE);
  XGetWindowAttributes(display(), ui(shown)->x_window, &a);
  EXPECT_NE(a.map_state, IsViewable);

  make_window_visible(global(parent));
  update_menu_windows();
  pump();
  EXPECT_TRUE(global(shown)->flags1 & WINDOW_VISIBLE);
  EXPECT_FALSE(global(hidden)->flags1 & WINDOW_VISIBLE);
  EXPECT_EQ(map_state(shown), IsViewable);
  EXPECT_EQ(map_state(hidden), IsUnmapped);
}

TEST_F(Windows, AnAutoSizedWindowWithoutContentIsARunTimeError) {
  menu_item box = make_item(ITEM_POINT);  // a 3D item: no widget in the window
  box.code_offset = program.code().offset();
  program.code().release();
  uint16_t w = add_window(program, {"empty", true, {box}, {}});
  load();
  testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(update_menu_windows(), testing::ExitedWithCode(1),
              contains_regex("MENU_WINDOW 'empty'.\n(.|\n)*Window uses auto-size-x but has no content(.|\n)*"
                             "qob terminated - YARL runtime error\\.\n"));
  // The Interface Builder gives such a window the size 1.
  in_interface_builder = true;
  update_menu_windows();
  EXPECT_EQ(ui(w)->width, 1);
  EXPECT_EQ(ui(w)->height, 1);
}

TEST_F(Windows, CompilerWarningsOpenTheInformationWindow) {
  program.set_compiler_warnings(true);
  load();
  Window info = UIWindow::get_window(2L);
  ASSERT_NE(info, 0u);
  // Shown centred on the screen; the notice in one line is wider than a screen area.
  place_beyond_the_screen(UIWindow::find_window(info));
  update_menu_windows();
  pump();
  XWindowAttributes a;
  XGetWindowAttributes(display(), info, &a);
  EXPECT_EQ(a.map_state, IsViewable);
  EXPECT_GT(a.width, 200);  // the whole notice in one line of font 9
}

TEST_F(Windows, UserInfoGoesToPredefined91AndToTheInformationWindowWhenNothingShowsIt) {
  load();
  display_user_info("disk full");
  EXPECT_STREQ(global(91)->val.s, "disk full");
  Window info = UIWindow::get_window(2L);
  ASSERT_NE(info, 0u);
  UIWindow* w = UIWindow::find_window(info);
  w->set_origin(short(slot_x(screen_slot)), short(slot_y(screen_slot)));
  update_menu_windows();
  pump();
  XWindowAttributes a;
  XGetWindowAttributes(display(), info, &a);
  EXPECT_EQ(a.map_state, IsViewable);
}

TEST_F(Windows, MainInitialRunsTheMainMenuActionOnceAtStartUp) {
  uint16_t runs = program.add(GLOBAL, make_ident(K_INTEGER), "runs");
  uint32_t action = program.code().offset();
  program.code().push_var(GLOBAL, runs).push(1).op(210).assign(GLOBAL, runs).release();
  uint16_t w = add_window(program, {"main", true, {label(program, K_INTEGER, [runs](yarl::Code& c) { c.push_var(GLOBAL, runs); })}, {}});
  program.ident(GLOBAL, w).flags1 |= WINDOW_MAIN_INITIAL;
  program.ident(WINDOW_LOCAL, uint16_t(program.ident(GLOBAL, w).count)).val.u = action;
  load();
  EXPECT_EQ(global(runs)->val.i, 1);
  update_menu_windows();
  EXPECT_EQ(global(runs)->val.i, 1);
}

struct BadYarlValue {
  const char* name;
  const char* message;
  uint32_t flags;
  uint8_t font;
  int16_t x;
  std::vector<int32_t> pushed;  // pushed after the value, in order
  uint32_t labels;              // labels made: a bad colour still shows its item
};

void PrintTo(const BadYarlValue& c, std::ostream* os) { *os << c.name; }

class BadValues : public Windows, public testing::WithParamInterface<BadYarlValue> {};

TEST_P(BadValues, AreRunTimeErrorsAndTheDisplayGoesOn) {
  const BadYarlValue& bad = GetParam();
  menu_item it = label(program, K_STRING, [&](yarl::Code& c) {
    c.push_string("text");
    for (int32_t v : bad.pushed) c.push(v);
  }, bad.flags, bad.font);
  it.x = bad.x;
  menu_item second = label(program, K_STRING, [](yarl::Code& c) { c.push_string("next"); },
                           ITEM_X_RELATIVE);
  uint16_t w = add_window(program, {"bad", true, {it, second}, {}});
  load();
  place_beyond_the_screen(ui(w));  // a position out of range widens it as far
  in_interface_builder = true;  // the error ends the run but not the program
  testing::internal::CaptureStderr();
  update_menu_windows();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find(bad.message), std::string::npos) << err;
  // The display went on to the other item, and left nothing on the operand stack.
  EXPECT_EQ(record_of(global(w))->widgets[WK_LABEL].length, bad.labels);
  EXPECT_EQ(sp, sb - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Label, BadValues,
    testing::Values(
        BadYarlValue{"FontIndex", "Font index out of range in LABEL", 0, 18, 0, {}, 1},
        BadYarlValue{"TextColour", "text / gradation-bottom color out of range", ITEM_TEXT_COLOR, 9, 0,
                 {0x1000002}, 2},
        BadYarlValue{"Background", "background / gradation-top color out of range", ITEM_BACKGROUND,
                 9, 0, {-1}, 2},
        BadYarlValue{"PositionBeyond16Bits", "Widget position out of range", ITEM_X_RELATIVE, 9, 32767,
                 {}, 1}),
    [](const testing::TestParamInfo<BadYarlValue>& info) { return std::string(info.param.name); });

// ---- The real server ----

RunResult run_qob(const TempDir& dir, const yarl::YarlProgram& p, std::vector<std::string> extra = {}) {
  EXPECT_TRUE(p.write(dir.file("ui.b")));
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", "ui.b"};
  options.args.insert(options.args.end(), extra.begin(), extra.end());
  options.directory = dir.path();
  options.own_display = true;
  return run_program(options);
}

TEST(Server, InitialCodeRunsBeforeTheWindowsAreBuiltAndAllIsReleased) {
  TempDir dir;
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t text = p.add(GLOBAL, make_ident(K_STRING), "text");
  p.initial_code().push_string("from initial code").assign(GLOBAL, text);
  add_window(p, {"main", true, {label(p, K_STRING, [text](yarl::Code& c) { c.push_var(GLOBAL, text); })}, {}});
  // The server stops normally, with its clean-ups, only once the command loop
  // runs: the code waits for an application's answer and then exits.
  constexpr uint8_t EVENT_CODE = 110, REPORT_TEK = 115, START_PROCESS = 150, READ_APPLICATION_VALUE = 203;
  uint16_t number = p.add(GLOBAL, make_ident(K_INTEGER), "number");
  uint16_t answer = p.add(GLOBAL, make_ident(K_STRING), "answer");
  yarl::Code& c = p.code();
  yarl::Label wait = c.label();
  c.bind(wait).push_string(VALUE_APP).push(0).op(START_PROCESS).assign(GLOBAL, number);
  c.push(0).op(EVENT_CODE).push(K_INTEGER).op(REPORT_TEK);
  c.op(READ_APPLICATION_VALUE).u8(2).ref(GLOBAL, number).ref(GLOBAL, answer);
  c.exit_program(0);
  p.initial_code().jump(wait);
  RunResult r = run_qob(dir, p);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  // The application is ended at the stop; no balance message: every window and widget released.
  EXPECT_EQ(r.err.find("Malloc balance"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("internal error"), std::string::npos) << r.err;
}

TEST(Server, BackgroundSpecificationGoesToTheApplicationContext) {
  TempDir dir;
  RunResult r = run_qob(dir, yarl::YarlProgram::standard(), {"-b", "no-such-colour"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("Unable to parse background color specification 'no-such-colour'."),
            std::string::npos)
      << r.err;
}

}  // namespace
