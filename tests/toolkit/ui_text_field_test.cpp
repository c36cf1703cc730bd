#include <gtest/gtest.h>  // before X11, whose macros clash with its names

#include "toolkit/ui_text_field.h"
#include <X11/Xatom.h>
#include <X11/keysym.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/x_screen.h"
#include "tests/toolkit/other_client.h"
#include "tests/toolkit/toolkit_fixture.h"
#include "tests/toolkit/widget_events.h"
#include "toolkit/fonts.h"

namespace {

const BitmapFontRec* const courier = Fonts::fonts[0];  // fixed width

std::vector<std::string> verified;  // the text at each verify call
std::vector<int> cycles;
int activations = 0;
std::vector<int> shortcuts;

UITextField* verifying_field = nullptr;
bool verify(long) {
  verified.push_back(verifying_field != nullptr ? verifying_field->get_text() : "");
  return true;
}
void activate(long) { ++activations; }
void cycle(long, cycle_types type) { cycles.push_back(type); }
bool shortcut(long, unsigned char key) {
  shortcuts.push_back(key);
  return false;
}

class TextField : public testing::Test {
 protected:
  // PRIMARY belongs to the whole X server, which the test programs share when
  // they run in parallel: the text field tests take turns.
  void SetUp() override {
    primary_lock.emplace("PRIMARY");
    verified.clear();
    cycles.clear();
    shortcuts.clear();
    activations = 0;
    UIWindow::set_callbacks(nullptr, nullptr, shortcut, nullptr);
  }
  void TearDown() override {
    primary_lock.reset();
    verifying_field = nullptr;
    UIWindow::set_callbacks(nullptr, nullptr, nullptr, nullptr);
  }
  UITextField* make(ShownWindow& shown, const char* text, unsigned short width = 120,
                    void (*act)(long) = nullptr, void (*cyc)(long, cycle_types) = nullptr) {
    auto* field = new UITextField(&shown.window, 7, nullptr);
    field->reconfigure(10, 10, width, 0, courier, false, false, text, act, verify, cyc, 0,
                       0xFFFFFF);
    verifying_field = field;
    shown.window.repair_objects();
    return field;
  }
  std::optional<DisplayLock> primary_lock;
  bool key(ShownWindow& shown, KeySym symbol, unsigned state = 0) {
    XEvent event = key_event(shown.window, symbol, state);
    return shown.window.handle_window_event(&event, true);
  }
  void type(ShownWindow& shown, const char* text) {
    for (const char* c = text; *c != 0; ++c) key(shown, XStringToKeysym(std::string(1, *c).c_str()));
  }
};

struct KeyStep {
  KeySym symbol;
  unsigned state;
};

struct EditCase {
  const char* name;
  const char* start;
  std::vector<KeyStep> keys;
  const char* text;
  int cursor;
  bool last_handled;
};

const EditCase edit_cases[] = {
    {"TypingReplacesTheWholeSelectedText", "abc", {{XK_x, 0}}, "x", 1, true},
    {"HomeThenTypingInsertsAtTheStart", "abc", {{XK_Home, 0}, {XK_x, 0}}, "xabc", 1, true},
    {"BackSpaceAtTheStartDeletesNothingButIsHandled", "abc", {{XK_Home, 0}, {XK_BackSpace, 0}},
     "abc", 0, true},
    {"DeleteAtTheEndDeletesNothingButIsHandled", "abc", {{XK_Left, 0}, {XK_End, 0}, {XK_Delete, 0}}, "abc", 3,
     true},
    {"DeleteRemovesTheCharacterAfterTheCursor", "abc",
     {{XK_Left, 0}, {XK_End, 0}, {XK_Left, 0}, {XK_Left, 0}, {XK_Delete, 0}}, "ac", 1, true},
    {"BackSpaceRemovesTheCharacterBeforeTheCursor", "abc", {{XK_Left, 0}, {XK_BackSpace, 0}},
     "ac", 1, true},
    {"CtrlHIsBackSpace", "abc", {{XK_Left, 0}, {XK_End, 0}, {XK_h, ControlMask}}, "ab", 2, true},
    {"ShiftGivesCapitals", "", {{XK_a, ShiftMask}}, "A", 1, true},
    {"EscapeEmptiesTheField", "abc", {{XK_Escape, 0}}, "", 0, true},
    {"CtrlCWithoutSelectionIsNotHandled", "abc", {{XK_Left, 0}, {XK_End, 0}, {XK_c, ControlMask}}, "abc", 3,
     false},
    {"ReturnWithoutActivateIsNotHandled", "abc", {{XK_Left, 0}, {XK_End, 0}, {XK_Return, 0}}, "abc", 3, false},
    {"TabWithoutCycleIsNotHandled", "abc", {{XK_Left, 0}, {XK_End, 0}, {XK_Tab, 0}}, "abc", 3, false},
    {"UpHasNoCharacterSoIsNotHandled", "abc", {{XK_Left, 0}, {XK_End, 0}, {XK_Up, 0}}, "abc", 3, false},
    {"CtrlXCutsTheSelection", "abc", {{XK_x, ControlMask}}, "", 0, true},
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class TextFieldEditing : public TextField, public testing::WithParamInterface<EditCase> {};

TEST_P(TextFieldEditing, KeyPressesEditTheText) {
  const EditCase& c = GetParam();
  ShownWindow shown(160, 40);
  UITextField* field = make(shown, c.start);
  bool handled = false;
  for (const KeyStep& k : c.keys) handled = key(shown, k.symbol, k.state);
  EXPECT_STREQ(field->get_text(), c.text);
  EXPECT_EQ(field->cursor_index, c.cursor);
  EXPECT_EQ(handled, c.last_handled);
  EXPECT_EQ(field->whole_text_width, field->text_width(0, field->length));
  if (!c.last_handled) {
    EXPECT_FALSE(shortcuts.empty());  // the window offered it on
  }
  EXPECT_EQ(synced_x_error_count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, TextFieldEditing, testing::ValuesIn(edit_cases),
                         [](const testing::TestParamInfo<EditCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(TextField, KeypadKeysTypeTheirCharacters) {
  ShownWindow shown(160, 40);
  UITextField* field = make(shown, "");
  const unsigned long keypad[] = {0xFF95, 0xFF96, 0xFF97, 0xFF98, 0xFF99, 0xFF9A, 0xFF9B,
                                  0xFF9C, 0xFF9D, 0xFF9E, 0xFF9F, 0xFFAA, 0xFFAB, 0xFFAD,
                                  0xFFAF, 0xFF63};
  for (unsigned long k : keypad) EXPECT_TRUE(field->handle_key_press(0, k));
  EXPECT_STREQ(field->get_text(), "7486293150.*+-/ ");
  // A character without a glyph and without a meaning is not taken.
  EXPECT_FALSE(field->handle_key_press(1, 0x1234));
}

TEST_F(TextField, VerifySeesEveryChangeAndEscapeEmpties) {
  ShownWindow shown(160, 40);
  make(shown, "ab");
  verified.clear();
  type(shown, "c");
  key(shown, XK_Escape);
  EXPECT_EQ(verified, (std::vector<std::string>{"c", ""}));
}

TEST_F(TextField, ReturnAndTabAndArrowsReachTheirCallbacks) {
  ShownWindow shown(160, 40);
  make(shown, "ab", 120, activate, cycle);
  EXPECT_TRUE(key(shown, XK_Return));
  EXPECT_TRUE(key(shown, XK_Tab));
  key(shown, XK_Up);
  key(shown, XK_Down);
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(cycles, (std::vector<int>{cycle_tab, cycle_up, cycle_down}));
}

TEST_F(TextField, LosingVerifyWhileFocusedCyclesOnceAndIsStippled) {
  ShownWindow shown(160, 40);
  UITextField* field = make(shown, "ab", 120, nullptr, cycle);
  ASSERT_EQ(shown.window.focused_text_field, field);
  field->reconfigure(10, 10, 120, 0, courier, false, false, nullptr, nullptr, nullptr, cycle, 0,
                     0xFFFFFF);
  field->reconfigure(10, 10, 120, 0, courier, false, false, nullptr, nullptr, nullptr, cycle, 0,
                     0xFFFFFF);
  EXPECT_EQ(cycles, (std::vector<int>{cycle_down}));
  EXPECT_EQ(shown.window.focused_text_field, nullptr);
  EXPECT_EQ(UITextField::selection_owner, nullptr);
  EXPECT_FALSE(key(shown, XK_a));
  EXPECT_EQ(shortcuts, (std::vector<int>{'a'}));
  EXPECT_STREQ(field->get_text(), "ab");
}

TEST_F(TextField, AutoWidthFollowsTheText) {
  ShownWindow shown(300, 40);
  UITextField* field = make(shown, "abcdefgh", 0);
  int advance = int(courier->glyph('a')->advance);
  EXPECT_EQ(field->whole_text_width, 8 * advance) << field->minimum_inner_width;
  EXPECT_EQ(field->width, 8 * advance + 14);
  key(shown, XK_Left);  // drops the selection that the first reconfigure made
  key(shown, XK_End);
  type(shown, "ij");
  EXPECT_EQ(field->width, 10 * advance + 14);
  key(shown, XK_BackSpace);
  EXPECT_EQ(field->width, 9 * advance + 14);
  // A short text keeps the natural width.
  UITextField* narrow = new UITextField(&shown.window, 8, nullptr);
  narrow->reconfigure(10, 30, 0, 0, courier, false, false, "", nullptr, verify, nullptr, 0,
                      0xFFFFFF);
  EXPECT_FALSE(narrow->auto_width);
  EXPECT_EQ(narrow->width, narrow->minimum_inner_width + 12);
}

TEST_F(TextField, LongTextScrollsToKeepTheCursorVisible) {
  ShownWindow shown(160, 40);
  UITextField* field = make(shown, "0123456789abcdefghijklmnopqrstuvwxyz", 80);
  int advance = int(courier->glyph('a')->advance);
  int available = 80 - 14;
  field->draw();
  EXPECT_EQ(field->end_visible, field->length);
  EXPECT_GT(field->first_visible, 0);
  EXPECT_LE(field->text_width(field->first_visible, field->cursor_index), available);
  EXPECT_GT(field->text_width(field->first_visible - 1, field->cursor_index), available - advance);
  key(shown, XK_Home);
  EXPECT_EQ(field->first_visible, 0);
  EXPECT_LE(field->text_width(0, field->end_visible), available);
  EXPECT_LT(field->end_visible, field->length);
}

TEST_F(TextField, ClicksSelectWordThenAllAndDragsExtend) {
  ShownWindow shown(200, 40);
  UITextField* field = make(shown, "one two three", 180);
  int advance = int(courier->glyph('a')->advance);
  int left = field->x + 6;
  int in_two = left + 5 * advance + 2;  // inside "two"
  XEvent press = button_event(shown.window, ButtonPress, Button1, in_two, 18);
  shown.window.handle_window_event(&press, true);
  EXPECT_EQ(field->cursor_index, 6);
  EXPECT_EQ(UITextField::selection_owner, nullptr);
  shown.window.handle_window_event(&press, true);
  EXPECT_EQ(UITextField::selection_owner, field);
  EXPECT_EQ(UITextField::selection_begin, 4);
  EXPECT_EQ(UITextField::selection_end, 7);
  shown.window.handle_window_event(&press, true);
  EXPECT_EQ(UITextField::selection_begin, 0);
  EXPECT_EQ(UITextField::selection_end, 13);
  // A press elsewhere starts over; a drag selects from the cursor.
  drag_button1(shown.window, left + 1, 18, {{left + 2 * advance + 1, 18}, {left + 9 * advance + 1, 18}});
  EXPECT_EQ(UITextField::selection_owner, field);
  EXPECT_EQ(UITextField::selection_begin, 1);
  EXPECT_EQ(UITextField::selection_end, 10);
  // Dragging back past the start swaps the ends.
  drag_button1(shown.window, left + 5 * advance + 1, 18, {{left + 1, 18}});
  EXPECT_EQ(UITextField::selection_begin, 1);
  EXPECT_EQ(UITextField::selection_end, 6);
  type(shown, "x");
  EXPECT_STREQ(field->get_text(), "oxo three");
}

// The pixels of a field at (10, 10): grey window, white text area, black text.
class TextFieldPixels : public TextField {
 protected:
  static constexpr uint32_t grey = 0x808080, white = 0xFFFFFF, black = 0;
};

TEST_F(TextFieldPixels, CursorSelectionAndStippleAtExactPixels) {
  ShownWindow shown(160, 40, grey);
  UITextField* field = make(shown, "ab", 80);
  int line = courier->line_height;
  int left = 16, right = 10 + 80 - 6;
  int top = 10 + field->height - line - 7;
  int bottom = top + line;
  int text = field->text_width(0, 2);
  struct Probe { int x, y; uint32_t colour; const char* what; };
  // All selected, cursor at the end.
  const Probe selected[] = {
      {left + text - 1, bottom, black, "selection band"},
      {left, top + 1, black, "selection band top row"},
      {left, top, grey, "frame above the text area"},
      {left + text, bottom + 1, black, "cursor bar"},
      {left + text + 1, top, black, "cursor bar top"},
      {left + text - 1, top - 1, black, "cursor point"},
      {left + text + 2, bottom + 2, black, "cursor point"},
      {left + text, bottom + 2, grey, "between cursor points"},
      {left + text + 2, bottom, white, "text background"},
      {right - 1, top + 1, white, "text background corner"},
      {right, top + 1, grey, "frame right of the text area"},
      {left - 1, bottom, grey, "frame left of the text area"},
      {10, 10, grey, "outer ring without black border"},
  };
  auto pixels = shown.read_pixels();
  for (const Probe& p : selected) {
    EXPECT_EQ(pixels[size_t(p.y) * 160 + size_t(p.x)], p.colour) << p.what << " " << p.x << "," << p.y;
  }
  // The selection shows the text inverted: white glyph pixels inside the band.
  int white_in_band = 0;
  for (int yy = top + 1; yy <= bottom; ++yy) {
    for (int xx = left; xx < left + text; ++xx) white_in_band += pixels[size_t(yy) * 160 + size_t(xx)] == white;
  }
  EXPECT_GT(white_in_band, 5);
  // Cursor at the start, no selection: black glyphs on white.
  key(shown, XK_Home);
  pixels = shown.read_pixels();
  EXPECT_EQ(pixels[size_t(bottom) * 160 + size_t(left)], black);
  EXPECT_EQ(pixels[size_t(bottom) * 160 + size_t(left + text - 1)], white);
  int black_in_text = 0;
  for (int yy = top + 1; yy <= bottom; ++yy) {
    for (int xx = left + 3; xx < left + text; ++xx) black_in_text += pixels[size_t(yy) * 160 + size_t(xx)] == black;
  }
  EXPECT_GT(black_in_text, 5);
  // Without a verify callback: a checkerboard of the window grey over the white.
  field->reconfigure(10, 10, 80, 0, courier, true, false, nullptr, nullptr, nullptr, nullptr, 0,
                     0xFFFFFF);
  shown.window.repair_objects();
  pixels = shown.read_pixels();
  uint32_t a = pixels[size_t(bottom) * 160 + size_t(right - 2)];
  uint32_t b = pixels[size_t(bottom) * 160 + size_t(right - 3)];
  EXPECT_NE(a, b);
  EXPECT_TRUE((a == grey && b == white) || (a == white && b == grey));
  EXPECT_EQ(pixels[10 * 160 + 10], black);  // black border
}

// Copy in one window, paste in another, through the X server's PRIMARY.
TEST_F(TextField, CopyAndPasteBetweenWindowsThroughPrimary) {
  ShownWindow first(160, 40, 0xFFFFFF, "First", 1);
  ShownWindow second(160, 40, 0xFFFFFF, "Second", 2);
  UITextField* source = make(first, "hello world");
  UITextField* target = make(second, "x");
  key(second, XK_End);
  // Select "world" by a double click in the source.
  int advance = int(courier->glyph('a')->advance);
  XEvent press = button_event(first.window, ButtonPress, Button1, 16 + 7 * advance + 2, 18);
  first.window.handle_window_event(&press, true);
  first.window.handle_window_event(&press, true);
  ASSERT_EQ(UITextField::selection_owner, source);
  EXPECT_TRUE(key(first, XK_c, ControlMask));
  EXPECT_STREQ(UITextField::clipboard, "world");
  EXPECT_EQ(XGetSelectionOwner(AppContext->ui_display, XA_PRIMARY), first.window.x_window);
  verifying_field = target;
  EXPECT_TRUE(key(second, XK_v, ControlMask));
  pump_all_windows();
  EXPECT_STREQ(target->get_text(), "xworld");
  // The owner's window answers even when no field of it has the focus.
  source->reconfigure(10, 10, 120, 0, courier, false, false, nullptr, nullptr, nullptr, nullptr,
                      0, 0xFFFFFF);
  ASSERT_EQ(first.window.focused_text_field, nullptr);
  key(second, XK_v, ControlMask);
  pump_all_windows();
  EXPECT_STREQ(target->get_text(), "xworldworld");
  // Without a clipboard copy the answer names no property: nothing is pasted.
  UITextField::release_clipboard();
  key(second, XK_v, ControlMask);
  pump_all_windows();
  EXPECT_STREQ(target->get_text(), "xworldworld");
  EXPECT_EQ(synced_x_error_count(), 0);
}

TEST_F(TextField, PastedTextBecomesTheClipboardCopy) {
  ShownWindow first(160, 40, 0xFFFFFF, "First", 1);
  ShownWindow second(160, 40, 0xFFFFFF, "Second", 2);
  make(first, "abc");
  key(first, XK_c, ControlMask);  // all selected by the first reconfigure
  UITextField* target = make(second, "");
  verifying_field = target;
  key(second, XK_v, ControlMask);
  pump_all_windows();
  EXPECT_STREQ(target->get_text(), "abc");
  EXPECT_STREQ(UITextField::clipboard, "abc");
  EXPECT_NE(UITextField::clipboard, nullptr);
}

TEST_F(TextField, ClipboardLivesWithThePrimaryOwnersWindow) {
  ShownWindow first(160, 40, 0xFFFFFF, "First", 1);
  ShownWindow second(160, 40, 0xFFFFFF, "Second", 2);
  UITextField* owner_field = make(first, "abc");
  key(first, XK_c, ControlMask);
  UITextField* other = make(second, "def");
  ASSERT_NE(UITextField::clipboard, nullptr);
  delete other;  // not in the window that owns PRIMARY
  EXPECT_STREQ(UITextField::clipboard, "abc");
  delete owner_field;
  EXPECT_EQ(UITextField::clipboard, nullptr);
}

TEST_F(TextField, SelectionClearFreesTheCopyUnlessOurOtherWindowTookPrimary) {
  ShownWindow first(160, 40, 0xFFFFFF, "First", 1);
  ShownWindow second(160, 40, 0xFFFFFF, "Second", 2);
  make(first, "abc");
  key(first, XK_c, ControlMask);
  make(second, "def");
  key(second, XK_c, ControlMask);  // the first window gets a SelectionClear
  pump_all_windows();
  EXPECT_STREQ(UITextField::clipboard, "def");
  // Another program takes PRIMARY: the copy goes.
  ASSERT_TRUE(another_program_takes_primary());
  pump_all_windows();
  EXPECT_EQ(UITextField::clipboard, nullptr);
}

}  // namespace

namespace {

// A key from a trace file or the partner: the keycode is the marker and the
// sender's character and keysym travel in x_root and y_root, whatever this
// keyboard maps to the keycode.
TEST_F(TextField, AKeyLookedUpElsewhereTypesItsStoredCharacter) {
  ShownWindow shown(160, 40);
  UITextField* field = make(shown, "ab");
  XEvent event = key_event(shown.window, XK_a);
  event.xkey.keycode = KEY_LOOKED_UP;
  event.xkey.x_root = 'z';
  event.xkey.y_root = XK_z;
  EXPECT_TRUE(shown.window.handle_window_event(&event, true));
  event.xkey.x_root = 0;
  event.xkey.y_root = XK_BackSpace;
  EXPECT_TRUE(shown.window.handle_window_event(&event, true));
  event.xkey.x_root = 'y';
  event.xkey.y_root = XK_y;
  EXPECT_TRUE(shown.window.handle_window_event(&event, true));
  EXPECT_STREQ(field->get_text(), "y") << "z replaced the selected text, was erased, and y typed";
}

}  // namespace
