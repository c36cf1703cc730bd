#include "tests/toolkit/widget_pixels.h"
#include <X11/Xutil.h>

#include "tests/support/x_screen.h"
#include "tests/toolkit/block_image.h"
#include "tests/toolkit/widget_events.h"
#include "toolkit/ui_menu_button.h"
#include "toolkit/ui_option_pop_up.h"

namespace {

// Choice i is a block 20 + 10 i wide and 10 high, or 200 wide when wide is set.
bool wide = false;
Image* get_block(long, unsigned short index) {
  return new BlockImage(static_cast<unsigned short>(wide ? 200 : 20 + 10 * index), 10);
}

struct Choice {
  long id;
  unsigned short index;
  bool operator==(const Choice&) const = default;
};
std::vector<Choice> choices;
void chosen(long id, unsigned short index) { choices.push_back({id, index}); }

struct Screen {
  int x, y;
};
Screen content_origin(Window w) {
  Screen s{};
  Window child;
  XTranslateCoordinates(AppContext->ui_display, w, DefaultRootWindow(AppContext->ui_display), 0,
                        0, &s.x, &s.y, &child);
  return s;
}

bool viewable(const UIWindow& w) {
  XWindowAttributes a;
  return w.x_window != 0 && XGetWindowAttributes(w.display, w.x_window, &a) &&
         a.map_state == IsViewable;
}

uint32_t window_pixel(const UIWindow& w, int x, int y) {
  finish_gl();
  XImage* image = XGetImage(w.display, w.x_window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0xFFFFFFFF;
  uint32_t p = uint32_t(XGetPixel(image, 0, 0) & 0xFFFFFF);
  XDestroyImage(image);
  return p;
}

class UIOptionPopUpTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    choices.clear();
    wide = false;
  }
  void TearDown() override {
    UIOptionPopUp::close_pop_up_window();
    pump_all_windows();
    WidgetTest::TearDown();
  }
  // Three choices at (10, 14), 60 x 24: entries of 24, the pop-up 60 wide and
  // 72 high, kept within the window's own screen area.
  UIOptionPopUp* make_option(ShownWindow& shown, unsigned short index, short x = 10,
                             void (*change)(long, unsigned short) = chosen,
                             unsigned short width = 60) {
    auto* o = new UIOptionPopUp(&shown.window, 7, get_block, nullptr);
    o->reconfigure(x, 14, width, 24, 3, true, index, false, false, 0, widget_bg, change, false);
    shown.window.repair_objects();
    return o;
  }
  static UIWindow* pop_up() { return AppContext->NormalPopUp; }
  // Opens by a press at the option's middle and lets the pop-up be exposed.
  static bool open(ShownWindow& shown, const UIOptionPopUp* o) {
    bool handled = send(shown.window, ButtonPress, o->x + o->width / 2, o->y + o->height / 2);
    pump_all_windows();
    return handled;
  }
  static void move_in_pop_up(int x, int y) {
    UIOptionPopUp::set_mouse_moved();  // as the event intake does on every motion
    send(*pop_up(), MotionNotify, x, y, Button1, Button1Mask);
  }
};

TEST_F(UIOptionPopUpTest, DrawsBevelClippedChoiceAndTriangle) {
  ShownWindow shown(120, 60, paper);
  UIOptionPopUp* o = make_option(shown, 1);
  EXPECT_EQ(o->minimum_width, 22);
  EXPECT_EQ(o->minimum_height, 22);  // max(image height, 12) + 10
  EXPECT_EQ(BlockImage::alive, 1);
  expect_points(shown, {
      {10, 24, paper}, {11, 24, paper},                  // border
      {12, 24, white}, {40, 16, white},                  // raised: left and top white
      {67, 24, black}, {40, 35, black},                  // right and bottom black
      {15, 22, black}, {44, 31, black},                  // choice 1 at (15, 31), 30 wide
      {45, 24, widget_bg}, {15, 21, widget_bg}, {15, 32, widget_bg},
      {59, 22, 0x666666}, {59, 21, black},               // the triangle and its top edge
      {66, 24, widget_bg},
  });
  // A narrow option clips its choice to the rectangle inset 5.
  delete o;
  make_option(shown, 1, 10, chosen, 30);
  expect_points(shown, {{34, 29, black}, {35, 29, widget_bg}, {36, 29, widget_bg}});
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
}

TEST_F(UIOptionPopUpTest, OpensWithTheCurrentEntryOverTheButton) {
  ShownWindow shown(120, 60, paper);
  UIOptionPopUp* o = make_option(shown, 1);
  ASSERT_TRUE(open(shown, o));
  EXPECT_EQ(UIOptionPopUp::open_option_pop_up, o);
  EXPECT_FALSE(UIOptionPopUp::mouse_moved);
  ASSERT_EQ(UIOptionPopUp::number_of_menu_buttons, 3);
  ASSERT_TRUE(viewable(*pop_up()));
  EXPECT_FALSE(viewable(*AppContext->OverlayPopUp));
  EXPECT_EQ(pop_up()->width, 60);
  EXPECT_EQ(pop_up()->height, 72);
  Screen option = content_origin(shown.window.x_window);
  Screen entries = content_origin(pop_up()->x_window);
  EXPECT_EQ(entries.x, option.x + 10);
  EXPECT_EQ(entries.y, option.y + 14 - 24);  // entry 1 lies over the button
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(pop_up()->display, pop_up()->x_window, &a));
  EXPECT_EQ(a.border_width, 1);
  for (int i = 0; i < 3; ++i) {
    UIMenuButton* b = UIOptionPopUp::pop_up_menu_buttons[i];
    EXPECT_EQ(b->object_id, i + 1);
    EXPECT_EQ(b->y, 24 * i);
    EXPECT_EQ(b->width, 60);
    EXPECT_EQ(b->height, 24);
    EXPECT_EQ(b->black_border, i == 1);
    EXPECT_EQ(b->shortcut_code, UIMenuButton::no_shortcut);
    EXPECT_EQ(b->activate_cb, UIOptionPopUp::activate_menu_button);
  }
  EXPECT_EQ(BlockImage::alive, 4);  // the option's own and one per entry
  // Entry 0 shows its choice; only the current entry has a black outline.
  EXPECT_EQ(window_pixel(*pop_up(), 5, 10), black);
  EXPECT_EQ(window_pixel(*pop_up(), 0, 10), paper);
  EXPECT_EQ(window_pixel(*pop_up(), 0, 34), black);
  UIOptionPopUp::close_pop_up_window();
  pump_all_windows();
  EXPECT_FALSE(viewable(*pop_up()));
  EXPECT_EQ(pop_up()->first_top, nullptr);
  EXPECT_EQ(BlockImage::alive, 1);
  EXPECT_TRUE(choices.empty());
}

TEST_F(UIOptionPopUpTest, ReleaseWithoutMotionKeepsItOpenAndALaterClickChooses) {
  ShownWindow shown(120, 60, paper);
  UIOptionPopUp* o = make_option(shown, 1);
  ASSERT_TRUE(open(shown, o));
  // The release of the opening press lands on entry 1, under the pointer.
  EXPECT_TRUE(send(*pop_up(), ButtonRelease, 30, 36));
  EXPECT_EQ(UIOptionPopUp::open_option_pop_up, o);
  EXPECT_TRUE(choices.empty());
  send(*pop_up(), MotionNotify, 30, 60, Button1, 0);
  EXPECT_TRUE(send(*pop_up(), ButtonPress, 30, 60));
  EXPECT_EQ(choices, (std::vector<Choice>{{7, 2}}));
  EXPECT_EQ(UIOptionPopUp::open_option_pop_up, nullptr);
  EXPECT_EQ(o->current_index, 1);  // the runtime's callback reconfigures it
  pump_all_windows();
  EXPECT_FALSE(viewable(*pop_up()));
}

TEST_F(UIOptionPopUpTest, SlidingHighlightsOneEntryAndReleaseChooses) {
  ShownWindow shown(120, 60, paper);
  UIOptionPopUp* o = make_option(shown, 1);
  ASSERT_TRUE(open(shown, o));
  UIMenuButton** entries = UIOptionPopUp::pop_up_menu_buttons;
  move_in_pop_up(30, 60);
  EXPECT_EQ(pop_up()->highlighted_menu_entry, entries[2]);
  EXPECT_TRUE(entries[2]->out);
  move_in_pop_up(30, 10);
  EXPECT_EQ(pop_up()->highlighted_menu_entry, entries[0]);
  EXPECT_FALSE(entries[2]->out);
  EXPECT_TRUE(entries[0]->out);
  EXPECT_TRUE(choices.empty());
  EXPECT_TRUE(send(*pop_up(), ButtonRelease, 30, 10, Button1, Button1Mask));
  EXPECT_EQ(choices, (std::vector<Choice>{{7, 0}}));
  EXPECT_EQ(UIOptionPopUp::open_option_pop_up, nullptr);
  EXPECT_EQ(BlockImage::alive, 1);
}

TEST_F(UIOptionPopUpTest, OnlyOneOpensAtATimeAndInactiveNeverOpens) {
  ShownWindow shown(160, 60, paper);
  UIOptionPopUp* a = make_option(shown, 0);
  UIOptionPopUp* b = make_option(shown, 2, 80);
  ASSERT_TRUE(open(shown, a));
  XEvent press = button_event(shown.window, ButtonPress, Button1, 110, 26);
  EXPECT_FALSE(b->handle_event(&press));
  EXPECT_EQ(UIOptionPopUp::open_option_pop_up, a);
  EXPECT_EQ(UIOptionPopUp::number_of_menu_buttons, 3);
  UIOptionPopUp::close_pop_up_window();  // a click outside every window
  UIOptionPopUp::close_pop_up_window();  // nothing is open: nothing happens
  EXPECT_TRUE(choices.empty());
  EXPECT_TRUE(b->handle_event(&press));
  EXPECT_EQ(UIOptionPopUp::open_option_pop_up, b);
  delete b;  // closes its pop-up
  EXPECT_EQ(UIOptionPopUp::open_option_pop_up, nullptr);
  EXPECT_EQ(BlockImage::alive, 1);
  pump_all_windows();

  UIOptionPopUp* inactive = make_option(shown, 0, 80, nullptr);
  EXPECT_FALSE(inactive->handle_event(&press));
  EXPECT_EQ(UIOptionPopUp::open_option_pop_up, nullptr);
  // Presses on the bevel, outside the rectangle inset 5, do not open either.
  XEvent edge = button_event(shown.window, ButtonPress, Button1, 14, 26);
  EXPECT_FALSE(a->handle_event(&edge));
}

TEST_F(UIOptionPopUpTest, NearTheRightEdgeThePopUpMovesLeftToFit) {
  int screen_width = DisplayWidth(AppContext->ui_display, DefaultScreen(AppContext->ui_display));
  int screen_height = DisplayHeight(AppContext->ui_display, DefaultScreen(AppContext->ui_display));
  // Near the bottom-right corner, in the screen area of the last slot, which
  // this program holds for the test.
  DisplayLock corner(screen_slot_lock(SCREEN_SLOTS - 1));
  ShownWindow shown(120, 60, paper);
  shown.window.set_origin(short(screen_width - 120), short(screen_height - 200));
  pump_all_windows();
  wide = true;
  UIOptionPopUp* o = make_option(shown, 0);
  ASSERT_TRUE(open(shown, o));
  EXPECT_EQ(pop_up()->width, 210);
  Screen entries = content_origin(pop_up()->x_window);
  EXPECT_EQ(entries.x, screen_width - 210);
  EXPECT_EQ(entries.y, content_origin(shown.window.x_window).y + 14);
}

}  // namespace
