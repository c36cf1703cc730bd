#include "tests/toolkit/toolkit_fixture.h"

#include "tests/support/x_screen.h"

#include <GL/gl.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "gl/gl_context.h"

namespace {
class ContextEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    XSetErrorHandler(count_x_error);
    claim_screen_slot();
    context = new UIAppContext(false, nullptr, "white", 0, 0, 10, 11);
  }
  void TearDown() override {
    delete context;
    EXPECT_EQ(x_error_count(), 0);
  }
  UIAppContext* context = nullptr;
};

[[maybe_unused]] testing::Environment* const environment =
    testing::AddGlobalTestEnvironment(new ContextEnvironment);
}  // namespace

int synced_x_error_count() {
  XSync(AppContext->ui_display, False);
  return x_error_count();
}

void finish_gl() {
  if (XGLContext::current_context != nullptr) glFinish();
  XSync(AppContext->ui_display, False);
}

ShownWindow::ShownWindow(unsigned short width, unsigned short height, unsigned long background,
                         const char* name, long id)
    : window(false, false, id, name, false) {
  window.set_origin(short(slot_x(claim_screen_slot())), short(slot_y(claim_screen_slot())));
  window.set_size(width, height);
  window.background_colour = background;
  window.make_visible();
  for (int i = 0; i < 200 && !window.mapped; ++i) {
    XEvent event;
    XWindowEvent(AppContext->ui_display, window.x_window, ExposureMask | StructureNotifyMask,
                 &event);
    window.handle_window_event(&event, true);
  }
  pump();
}

ShownWindow::~ShownWindow() {
  while (window.first_top != nullptr) delete window.first_top;
}

void ShownWindow::pump() {
  XSync(AppContext->ui_display, False);
  XEvent event;
  while (XCheckWindowEvent(AppContext->ui_display, window.x_window, ~0L, &event)) {
    window.handle_window_event(&event, true);
  }
}

std::vector<uint32_t> ShownWindow::read_pixels() const {
  finish_gl();
  XImage* image = XGetImage(AppContext->ui_display, window.x_window, 0, 0, window.width,
                            window.height, AllPlanes, ZPixmap);
  std::vector<uint32_t> pixels;
  if (image == nullptr) return pixels;
  for (int y = 0; y < window.height; ++y) {
    for (int x = 0; x < window.width; ++x) {
      pixels.push_back(uint32_t(XGetPixel(image, x, y) & 0xFFFFFF));
    }
  }
  XDestroyImage(image);
  return pixels;
}
