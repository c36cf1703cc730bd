#include "base/checked_mm.h"
#include "tests/toolkit/widget_pixels.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_check_button.h"
#include "toolkit/ui_text_check_button.h"

namespace {

using UICheckButtonTest = WidgetTest;

UICheckButton* make_check(ShownWindow& shown, bool checked, void (*toggle)(long, bool)) {
  auto* b = new UICheckButton(&shown.window, 4, nullptr);
  b->reconfigure(1, 1, 0, 0, false, false, 0, widget_bg, new ImageText(0, 0, dup_chars("A")),
                 checked, toggle, false);
  return b;
}

TEST_F(UICheckButtonTest, MarkSizeFollowsTheHeightUpTo14) {
  ShownWindow shown(60, 40, paper);
  UICheckButton* b = make_check(shown, false, count_toggle);
  EXPECT_EQ(b->height, 18);  // image height + 4
  EXPECT_EQ(b->mark_size, 14);
  EXPECT_EQ(b->width, 14 * 3 / 2 + 4 + 7);
  b->reconfigure(1, 1, 0, 30, false, false, 0, widget_bg, nullptr, false, count_toggle, false);
  EXPECT_EQ(b->mark_size, 14);
  auto* small = new UICheckButton(&shown.window, 5, nullptr);
  small->reconfigure(40, 1, 0, 0, false, false, 0, widget_bg, nullptr, false, nullptr, false);
  EXPECT_EQ(small->height, 11);
  EXPECT_EQ(small->mark_size, 7);
}

TEST_F(UICheckButtonTest, DrawsARaisedBoxWithATickWhenChecked) {
  ShownWindow shown(40, 20, paper);
  UICheckButton* b = make_check(shown, true, count_toggle);
  shown.window.redraw();
  // Box from (2, 1) to (16, 15) relative; tick's first stroke at x = 2 + 14 / 4.
  expect_points(shown, {{3, 2, white}, {3, 10, white}, {10, 2, white}, {17, 10, black},
                        {10, 16, black}, {6, 8, black}, {6, 10, black}, {4, 8, widget_bg},
                        {23, 6, black}, {24, 6, black}});  // the label's A
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
  EXPECT_TRUE(send(shown.window, ButtonPress, 5, 5));  // toggles on the press
  EXPECT_FALSE(b->checked);
  EXPECT_EQ(calls.toggles, 1);
  EXPECT_EQ(calls.last_id, 4);
  EXPECT_FALSE(calls.last_checked);
  expect_points(shown, {{6, 8, widget_bg}, {6, 10, widget_bg}, {3, 2, white}});
  EXPECT_FALSE(send(shown.window, ButtonRelease, 5, 5));
  EXPECT_EQ(calls.toggles, 1);
}

TEST_F(UICheckButtonTest, WithoutToggleItIsDeaf) {
  ShownWindow shown(40, 20, paper);
  UICheckButton* b = make_check(shown, false, nullptr);
  EXPECT_FALSE(send(shown.window, ButtonPress, 5, 5));
  EXPECT_FALSE(b->checked);
}

TEST_F(UICheckButtonTest, TextCheckButtonSetsItsCheckThroughReconfigure) {
  ShownWindow shown(60, 20, paper);
  auto* b = new UITextCheckButton(&shown.window, 1, 1, 0, 0, 0, false, false, false, "On",
                                  count_toggle);
  EXPECT_EQ(b->object_id, object_tag(b));
  shown.window.repair_objects();
  b->set_check(true);
  EXPECT_TRUE(b->checked);
  EXPECT_TRUE(b->damaged);
  EXPECT_EQ(calls.toggles, 0);
  b->set_position(3, 1);
  EXPECT_EQ(b->x, 3);
}

}  // namespace
