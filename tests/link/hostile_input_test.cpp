// Outside input sent to the real server: client messages that any X client
// may send, a button that takes itself away, colour-editor values out of
// range and children sharing the server's standard streams. The server must
// go on serving and end only as its YARL program says.
#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <bit>
#include <chrono>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "runtime/widget_builders.h"
#include "tests/link/link_fixture.h"
#include "tests/support/own_x_server.h"
#include "tests/support/runner.h"

namespace {

using namespace std::chrono_literals;
using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;
namespace op = link_test::op;
constexpr uint8_t ASSIGN_ARRAY = 9, MARK = 51, PUSH_ARRAY = 57, PUSH_LEN = 108;

// A visible window of one MENU with these items, redisplayed when the
// displayed globals change.
uint16_t add_window(yarl::YarlProgram& p, const char* name, std::initializer_list<menu_item> items,
                    const std::vector<uint16_t>& displayed = {}) {
  ident_info menu = make_ident(K_MENU);
  if (!displayed.empty()) {
    std::vector<uint16_t> refs;
    for (uint16_t g : displayed) refs.push_back(yarl::ref16(GLOBAL, g));
    menu.code_offset = p.add_list(refs);
  }
  menu.word6 = uint16_t(items.size());
  bool first = true;
  for (const menu_item& it : items) {
    uint32_t index = p.add_item(it);
    if (first) menu.count = index;
    first = false;
  }
  ident_info w = make_ident(K_MENU_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 1 << 12;
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  return p.add(GLOBAL, w, name);
}

menu_item label(yarl::YarlProgram& p, int16_t x, int16_t y) {
  menu_item it = make_item(ITEM_LABEL);
  it.value_kind = K_STRING;
  it.head8 = 9;
  it.flags = ITEM_ORIGIN;
  it.x = x;
  it.y = y;
  it.code_offset = p.code().offset();
  p.code().push_string("still here").release();
  return it;
}

// The program's way out: key 'q' arms the exit code 42, and the window
// manager's close request (shortcut 255) exits with the armed code, 0 unarmed.
struct ExitOnClose {
  uint16_t armed;
  explicit ExitOnClose(yarl::YarlProgram& p) : armed(p.add(GLOBAL, make_ident(K_INTEGER), "armed")) {
    uint16_t target = p.add(GLOBAL, make_ident(K_SUB_WINDOW), "target");
    uint32_t arm = p.code().offset();
    p.code().push(42).assign(GLOBAL, armed).release();
    uint32_t close = p.code().offset();
    p.code().push_var(GLOBAL, armed).op(yarl::op::EXIT);
    p.shortcut('q') = g_shortcut{arm, 0, 0, target};
    p.shortcut(255) = g_shortcut{close, 0, 0, target};
  }
};

// The test's own client of the server's display.
class Client {
 public:
  explicit Client(Display* d) : d_(d) {}

  // The server's top-level window of that name, once mapped; None after 40 s.
  Window find_shown(const char* name) {
    for (auto until = std::chrono::steady_clock::now() + 40s; std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(50ms)) {
      Window root = DefaultRootWindow(d_), parent, *children = nullptr;
      unsigned n = 0;
      if (!XQueryTree(d_, root, &root, &parent, &children, &n)) continue;
      Window found = None;
      for (unsigned i = 0; i < n && found == None; ++i) {
        XClassHint hint{};
        if (!XGetClassHint(d_, children[i], &hint)) continue;
        XWindowAttributes a;
        if (strcmp(hint.res_name, name) == 0 && XGetWindowAttributes(d_, children[i], &a) &&
            a.map_state == IsViewable)
          found = children[i];
        XFree(hint.res_name);
        XFree(hint.res_class);
      }
      if (children != nullptr) XFree(children);
      if (found != None) return found;
    }
    return None;
  }
  Atom atom(const char* name) { return XInternAtom(d_, name, False); }
  void message(Window w, const char* type, int format, long word) {
    XEvent e{};
    e.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = atom(type);
    e.xclient.format = format;
    if (format == 16) e.xclient.data.s[2] = short(word);
    else e.xclient.data.l[0] = word;
    send(w, e);
  }
  void protocol(Window w, const char* name) { message(w, "WM_PROTOCOLS", 32, long(atom(name))); }
  void key(Window w, KeySym symbol) {
    XEvent e{};
    e.type = KeyPress;
    e.xkey.window = w;
    e.xkey.root = DefaultRootWindow(d_);
    e.xkey.x = e.xkey.y = 2;
    e.xkey.keycode = XKeysymToKeycode(d_, symbol);
    e.xkey.same_screen = True;
    send(w, e);
  }
  void click(Window w, int x, int y) {
    for (int type : {ButtonPress, ButtonRelease}) {
      XEvent e{};
      e.type = type;
      e.xbutton.window = w;
      e.xbutton.root = DefaultRootWindow(d_);
      e.xbutton.x = x;
      e.xbutton.y = y;
      e.xbutton.button = Button1;
      e.xbutton.state = type == ButtonRelease ? Button1Mask : 0;
      e.xbutton.same_screen = True;
      send(w, e);
    }
  }

 private:
  void send(Window w, XEvent& e) {
    XSendEvent(d_, w, False, 0, &e);
    XFlush(d_);
  }
  Display* d_;
};

// Runs the program on an X server of its own and lets `act` talk to its
// window "main"; the server must then end with the exit code 42.
void expect_exit_42_after(yarl::YarlProgram& p, const std::function<void(Client&, Window)>& act) {
  TempDir dir;
  ASSERT_TRUE(p.write(dir.file("app.b")));
  ServerOnOwnDisplay server;
  ASSERT_TRUE(server.x_started());
  ASSERT_TRUE(server.start(dir.file("app.b"), dir, 60));
  Client client(server.display());
  Window main = client.find_shown("main");
  ASSERT_NE(main, None) << server.finish().err;
  act(client, main);
  const RunResult& r = server.wait();
  EXPECT_EQ(r.exit_code, 42) << r.err;
  EXPECT_EQ(r.err.find("nternal error"), std::string::npos) << r.err;
}

TEST(HostileInput, ClientMessagesOfAnyClientNeitherStopNorCloseTheServer) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  ExitOnClose way_out(p);
  add_window(p, "main", {label(p, 0, 0)});
  expect_exit_42_after(p, [](Client& c, Window main) {
    // A space-mouse driver would have made these atoms.
    for (const char* name : {"MotionEvent", "ButtonPressEvent", "ButtonReleaseEvent", "SpaceballMotionEventType",
                             "SpaceballButtonPressEventType", "SpaceballButtonReleaseEventType"})
      c.atom(name);
    for (long button : {1000L, 0L, -5L, 11L, 3L}) {
      c.message(main, "SpaceballButtonPressEventType", 16, button);
      c.message(main, "SpaceballButtonReleaseEventType", 16, button);
      c.message(main, "ButtonPressEvent", 16, button);
    }
    c.message(main, "SpaceballMotionEventType", 16, 32767);
    c.protocol(main, "WM_TAKE_FOCUS");  // no close request: the code is not armed yet
    c.message(main, "QOB_TEST_FOREIGN_MESSAGE", 32, 0);
    c.key(main, XK_q);
    c.protocol(main, "WM_DELETE_WINDOW");
  });
}

TEST(HostileInput, AButtonWhoseActionRemovesItLeavesTheServerServing) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  ExitOnClose way_out(p);
  ident_info texts = make_ident(K_ARRAY + K_STRING);
  texts.word2 = 4;
  uint16_t labels = p.add(GLOBAL, texts, "labels");
  p.initial_code().push_string("Go").op(ASSIGN_ARRAY).ref(GLOBAL, labels);
  // One button per element of `labels`; its action empties the array, which
  // takes the pressed button away, and arms the exit code.
  menu_item go = make_item(ITEM_BUTTON);
  go.value_kind = K_ARRAY + K_STRING;
  go.head8 = 9;
  go.flags = ITEM_ORIGIN | ITEM_SIZE_X | ITEM_SIZE_Y | ITEM_HAS_ACTION;
  go.width = 80;
  go.height = 24;
  go.code_offset = p.code().offset();
  p.code().op(MARK).op(PUSH_ARRAY).ref(GLOBAL, labels).op(PUSH_LEN).release();
  go.action_offset = p.code().offset();
  p.code().op(ASSIGN_ARRAY).ref(GLOBAL, labels).push(42).assign(GLOBAL, way_out.armed).release();
  add_window(p, "main", {go, label(p, 0, 40)}, {labels});
  expect_exit_42_after(p, [](Client& c, Window main) {
    c.click(main, 20, 10);
    c.click(main, 20, 10);  // nothing there any more
    c.protocol(main, "WM_DELETE_WINDOW");
  });
}

// ---- Colour-editor values from YARL ----

struct EditorValues {
  const char* name;
  int32_t model;
  float rgb[3];
  const char* message;
};

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();

const EditorValues bad_editor_values[] = {
    {"ModelAboveSix", 7, {0.5f, 0.5f, 0.5f}, "Color model must be 0 <= model <= 6 in COLOR_EDITOR"},
    {"NegativeModel", -1, {0.5f, 0.5f, 0.5f}, "Color model must be 0 <= model <= 6 in COLOR_EDITOR"},
    {"RedAboveOne", 4, {1.5f, 0, 0}, "Red must be 0 <= red <= 1 in COLOR_EDITOR"},
    {"GreenBelowZero", 1, {0, -0.25f, 0}, "Green must be 0 <= green <= 1 in COLOR_EDITOR"},
    {"BlueNotANumber", 6, {0, 0, NaN}, "Blue must be 0 <= blue <= 1 in COLOR_EDITOR"},
};

void PrintTo(const EditorValues& v, std::ostream* os) { *os << v.name; }

class ColourEditorValues : public testing::TestWithParam<EditorValues> {};

TEST_P(ColourEditorValues, OutOfRangeAreARunTimeErrorOfTheProgram) {
  const EditorValues& v = GetParam();
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  menu_item editor = make_item(ITEM_COLOR_EDITOR);
  editor.value_kind = K_REAL;
  editor.flags = ITEM_SIZE_X | ITEM_SIZE_Y;
  editor.width = 100;
  editor.height = 60;
  editor.code_offset = p.code().offset();
  p.code().push(v.model);
  for (float c : v.rgb) p.code().push_long(std::bit_cast<uint32_t>(c));
  p.code().release();
  add_window(p, "main", {editor});
  TempDir dir;
  ASSERT_TRUE(p.write(dir.file("app.b")));
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", dir.file("app.b")};
  options.timeout_seconds = 60;
  options.own_display = true;  // its window covers the whole screen
  RunResult r = run_program(options);
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_NE(r.err.find(v.message), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("qob terminated - YARL runtime error.\n"), std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("nternal error"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(FromYarl, ColourEditorValues, testing::ValuesIn(bad_editor_values),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Children sharing the server's standard streams ----

TEST(HostileInput, ChildrenOfProcess21AreReapedWhileTheServerRuns) {
  TempDir dir;
  // The application waits up to 20 s for the server to have no zombie
  // children, records how many it saw last, then answers the value request.
  write_file(dir.file("count.sh"),
             "for i in $(seq 100); do\n"
             "  n=$(cat /proc/[0-9]*/stat 2>/dev/null | awk -v p=$PPID '$4 == p && $3 == \"Z\"' | wc -l)\n"
             "  [ $n -eq 0 ] && break\n"
             "  sleep 0.2\n"
             "done\n"
             "echo $n > " + dir.file("zombies") + "\nexec " VALUE_APP "\n");
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t number = p.add(GLOBAL, make_ident(K_INTEGER), "number");
  uint16_t text = p.add(GLOBAL, make_ident(K_STRING), "text");
  uint16_t pid = p.add(GLOBAL, make_ident(K_INTEGER), "pid");
  yarl::Code& c = p.code();
  yarl::Label main = c.label();
  c.bind(main);
  for (int i = 0; i < 3; ++i) c.push_string("true").push(21).op(op::START_PROCESS).assign(GLOBAL, pid);
  c.push_string("sh " + dir.file("count.sh")).push(0).op(op::START_PROCESS).assign(GLOBAL, pid);
  c.push(0).op(op::EVENT_CODE).push(K_INTEGER).op(op::REPORT_TEK);
  c.op(op::READ_APPLICATION_VALUE).u8(2).ref(GLOBAL, number).ref(GLOBAL, text);
  c.push_var(GLOBAL, number).op(yarl::op::EXIT);
  p.initial_code().jump(main);
  ASSERT_TRUE(p.write(dir.file("app.b")));
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", dir.file("app.b")};
  options.timeout_seconds = 60;
  options.own_display = true;  // its window covers the whole screen
  RunResult r = run_program(options);
  EXPECT_EQ(r.exit_code, 42) << r.err;
  EXPECT_EQ(read_file(dir.file("zombies")), "0\n") << r.err;
}

}  // namespace
