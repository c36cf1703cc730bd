// The server under wine, end to end, on the stage's X server: the graphics
// window and a YARL window show where X puts them; a click sent through
// SendInput runs a button's action, which starts an application, reports to
// it and exits with its answer plus predefined 106 (offscreen drawing works);
// Shift+a typed into a text field gives "A"; the clipboard reaches X clients
// and comes back from them.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "base/checked_mm.h"
#include "platform/win/selections.h"
#include "runtime/tables.h"
#include "runtime/widget_builders.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace {

using namespace std::chrono_literals;
using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;
constexpr uint8_t EVENT_CODE = 110, REPORT_TEK = 115, START_PROCESS = 150, READ_APPLICATION_VALUE = 203,
                  SET_WINDOW_ATTRIBUTE = 196, ADD_INTEGER = 210, EQUAL = 216, TITLE = 43;
constexpr uint16_t OFFSCREEN_WORKS = 106;  // predefined variable

// "main" takes its place and size from the site resources, as the user left it.
constexpr int MAIN_X = 300, MAIN_Y = 200, MAIN_WIDTH = 240, MAIN_HEIGHT = 120;
constexpr uint16_t GEOMETRY_RESOURCES = 0x780;  // ORIGIN_X, ORIGIN_Y, SIZE_X, SIZE_Y
constexpr const char* MAIN_TITLE = "qob button window";

std::string main_geometry() {
  return "main.ORIGIN_X:\t" + std::to_string(MAIN_X) + "\nmain.ORIGIN_Y:\t" + std::to_string(MAIN_Y) +
         "\nmain.SIZE_X:\t" + std::to_string(MAIN_WIDTH) + "\nmain.SIZE_Y:\t" + std::to_string(MAIN_HEIGHT) + "\n";
}

// Starts the application, reports to it and leaves its INTEGER answer in `number`.
void ask_the_application(yarl::Code& c, uint16_t pid, uint16_t number, uint16_t answer) {
  c.push_string(VALUE_APP).push(0).op(START_PROCESS).assign(GLOBAL, pid);
  c.push(0).op(EVENT_CODE).push(K_INTEGER).op(REPORT_TEK);
  c.op(READ_APPLICATION_VALUE).u8(2).ref(GLOBAL, number).ref(GLOBAL, answer);
}

// A visible window "main" holding one button at its origin, 80 x 24, whose
// action talks to the application and exits.
yarl::YarlProgram button_program() {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t pid = p.add(GLOBAL, make_ident(K_INTEGER), "pid");
  uint16_t number = p.add(GLOBAL, make_ident(K_INTEGER), "number");
  uint16_t answer = p.add(GLOBAL, make_ident(K_STRING), "answer");
  menu_item go = make_item(ITEM_BUTTON);
  go.value_kind = K_STRING;
  go.head8 = 9;
  go.flags = ITEM_ORIGIN | ITEM_SIZE_X | ITEM_SIZE_Y | ITEM_HAS_ACTION;
  go.width = 80;
  go.height = 24;
  yarl::Code& c = p.code();
  go.code_offset = c.offset();
  c.push_string("Go").release();
  go.action_offset = c.offset();
  ask_the_application(c, pid, number, answer);
  c.push_var(GLOBAL, number).push_var(GLOBAL, OFFSCREEN_WORKS).op(ADD_INTEGER).op(yarl::op::EXIT);

  ident_info menu = make_ident(K_MENU);
  menu.word6 = 1;
  menu.count = p.add_item(go);
  ident_info w = make_ident(K_MENU_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 1 << 12 | GEOMETRY_RESOURCES;
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  yarl::Code& init = p.window_initial_code();
  w.code_offset = init.offset();
  uint16_t main = p.next_index(GLOBAL);
  init.push_string(MAIN_TITLE).op(SET_WINDOW_ATTRIBUTE).ref(GLOBAL, main).u8(TITLE).release();
  p.add(GLOBAL, w, "main");
  return p;
}

// "main" holding a text field at its origin; Return starts the application,
// reports to it and exits with its answer 42 when the field holds `expected`, else 1.
yarl::YarlProgram text_field_program(const char* expected) {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  uint16_t typed = p.add(GLOBAL, make_ident(K_STRING), "typed");
  uint16_t pid = p.add(GLOBAL, make_ident(K_INTEGER), "pid");
  uint16_t number = p.add(GLOBAL, make_ident(K_INTEGER), "number");
  uint16_t answer = p.add(GLOBAL, make_ident(K_STRING), "answer");
  p.initial_code().push_string("").assign(GLOBAL, typed);
  yarl::Code& c = p.code();
  menu_item field = yarl::placed_item(p, ITEM_TEXT_FIELD, K_STRING, 0, 0);
  field.flags |= ITEM_SIZE_X;
  field.width = 200;
  field.head4 = yarl::ref16(GLOBAL, typed);
  c.push_var(GLOBAL, typed).release();
  field.action_offset = c.offset();
  yarl::Label wrong = c.label();
  ask_the_application(c, pid, number, answer);
  c.push_var(GLOBAL, typed).push_string(expected).op(EQUAL).u8(K_STRING).if_false(wrong);
  c.push_var(GLOBAL, number).op(yarl::op::EXIT);
  c.bind(wrong).exit_program(1);
  uint16_t main = yarl::add_menu_window(p, "main", {field}, {}, 0);
  p.ident(GLOBAL, main).word2 |= GEOMETRY_RESOURCES;
  return p;
}

struct shown {
  HWND window;
  RECT client;  // in screen coordinates
};

// The visible top-level windows of process `pid`.
std::vector<shown> windows_of(DWORD pid) {
  struct search {
    DWORD pid;
    std::vector<shown> found;
  } s{pid, {}};
  EnumWindows(
      [](HWND w, LPARAM l) -> BOOL {
        search& s = *reinterpret_cast<search*>(l);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        RECT r;
        if (owner == s.pid && IsWindowVisible(w) && GetClientRect(w, &r)) {
          POINT origin{0, 0};
          ClientToScreen(w, &origin);
          s.found.push_back({w, {origin.x, origin.y, origin.x + r.right, origin.y + r.bottom}});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

int area(const RECT& r) { return (r.right - r.left) * (r.bottom - r.top); }

// Where X puts the graphics window, which asks for the whole screen at (0, 0):
// its frame cannot lie above or left of the work area, and its client area
// keeps the screen's size (the frame reaches past the screen's bottom).
RECT graphics_placement() {
  RECT edges{0, 0, 0, 0}, work{};
  AdjustWindowRectEx(&edges, WS_OVERLAPPEDWINDOW, FALSE, 0);
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const int left = work.left - edges.left, top = work.top - edges.top;
  return {left, top, left + GetSystemMetrics(SM_CXSCREEN), top + GetSystemMetrics(SM_CYSCREEN)};
}

void click_at(int x, int y) {
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT in[3] = {};
  for (INPUT& i : in) i.type = INPUT_MOUSE;
  in[0].mi.dx = LONG(x * 65535 / (width - 1));
  in[0].mi.dy = LONG(y * 65535 / (height - 1));
  in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &in[0], sizeof(INPUT));
  std::this_thread::sleep_for(100ms);
  SendInput(2, &in[1], sizeof(INPUT));
}

void key(WORD code, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = code;
  in.ki.wScan = WORD(MapVirtualKeyA(code, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
  std::this_thread::sleep_for(50ms);
}

void tap(WORD code) {
  key(code, false);
  key(code, true);
}

void with_control(WORD code) {
  key(VK_CONTROL, false);
  tap(code);
  key(VK_CONTROL, true);
}

// Lower-case letters and spaces.
void type(const std::string& text) {
  for (char ch : text) tap(ch == ' ' ? WORD(VK_SPACE) : WORD(VkKeyScanA(ch) & 0xFF));
}

// What only the Linux side can do, asked of linux_side.sh: the request goes
// into the file QOB_LINUX_REQUEST names, the answer comes back beside it.
std::string ask_linux_side(const std::string& request) {
  const char* file = getenv("QOB_LINUX_REQUEST");
  if (file == nullptr) return "<not run by linux_side.sh>";
  const std::string answer = std::string(file) + ".answer", fresh = std::string(file) + ".new";
  DeleteFileA(answer.c_str());
  write_file(fresh, request);
  MoveFileExA(fresh.c_str(), file, MOVEFILE_REPLACE_EXISTING);
  for (auto until = std::chrono::steady_clock::now() + 30s; std::chrono::steady_clock::now() < until;
       std::this_thread::sleep_for(50ms)) {
    if (GetFileAttributesA(answer.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    std::string got = read_file(answer);
    DeleteFileA(answer.c_str());
    return got;
  }
  return "<no answer>";
}

// The X selection CLIPBOARD as an X client reads it, once it is `wanted` or after 10 s.
std::string x_clipboard_once(const std::string& wanted) {
  std::string got;
  for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;
       std::this_thread::sleep_for(200ms)) {
    got = ask_linux_side("read");
    if (got == wanted) break;
  }
  return got;
}

// The system clipboard's text, "" when it holds none.
std::string clipboard_text() {
  char* text = nullptr;
  size_t length = 0;
  if (!Lx_GetClipboardText(nullptr, &text, &length)) return "";
  std::string got(text, length);
  CheckedFree(text);
  return got;
}

// Waits up to 10 s until the system clipboard holds `wanted`.
bool clipboard_becomes(const std::string& wanted) {
  for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;
       std::this_thread::sleep_for(100ms))
    if (clipboard_text() == wanted) return true;
  return clipboard_text() == wanted;
}

// What a run showed: the graphics window and "main" (the smaller), as first seen.
struct shown_windows {
  RunResult result;
  std::vector<shown> seen;
  const shown& main() const { return area(seen[0].client) < area(seen[1].client) ? seen[0] : seen[1]; }
  const shown& graphics() const { return &main() == &seen[0] ? seen[1] : seen[0]; }
};

// Runs the server on `program` with "main" placed by the site resources; once
// both windows show, `work` gets "main" with the focus, on a thread of its own.
shown_windows run_shown(const yarl::YarlProgram& program, const std::function<void(const shown& main)>& work) {
  shown_windows run;
  TempDir dir;
  EXPECT_TRUE(program.write(dir.file("ui.b")));
  write_file(dir.file("site"), main_geometry());
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-s", dir.file("site"), "-u", "ui.b"};
  options.directory = dir.path();
  options.timeout_seconds = 90;
  options.while_running = [&run, &work](long pid) {
    for (auto until = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(200ms)) {
      run.seen = windows_of(DWORD(pid));
      if (run.seen.size() >= 2) break;
    }
    if (run.seen.size() < 2) return;
    std::this_thread::sleep_for(500ms);  // the first drawing
    SetForegroundWindow(run.main().window);
    work(run.main());
  };
  run.result = run_program(options);
  return run;
}

// Both client areas are where X put them: "main" at its resources' geometry,
// the graphics window as the system placed the screen-sized window.
void expect_x_geometry(const shown_windows& run) {
  const RECT main = run.main().client, graphics = run.graphics().client, placed = graphics_placement();
  EXPECT_EQ(main.left, MAIN_X);
  EXPECT_EQ(main.top, MAIN_Y);
  EXPECT_EQ(main.right - main.left, MAIN_WIDTH);
  EXPECT_EQ(main.bottom - main.top, MAIN_HEIGHT);
  EXPECT_EQ(graphics.left, placed.left);
  EXPECT_EQ(graphics.top, placed.top);
  EXPECT_EQ(graphics.right, placed.right);
  EXPECT_EQ(graphics.bottom, placed.bottom);
}

// Runs the button program; `click` gets the screen position of a point of the
// button and is called again until the server ends (at most five times).
void expect_exit_with_reply_after(const std::function<void(int x, int y)>& click) {
  shown_windows run = run_shown(button_program(), [&click](const shown& main) {
    for (int attempt = 0; attempt < 5 && IsWindow(main.window); ++attempt) {
      click(main.client.left + 20, main.client.top + 10);
      std::this_thread::sleep_for(2s);
    }
  });
  const RunResult& r = run.result;
  ASSERT_GE(run.seen.size(), 2u) << "graphics window and main did not show\n" << r.err;
  expect_x_geometry(run);
  EXPECT_FALSE(r.timed_out) << r.err;
  EXPECT_EQ(r.exit_code, 42 + 1) << "the answer 42 plus offscreen drawing 1\n" << r.err;
  EXPECT_EQ(r.err.find("nternal error"), std::string::npos) << r.err;
}

TEST(WindowsServer, AClickOnAButtonRunsItsActionAndTheServerExitsWithTheReply) {
  expect_exit_with_reply_after(click_at);
}

// The click from outside wine: xdotool on the Linux side clicks there, on
// the window X clients see with the title the server gave it.
TEST(WindowsServer, AnXdotoolClickDoesTheSame) {
  ASSERT_NE(getenv("QOB_LINUX_REQUEST"), nullptr) << "run by linux_side.sh";
  std::string title;
  expect_exit_with_reply_after([&title](int x, int y) {
    const std::string position = std::to_string(x) + " " + std::to_string(y);
    if (title.empty()) title = ask_linux_side("title " + position);
    EXPECT_EQ(ask_linux_side("click " + position), "done");
  });
  EXPECT_EQ(title, "WM_NAME(STRING) = \"" + std::string(MAIN_TITLE) + "\"");
}

TEST(WindowsServer, ShiftAInATextFieldGivesCapitalA) {
  shown_windows run = run_shown(text_field_program("A"), [](const shown& main) {
    click_at(main.client.left + 20, main.client.top + 8);
    std::this_thread::sleep_for(500ms);
    key(VK_SHIFT, false);
    key('A', false);
    key('A', true);
    key(VK_SHIFT, true);
    key(VK_RETURN, false);
    key(VK_RETURN, true);
  });
  const RunResult& r = run.result;
  ASSERT_GE(run.seen.size(), 2u) << r.err;
  expect_x_geometry(run);
  EXPECT_FALSE(r.timed_out) << r.err;
  EXPECT_EQ(r.exit_code, 42) << "42: the application answered and the field held \"A\"; 1: something else\n"
                             << r.err;
}

// Wine bridges its clipboard to the X selection CLIPBOARD: text copied in a
// field is read by an X client (xclip), and text an X client holds is pasted
// into the field.
TEST(WindowsServer, ClipboardTextGoesToXClientsAndComesBackFromThem) {
  ASSERT_NE(getenv("QOB_LINUX_REQUEST"), nullptr) << "run by linux_side.sh";
  // Wine's clipboard manager starts on the first use of the clipboard.
  ASSERT_TRUE(Lx_SetClipboardText(nullptr, "warm", 4));
  ASSERT_EQ(x_clipboard_once("warm"), "warm") << "wine's clipboard does not reach X";

  std::string read_by_x, offered;
  bool arrived = false;
  shown_windows run = run_shown(text_field_program("copied pasted"), [&](const shown& main) {
    click_at(main.client.left + 20, main.client.top + 8);
    std::this_thread::sleep_for(300ms);
    type("copied");
    // Two presses at one place select the word; Ctrl+C copies it.
    click_at(main.client.left + 30, main.client.top + 8);
    click_at(main.client.left + 30, main.client.top + 8);
    with_control('C');
    read_by_x = x_clipboard_once("copied");
    offered = ask_linux_side("offer pasted");
    arrived = clipboard_becomes("pasted");
    tap(VK_END);
    type(" ");
    with_control('V');
    tap(VK_RETURN);
  });
  const RunResult& r = run.result;
  ASSERT_GE(run.seen.size(), 2u) << r.err;
  EXPECT_EQ(read_by_x, "copied");
  EXPECT_EQ(offered, "offered");
  EXPECT_TRUE(arrived) << "xclip's text did not reach wine's clipboard";
  EXPECT_FALSE(r.timed_out) << r.err;
  EXPECT_EQ(r.exit_code, 42) << "42: the field held \"copied pasted\"; 1: something else\n" << r.err;
}

}  // namespace
