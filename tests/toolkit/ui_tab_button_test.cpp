#include "tests/toolkit/widget_pixels.h"
#include "toolkit/ui_tab_button.h"

namespace {

using UITabButtonTest = WidgetTest;

TEST_F(UITabButtonTest, CurrentTabStandsHigherWithItsBaseLineOpen) {
  ShownWindow shown(50, 26, paper);
  auto* current = new UITabButton(&shown.window, 1, 1, 0, "A", nullptr);
  auto* other = new UITabButton(&shown.window, 2, short(current->x + current->width), 0, "B",
                                count_activate);
  EXPECT_EQ(current->y, 0);
  EXPECT_EQ(current->height, current->minimum_height);
  EXPECT_EQ(current->width, current->minimum_width);
  shown.window.redraw();
  // Base line at row h - 3: window background under the current tab, white beyond.
  int base = current->height - 3;
  int ox = other->x;
  float r, g, b;
  shown.window.get_background_rgb(r, g, b);
  auto face = [](float c) { return uint32_t((c > 1.0f / 6 ? c - 1.0f / 6 : c + 1.0f / 6) * 255 + 0.5f); };
  uint32_t shifted = face(r) << 16 | face(g) << 8 | face(b);
  auto pixels = shown.read_pixels();
  uint32_t got_face = pixels[size_t(12) * 50 + size_t(ox + 3)];
  for (int shift : {16, 8, 0}) {
    EXPECT_NEAR(int((got_face >> shift) & 0xFF), int((shifted >> shift) & 0xFF), 1);
  }
  expect_points(shown, {{5, 2, white}, {1, 10, white}, {18, 10, black},   // current tab
                        {5, base, paper}, {ox + 3, base, white}, {ox + other->width - 2, base, white},
                        {5, 10, paper},                                    // its face
                        {ox + 5, 4, light}, {ox + 5, 2, paper}, {ox, 10, light},
                        {ox + other->width - 1, 10, black}});
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
  EXPECT_TRUE(send(shown.window, ButtonPress, ox + 4, 10));
  EXPECT_EQ(calls.activate, 1);
  EXPECT_EQ(calls.last_id, 2);
  EXPECT_FALSE(send(shown.window, ButtonPress, 5, 10));
  other->set_activate_callback(nullptr);
  expect_points(shown, {{ox + 5, 2, white}});
  delete other;
}

}  // namespace
