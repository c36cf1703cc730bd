// The generated cursor glyph table against X's own cursor font: each glyph,
// drawn by the X server at the entry's hot spot into a 32x32 bitmap, sets
// exactly the entry's bits.
#include "platform/win/cursor_glyphs.h"

#include <gtest/gtest.h>
// After gtest: Xlib defines None and Bool.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

TEST(CursorGlyphs, EveryGlyphMatchesTheServersCursorFont) {
  Display* d = XOpenDisplay(nullptr);
  ASSERT_NE(d, nullptr);
  const Font font = XLoadFont(d, "cursor");
  const int n = LX_CURSOR_GLYPH_SIZE;
  const Pixmap pixmap = XCreatePixmap(d, DefaultRootWindow(d), n, n, 1);
  XGCValues values;
  values.font = font;
  const GC gc = XCreateGC(d, pixmap, GCFont, &values);
  int hot_spots_inside = 0;
  for (int code = 0; code < LX_CURSOR_GLYPHS; ++code) {
    SCOPED_TRACE(code);
    const Lx_CursorGlyph& g = cursor_glyphs[code];
    XSetForeground(d, gc, 0);
    XFillRectangle(d, pixmap, gc, 0, 0, n, n);
    XSetForeground(d, gc, 1);
    const char c = static_cast<char>(code);
    XDrawString(d, pixmap, gc, g.x_hot, g.y_hot, &c, 1);
    XImage* image = XGetImage(d, pixmap, 0, 0, n, n, 1, XYPixmap);
    ASSERT_NE(image, nullptr);
    int set = 0, differing = 0;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        const bool ours = (g.bits[y * (n / 8) + x / 8] >> (x % 8)) & 1;
        const bool theirs = XGetPixel(image, x, y) != 0;
        set += ours;
        differing += ours != theirs;
      }
    XDestroyImage(image);
    EXPECT_EQ(differing, 0);
    EXPECT_GT(set, 0);
    hot_spots_inside += g.x_hot >= 0 && g.x_hot < n && g.y_hot >= 0 && g.y_hot < n;
    if (code % 2 == 1) {  // a shape and its mask share the hot spot
      EXPECT_EQ(g.x_hot, cursor_glyphs[code - 1].x_hot);
      EXPECT_EQ(g.y_hot, cursor_glyphs[code - 1].y_hot);
    }
  }
  EXPECT_EQ(hot_spots_inside, LX_CURSOR_GLYPHS);
  XFreeGC(d, gc);
  XFreePixmap(d, pixmap);
  XUnloadFont(d, font);
  XCloseDisplay(d);
}

}  // namespace
