#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include <cmath>
#include <vector>

#include "tests/toolkit/toolkit_fixture.h"
#include "tests/toolkit/widget_events.h"
#include "toolkit/hls.h"
#include "toolkit/ui_color_editor.h"
#include "toolkit/ui_slider.h"
#include "toolkit/ui_thumb_wheel.h"

namespace {

// The runtime's part: take the reported value and reconfigure the widget.
UISlider* live_slider = nullptr;
std::vector<long> slider_values;
int slider_releases = 0;
void slider_changed(long) {
  slider_values.push_back(live_slider->value());
}
void slider_released(long) { ++slider_releases; }

struct KnobCase {
  const char* name;
  unsigned short width, height;
  long minimum, maximum, value;
  short knob;
};

const KnobCase knob_cases[] = {
    {"MiddleOfAHundredPixelTrack", 126, 27, 0, 100, 50, 50},
    {"BelowTheMinimumPinsToTheStart", 126, 27, 0, 100, -20, 0},
    {"AboveTheMaximumPinsToTheEnd", 126, 27, 0, 100, 250, 100},
    {"RoundsToTheNearestPixel", 126, 27, 0, 300, 100, 33},
    {"NegativeRange", 126, 27, -50, 50, 0, 50},
    {"TooSmallGrowsToTheMinimumSize", 10, 10, 0, 1, 1, 1},
    {"VerticalCountsTheLongSide", 27, 76, 0, 10, 10, 50},
};

void PrintTo(const KnobCase& c, std::ostream* os) { *os << c.name; }

class SliderKnob : public testing::TestWithParam<KnobCase> {};

TEST_P(SliderKnob, ValueSetsTheKnob) {
  const KnobCase& c = GetParam();
  ShownWindow shown(200, 100);
  auto* slider = new UISlider(&shown.window, 3, nullptr);
  slider->reconfigure(5, 5, c.width, c.height, false, false, c.minimum, c.maximum, c.value,
                      nullptr, slider_changed, false);
  EXPECT_EQ(slider->knob_position, c.knob);
  EXPECT_GE(slider->width, 26);
  EXPECT_GE(slider->height, 27);
}

INSTANTIATE_TEST_SUITE_P(Positions, SliderKnob, testing::ValuesIn(knob_cases),
                         [](const testing::TestParamInfo<KnobCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(Slider, PressPutsTheKnobCentreUnderThePointerAndReportsChangesOnly) {
  ShownWindow shown(200, 60, 0xC0C0C0);
  auto* slider = new UISlider(&shown.window, 3, nullptr);
  live_slider = slider;
  slider_values.clear();
  slider_releases = 0;
  slider->reconfigure(10, 10, 126, 27, false, false, 0, 100, 0, slider_released,
                      slider_changed, false);
  shown.window.repair_objects();
  // Knob centre 13 pixels in: a press at x 10 + 13 + 40 puts the knob at 40.
  drag_button1(shown.window, 63, 20, {{63, 22}, {83, 22}, {500, 22}});
  EXPECT_EQ(slider_values, (std::vector<long>{40, 60, 100}));
  EXPECT_EQ(slider->knob_position, 100);
  EXPECT_EQ(slider_releases, 1);
  // The knob is drawn where it stands (the white top of its raised bevel) and
  // its previous place is painted over with the background.
  auto pixels = shown.read_pixels();
  EXPECT_EQ(pixels[size_t(10 + 5) * 200 + size_t(10 + 100 + 8)], 0xFFFFFFu);
  EXPECT_EQ(pixels[size_t(10 + 5) * 200 + size_t(10 + 60 + 8)], 0xC0C0C0u);
  EXPECT_EQ(pixels[size_t(10 + 5) * 200 + size_t(10 + 40 + 8)], 0xC0C0C0u);
  EXPECT_EQ(synced_x_error_count(), 0);
}

TEST(Slider, VerticalKnobCountsFromTheBottom) {
  ShownWindow shown(100, 200);
  auto* slider = new UISlider(&shown.window, 3, nullptr);
  live_slider = slider;
  slider_values.clear();
  slider->reconfigure(10, 10, 27, 126, false, false, 0, 100, 0, nullptr, slider_changed, false);
  XEvent press = button_event(shown.window, ButtonPress, Button1, 20, 10 + 13);
  shown.window.handle_window_event(&press, true);
  EXPECT_EQ(slider_values, (std::vector<long>{100}));  // the top is the maximum
}

TEST(Slider, WithoutChangeCallbackIgnoresPresses) {
  ShownWindow shown(200, 60);
  auto* slider = new UISlider(&shown.window, 3, nullptr);
  slider->reconfigure(10, 10, 126, 27, false, false, 0, 100, 0, nullptr, nullptr, false);
  XEvent press = button_event(shown.window, ButtonPress, Button1, 63, 20);
  EXPECT_FALSE(slider->handle_event(&press));
  EXPECT_EQ(slider->knob_position, 0);
  EXPECT_EQ(slider->cursor, AppContext->cursors[UIAppContext::cursor_left_ptr]);
}

UIThumbWheel* live_wheel = nullptr;
std::vector<long> wheel_changes, wheel_activations;
void wheel_changed(long, long value) {
  wheel_changes.push_back(value);
  live_wheel->reconfigure(live_wheel->x, live_wheel->y, live_wheel->width, live_wheel->height,
                          false, false, value, live_wheel->activate_cb, live_wheel->change_cb,
                          false);
}
void wheel_activated(long, long value) { wheel_activations.push_back(value); }

TEST(ThumbWheel, DragReportsTheRunningValueAndReleaseTheRest) {
  ShownWindow shown(200, 60);
  auto* wheel = new UIThumbWheel(&shown.window, 4, nullptr);
  live_wheel = wheel;
  wheel_changes.clear();
  wheel_activations.clear();
  wheel->reconfigure(10, 10, 120, 20, false, false, 5, wheel_activated, wheel_changed, false);
  XEvent press = button_event(shown.window, ButtonPress, Button1, 50, 20);
  shown.window.handle_window_event(&press, true);
  for (int x : {60, 60, 55}) {
    XEvent motion = motion_event(shown.window, x, 20, Button1Mask);
    shown.window.handle_window_event(&motion, true);
  }
  XEvent release = button_event(shown.window, ButtonRelease, Button1, 58, 20, Button1Mask);
  shown.window.handle_window_event(&release, true);
  EXPECT_EQ(wheel_changes, (std::vector<long>{15, 10}));
  EXPECT_EQ(wheel_activations, (std::vector<long>{13}));
}

TEST(ThumbWheel, GroovesRepeatEveryTwelveUnits) {
  ShownWindow shown(200, 60, 0xC0C0C0);
  auto* wheel = new UIThumbWheel(&shown.window, 4, nullptr);
  auto row_at = [&](long value) {
    wheel->reconfigure(10, 10, 150, 24, false, false, value, nullptr, wheel_changed, false);
    shown.window.repair_objects();
    auto pixels = shown.read_pixels();
    return std::vector<uint32_t>(pixels.begin() + 20 * 200 + 10, pixels.begin() + 20 * 200 + 160);
  };
  auto at0 = row_at(0);
  auto at6 = row_at(6);
  auto at12 = row_at(12);
  auto at_minus12 = row_at(-12);
  EXPECT_EQ(at0, at12);
  EXPECT_EQ(at0, at_minus12);
  EXPECT_NE(at0, at6);
  // The middle groove is black and moves with the value.
  EXPECT_EQ(at0[75], 0u);
  EXPECT_EQ(at6[75 + 6], 0u);
}

std::vector<std::vector<float>> colour_changes;
int colour_ends = 0;
void colour_changed(long, float r, float g, float b) { colour_changes.push_back({r, g, b}); }
void colour_ended(long) { ++colour_ends; }

TEST(ColorEditor, GreyKeepsTheHueAndBlackAlsoTheSaturation) {
  ShownWindow shown(200, 100);
  auto* editor = new UIColorEditor(&shown.window, 5, nullptr);
  editor->reconfigure(10, 10, 160, 80, false, false, 4, 0.8f, 0.2f, 0.2f, nullptr, colour_changed,
                      false);
  float hue = editor->hue, saturation = editor->saturation;
  EXPECT_NEAR(hue, 0, 0.01);
  editor->reconfigure(10, 10, 160, 80, false, false, 4, 0.2f, 0.6f, 0.2f, nullptr, colour_changed,
                      false);
  hue = editor->hue;
  saturation = editor->saturation;
  EXPECT_NEAR(hue, 120, 0.01);
  editor->reconfigure(10, 10, 160, 80, false, false, 4, 0.5f, 0.5f, 0.5f, nullptr, colour_changed,
                      false);
  EXPECT_EQ(editor->hue, hue);
  EXPECT_EQ(editor->saturation, 0);
  editor->reconfigure(10, 10, 160, 80, false, false, 4, 0.2f, 0.6f, 0.2f, nullptr, colour_changed,
                      false);
  editor->reconfigure(10, 10, 160, 80, false, false, 4, 0, 0, 0, nullptr, colour_changed, false);
  EXPECT_EQ(editor->hue, hue);
  EXPECT_EQ(editor->saturation, saturation);
  EXPECT_EQ(editor->lightness, 0);
}

TEST(ColorEditor, PressesMapToTheModelsQuantities) {
  ShownWindow shown(200, 100, 0xC0C0C0);
  auto* editor = new UIColorEditor(&shown.window, 5, nullptr);
  editor->reconfigure(10, 10, 160, 80, false, false, 4, 0.2f, 0.6f, 0.2f, colour_ended,
                      colour_changed, false);
  shown.window.repair_objects();
  colour_changes.clear();
  colour_ends = 0;
  // The gap between pane and slider: nothing changes, nothing is called.
  int gap = editor->pane_right() + 5;
  XEvent press = button_event(shown.window, ButtonPress, Button1, gap, 40);
  EXPECT_TRUE(shown.window.handle_window_event(&press, true));
  EXPECT_TRUE(colour_changes.empty());
  // In the pane with model 4: lightness from x, saturation from y.
  int px = editor->pane_left() + (editor->pane_right() - editor->pane_left()) / 4;
  int py = editor->top() + (editor->bottom() - editor->top()) / 2;
  drag_button1(shown.window, px, py, {});
  ASSERT_EQ(colour_changes.size(), 1u);
  float l = float(px - editor->pane_left()) / float(editor->pane_right() - editor->pane_left());
  float s = 1 - float(py - editor->top()) / float(editor->bottom() - editor->top());
  float r, g, b;
  convert_hls_to_rgb(editor->hue, l, s, &r, &g, &b);
  EXPECT_FLOAT_EQ(colour_changes[0][0], r);
  EXPECT_FLOAT_EQ(colour_changes[0][1], g);
  EXPECT_FLOAT_EQ(colour_changes[0][2], b);
  EXPECT_EQ(colour_ends, 1);
  // Model 1: the slider sets red from the top (1) to the bottom (0).
  editor->reconfigure(10, 10, 160, 80, false, false, 1, 0.2f, 0.6f, 0.2f, colour_ended,
                      colour_changed, false);
  colour_changes.clear();
  drag_button1(shown.window, editor->slider_left() + 2, editor->top(),
               {{editor->slider_left() + 2, editor->bottom() + 30}});
  ASSERT_EQ(colour_changes.size(), 2u);
  EXPECT_EQ(colour_changes[0], (std::vector<float>{1, 0.6f, 0.2f}));
  EXPECT_EQ(colour_changes[1], (std::vector<float>{0, 0.6f, 0.2f}));
  EXPECT_EQ(synced_x_error_count(), 0);
}

TEST(ColorEditor, DrawsTheGradientsAndInvertingMarkers) {
  ShownWindow shown(200, 100, 0xC0C0C0);
  auto* editor = new UIColorEditor(&shown.window, 5, nullptr);
  editor->reconfigure(10, 10, 160, 80, false, false, 1, 0.0f, 0.0f, 0.0f, nullptr,
                      colour_changed, false);
  shown.window.repair_objects();
  auto pixels = shown.read_pixels();
  auto at = [&](int x, int y) { return pixels[size_t(y) * 200 + size_t(x)]; };
  // Model 1 pane at red 0: blue grows to the right, green upwards.
  uint32_t top_right = at(editor->pane_right() - 2, editor->top() + 2);
  uint32_t bottom_left = at(editor->pane_left() + 3, editor->bottom() - 3);
  EXPECT_GT(top_right & 0xFF, 0xE0u);
  EXPECT_GT((top_right >> 8) & 0xFF, 0xE0u);
  EXPECT_LT(bottom_left & 0xFF, 0x20u);
  EXPECT_LT((bottom_left >> 8) & 0xFF, 0x20u);
  // The slider runs from black at the bottom to red at the top.
  uint32_t slider_top = at(editor->slider_left() + 3, editor->top() + 2);
  EXPECT_GT(slider_top >> 16, 0xE0u);
  EXPECT_EQ(slider_top & 0xFFFF, 0u);
  // Red 0 puts the slider marker on the bottom row, inverted to near white.
  EXPECT_GT(at(editor->slider_left() + 3, editor->bottom()) & 0xFF, 0xE0u);
}

}  // namespace
