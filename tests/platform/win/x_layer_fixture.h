// What the tests of the layer's X calls share: the display, white pixmaps
// drawn on and read back through XGetImage as pictures of '#' (black) and
// '.' (white), and windows, pixmaps and contexts that go with the test.
#pragma once

// GoogleTest first: X's None would stand for a name it uses.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/win/layer.h"
#include "tests/platform/win/layer_test_support.h"

class XLayer : public LayerTest {
 protected:
  void TearDown() override {
    for (Pixmap p : pixmaps_) XFreePixmap(display_, p);
    for (GC gc : gcs_) XFreeGC(display_, gc);
    LayerTest::TearDown();
  }

  // A 24-bit pixmap filled with white.
  Pixmap white_pixmap(unsigned width, unsigned height) {
    Pixmap p = XCreatePixmap(display_, None, width, height, 24);
    EXPECT_NE(p, None);
    pixmaps_.push_back(p);
    GC white = gc(0xFFFFFF);
    XFillRectangle(display_, p, white, 0, 0, width, height);
    return p;
  }
  // A context that draws in `foreground`, freed with the test.
  GC gc(unsigned long foreground) {
    XGCValues values{};
    values.foreground = foreground;
    GC made = XCreateGC(display_, None, GCForeground, &values);
    gcs_.push_back(made);
    return made;
  }
  Window window(Window parent, int width, int height) {
    const Window w = parent == None ? top_level(10, 10, width, height) : child(parent, 0, 0, width, height);
    EXPECT_NE(w, None);
    return w;
  }

  // Rows of '#' for black pixels, '.' for white ones and '?' for any other.
  std::vector<std::string> picture(Drawable d, unsigned width, unsigned height) {
    std::vector<std::string> rows;
    XImage* image = XGetImage(display_, d, 0, 0, width, height, AllPlanes, ZPixmap);
    if (image == nullptr) return rows;
    for (unsigned y = 0; y < height; ++y) {
      std::string row;
      for (unsigned x = 0; x < width; ++x) {
        const unsigned long p = XGetPixel(image, static_cast<int>(x), static_cast<int>(y)) & 0xFFFFFF;
        row += p == 0 ? '#' : p == 0xFFFFFF ? '.' : '?';
      }
      rows.push_back(row);
    }
    XDestroyImage(image);
    return rows;
  }

  std::vector<Pixmap> pixmaps_;
  std::vector<GC> gcs_;
};
