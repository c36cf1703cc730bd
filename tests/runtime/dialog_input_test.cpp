// A YARL dialog in the real server, worked by real input: pointer and keys
// come from the X server's test extension on a display of the test's own,
// and another client (xclip) reads and sets the selection PRIMARY. Every
// action reports to an application process that writes what it gets to a file.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "runtime/tables.h"
#include "runtime/widget_builders.h"
#include "tests/support/own_x_server.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace {

using namespace std::chrono_literals;
using yarl::GLOBAL;

constexpr uint8_t REPORT_ASCII = 141;
constexpr uint8_t FONT = 9;

// Item positions in the dialog, window pixels.
constexpr int BUTTON_X = 10, BUTTON_Y = 10;
constexpr int FIELD_X = 10, FIELD_Y = 60, FIELD_WIDTH = 200;
constexpr int SLIDER_X = 10, SLIDER_Y = 120, SLIDER_WIDTH = 192;  // a track of 166 pixels

class DialogInput : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(run_.x_started()) << "Xvfb did not start";
    typed_ = program_.add(GLOBAL, yarl::make_ident(K_STRING), "typed");
    level_ = program_.add(GLOBAL, yarl::make_ident(K_INTEGER), "level");
    program_.initial_code().push_string("").assign(GLOBAL, typed_);
    add_dialog();
    ASSERT_TRUE(program_.write(dir_.file("dialog.b")));
    ASSERT_TRUE(run_.start(dir_.file("dialog.b"), dir_));
    int event, error, major, minor;
    ASSERT_TRUE(XTestQueryExtension(d(), &event, &error, &major, &minor)) << "no XTEST on the display";
    ASSERT_TRUE(find_dialog()) << "the dialog was not mapped";
    XRaiseWindow(d(), dialog_);
    XSync(d(), False);
  }
  void TearDown() override {
    const RunResult& result = run_.finish();
    EXPECT_FALSE(result.timed_out) << "the server ends with its display";
    EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
  }

  Display* d() const { return run_.display(); }

  // Reports of the actions so far, as the application received them.
  std::string reports() const { return read_file(dir_.file("reports")); }
  // Waits up to 20 s until the reports are `expected`.
  bool reports_become(const std::string& expected) const {
    auto until = std::chrono::steady_clock::now() + 20s;
    while (reports() != expected && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(50ms);
    return reports() == expected;
  }

  // Real input: the pointer moves to (x, y) of the dialog.
  void move_to(int x, int y) {
    XTestFakeMotionEvent(d(), DefaultScreen(d()), origin_x_ + x, origin_y_ + y, CurrentTime);
    XSync(d(), False);
  }
  void button(bool press) {
    XTestFakeButtonEvent(d(), 1, press, CurrentTime);
    XSync(d(), False);
  }
  void click(int x, int y) {
    move_to(x, y);
    button(true);
    button(false);
  }
  // Presses the knob at value 0 (its centre 13 pixels into the slider) and
  // drags it `distance` pixels to the right in steps.
  void drag_slider(int distance) {
    move_to(SLIDER_X + 13, SLIDER_Y + 13);
    button(true);
    for (int dx = 10; dx < distance; dx += 10) move_to(SLIDER_X + 13 + dx, SLIDER_Y + 13);
    move_to(SLIDER_X + 13 + distance, SLIDER_Y + 13);
    button(false);
  }
  void key(KeySym symbol, bool press) {
    XTestFakeKeyEvent(d(), XKeysymToKeycode(d(), symbol), press, CurrentTime);
    XSync(d(), False);
  }
  void tap(KeySym symbol) {
    key(symbol, true);
    key(symbol, false);
  }
  void type(const std::string& text) {
    for (char ch : text) tap(ch == ' ' ? XK_space : KeySym(static_cast<unsigned char>(ch)));
  }
  void control(KeySym symbol) {
    key(XK_Control_L, true);
    tap(symbol);
    key(XK_Control_L, false);
  }

  // Another X client on the display; its standard output.
  std::string xclip(const std::string& arguments) const {
    std::string command = "DISPLAY=" + std::string(DisplayString(d())) + " timeout 10 xclip " + arguments;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "<xclip did not start>";
    std::string out;
    char buffer[256];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int status = pclose(pipe);
    return status == 0 ? out : "<xclip failed: " + std::to_string(status) + ">";
  }

  // Waits up to 10 s until `accept` takes the owner of PRIMARY.
  template <typename F>
  bool primary_owner_becomes(F accept) const {
    auto until = std::chrono::steady_clock::now() + 10s;
    while (!accept(XGetSelectionOwner(d(), XA_PRIMARY)) && std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(50ms);
    return accept(XGetSelectionOwner(d(), XA_PRIMARY));
  }
  Window dialog() const { return dialog_; }

  uint16_t typed_ = 0, level_ = 0;

 private:
  // A MENU_WINDOW with a button, a STRING field and an INTEGER slider from 0
  // to 100 at fixed positions; each action reports to process 0.
  void add_dialog() {
    yarl::Code& code = program_.code();
    auto item = [&](uint8_t kind, uint8_t value_kind, int x, int y, uint32_t flags) {
      menu_item it = yarl::make_item(kind);
      it.value_kind = value_kind;
      it.head8 = FONT;
      it.x = int16_t(x);
      it.y = int16_t(y);
      it.flags = flags | ITEM_ORIGIN | ITEM_HAS_ACTION;
      it.code_offset = code.offset();
      return it;
    };
    menu_item go = item(ITEM_BUTTON, K_STRING, BUTTON_X, BUTTON_Y, 0);
    code.push_string("Go").release();
    go.action_offset = code.offset();
    code.push(0).push_string("clicked\n").push(K_STRING).op(REPORT_ASCII).release();

    menu_item field = item(ITEM_TEXT_FIELD, K_STRING, FIELD_X, FIELD_Y, ITEM_SIZE_X);
    field.width = FIELD_WIDTH;
    field.head4 = yarl::ref16(GLOBAL, typed_);
    code.push_var(GLOBAL, typed_).release();
    field.action_offset = code.offset();  // on Return
    code.push(0).push_var(GLOBAL, typed_).push(K_STRING).push_string("\n").push(K_STRING).op(REPORT_ASCII);
    code.release();

    menu_item slider = item(ITEM_SLIDER, K_INTEGER, SLIDER_X, SLIDER_Y, 0);
    slider.head4 = yarl::ref16(GLOBAL, level_);
    code.push_var(GLOBAL, level_).push(0).push(100).release();
    slider.action_offset = code.offset();  // on the release
    code.push(0).push_var(GLOBAL, level_).push(K_INTEGER).push_string("\n").push(K_STRING).op(REPORT_ASCII);
    code.release();

    ident_info menu = yarl::make_ident(K_MENU);
    menu.word6 = 3;
    menu.count = program_.next_item();
    for (const menu_item& it : {go, field, slider}) program_.add_item(it);
    menu.code_offset = program_.add_list({yarl::ref16(GLOBAL, typed_), yarl::ref16(GLOBAL, level_)});
    ident_info w = yarl::make_ident(K_MENU_WINDOW);
    w.flags1 = WINDOW_VISIBLE;
    w.word2 = 1 << 12;
    w.word6 = 1;
    w.count = program_.add(yarl::WINDOW_LOCAL, menu, "menu");
    program_.add(GLOBAL, w, "dialog");
  }

  // The dialog is the one viewable top-level window smaller than the screen
  // (the graphics window covers it); waits up to 20 s for it.
  bool find_dialog() {
    auto until = std::chrono::steady_clock::now() + 20s;
    do {
      Window root = DefaultRootWindow(d()), parent, *children = nullptr;
      unsigned count = 0;
      if (XQueryTree(d(), root, &root, &parent, &children, &count) != 0) {
        for (unsigned i = 0; i < count && dialog_ == 0; ++i) {
          XWindowAttributes a;
          if (XGetWindowAttributes(d(), children[i], &a) == 0 || a.map_state != IsViewable) continue;
          if (a.width >= SLIDER_X + SLIDER_WIDTH && a.width < DisplayWidth(d(), DefaultScreen(d())) &&
              a.height >= SLIDER_Y + 27 && a.height < DisplayHeight(d(), DefaultScreen(d()))) {
            dialog_ = children[i];
            origin_x_ = a.x + a.border_width;
            origin_y_ = a.y + a.border_width;
          }
        }
        if (children != nullptr) XFree(children);
      }
      if (dialog_ == 0) std::this_thread::sleep_for(100ms);
    } while (dialog_ == 0 && std::chrono::steady_clock::now() < until);
    return dialog_ != 0;
  }

  TempDir dir_;
  yarl::YarlProgram program_ =
      program_starting(write_app_script(dir_, "exec 2>/dev/null; cat > reports"));
  ServerOnOwnDisplay run_;
  Window dialog_ = 0;
  int origin_x_ = 0, origin_y_ = 0;
};

TEST_F(DialogInput, AClickOnTheButtonRunsItsActionOnceAndAReleaseOutsideNothing) {
  click(BUTTON_X + 8, BUTTON_Y + 8);
  EXPECT_TRUE(reports_become("clicked\n")) << reports();
  move_to(BUTTON_X + 8, BUTTON_Y + 8);
  button(true);
  move_to(SLIDER_X + SLIDER_WIDTH + 40, BUTTON_Y + 8);
  button(false);
  // The slider's report comes after whatever the button did.
  drag_slider(83);
  EXPECT_TRUE(reports_become("clicked\n50\n")) << reports();
}

TEST_F(DialogInput, TextTypedIntoTheFieldReachesItsVariableAndReturnRunsTheAction) {
  click(FIELD_X + 20, FIELD_Y + 10);
  type("hello world");
  tap(XK_BackSpace);
  tap(XK_BackSpace);
  type("ld");
  tap(XK_Return);
  EXPECT_TRUE(reports_become("hello world\n")) << reports();
  tap(XK_Escape);  // empties the field
  type("x");
  tap(XK_Return);
  EXPECT_TRUE(reports_become("hello world\nx\n")) << reports();
}

TEST_F(DialogInput, DraggingTheSliderKnobSetsTheValueUnderThePointer) {
  // Half the track from the knob at value 0 is 50; the action runs once, on
  // the release.
  drag_slider(83);
  EXPECT_TRUE(reports_become("50\n")) << reports();
  // Beyond the end the knob stops at the maximum.
  move_to(SLIDER_X + 13 + 83, SLIDER_Y + 13);
  button(true);
  move_to(SLIDER_X + SLIDER_WIDTH + 40, SLIDER_Y + 13);
  button(false);
  EXPECT_TRUE(reports_become("50\n100\n")) << reports();
}

TEST_F(DialogInput, TextCopiedFromTheFieldIsReadByAnotherClient) {
  click(FIELD_X + 20, FIELD_Y + 10);
  type("copied");
  control(XK_c);
  tap(XK_Return);  // its report shows that the keys before it were handled
  ASSERT_TRUE(reports_become("copied\n")) << reports();
  EXPECT_EQ(XGetSelectionOwner(d(), XA_PRIMARY), None) << "nothing selected: nothing to copy";
  // Two presses at one x select the word; Ctrl-C hands it to PRIMARY.
  click(FIELD_X + 30, FIELD_Y + 10);
  click(FIELD_X + 30, FIELD_Y + 10);
  control(XK_c);
  ASSERT_TRUE(primary_owner_becomes([&](Window w) { return w == dialog(); }));
  EXPECT_EQ(xclip("-o -selection primary"), "copied");
  // What is handed out is the copy: later typing does not change it.
  tap(XK_End);
  type("s");
  tap(XK_Return);
  ASSERT_TRUE(reports_become("copied\ncopieds\n")) << reports();
  EXPECT_EQ(xclip("-o -selection primary"), "copied");
}

TEST_F(DialogInput, TextSetByAnotherClientIsPastedAtTheCursor) {
  click(FIELD_X + 20, FIELD_Y + 10);
  type("paste");
  // xclip owns PRIMARY in the background and serves one request.
  std::string command = "printf ' here' | DISPLAY=" + std::string(DisplayString(d())) +
                        " timeout 20 xclip -i -selection primary -loops 1";
  ASSERT_EQ(system(command.c_str()), 0);
  ASSERT_TRUE(primary_owner_becomes([&](Window w) { return w != None && w != dialog(); }));
  control(XK_v);
  // Once xclip has answered it gives up PRIMARY, and its answer is queued
  // for the server before the Return.
  ASSERT_TRUE(primary_owner_becomes([&](Window w) { return w == None; })) << "xclip was not asked";
  tap(XK_Return);
  EXPECT_TRUE(reports_become("paste here\n")) << reports();
}

}  // namespace
