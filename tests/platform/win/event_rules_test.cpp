// The layer's event rules: which window takes an event, the queue's order and
// Expose counts, and the state bits of key and button events.
#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <map>

#include "base/checked_mm.h"
#include "platform/win/event_queue.h"
#include "platform/win/event_rules.h"

namespace {

// A top-level window 1 holding 2, which holds 3; window 9 has no record.
struct Tree {
  std::map<Window, Lx_WindowInfo> windows{
      {1, {None, true, 0, 0, 0, 0}}, {2, {1, false, 0, 0, 10, 20}}, {3, {2, false, 0, 0, 5, 6}}};
  Lx_WindowTree tree{[](void* c, Window w, Lx_WindowInfo* info) {
                       auto& m = static_cast<Tree*>(c)->windows;
                       auto it = m.find(w);
                       if (it == m.end()) return false;
                       *info = it->second;
                       return true;
                     },
                     this};
};

XEvent event_of(int type, Window w, unsigned state = 0) {
  XEvent e{};
  e.type = type;
  e.xany.window = w;
  if (type == KeyPress || type == KeyRelease) {
    e.xkey.x = 1;
    e.xkey.y = 2;
    e.xkey.state = state;
  } else if (type == MotionNotify) {
    e.xmotion.x = 1;
    e.xmotion.y = 2;
    e.xmotion.state = state;
  } else if (type == ButtonPress) {
    e.xbutton.x = 1;
    e.xbutton.y = 2;
  }
  return e;
}

TEST(EventRules, AnEventGoesUpToTheFirstWindowThatSelectsItUnlessStopped) {
  const struct {
    const char* what;
    int type;
    unsigned state;
    long mask1, mask2, mask3, dnp3;
    Window taker;
    int x, y;  // in the taker's area
  } table[] = {
      {"own window selects", KeyPress, 0, 0, 0, KeyPressMask, 0, 3, 1, 2},
      {"parent selects", KeyPress, 0, 0, KeyPressMask, 0, 0, 2, 6, 8},
      {"top-level selects", KeyPress, 0, KeyPressMask, 0, 0, 0, 1, 16, 28},
      {"do-not-propagate stops", KeyPress, 0, 0, KeyPressMask, 0, KeyPressMask, None, 0, 0},
      {"another bit does not stop", KeyPress, 0, 0, KeyPressMask, 0, KeyReleaseMask, 2, 6, 8},
      {"nobody selects", KeyRelease, 0, KeyPressMask, KeyPressMask, KeyPressMask, 0, None, 0, 0},
      {"button 1 motion with button 1", MotionNotify, Button1Mask, 0, 0, Button1MotionMask, 0, 3, 1, 2},
      {"button 1 motion without it", MotionNotify, Button2Mask, 0, PointerMotionMask, Button1MotionMask, 0, 2, 6, 8},
      {"button motion with button 3", MotionNotify, Button3Mask, 0, 0, ButtonMotionMask, 0, 3, 1, 2},
      {"pointer motion", MotionNotify, 0, 0, 0, PointerMotionMask, 0, 3, 1, 2},
      {"button press", ButtonPress, 0, ButtonPressMask, 0, 0, 0, 1, 16, 28},
      {"expose stays", Expose, 0, ExposureMask, 0, 0, 0, 3, 0, 0},
      {"configure stays", ConfigureNotify, 0, 0, 0, 0, 0, 3, 0, 0},
      {"property goes up", PropertyNotify, 0, 0, PropertyChangeMask, 0, 0, 2, 0, 0},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(c.what);
    Tree t;
    t.windows[1].event_mask = c.mask1;
    t.windows[2].event_mask = c.mask2;
    t.windows[3].event_mask = c.mask3;
    t.windows[3].do_not_propagate = c.dnp3;
    XEvent e = event_of(c.type, 3, c.state);
    EXPECT_EQ(Lx_DeliveryWindow(&e, &t.tree), c.taker);
    if (c.taker == None) continue;
    EXPECT_EQ(e.xany.window, c.taker);
    if (c.type == KeyPress) {
      EXPECT_EQ(e.xkey.x, c.x);
      EXPECT_EQ(e.xkey.y, c.y);
    }
  }
}

TEST(EventRules, EventsOfWindowsWithoutRecordAreDropped) {
  Tree t;
  for (int type : {KeyPress, Expose, ClientMessage}) {
    XEvent e = event_of(type, 9);
    EXPECT_EQ(Lx_DeliveryWindow(&e, &t.tree), static_cast<Window>(None)) << type;
  }
  t.windows[2].parent = 9;  // an ancestor went
  XEvent e = event_of(KeyPress, 3);
  EXPECT_EQ(Lx_DeliveryWindow(&e, &t.tree), static_cast<Window>(None));
}

TEST(EventRules, MessagesAreWantedWhenSelectedUpToTheTopLevel) {
  Tree t;
  t.windows[1].event_mask = KeyPressMask | ButtonPressMask;
  t.windows[2].do_not_propagate = ButtonPressMask;
  t.windows[1].top_level = false;
  t.windows[4] = {None, true, PointerMotionMask, 0, 0, 0};
  t.windows[1].parent = 4;
  EXPECT_TRUE(Lx_TypeWanted(&t.tree, 3, KeyPress));
  EXPECT_FALSE(Lx_TypeWanted(&t.tree, 3, ButtonPress));     // stopped at 2
  EXPECT_TRUE(Lx_TypeWanted(&t.tree, 3, MotionNotify));     // 4 selects it
  t.windows[1].top_level = true;
  EXPECT_FALSE(Lx_TypeWanted(&t.tree, 3, MotionNotify));    // the walk ends at the top level
  EXPECT_TRUE(Lx_TypeWanted(&t.tree, 3, ClientMessage));    // no mask
  EXPECT_TRUE(Lx_TypeWanted(&t.tree, 3, 40));
  EXPECT_TRUE(Lx_TypeWanted(&t.tree, 9, KeyPress));         // no record
  EXPECT_FALSE(Lx_TypeWanted(&t.tree, 1, CreateNotify));
  t.windows[1].event_mask = SubstructureNotifyMask;
  EXPECT_TRUE(Lx_TypeWanted(&t.tree, 1, CreateNotify));
  EXPECT_FALSE(Lx_TypeWanted(&t.tree, 1, 36));
}

TEST(EventQueue, ExposesOfAWindowCountThoseBehindThem) {
  const int before = GetMallocBalance();
  Lx_EventQueue q;
  Lx_InitEventQueue(&q);
  for (Window w : {Window(5), Window(6), Window(5), Window(5)}) {
    XEvent e = event_of(Expose, w);
    Lx_AppendEvent(&q, &e);
  }
  XEvent key = event_of(KeyPress, 5);
  Lx_AppendEvent(&q, &key);
  ASSERT_EQ(q.count, 5);
  const struct {
    int type;
    Window w;
    int count;
  } expected[] = {{Expose, 5, 2}, {Expose, 6, 0}, {Expose, 5, 1}, {Expose, 5, 0}, {KeyPress, 5, 0}};
  for (const auto& x : expected) {
    XEvent e;
    ASSERT_TRUE(Lx_TakeEvent(&q, &e));
    EXPECT_EQ(e.type, x.type);
    EXPECT_EQ(e.xany.window, x.w);
    if (x.type == Expose) {
      EXPECT_EQ(e.xexpose.count, x.count);
    }
  }
  XEvent e;
  EXPECT_FALSE(Lx_TakeEvent(&q, &e));
  EXPECT_EQ(q.count, 0);
  EXPECT_EQ(GetMallocBalance(), before);
}

TEST(EventQueue, EventsComeInOrderAndPutBackComesFirst) {
  const int before = GetMallocBalance();
  Lx_EventQueue q;
  Lx_InitEventQueue(&q);
  for (Window w = 1; w <= 4; ++w) {
    XEvent e = event_of(w == 3 ? ButtonPress : KeyPress, w);
    Lx_AppendEvent(&q, &e);
  }
  XEvent e = event_of(KeyRelease, 7);
  Lx_PushBackEvent(&q, &e);
  XEvent got;
  ASSERT_TRUE(Lx_PeekEvent(&q, &got));
  EXPECT_EQ(got.xany.window, 7u);
  auto is_button = [](const XEvent* ev, void*) { return ev->type == ButtonPress; };
  ASSERT_TRUE(Lx_TakeMatchingEvent(&q, is_button, nullptr, &got));
  EXPECT_EQ(got.xany.window, 3u);
  EXPECT_FALSE(Lx_TakeMatchingEvent(&q, is_button, nullptr, &got));
  for (Window w : {Window(7), Window(1), Window(2), Window(4)}) {
    ASSERT_TRUE(Lx_TakeEvent(&q, &got));
    EXPECT_EQ(got.xany.window, w);
  }
  EXPECT_EQ(q.count, 0);
  Lx_AppendEvent(&q, &e);
  Lx_ClearEventQueue(&q);
  EXPECT_EQ(q.count, 0);
  EXPECT_FALSE(Lx_PeekEvent(&q, &got));
  EXPECT_EQ(GetMallocBalance(), before);
}

TEST(EventState, ModifiersUseXsModifierBits) {
  const struct {
    const char* what;
    Lx_InputState in;
    bool buttons;
    unsigned state;
  } table[] = {
      {"shift", {.shift = true}, true, ShiftMask},
      {"caps lock", {.caps_lock = true}, true, LockMask},
      {"control", {.control = true}, true, ControlMask},
      {"alt", {.alt = true}, true, Mod1Mask},
      {"num lock", {.num_lock = true}, true, Mod2Mask},
      {"scroll lock", {.scroll_lock = true}, true, Mod5Mask},
      {"buttons", {.left = true, .middle = true, .right = true}, true, Button1Mask | Button2Mask | Button3Mask},
      {"modifiers only", {.alt = true, .left = true}, false, Mod1Mask},
  };
  for (const auto& c : table) EXPECT_EQ(Lx_EventState(c.in, c.buttons), c.state) << c.what;
}

TEST(EventState, AButtonEventCarriesTheStateBeforeIt) {
  const struct {
    unsigned state, button;
    bool press;
    unsigned result;
  } table[] = {
      {Button1Mask, 1, true, 0},                                   // the pressed button is not yet held
      {0, 1, false, Button1Mask},                                  // the released one was
      {Button1Mask | Button3Mask, 3, true, Button1Mask},
      {ShiftMask | Mod2Mask | Button2Mask, 2, true, ShiftMask},    // Num Lock left out
      {Mod1Mask, 3, false, Mod1Mask | Button3Mask},
  };
  for (const auto& c : table)
    EXPECT_EQ(Lx_ButtonEventState(c.state, c.button, c.press), c.result) << c.button << " " << c.press;
}

}  // namespace
