// The server under wine, end to end, on an X server of its own: the graphics
// window and a YARL window show; a click sent through SendInput runs a
// button's action, which starts an application, reports to it and exits
// with its answer plus predefined 106 (offscreen drawing works).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

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
                  ADD_INTEGER = 210;
constexpr uint16_t OFFSCREEN_WORKS = 106;  // predefined variable

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
  c.push_string(VALUE_APP).push(0).op(START_PROCESS).assign(GLOBAL, pid);
  c.push(0).op(EVENT_CODE).push(K_INTEGER).op(REPORT_TEK);
  c.op(READ_APPLICATION_VALUE).u8(2).ref(GLOBAL, number).ref(GLOBAL, answer);
  c.push_var(GLOBAL, number).push_var(GLOBAL, OFFSCREEN_WORKS).op(ADD_INTEGER).op(yarl::op::EXIT);

  ident_info menu = make_ident(K_MENU);
  menu.word6 = 1;
  menu.count = p.add_item(go);
  ident_info w = make_ident(K_MENU_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 1 << 12;
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  p.add(GLOBAL, w, "main");
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

// Runs the server on the button program; `click` gets the screen position
// of a point of the button once both windows show, and is called again
// until the server ends (at most five times).
void expect_exit_with_reply_after(const std::function<void(int x, int y)>& click) {
  TempDir dir;
  ASSERT_TRUE(button_program().write(dir.file("ui.b")));
  RunOptions options;
  options.args = {"-e", "", "-m", "", "-u", "ui.b"};
  options.directory = dir.path();
  options.timeout_seconds = 90;
  std::vector<shown> seen;
  options.while_running = [&seen, &click](long pid) {
    // The graphics window and "main"; the button's window is the smaller.
    for (auto until = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < until;
         std::this_thread::sleep_for(200ms)) {
      seen = windows_of(DWORD(pid));
      if (seen.size() >= 2) break;
    }
    if (seen.size() < 2) return;
    auto area = [](const shown& s) { return (s.client.right - s.client.left) * (s.client.bottom - s.client.top); };
    const shown& main = area(seen[0]) < area(seen[1]) ? seen[0] : seen[1];
    std::this_thread::sleep_for(500ms);  // the first drawing
    SetForegroundWindow(main.window);
    for (int attempt = 0; attempt < 5 && IsWindow(main.window); ++attempt) {
      click(main.client.left + 20, main.client.top + 10);
      std::this_thread::sleep_for(2s);
    }
  };
  RunResult r = run_program(options);
  ASSERT_GE(seen.size(), 2u) << "graphics window and main did not show\n" << r.err;
  // Both client areas start on the screen; "main" holds the whole 80 x 24 button.
  for (const shown& s : seen) {
    EXPECT_GT(s.client.right - s.client.left, 0);
    EXPECT_GT(s.client.bottom - s.client.top, 0);
    EXPECT_GE(s.client.left, 0);
    EXPECT_GE(s.client.top, 0);
  }
  auto width = [](const shown& s) { return s.client.right - s.client.left; };
  auto height = [](const shown& s) { return s.client.bottom - s.client.top; };
  const shown& main = width(seen[0]) * height(seen[0]) < width(seen[1]) * height(seen[1]) ? seen[0] : seen[1];
  EXPECT_GE(width(main), 80);
  EXPECT_GE(height(main), 24);
  EXPECT_FALSE(r.timed_out) << r.err;
  EXPECT_EQ(r.exit_code, 42 + 1) << "the answer 42 plus offscreen drawing 1\n" << r.err;
  EXPECT_EQ(r.err.find("nternal error"), std::string::npos) << r.err;
}

TEST(WindowsServer, AClickOnAButtonRunsItsActionAndTheServerExitsWithTheReply) {
  expect_exit_with_reply_after(click_at);
}

// The click from outside wine: xdotool_click.sh names a file in
// QOB_CLICK_FILE, reads the position from it and clicks there with xdotool.
TEST(WindowsServer, AnXdotoolClickDoesTheSame) {
  const char* file = getenv("QOB_CLICK_FILE");
  ASSERT_NE(file, nullptr) << "run by xdotool_click.sh";
  expect_exit_with_reply_after([file](int x, int y) {
    std::string position = std::to_string(x) + " " + std::to_string(y) + "\n";
    write_file(file, position);
  });
}

}  // namespace
