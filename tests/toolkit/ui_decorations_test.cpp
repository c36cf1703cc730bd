#include "tests/toolkit/widget_pixels.h"
#include "toolkit/ui_box.h"
#include "toolkit/ui_frame.h"
#include "toolkit/ui_mirrox_cursor.h"
#include "toolkit/ui_separator.h"

namespace {

using UIDecorationsTest = WidgetTest;

struct SeparatorCase {
  const char* name;
  unsigned short width, height;
  std::vector<Point> points;
};

const SeparatorCase separator_cases[] = {
    {"SevenHighIsAHorizontalGroove", 20, 7,
     {{2, 2, black}, {17, 2, black}, {2, 3, white}, {17, 3, white}, {18, 2, paper},
      {2, 4, paper}}},
    {"SevenWideIsAVerticalGroove", 7, 20,
     {{2, 2, black}, {2, 17, black}, {3, 2, white}, {3, 17, white}, {2, 18, paper}}},
    {"SevenBySevenIsHorizontal", 7, 7, {{2, 2, black}, {4, 2, black}, {3, 3, white}}},
    {"OtherwiseAnEtchedRectangle", 20, 12,
     {{2, 2, black}, {17, 9, black}, {3, 3, white}, {16, 8, white}, {10, 6, paper}}},
};

void PrintTo(const SeparatorCase& c, std::ostream* os) { *os << c.name; }

class UISeparatorLook : public testing::TestWithParam<SeparatorCase> {};

TEST_P(UISeparatorLook, DrawsByItsShape) {
  const SeparatorCase& c = GetParam();
  ShownWindow shown(24, 24, paper);
  auto* s = new UISeparator(&shown.window, 1, nullptr);
  s->reconfigure(0, 0, c.width, c.height, false, false);
  shown.window.redraw();
  expect_points(shown, c.points);
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
  delete s;
}

INSTANTIATE_TEST_SUITE_P(Shapes, UISeparatorLook, testing::ValuesIn(separator_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(UIDecorationsTest, BoxFillsInItsColourAndFrameLeavesItsInside) {
  ShownWindow shown(30, 20, paper);
  auto* box = new UIBox(&shown.window, 1, nullptr);
  box->reconfigure(0, 0, 3, 3, true, false, widget_bg);
  EXPECT_EQ(box->width, 7);  // the decorations' minimum
  auto* frame = new UIFrame(&shown.window, 2, nullptr);
  frame->reconfigure(10, 0, 12, 12, false, false);
  shown.window.redraw();
  expect_points(shown, {{0, 0, black}, {1, 1, paper}, {2, 2, widget_bg}, {4, 4, widget_bg},
                        {12, 2, black}, {12, 8, black}, {19, 6, white}, {16, 9, white},
                        {15, 5, paper}});
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
  box->reconfigure(0, 0, 3, 3, true, true, widget_bg);
  EXPECT_TRUE(box->damaged);
  shown.window.repair_objects();
  expect_points(shown, {{4, 4, light}});
  delete frame;
  delete box;
}

TEST_F(UIDecorationsTest, PartnerCursorIsAWhiteArrowAtTheWindowsCorner) {
  ShownWindow shown(20, 25, transparent_colour_word);
  auto* cursor = new UIMirroxCursor(&shown.window, 0, nullptr);
  shown.window.redraw();
  expect_points(shown, {{1, 1, white}, {5, 5, white}, {2, 3, white}, {9, 9, white}});
  EXPECT_NE(shown.pixel(15, 5), white);  // the rest is left transparent
  EXPECT_NE(shown.pixel(1, 8), white);
  delete cursor;
}

}  // namespace
