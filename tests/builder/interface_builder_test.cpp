// The Interface Builder in-process on the real toolkit: a window with two
// labels, the builder entered as its operation does, picks and drags through
// the builder's own callbacks, and what it writes.
// The builder's own windows go where its preferences place them, over the
// screen areas of other tests: this suite runs on an X server of its own.
#include "tests/support/own_display.h"

#include "tests/runtime/window_fixture.h"

#include <sys/stat.h>


#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/checked_mm.h"
#include "builder/interface_builder.h"
#include "builder/object_inspector.h"
#include "builder/patches.h"
#include "builder/window_inspector.h"
#include "tests/builder/os_calls.h"
#include "tests/support/runner.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_button.h"
#include "toolkit/ui_object.h"
#include "toolkit/ui_text_radio_box.h"
#include "toolkit/ui_text_field.h"
#include "toolkit/ui_top_object.h"

namespace {

namespace fs = std::filesystem;

class Builder : public Windows {
 protected:
  TempDir home;
  std::string old_directory = fs::current_path().string();
  uint16_t main = 0;

  void SetUp() override {
    set_env("HOME", home.path());
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
  UIWindow* builder_window(const char* name) { return UIWindow::find_window(UIWindow::get_window(name)); }
  // The n-th button of a builder window that shows `text`.
  UIButton* button(const char* window, const char* text, int n = 0) {
    for (UITopObject* o = builder_window(window)->first_top; o != nullptr; o = o->next) {
      auto* b = dynamic_cast<UIButton*>(o);
      auto* image = b != nullptr ? dynamic_cast<ImageText*>(b->image) : nullptr;
      if (image != nullptr && strcmp(image->get_text(), text) == 0 && n-- == 0) return b;
    }
    return nullptr;
  }
  // Presses a button as a click would; false when it has no action.
  bool press(const char* window, const char* text, int n = 0) {
    UIButton* b = button(window, text, n);
    if (b == nullptr || b->activate_cb == nullptr) return false;
    b->activate_cb(b->object_id);
    update_menu_windows();
    pump();
    return true;
  }
  UITextField* field(const char* window, const char* text) {
    for (UITopObject* o = builder_window(window)->first_top; o != nullptr; o = o->next)
      if (auto* f = dynamic_cast<UITextField*>(o); f != nullptr && strcmp(f->get_text(), text) == 0) return f;
    return nullptr;
  }
  UITextField* main_field(const char* text) { return field("IB_Main", text); }
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
  ASSERT_TRUE(press("IB_Main", "Hide"));
  EXPECT_FALSE(in_interface_builder);
  EXPECT_EQ(read_file(home.file(".ib_prefs")), prefs);
}

// A grid value typed in range changes the snapping; one out of range or no
// integer changes nothing.
TEST_F(Builder, TypedGridValues) {
  start("alignment\t2 2\n");
  UITextField* grid_x = nullptr;
  for (UITopObject* o = builder_window("IB_Main")->first_top; o != nullptr && grid_x == nullptr; o = o->next)
    grid_x = dynamic_cast<UITextField*>(o);
  ASSERT_NE(grid_x, nullptr);
  grid_x->set_text("20");
  pick(0);
  drag(0, 33, 10);
  EXPECT_EQ(item(0).x, 40);
  grid_x->set_text("99999");
  grid_x->set_text("2O");
  drag(0, 49, 10);
  EXPECT_EQ(item(0).x, 40);
  drag(0, 51, 10);
  EXPECT_EQ(item(0).x, 60);
}

TEST_F(Builder, BadPreferenceLinesAreSkippedAndAFailedWriteKeepsTheFile) {
  start("Position grid\t0 1\nalignment\t3 3\nlast line without a line feed");
  {
    // Writes beyond 16 bytes fail (the test may run as root, past permissions).
    with_file_size_limit(16, [] { write_prefs_file(); });
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

// The window inspector's actions on all items, then the patch they give.
TEST_F(Builder, WindowWideActions) {
  start("Position grid\t10 10\nalignment\t2 2\n");
  widget(0)->x = 13;
  widget(0)->y = 17;
  pick(1);
  ASSERT_TRUE(press("IB_WindowInspector", "Align to grids"));
  EXPECT_EQ(item(0).x, 10);
  EXPECT_EQ(item(0).y, 20);
  EXPECT_EQ(item(1).x, 150);
  ASSERT_TRUE(press("IB_WindowInspector", "Connect"));
  int gap = 150 - (10 + widget(0)->width);
  EXPECT_EQ(item(1).x, gap);
  EXPECT_TRUE(item(1).flags & ITEM_X_RELATIVE);
  ASSERT_TRUE(press("IB_WindowInspector", "X", 0));  // Fix X
  EXPECT_EQ(item(0).width, widget(0)->width);
  EXPECT_TRUE(item(0).flags & ITEM_SIZE_X);
  ASSERT_TRUE(press("IB_WindowInspector", "X", 1));  // Loosen X
  EXPECT_EQ(item(0).width, 0);
  EXPECT_FALSE(item(0).flags & ITEM_SIZE_X);
  ASSERT_TRUE(press("IB_Main", "Write patches"));
  std::string patches = read_file("patches");
  // Connect counts the first item's gap from the window's left edge.
  EXPECT_NE(patches.find("w.yrW\t12\tLABEL\t=\t@\t+10,20\n"), std::string::npos) << patches;
  EXPECT_NE(patches.find("w.yrW\t13\tLABEL\t=\t@\t+" + std::to_string(gap) + ",10\n"), std::string::npos)
      << patches;
  EXPECT_EQ(patches.find("\tSIZE_X"), std::string::npos) << patches;
  EXPECT_FALSE(press("IB_Main", "Write patches")) << "no action until the next change";
}

// A font chosen in the inspector is given, so the patch names it.
TEST_F(Builder, ChosenFontIsWritten) {
  start("");
  pick(0);
  UITextRadioBox* fonts = nullptr;
  for (UITopObject* o = builder_window("IB_ObjectInspector")->first_top; o != nullptr; o = o->next)
    if (auto* r = dynamic_cast<UITextRadioBox*>(o)) fonts = r;
  ASSERT_NE(fonts, nullptr);
  fonts->change_cb(fonts->object_id, 2);
  write_patches(0);
  EXPECT_NE(read_file("patches").find("w.yrW\t12\tLABEL\t=\tFONT\tCourier Bold 12\n"), std::string::npos);
}

// Typed values: out of range or no integer changes nothing.
TEST_F(Builder, OriginFieldChecksItsRange) {
  start("");
  pick(0);
  UITextField* origin_x = field("IB_ObjectInspector", "10");
  ASSERT_NE(origin_x, nullptr);
  origin_x->set_text("-5");
  EXPECT_EQ(item(0).x, 10);
  origin_x->set_text("1x");
  EXPECT_EQ(item(0).x, 10);
  origin_x->set_text("33");
  EXPECT_EQ(item(0).x, 33);
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
#ifdef _WIN32
  start("Text editor\tcopy %s \"copied file.txt\"\n");  // cmd's
#else
  start("Text editor\tcp %s 'copied file.txt'\n");
#endif
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
  // A file that can take only part of the lines is cut back to what it held.
  write_file(home.file("patches"), "# earlier\n");
  with_file_size_limit(40, [] { write_patches(0); });
  EXPECT_EQ(read_file("patches"), "# earlier\n");
  edited_window_list(&edited);
  EXPECT_EQ(edited, 1u);
  write_patches(0);
  EXPECT_NE(read_file("patches").find("w.yrW\t12\tLABEL\t=\t@\t40,10\n"), std::string::npos);
}

TEST_F(Builder, SnapshotsGoIntoAFolderWithABlank) {
  set_env("QOB_SCREEN_TOOLS", SCREEN_TOOLS);
  start("");
  UITextField* folder = main_field("snapshots/");
  ASSERT_NE(folder, nullptr);
  folder->set_text("snap shots/");
  testing::internal::CaptureStderr();
  create_snapshots(0);
  std::string err = testing::internal::GetCapturedStderr();
  unset_env("QOB_SCREEN_TOOLS");
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
  // The same pixels as the window shown again.
  global(main)->flags1 |= WINDOW_VISIBLE;
  queue_update(main);
  show(main);
  std::string grab = "import -window " + std::to_string(ui(main)->x_window) + " shown.png && compare -metric AE " +
                     "'snap shots/w.yrW.png' shown.png null: 2> difference.txt";
  int status = -1;
  for (int i = 0; i < 30 && read_file(home.file("difference.txt")) != "0"; ++i) {
    pump();
    ui(main)->redraw();
    glFinish();
    XSync(display(), False);
    status = system(grab.c_str());
  }
  EXPECT_EQ(read_file(home.file("difference.txt")), "0") << status;
}

}  // namespace
