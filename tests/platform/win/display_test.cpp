// The display, screen and visual table against the system's own answers:
// each admitted record against its pixel format's WGL attributes (and, on the
// other path, its descriptor), the display calls' edge cases, the refusal of
// an 8-bit screen through the message-box hook.
#include "tests/platform/win/layer_test_support.h"

#include <GL/gl.h>
#include <GL/wglext.h>
#include <X11/extensions/XInput.h>

#include <cstring>
#include <string>

#include "platform/win/display.h"

namespace {

// A window with a GL context current on it, for the test's own queries.
class WglProbe {
 public:
  WglProbe() {
    hwnd_ = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    dc_ = GetDC(hwnd_);
    PIXELFORMATDESCRIPTOR d{};
    d.nSize = sizeof d;
    d.nVersion = 1;
    d.dwFlags = PFD_SUPPORT_OPENGL | PFD_DRAW_TO_WINDOW;
    d.iPixelType = PFD_TYPE_RGBA;
    SetPixelFormat(dc_, ChoosePixelFormat(dc_, &d), &d);
    context_ = wglCreateContext(dc_);
    wglMakeCurrent(dc_, context_);
    query_ = reinterpret_cast<PFNWGLGETPIXELFORMATATTRIBIVARBPROC>(
        reinterpret_cast<void*>(wglGetProcAddress("wglGetPixelFormatAttribivARB")));
    auto extensions = reinterpret_cast<PFNWGLGETEXTENSIONSSTRINGARBPROC>(
        reinterpret_cast<void*>(wglGetProcAddress("wglGetExtensionsStringARB")));
    if (extensions != nullptr) names_ = extensions(dc_);
  }
  ~WglProbe() {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(context_);
    ReleaseDC(hwnd_, dc_);
    DestroyWindow(hwnd_);
  }
  int attribute(int format, int name) const {
    int value = 0;
    return query_(dc_, format, 0, 1, &name, &value) ? value : 0;
  }
  bool has(const char* extension) const { return names_.find(extension) != std::string::npos; }
  bool can_query() const { return query_ != nullptr; }
  HDC dc() const { return dc_; }

 private:
  HWND hwnd_;
  HDC dc_;
  HGLRC context_;
  PFNWGLGETPIXELFORMATATTRIBIVARBPROC query_ = nullptr;
  std::string names_;
};

unsigned long mask_of(int bits, int shift) { return ((1UL << bits) - 1) << shift; }

class DisplayTest : public LayerTest {
 protected:
  int screen_depth() const {
    HDC desktop = GetDC(nullptr);
    int depth = GetDeviceCaps(desktop, BITSPIXEL) * GetDeviceCaps(desktop, PLANES);
    ReleaseDC(nullptr, desktop);
    return depth;
  }
};

TEST_F(DisplayTest, EachAdmittedRecordEqualsItsWglAttributes) {
  WglProbe probe;
  ASSERT_TRUE(probe.can_query()) << "wine's GL offers the attribute query";
  const int formats = probe.attribute(1, WGL_NUMBER_PIXEL_FORMATS_ARB);
  ASSERT_EQ(Lx_VisualCount(), formats);
  const bool pbuffers = Lx_Pbuffers() != nullptr;
  EXPECT_EQ(pbuffers, probe.has("WGL_ARB_pbuffer"));
  int admitted = 0;
  for (int f = 1; f <= formats; ++f) {
    SCOPED_TRACE("pixel format " + std::to_string(f));
    const Lx_Visual* v = Lx_VisualEntry(f - 1);
    auto a = [&](int name) { return probe.attribute(f, name); };
    const bool rgba = a(WGL_PIXEL_TYPE_ARB) == WGL_TYPE_RGBA_ARB;
    const bool pbuffer = pbuffers && a(WGL_DRAW_TO_PBUFFER_ARB);
    const bool admit = a(WGL_SUPPORT_OPENGL_ARB) &&
                       (a(WGL_DRAW_TO_WINDOW_ARB) || (a(WGL_DRAW_TO_BITMAP_ARB) && rgba) || pbuffer);
    ASSERT_EQ(v != nullptr, admit);
    if (v == nullptr) continue;
    ++admitted;
    EXPECT_EQ(v->visual.visualid, static_cast<VisualID>(f - 1));
    EXPECT_EQ(v->visual.c_class, rgba ? TrueColor : PseudoColor);
    EXPECT_EQ(v->depth, a(WGL_COLOR_BITS_ARB));
    const int sizes[LX_SIZE_COUNT] = {
        WGL_RED_BITS_ARB,         WGL_GREEN_BITS_ARB,       WGL_BLUE_BITS_ARB,   WGL_ALPHA_BITS_ARB,
        WGL_ACCUM_RED_BITS_ARB,   WGL_ACCUM_GREEN_BITS_ARB, WGL_ACCUM_BLUE_BITS_ARB, WGL_ACCUM_ALPHA_BITS_ARB,
        WGL_DEPTH_BITS_ARB,       WGL_STENCIL_BITS_ARB,     WGL_AUX_BUFFERS_ARB};
    for (int i = 0; i < LX_SIZE_COUNT; ++i) EXPECT_EQ(v->sizes[i], a(sizes[i])) << "size " << i;
    EXPECT_EQ(v->visual.red_mask, mask_of(a(WGL_RED_BITS_ARB), a(WGL_RED_SHIFT_ARB)));
    EXPECT_EQ(v->visual.green_mask, mask_of(a(WGL_GREEN_BITS_ARB), a(WGL_GREEN_SHIFT_ARB)));
    EXPECT_EQ(v->visual.blue_mask, mask_of(a(WGL_BLUE_BITS_ARB), a(WGL_BLUE_SHIFT_ARB)));
    EXPECT_EQ(v->visual.bits_per_rgb, a(WGL_RED_BITS_ARB));
    if (rgba) {
      EXPECT_EQ(v->visual.map_entries, 1 << (a(WGL_RED_BITS_ARB) + a(WGL_GREEN_BITS_ARB) + a(WGL_BLUE_BITS_ARB)));
    }
    const int flags = (a(WGL_DRAW_TO_WINDOW_ARB) ? LX_DRAW_TO_WINDOW : 0) |
                      (a(WGL_DRAW_TO_BITMAP_ARB) && rgba ? LX_DRAW_TO_BITMAP : 0) | (pbuffer ? LX_DRAW_TO_PBUFFER : 0) |
                      (a(WGL_DOUBLE_BUFFER_ARB) ? LX_DOUBLE_BUFFER : 0) | (a(WGL_STEREO_ARB) ? LX_STEREO : 0);
    EXPECT_EQ(v->flags, flags);
    EXPECT_EQ(v->acceleration, a(WGL_ACCELERATION_ARB));
    EXPECT_EQ(v->max_pbuffer_width, pbuffer ? a(WGL_MAX_PBUFFER_WIDTH_ARB) : 0);
    EXPECT_EQ(v->max_pbuffer_height, pbuffer ? a(WGL_MAX_PBUFFER_HEIGHT_ARB) : 0);
    EXPECT_EQ(v->max_pbuffer_pixels, static_cast<uint32_t>(pbuffer ? a(WGL_MAX_PBUFFER_PIXELS_ARB) : 0));
    const bool ms = probe.has("WGL_ARB_multisample");
    EXPECT_EQ(v->sample_buffers, ms ? a(WGL_SAMPLE_BUFFERS_ARB) : 0);
    EXPECT_EQ(v->samples, ms ? a(WGL_SAMPLES_ARB) : 0);
  }
  EXPECT_GT(admitted, 0);
}

TEST_F(DisplayTest, WithoutTheAttributeQueryEachRecordEqualsItsDescriptor) {
  Visual* default_visual = Lx_MakeVisuals(screen_depth(), false);
  WglProbe probe;
  const int formats = DescribePixelFormat(probe.dc(), 1, sizeof(PIXELFORMATDESCRIPTOR), nullptr);
  ASSERT_EQ(Lx_VisualCount(), formats);
  bool default_seen = false;
  for (int f = 1; f <= formats; ++f) {
    SCOPED_TRACE("pixel format " + std::to_string(f));
    PIXELFORMATDESCRIPTOR d{};
    ASSERT_NE(DescribePixelFormat(probe.dc(), f, sizeof d, &d), 0);
    const Lx_Visual* v = Lx_VisualEntry(f - 1);
    const bool rgba = d.iPixelType == PFD_TYPE_RGBA;
    const bool admit = (d.dwFlags & PFD_SUPPORT_OPENGL) &&
                       ((d.dwFlags & PFD_DRAW_TO_WINDOW) || ((d.dwFlags & PFD_DRAW_TO_BITMAP) && rgba));
    ASSERT_EQ(v != nullptr, admit);
    if (v == nullptr) continue;
    if (&v->visual == default_visual) default_seen = true;
    EXPECT_EQ(v->depth, d.cColorBits);
    EXPECT_EQ(v->sizes[LX_RED_SIZE], d.cRedBits);
    EXPECT_EQ(v->sizes[LX_DEPTH_SIZE], d.cDepthBits);
    EXPECT_EQ(v->sizes[LX_STENCIL_SIZE], d.cStencilBits);
    EXPECT_EQ(v->sizes[LX_ACCUM_RED_SIZE], d.cAccumRedBits);
    EXPECT_EQ((v->flags & LX_DRAW_TO_BITMAP) != 0, (d.dwFlags & PFD_DRAW_TO_BITMAP) != 0);
    EXPECT_EQ((v->flags & LX_DOUBLE_BUFFER) != 0, (d.dwFlags & PFD_DOUBLEBUFFER) != 0);
    EXPECT_EQ(v->flags & LX_DRAW_TO_PBUFFER, 0);
    const uint16_t acceleration = (d.dwFlags & PFD_GENERIC_FORMAT)        ? LX_NO_ACCELERATION
                                  : (d.dwFlags & PFD_GENERIC_ACCELERATED) ? LX_GENERIC_ACCELERATION
                                                                          : LX_FULL_ACCELERATION;
    EXPECT_EQ(v->acceleration, acceleration);
    EXPECT_EQ(v->samples, 0);
  }
  EXPECT_TRUE(default_seen);
  mkVisuals(screen_depth());  // the attribute path again for the other tests
}

// The formats are read on one hidden window, kept from one reading to the
// next: wine unmaps a destroyed GL window's X window again later, and the X
// error ended programs under load. Each reading adds no window.
TEST_F(DisplayTest, TheFormatsWindowIsKeptAndMadeOnce) {
  auto thread_windows = [] {
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND, LPARAM count) { return ++*reinterpret_cast<int*>(count), TRUE; },
                      reinterpret_cast<LPARAM>(&n));
    return n;
  };
  mkVisuals(screen_depth());
  const int after_one = thread_windows();
  for (int i = 0; i < 3; ++i) mkVisuals(screen_depth());
  EXPECT_EQ(thread_windows(), after_one);
}

TEST_F(DisplayTest, TheDefaultVisualHasTheScreenDepthAndTheMinimumIsMet) {
  Visual* v = DefaultVisual(display_, 0);
  ASSERT_NE(v, nullptr);
  const Lx_Visual* record = reinterpret_cast<const Lx_Visual*>(v);
  bool any_of_depth = false, minimum = false;
  for (int i = 0; i < Lx_VisualCount(); ++i) {
    const Lx_Visual* e = Lx_VisualEntry(i);
    if (e == nullptr) continue;
    if (e->depth == screen_depth() && !any_of_depth) {
      EXPECT_EQ(e, record) << "the first of the screen's depth";
      any_of_depth = true;
    }
    minimum |= e->visual.c_class == TrueColor && e->sizes[LX_RED_SIZE] >= 3 && e->sizes[LX_GREEN_SIZE] >= 3 &&
               e->sizes[LX_BLUE_SIZE] >= 2 && (e->flags & LX_DOUBLE_BUFFER) && e->sizes[LX_DEPTH_SIZE] >= 16;
  }
  if (!any_of_depth) {
    EXPECT_EQ(record, Lx_VisualEntry(0));
  }
  EXPECT_TRUE(minimum);
  EXPECT_EQ(XVisualIDFromVisual(v), v->visualid);
  EXPECT_EQ(DefaultDepth(display_, 0), screen_depth());
}

TEST_F(DisplayTest, OpeningAgainGivesTheOpenDisplayOnlyForItsName) {
  EXPECT_EQ(XOpenDisplay(nullptr), display_);
  EXPECT_EQ(XOpenDisplay(""), display_);
  EXPECT_EQ(XOpenDisplay(":1"), nullptr);
  Display other{};
  XCloseDisplay(&other);
  EXPECT_EQ(Lx_CurrentDisplay(), display_);
  // Opened three times: the third close closes it.
  for (int close = 1; close <= 3; ++close) {
    XCloseDisplay(display_);
    EXPECT_EQ(Lx_CurrentDisplay(), close < 3 ? display_ : nullptr) << close;
  }
  Display* again = XOpenDisplay(":5");
  ASSERT_NE(again, nullptr);
  EXPECT_STREQ(DisplayString(again), ":5");
  EXPECT_EQ(XOpenDisplay(":5"), again);
  EXPECT_EQ(XOpenDisplay(""), nullptr);
  EXPECT_GT(Lx_VisualCount(), 0) << "the visuals are built again";
  XCloseDisplay(again);
  XCloseDisplay(again);
  EXPECT_EQ(Lx_CurrentDisplay(), nullptr);
  display_ = layer_display();
}

// A program's second connection is its first display: closing either leaves
// the other working, as two X connections do.
TEST_F(DisplayTest, ClosingASecondOpenLeavesTheFirstWorking) {
  for (bool close_second : {true, false}) {
    SCOPED_TRACE(close_second ? "the second closed" : "the first closed");
    Display* second = XOpenDisplay(nullptr);
    ASSERT_EQ(second, display_);
    XCloseDisplay(close_second ? second : display_);
    Display* left = close_second ? display_ : second;
    ASSERT_EQ(Lx_CurrentDisplay(), left);
    EXPECT_STREQ(DisplayString(left), "");
    EXPECT_EQ(DisplayWidth(left, 0), GetSystemMetrics(SM_CXSCREEN));
    Window w = XCreateSimpleWindow(left, 0, 10, 10, 50, 40, 0, 0, 0);
    ASSERT_NE(w, 0u);
    Window root;
    int x, y;
    unsigned width = 0, height = 0, border, depth = 0;
    EXPECT_TRUE(XGetGeometry(left, w, &root, &x, &y, &width, &height, &border, &depth));
    EXPECT_EQ(width, 50u);
    EXPECT_EQ(static_cast<int>(depth), DefaultDepth(left, 0));
    XDestroyWindow(left, w);
    pump_messages();
  }
}

TEST_F(DisplayTest, ScreenValuesComeFromTheSystem) {
  EXPECT_EQ(DisplayWidth(display_, 0), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(DisplayHeight(display_, 0), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(RootWindow(display_, 0), 0u);
  EXPECT_EQ(BlackPixel(display_, 0), 0u);
  EXPECT_EQ(WhitePixel(display_, 0), 0xffffffu);
  EXPECT_EQ(ScreenCount(display_), 1);
  EXPECT_EQ(ConnectionNumber(display_), 0);
  Display other{};
  EXPECT_EQ(WhitePixel(&other, 0), 0u);
  EXPECT_EQ(DisplayWidth(&other, 0), 0);
}

TEST_F(DisplayTest, VisualInfoMatchesTheTemplateInTheMaskedFields) {
  int all = 0;
  XVisualInfo t{};
  XVisualInfo* list = XGetVisualInfo(display_, VisualNoMask, &t, &all);
  ASSERT_NE(list, nullptr);
  int admitted = 0;
  for (int i = 0; i < Lx_VisualCount(); ++i) admitted += Lx_VisualEntry(i) != nullptr;
  EXPECT_EQ(all, admitted);
  const XVisualInfo first = list[0];
  XFree(list);

  struct Case {
    const char* what;
    long mask;
    XVisualInfo t;
  };
  const Case cases[] = {
      {"the first one's id", VisualIDMask, {nullptr, first.visualid, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"screen 0", VisualScreenMask, {nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"TrueColor of the first one's depth", VisualClassMask | VisualDepthMask, {nullptr, 0, 0, first.depth, TrueColor, 0, 0, 0, 0, 0}},
      {"the first one's masks", VisualRedMaskMask | VisualGreenMaskMask | VisualBlueMaskMask,
       {nullptr, 0, 0, 0, 0, first.red_mask, first.green_mask, first.blue_mask, 0, 0}},
  };
  for (const Case& c : cases) {
    int n = 0;
    XVisualInfo* found = XGetVisualInfo(display_, c.mask, const_cast<XVisualInfo*>(&c.t), &n);
    ASSERT_NE(found, nullptr) << c.what;
    for (int i = 0; i < n; ++i) {
      const Lx_Visual* v = Lx_VisualEntry(static_cast<int>(found[i].visualid));
      ASSERT_NE(v, nullptr) << c.what;
      EXPECT_EQ(found[i].visual, &v->visual);
      EXPECT_EQ(found[i].screen, 0);
      if (c.mask & VisualIDMask) {
        EXPECT_EQ(found[i].visualid, c.t.visualid);
      }
      if (c.mask & VisualDepthMask) {
        EXPECT_EQ(found[i].depth, c.t.depth);
      }
      if (c.mask & VisualClassMask) {
        EXPECT_EQ(found[i].c_class, c.t.c_class);
      }
      if (c.mask & VisualRedMaskMask) {
        EXPECT_EQ(found[i].red_mask, c.t.red_mask);
      }
      EXPECT_EQ(found[i].colormap_size, v->visual.map_entries);
    }
    if (c.mask == VisualScreenMask) {
      EXPECT_EQ(n, all);
    }
    if (c.mask == VisualIDMask) {
      EXPECT_EQ(n, 1);
    }
    XFree(found);
  }
  int n = 7;
  t.screen = 1;
  EXPECT_EQ(XGetVisualInfo(display_, VisualScreenMask, &t, &n), nullptr);
  EXPECT_EQ(n, 0);
}

TEST_F(DisplayTest, OnlyGlxIsAnExtension) {
  const struct {
    const char* name;
    bool present;
  } cases[] = {{"GLX", true}, {"GLXX", false}, {"GLX ", false}, {"XInputExtension", false}, {"", false}};
  for (const auto& c : cases) {
    int opcode = -7, event = -7, error = -7;
    EXPECT_EQ(XQueryExtension(display_, c.name, &opcode, &event, &error) != 0, c.present) << c.name;
    EXPECT_EQ(opcode, -7) << "nothing written";
  }
}

TEST_F(DisplayTest, TheInputDeviceExtensionReportsNoDevices) {
  int n = 5;
  EXPECT_EQ(XListInputDevices(display_, &n), nullptr);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(XOpenDevice(display_, 1), nullptr);
  int events = 3, mode = 0, axes = 0;
  EXPECT_EQ(XGetDeviceMotionEvents(display_, nullptr, 0, 0, &events, &mode, &axes), nullptr);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(XSelectExtensionEvent(display_, 0, nullptr, 0), 0);
}

// What the message-box hook saw.
std::string box_text, box_title;
UINT box_type;
int record_box(const char* text, const char* title, UINT type) {
  box_text = text;
  box_title = title;
  box_type = type;
  return IDOK;
}

// Run by on_own_server.sh on a screen of 8 bits per pixel; skipped on deeper ones.
TEST(ShallowScreen, IsRefusedWithAFatalMessage) {
  HDC desktop = GetDC(nullptr);
  const int depth = GetDeviceCaps(desktop, BITSPIXEL) * GetDeviceCaps(desktop, PLANES);
  ReleaseDC(nullptr, desktop);
  if (depth > 8) GTEST_SKIP() << "screen depth " << depth;
  PresetX11Emulation(GetModuleHandleA(nullptr));
  Lx_MessageBoxHook previous = Lx_SetMessageBoxHook(record_box);
  EXPECT_EQ(XOpenDisplay(nullptr), nullptr);
  Lx_SetMessageBoxHook(previous);
  EXPECT_EQ(box_text, "Screen depth > 8 required");
  EXPECT_EQ(box_title, "Fatal Error");
  EXPECT_EQ(box_type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  EXPECT_EQ(Lx_CurrentDisplay(), nullptr);
}

}  // namespace
