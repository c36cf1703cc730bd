#include "base/checked_mm.h"
#include "tests/toolkit/widget_pixels.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_menu_button.h"

namespace {

// A menu entry of the letter A in font 0 at (x, 1).
UIMenuButton* make_entry(ShownWindow& shown, short x, uint16_t code, void (*activate)(long),
                         void (*second)(long) = nullptr, bool out = false) {
  auto* b = new UIMenuButton(&shown.window, 9, nullptr);
  b->reconfigure(x, 1, 0, 0, false, false, 0, widget_bg, new ImageText(0, 0, dup_chars("A")),
                 out, code, activate, second);
  return b;
}

struct ShortcutCase {
  uint16_t code;
  const char* text;
};

TEST(UIMenuButtonShortcut, ShowsCodesAsCharactersCaretsOrHex) {
  const ShortcutCase cases[] = {{1, "^A"},  {31, "^_"}, {32, "SP"}, {65, "A"},  {126, "~"},
                                {127, "7F"}, {0, "00"},  {255, "FF"}, {252, ""}, {253, ""},
                                {254, ""}};
  for (const ShortcutCase& c : cases) {
    char text[4];
    UIMenuButton::shortcut_text(c.code, text);
    EXPECT_STREQ(text, c.text) << c.code;
  }
}

using UIMenuButtonTest = WidgetTest;

TEST_F(UIMenuButtonTest, NaturalSizeReservesRoomForTheShortcut) {
  ShownWindow shown(100, 30, paper);
  UIMenuButton* with = make_entry(shown, 1, 65, count_activate);
  UIMenuButton* without = make_entry(shown, 50, 252, count_activate);
  EXPECT_EQ(with->shortcut_room, 14);  // twice the advance of "_" in font 0
  EXPECT_EQ(with->width, 7 + 10 + 8 + 14);
  EXPECT_EQ(without->width, 7 + 10);
  EXPECT_EQ(with->height, 24);
}

TEST_F(UIMenuButtonTest, DrawsOutRaisedWithTheShortcutAtTheRight) {
  ShownWindow shown(45, 26, paper);
  UIMenuButton* b = make_entry(shown, 1, 65, count_activate, nullptr, true);
  shown.window.redraw();
  // The image's A at its left, the shortcut's A at w - r - 11.
  expect_points(shown, {{3, 3, white}, {3, 10, white}, {37, 10, black}, {20, 22, black},
                        {7, 9, black}, {8, 9, black}, {16, 9, black}, {17, 9, black},
                        {12, 9, widget_bg}, {30, 9, widget_bg}});
  b->set_out(false);
  expect_points(shown, {{3, 3, widget_bg}, {37, 10, widget_bg}, {16, 9, black}});
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
}

TEST_F(UIMenuButtonTest, PressCallsTheSecondCallbackAndReleaseActivates) {
  ShownWindow shown(45, 26, paper);
  UIMenuButton* b = make_entry(shown, 1, 65, count_activate, count_second);
  send(shown.window, MotionNotify, 5, 5);  // the pointer enters without a button
  EXPECT_TRUE(send(shown.window, ButtonPress, 5, 5, Button3));  // any button
  EXPECT_EQ(calls.second, 1);
  EXPECT_EQ(calls.activate, 0);
  EXPECT_TRUE(b->out);
  EXPECT_EQ(UIMenuButton::mb_with_cursor, b);
  EXPECT_EQ(shown.window.highlighted_menu_entry, b);
  EXPECT_TRUE(send(shown.window, ButtonRelease, 5, 5, Button3));
  EXPECT_EQ(calls.activate, 1);
  EXPECT_EQ(calls.last_id, 9);
  XEvent outside = pointer_event(shown.window, ButtonRelease, 44, 5);
  EXPECT_FALSE(b->handle_event(&outside));
}

TEST_F(UIMenuButtonTest, OnlyOneEntryPerWindowIsOut) {
  ShownWindow shown(90, 26, paper);
  UIMenuButton* a = make_entry(shown, 1, 65, count_activate);
  UIMenuButton* b = make_entry(shown, 45, 66, count_activate);
  a->set_out(true);
  b->set_out(true);
  EXPECT_FALSE(a->out);
  EXPECT_TRUE(b->out);
  EXPECT_EQ(shown.window.highlighted_menu_entry, b);
  delete b;
  EXPECT_EQ(shown.window.highlighted_menu_entry, nullptr);
  EXPECT_EQ(UIMenuButton::mb_with_cursor, nullptr);
}

TEST_F(UIMenuButtonTest, SubmenuEntryOpensOnPressAndOnSlidingOntoIt) {
  ShownWindow shown(90, 26, paper);
  UIMenuButton* plain = make_entry(shown, 1, 65, count_activate, count_second);
  UIMenuButton* sub = make_entry(shown, 45, 253, count_activate, count_second);
  send(shown.window, MotionNotify, 50, 5);
  EXPECT_TRUE(send(shown.window, ButtonPress, 50, 5));
  EXPECT_EQ(calls.activate, 1);
  EXPECT_EQ(calls.second, 0);
  EXPECT_TRUE(UIWindow::allow_slide);  // the grab is released
  send(shown.window, ButtonRelease, 50, 5);
  EXPECT_EQ(calls.activate, 1);  // no activation on the release of a submenu entry
  // Sliding: onto the plain entry calls its second callback, back onto the submenu opens it.
  EXPECT_TRUE(plain->handle_button_down_enter());
  EXPECT_EQ(calls.second, 1);
  EXPECT_TRUE(plain->out);
  EXPECT_TRUE(plain->handle_button_down_leave());
  EXPECT_FALSE(plain->out);
  EXPECT_TRUE(sub->handle_button_down_enter());
  EXPECT_EQ(calls.activate, 2);
  EXPECT_TRUE(sub->handle_button_down_leave());
  EXPECT_TRUE(sub->out);  // submenu entries stay out
  EXPECT_TRUE(sub->handle_leave());
  EXPECT_EQ(UIMenuButton::mb_with_cursor, nullptr);
}

TEST_F(UIMenuButtonTest, InactiveEntryIsStippledAndDeaf) {
  ShownWindow shown(45, 26, paper);
  UIMenuButton* b = make_entry(shown, 1, 253, nullptr);
  EXPECT_FALSE(send(shown.window, ButtonPress, 5, 5));
  EXPECT_FALSE(b->out);
  EXPECT_FALSE(b->handle_button_down_enter());
  EXPECT_EQ(calls.activate, 0);
}

}  // namespace
