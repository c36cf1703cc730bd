// viewer.exe's windows under wine: the real message box and file-open
// dialog, driven through their controls' messages, and the real server
// started on the launcher's line. They take the foreground: run alone.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "tests/launcher/launcher_tree_win.h"
#include "tests/launcher/option_echo_program.h"

namespace {

using namespace launcher_test;

// The text of the child of `parent` with control id `id`.
std::string control_text(HWND parent, int id) {
  char text[4096] = "";
  GetDlgItemTextA(parent, id, text, sizeof text);
  return text;
}

// The first child window of `parent` of this class.
HWND child_of_class(HWND parent, const char* class_name) {
  struct search {
    const char* class_name;
    HWND found;
  } s{class_name, nullptr};
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM l) -> BOOL {
        search& s = *reinterpret_cast<search*>(l);
        char name[64] = "";
        GetClassNameA(w, name, sizeof name);
        if (lstrcmpiA(name, s.class_name) != 0 || !IsWindowVisible(w)) return TRUE;
        s.found = w;
        return FALSE;
      },
      LPARAM(&s));
  return s.found;
}

// A visible top-level window that `owner` owns, or null.
HWND owned_window(HWND owner) {
  struct search {
    HWND owner;
    HWND found;
  } s{owner, nullptr};
  EnumWindows(
      [](HWND w, LPARAM l) -> BOOL {
        search& s = *reinterpret_cast<search*>(l);
        if (GetWindow(w, GW_OWNER) != s.owner || !IsWindowVisible(w)) return TRUE;
        s.found = w;
        return FALSE;
      },
      LPARAM(&s));
  return s.found;
}

constexpr int MESSAGE_TEXT_ID = 0xFFFF;  // the message box's text control

TEST(ViewerDesktop, ErrorBoxShowsTheMessageAndClosesWithOk) {
  LauncherTree tree;
  std::string shown;
  RunResult r = tree.run({"-ul", "klingon", "m.vf"}, {}, "@/work", [&](long pid) {
    HWND box = wait_for_window(pid, "Vorq Viewer");
    if (box == nullptr) return;
    shown = control_text(box, MESSAGE_TEXT_ID);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(r.exit_code, -1) << r.err;
  EXPECT_EQ(shown.rfind("Invalid parameter for argument -ul:\nklingon\n\n\nVorq Viewer", 0), 0u) << shown;
  EXPECT_FALSE(tree.server_started(0.3));
}

// Types `name` into the dialog's name field and presses Open.
void open_name(HWND dialog, const std::string& name) {
  HWND field = child_of_class(dialog, "Edit");
  ASSERT_NE(field, nullptr);
  SendMessageA(field, WM_SETTEXT, 0, LPARAM(name.c_str()));
  PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

// A name that does not exist keeps the dialog open (the system says so in a
// box of its own); one that exists is the model.
TEST(ViewerDesktop, DialogStartsTheServerOnTheFileChosen) {
  LauncherTree tree;
  make_file(tree.dir.file("gui/Viewer_english_production.b"));
  make_file(tree.dir.file("work/model.vf"));
  std::atomic<bool> refused{false};
  RunResult r = tree.run({}, {}, "@/work", [&](long pid) {
    HWND dialog = wait_for_window(pid, "Open Vorq Viewer File");
    if (dialog == nullptr) return;
    open_name(dialog, "nothere.vf");
    // The system's own warning: a visible window the dialog owns.
    HWND warning = nullptr;
    wait_for([&] { return (warning = owned_window(dialog)) != nullptr; });
    if (warning != nullptr) {
      refused = IsWindow(dialog) && !tree.server_started(0.2);
      PostMessageA(warning, WM_COMMAND, IDOK, 0);
      wait_for([&] { return !IsWindow(warning); });
    }
    open_name(dialog, "model.vf");
  });
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(refused);
  std::string arguments = tree.server_arguments();
  std::string model = arguments.substr(arguments.find("[-F]\n[") + 6);
  CharLowerA(model.data());
  std::string expected = tree.dir.file("work/model.vf");
  for (char& c : expected) c = c == '/' ? '\\' : char(tolower(c));
  EXPECT_EQ(model, expected + "]\n");
}

TEST(ViewerDesktop, DialogCancelledEndsQuietly) {
  LauncherTree tree;
  make_file(tree.dir.file("gui/Viewer_english_production.b"));
  bool seen = false;
  RunResult r = tree.run({}, {}, "@/work", [&](long pid) {
    HWND dialog = wait_for_window(pid, "Open Vorq Viewer File");
    seen = dialog != nullptr;
    if (seen) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  EXPECT_TRUE(seen);
  EXPECT_EQ(r.exit_code, -1);
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(tree.server_started(0.3));
}

// The real server under the launcher gets its options C and F: a program that
// writes both to standard error leaves them in the log.
TEST(ViewerDesktop, StartsTheRealServerWithTheTemporaryFolderAndModel) {
  LauncherTree tree;
  yarl::YarlProgram p = option_echo_program();
  fs::create_directories(tree.dir.file("gui"));
  ASSERT_TRUE(p.write(tree.dir.file("gui/Viewer_english_production.b")));
  RunResult r = tree.run({"-um", QOB_PROGRAM, "my model.vf"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  std::string expected = tree.at("C=# F=my model.vf\n");
  std::string log;
  wait_for([&] { return (log = read_file(tree.dir.file("tmp/vorqviewer.log"))).find(expected) != std::string::npos; },
           30);
  EXPECT_NE(log.find(expected), std::string::npos) << log;
}

}  // namespace
