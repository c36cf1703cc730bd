// The Interface Builder in-process on the real toolkit: a window with two
// labels, the builder entered as its operation does, picks and drags through
// the builder's own callbacks, and what it writes.
#include "tests/runtime/window_fixture.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/checked_mm.h"
#include "builder/interface_builder.h"
#include "builder/object_inspector.h"
#include "builder/patches.h"
#include "builder/window_inspector.h"
#include "tests/support/runner.h"
#include "toolkit/ui_object.h"
#include "toolkit/ui_text_field.h"
#include "toolkit/ui_top_object.h"

namespace {

namespace fs = std::filesystem;

class Builder : public Windows {
 protected:
  TempDir home;
  std::string old_directory = fs::current_path();
  uint16_t main = 0;

  void SetUp() override {
    setenv("HOME", home.path().c_str(), 1);
    fs::current_path(home.path());
  }
  void TearDown() override {
    Windows::TearDown();
    fs::current_path(old_directory);
  }
  // Two labels: "Hello" at (10, 10), line 12, and "World" at (x2, 10), line 13.
  void start(const std::string& prefs, int x2 = 150) {
    if (!prefs.empty()) write_file(home.file(".ib_prefs"), prefs);
    auto text = [this](const char* s) {
      return label(program, K_STRING, [s](yarl::Code& c) { c.push_string(s); }, ITEM_ORIGIN);
    };
    menu_item a = text("Hello"), b = text("World");
    a.x = 10, a.y = 10, a.line = 12;
    b.x = int16_t(x2), b.y = 10, b.line = 13;
    main = add_window(program, {"main", true, {a, b}, {}});
    load();
    ident_info& names = globals()[65];
    names.val.a = static_cast<value*>(CheckedMalloc(sizeof(value)));
    names.val.a[0].s = dup_chars("w.yrW");
    names.word6 = 1;
    show(main);
    // What the INTERFACE_BUILDER operation does before it calls the builder.
    in_interface_builder = true;
    ui(main)->interface_builder_mode = true;
    interface_builder(false, windows);
    pump();
  }
  menu_item& item(int k) { return tables[T_MENU_ITEMS].as<menu_item>()[global(main)->val.w->locals[0].count + k]; }
  UIObject* widget(int k) { return static_cast<UIObject*>(item(k).widget); }
  void pick(int k) { pick_object(widget(k), widget(k)->object_id); }
  // A drag as the toolkit reports it: the widget moved, then the end.
  void drag(int k, int x, int y) {
    widget(k)->x = short(x);
    widget(k)->y = short(y);
    configure_object(true, true, false, false);
    end_configure_object();
    update_menu_windows();
    pump();
  }
  std::string title(const char* window) {
    char* name = nullptr;
    XFetchName(display(), UIWindow::get_window(window), &name);
    std::string s = name != nullptr ? name : "";
    if (name != nullptr) XFree(name);
    return s;
  }
  UITextField* main_field(const char* text) {
    UIWindow* w = UIWindow::find_window(UIWindow::get_window("IB_Main"));
    for (UITopObject* o = w->first_top; o != nullptr; o = o->next)
      if (auto* f = dynamic_cast<UITextField*>(o); f != nullptr && strcmp(f->get_text(), text) == 0) return f;
    return nullptr;
  }
};

TEST_F(Builder, MainWindowAndInspectorsShowTheirTitles) {
  start("");
  EXPECT_EQ(title("IB_Main"), "Interface Builder");
  pick(0);
  pump();
  EXPECT_EQ(title("IB_ObjectInspector"), "STRING-LABEL at line 12");
  EXPECT_EQ(title("IB_WindowInspector"), "MENU_WINDOW main");
}

TEST_F(Builder, PreferencesAreWrittenBackByteForByte) {
  const std::string prefs =
      "Position grid\t10 12\nGrid offset\t3 4\nSize grid\t1 5 6\nalignment\t2 4\nText editor\tvi %s\n"
      "Main window position\t 100 200\nObject inspector position\t 5 6\nWindow inspector position\t 7 8\n";
  start(prefs);
  write_prefs_file();
  EXPECT_EQ(read_file(home.file(".ib_prefs")), prefs);
}

TEST_F(Builder, BadPreferenceLinesAreSkippedAndAFailedWriteKeepsTheFile) {
  start("Position grid\t0 1\nalignment\t3 3\nlast line without a line feed");
  {
    // Writes beyond 16 bytes fail (the test may run as root, past permissions).
    signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small{16, old.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    write_prefs_file();
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, SIG_DFL);
  }
  EXPECT_EQ(read_file(home.file(".ib_prefs")), "Position grid\t0 1\nalignment\t3 3\nlast line without a line feed");
  write_prefs_file();
  EXPECT_EQ(read_file(home.file(".ib_prefs")), "alignment\t3 3\nText editor\tnedit %s&\n");
}

// Drags under a 10-pixel grid in each alignment put the label where the
// snapping rule says, on screen and in the patch file.
struct DragCase {
  int alignment;
  int x, y;                 // the widget dropped here
  const char* patch_line;   // the origin line written
};

class BuilderDrag : public Builder, public testing::WithParamInterface<DragCase> {};

TEST_P(BuilderDrag, SnapsAndWritesThePatch) {
  const DragCase& c = GetParam();
  start("Position grid\t10 10\nalignment\t" + std::to_string(c.alignment) + " " + std::to_string(c.alignment) + "\n");
  pick(0);
  drag(0, c.x, c.y);
  int w = widget(0)->width, h = widget(0)->height;
  EXPECT_EQ(item(0).x, snapped_origin(c.x, c.x, w, 10, 0, c.alignment, 0));
  EXPECT_EQ(item(0).y, snapped_origin(c.y, c.y, h, 10, 0, c.alignment, 0));
  EXPECT_EQ(widget(0)->x, item(0).x) << "the rebuilt widget stands at the snapped origin";
  write_patches(0);
  std::string expected = "# MENU_WINDOW main ORIGIN_X:= " + std::to_string(ui(main)->x) +
                         ", ORIGIN_Y:= " + std::to_string(ui(main)->y) + ", SIZE_X:= " +
                         std::to_string(ui(main)->width) + ", SIZE_Y:= " + std::to_string(ui(main)->height) +
                         ".\n# MENU menu.\nw.yrW\t12\tLABEL\t=\t@\t" + std::to_string(item(0).x) + "," +
                         std::to_string(item(0).y) + "\n";
  EXPECT_EQ(read_file("patches"), expected);
  uint32_t edited;
  edited_window_list(&edited);
  EXPECT_EQ(edited, 0u);
  write_patches(0);
  EXPECT_EQ(read_file("patches"), expected) << "a second write adds nothing";
}

INSTANTIATE_TEST_SUITE_P(Alignments, BuilderDrag,
                         testing::Values(DragCase{1, 23, 17, nullptr}, DragCase{2, 23, 17, nullptr},
                                         DragCase{3, 23, 17, nullptr}, DragCase{4, 23, 17, nullptr},
                                         DragCase{2, 27, 44, nullptr}));

TEST_F(Builder, UndoAndRedoWalkTheHistory) {
  start("");
  pick(0);
  uint32_t cursor, top;
  undo_state(&cursor, &top);
  EXPECT_EQ(cursor, 1u);  // the state shown; no undo yet
  drag(0, 30, 10);
  drag(0, 50, 10);
  undo_state(&cursor, &top);
  EXPECT_EQ(cursor, 3u);
  EXPECT_EQ(top, 3u);
  undo_object(0);
  EXPECT_EQ(item(0).x, 30);
  undo_object(0);
  EXPECT_EQ(item(0).x, 10);
  undo_object(0);  // nothing older
  EXPECT_EQ(item(0).x, 10);
  redo_object(0);
  EXPECT_EQ(item(0).x, 30);
  drag(0, 70, 10);  // a change after an undo goes above every kept copy
  undo_state(&cursor, &top);
  EXPECT_EQ(cursor, 4u);
  EXPECT_EQ(top, 4u);
  undo_object(0);
  EXPECT_EQ(item(0).x, 50);
  pick(0);  // the current item again: the history stays
  undo_state(&cursor, &top);
  EXPECT_EQ(top, 4u);
}

TEST_F(Builder, OverlappingWidgetsAreReported) {
  start("", 20);
  testing::internal::CaptureStderr();
  check_collisions(0);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("1 collision(s) in MENU_WINDOW 'main', menu 'menu'.\n\n"), std::string::npos) << err;
  EXPECT_NE(err.find("1 collision(s) total.\n"), std::string::npos) << err;
}

TEST_F(Builder, EditorRunsWithTheQuotedSourceAndRefusesOtherConversions) {
  write_file(home.file("w.yrW"), "source text\n");
  start("Text editor\tcp %s 'copied file.txt'\n");
  pick(0);
  launch_editor(0);
  EXPECT_EQ(read_file(home.file("copied file.txt")), "source text\n");
  cleanup_interface_builder();
  write_file(home.file(".ib_prefs"), "Text editor\ttouch ran %s %n\n");
  in_interface_builder = true;
  interface_builder(false, windows);
  pick(0);
  launch_editor(0);
  EXPECT_FALSE(fs::exists(home.file("ran")));
}

// A write that fails keeps the old file, the edited list and the copies.
TEST_F(Builder, FailedPatchWriteLosesNothing) {
  start("");
  pick(0);
  drag(0, 40, 10);
  fs::create_symlink("/dev/full", home.file("patches"));
  write_patches(0);
  uint32_t edited;
  edited_window_list(&edited);
  EXPECT_EQ(edited, 1u);
  fs::remove(home.file("patches"));
  write_patches(0);
  EXPECT_NE(read_file("patches").find("w.yrW\t12\tLABEL\t=\t@\t40,10\n"), std::string::npos);
}

TEST_F(Builder, SnapshotsGoIntoAFolderWithABlank) {
  setenv("QOB_SCREEN_TOOLS", SCREEN_TOOLS, 1);
  start("");
  UITextField* folder = main_field("snapshots/");
  ASSERT_NE(folder, nullptr);
  folder->set_text("snap shots/");
  testing::internal::CaptureStderr();
  create_snapshots(0);
  std::string err = testing::internal::GetCapturedStderr();
  unsetenv("QOB_SCREEN_TOOLS");
  std::string png = read_file(home.file("snap shots/w.yrW.png"));
  ASSERT_GT(png.size(), 24u) << err;
  EXPECT_EQ(png.substr(1, 3), "PNG");
  auto be32 = [&](size_t at) {
    return uint32_t(uint8_t(png[at])) << 24 | uint32_t(uint8_t(png[at + 1])) << 16 |
           uint32_t(uint8_t(png[at + 2])) << 8 | uint8_t(png[at + 3]);
  };
  EXPECT_EQ(be32(16), ui(main)->width);
  EXPECT_EQ(be32(20), ui(main)->height);
  EXPECT_NE(err.find("Error - file name should be 'main.yrW' but is 'w.yrW'.\n"), std::string::npos) << err;
}

}  // namespace
