#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <vector>

#include "tests/toolkit/toolkit_fixture.h"
#include "tests/toolkit/widget_events.h"
#include "toolkit/fonts.h"
#include "toolkit/ui_slider.h"
#include "toolkit/ui_text_selection_list.h"

namespace {

const char* const names[] = {"zero", "one", "two", "three", "four", "five", "six", "seven"};
constexpr int entry_count = 8;

// The caller's selection storage.
uintptr_t selected_words[entry_count];
uintptr_t words_address;
uintptr_t single_index;
uintptr_t* multiple_getter(long) { return &words_address; }
uintptr_t* single_getter(long) { return &single_index; }

struct Change {
  long entry;
  bool again, changed;
  bool operator==(const Change&) const = default;
};
std::vector<Change> changes;
void changed(long, long entry, bool again, bool did_change) {
  changes.push_back({entry, again, did_change});
}

class SelectionList : public testing::Test {
 protected:
  void SetUp() override {
    for (uintptr_t& w : selected_words) w = 0;
    words_address = reinterpret_cast<uintptr_t>(selected_words);
    single_index = 0;
    changes.clear();
  }
  UITextSelectionList* make(ShownWindow& shown, bool single, unsigned short height = 0) {
    auto* list = new UITextSelectionList(&shown.window, single ? single_getter : multiple_getter,
                                         10, 10, 120, height, 0, single, entry_count, true, names,
                                         false, false, false, changed);
    shown.window.repair_objects();
    return list;
  }
  // The middle row of entry i of a list at y 10 that is not scrolled.
  static int row_of(int i) {
    int h = Fonts::fonts[0]->line_height;
    return 10 + 5 + i * (h + 1) + h / 2;
  }
  static std::vector<int> selection() {
    std::vector<int> on;
    for (int i = 0; i < entry_count; ++i) {
      if (selected_words[i] != 0) on.push_back(i);
    }
    return on;
  }
  static void press(ShownWindow& shown, int i, unsigned state = 0) {
    XEvent p = button_event(shown.window, ButtonPress, Button1, 60, row_of(i), state);
    shown.window.handle_window_event(&p, true);
    XEvent r = button_event(shown.window, ButtonRelease, Button1, 60, row_of(i), Button1Mask);
    shown.window.handle_window_event(&r, true);
  }
  static void motion(ShownWindow& shown, int i) {
    XEvent m = motion_event(shown.window, 60, row_of(i), Button1Mask);
    shown.window.handle_window_event(&m, true);
  }
};

TEST_F(SelectionList, ClickControlClickAndShiftClick) {
  ShownWindow shown(200, 200);
  make(shown, false);
  press(shown, 2);
  EXPECT_EQ(selection(), (std::vector<int>{2}));
  press(shown, 5, ControlMask);
  EXPECT_EQ(selection(), (std::vector<int>{2, 5}));
  press(shown, 5, ControlMask);  // toggles off again
  EXPECT_EQ(selection(), (std::vector<int>{2}));
  press(shown, 1);
  press(shown, 4, ShiftMask);
  EXPECT_EQ(selection(), (std::vector<int>{1, 2, 3, 4}));
  press(shown, 6);  // a plain click keeps only the clicked entry
  EXPECT_EQ(selection(), (std::vector<int>{6}));
  press(shown, 6);
  EXPECT_EQ(changes.back(), (Change{7, true, false}));
}

// At every drag step the selection is exactly the range between the anchor
// and the pointer's entry, and each change is reported like set_range does.
TEST_F(SelectionList, DragSelectsExactlyTheRangeFromTheAnchor) {
  ShownWindow shown(200, 200);
  make(shown, false);
  press(shown, 0);
  XEvent p = button_event(shown.window, ButtonPress, Button1, 60, row_of(3), ControlMask);
  shown.window.handle_window_event(&p, true);  // anchor 3, with 0 kept selected
  ASSERT_EQ(selection(), (std::vector<int>{0, 3}));
  changes.clear();
  struct Step { int entry; std::vector<int> selected; };
  const Step steps[] = {
      {5, {0, 3, 4, 5}}, {6, {0, 3, 4, 5, 6}}, {4, {0, 3, 4}}, {3, {0, 3}},
      {1, {0, 1, 2, 3}}, {2, {0, 2, 3}},       {7, {0, 3, 4, 5, 6, 7}},
  };
  for (const Step& s : steps) {
    motion(shown, s.entry);
    EXPECT_EQ(selection(), s.selected) << "dragged to " << s.entry;
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), (Change{s.entry + 1, false, true}));
  }
  EXPECT_EQ(changes.size(), std::size(steps));
  // Staying on the same entry changes and reports nothing.
  motion(shown, 7);
  EXPECT_EQ(changes.size(), std::size(steps));
}

TEST_F(SelectionList, SingleModeReportsAgainForTheSelectedEntry) {
  ShownWindow shown(200, 200);
  make(shown, true);
  press(shown, 2);
  EXPECT_EQ(single_index, 3u);
  press(shown, 2);
  EXPECT_EQ(changes, (std::vector<Change>{{3, false, true}, {3, true, false}}));
  drag_button1(shown.window, 60, row_of(0), {{60, row_of(4)}});
  EXPECT_EQ(single_index, 5u);
}

TEST_F(SelectionList, HeightZeroShowsAllAndFixedHeightScrolls) {
  ShownWindow shown(200, 200);
  UITextSelectionList* all = make(shown, false);
  int h = Fonts::fonts[0]->line_height;
  EXPECT_EQ(all->slider, nullptr);
  EXPECT_EQ(all->height, entry_count * (h + 1) - 1 + 10);
  delete all;
  // Entries shorter than 27 pixels still give a natural height of 37.
  UITextSelectionList* small = make(shown, false, 1);
  EXPECT_EQ(small->height, 37);
  delete small;
  // Entries that fit: the slider shows 1 of 1 without callbacks.
  UITextSelectionList* roomy = make(shown, false, 150);
  ASSERT_NE(roomy->slider, nullptr);
  EXPECT_EQ(roomy->slider->change_cb, nullptr);
  EXPECT_EQ(roomy->slider->maximum, 1);
  EXPECT_EQ(roomy->scroll, 0);
}

TEST_F(SelectionList, MiddleButtonDragScrollsWithinTheEnds) {
  ShownWindow shown(200, 200);
  UITextSelectionList* list = make(shown, false, 50);
  int largest = list->total_height - list->height + 10;
  ASSERT_GT(largest, 10);
  XEvent p = button_event(shown.window, ButtonPress, Button2, 60, 30);
  shown.window.handle_window_event(&p, true);
  XEvent up = motion_event(shown.window, 60, 20, Button2Mask);
  shown.window.handle_window_event(&up, true);
  EXPECT_EQ(list->scroll, 10);
  XEvent far_up = motion_event(shown.window, 60, -300, Button2Mask);
  shown.window.handle_window_event(&far_up, true);
  EXPECT_EQ(list->scroll, largest);
  XEvent far_down = motion_event(shown.window, 60, 300, Button2Mask);
  shown.window.handle_window_event(&far_down, true);
  EXPECT_EQ(list->scroll, 0);
  // The slider follows at the next draw; moving its knob scrolls the list.
  XEvent q = motion_event(shown.window, 60, 30 - largest / 2, Button2Mask);
  shown.window.handle_window_event(&q, true);
  list->draw();
  EXPECT_EQ(list->slider->value(), largest - list->scroll);
  EXPECT_EQ(synced_x_error_count(), 0);
}

TEST_F(SelectionList, SelectedEntriesShowInverted) {
  ShownWindow shown(200, 200, 0xFFFFFF);
  UITextSelectionList* list = make(shown, false);
  press(shown, 1);
  auto pixels = shown.read_pixels();
  int h = Fonts::fonts[0]->line_height;
  int right = list->x + list->width - 6;  // last column of an entry's band
  auto at = [&](int px, int py) { return pixels[size_t(py) * 200 + size_t(px)]; };
  int top1 = 10 + 5 + (h + 1);
  EXPECT_EQ(at(right, top1), 0u);            // band of entry 1, in the text colour
  EXPECT_EQ(at(right, top1 + h), 0u);
  EXPECT_EQ(at(right, top1 - h - 1 + 2), 0xFFFFFFu);  // entry 0 unselected
  int white_in_band = 0;
  for (int px = list->x + 5; px < list->x + 60; ++px) {
    for (int py = top1; py < top1 + h; ++py) white_in_band += at(px, py) == 0xFFFFFF;
  }
  EXPECT_GT(white_in_band, 5);  // the text, inverted
}

}  // namespace
