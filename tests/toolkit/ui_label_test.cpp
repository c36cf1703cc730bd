#include "base/checked_mm.h"
#include "tests/toolkit/widget_pixels.h"
#include "toolkit/image_text.h"
#include "toolkit/ui_app_context.h"
#include "toolkit/ui_color_bar.h"
#include "toolkit/ui_label.h"
#include "toolkit/ui_material_label.h"
#include "toolkit/ui_text_label.h"

namespace {

using UILabelTest = WidgetTest;

TEST_F(UILabelTest, DrawsItsImageCentredAndStippledWhenInactive) {
  ShownWindow shown(20, 22, paper);
  auto* label = new UILabel(&shown.window, 3, nullptr);
  label->reconfigure(1, 1, 0, 0, true, false, 0, widget_bg, false,
                     new ImageText(0, 0, dup_chars("A")));
  EXPECT_EQ(label->width, 11);
  EXPECT_EQ(label->height, 18);
  EXPECT_EQ(label->cursor, AppContext->cursors[UIAppContext::cursor_left_ptr]);
  shown.window.redraw();
  expect_points(shown, {{1, 1, black}, {2, 2, paper}, {3, 3, widget_bg},
                        {4, 6, black}, {5, 6, black}, {6, 6, black}});
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
  label->reconfigure(1, 1, 0, 0, true, false, 0, widget_bg, true, nullptr);
  shown.window.repair_objects();
  auto pixels = shown.read_pixels();
  EXPECT_NE(pixels[6 * 20 + 4] == black, pixels[6 * 20 + 5] == black);  // checkerboard
  EXPECT_FALSE(send(shown.window, ButtonPress, 5, 5));
}

TEST_F(UILabelTest, TextLabelGrowsButNeverShrinksAndSetTextResetsTheInk) {
  ShownWindow shown(60, 22, paper);
  auto* label = new UITextLabel(&shown.window, 1, 1, 0, 0, 0, false, false, false, "ABC");
  EXPECT_EQ(label->object_id, object_tag(label));
  EXPECT_EQ(label->width, 21 + 4);
  label->set_text("A");
  EXPECT_EQ(label->width, 25);
  label->set_text("ABCDE");
  EXPECT_EQ(label->width, 35 + 4);
  label->set_ink_color(0xFF0000);
  EXPECT_EQ(label->text_colour, 0xFF0000u);
  shown.window.redraw();
  label->set_text("A");
  EXPECT_EQ(label->text_colour, 0u);
  label->set_position(5, 2);
  EXPECT_EQ(label->x, 5);
  EXPECT_EQ(label->width, 39);
}

struct BarCase {
  const char* name;
  unsigned short width, height;
  int level;
  std::vector<Point> points;
};

constexpr uint32_t bar = 0xFF8000;

const BarCase bar_cases[] = {
    {"FullHorizontalFillsInset5Rows5To14", 40, 20, 100,
     {{5, 5, bar}, {34, 14, bar}, {35, 10, paper}, {5, 15, paper}, {4, 10, paper},
      {5, 4, paper}}},
    {"HalfHorizontalFillsFromTheLeft", 40, 20, 50, {{19, 10, bar}, {20, 10, paper}}},
    {"HalfVerticalFillsFromTheBottom", 20, 40, 50,
     {{10, 34, bar}, {10, 20, bar}, {10, 19, paper}, {14, 30, bar}, {15, 30, paper}}},
    {"SquareFillsFromTheBottom", 20, 20, 50, {{10, 14, bar}, {10, 10, bar}, {10, 9, paper}}},
    {"LevelZeroShowsNoBar", 40, 20, 0, {{5, 10, paper}, {20, 10, paper}}},
};

void PrintTo(const BarCase& c, std::ostream* os) { *os << c.name; }

class UIColorBarLook : public testing::TestWithParam<BarCase> {};

TEST_P(UIColorBarLook, FillsItsShareOfTheInside) {
  const BarCase& c = GetParam();
  ShownWindow shown(40, 40, paper);
  auto* b = new UIColorBar(&shown.window, 1, nullptr);
  b->reconfigure(0, 0, c.width, c.height, false, false, false, c.level, bar);
  shown.window.redraw();
  std::vector<Point> points = c.points;
  points.push_back({2, 2, black});  // the sunken bevel
  expect_points(shown, points);
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
}

INSTANTIATE_TEST_SUITE_P(Levels, UIColorBarLook, testing::ValuesIn(bar_cases),
                         [](const auto& info) { return std::string(info.param.name); });

struct Sample {
  int count = 0;
  long material, x, y, width, height;
};
Sample sample;
void record_sample(long material, long x, long y, long width, long height) {
  sample = {sample.count + 1, material, x, y, width, height};
}

TEST_F(UILabelTest, MaterialLabelHandsItsAreaToTheSampleCallback) {
  ShownWindow shown(40, 40, paper);
  auto* m = new UIMaterialLabel(&shown.window, 1, nullptr);
  m->reconfigure(2, 3, 5, 5, false, false, false, 12, nullptr);
  EXPECT_EQ(m->width, 15);  // the minimum size
  shown.window.redraw();
  expect_points(shown, {{4, 5, black}, {8, 10, paper}});
  shown.window.repair_objects();
  m->reconfigure(2, 3, 20, 30, false, false, false, 12, record_sample);
  EXPECT_TRUE(m->damaged);
  shown.window.repair_objects();
  EXPECT_EQ(sample.count, 1);
  EXPECT_EQ(sample.material, 12);
  EXPECT_EQ(sample.x, 2 + 5);
  EXPECT_EQ(sample.y, 40 - 3 - 30 + 5);  // from the window's bottom
  EXPECT_EQ(sample.width, 10);
  EXPECT_EQ(sample.height, 20);
  m->reconfigure(2, 3, 20, 30, false, false, false, 12, record_sample);
  EXPECT_TRUE(m->damaged);  // even with nothing changed
}

}  // namespace
