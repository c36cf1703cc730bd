// A test fixture of YARL windows on the X server of the tests: one toolkit
// context for the test program, a screen area of its own, programs built
// with the YARL writer and loaded through the preset. A program's sources
// may share it: the context and the fixtures are the same in each.
#pragma once

#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <GL/gl.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runtime/interpreter.h"
#include "runtime/read_tables.h"
#include "runtime/user_interface.h"
#include "runtime/window_record.h"
#include "tests/support/x_screen.h"
#include "tests/support/yarl_writer.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_label.h"
#include "toolkit/ui_window.h"

namespace window_test {

using yarl::GLOBAL;
using yarl::make_ident;
using yarl::make_item;
using yarl::WINDOW_LOCAL;

inline int screen_slot = 0;

class ContextEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    XSetErrorHandler(count_x_error);
    screen_slot = claim_screen_slot();
    new UIAppContext(false, nullptr, nullptr, 0, 0, 10, 11);
  }
  void TearDown() override {
    delete AppContext;
    EXPECT_EQ(x_error_count(), 0);
  }
};

inline testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ContextEnvironment);

inline Display* display() { return AppContext->ui_display; }

// A MENU_WINDOW with one MENU of items; returns the window's global index.
struct WindowSpec {
  const char* name;
  bool visible;
  std::vector<menu_item> items;
  std::vector<uint16_t> displayed;  // 16-bit references of displayed variables
};

inline uint16_t add_window(yarl::YarlProgram& p, const WindowSpec& spec) {
  ident_info menu = make_ident(K_MENU);
  menu.word6 = uint16_t(spec.items.size());
  menu.count = p.next_item();
  for (const menu_item& it : spec.items) p.add_item(it);
  menu.code_offset = spec.displayed.empty() ? 0 : p.add_list(spec.displayed);
  ident_info w = make_ident(K_MENU_WINDOW);
  w.flags1 = spec.visible ? WINDOW_VISIBLE : 0;
  w.word2 = 1 << 12;
  w.word6 = 1;
  w.count = p.add(WINDOW_LOCAL, menu, "menu");
  return p.add(GLOBAL, w, spec.name);
}

// A LABEL whose code pushes what `push` emits, then releases.
template <typename F>
menu_item label(yarl::YarlProgram& p, uint8_t kind, F push, uint32_t flags = 0, uint8_t font = 9) {
  menu_item it = make_item(ITEM_LABEL);
  it.value_kind = kind;
  it.head8 = font;
  it.flags = flags;
  it.code_offset = p.code().offset();
  push(p.code());
  p.code().release();
  return it;
}

class Windows : public testing::Test {
 protected:
  yarl::YarlProgram program = yarl::YarlProgram::standard();

  void load() {
    std::vector<uint8_t> image = program.bytes();
    decode_tables(image.data(), image.size());
    preset_user_interface("", false, false, nullptr, nullptr, nullptr);
    loaded_ = true;
    // Each window to this process's own screen area before it is shown.
    for (uint32_t i = 0; i < n_windows_listed; ++i)
      if (UIWindow* ui = record_of(global(windows[i]))->ui_window)
        ui->set_origin(short(slot_x(screen_slot)), short(slot_y(screen_slot)));
  }
  void TearDown() override {
    if (!loaded_) return;
    in_interface_builder = false;
    sp = sb - 1;
    cleanup_user_interface();
    XSync(display(), False);
  }
  ident_info* global(uint16_t index) { return &globals()[index]; }
  UIWindow* ui(uint16_t window) { return record_of(global(window))->ui_window; }

  // Handles the queued X events of every toolkit window.
  void pump() {
    XSync(display(), False);
    XEvent event;
    while (XPending(display())) {
      XNextEvent(display(), &event);
      if (UIWindow* w = UIWindow::find_window(event.xany.window)) w->handle_window_event(&event, false);
    }
  }
  // Shows the queued windows and waits until `window` is exposed.
  void show(uint16_t window) {
    update_menu_windows();
    for (int i = 0; i < 200 && !ui(window)->mapped; ++i) {
      XEvent event;
      XWindowEvent(display(), ui(window)->x_window, ExposureMask | StructureNotifyMask, &event);
      ui(window)->handle_window_event(&event, false);
    }
    pump();
  }
  // A window wider than a screen area goes past the screen's right edge,
  // over no other test's area; it is still viewable there.
  void place_beyond_the_screen(UIWindow* w) {
    w->set_origin(short(DisplayWidth(display(), DefaultScreen(display()))), 0);
  }
  int map_state(uint16_t window) {
    if (ui(window)->x_window == 0) return IsUnmapped;
    XWindowAttributes a;
    XGetWindowAttributes(display(), ui(window)->x_window, &a);
    return a.map_state;
  }
  UILabel* first_label(uint16_t window) {
    table& t = record_of(global(window))->widgets[WK_LABEL];
    return t.length > 0 ? static_cast<UILabel*>(t.as<widget_element>()[0].widget) : nullptr;
  }
  std::string label_text(uint16_t window) {
    UILabel* l = first_label(window);
    if (l == nullptr || l->image == nullptr || l->image->kind == K_PICTURE) return "";
    return static_cast<ImageText*>(l->image)->get_text();
  }

 private:
  bool loaded_ = false;
};

}  // namespace window_test

using namespace window_test;
