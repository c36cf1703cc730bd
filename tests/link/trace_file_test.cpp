// Event trace files on a real X server: every event type written and read
// back, the header and screen geometry, the event names against X.h, damaged
// lines, and the replay of a file into the windows of a loaded program.
// Its panel and replay windows stay off the other tests' screen areas: an X
// server of its own.
#include "tests/support/own_display.h"  // first: before any display is opened
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <set>
#include <string>

#include "link/event_fields.h"
#include "link/gin.h"
#include "link/process_input_trace.h"
#include "link/trace_file.h"
#include "platform/posix_services.h"
#include "runtime/predefined.h"
#include "tests/link/link_fixture.h"
#include "tests/support/x_screen.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_window.h"

namespace {

using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;

constexpr uint8_t DISCONNECT = 109;

// Names of trace files still there: a death test's child ends through exit,
// which runs no destructor, so its files go at exit.
std::set<std::string>& live_temp_paths() {
  static std::set<std::string>* paths = [] {
    atexit([] {
      for (const std::string& p : live_temp_paths()) unlink(p.c_str());
    });
    return new std::set<std::string>;
  }();
  return *paths;
}

// A file name of the test's own, removed again.
struct TempPath {
  std::string path;
  TempPath() {
    char name[] = "/tmp/qob_trace_XXXXXX";
    int fd = mkstemp(name);
    close(fd);
    path = name;
    live_temp_paths().insert(path);
  }
  ~TempPath() {
    unlink(path.c_str());
    live_temp_paths().erase(path);
  }
  void write(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
  std::string read() const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

class TraceFiles : public link_test::OnScreen {
 protected:
  void SetUp() override {
    preset_posix_services();  // as the server starts: files written as bytes on Windows
    panel.create();
  }
  static Display* display() { return AppContext->ui_display; }
  Window root() const { return DefaultRootWindow(display()); }

  UIWindow panel{true, false, 700, "Panel", false};
  TempPath file;
};

// Every field of the type filled with values that show sign and width
// faults: negative numbers, windows and atoms with and without names.
XEvent sample_event(int type, Window window, Window other, Atom named, int format) {
  XEvent e{};
  e.type = type;
  e.xany.display = AppContext->ui_display;
  e.xany.window = window;
  e.xany.serial = 0x1234;
  e.xany.send_event = True;
  const event_layout* layout = layout_of(type);
  for (int i = 0; i < layout->count; ++i) {
    const event_field& f = layout->fields[i];
    switch (f.kind) {
      case FIELD_WINDOW: *window_field(&e, f) = i % 3 == 0 ? other : i % 3 == 1 ? window : None; break;
      case FIELD_NUMBER: set_field(&e, f, uint32_t(-5 - 3 * i)); break;
      case FIELD_FLAG: set_field(&e, f, 1); break;
      case FIELD_ATOM: *atom_field(&e, f) = i % 2 == 0 ? named : None; break;
      case FIELD_KEY_VECTOR:
        for (int k = 0; k < 32; ++k) e.xkeymap.key_vector[k] = char(k * 9);
        break;
      case FIELD_CLIENT_DATA:
        e.xclient.format = format;
        for (int k = 0; k < 20; ++k) e.xclient.data.b[k] = char(-k);
        if (format == 16)
          for (int k = 0; k < 10; ++k) e.xclient.data.s[k] = short(-300 * k);
        if (format == 32)
          for (int k = 0; k < 5; ++k) e.xclient.data.l[k] = -100000L * k;
        break;
    }
  }
  if (type == KeyPress) {  // as the dispatch marks a looked-up key
    e.xkey.keycode = KEY_LOOKED_UP;
    e.xkey.x_root = 'q';
    e.xkey.y_root = XK_q;
  }
  return e;
}

void expect_same_fields(const XEvent& want, const XEvent& got, const std::string& what) {
  EXPECT_EQ(got.type, want.type) << what;
  EXPECT_EQ(got.xany.window, want.xany.window) << what;
  EXPECT_EQ(got.xany.serial, want.xany.serial) << what;
  EXPECT_EQ(got.xany.send_event, want.xany.send_event) << what;
  const event_layout* layout = layout_of(want.type);
  for (int i = 0; i < layout->count; ++i) {
    const event_field& f = layout->fields[i];
    switch (f.kind) {
      case FIELD_WINDOW: EXPECT_EQ(get_window_field(&got, f), get_window_field(&want, f)) << what << " field " << i; break;
      case FIELD_ATOM:
        EXPECT_EQ(*atom_field(const_cast<XEvent*>(&got), f), *atom_field(const_cast<XEvent*>(&want), f))
            << what << " field " << i;
        break;
      case FIELD_KEY_VECTOR:
        EXPECT_EQ(0, memcmp(got.xkeymap.key_vector, want.xkeymap.key_vector, 32)) << what;
        break;
      case FIELD_CLIENT_DATA:
        EXPECT_EQ(got.xclient.format, want.xclient.format) << what;
        if (want.xclient.format == 32)
          for (int k = 0; k < 5; ++k) EXPECT_EQ(got.xclient.data.l[k], want.xclient.data.l[k]) << what;
        else if (want.xclient.format == 16)
          for (int k = 0; k < 10; ++k) EXPECT_EQ(got.xclient.data.s[k], want.xclient.data.s[k]) << what;
        else
          EXPECT_EQ(0, memcmp(got.xclient.data.b, want.xclient.data.b, 20)) << what;
        break;
      default: EXPECT_EQ(get_field(&got, f), get_field(&want, f)) << what << " field " << i;
    }
  }
}

TEST_F(TraceFiles, EveryEventTypeIsReadBackAsWritten) {
  Atom named = XInternAtom(display(), "QOB TRACE atom with blanks", False);
  std::vector<XEvent> events;
  for (int type = FIRST_EVENT_TYPE; type <= LAST_EVENT_TYPE; ++type) {
    if (type == ClientMessage) {
      for (int format : {8, 16, 32}) events.push_back(sample_event(type, panel.x_window, root(), named, format));
    } else {
      events.push_back(sample_event(type, panel.x_window, root(), named, 8));
    }
  }
  {
    TraceFile out(file.path.c_str(), "w");
    for (size_t i = 0; i < events.size(); ++i) out.write_event(&events[i], i % 2 == 0);
  }
  TraceFile in(file.path.c_str(), "r");
  for (size_t i = 0; i < events.size(); ++i) {
    XEvent got;
    bool wanted = false;
    ASSERT_EQ(in.read_event(&got, &wanted), TRACE_EVENT) << i;
    EXPECT_EQ(wanted, i % 2 == 0);
    expect_same_fields(events[i], got, get_event_name(events[i].type));
  }
  XEvent end;
  bool wanted;
  EXPECT_EQ(in.read_event(&end, &wanted), TRACE_END);
}

TEST_F(TraceFiles, ARecordedFileStartsWithTheHeaderAndTheScreenGeometry) {
  { TraceFile out(file.path.c_str(), "w"); }
  int screen = DefaultScreen(display());
  char geometry[96];
  snprintf(geometry, sizeof geometry, "ScreenGeometry %d %d %d %d\n", DisplayWidthMM(display(), screen),
           DisplayWidth(display(), screen), DisplayHeightMM(display(), screen), DisplayHeight(display(), screen));
  EXPECT_EQ(file.read(), std::string("# Vorq QOBS trace file, created by QOBS version 11.1596 2003/08/06.\n") + geometry);
  EXPECT_EQ(strlen(TRACE_HEADER), 68u);
}

TEST_F(TraceFiles, EventNamesAreTheCoreProtocolCodes) {
  const std::pair<const char*, int> names[] = {
      {"KeyPress", KeyPress}, {"KeyRelease", KeyRelease}, {"ButtonPress", ButtonPress},
      {"ButtonRelease", ButtonRelease}, {"MotionNotify", MotionNotify}, {"EnterNotify", EnterNotify},
      {"LeaveNotify", LeaveNotify}, {"FocusIn", FocusIn}, {"FocusOut", FocusOut},
      {"KeymapNotify", KeymapNotify}, {"Expose", Expose}, {"GraphicsExpose", GraphicsExpose},
      {"NoExpose", NoExpose}, {"VisibilityNotify", VisibilityNotify}, {"CreateNotify", CreateNotify},
      {"DestroyNotify", DestroyNotify}, {"UnmapNotify", UnmapNotify}, {"MapNotify", MapNotify},
      {"MapRequest", MapRequest}, {"ReparentNotify", ReparentNotify}, {"ConfigureNotify", ConfigureNotify},
      {"ConfigureRequest", ConfigureRequest}, {"GravityNotify", GravityNotify},
      {"ResizeRequest", ResizeRequest}, {"CirculateNotify", CirculateNotify},
      {"CirculateRequest", CirculateRequest}, {"PropertyNotify", PropertyNotify},
      {"SelectionClear", SelectionClear}, {"SelectionRequest", SelectionRequest},
      {"SelectionNotify", SelectionNotify}, {"ColormapNotify", ColormapNotify},
      {"ClientMessage", ClientMessage}, {"MappingNotify", MappingNotify},
  };
  for (const auto& [name, code] : names) {
    EXPECT_EQ(get_event_type(name), code) << name;
    EXPECT_STREQ(get_event_name(code), name);
  }
  EXPECT_EQ(get_event_type("GenericEvent"), 0);
  EXPECT_EQ(get_event_name(LASTEvent), nullptr);
}

TEST_F(TraceFiles, AnEventWithoutANameOrWindowIsNotRecorded) {
  {
    TraceFile out(file.path.c_str(), "w");
    XEvent device = sample_event(ButtonPress, panel.x_window, root(), None, 8);
    device.type = LASTEvent + 3;  // an extension device event
    out.write_event(&device, false);
    XEvent stranger = sample_event(ButtonPress, root() + 12345, root(), None, 8);
    out.write_event(&stranger, false);
  }
  std::string text = file.read();
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
}

// Lines as a damaged or hand-edited file may hold them.
struct line_case {
  const char* text;
  int first, second;  // results of the first two reads
};

TEST_F(TraceFiles, DamagedLinesAreReportedAndKnownKindsAreRead) {
  std::string too_long(300, 'x');
  std::string long_atom = "Panel PropertyNotify 0 1 0 401 " + std::string(0x401, 'a') + " 0 0\n";
  const std::string good = "Panel FocusIn 0 1 0 1 2\n";
  const line_case cases[] = {
      {"# only a comment\n\n \t\r\n", TRACE_END, TRACE_END},
      {"Break\nPanel FocusIn 0 1 0 1 2\n", TRACE_BREAK, TRACE_EVENT},
      {"Nowhere FocusIn 0 1 0 1 2\n", TRACE_ERROR, TRACE_END},
      {"Info FocusIn 0 1 0 1 2\nBalloonHelp Expose 0 1 0 1 2 3 4 5\nPanel FocusIn 0 1 0 1 2", TRACE_EVENT, TRACE_END},
      {"Panel FocusIn 0 1 0 1\nPanel FocusIn 0 1 0 1 2\n", TRACE_BAD_LINE, TRACE_EVENT},
      {"Panel FocusIn 0 1 0 1 2 3\n", TRACE_BAD_LINE, TRACE_END},
      {"Panel Bogus 0 1 0\n", TRACE_BAD_LINE, TRACE_END},
      {"Panel FocusIn 2 1 0 1 2\n", TRACE_BAD_LINE, TRACE_END},
      {"Panel FocusIn 0 123456789 0 1 2\n", TRACE_BAD_LINE, TRACE_END},
      {"Panel FocusIn 0 1 0 -1 2\n", TRACE_BAD_LINE, TRACE_END},
      {"Panel PropertyNotify 0 1 0 5 ab\n", TRACE_BAD_LINE, TRACE_END},
      {"ScreenGeometry 300 1280\nPanel FocusIn 0 1 0 1 2\n", TRACE_EVENT, TRACE_END},
      {"ScreenGeometry 300 1280 240 1024\nPanel FocusIn 0 1 0 1 2\n", TRACE_EVENT, TRACE_END},
  };
  for (const line_case& c : cases) {
    file.write(c.text);
    TraceFile in(file.path.c_str(), "r");
    XEvent e;
    bool wanted;
    EXPECT_EQ(in.read_event(&e, &wanted), c.first) << c.text;
    if (c.first != TRACE_BAD_LINE && c.first != TRACE_ERROR) {
      EXPECT_EQ(in.read_event(&e, &wanted), c.second) << c.text;
    }
  }
  for (const std::string& text : {too_long + " FocusIn 0 1 0 1 2\n", long_atom, std::string("Panel FocusIn 0 1\n0 1 2\n")}) {
    file.write(text);
    TraceFile in(file.path.c_str(), "r");
    XEvent e;
    bool wanted;
    EXPECT_EQ(in.read_event(&e, &wanted), TRACE_BAD_LINE) << text.substr(0, 40);
  }
}

TEST_F(TraceFiles, AFileThatCannotBeOpenedEndsTheServer) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(TraceFile("/nonexistent/dir/trace", "r"), testing::ExitedWithCode(1),
              "Error - failed to open trace file '/nonexistent/dir/trace' - No such file or directory.");
}

// ---- Replay into a loaded program ----------------------------------------------------

class Replay : public link_test::ShownProgram {
 protected:
  TempPath file;

  // Key 'x' runs DISCONNECT unconnected: a run-time error that ends the server.
  void add_more() override {
    uint32_t failing_action = program.code().offset();
    program.code().op(DISCONNECT).release();
    program.shortcut('x') = g_shortcut{failing_action, 0, 0, shortcut_target};
  }
  // A key pressed on the main window, through the X server and the intake.
  void press(KeySym symbol) {
    XEvent e{};
    e.type = KeyPress;
    e.xkey.display = AppContext->ui_display;
    e.xkey.window = record_of(global(main_window))->ui_window->x_window;
    e.xkey.root = DefaultRootWindow(AppContext->ui_display);
    e.xkey.keycode = XKeysymToKeycode(AppContext->ui_display, symbol);
    e.xkey.same_screen = True;
    XSendEvent(AppContext->ui_display, e.xkey.window, False, 0, &e);
    XSync(AppContext->ui_display, False);
    while (XPending(AppContext->ui_display) > 0) check_for_events(AppContext->ui_display);
  }
  void TearDown() override {
    close_output_trace();
    cleanup_input_trace();
    ShownProgram::TearDown();
  }
  // Replay steps with the window events served between them.
  void step(int n) {
    for (int i = 0; i < n; ++i) {
      process_events();
      process_input_trace(true);
    }
  }
};

TEST_F(Replay, ARecordedKeyIsOnFileAtOnceAndReplaysToTheSameAction) {
  open_output_trace(file.path.c_str());
  press(XK_q);
  EXPECT_EQ(global(hits)->val.i, 7);
  std::string text = file.read();  // flushed: a killed server leaves the line
  EXPECT_NE(text.find("\nmain KeyPress 0 "), std::string::npos) << text;
  EXPECT_NE(text.find(" 12345678 1\n"), std::string::npos) << "the marker with the looked-up key";
  close_output_trace();
  global(hits)->val.i = 0;
  preset_input_trace(file.path.c_str());
  step(20);
  EXPECT_EQ(global(hits)->val.i, 7);
}

TEST_F(Replay, AnEventWhoseActionEndsTheServerIsStillRecorded) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the GL threads make fork unsafe
  // The re-run child of the death test (under Windows a process of its own)
  // records into its parent's file, named in the environment it inherits.
  bool child = !GTEST_FLAG_GET(internal_run_death_test).empty();
  const char* named = getenv("QOB_TRACE_EXIT_FILE");
  std::string path = child && named != nullptr ? named : "/tmp/qob_trace_exit_" + std::to_string(getpid());
  static std::string setting;
  setting = "QOB_TRACE_EXIT_FILE=" + path;
  putenv(setting.data());
  open_output_trace(path.c_str());
  EXPECT_EXIT(press(XK_x), testing::ExitedWithCode(1), "Not connected");
  close_output_trace();
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  unlink(path.c_str());
  EXPECT_NE(text.str().find("main KeyPress 0 "), std::string::npos) << text.str();
}

// A key recorded on another keyboard: its keycode is the marker and the
// character and keysym travel in x_root and y_root.
const char* const KEY_Q = "main KeyPress 0 1 0 RootUI 0 10 5 5 71 71 0 12345678 1\n";

TEST_F(Replay, AReplayedKeyActsThroughItsStoredKeysym) {
  file.write(std::string(TRACE_HEADER) + KEY_Q);
  preset_input_trace(file.path.c_str());
  EXPECT_NE(UIWindow::get_window("TraceControl"), 0u);
  step(20);
  EXPECT_EQ(global(hits)->val.i, 7);
  EXPECT_EQ(UIWindow::get_window("TraceControl"), 0u) << "the end of the file removes the replay window";
}

TEST_F(Replay, ABreakStopsTheReplayUntilRunIsCheckedAgain) {
  file.write(std::string(TRACE_HEADER) + "Break\n" + KEY_Q);
  preset_input_trace(file.path.c_str());
  step(20);
  EXPECT_EQ(global(hits)->val.i, 0);
  EXPECT_FALSE(input_trace_running());
  change_run(0, true);
  step(20);
  EXPECT_EQ(global(hits)->val.i, 7);
}

TEST_F(Replay, EventsOfUnknownOrHiddenWindowsAreHandledAsTheFileSays) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // the GL threads make fork unsafe
  file.write(std::string(TRACE_HEADER) + "Nowhere KeyPress 0 1 0 RootUI 0 10 5 5 71 71 0 12345678 1\n");
  preset_input_trace(file.path.c_str());
  EXPECT_EXIT(step(5), testing::ExitedWithCode(1), "Trace file error - unrecognized window");
  cleanup_input_trace();
  file.write(std::string(TRACE_HEADER) + "main FocusIn 0 1 0 1 2 3\n");
  preset_input_trace(file.path.c_str());
  EXPECT_EXIT(step(5), testing::ExitedWithCode(1), "Error - bad trace file line 2.");
  cleanup_input_trace();
  make_window_invisible(global(main_window));
  file.write(std::string(TRACE_HEADER) + KEY_Q);
  preset_input_trace(file.path.c_str());
  testing::internal::CaptureStderr();
  step(10);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("which is not currently visible, has been ignored"),
            std::string::npos);
  EXPECT_EQ(global(hits)->val.i, 0);
}

TEST_F(Replay, EventsOfTheToolkitsOwnWindowsAreDispatchedOnceMapped) {
  // A click on "real time" of the replay window itself, then a key.
  file.write(std::string(TRACE_HEADER) + "TraceControl ButtonPress 1 1 0 RootUI 0 10 a a a a 0 1 1\n" +
             "TraceControl ButtonRelease 1 1 0 RootUI 0 11 a a a a 100 1 1\n" + KEY_Q);
  preset_input_trace(file.path.c_str());
  EXPECT_TRUE(input_trace_running());
  for (int i = 0; i < 500 && global(hits)->val.i == 0; ++i) {
    step(1);
    usleep(2000);
  }
  EXPECT_EQ(global(hits)->val.i, 7) << "no window type mismatch";
  change_speed(0, false);
}

TEST_F(Replay, RealTimeReplayKeepsTheRecordedSpacingAcrossATimeWrap) {
  // Two keys 300 ms apart, the second after the 32-bit time wrapped.
  file.write(std::string(TRACE_HEADER) + "main KeyPress 0 1 0 RootUI 0 ffffff00 5 5 71 71 0 12345678 1\n" +
             "main KeyRelease 0 1 0 RootUI 0 2c 5 5 71 71 0 12345678 1\n");
  preset_input_trace(file.path.c_str());
  change_speed(0, true);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 400 && UIWindow::get_window("TraceControl") != 0; ++i) {
    step(1);
    usleep(5000);
  }
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(UIWindow::get_window("TraceControl"), 0u);
  EXPECT_GE(ms, 280.0) << "paced by the recorded times, not run backwards";
  EXPECT_EQ(global(hits)->val.i, 7);
}

}  // namespace
