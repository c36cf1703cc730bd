#include "tests/toolkit/widget_pixels.h"
#include "toolkit/image_picture.h"
#include "toolkit/neutral_picture.h"
#include "toolkit/ui_picture_button.h"

namespace {

constexpr uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;

ImagePicture* solid(uint32_t rgb) {
  neutral_picture* p = new_neutral_picture(0, 4, 4);
  for (int i = 0; i < 16; ++i) {
    unsigned char* px = p->pixels() + i * 4;
    px[0] = (rgb >> 16) & 0xFF;
    px[1] = (rgb >> 8) & 0xFF;
    px[2] = rgb & 0xFF;
    px[3] = 255;
  }
  return new ImagePicture(p, 0, 0);
}

// A 10 x 10 button at (2, 2): the 4 x 4 picture covers columns and rows 5 to 8.
UIPictureButton* make_picture_button(ShownWindow& shown, void (*activate)(long)) {
  auto* b = new UIPictureButton(&shown.window, 6, nullptr);
  b->reconfigure(2, 2, 10, 10, true, true, 0, solid(red), solid(green), solid(blue), activate,
                 false);
  return b;
}

using UIPictureButtonTest = WidgetTest;

TEST_F(UIPictureButtonTest, StatesFollowThePointerAndTheButton) {
  ShownWindow shown(20, 20, paper);
  UIPictureButton* b = make_picture_button(shown, count_activate);
  EXPECT_EQ(b->minimum_width, 6);
  shown.window.redraw();
  expect_points(shown, {{2, 2, black}, {11, 11, black}, {3, 3, light}, {4, 5, light},
                        {5, 5, red}, {8, 8, red}, {9, 8, light}, {5, 9, light}});
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
  send(shown.window, MotionNotify, 6, 6);
  EXPECT_EQ(b->state, UIPictureButton::pointer_over);
  expect_points(shown, {{5, 5, green}, {8, 8, green}});
  EXPECT_TRUE(send(shown.window, ButtonPress, 6, 6));
  EXPECT_EQ(b->state, UIPictureButton::pressed);
  expect_points(shown, {{5, 5, blue}});
  EXPECT_TRUE(send(shown.window, ButtonRelease, 6, 6));
  EXPECT_EQ(calls.activate, 1);
  EXPECT_EQ(calls.last_id, 6);
  EXPECT_EQ(b->state, UIPictureButton::pointer_over);
  EXPECT_TRUE(send(shown.window, ButtonPress, 6, 6));
  EXPECT_TRUE(send(shown.window, ButtonRelease, 18, 18));  // released outside
  EXPECT_EQ(calls.activate, 1);
  EXPECT_EQ(b->state, UIPictureButton::normal);
  expect_points(shown, {{5, 5, red}, {3, 3, light}});
}

TEST_F(UIPictureButtonTest, WithoutActivateItStaysNormalAndStippled) {
  ShownWindow shown(20, 20, paper);
  UIPictureButton* b = make_picture_button(shown, nullptr);
  shown.window.redraw();
  EXPECT_TRUE(b->handle_enter());
  EXPECT_EQ(b->state, UIPictureButton::normal);
  send(shown.window, MotionNotify, 6, 6);
  EXPECT_FALSE(send(shown.window, ButtonPress, 6, 6));
  EXPECT_EQ(b->state, UIPictureButton::normal);
  auto pixels = shown.read_pixels();
  uint32_t a = pixels[5 * 20 + 5], c = pixels[5 * 20 + 6];
  EXPECT_TRUE((a == red && c == light) || (a == light && c == red)) << std::hex << a << " " << c;
}

TEST_F(UIPictureButtonTest, OnlyTheNormalPictureCountsAsAChange) {
  ShownWindow shown(20, 20, paper);
  UIPictureButton* b = make_picture_button(shown, count_activate);
  shown.window.redraw();
  b->reconfigure(2, 2, 10, 10, true, true, 0, nullptr, solid(blue), solid(green),
                 count_activate, false);
  EXPECT_FALSE(b->damaged);
  b->handle_enter();
  expect_points(shown, {{5, 5, blue}});
  b->reconfigure(2, 2, 10, 10, true, true, 0, solid(green), nullptr, nullptr, count_activate,
                 false);
  EXPECT_TRUE(b->damaged);
}

}  // namespace
