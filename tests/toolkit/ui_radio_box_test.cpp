#include "base/checked_mm.h"
#include "tests/toolkit/block_image.h"
#include "tests/toolkit/widget_events.h"
#include "tests/toolkit/widget_pixels.h"
#include "toolkit/image.h"
#include "toolkit/ui_text_radio_box.h"

namespace {

struct Pick {
  long id;
  unsigned short index;
  bool operator==(const Pick&) const = default;
};
std::vector<Pick> picks;
void picked(long id, unsigned short index) { picks.push_back({id, index}); }

class UIRadioBoxTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    picks.clear();
  }
  // Two 10 x 10 blocks: mark 9, natural 42 x 36; a height of 40 gives spacing 2.
  UIRadioBox* make_box(ShownWindow& shown, unsigned short height, bool light_fill = false,
                       void (*change)(long, unsigned short) = picked) {
    auto* box = new UIRadioBox(&shown.window, 7, nullptr);
    box->reconfigure(10, 10, 0, height, 2, true, blocks, 0, false, light_fill, 0, widget_bg,
                     change, false);
    shown.window.repair_objects();
    return box;
  }
  BlockImage first{10, 10}, second{10, 10};
  Image* blocks[2] = {&first, &second};
};

TEST_F(UIRadioBoxTest, MarkAndNaturalSizeFollowTheItems) {
  struct Case {
    std::vector<unsigned short> heights;
    unsigned short mark, natural_width, natural_height;
  };
  const Case cases[] = {
      {{20}, 14, 35 + 10 + 8, 10 + 23},          // tallest - 1 limited to 14
      {{6}, 7, 17 + 10 + 8, 10 + 10},            // and at least 7
      {{6, 12}, 11, 27 + 10 + 8, 10 + 14 + 15},  // rows take max(item height, mark) + 3
      {{}, 0, 10, 10},
  };
  ShownWindow shown(100, 100, paper);
  for (const Case& c : cases) {
    std::vector<BlockImage*> images;
    std::vector<Image*> items;
    for (unsigned short h : c.heights) {
      images.push_back(new BlockImage(8, h));
      items.push_back(images.back());
    }
    UIRadioBox box(&shown.window, 1, nullptr);
    box.reconfigure(0, 0, 0, 0, static_cast<unsigned short>(items.size()), true, items.data(), 0,
                    false, false, 0, widget_bg, picked, false);
    EXPECT_EQ(box.mark_size, c.mark) << c.heights.size();
    EXPECT_EQ(box.width, c.natural_width) << c.heights.size();
    EXPECT_EQ(box.height, c.natural_height) << c.heights.size();
    EXPECT_EQ(box.spacing, 0);
    for (BlockImage* i : images) delete i;
  }
}

TEST_F(UIRadioBoxTest, DrawsRowsItemsAndMarks) {
  ShownWindow shown(80, 70, paper);
  UIRadioBox* box = make_box(shown, 40);
  ASSERT_EQ(box->mark_size, 9);
  ASSERT_EQ(box->spacing, 2);
  // Rows of 14 from y 15 and 30; items at x 33, bottom rows 27 and 42; marks
  // centred at (24, 22) and (24, 37), the first one filled.
  expect_points(shown, {
      {10, 30, paper}, {11, 30, paper},             // border
      {12, 30, black}, {30, 12, black},             // sunken: left and top black
      {49, 30, white}, {30, 47, white},             // right and bottom white
      {33, 18, black}, {42, 27, black}, {33, 33, black}, {42, 42, black},  // items
      {43, 20, widget_bg}, {33, 17, widget_bg}, {33, 28, widget_bg},       // row bands
      {33, 29, paper}, {13, 29, widget_bg}, {45, 44, widget_bg},  // the gap; the ring
      {24, 22, white}, {22, 22, white}, {24, 37, widget_bg},             // filled mark
      {24, 18, black}, {24, 27, white}, {24, 33, black}, {24, 42, white},  // ring: top, bottom
  });
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
}

TEST_F(UIRadioBoxTest, LightFillAndInactiveStipple) {
  ShownWindow shown(80, 70, paper);
  make_box(shown, 40, true);
  expect_points(shown, {{43, 20, light}, {45, 44, light}, {13, 29, light}});
  delete shown.window.first_top;
  UIRadioBox* inactive = make_box(shown, 40, false, nullptr);
  auto pixels = shown.read_pixels();
  int stippled = 0;
  for (int x = 43; x < 47; ++x) stippled += pixels[size_t(20) * 80 + size_t(x)] == widget_bg;
  EXPECT_EQ(stippled, 4);  // the stipple is drawn in the background colour over the band
  EXPECT_FALSE(send(shown.window, ButtonPress, 30, 20));
  EXPECT_TRUE(picks.empty());
  EXPECT_EQ(inactive->cursor, AppContext->cursors[UIAppContext::cursor_left_ptr]);
  if (HasFailure()) printf("%s", pixel_map(shown).c_str());
}

TEST_F(UIRadioBoxTest, PressReportsTheRowUnderThePointer) {
  ShownWindow shown(80, 70, paper);
  UIRadioBox* box = make_box(shown, 40);
  EXPECT_EQ(box->cursor, AppContext->cursors[UIAppContext::cursor_hand2]);
  // Rows walk by spacing + max(mark, item) + 3 = 15 from y 15; the last row takes the rest.
  struct Case {
    int x, y;
    bool handled;
    int index;
  };
  const Case cases[] = {
      {30, 16, true, 0},  {30, 29, true, 0},  {30, 30, true, 1},  {30, 44, true, 1},
      {16, 20, true, 0},  {46, 35, true, 1},  // the whole width inside the inset
      {15, 20, false, -1}, {47, 20, false, -1}, {30, 15, false, -1}, {30, 45, false, -1},
  };
  for (const Case& c : cases) {
    picks.clear();
    EXPECT_EQ(send(shown.window, ButtonPress, c.x, c.y), c.handled) << c.x << "," << c.y;
    send(shown.window, ButtonRelease, c.x, c.y);
    if (c.index < 0) {
      EXPECT_TRUE(picks.empty()) << c.x << "," << c.y;
    } else {
      EXPECT_EQ(picks, (std::vector<Pick>{{7, static_cast<unsigned short>(c.index)}}))
          << c.x << "," << c.y;
    }
  }
  // The box leaves its index to the callback; other buttons do nothing.
  EXPECT_EQ(box->current_index, 0);
  picks.clear();
  EXPECT_FALSE(send(shown.window, ButtonPress, 30, 20, Button3));
  EXPECT_TRUE(picks.empty());
}

TEST_F(UIRadioBoxTest, TextBoxOwnsItsTextsAndKeepsItsLookOnSetIndex) {
  int32_t balance = GetMallocBalance();
  {
    ShownWindow shown(200, 100, paper);
    const char* const strings[] = {"alpha", "beta", "gamma"};
    auto* box = new UITextRadioBox(&shown.window, 5, 5, 0, 0, 0, 3, strings, 2, true, false,
                                   picked);
    EXPECT_EQ(box->object_id, object_tag(box));
    EXPECT_EQ(box->current_index, 2);
    EXPECT_EQ(box->count, 3);
    shown.window.repair_objects();
    EXPECT_FALSE(box->damaged);
    box->set_index(1);
    EXPECT_EQ(box->current_index, 1);
    EXPECT_TRUE(box->damaged);
    EXPECT_TRUE(box->black_border);
    box->set_position(20, 8);
    EXPECT_EQ(box->x, 20);
    EXPECT_EQ(box->current_index, 1);
    box->damaged = false;
    box->set_index(1);  // nothing changes
    EXPECT_FALSE(box->damaged);
  }
  EXPECT_EQ(GetMallocBalance(), balance);
}

}  // namespace
