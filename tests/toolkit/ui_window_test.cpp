#include <gtest/gtest.h>  // before X11, whose macros clash with its names
#include <GL/gl.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstring>
#include <string>
#include <vector>

#include "gl/gl_context.h"
#include "tests/support/x_screen.h"
#include "tests/toolkit/toolkit_fixture.h"
#include "toolkit/ui_check_button.h"
#include "toolkit/ui_visual.h"

namespace {

// Expected pixels as rows of characters: '#' drawn, '.' background.
void expect_pixels(const ShownWindow& shown, const std::vector<std::string>& rows,
                   uint32_t ink, uint32_t paper) {
  auto pixels = shown.read_pixels();
  std::string got;
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) {
      uint32_t p = pixels[y * shown.window.width + x];
      got += p == ink ? '#' : p == paper ? '.' : '?';
    }
    got += '\n';
  }
  std::string want;
  for (const std::string& r : rows) want += r + "\n";
  EXPECT_EQ(got, want);
}

struct DrawCase {
  const char* name;
  void (*paint)(const TestWidget&);
  std::vector<std::string> rows;
};

const DrawCase draw_cases[] = {
    {"FilledRectangleCoversColumnsX1ToX2Minus1AndRowsY1Plus1ToY2",
     [](const TestWidget&) { TestWidget::fill(2, 1, 6, 4); },
     {"........",
      "........",
      "..####..",
      "..####..",
      "..####..",
      "........"}},
    {"RectangleOutline",
     [](const TestWidget& w) { w.draw_rectangle(0, short(w.height - 1), short(w.width - 1), 0); },
     {"........",
      ".#####..",
      ".#...#..",
      ".#...#..",
      ".#####..",
      "........"}},
    {"ThickRectangle",
     [](const TestWidget& w) { w.draw_thick_rectangle(2, 0, -1, 6, 4); },
     {"........",
      ".######.",
      ".######.",
      ".##..##.",
      ".######.",
      ".######."}},
    {"InactiveStippleIsACheckerboardInsetByOne",
     [](const TestWidget& w) {
       XGLContext::current_context->set_gl_color(0, 0, 0);
       const_cast<TestWidget&>(w).background_colour = 0;
       w.draw_inactive_stipple();
     },
     {"........",
      "........",
      "...#....",
      "..#.#...",
      "........",
      "........"}},
    {"WhiteWithInvertingBlendInvertsThePixels",
     [](const TestWidget&) {
       TestWidget::fill(1, 0, 3, 5);  // black band, columns 1 and 2
       XGLContext* gl = XGLContext::current_context;
       gl->set_gl_color(1, 1, 1);
       gl->enable_blending(true);
       gl->set_blend_func(GL_ONE_MINUS_DST_COLOR, GL_ZERO);
       TestWidget::fill(2, 1, 5, 3);
       gl->enable_blending(false);
     },
     {"........",
      ".##.....",
      ".#.##...",
      ".#.##...",
      ".##.....",
      ".##....."}},
};

void PrintTo(const DrawCase& c, std::ostream* os) { *os << c.name; }

class DrawingRule : public testing::TestWithParam<DrawCase> {};

TEST_P(DrawingRule, SetsExactlyThesePixels) {
  const DrawCase& c = GetParam();
  ShownWindow shown(8, 6);
  auto* widget = new TestWidget(&shown.window, 1, 1, 5, 4);
  widget->paint = [&c](const TestWidget& w) {
    XGLContext::current_context->set_gl_color(0, 0, 0);
    c.paint(w);
  };
  shown.window.redraw();
  expect_pixels(shown, c.rows, 0x000000, 0xFFFFFF);
}

INSTANTIATE_TEST_SUITE_P(Dialog, DrawingRule, testing::ValuesIn(draw_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(UIVisual, DialogVisualsShareOneContextExactlyWhenTheyAreOneXVisual) {
  const UIVisual* full = AppContext->full_visual;
  const UIVisual* reduced = AppContext->reduced_visual;
  bool one_visual = XVisualIDFromVisual(full->visual) == XVisualIDFromVisual(reduced->visual);
  EXPECT_TRUE(one_visual) << "Mesa under Xvfb answers both lists with one RGBA visual";
  EXPECT_EQ(full->context == reduced->context, one_visual);
}

TEST(UIVisual, DrawingAfterTheOtherVisualsWindowSetsTheProjectionAgain) {
  ShownWindow shown(8, 6);
  auto* widget = new TestWidget(&shown.window, 1, 1, 5, 4);
  widget->paint = [](const TestWidget&) {
    XGLContext::current_context->set_gl_color(0, 0, 0);
    TestWidget::fill(2, 1, 6, 4);
  };
  shown.window.redraw();
  // The reduced visual's 1x1 scratch window, through the same context.
  AppContext->reduced_visual->begin_drawing(AppContext->reduced_visual->scratch_window, 1, 1);
  shown.window.redraw();
  expect_pixels(shown, draw_cases[0].rows, 0x000000, 0xFFFFFF);
}

TEST(UIObject, DeletingAWidgetErasesItAndRepairsItsNeighbour) {
  ShownWindow shown(8, 6);
  auto* below = new TestWidget(&shown.window, 0, 0, 4, 6);
  auto* above = new TestWidget(&shown.window, 2, 1, 5, 3);
  below->paint = [](const TestWidget& w) { TestWidget::fill(w.x, w.y + w.height - 1, w.x + w.width, w.y - 1); };
  above->paint = below->paint;
  shown.window.redraw();
  below->paint = [](const TestWidget& w) {
    XGLContext::current_context->set_gl_color(1, 0, 0);
    TestWidget::fill(w.x, w.y + w.height - 1, w.x + w.width, w.y - 1);
  };
  delete above;
  EXPECT_TRUE(below->damaged);
  shown.window.repair_objects();
  auto pixels = shown.read_pixels();
  EXPECT_EQ(pixels[1 * 8 + 3], 0xFF0000u);  // the neighbour redrawn
  EXPECT_EQ(pixels[1 * 8 + 5], 0xFFFFFFu);  // the rest of the deleted widget erased
}

TEST(UIObject, IdZeroIsTheObjectsAddress) {
  ShownWindow shown(8, 8);
  auto* w = new TestWidget(&shown.window, 0, 0, 2, 2);
  EXPECT_EQ(w->object_id, object_tag(w));
}

std::string property_text(Window w, Atom property) {
  XTextProperty text;
  if (!XGetTextProperty(AppContext->ui_display, w, &text, property)) return "<none>";
  std::string s(reinterpret_cast<char*>(text.value), text.nitems);
  XFree(text.value);
  return s;
}

TEST(UIWindow, IsCreatedShownTitledAndMoved) {
  ShownWindow shown(120, 80, 0xFFFFFF, "Tester", 42);
  Display* d = AppContext->ui_display;
  Window w = shown.window.x_window;
  XWindowAttributes attributes;
  ASSERT_TRUE(XGetWindowAttributes(d, w, &attributes));
  EXPECT_EQ(attributes.map_state, IsViewable);
  EXPECT_EQ(attributes.width, 120);
  EXPECT_EQ(attributes.height, 80);

  shown.window.set_title("A title of some length");
  EXPECT_EQ(property_text(w, XA_WM_NAME), "A title of some length");
  EXPECT_EQ(property_text(w, XA_WM_ICON_NAME), "A title of");

  XClassHint hint;
  ASSERT_TRUE(XGetClassHint(d, w, &hint));
  EXPECT_STREQ(hint.res_name, "Tester");
  EXPECT_STREQ(hint.res_class, "VorqQOBS");
  XFree(hint.res_name);
  XFree(hint.res_class);
  Atom* protocols = nullptr;
  int count = 0;
  ASSERT_TRUE(XGetWMProtocols(d, w, &protocols, &count));
  ASSERT_EQ(count, 1);
  EXPECT_EQ(protocols[0], AppContext->wm_delete_window);
  XFree(protocols);

  // Moved within this program's own screen area.
  int x = slot_x(claim_screen_slot()) + 190, y = slot_y(claim_screen_slot()) + 140;
  shown.window.set_origin(short(x), short(y));
  shown.window.set_size(60, 0);
  XSync(d, False);
  int ax, ay;
  shown.window.get_absolute_origin(&ax, &ay);
  EXPECT_EQ(ax, x);
  EXPECT_EQ(ay, y);
  ASSERT_TRUE(XGetWindowAttributes(d, w, &attributes));
  EXPECT_EQ(attributes.width, 60);
  EXPECT_EQ(attributes.height, 80);

  EXPECT_EQ(UIWindow::find_window(w), &shown.window);
  EXPECT_EQ(UIWindow::get_application_data(w), 42);
  EXPECT_EQ(UIWindow::get_window("Tester"), w);
  EXPECT_EQ(UIWindow::get_window(42L), w);
  EXPECT_STREQ(UIWindow::get_name(w, true), "Tester");
  // The Windows layer's root is 0, which names no window here.
  if (DefaultRootWindow(d) != 0) {
    EXPECT_STREQ(UIWindow::get_name(DefaultRootWindow(d), true), "RootGraphics");
    EXPECT_STREQ(UIWindow::get_name(DefaultRootWindow(d), false), "RootUI");
  }
  EXPECT_EQ(UIWindow::get_window("NoSuchWindow"), 0u);
  EXPECT_STREQ(UIWindow::get_name(0, false), "0");

  shown.window.make_invisible();
  XSync(d, False);
  ASSERT_TRUE(XGetWindowAttributes(d, w, &attributes));
  EXPECT_EQ(attributes.map_state, IsUnmapped);
  EXPECT_EQ(synced_x_error_count(), 0);
}

TEST(UIWindow, TheAppContextMadeThePopUps) {
  EXPECT_EQ(AppContext->OverlayPopUp->window_id, 10);
  EXPECT_EQ(AppContext->NormalPopUp->window_id, 11);
  EXPECT_TRUE(AppContext->NormalPopUp->pop_up);
  EXPECT_EQ(AppContext->background_red, 1.0f);  // "white"
  EXPECT_EQ(AppContext->full_visual->depth, 24);
}

std::vector<std::pair<long, int>> shortcuts;
bool record_shortcut(long id, unsigned char key) {
  shortcuts.emplace_back(id, key);
  return true;
}

TEST(UIWindow, CloseRequestIsShortcut255) {
  ShownWindow shown(20, 20, 0xFFFFFF, "Closer", 7);
  UIWindow::set_callbacks(nullptr, nullptr, record_shortcut, nullptr);
  shortcuts.clear();
  XEvent event = {};
  event.type = ClientMessage;
  event.xclient.window = shown.window.x_window;
  event.xclient.message_type = XInternAtom(AppContext->ui_display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(AppContext->wm_delete_window);
  EXPECT_TRUE(shown.window.handle_window_event(&event, true));
  UIWindow::set_callbacks(nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(shortcuts.size(), 1u);
  EXPECT_EQ(shortcuts[0], std::make_pair(7L, 255));
}

// Only WM_PROTOCOLS naming WM_DELETE_WINDOW closes; any X client can send
// the others to any window.
struct ProtocolCase {
  const char* name;
  const char* type;
  const char* protocol;
  int format;
  bool closes;
};
const ProtocolCase protocol_cases[] = {
    {"DeleteWindow", "WM_PROTOCOLS", "WM_DELETE_WINDOW", 32, true},
    {"TakeFocus", "WM_PROTOCOLS", "WM_TAKE_FOCUS", 32, false},
    {"Ping", "WM_PROTOCOLS", "_NET_WM_PING", 32, false},
    {"DeleteWindowAsBytes", "WM_PROTOCOLS", "WM_DELETE_WINDOW", 8, false},
    {"DeleteWindowUnderAnotherType", "QOB_TEST_FOREIGN_MESSAGE", "WM_DELETE_WINDOW", 32, false},
};

void PrintTo(const ProtocolCase& c, std::ostream* os) { *os << c.name; }

class WindowManagerMessage : public testing::TestWithParam<ProtocolCase> {};

TEST_P(WindowManagerMessage, IsShortcut255OnlyWhenItAsksToClose) {
  const ProtocolCase& c = GetParam();
  ShownWindow shown(20, 20, 0xFFFFFF, "Closer", 7);
  UIWindow::set_callbacks(nullptr, nullptr, record_shortcut, nullptr);
  shortcuts.clear();
  Display* d = AppContext->ui_display;
  XEvent event = {};
  event.type = ClientMessage;
  event.xclient.display = d;
  event.xclient.window = shown.window.x_window;
  event.xclient.message_type = XInternAtom(d, c.type, False);
  event.xclient.format = c.format;
  event.xclient.data.l[0] = long(XInternAtom(d, c.protocol, False));
  EXPECT_EQ(shown.window.is_close_request(&event), c.closes);
  EXPECT_EQ(shown.window.handle_window_event(&event, true), c.closes);
  UIWindow::set_callbacks(nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(shortcuts.size(), c.closes ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Protocols, WindowManagerMessage, testing::ValuesIn(protocol_cases),
                         [](const auto& info) { return std::string(info.param.name); });

XEvent button(int type, Window w, int x, int y, unsigned b = 1) {
  XEvent e = {};
  e.type = type;
  e.xbutton.window = w;
  e.xbutton.x = x;
  e.xbutton.y = y;
  e.xbutton.button = b;
  return e;
}

TEST(UIWindow, ReleaseGoesToThePressedWidgetUnlessSliding) {
  ShownWindow shown(40, 20);
  auto* left = new TestWidget(&shown.window, 0, 0, 20, 20);
  auto* right = new TestWidget(&shown.window, 20, 0, 20, 20);
  Window w = shown.window.x_window;
  XEvent press = button(ButtonPress, w, 5, 5);
  XEvent release = button(ButtonRelease, w, 25, 5);
  shown.window.handle_window_event(&press, true);
  shown.window.handle_window_event(&release, true);
  EXPECT_EQ(left->events, (std::vector<int>{ButtonPress, ButtonRelease}));
  EXPECT_TRUE(right->events.empty());

  left->events.clear();
  shown.window.handle_window_event(&press, true);
  UIWindow::allow_slide = true;
  shown.window.handle_window_event(&release, true);
  EXPECT_EQ(left->events, (std::vector<int>{ButtonPress}));
  EXPECT_EQ(right->events, (std::vector<int>{ButtonRelease}));
}

TEST(UIWindow, BusyWindowHoldsTheReleaseUntilNotBusy) {
  ShownWindow shown(40, 20);
  auto* widget = new TestWidget(&shown.window, 0, 0, 20, 20);
  Window w = shown.window.x_window;
  shown.window.set_busy(true);
  XEvent press = button(ButtonPress, w, 5, 5);
  XEvent release = button(ButtonRelease, w, 5, 5);
  EXPECT_FALSE(shown.window.handle_window_event(&press, true));
  EXPECT_TRUE(shown.window.handle_window_event(&release, true));
  EXPECT_TRUE(widget->events.empty());
  XEvent held;
  EXPECT_FALSE(UIWindow::get_saved_event(held));
  shown.window.set_busy(false);
  ASSERT_TRUE(UIWindow::get_saved_event(held));
  EXPECT_EQ(held.type, ButtonRelease);
  EXPECT_FALSE(UIWindow::get_saved_event(held));
}

// ---- Widgets discarded by their own callbacks ----

// A check button draws itself again after its toggle callback: the callback
// that discards it (as a rebuild run by the button's action does) must not
// free it under its feet.
UICheckButton* self_discarding = nullptr;
bool linked_during_callback = false;
void discard_self(long, bool) {
  UIObject::discard(self_discarding);
  linked_during_callback = self_discarding->window->first_top == self_discarding;
}

// Whether any pixel of the rectangle differs from the white background.
bool drawn_in(const ShownWindow& shown, int x1, int y1, int x2, int y2) {
  auto pixels = shown.read_pixels();
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x)
      if (pixels[size_t(y) * shown.window.width + x] != 0xFFFFFFu) return true;
  return false;
}

TEST(UIObject, AWidgetDiscardedInItsOwnCallbackGoesWhenTheDispatchReturns) {
  ShownWindow shown(40, 20);
  self_discarding = new UICheckButton(&shown.window, 3, nullptr);
  self_discarding->reconfigure(1, 1, 0, 0, false, false, 0, 0x808080, nullptr, false, discard_self, false);
  auto* neighbour = new TestWidget(&shown.window, 30, 0, 10, 20);
  shown.window.redraw();
  int right = 1 + self_discarding->width, bottom = 1 + self_discarding->height;
  EXPECT_TRUE(drawn_in(shown, 1, 1, right, bottom));
  linked_during_callback = false;
  XEvent press = button(ButtonPress, shown.window.x_window, 4, 4);
  EXPECT_TRUE(shown.window.handle_window_event(&press, true));
  EXPECT_TRUE(linked_during_callback);
  EXPECT_EQ(shown.window.first_top, neighbour);  // deleted once the dispatch returned
  EXPECT_EQ(neighbour->previous, nullptr);
  EXPECT_EQ(UIWindow::current_object, nullptr);
  EXPECT_FALSE(drawn_in(shown, 1, 1, right, bottom));  // erased
  // The place is empty now: the release reaches no widget.
  XEvent release = button(ButtonRelease, shown.window.x_window, 4, 4);
  shown.window.handle_window_event(&release, true);
  EXPECT_TRUE(neighbour->events.empty());
  EXPECT_EQ(synced_x_error_count(), 0);
}

TEST(UIObject, AWidgetDiscardedOutsideADispatchGoesAtOnce) {
  ShownWindow shown(20, 20);
  auto* w = new TestWidget(&shown.window, 0, 0, 5, 5);
  UIObject::discard(w);
  EXPECT_EQ(shown.window.first_top, nullptr);
  UIObject::discard(nullptr);  // nothing to do
}

}  // namespace
