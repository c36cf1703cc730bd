// GLX over WGL under wine: the server's eighteen display-mode visuals, contexts
// made at their first make-current, a context moved between two windows, the
// release of the system's context, swaps, GLX pixmaps and pbuffers read back,
// and drawing that is on the screen after XSync.
#include <gtest/gtest.h>

#include <windows.h>

#include <GL/gl.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

// After GoogleTest: X's None and Bool macros would clash with its names.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "tests/platform/win/layer_test_support.h"

namespace {

constexpr uint32_t RED = 0xFF0000, GREEN = 0x00FF00, BLUE = 0x0000FF;

class Glx : public LayerTest {
 protected:
  void SetUp() override {
    LayerTest::SetUp();
    display = display_;
  }
  void TearDown() override {
    glXMakeCurrent(display, None, nullptr);
    for (GLXContext c : contexts) glXDestroyContext(display, c);
    for (XVisualInfo* v : visuals) XFree(v);
    LayerTest::TearDown();
  }
  // A mapped top-level window.
  Window shown(int x, int y, int width, int height) {
    Window w = top_level(x, y, width, height);
    XMapWindow(display, w);
    pump_messages();
    return w;
  }
  // The colour at (x, y) of a drawable as 0x00RRGGBB, read through XGetImage.
  uint32_t pixel(Drawable d, int x, int y) {
    pump_messages();
    XImage* image = XGetImage(display, d, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0xFFFFFFFF;
    uint32_t p = uint32_t(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return p;
  }
  XVisualInfo* choose(std::vector<int> attributes) {
    XVisualInfo* v = glXChooseVisual(display, 0, attributes.data());
    if (v != nullptr) visuals.push_back(v);
    return v;
  }
  GLXContext context_for(XVisualInfo* visual) {
    GLXContext c = glXCreateContext(display, visual, nullptr, True);
    if (c != nullptr) contexts.push_back(c);
    return c;
  }
  // The window visual of the server's mono RGBA display mode.
  XVisualInfo* window_visual() {
    return choose({GLX_USE_GL, GLX_RGBA, GLX_RED_SIZE, 3, GLX_GREEN_SIZE, 3, GLX_BLUE_SIZE, 2, GLX_DOUBLEBUFFER,
                   GLX_DEPTH_SIZE, 16, None});
  }

  Display* display = nullptr;
  std::vector<GLXContext> contexts;
  std::vector<XVisualInfo*> visuals;
};

void clear_to(uint32_t colour) {
  glClearColor(float(colour >> 16 & 0xFF) / 255, float(colour >> 8 & 0xFF) / 255, float(colour & 0xFF) / 255, 1);
  glClear(GL_COLOR_BUFFER_BIT);
}

// The colour GL reads at (x, y) of the current read buffer, as 0x00RRGGBB.
uint32_t gl_pixel(int x, int y) {
  unsigned char rgba[4] = {};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  return uint32_t(rgba[0]) << 16 | uint32_t(rgba[1]) << 8 | rgba[2];
}

int config(Display* display, XVisualInfo* visual, int attribute) {
  int value = -1;
  EXPECT_EQ(glXGetConfig(display, visual, attribute, &value), 0) << attribute;
  return value;
}

// The server's display-mode lists, slot = anti-alias x 6 + colour x 2 + stereo;
// each slot takes its first list that finds a visual.
struct Mode {
  bool rgba;
  int buffer_size;  // colour index
  bool stereo;
  bool accumulation;
  int samples;      // multisample slots, tried with 4, 3, 2
};

std::vector<int> mode_list(const Mode& m, bool stencil, int samples) {
  std::vector<int> a = {GLX_USE_GL};
  if (m.rgba) a.insert(a.end(), {GLX_RGBA, GLX_RED_SIZE, 3, GLX_GREEN_SIZE, 3, GLX_BLUE_SIZE, 2});
  else a.insert(a.end(), {GLX_BUFFER_SIZE, m.buffer_size});
  if (m.accumulation) a.insert(a.end(), {GLX_ACCUM_RED_SIZE, 3, GLX_ACCUM_GREEN_SIZE, 3, GLX_ACCUM_BLUE_SIZE, 2});
  if (m.stereo) a.push_back(GLX_STEREO);
  if (samples > 0) a.insert(a.end(), {GLX_SAMPLE_BUFFERS, 1, GLX_SAMPLES, samples});
  a.insert(a.end(), {GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16});
  if (stencil) a.insert(a.end(), {GLX_STENCIL_SIZE, 1});
  a.push_back(None);
  return a;
}

TEST_F(Glx, TheDisplayModeSlotsThatFill) {
  std::string filled;
  for (int slot = 0; slot < 18; ++slot) {
    int anti_alias = slot / 6, colour = slot % 6 / 2;
    Mode m{colour == 0, colour == 1 ? 8 : 12, slot % 2 == 1, anti_alias == 2, anti_alias == 1};
    XVisualInfo* v = nullptr;
    for (int samples : anti_alias == 1 ? std::vector<int>{4, 3, 2} : std::vector<int>{0}) {
      if (v == nullptr && m.rgba) v = choose(mode_list(m, true, samples));
      if (v == nullptr) v = choose(mode_list(m, false, samples));
    }
    if (v == nullptr) continue;
    SCOPED_TRACE(testing::Message() << "slot " << slot);
    filled += (filled.empty() ? "" : " ") + std::to_string(slot);
    // What the slot asked is what the visual has.
    EXPECT_EQ(config(display, v, GLX_RGBA), m.rgba ? 1 : 0);
    EXPECT_EQ(config(display, v, GLX_STEREO), m.stereo ? 1 : 0);
    EXPECT_EQ(config(display, v, GLX_DOUBLEBUFFER), 1);
    EXPECT_GE(config(display, v, GLX_DEPTH_SIZE), 16);
    EXPECT_GE(config(display, v, GLX_ACCUM_RED_SIZE), m.accumulation ? 3 : 0);
    EXPECT_GE(config(display, v, GLX_SAMPLES), m.samples ? 2 : 0);
  }
  printf("display-mode slots filled: %s\n", filled.c_str());
  // Mesa under wine has RGBA formats only, none of them stereo.
  EXPECT_EQ(filled, "0 6 12");
}

TEST_F(Glx, AContextIsMadeAtItsFirstMakeCurrentAndMovesBetweenWindows) {
  Window a = shown(1000, 700, 64, 48), b = shown(1100, 700, 64, 48);
  XVisualInfo* v = window_visual();
  ASSERT_NE(v, nullptr);
  GLXContext c = context_for(v);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  ASSERT_TRUE(glXMakeCurrent(display, a, c));
  EXPECT_EQ(glXGetCurrentContext(), c);
  EXPECT_EQ(glXGetCurrentDrawable(), a);
  EXPECT_EQ(wglGetCurrentDC(), GetDC(Lx_Hwnd(a)));
  HGLRC rendering = wglGetCurrentContext();
  ASSERT_NE(rendering, nullptr);
  clear_to(RED);
  glXSwapBuffers(display, a);

  ASSERT_TRUE(glXMakeCurrent(display, b, c));
  EXPECT_EQ(glXGetCurrentDrawable(), b);
  EXPECT_EQ(wglGetCurrentDC(), GetDC(Lx_Hwnd(b)));
  EXPECT_EQ(wglGetCurrentContext(), rendering);  // the same context, made once
  clear_to(BLUE);
  glXSwapBuffers(display, b);
  glFinish();
  EXPECT_EQ(pixel(a, 32, 24), RED);
  EXPECT_EQ(pixel(b, 32, 24), BLUE);

  // Drawing goes to the draw drawable; the read drawable is not used.
  ASSERT_TRUE(glXMakeContextCurrent(display, a, b, c));
  EXPECT_EQ(wglGetCurrentDC(), GetDC(Lx_Hwnd(a)));
  EXPECT_FALSE(glXMakeCurrent(display, None, c));
  EXPECT_EQ(glXGetCurrentDrawable(), a);
}

TEST_F(Glx, MakeCurrentWithoutAContextReleasesTheSystemsContext) {
  Window w = shown(1000, 800, 32, 32);
  GLXContext c = context_for(window_visual());
  ASSERT_TRUE(glXMakeCurrent(display, w, c));
  ASSERT_NE(wglGetCurrentContext(), nullptr);
  EXPECT_TRUE(glXMakeCurrent(display, w, nullptr));
  EXPECT_EQ(glXGetCurrentContext(), nullptr);
  EXPECT_EQ(glXGetCurrentDrawable(), None);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  // Destroying the current context forgets it too.
  ASSERT_TRUE(glXMakeCurrent(display, w, c));
  glXDestroyContext(display, c);
  contexts.clear();
  EXPECT_EQ(glXGetCurrentContext(), nullptr);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
}

TEST_F(Glx, ASwapWithNoContextCurrentGoesToTheWindow) {
  Window w = shown(1000, 800, 32, 32);
  GLXContext c = context_for(window_visual());
  ASSERT_TRUE(glXMakeCurrent(display, w, c));
  clear_to(GREEN);
  ASSERT_TRUE(glXMakeCurrent(display, None, nullptr));
  // Mesa drops a drawable's buffers with its last context, so what shows is
  // not checked here; the swap must only reach the window and harm nothing.
  glXSwapBuffers(display, w);
  ASSERT_TRUE(glXMakeCurrent(display, w, c));
  clear_to(RED);
  glXSwapBuffers(display, w);
  glFinish();
  EXPECT_EQ(pixel(w, 16, 16), RED);
}

TEST_F(Glx, AGlxPixmapIsABitmapOfItsOwnThatGlDrawsInto) {
  // The GLX pixmap takes only the X pixmap's size: its pixels are its own.
  Pixmap pixmap = XCreatePixmap(display, None, 40, 30, 24);
  ASSERT_NE(pixmap, None);
  EXPECT_EQ(glXCreateGLXPixmap(display, window_visual(), pixmap), None);  // a window visual
  for (int alpha : {0, 1}) {
    XVisualInfo* v = choose({GLX_RGBA, GLX_RED_SIZE, 3, GLX_GREEN_SIZE, 3, GLX_BLUE_SIZE, 2, GLX_ALPHA_SIZE, alpha,
                             None});
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(v->depth, alpha ? 32 : 24);
    GLXPixmap glx_pixmap = glXCreateGLXPixmap(display, v, pixmap);
    ASSERT_NE(glx_pixmap, None);
    GLXContext c = context_for(v);
    ASSERT_TRUE(glXMakeCurrent(display, glx_pixmap, c));
    EXPECT_EQ(glXGetCurrentDrawable(), glx_pixmap);
    glViewport(0, 0, 40, 30);
    clear_to(BLUE);
    glColor3f(1, 0, 0);
    glRectf(-1, -1, 0, 0);  // the lower left quarter
    glFinish();
    // Every pixel of a row through the rectangle (a 24-bit bitmap held it
    // striped: red, red, cyan, blue).
    for (int x = 0; x < 40; ++x) EXPECT_EQ(gl_pixel(x, 5), x < 20 ? RED : BLUE) << "depth " << v->depth << " x " << x;
    EXPECT_EQ(gl_pixel(35, 25), BLUE);
    // The pixels are in the device context's bitmap (colour words 0x00BBGGRR, rows top-down).
    HDC memory = wglGetCurrentDC();
    EXPECT_EQ(GetPixel(memory, 5, 25) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(GetPixel(memory, 35, 5) & 0xFFFFFF, 0xFF0000u);
    // Destroying the current drawable leaves nothing current.
    glXDestroyGLXPixmap(display, glx_pixmap);
    EXPECT_EQ(glXGetCurrentDrawable(), None);
    EXPECT_EQ(wglGetCurrentContext(), nullptr);
    glXDestroyGLXPixmap(display, glx_pixmap);  // gone: ignored
  }
  glXDestroyGLXPixmap(display, None);
  XFreePixmap(display, pixmap);
}

// A textured square of one colour over the whole viewport of the current context.
uint32_t textured_square(uint32_t colour) {
  const unsigned char texel[4] = {static_cast<unsigned char>(colour >> 16), static_cast<unsigned char>(colour >> 8),
                                  static_cast<unsigned char>(colour), 255};
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  clear_to(0);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0), glVertex2f(-1, -1);
  glTexCoord2f(1, 0), glVertex2f(1, -1);
  glTexCoord2f(1, 1), glVertex2f(1, 1);
  glTexCoord2f(0, 1), glVertex2f(-1, 1);
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glFinish();
  uint32_t got = gl_pixel(8, 8);
  glDeleteTextures(1, &texture);
  return got;
}

TEST_F(Glx, AWindowsContextTexturesAsBeforeAfterAGlxPixmapsContextWasCurrent) {
  Window w = shown(1000, 600, 16, 16);
  GLXContext window_context = context_for(window_visual());
  ASSERT_TRUE(glXMakeCurrent(display, w, window_context));
  glViewport(0, 0, 16, 16);
  glReadBuffer(GL_BACK);
  EXPECT_EQ(textured_square(GREEN), GREEN);

  XVisualInfo* v = choose({GLX_RGBA, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16, None});
  ASSERT_NE(v, nullptr);
  Pixmap pixmap = XCreatePixmap(display, None, 32, 32, unsigned(v->depth));
  GLXPixmap glx_pixmap = glXCreateGLXPixmap(display, v, pixmap);
  ASSERT_NE(glx_pixmap, None);
  ASSERT_TRUE(glXMakeCurrent(display, glx_pixmap, context_for(v)));
  glViewport(0, 0, 32, 32);
  clear_to(RED);
  EXPECT_EQ(gl_pixel(8, 8), RED);

  ASSERT_TRUE(glXMakeCurrent(display, w, window_context));
  EXPECT_EQ(textured_square(BLUE), BLUE);
  glXMakeCurrent(display, None, nullptr);
  glXDestroyGLXPixmap(display, glx_pixmap);
  XFreePixmap(display, pixmap);
}

TEST_F(Glx, APbufferNeedsACurrentContextAndReadsBack) {
  const int request[] = {GLX_RENDER_TYPE, GLX_RGBA_BIT, GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RED_SIZE, 8,
                         GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16, None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, 0, request, &count);
  ASSERT_NE(configs, nullptr);
  ASSERT_GT(count, 0);
  const int size[] = {GLX_PBUFFER_WIDTH, 64, GLX_PBUFFER_HEIGHT, 32, GLX_PRESERVED_CONTENTS, True, None};
  EXPECT_EQ(glXCreatePbuffer(display, configs[0], size), None);  // no context current

  Window w = shown(1000, 900, 16, 16);
  ASSERT_TRUE(glXMakeCurrent(display, w, context_for(window_visual())));
  // Mesa under wine ends the program with an X error when it draws into a
  // pbuffer of a 32-bit configuration: the test takes the first 24-bit one.
  GLXFBConfig config = nullptr;
  for (int i = 0; i < count && config == nullptr; ++i) {
    int bits = 0;
    glXGetFBConfigAttrib(display, configs[i], GLX_BUFFER_SIZE, &bits);
    if (bits == 24) config = configs[i];
  }
  ASSERT_NE(config, nullptr);
  GLXPbuffer pbuffer = glXCreatePbuffer(display, config, size);
  ASSERT_NE(pbuffer, None);
  GLXContext c = glXCreateNewContext(display, config, GLX_RGBA_TYPE, nullptr, True);
  ASSERT_NE(c, nullptr);
  contexts.push_back(c);
  ASSERT_TRUE(glXMakeContextCurrent(display, pbuffer, pbuffer, c));
  EXPECT_EQ(glXGetCurrentDrawable(), pbuffer);
  glViewport(0, 0, 64, 32);
  clear_to(GREEN);
  glColor3f(0, 0, 1);
  glRectf(0, 0, 1, 1);  // the upper right quarter
  glFinish();
  EXPECT_EQ(gl_pixel(2, 2), GREEN);
  EXPECT_EQ(gl_pixel(60, 30), BLUE);
  glXDestroyPbuffer(display, pbuffer);
  EXPECT_EQ(glXGetCurrentDrawable(), None);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  glXDestroyPbuffer(display, pbuffer);  // gone: ignored
  XFree(configs);
}

// Threads that keep every processor busy while they live.
class BusyProcessors {
 public:
  BusyProcessors() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    for (DWORD i = 0; i < info.dwNumberOfProcessors; ++i)
      threads_.push_back(CreateThread(nullptr, 0, spin, &stop_, 0, nullptr));
  }
  ~BusyProcessors() {
    stop_ = true;
    for (HANDLE t : threads_) {
      WaitForSingleObject(t, INFINITE);
      CloseHandle(t);
    }
  }

 private:
  static DWORD WINAPI spin(void* stop) {
    while (!*static_cast<std::atomic<bool>*>(stop)) {
    }
    return 0;
  }
  std::atomic<bool> stop_ = false;
  std::vector<HANDLE> threads_;
};

// After XSync what was drawn is in the window and on the screen, for windows
// drawn straight after they are shown and drawn again at once, with every
// processor busy: the system puts windows on the screen lazily.
TEST_F(Glx, AfterXSyncTheWindowAndTheScreenShowWhatWasDrawn) {
  BusyProcessors busy;
  GLXContext context = context_for(window_visual());
  ASSERT_NE(context, nullptr);
  XGCValues values{};
  GC gc = XCreateGC(display, None, 0, &values);
  auto read = [&](Drawable d, int x, int y) {
    XImage* image = XGetImage(display, d, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0xFFFFFFFFu;
    const uint32_t got = uint32_t(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return got;
  };
  struct Case {
    const char* name;
    bool gl;
    bool child;  // an input-only child over the window, as a busy overlay is
  };
  for (const Case& c : {Case{"X drawing", false, false}, Case{"GL into the front buffer", true, false},
                        Case{"GL with a child window", true, true}}) {
    SCOPED_TRACE(c.name);
    int window_misses = 0, screen_misses = 0;
    for (int round = 0; round < 12; ++round) {
      Window w = top_level(1000, 600, 24, 24);
      XStoreName(display, w, "drawn");
      XMapRaised(display, w);
      if (c.child) {
        XSetWindowAttributes a{};
        XMapWindow(display, XCreateWindow(display, w, 0, 0, 24, 24, 0, 0, InputOnly, nullptr, 0, &a));
      }
      XSync(display, False);
      pump_messages();
      if (c.gl) {
        ASSERT_TRUE(glXMakeCurrent(display, w, context));
        glDrawBuffer(GL_FRONT);
        glViewport(0, 0, 24, 24);
      }
      POINT origin{0, 0};
      ClientToScreen(Lx_Hwnd(w), &origin);
      for (int i = 0; i < 6; ++i) {
        const uint32_t colour = i % 2 ? RED : BLUE;
        if (c.gl) {
          clear_to(colour);
          glFinish();
        } else {
          XSetForeground(display, gc, (colour & 0xFF) << 16 | (colour & 0xFF00) | colour >> 16);
          XFillRectangle(display, w, gc, 0, 0, 24, 24);
        }
        XSync(display, False);
        window_misses += read(w, 12, 12) != colour;
        screen_misses += read(None, origin.x + 12, origin.y + 12) != colour;
      }
      glXMakeCurrent(display, None, nullptr);
      XDestroyWindow(display, w);
      windows_.pop_back();
      pump_messages();
    }
    EXPECT_EQ(window_misses, 0);
    EXPECT_EQ(screen_misses, 0);
  }
  XFreeGC(display, gc);
}

TEST_F(Glx, RefusedRequests) {
  XVisualInfo* v = window_visual();
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(glXCreateContext(display, v, context_for(v), True), nullptr);  // no shared lists
  int attributes[] = {GLX_USE_GL, GLX_RGBA, None};
  EXPECT_EQ(glXChooseVisual(display, 1, attributes), nullptr);
  int transparent[] = {GLX_USE_GL, GLX_RGBA, GLX_TRANSPARENT_TYPE, GLX_TRANSPARENT_RGB, None};
  EXPECT_EQ(glXChooseVisual(display, 0, transparent), nullptr);
  // A window configuration makes no pbuffer, even with a context current.
  Window w = shown(1000, 900, 16, 16);
  ASSERT_TRUE(glXMakeCurrent(display, w, context_for(v)));
  const int window_request[] = {GLX_DRAWABLE_TYPE, GLX_WINDOW_BIT, None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(display, 0, window_request, &count);
  ASSERT_NE(configs, nullptr);
  const int size[] = {GLX_PBUFFER_WIDTH, 8, GLX_PBUFFER_HEIGHT, 8, None};
  EXPECT_EQ(glXCreatePbuffer(display, configs[0], size), None);
  XFree(configs);
  // The configuration's visual info carries the configuration's id.
  int id_request[] = {GLX_FBCONFIG_ID, int(v->visualid), None};
  configs = glXChooseFBConfig(display, 0, id_request, &count);
  ASSERT_EQ(count, 1);
  XVisualInfo* from_config = glXGetVisualFromFBConfig(display, configs[0]);
  ASSERT_NE(from_config, nullptr);
  EXPECT_EQ(from_config->visualid, v->visualid);
  XFree(from_config);
  XFree(configs);
  int major = 0, minor = 0;
  EXPECT_TRUE(glXQueryVersion(display, &major, &minor));
  EXPECT_EQ(major * 10 + minor, 13);
  EXPECT_STREQ(glXQueryExtensionsString(display, 0), "");
  EXPECT_TRUE(glXIsDirect(display, contexts[0]));
  EXPECT_NE(glXGetProcAddress(reinterpret_cast<const GLubyte*>("glActiveTextureARB")), nullptr);
}

}  // namespace
