// Resource files with the real server on an X server of the test's own: the
// user moves a window and presses a button that changes a resource variable
// and saves the defaults; a new server started on the saved file puts the
// window back where the user left it. Oracles: the file, xdotool, xwininfo.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "runtime/widget_builders.h"
#include "tests/support/own_x_server.h"
#include "tests/support/runner.h"
#include "tests/support/yarl_writer.h"

namespace {

using namespace std::chrono_literals;
using yarl::GLOBAL;
using yarl::WINDOW_LOCAL;

constexpr uint8_t ADD_INTEGER = 210, SAVE_DEFAULTS = 148;
constexpr uint16_t ORIGIN_ATTRIBUTES = 0x180;  // ORIGIN_X, ORIGIN_Y

std::string command_output(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[256];
    while (fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
    pclose(p);
  }
  return out;
}

// A hidden graphics window; "dlg" with a button that counts its presses in
// the resource variable "presses" and saves the local defaults file.
yarl::YarlProgram counting_program() {
  yarl::YarlProgram p = yarl::YarlProgram::standard();
  p.ident(GLOBAL, 1).flags1 = 0;
  ident_info presses = yarl::make_ident(K_INTEGER);
  presses.word8 = IDENT_RESOURCE;
  uint16_t n = p.add(GLOBAL, presses, "presses");
  menu_item button = yarl::make_item(ITEM_BUTTON);
  button.value_kind = K_STRING;
  button.head8 = 9;
  button.code_offset = p.code().offset();
  p.code().push_string("Save").release();
  button.flags = ITEM_HAS_ACTION;
  button.action_offset = p.code().offset();
  p.code().push_var(GLOBAL, n).push(1).op(ADD_INTEGER).assign(GLOBAL, n).push(2).op(SAVE_DEFAULTS).release();
  ident_info menu = yarl::make_ident(K_MENU);
  menu.word6 = 1;
  menu.count = p.add_item(button);
  ident_info w = yarl::make_ident(K_MENU_WINDOW);
  w.flags1 = WINDOW_VISIBLE;
  w.word2 = 1 << 12 | ORIGIN_ATTRIBUTES;
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  p.add(GLOBAL, w, "dlg");
  return p;
}

class ResourcesEndToEnd : public testing::Test {
 protected:
  std::string x(const std::string& command) {
    return command_output("DISPLAY=" + display_name_ + " " + command + " 2>/dev/null");
  }
  // The X window of "dlg" once the server shows it, or "".
  std::string find_window() {
    for (int i = 0; i < 200; ++i) {
      std::string id = x("xdotool search --onlyvisible --classname '^dlg$'");
      if (!id.empty()) return id.substr(0, id.find('\n'));
      std::this_thread::sleep_for(100ms);
    }
    return "";
  }
  bool wait_for_file(const std::string& path, const std::string& contents) {
    for (int i = 0; i < 200; ++i) {
      if (read_file(path) == contents) return true;
      std::this_thread::sleep_for(100ms);
    }
    return false;
  }
  TempDir dir_;
  std::string display_name_;
};

TEST_F(ResourcesEndToEnd, AMovedWindowAndAChangedVariableAreSavedAndComeBackAtTheNextStart) {
  ASSERT_TRUE(counting_program().write(dir_.file("app.b")));
  std::string local_ = dir_.file("local"), site = dir_.file("site");
  write_file(site, "presses:\t10\n");
  {
    ServerOnOwnDisplay run;
    ASSERT_TRUE(run.x_started());
    ASSERT_TRUE(run.start(dir_.file("app.b"), dir_, 60, {"-s", site, "-l", local_}));
    display_name_ = DisplayString(run.display());
    std::string id = find_window();
    ASSERT_NE(id, "") << "dlg was not shown";
    x("xdotool windowmove --sync " + id + " 300 200");
    std::this_thread::sleep_for(300ms);  // the server takes the ConfigureNotify
    x("xdotool mousemove --window " + id + " 4 4 click 1");
    EXPECT_TRUE(wait_for_file(local_, "presses:\t11\ndlg.ORIGIN_X:\t300\ndlg.ORIGIN_Y:\t200\n")) << read_file(local_);
    x("xdotool windowmove --sync " + id + " 310 210");
    std::this_thread::sleep_for(300ms);
    x("xdotool mousemove --window " + id + " 4 4 click 1");
    EXPECT_TRUE(wait_for_file(local_, "presses:\t12\ndlg.ORIGIN_X:\t310\ndlg.ORIGIN_Y:\t210\n")) << read_file(local_);
    const RunResult& result = run.finish();
    EXPECT_EQ(result.err.find("rror"), std::string::npos) << result.err;
  }
  {
    ServerOnOwnDisplay run;
    ASSERT_TRUE(run.start(dir_.file("app.b"), dir_, 60, {"-s", site, "-l", local_}));
    display_name_ = DisplayString(run.display());
    std::string id = find_window();
    ASSERT_NE(id, "");
    std::string info = x("xwininfo -id " + id);
    EXPECT_NE(info.find("Absolute upper-left X:  310"), std::string::npos) << info;
    EXPECT_NE(info.find("Absolute upper-left Y:  210"), std::string::npos) << info;
    run.finish();
  }
}

}  // namespace
