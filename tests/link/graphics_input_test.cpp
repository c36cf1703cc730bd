// Graphics input on the real graphics window: the modes as events pass the
// dispatch (with the pick reports recorded), the rubber band and the overlay
// lines as pixels, the wait loop with a band shown, the cursors and the
// extra input devices.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <GL/gl.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "link/gin.h"
#include "link/graphics_input.h"
#include "runtime/graphics_input_ops.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "runtime/variables.h"
#include "scene/segment_store.h"
#include "tests/link/link_fixture.h"
#include "tests/support/dump_files.h"
#include "tests/support/own_x_server.h"
#include "tests/support/x_screen.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"
#include "view/graphics_window.h"
#include "view/transforms.h"

namespace {

// The reports of finished inputs, taken by the pick observer: these tests arm
// inputs without a waiting window and check what the event collection delivers.
struct recorded_pick {
  uint8_t mode, key_byte;
  uint16_t count;
  bool keep_cursor;
  bool with_points;  // false: the arrays were null
  uint16_t x[64], y[64];  // the first 64 points
};
constexpr int N_RECORDED = 16;
recorded_pick recorded[N_RECORDED];
int n_recorded;

void record_pick(uint8_t mode, uint8_t key_byte, uint16_t count, const uint16_t* xs, const uint16_t* ys,
                 bool keep_cursor) {
  recorded_pick& r = recorded[n_recorded++ % N_RECORDED];
  r = recorded_pick{};
  r.mode = mode, r.key_byte = key_byte, r.count = count, r.keep_cursor = keep_cursor;
  r.with_points = xs != nullptr && ys != nullptr;
  for (int i = 0; r.with_points && i < count && i < 64; ++i) r.x[i] = xs[i], r.y[i] = ys[i];
}
int recorded_pick_count() { return n_recorded; }
const recorded_pick& recorded_pick_at(int i) { return recorded[i % N_RECORDED]; }
void forget_recorded_picks() {
  n_recorded = 0;
  set_pick_observer(record_pick);
}

using yarl::GLOBAL;
using yarl::make_ident;

constexpr uint16_t CODE_KEY_A = 'a' + 80, POINTER_X = 511;
constexpr uint8_t BUTTON_1 = 128, BUTTON_2 = 129;

struct Pixel {
  int x, y;
};

// The graphics window of preset_window, with the standard program loaded
// around it (identifier 1 wraps the window), on an X server of the test's
// own: the program shows the full-screen window over other tests' areas.
class GraphicsInput : public link_test::Linked {
 protected:
  static void SetUpTestSuite() {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    server_ = new OwnXServer();
    ASSERT_FALSE(server_->name().empty());
    setenv("DISPLAY", server_->name().c_str(), 1);
    XSetErrorHandler(count_x_error);
    new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
    std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
    decode_tables(bytes.data(), bytes.size());
    put_predef(111, 1);
    preset_window();
    init_segment_structure();  // the palette the wait loop's repaints read
  }
  static void TearDownTestSuite() {
    cleanup_ldf();
    cleanup_window();
    delete AppContext;
    AppContext = nullptr;
    delete server_;
    server_ = nullptr;
    EXPECT_EQ(x_error_count(), 0);
  }

  uint16_t changes = 0;  // counts the runs of the when-changed list on key 'a'

  void SetUp() override {
    changes = program.add(GLOBAL, make_ident(K_INTEGER), "changes");
    yarl::Code& c = program.code();
    yarl::Label after = c.label();
    watch_at_ = c.offset();
    c.op(yarl_test::op::WHEN_CHANGED).ref(GLOBAL, CODE_KEY_A).target(after);
    c.push_var(GLOBAL, changes).push(1).op(yarl_test::op::ADD_INTEGER).assign(GLOBAL, changes).release();
    c.bind(after).release();
    load();
    start_code(watch_at_);
    preset_graphics_input(nullptr);
    forget_recorded_picks();
  }
  void TearDown() override {
    set_pick_observer(nullptr);
    end_graphics_input(false);
    cleanup_graphics_input();
    cleanup_event_intake();
    link_test::Linked::TearDown();
  }

  static Display* display() { return AppContext->graphics_display; }
  static Window window() { return get_graphics_window(); }

  // One event through the dispatch, as the intake hands it over.
  void dispatch(XEvent e) {
    e.xany.display = display();
    e.xany.window = window();
    bool wanted = false;
    process_one_event(&e, true, true, &wanted);
  }
  void pointer(int type, Pixel p, unsigned button = 0) {
    XEvent e{};
    e.type = type;
    e.xbutton.x = p.x, e.xbutton.y = p.y;
    e.xbutton.button = button;
    e.xbutton.same_screen = True;
    e.xbutton.root = DefaultRootWindow(display());
    dispatch(e);
  }
  void key(int type, KeySym keysym) {
    XEvent e{};
    e.type = type;
    e.xkey.keycode = XKeysymToKeycode(display(), keysym);
    e.xkey.same_screen = True;
    e.xkey.root = DefaultRootWindow(display());
    dispatch(e);
  }
  void press(Pixel p, unsigned b = 1) { pointer(ButtonPress, p, b); }
  void release(Pixel p, unsigned b = 1) { pointer(ButtonRelease, p, b); }
  void move(Pixel p) { pointer(MotionNotify, p); }

  static std::pair<uint16_t, uint16_t> tek(Pixel p) {
    uint16_t tx = 0, ty = 0;
    screen_input_to_tek(uint16_t(p.x), uint16_t(p.y), &tx, &ty);
    return {tx, ty};
  }

  static OwnXServer* server_;

 private:
  uint32_t watch_at_ = 0;
};
OwnXServer* GraphicsInput::server_ = nullptr;

// ---- The modes ----------------------------------------------------------------

class Modes;
struct ModeCase {
  const char* name;
  uint8_t mode;
  uint16_t flags_or_grid, max_points;
  std::function<void(Modes&)> events;
  int reports;  // recorded pick reports
  uint8_t key_byte;
  int count;                    // points of the last report; -1: without arrays
  std::vector<Pixel> points;    // expected, as pixels (empty: not compared)
  bool mark = false;            // keep-cursor flag of the last report
};

class Modes : public GraphicsInput, public testing::WithParamInterface<ModeCase> {
 public:
  // Public for the case table's lambdas.
  using GraphicsInput::changes;
  using GraphicsInput::key;
  using GraphicsInput::move;
  using GraphicsInput::press;
  using GraphicsInput::release;
};

const Pixel A{200, 300}, B{400, 500}, C{600, 700}, OUTSIDE{-50, 2000};

const ModeCase mode_cases[] = {
    {"pick_on_press_ignores_release_and_motion", GIN_PICK, PICK_ON_PRESS, 0,
     [](Modes& t) {
       t.move(A);
       t.release(A);
       t.press(B);
     },
     1, BUTTON_1, 1, {B}},
    {"pick_on_release", GIN_PICK, PICK_ON_RELEASE, 0,
     [](Modes& t) {
       t.press(A);
       t.move(B);
       t.release(C);
     },
     1, BUTTON_1, 1, {C}},
    {"pick_on_motion_marked", GIN_PICK, PICK_ON_MOTION | PICK_MARK, 0,
     [](Modes& t) {
       t.release(A);
       t.move(B);
     },
     1, 0, 1, {B}, true},
    {"pick_delayed_reports_once_at_the_repaint_pass_with_the_last_position", GIN_PICK,
     PICK_DELAYED | PICK_ON_MOTION, 0,
     [](Modes& t) {
       t.move(A);
       t.move(C);
       EXPECT_EQ(recorded_pick_count(), 0);
       process_delayed_read_tek_point();
     },
     1, 0, 1, {C}},
    {"key_with_when_changed_code_starts_nothing", GIN_RUBBER_LINE, 0, 0,
     [](Modes& t) {
       t.key(KeyPress, XK_a);
       EXPECT_EQ(get_graphics_input_state(), 1);
       EXPECT_EQ(globals()[t.changes].val.i, 1);  // the list ran instead
     },
     0, 0, 0, {}},
    {"point_limit", GIN_POLYLINE, 0, 3,
     [](Modes& t) {
       t.press(A);
       for (int i = 1; i <= 5; ++i) t.move({A.x + 20 * i, A.y});
       t.release({A.x + 200, A.y});
     },
     1, BUTTON_1, 3, {A, {A.x + 20, A.y}, {A.x + 40, A.y}}},
    {"forty_points", GIN_POLYLINE, 0, 100,
     [](Modes& t) {
       t.press({100, 100});
       for (int i = 1; i < 40; ++i) t.move({100 + 10 * i, 100 + 5 * i});
       t.release({100 + 390, 100 + 195});  // the last point again: dropped
     },
     1, BUTTON_1, 40, {}},
    {"releasing_button_2_does_not_end_a_line_of_button_1", GIN_RUBBER_LINE, 0, 0,
     [](Modes& t) {
       t.press(A);
       t.move(B);
       t.release(B, 2);
       EXPECT_EQ(recorded_pick_count(), 0);
       t.release(C);
     },
     1, BUTTON_1, 2, {A, C}},
    {"line_from_a_point_ended_by_a_key_reports_no_points", GIN_LINE_FROM_POINT, 0, 0,
     [](Modes& t) { t.key(KeyPress, XK_b); }, 1, 'b', -1, {}},
    {"line_from_a_point_with_button_1", GIN_LINE_FROM_POINT, 0, 0,
     [](Modes& t) {
       t.press(B);
       t.release(C);
     },
     1, BUTTON_1, 2, {A, C}},
    {"box_released_outside_the_window_keeps_the_last_point_inside", GIN_RUBBER_BOX, 0, 0,
     [](Modes& t) {
       t.press(A);
       t.move(B);
       t.release(OUTSIDE);
     },
     1, BUTTON_1, 2, {A, B}},
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

TEST_P(Modes, EventsEnterPointsAndReport) {
  const ModeCase& c = GetParam();
  auto [ax, ay] = tek(A);
  set_graphics_input(c.mode, CROSSHAIR_CURSOR, c.flags_or_grid, c.max_points, ax, ay);
  c.events(*this);
  ASSERT_EQ(recorded_pick_count(), c.reports) << c.name;
  if (c.reports == 0) return;
  const recorded_pick& r = recorded_pick_at(c.reports - 1);
  EXPECT_EQ(r.key_byte, c.key_byte);
  EXPECT_EQ(r.keep_cursor, c.mark);
  if (c.count < 0) {
    EXPECT_FALSE(r.with_points && r.count > 0);
    return;
  }
  EXPECT_EQ(r.count, c.count);
  for (size_t i = 0; i < c.points.size(); ++i) {
    auto [x, y] = tek(c.points[i]);
    EXPECT_EQ(r.x[i], x) << "point " << i;
    EXPECT_EQ(r.y[i], y) << "point " << i;
  }
  EXPECT_EQ(get_graphics_input_mode(), 0);  // the report ended the input
}

INSTANTIATE_TEST_SUITE_P(GraphicsInput, Modes, testing::ValuesIn(mode_cases),
                         [](const testing::TestParamInfo<ModeCase>& i) { return std::string(i.param.name); });

TEST_F(GraphicsInput, PolylineGridDropsAPointAtTheGridDistanceAndTakesOneBeyond) {
  set_graphics_input(GIN_POLYLINE, 0, 5, 100, 0, 0);
  enter_input_point(1000, 1000);
  enter_input_point(1003, 1004);  // exactly 5 away
  EXPECT_TRUE(get_rubber_input_inactive());
  enter_input_point(1000, 1006);  // 6 away
  EXPECT_FALSE(get_rubber_input_inactive());
}

TEST_F(GraphicsInput, AnUnknownModeIsAnInternalError) {
  set_graphics_input(99, 0, 0, 0, 0, 0);
  EXPECT_EXIT(enter_input_point(1, 1), testing::ExitedWithCode(1), removing_dump("module name: gin\\.\n4\\) line number in that module: 203\\."));
}

TEST_F(GraphicsInput, CursorNumbersBeyondTheTableAreNeverUsed) {
  set_graphics_input(GIN_PICK, 200, PICK_ON_PRESS, 0, 0, 0);  // keeps the cursor shown
  set_noinput_cursor(140);
  EXPECT_EQ(get_noinput_cursor(), 34);
  set_noinput_cursor(CROSSHAIR_CURSOR);
  EXPECT_EQ(get_noinput_cursor(), CROSSHAIR_CURSOR);
  EXPECT_EQ(get_cursor(N_CURSORS), None);
  for (int i = 0; i < N_CURSORS; ++i) EXPECT_NE(get_cursor(i), None) << i;
}


// ---- The rubber band and the overlay lines as pixels --------------------------

// The graphics window mapped, showing a plain scene.
class RubberBand : public GraphicsInput {
 protected:
  void SetUp() override {
    GraphicsInput::SetUp();
    XMapRaised(display(), window());
    XWindowAttributes a{};
    for (int i = 0; i < 500 && (XGetWindowAttributes(display(), window(), &a), a.map_state != IsViewable); ++i)
      usleep(2000);
    ASSERT_EQ(a.map_state, IsViewable);
    paint_scene();
  }
  void TearDown() override {
    end_graphics_input(false);
    XUnmapWindow(display(), window());
    XSync(display(), False);
    GraphicsInput::TearDown();
  }
  // What a repaint does: the scene into the back buffer, the overlay, the swap.
  static void paint_scene(bool with_overlay = false) {
    make_graphics_context_active();
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    if (with_overlay) draw_overlay_lines();
    swapbuffers();
    glFinish();
    XSync(display(), False);
  }
  // Pixels that are the scene's inverse, and pixels that are neither.
  struct Census {
    int inverted = 0, other = 0;
  };
  static Census census() {
    XSync(display(), False);
    Screenshot shot(display());
    Census c;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        Rgb p = shot.at(x, y);
        if (p == SCENE) continue;
        if (p == INVERSE) ++c.inverted;
        else ++c.other;
      }
    return c;
  }
  static bool inverted_near(Pixel p) {
    Screenshot shot(display());
    for (int dy = -2; dy <= 2; ++dy)
      for (int dx = -2; dx <= 2; ++dx)
        if (shot.at(p.x + dx, p.y + dy) == INVERSE) return true;
    return false;
  }
  void box(Pixel a, Pixel b) {
    set_graphics_input(GIN_RUBBER_BOX, 0, 0, 0, 0, 0);
    auto [ax, ay] = tek(a);
    auto [bx, by] = tek(b);
    enter_input_point(ax, ay);
    enter_input_point(bx, by);
  }
  void overlay(std::vector<Pixel> ends) {
    ident_info* lines = &globals()[101];
    lines->kind = K_ARRAY + K_INTEGER;  // the standard program declares it a plain INTEGER
    lines->word2 = 64;
    ASSERT_TRUE(reset_array_size(global(1), lines, uint32_t(ends.size() * 2)));
    for (size_t i = 0; i < ends.size(); ++i) {
      auto [x, y] = tek(ends[i]);
      lines->val.a[2 * i].i = x;
      lines->val.a[2 * i + 1].i = y;
    }
    set_overlay_line_update();
  }

  static constexpr Rgb SCENE{51, 102, 153}, INVERSE{204, 153, 102};
};

TEST_F(RubberBand, TheBoxInvertsItsOutlineAndTheEraseRestoresTheSceneExactly) {
  ASSERT_EQ(census().inverted, 0);
  box({200, 200}, {600, 500});
  Census shown = census();
  EXPECT_EQ(shown.other, 0);
  EXPECT_NEAR(shown.inverted, 2 * (400 + 300), 8);  // the outline alone
  EXPECT_TRUE(inverted_near({200, 350}));
  EXPECT_TRUE(inverted_near({400, 500}));
  EXPECT_FALSE(inverted_near({400, 350}));
  box({200, 200}, {600, 500});  // a new input does not erase the old band ...
  end_graphics_input(false);    // ... this one erases its own
  Census after_new = census();
  EXPECT_NEAR(after_new.inverted, 2 * (400 + 300), 8);
  paint_scene();
  box({200, 200}, {600, 500});
  enter_input_point(tek({300, 400}).first, tek({300, 400}).second);  // the band follows
  EXPECT_TRUE(inverted_near({300, 300}));
  EXPECT_FALSE(inverted_near({600, 350}));
  end_graphics_input(false);
  Census erased = census();
  EXPECT_EQ(erased.inverted + erased.other, 0);
}

TEST_F(RubberBand, TheBandReturnsAfterARepaint) {
  box({200, 200}, {600, 500});
  paint_scene(true);  // the scene drawn anew, then the band over it
  Census again = census();
  EXPECT_EQ(again.other, 0);
  EXPECT_NEAR(again.inverted, 2 * (400 + 300), 8);
  end_graphics_input(false);
  EXPECT_LE(census().inverted, 8);  // X and GL may rasterise a corner differently
}

TEST_F(RubberBand, OverlayLinesAppearMoveAndGo) {
  overlay({{100, 100}, {500, 100}});
  update_overlay_lines();
  EXPECT_TRUE(inverted_near({300, 100}));
  overlay({{100, 600}, {500, 600}});
  update_overlay_lines();
  EXPECT_FALSE(inverted_near({300, 100}));
  EXPECT_TRUE(inverted_near({300, 600}));
  overlay({});
  update_overlay_lines();
  Census gone = census();
  EXPECT_EQ(gone.inverted + gone.other, 0);
  overlay({{100, 800}, {500, 800}});
  paint_scene(true);  // a repaint draws the lines of 101 as they are
  EXPECT_TRUE(inverted_near({300, 800}));
}

// Changed overlay lines wait while a band shows; the wait loop goes on with
// its idle tasks meanwhile and returns the application's bytes.
TEST_F(RubberBand, ChangedOverlayLinesDuringADragDoNotStopTheWaitLoop) {
  ident_info& graphics = globals()[1];
  graphics.flags1 |= 0x20;  // visible
  graphics.word2 |= 0x20;   // displayed
  box({200, 200}, {600, 500});
  overlay({{100, 100}, {500, 100}});
  put_predef(40, 10);  // a timer of 10 ms
  XSync(display(), False);
  while (process_events()) {}  // the exposures of the mapping are taken
  clear_repaint();              // only the overlay lines are due; clearing drops them ...
  overlay({{100, 100}, {500, 100}});  // ... so they change again
  ASSERT_GT(start_process(0, "sh -c 'sleep 0.3; echo ok'"), 0);
  EXPECT_EQ(refill(), "ok\n");
  EXPECT_GT(get_predef(50), 0);  // the timer counted
  EXPECT_FALSE(inverted_near({300, 100}));  // not drawn while the band shows
  put_predef(40, 0);
  end_graphics_input(false);
}



// A client posing as the space-mouse driver: its window's id on the root
// window, and the command the server sends it at start-up.
TEST_F(RubberBand, TheSpaceMouseDriverReceivesTheCommandWords) {
  Display* d = display();
  for (const char* name : {"MotionEvent", "ButtonPressEvent", "ButtonReleaseEvent"}) XInternAtom(d, name, False);
  Atom command = XInternAtom(d, "CommandEvent", False);
  Display* driver_display = XOpenDisplay(DisplayString(d));
  ASSERT_NE(driver_display, nullptr);
  Window driver = XCreateSimpleWindow(driver_display, DefaultRootWindow(driver_display), 0, 0, 4, 4, 0, 0, 0);
  XStoreName(driver_display, driver, "Magellan Window");
  unsigned long id = driver;
  XChangeProperty(driver_display, DefaultRootWindow(driver_display), command, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&id), 1);
  XSync(driver_display, False);
  cleanup_graphics_input();
  preset_graphics_input(nullptr);
  XEvent e{};
  bool received = false;
  for (int i = 0; i < 200 && !received; ++i) {
    while (XPending(driver_display) > 0) {
      XNextEvent(driver_display, &e);
      if (e.type == ClientMessage && e.xclient.message_type == command) received = true;
    }
    if (!received) usleep(5000);
  }
  ASSERT_TRUE(received);
  EXPECT_EQ(e.xclient.format, 16);
  EXPECT_EQ(e.xclient.data.s[0], 0);
  EXPECT_EQ(e.xclient.data.s[1], 1);
  EXPECT_EQ(e.xclient.data.s[2], 27695);
  // A property naming no window is caught, not fatal.
  unsigned long bogus = 0x7fffff;
  XChangeProperty(driver_display, DefaultRootWindow(driver_display), command, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&bogus), 1);
  XSync(driver_display, False);
  cleanup_graphics_input();
  testing::internal::CaptureStderr();
  preset_graphics_input(nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Warning - X Error code 'BadWindow' ignored.\n");
  XDeleteProperty(driver_display, DefaultRootWindow(driver_display), command);
  XDestroyWindow(driver_display, driver);
  XCloseDisplay(driver_display);
}

// ---- Cursors --------------------------------------------------------------------

class Cursors : public RubberBand {
 protected:
  void SetUp() override {
    RubberBand::SetUp();
    graphics_ui_window()->mapped = true;  // as the toolkit marks it when the program shows it
    XWarpPointer(display(), None, DefaultRootWindow(display()), 0, 0, 0, 0, 400, 400);
    XSync(display(), False);
  }
  struct Shown {
    int width = 0, height = 0, hot_x = 0, hot_y = 0;
    std::vector<unsigned long> pixels;
  };
  static Shown shown() {
    XSync(display(), False);
    Shown s;
    XFixesCursorImage* image = XFixesGetCursorImage(display());
    if (image == nullptr) return s;
    s = {image->width, image->height, image->xhot, image->yhot, {}};
    s.pixels.assign(image->pixels, image->pixels + size_t(image->width) * image->height);
    XFree(image);
    return s;
  }
};

constexpr uint8_t ACCESS_HOT_SPOTS[54][2] = {
    {16, 15}, {15, 15}, {16, 21}, {18, 16}, {15, 21}, {15, 15}, {14, 19}, {17, 15}, {15, 15}, {15, 15},
    {12, 20}, {15, 15}, {15, 16}, {15, 15}, {1, 30},  {16, 30}, {30, 30}, {1, 15},  {30, 15}, {1, 1},
    {16, 1},  {30, 1},  {15, 15}, {15, 15}, {15, 15}, {16, 16}, {15, 15}, {11, 19}, {15, 15}, {16, 15},
    {15, 15}, {14, 17}, {13, 15}, {15, 15}, {15, 15}, {14, 19}, {17, 15}, {15, 15}, {11, 13}, {11, 13},
    {15, 15}, {15, 15}, {16, 19}, {16, 19}, {16, 19}, {16, 14}, {16, 15}, {15, 16}, {30, 30}, {15, 15},
    {15, 13}, {15, 13}, {15, 13}, {15, 15},
};

TEST_F(Cursors, AccessPointCursorsHaveTheirSizeAndHotSpot) {
  for (int n = 1; n <= 54; ++n) {
    set_gui3d_cursor(uint8_t(n));
    Shown s = shown();
    EXPECT_EQ(s.width, 32) << n;
    EXPECT_EQ(s.height, 32) << n;
    EXPECT_EQ(s.hot_x, ACCESS_HOT_SPOTS[n - 1][0]) << n;
    EXPECT_EQ(s.hot_y, ACCESS_HOT_SPOTS[n - 1][1]) << n;
  }
  set_gui3d_cursor(0);
  EXPECT_EQ(shown().pixels, (set_noinput_cursor(34), shown().pixels));
}

TEST_F(Cursors, TheCrosshairIsCentredOnTheLargestCursorTheServerAllows) {
  unsigned width = 0, height = 0;
  XQueryBestCursor(display(), DefaultRootWindow(display()), 1280, 1024, &width, &height);
  set_graphics_input(GIN_PICK, CROSSHAIR_CURSOR, PICK_ON_PRESS, 0, 0, 0);  // the input cursor
  Shown cross = shown();
  EXPECT_EQ(cross.width, int(width));
  EXPECT_EQ(cross.height, int(height));
  int cx = width == 32 ? 15 : int(width) / 2, cy = height == 32 ? 15 : int(height) / 2;
  EXPECT_EQ(cross.hot_x, cx);
  EXPECT_EQ(cross.hot_y, cy);
  ASSERT_FALSE(cross.pixels.empty());
  EXPECT_NE(cross.pixels[size_t(cy) * width + cx] >> 24, 0u);          // on the cross
  EXPECT_EQ(cross.pixels[size_t(cy - 3) * width + cx - 3] >> 24, 0u);  // beside it
  end_graphics_input(false);  // the no-input cursor again
  Shown after = shown();
  EXPECT_EQ(after.width, (set_noinput_cursor(0), set_noinput_cursor(34), shown().width));
  EXPECT_NE(after.width, cross.width);
}

TEST_F(Cursors, AFontCursorIsTheServersGlyphInRedOnWhite) {
  set_noinput_cursor(30);  // shape 60
  Shown ours = shown();
  Cursor c = XCreateFontCursor(display(), 60);
  XColor red{}, white{};
  red.red = 65535;
  white.red = white.green = white.blue = 65535;
  XRecolorCursor(display(), c, &red, &white);
  XDefineCursor(display(), window(), c);
  Shown theirs = shown();
  XUndefineCursor(display(), window());
  XFreeCursor(display(), c);
  EXPECT_EQ(ours.width, theirs.width);
  EXPECT_EQ(ours.hot_x, theirs.hot_x);
  EXPECT_EQ(ours.pixels, theirs.pixels);
}

// ---- Devices ------------------------------------------------------------------

constexpr int MOTION = 90, PRESS = 91, RELEASE = 92;  // event types above the core ones
constexpr XID DIALS = 5, BUTTONS = 6, SPACEBALL = 7;

class Devices : public GraphicsInput {
 protected:
  void SetUp() override {
    GraphicsInput::SetUp();
    input_devices d;
    d.dials_id = DIALS, d.buttons_id = BUTTONS, d.spaceball_id = SPACEBALL;
    d.motion_type = MOTION, d.button_press_type = PRESS, d.button_release_type = RELEASE;
    set_input_devices_for_test(d);
  }
  void motion(XID device, int first, std::vector<int> values) {
    XEvent e{};
    XDeviceMotionEvent& m = reinterpret_cast<XDeviceMotionEvent&>(e);
    m.type = MOTION;
    m.deviceid = device;
    m.first_axis = uint8_t(first);
    m.axes_count = uint8_t(values.size());
    for (size_t i = 0; i < values.size(); ++i) m.axis_data[i] = values[i];
    dispatch(e);
  }
  void button(XID device, int type, unsigned number) {
    XEvent e{};
    XDeviceButtonEvent& b = reinterpret_cast<XDeviceButtonEvent&>(e);
    b.type = type;
    b.deviceid = device;
    b.button = number;
    dispatch(e);
  }
};

TEST_F(Devices, ButtonsAndAxesReachTheirIdentifiersAndNumbersBeyondThemAreIgnored) {
  struct Case {
    const char* name;
    XID device;
    unsigned number;
    uint32_t identifier;  // 0: none is set
  } cases[] = {
      {"button box 1", BUTTONS, 1, 469},   {"button box 32", BUTTONS, 32, 500},
      {"button box 33", BUTTONS, 33, 0},   {"button box 0", BUTTONS, 0, 0},
      {"space ball 10", SPACEBALL, 10, 510}, {"space ball 11", SPACEBALL, 11, 0},
      {"space ball 2^31", SPACEBALL, 0x80000000u, 0},
  };
  for (const Case& c : cases) {
    std::vector<int32_t> before;
    for (uint32_t i = 469; i <= 510; ++i) before.push_back(get_predef(i));
    button(c.device, PRESS, c.number);
    for (uint32_t i = 469; i <= 510; ++i) {
      bool expected_down = i == c.identifier || before[i - 469] != 0;
      EXPECT_EQ(get_predef(i) != 0, expected_down) << c.name << " identifier " << i;
    }
    button(c.device, RELEASE, c.number);
    if (c.identifier != 0) {
      EXPECT_EQ(get_predef(c.identifier), 0) << c.name;
    }
  }
}

TEST_F(Devices, DialsAbsoluteAndRelativeAndTheSpaceBallDeadZone) {
  motion(DIALS, 6, {11, 12, 13});  // axis 8 has no dial
  EXPECT_EQ(get_predef(521), 11);
  EXPECT_EQ(get_predef(522), 12);
  EXPECT_EQ(get_predef(523), 0);  // a space-ball axis, untouched
  input_devices d = get_input_devices();
  d.dials_relative = true;
  set_input_devices_for_test(d);
  put_predef(521, 0);
  motion(DIALS, 0, {3, 0, 0, 0, 0, 0});  // axis 0 turns dial 6
  EXPECT_EQ(get_predef(521), 3);
  put_predef(98, 10);
  motion(SPACEBALL, 0, {15, -15, 10, 0, 0, 0});
  EXPECT_EQ(get_predef(523), 5);
  EXPECT_EQ(get_predef(524), -5);
  EXPECT_EQ(get_predef(525), 0);
  EXPECT_EQ(get_predef(97), 1);
}

TEST_F(Devices, AButtonBoxButtonEndsARubberLineItStarted) {
  Pixel p{300, 300};
  move(p);
  set_graphics_input(GIN_RUBBER_LINE, 0, 0, 0, 0, 0);
  button(BUTTONS, PRESS, 3);
  EXPECT_EQ(get_graphics_input_state(), 2);
  button(BUTTONS, RELEASE, 3);
  ASSERT_EQ(recorded_pick_count(), 1);
  EXPECT_EQ(recorded_pick_at(0).key_byte, uint8_t(468 + 3 - 80));  // the key byte keeps the low 8 bits
}

TEST_F(Devices, AnUnknownDeviceIsAnInternalError) {
  EXPECT_EXIT(button(99, PRESS, 1), testing::ExitedWithCode(1), removing_dump("module name: gin\\.\n4\\) line number in that module: 1278\\."));
  EXPECT_EXIT(motion(99, 0, {1}), testing::ExitedWithCode(1), removing_dump("module name: gin\\.\n4\\) line number in that module: 1355\\."));
}

TEST(ButtonBox, TheCharacterTable) {
  std::string shown;
  for (char c : std::string("aZ09 \\|`{}~[]^_\t\x7f")) shown += button_box_character(static_cast<unsigned char>(c));
  EXPECT_EQ(shown, "AZ09 //'()-[]^_  ");
  EXPECT_EQ(button_box_character(200), ' ');
}

TEST(ButtonBox, WithoutOneNotConnectedIsReportedOnce) {
  testing::internal::CaptureStderr();
  display_button_box_text("hello world");
  display_button_box_text("again");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Error - display_button_box_text - button box not connected.\n");
}

}  // namespace
