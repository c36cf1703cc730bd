#include "base/checked_mm.h"
#include "tests/toolkit/widget_pixels.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_button.h"
#include "toolkit/ui_enter_button.h"
#include "toolkit/ui_text_button.h"

namespace {

Image* letter(const char* text = "A") { return new ImageText(0, 0, dup_chars(text)); }

// A 17 x 24 button of the letter A in font 0 at (1, 1) with a black border.
UIButton* make_button(ShownWindow& shown, bool in, void (*activate)(long),
                      bool light_fill = false) {
  auto* b = new UIButton(&shown.window, 7, nullptr);
  b->reconfigure(1, 1, 0, 0, true, light_fill, 0, widget_bg, letter(), in, activate, false);
  return b;
}

struct ButtonLook {
  const char* name;
  bool in;
  bool light_fill;
  std::vector<Point> points;
};

const ButtonLook button_looks[] = {
    {"RaisedHasTopLeftWhiteAndBottomRightBlack", false, false,
     {{1, 1, black}, {17, 24, black}, {2, 2, paper}, {16, 23, paper},
      {3, 3, white}, {10, 3, white}, {3, 10, white}, {3, 22, white},
      {15, 3, black}, {15, 10, black}, {10, 22, black}, {15, 22, black},
      {4, 4, widget_bg}, {14, 21, widget_bg}, {8, 9, black}, {4, 9, widget_bg}}},
    {"SunkenHasTopLeftBlackAndBottomRightWhite", true, false,
     {{1, 1, black}, {3, 3, black}, {10, 3, black}, {3, 10, black},
      {15, 10, white}, {10, 22, white}, {4, 4, widget_bg}, {8, 9, black}}},
    {"LightFillClearsInGrey", false, true,
     {{3, 3, white}, {4, 4, light}, {14, 21, light}, {8, 9, black}}},
};

void PrintTo(const ButtonLook& c, std::ostream* os) { *os << c.name; }

class UIButtonLook : public testing::TestWithParam<ButtonLook> {};

TEST_P(UIButtonLook, DrawsBorderBevelAndCentredImage) {
  const ButtonLook& c = GetParam();
  ShownWindow shown(30, 26, paper);
  UIButton* b = make_button(shown, c.in, count_activate, c.light_fill);
  EXPECT_EQ(b->width, 17);
  EXPECT_EQ(b->height, 24);
  shown.window.redraw();
  expect_points(shown, c.points);
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
}

INSTANTIATE_TEST_SUITE_P(States, UIButtonLook, testing::ValuesIn(button_looks),
                         [](const auto& info) { return std::string(info.param.name); });

using UIButtonTest = WidgetTest;

TEST_F(UIButtonTest, ReleaseInsideActivatesAndLeavesItInUntilSetInFalse) {
  ShownWindow shown(30, 26, paper);
  UIButton* b = make_button(shown, false, count_activate);
  shown.window.redraw();
  EXPECT_TRUE(send(shown.window, ButtonPress, 8, 8));
  EXPECT_TRUE(b->in);
  expect_points(shown, {{3, 3, black}, {15, 10, white}});
  EXPECT_TRUE(send(shown.window, ButtonRelease, 9, 9));
  EXPECT_EQ(calls.activate, 1);
  EXPECT_EQ(calls.last_id, 7);
  EXPECT_TRUE(b->in);
  b->set_in(false);
  expect_points(shown, {{3, 3, white}, {15, 10, black}});
}

TEST_F(UIButtonTest, ReleaseOutsideSetsItOutUnlessItWasInAtThePress) {
  for (bool was_in : {false, true}) {
    ShownWindow shown(30, 26, paper);
    UIButton* b = make_button(shown, was_in, count_activate);
    shown.window.redraw();
    EXPECT_TRUE(send(shown.window, ButtonPress, 8, 8));
    EXPECT_TRUE(send(shown.window, ButtonRelease, 25, 8));  // still goes to the button
    EXPECT_EQ(calls.activate, 0);
    EXPECT_EQ(b->in, was_in);
    expect_points(shown, {{3, 3, was_in ? black : white}});
  }
}

TEST_F(UIButtonTest, OnlyButtonOneActs) {
  ShownWindow shown(30, 26, paper);
  UIButton* b = make_button(shown, false, count_activate);
  EXPECT_FALSE(send(shown.window, ButtonPress, 8, 8, Button3));
  EXPECT_FALSE(send(shown.window, ButtonRelease, 8, 8, Button3));
  EXPECT_FALSE(b->in);
  EXPECT_EQ(calls.activate, 0);
}

TEST_F(UIButtonTest, InactiveIsStippledDeafAndShowsTheDefaultCursor) {
  ShownWindow shown(30, 26, paper);
  UIButton* b = make_button(shown, false, nullptr);
  EXPECT_EQ(b->cursor, AppContext->cursors[UIAppContext::cursor_left_ptr]);
  shown.window.redraw();
  // The checkerboard in the background colour over the white top bevel.
  auto pixels = shown.read_pixels();
  uint32_t a = pixels[3 * 30 + 6];
  uint32_t c = pixels[3 * 30 + 7];
  EXPECT_TRUE((a == white && c == widget_bg) || (a == widget_bg && c == white))
      << std::hex << a << " " << c;
  EXPECT_EQ(pixels[1 * 30 + 1], black);  // the stipple leaves the outer ring
  EXPECT_FALSE(send(shown.window, ButtonPress, 8, 8));
  EXPECT_FALSE(send(shown.window, ButtonRelease, 8, 8));
  EXPECT_FALSE(b->in);
  b->reconfigure(1, 1, 0, 0, true, false, 0, widget_bg, nullptr, false, count_activate, false);
  EXPECT_EQ(b->cursor, AppContext->cursors[UIAppContext::cursor_hand2]);
}

TEST_F(UIButtonTest, ARebuildWhileHeldKeepsItPressed) {
  ShownWindow shown(30, 26, paper);
  UIButton* b = make_button(shown, false, count_activate);
  send(shown.window, ButtonPress, 8, 8);
  b->reconfigure(1, 1, 0, 0, true, false, 0, widget_bg, letter("B"), false, count_activate,
                 false);
  EXPECT_TRUE(b->in);
  send(shown.window, ButtonRelease, 25, 8);
  EXPECT_FALSE(b->in);
}

TEST_F(UIButtonTest, ReconfigureFollowsTheSizeRuleAndDamagesOnlyOnChange) {
  ShownWindow shown(40, 30, paper);
  UIButton* b = make_button(shown, false, count_activate);
  shown.window.redraw();
  long serial = b->image_serial;
  b->reconfigure(1, 1, 0, 0, true, false, 0, widget_bg, nullptr, false, count_activate, false);
  EXPECT_FALSE(b->damaged);
  EXPECT_EQ(b->image_serial, serial);
  b->reconfigure(1, 1, 30, 10, true, false, 0, widget_bg, nullptr, false, count_activate, true);
  EXPECT_TRUE(b->busy_exempt);
  EXPECT_EQ(b->width, 30);   // the request enlarges
  EXPECT_EQ(b->height, 24);  // but never shrinks below the natural size
  EXPECT_TRUE(b->damaged);
  // A move of a mapped button erases the old rectangle.
  shown.window.repair_objects();
  b->reconfigure(5, 3, 30, 10, true, false, 0, widget_bg, nullptr, false, count_activate, true);
  expect_points(shown, {{1, 1, paper}, {3, 24, paper}});
  shown.window.repair_objects();
  expect_points(shown, {{5, 3, black}, {7, 5, white}});
}

TEST_F(UIButtonTest, EnterButtonHasAReturnMarkAndRoomForIt) {
  ShownWindow shown(40, 26, paper);
  auto* b = new UIEnterButton(&shown.window, 3, nullptr);
  b->reconfigure(1, 1, 0, 0, false, false, 0, widget_bg, letter(), false, count_activate, false);
  EXPECT_EQ(b->width, 7 + 14 + 14);
  EXPECT_EQ(b->height, 24);
  shown.window.redraw();
  expect_points(shown, {{29, 9, black},    // the vertical stroke at w - 7
                        {25, 13, black},   // the horizontal stroke at 5 + m / 2
                        {19, 13, black},   // inside the arrow head
                        {29, 16, widget_bg}, {8, 9, black}});
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
  EXPECT_TRUE(send(shown.window, ButtonPress, 8, 8));
  EXPECT_TRUE(send(shown.window, ButtonRelease, 8, 8));
  EXPECT_EQ(calls.activate, 1);
}

TEST_F(UIButtonTest, TextButtonReportsItsOwnAddress) {
  ShownWindow shown(40, 26, paper);
  auto* b = new UITextButton(&shown.window, 2, 1, 0, 0, 0, false, true, false, "OK",
                             count_activate);
  EXPECT_EQ(b->object_id, object_tag(b));
  EXPECT_EQ(b->width, 14 + 10);
  EXPECT_EQ(b->background_colour, paper);
  send(shown.window, ButtonPress, 5, 5);
  send(shown.window, ButtonRelease, 5, 5);
  EXPECT_EQ(calls.activate, 1);
  EXPECT_EQ(calls.last_id, object_tag(b));
  b->set_in(false);
  b->set_position(10, 1);
  EXPECT_EQ(b->x, 10);
  EXPECT_EQ(b->width, 24);
  b->set_activate_callback(nullptr);
  EXPECT_FALSE(send(shown.window, ButtonPress, 15, 5));
  EXPECT_FALSE(b->in);
}

}  // namespace
