// The event intake on a real X server: events sent with XSendEvent to shown
// YARL windows pass through the intake; motion merging, input codes in their
// predefined identifiers, the pointer variables, global shortcuts and the
// dispatch into a toolkit widget.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

#include "link/gin.h"
#include "runtime/predefined.h"
#include "tests/link/link_fixture.h"
#include "tests/support/x_screen.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_button.h"
#include "toolkit/ui_object.h"
#include "toolkit/ui_window.h"

namespace {

using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;

int activations = 0;
long activated_id = 0;
void count_activate(long id) {
  ++activations;
  activated_id = id;
}

constexpr uint32_t POINTER_MOVES = 89, POINTER_SPEED = 90, POINTER_X = 511, POINTER_Y = 512;

class Intake : public link_test::OnScreen {
 protected:
  uint16_t hits = 0;
  uint16_t main_window = 0, other_window = 0;
  bool with_button = false;  // the other window shows a BUTTON that reports "pressed" to process 0

  // Two visible windows with one label each; the shortcut of key 'q' sets
  // `hits` to 7 and the window-manager shortcut (255) sets it to 9.
  void SetUp() override {
    hits = program.add(GLOBAL, make_ident(K_INTEGER), "hits");
    main_window = add_window("main", label_item());
    other_window = add_window("other", with_button ? button_item() : label_item());
    ident_info sub = make_ident(K_SUB_WINDOW);
    uint16_t target = program.add(GLOBAL, sub, "target");
    uint32_t key_action = program.code().offset();
    program.code().push(7).assign(GLOBAL, hits).release();
    uint32_t close_action = program.code().offset();
    program.code().push(9).assign(GLOBAL, hits).release();
    program.shortcut('q') = g_shortcut{key_action, 0, 0, target};
    program.shortcut(255) = g_shortcut{close_action, 0, 0, target};
    load();
    place(main_window, 0);
    place(other_window, 200);
    update_menu_windows();
    for (int i = 0; i < 500 && !(ui(main_window)->mapped && ui(other_window)->mapped); ++i) {
      process_events();
      usleep(2000);
    }
    ASSERT_TRUE(ui(main_window)->mapped && ui(other_window)->mapped);
    // Both stay inside this process's screen area (420 by 72 pixels).
    for (uint16_t w : {main_window, other_window}) {
      EXPECT_LE(ui(w)->width, 190);
      EXPECT_LE(ui(w)->height, 62);
    }
    drain();
  }
  void TearDown() override {
    cleanup_event_intake();
    link_test::OnScreen::TearDown();
    XSync(display(), False);
  }

  menu_item label_item() {
    menu_item it = make_item(ITEM_LABEL);
    it.value_kind = K_STRING;
    it.head8 = 9;
    it.code_offset = program.code().offset();
    program.code().push_string("intake").release();
    return it;
  }
  menu_item button_item() {
    menu_item it = make_item(ITEM_BUTTON);
    it.value_kind = K_STRING;
    it.head8 = 9;
    it.code_offset = program.code().offset();
    program.code().push_string("Go").release();
    it.action_offset = program.code().offset();
    program.code().push(0).push_string("pressed\n").push(K_STRING).op(link_test::op::REPORT_ASCII).release();
    return it;
  }
  uint16_t add_window(const char* name, const menu_item& it) { return yarl::add_shown_window(program, name, it); }
  void place(uint16_t window, short dx) {
    ui(window)->set_origin(short(slot_x(screen_slot_) + dx), short(slot_y(screen_slot_)));
  }

  static Display* display() { return AppContext->ui_display; }
  UIWindow* ui(uint16_t window) { return record_of(global(window))->ui_window; }
  Window xwin(uint16_t window) { return ui(window)->x_window; }

  // Everything queued so far is handled, held motion delivered at once.
  void drain() {
    XSync(display(), False);
    while (process_events()) {}
    process_saved_motion_notify();
  }
  // Takes the queued events one by one, as the intake does, without waiting
  // for a tick to pass.
  void take_queued() {
    XSync(display(), False);
    while (XPending(display()) > 0) ASSERT_TRUE(check_for_events(display()));
  }

  void send(XEvent event) {
    ASSERT_NE(XSendEvent(display(), event.xany.window, False, 0, &event), 0);
  }
  XEvent pointer_event(uint16_t window, int type, int x, int y, unsigned button = 0, unsigned state = 0) {
    XEvent e{};
    e.type = type;
    e.xany.display = display();
    e.xany.window = xwin(window);
    if (type == MotionNotify) {
      e.xmotion.root = DefaultRootWindow(display());
      e.xmotion.x = x;
      e.xmotion.y = y;
      e.xmotion.state = state;
      e.xmotion.same_screen = True;
    } else if (type == EnterNotify || type == LeaveNotify) {
      e.xcrossing.root = DefaultRootWindow(display());
      e.xcrossing.x = x;
      e.xcrossing.y = y;
      e.xcrossing.state = state;
      e.xcrossing.mode = NotifyNormal;
      e.xcrossing.same_screen = True;
    } else {
      e.xbutton.root = DefaultRootWindow(display());
      e.xbutton.x = x;
      e.xbutton.y = y;
      e.xbutton.button = button;
      e.xbutton.state = state;
      e.xbutton.same_screen = True;
    }
    return e;
  }
  XEvent key(uint16_t window, int type, KeySym symbol, int x = 5, int y = 5) {
    XEvent e{};
    e.type = type;
    e.xkey.display = display();
    e.xkey.window = xwin(window);
    e.xkey.root = DefaultRootWindow(display());
    e.xkey.x = x;
    e.xkey.y = y;
    e.xkey.keycode = XKeysymToKeycode(display(), symbol);
    e.xkey.same_screen = True;
    return e;
  }
  // A window position on the screen.
  std::pair<int, int> on_screen(uint16_t window, int x, int y) {
    int rx = 0, ry = 0;
    Window child;
    XTranslateCoordinates(display(), xwin(window), DefaultRootWindow(display()), x, y, &rx, &ry, &child);
    return {rx, ry};
  }
};

TEST_F(Intake, AMotionBurstIsDeliveredOnceWithItsLastPositionBeforeTheNextEvent) {
  int32_t moves = get_predef(POINTER_MOVES);
  for (int i = 1; i <= 10; ++i) send(pointer_event(main_window, MotionNotify, 10 + i, 20 + 2 * i));
  take_queued();
  // All ten are held: nothing reached the pointer variables yet.
  EXPECT_EQ(get_predef(POINTER_MOVES), moves);
  send(key(main_window, KeyPress, XK_b, 20, 40));
  take_queued();
  auto [x, y] = on_screen(main_window, 20, 40);
  EXPECT_EQ(get_predef(POINTER_X), x);
  EXPECT_EQ(get_predef(POINTER_Y), y);
  EXPECT_EQ(get_predef(POINTER_MOVES), moves + 1);  // the key press is at the same place
  EXPECT_EQ(get_predef(XK_b + 80), 1);
}

TEST_F(Intake, AHeldMotionIsDeliveredAfterATickWithTheSpeedOfItsMergedTravel) {
  put_predef(POINTER_SPEED, 0);
  int32_t moves = get_predef(POINTER_MOVES);
  send(pointer_event(main_window, MotionNotify, 10, 10));
  send(pointer_event(main_window, MotionNotify, 13, 14));  // travel 7
  send(pointer_event(main_window, MotionNotify, 20, 14));  // travel 7 more
  take_queued();
  EXPECT_EQ(get_predef(POINTER_MOVES), moves);
  usleep(40000);
  EXPECT_TRUE(check_for_events(display()));  // nothing queued: the held motion goes out
  EXPECT_FALSE(check_for_events(display()));
  auto [x, y] = on_screen(main_window, 20, 14);
  EXPECT_EQ(get_predef(POINTER_X), x);
  EXPECT_EQ(get_predef(POINTER_Y), y);
  EXPECT_EQ(get_predef(POINTER_MOVES), moves + 1);
  // 14 pixels over at least 2 ticks (0.02 s), at most a second.
  EXPECT_GT(get_predef(POINTER_SPEED), 13);
  EXPECT_LE(get_predef(POINTER_SPEED), 700);
}

TEST_F(Intake, AMotionInAnotherWindowDeliversTheHeldOneFirst) {
  int32_t moves = get_predef(POINTER_MOVES);
  send(pointer_event(main_window, MotionNotify, 30, 31));
  send(pointer_event(other_window, MotionNotify, 5, 6));
  take_queued();
  auto [x, y] = on_screen(main_window, 30, 31);
  EXPECT_EQ(get_predef(POINTER_X), x);
  EXPECT_EQ(get_predef(POINTER_Y), y);
  EXPECT_EQ(get_predef(POINTER_MOVES), moves + 1);
  EXPECT_TRUE(process_saved_motion_notify());  // the other window's is still held
  EXPECT_FALSE(process_saved_motion_notify());
  auto [x2, y2] = on_screen(other_window, 5, 6);
  EXPECT_EQ(get_predef(POINTER_X), x2);
  EXPECT_EQ(get_predef(POINTER_Y), y2);
}

struct InputCode {
  const char* name;
  bool key;
  unsigned source;  // keysym or pointer button
  uint32_t code;
};
const InputCode input_codes[] = {
    {"LetterKey", true, XK_a, 177},        {"ShiftLeft", true, XK_Shift_L, 433},
    {"ControlRight", true, XK_Control_R, 436}, {"FunctionKey", true, XK_F1, 398},
    {"PointerButton1", false, 1, 464},     {"PointerButton3", false, 3, 466},
};

void PrintTo(const InputCode& c, std::ostream* os) { *os << c.name; }

class InputCodes : public Intake, public testing::WithParamInterface<InputCode> {};

TEST_P(InputCodes, KeepTheirIdentifierTrueWhileDown) {
  const InputCode& c = GetParam();
  ASSERT_EQ(get_predef(c.code), 0);
  auto event = [&](bool down) {
    if (c.key) return key(main_window, down ? KeyPress : KeyRelease, c.source);
    return pointer_event(main_window, down ? ButtonPress : ButtonRelease, 40, 40, c.source);
  };
  send(event(true));
  drain();
  EXPECT_EQ(get_predef(c.code), 1);
  if (!c.key) {
    EXPECT_EQ(get_button_state(), 1 << (c.source - 1));
  }
  send(event(false));
  drain();
  EXPECT_EQ(get_predef(c.code), 0);
  EXPECT_EQ(get_button_state(), 0);
}

INSTANTIATE_TEST_SUITE_P(Sources, InputCodes, testing::ValuesIn(input_codes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Intake, AKeyEventLookedUpOnceKeepsItsCodeWhenDispatchedAgain) {
  XEvent press = key(main_window, KeyPress, XK_c);
  bool wanted = true;
  EXPECT_TRUE(process_one_event(&press, true, true, &wanted));
  EXPECT_EQ(press.xkey.keycode, 0x12345678u);
  EXPECT_EQ(press.xkey.x_root, 'c');
  EXPECT_EQ(press.xkey.y_root, int(XK_c));
  EXPECT_EQ(get_predef(XK_c + 80), 1);
  // A copy already looked up, as replay and the partner deliver it, as a release.
  XEvent release = press;
  release.type = KeyRelease;
  EXPECT_TRUE(process_one_event(&release, true, true, &wanted));
  EXPECT_EQ(get_predef(XK_c + 80), 0);
}

TEST_F(Intake, ButtonEventsSetThePointerVariablesAndCountOnlyRealMoves) {
  int32_t moves = get_predef(POINTER_MOVES);
  send(pointer_event(main_window, ButtonPress, 50, 7, 2));
  send(pointer_event(main_window, ButtonRelease, 50, 7, 2));
  drain();
  auto [x, y] = on_screen(main_window, 50, 7);
  EXPECT_EQ(get_predef(POINTER_X), x);
  EXPECT_EQ(get_predef(POINTER_Y), y);
  EXPECT_EQ(get_predef(POINTER_MOVES), moves + 1);
  send(pointer_event(main_window, ButtonPress, 51, 7, 2));
  drain();
  EXPECT_EQ(get_predef(POINTER_X), x + 1);
  EXPECT_EQ(get_predef(POINTER_MOVES), moves + 2);
}

// Another client moves the window between two events that reach this server
// through the queue: the second event's position is on the window's new place.
// Natively only: under Windows the one display is the program's own.
#ifndef _WIN32
TEST_F(Intake, ThePointerPositionFollowsAWindowMovedByAnotherClient) {
  Display* other = XOpenDisplay(DisplayString(display()));
  ASSERT_NE(other, nullptr);
  auto from_other = [&](int x) {
    XEvent e = key(main_window, KeyRelease, XK_b, x, 7);
    XSendEvent(other, e.xany.window, False, 0, &e);
    XSync(other, False);
  };
  auto take_without_requests = [&](int events) {
    for (int i = 0; i < 500 && XPending(display()) < events; ++i) usleep(2000);
    for (int i = 0; i < events; ++i) ASSERT_TRUE(check_for_events(display()));
  };
  XWindowAttributes a;
  XGetWindowAttributes(display(), xwin(main_window), &a);
  auto [x, y] = on_screen(main_window, 50, 7);
  drain();
  from_other(50);
  take_without_requests(1);
  EXPECT_EQ(get_predef(POINTER_X), x);
  XMoveWindow(other, xwin(main_window), a.x + 30, a.y + 4);
  from_other(50);
  take_without_requests(2);  // the ConfigureNotify, then the key
  EXPECT_EQ(get_predef(POINTER_X), x + 30);
  EXPECT_EQ(get_predef(POINTER_Y), y + 4);
  XCloseDisplay(other);
}
#endif

TEST_F(Intake, EnteringAWindowTakesTheButtonAndModifierStateFromItsMask) {
  put_predef(433, 1);  // a shift key left down while the pointer was elsewhere
  send(pointer_event(main_window, EnterNotify, 3, 3, 0, Button2Mask | LockMask));
  drain();
  EXPECT_EQ(get_predef(465), 1);
  EXPECT_EQ(get_predef(464), 0);
  EXPECT_EQ(get_predef(437), 1);
  EXPECT_EQ(get_predef(433), 0);
  testing::internal::CaptureStderr();
  send(pointer_event(main_window, EnterNotify, 3, 3, 0, ControlMask));
  drain();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Warning - Control key changed state, cannot determine which one.\n");
}

TEST_F(Intake, AKeyNoWidgetTakesStartsItsGlobalShortcut) {
  send(key(main_window, KeyPress, XK_b));
  drain();
  EXPECT_EQ(global(hits)->val.i, 0);  // no shortcut for 'b'
  send(key(main_window, KeyPress, XK_q));
  drain();
  EXPECT_EQ(global(hits)->val.i, 7);
  EXPECT_EQ(get_predef(XK_q + 80), 1);
}

TEST_F(Intake, AWindowManagerMessageReachesTheCloseShortcutAndCountsAsInput) {
  XEvent message{};
  message.type = ClientMessage;
  message.xclient.display = display();
  message.xclient.window = xwin(main_window);
  message.xclient.message_type = XInternAtom(display(), "WM_PROTOCOLS", False);
  message.xclient.format = 32;
  message.xclient.data.l[0] = long(AppContext->wm_delete_window);
  bool wanted = true;
  EXPECT_TRUE(process_one_event(&message, true, true, &wanted));
  EXPECT_EQ(global(hits)->val.i, 9);
}

// Client messages that any X client may send: device buttons outside the
// space ball's block (501 to 510), protocols other than WM_DELETE_WINDOW and
// foreign message types set no input code and close nothing.
struct ForeignMessage {
  const char* name;
  const char* type;  // the message type's atom
  int format;
  long word;          // short data word 2 (buttons) or long data word 0 (protocols)
  uint32_t code;      // the input code set while the button is down; 0 none
};
const ForeignMessage foreign_messages[] = {
    {"SpaceBallButton1000", "SpaceballButtonPressEventType", 16, 1000, 0},
    {"SpaceBallButton0", "SpaceballButtonPressEventType", 16, 0, 0},
    {"SpaceBallButtonMinus5", "SpaceballButtonPressEventType", 16, -5, 0},
    {"SpaceBallButton11", "SpaceballButtonPressEventType", 16, 11, 0},
    {"SpaceBallRelease1000", "SpaceballButtonReleaseEventType", 16, 1000, 0},
    {"MagellanButton1000", "ButtonPressEvent", 16, 1000, 0},
    {"MagellanButtonMinus1", "ButtonPressEvent", 16, -1, 0},
    {"SpaceBallButton10", "SpaceballButtonPressEventType", 16, 10, 510},
    {"MagellanButton1", "ButtonPressEvent", 16, 1, 501},
    {"TakeFocus", "WM_PROTOCOLS", 32, 0, 0},
    {"ForeignType", "QOB_TEST_FOREIGN_MESSAGE", 32, 0, 0},
};

void PrintTo(const ForeignMessage& m, std::ostream* os) { *os << m.name; }

class ForeignMessages : public Intake, public testing::WithParamInterface<ForeignMessage> {};

TEST_P(ForeignMessages, SetOnlyTheirDevicesButtonsAndCloseNothing) {
  const ForeignMessage& m = GetParam();
  // The device atoms exist once a driver made them; here the test makes them.
  for (const char* name : {"MotionEvent", "ButtonPressEvent", "ButtonReleaseEvent", "SpaceballMotionEventType",
                           "SpaceballButtonPressEventType", "SpaceballButtonReleaseEventType"})
    XInternAtom(display(), name, False);
  XEvent message{};
  message.type = ClientMessage;
  message.xclient.display = display();
  message.xclient.window = xwin(main_window);
  message.xclient.message_type = XInternAtom(display(), m.type, False);
  message.xclient.format = m.format;
  if (m.format == 16) message.xclient.data.s[2] = short(m.word);
  else message.xclient.data.l[0] = long(XInternAtom(display(), "WM_TAKE_FOCUS", False));
  bool wanted = false;
  process_one_event(&message, true, true, &wanted);
  for (uint32_t code = 501; code <= 510; ++code) EXPECT_EQ(get_predef(code), code == m.code ? 1 : 0) << code;
  EXPECT_EQ(global(hits)->val.i, 0);
  if (m.code != 0) put_predef(m.code, 0);
}

INSTANTIATE_TEST_SUITE_P(FromAnyClient, ForeignMessages, testing::ValuesIn(foreign_messages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Intake, AButtonPressAndReleaseReachTheWidgetUnderThePointer) {
  activations = 0;
  auto* button = new UIButton(ui(main_window), 42, nullptr);
  button->reconfigure(1, 1, 30, 10, true, false, 0, 0x1000001, nullptr, false, count_activate, false);
  drain();
  XEvent press = pointer_event(main_window, ButtonPress, 10, 5, 1);
  XEvent release = pointer_event(main_window, ButtonRelease, 10, 5, 1);
  bool wanted = false;
  EXPECT_TRUE(process_one_event(&press, true, true, &wanted));
  EXPECT_TRUE(wanted);
  EXPECT_EQ(get_predef(464), 1);
  EXPECT_TRUE(process_one_event(&release, true, true, &wanted));
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(activated_id, 42);
  EXPECT_EQ(get_predef(464), 0);
  // With the widgets left out the button sees nothing, the input code still does.
  XEvent again = pointer_event(main_window, ButtonPress, 10, 5, 1);
  wanted = true;
  EXPECT_TRUE(process_one_event(&again, true, false, &wanted));
  EXPECT_TRUE(wanted);  // untouched
  EXPECT_EQ(get_predef(464), 1);
  XEvent up = pointer_event(main_window, ButtonRelease, 10, 5, 1);
  process_one_event(&up, true, false, &wanted);
  EXPECT_EQ(activations, 1);
  delete button;
}

TEST_F(Intake, AnEventForAnUnknownWindowIsReportedAndDropped) {
  // A window of the display that no record names (the root is 0 under Windows).
  Window stranger = XCreateSimpleWindow(display(), DefaultRootWindow(display()), 0, 0, 10, 10, 0, 0, 0);
  XEvent press = pointer_event(main_window, ButtonPress, 1, 1, 1);
  press.xbutton.window = stranger;
  bool wanted = true;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(process_one_event(&press, true, true, &wanted));
  char expected[80];
  snprintf(expected, sizeof expected, "Error - Event 4 for unknown window %x.\n", unsigned(stranger));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), expected);
  EXPECT_FALSE(wanted);
  EXPECT_EQ(get_predef(464), 0);
  XDestroyWindow(display(), stranger);
}

class ButtonRoad : public Intake {
 protected:
  ButtonRoad() { with_button = true; }
};

TEST_F(ButtonRoad, AClickOnAYarlButtonRunsItsActionWhichReportsToTheApplication) {
  ASSERT_GT(start_process(0, COPY_APP), 0);  // echoes the report back to the server
  table& buttons = record_of(global(other_window))->widgets[WK_BUTTON];
  ASSERT_EQ(buttons.length, 1u);
  const UIObject* b = buttons.as<widget_element>()[0].widget;
  ASSERT_NE(b, nullptr);
  int x = b->x + b->width / 2, y = b->y + b->height / 2;
  send(pointer_event(other_window, ButtonPress, x, y, 1));
  send(pointer_event(other_window, ButtonRelease, x, y, 1));
  XFlush(display());
  // The wait loop takes the click from the display and the echo from the pipe.
  EXPECT_EQ(refill_bytes(8), "pressed\n");
  EXPECT_EQ(get_predef(464), 0);
}

}  // namespace
