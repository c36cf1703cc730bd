// Crossing and focus sequences of the layer against X's own: the pointer is
// warped and the focus set between windows of an X server of the test's own,
// and the events that X sends are compared with the computed steps.
#include <gtest/gtest.h>
#include <X11/Xlib.h>

#include <string>
#include <vector>

#include "platform/win/crossing_rules.h"
#include "tests/support/own_x_server.h"

namespace {

struct Seen {
  Window window;
  bool enter;
  int detail;
  bool operator==(const Seen&) const = default;
};

std::string describe(const std::vector<Seen>& v, const char* const names[], const Window* ids, int n) {
  std::string s;
  for (const Seen& e : v) {
    const char* name = "?";
    for (int i = 0; i < n; ++i)
      if (ids[i] == e.window) name = names[i];
    s += std::string(e.enter ? "in:" : "out:") + name + "/" + std::to_string(e.detail) + " ";
  }
  return s;
}

class CrossingRules : public testing::Test {
 public:
  // T1 holds A, which holds B, which holds C; D beside A in T1; T2 holds E.
  enum { T1, A, B, C, D, T2, E, COUNT };
  static constexpr const char* names[COUNT] = {"T1", "A", "B", "C", "D", "T2", "E"};
  // A point of each window's own that none of its children covers.
  static constexpr int spot[COUNT][2] = {{390, 390}, {260, 260}, {180, 180}, {35, 35}, {340, 30}, {680, 180}, {550, 50}};

 protected:

  static void SetUpTestSuite() {
    x_ = new OwnXServer;
    d_ = x_->name().empty() ? nullptr : open_own_display(x_->name());
    if (d_ == nullptr) return;
    const Window root = DefaultRootWindow(d_);
    const struct {
      int parent;  // -1: the root
      int x, y, w, h;
    } layout[COUNT] = {{-1, 0, 0, 400, 400}, {T1, 10, 10, 300, 300}, {A, 10, 10, 200, 200}, {B, 10, 10, 100, 100},
                       {T1, 320, 10, 60, 60}, {-1, 500, 0, 200, 200}, {T2, 10, 10, 100, 100}};
    for (int i = 0; i < COUNT; ++i) {
      XSetWindowAttributes a{};
      a.override_redirect = True;
      a.event_mask = EnterWindowMask | LeaveWindowMask | FocusChangeMask;
      w_[i] = XCreateWindow(d_, layout[i].parent < 0 ? root : w_[layout[i].parent], layout[i].x, layout[i].y,
                            layout[i].w, layout[i].h, 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWEventMask, &a);
    }
    XMapSubwindows(d_, w_[T1]);
    XMapSubwindows(d_, w_[A]);
    XMapSubwindows(d_, w_[B]);
    XMapSubwindows(d_, w_[T2]);
    XMapWindow(d_, w_[T1]);
    XMapWindow(d_, w_[T2]);
    XSync(d_, False);
  }
  static void TearDownTestSuite() {
    if (d_ != nullptr) XCloseDisplay(d_);
    delete x_;
  }
  void SetUp() override {
    if (d_ == nullptr) GTEST_SKIP() << "no X server of our own";
  }

  // X's window tree, a window under the root being top-level.
  static bool info(void* context, Window w, Lx_WindowInfo* out) {
    Display* d = static_cast<Display*>(context);
    Window root, parent, *children = nullptr;
    unsigned n;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return false;
    if (children != nullptr) XFree(children);
    *out = Lx_WindowInfo{parent == root ? None : parent, parent == root, 0, 0, 0, 0};
    return true;
  }
  static std::vector<Seen> computed(Window from, Window to) {
    std::vector<Seen> v;
    const Lx_WindowTree tree{info, d_};
    Lx_CrossingSteps(
        &tree, from, to,
        [](void* c, const Lx_CrossingStep& s) { static_cast<std::vector<Seen>*>(c)->push_back({s.window, s.enter, s.detail}); },
        &v);
    return v;
  }
  // The events of our windows that X has sent since the last call.
  static std::vector<Seen> sent(int enter_type, int leave_type) {
    XSync(d_, False);
    std::vector<Seen> v;
    while (XPending(d_) > 0) {
      XEvent e;
      XNextEvent(d_, &e);
      if (e.type == enter_type || e.type == leave_type) {
        const int detail = e.type == EnterNotify || e.type == LeaveNotify ? e.xcrossing.detail : e.xfocus.detail;
        v.push_back({e.xany.window, e.type == enter_type, detail});
      }
    }
    return v;
  }
  static void warp(int window) {
    XWarpPointer(d_, None, DefaultRootWindow(d_), 0, 0, 0, 0, spot[window][0], spot[window][1]);
  }
  std::string show(const std::vector<Seen>& v) const { return describe(v, names, w_, COUNT); }

  static inline OwnXServer* x_ = nullptr;
  static inline Display* d_ = nullptr;
  static inline Window w_[COUNT] = {};
};

const int moves[][2] = {
    {CrossingRules::A, CrossingRules::C},  {CrossingRules::C, CrossingRules::A},  {CrossingRules::B, CrossingRules::C},
    {CrossingRules::C, CrossingRules::D},  {CrossingRules::D, CrossingRules::B},  {CrossingRules::C, CrossingRules::E},
    {CrossingRules::E, CrossingRules::T1}, {CrossingRules::T1, CrossingRules::C}, {CrossingRules::T2, CrossingRules::A},
};

TEST_F(CrossingRules, PointerMovesGiveXsEnterAndLeaveEvents) {
  for (const auto& m : moves) {
    SCOPED_TRACE(std::string(names[m[0]]) + " to " + names[m[1]]);
    warp(m[0]);
    sent(EnterNotify, LeaveNotify);
    warp(m[1]);
    const std::vector<Seen> x = sent(EnterNotify, LeaveNotify);
    ASSERT_FALSE(x.empty());
    EXPECT_EQ(show(computed(w_[m[0]], w_[m[1]])), show(x));
  }
}

TEST_F(CrossingRules, FocusMovesGiveXsFocusEvents) {
  // The pointer rests outside all windows, so X adds no pointer-detail events.
  XWarpPointer(d_, None, DefaultRootWindow(d_), 0, 0, 0, 0, 1000, 900);
  for (const auto& m : moves) {
    SCOPED_TRACE(std::string(names[m[0]]) + " to " + names[m[1]]);
    XSetInputFocus(d_, w_[m[0]], RevertToParent, CurrentTime);
    sent(FocusIn, FocusOut);
    XSetInputFocus(d_, w_[m[1]], RevertToParent, CurrentTime);
    const std::vector<Seen> x = sent(FocusIn, FocusOut);
    ASSERT_FALSE(x.empty());
    EXPECT_EQ(show(computed(w_[m[0]], w_[m[1]])), show(x));
  }
}

TEST_F(CrossingRules, NoMoveWithinAWindowAndLeavingForNoWindow) {
  EXPECT_TRUE(computed(w_[B], w_[B]).empty());
  EXPECT_EQ(show(computed(w_[C], None)), "out:C/3 out:B/4 out:A/4 out:T1/4 ");
  EXPECT_EQ(show(computed(None, w_[B])), "in:T1/4 in:A/4 in:B/3 ");
}

}  // namespace
