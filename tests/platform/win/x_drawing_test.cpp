// The layer's X drawing calls under wine, read back through XGetImage:
// shapes on pixmaps, stipples, copies and their NoExpose events, images,
// regions as clips, colours and colormaps, bitmap files, the error handler.
#include "tests/platform/win/x_layer_fixture.h"

#include <algorithm>
#include <functional>

#include "platform/win/x_errors.h"

namespace {

using Rows = std::vector<std::string>;

struct ShapeCase {
  const char* name;
  std::function<void(Display*, Drawable, GC)> draw;
  Rows expected;
};

TEST_F(XLayer, ShapesCoverExactlyTheirPixels) {
  const ShapeCase cases[] = {
      {"a line draws its end point", [](Display* d, Drawable p, GC gc) { XDrawLine(d, p, gc, 0, 0, 10, 0); },
       {"###########.", "............", "............", "............", "............"}},
      {"a line drawn backwards too", [](Display* d, Drawable p, GC gc) { XDrawLine(d, p, gc, 3, 4, 3, 1); },
       {"............", "...#........", "...#........", "...#........", "...#........"}},
      {"a rectangle's outline is one wider and higher than asked",
       [](Display* d, Drawable p, GC gc) { XDrawRectangle(d, p, gc, 1, 1, 4, 3); },
       {"............", ".#####......", ".#...#......", ".#...#......", ".#####......"}},
      {"a filled rectangle is as wide and high as asked",
       [](Display* d, Drawable p, GC gc) { XFillRectangle(d, p, gc, 1, 1, 4, 3); },
       {"............", ".####.......", ".####.......", ".####.......", "............"}},
      {"points", [](Display* d, Drawable p, GC gc) {
         XPoint points[] = {{0, 0}, {11, 4}};
         XDrawPoint(d, p, gc, 5, 2);
         XDrawPoints(d, p, gc, points, 2, CoordModeOrigin);
       },
       {"#...........", "............", ".....#......", "............", "...........#"}},
      {"lines from the previous point end on the last",
       [](Display* d, Drawable p, GC gc) {
         XPoint points[] = {{0, 4}, {3, 0}, {0, -3}};
         XDrawLines(d, p, gc, points, 3, CoordModePrevious);
       },
       {"............", "...#........", "...#........", "...#........", "####........"}},
      {"segments", [](Display* d, Drawable p, GC gc) {
         XSegment segments[] = {{6, 0, 8, 0}, {10, 2, 10, 3}};
         XDrawSegments(d, p, gc, segments, 2);
       },
       {"......###...", "............", "..........#.", "..........#.", "............"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Pixmap p = white_pixmap(12, 5);
    c.draw(display_, p, gc(0x000000));
    EXPECT_EQ(picture(p, 12, 5), c.expected);
  }
}

TEST_F(XLayer, FilledArcsArePiesOrChordsAndOutlinesLeaveTheInside) {
  auto at = [](const Rows& rows, int x, int y) { return rows[static_cast<size_t>(y)][static_cast<size_t>(x)]; };
  Pixmap circle = white_pixmap(41, 41), pie = white_pixmap(41, 41), chord = white_pixmap(41, 41),
         ring = white_pixmap(41, 41);
  GC black = gc(0x000000);
  XFillArc(display_, circle, black, 0, 0, 40, 40, 0, 360 * 64);
  XFillArc(display_, pie, black, 0, 0, 40, 40, 0, 90 * 64);
  XDrawArc(display_, ring, black, 0, 0, 40, 40, 0, 360 * 64);
  XGCValues chord_mode{};
  chord_mode.arc_mode = ArcChord;
  GC chords = gc(0x000000);
  XChangeGC(display_, chords, GCArcMode, &chord_mode);
  XFillArc(display_, chord, chords, 0, 0, 40, 40, 0, 90 * 64);

  const Rows c = picture(circle, 41, 41), p = picture(pie, 41, 41), h = picture(chord, 41, 41),
             r = picture(ring, 41, 41);
  EXPECT_EQ(at(c, 20, 20), '#');
  EXPECT_EQ(at(c, 2, 2), '.');
  EXPECT_EQ(at(c, 38, 38), '.');
  // The quarter from three o'clock up: near the centre only in the pie.
  EXPECT_EQ(at(p, 24, 16), '#');
  EXPECT_EQ(at(p, 33, 10), '#');
  EXPECT_EQ(at(p, 16, 24), '.');
  EXPECT_EQ(at(h, 24, 16), '.');
  EXPECT_EQ(at(h, 33, 10), '#');
  EXPECT_EQ(at(r, 20, 20), '.');
  EXPECT_NE(r[0].find('#'), std::string::npos);
}

TEST_F(XLayer, AStippleTilesFromTheOriginModuloEight) {
  const char one_bit[8] = {0x01, 0, 0, 0, 0, 0, 0, 0};  // the top left pixel of 8 x 8
  Pixmap stipple = XCreateBitmapFromData(display_, None, one_bit, 8, 8);
  pixmaps_.push_back(stipple);
  const struct {
    int x, y;
    Rows expected;
  } origins[] = {
      {0, 0, {"#.......#.......", "................", "................", "................"}},
      {11, 10, {"................", "................", "...#.......#....", "................"}},
  };
  for (const auto& o : origins) {
    SCOPED_TRACE(o.x);
    Pixmap p = white_pixmap(16, 4);
    GC g = gc(0x000000);
    XGCValues v{};
    v.fill_style = FillStippled;
    v.stipple = stipple;
    v.ts_x_origin = o.x;
    v.ts_y_origin = o.y;
    XChangeGC(display_, g, GCFillStyle | GCStipple | GCTileStipXOrigin | GCTileStipYOrigin, &v);
    XFillRectangle(display_, p, g, 0, 0, 16, 4);
    EXPECT_EQ(picture(p, 16, 4), o.expected);
  }
}

TEST_F(XLayer, CopiesQueueNoExposeOnlyWithGraphicsExposures) {
  XEvent stale;
  while (XCheckTypedEvent(display_, NoExpose, &stale)) {
  }
  const char bits[1] = {0x05};
  Pixmap plane = XCreateBitmapFromData(display_, None, bits, 8, 1);
  pixmaps_.push_back(plane);
  Pixmap from = white_pixmap(8, 1), to = white_pixmap(8, 1);
  GC exposing = gc(0x000000), quiet = gc(0x000000);
  XGCValues off{};
  off.graphics_exposures = False;
  XChangeGC(display_, quiet, GCGraphicsExposures, &off);

  XCopyArea(display_, from, to, exposing, 0, 0, 8, 1, 0, 0);
  XEvent e;
  ASSERT_TRUE(XCheckTypedEvent(display_, NoExpose, &e));
  EXPECT_EQ(e.xnoexpose.major_code, 62);
  EXPECT_EQ(e.xnoexpose.drawable, to);
  XCopyPlane(display_, plane, to, exposing, 0, 0, 8, 1, 0, 0, 1);
  ASSERT_TRUE(XCheckTypedEvent(display_, NoExpose, &e));
  EXPECT_EQ(e.xnoexpose.major_code, 63);
  EXPECT_EQ(picture(to, 8, 1), Rows{"#.#....."});

  XCopyArea(display_, from, to, quiet, 0, 0, 8, 1, 0, 0);
  XCopyPlane(display_, plane, to, quiet, 0, 0, 8, 1, 0, 0, 1);
  EXPECT_FALSE(XCheckTypedEvent(display_, NoExpose, &e));
  EXPECT_EQ(picture(to, 8, 1), Rows{"#.#....."});

  // Clipped by itself, the plane leaves the target where its bits are clear.
  Pixmap dark = white_pixmap(8, 1);
  XFillRectangle(display_, dark, quiet, 0, 0, 8, 1);
  GC masked = gc(0xFFFFFF);
  XGCValues clip{};
  clip.clip_mask = plane;
  clip.graphics_exposures = False;
  XChangeGC(display_, masked, GCClipMask | GCGraphicsExposures, &clip);
  XCopyPlane(display_, plane, dark, masked, 0, 0, 8, 1, 0, 0, 1);
  EXPECT_EQ(picture(dark, 8, 1), Rows{".#.#####"});
}

TEST_F(XLayer, ImagesHoldBlueGreenRedAndPutBackUnchanged) {
  Pixmap p = white_pixmap(4, 2), copy = white_pixmap(4, 2);
  XFillRectangle(display_, p, gc(0x0000FF), 1, 0, 2, 2);  // red as a colour reference
  EXPECT_EQ(XGetImage(display_, p, 0, 0, 4, 2, AllPlanes, XYPixmap), nullptr);
  XImage* image = XGetImage(display_, p, 0, 0, 4, 2, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->bits_per_pixel, 32);
  EXPECT_EQ(image->bytes_per_line, 16);
  EXPECT_EQ(XGetPixel(image, 1, 1), 0x00FF0000ul);
  EXPECT_EQ(XGetPixel(image, 0, 0), 0x00FFFFFFul);
  EXPECT_EQ(XPutImage(display_, copy, gc(0), image, 0, 0, 0, 0, 4, 2), 1);
  XDestroyImage(image);
  EXPECT_EQ(picture(copy, 4, 2), picture(p, 4, 2));
  XImage* back = XGetImage(display_, copy, 0, 0, 4, 2, AllPlanes, ZPixmap);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(XGetPixel(back, 2, 0), 0x00FF0000ul);
  XDestroyImage(back);
}

TEST_F(XLayer, RegionsClipTheContextsThatOwnThem) {
  Region a = XCreateRegion(), b = XCreateRegion();
  XRectangle box;
  XClipBox(a, &box);
  EXPECT_EQ(box.width, 0);
  EXPECT_EQ(box.height, 0);
  XRectangle r1{2, 1, 3, 2}, r2{4, 0, 4, 4};
  EXPECT_EQ(XUnionRectWithRegion(&r1, a, a), 0);  // in place
  EXPECT_EQ(XUnionRectWithRegion(&r2, a, b), 0);  // b = a with r2
  XClipBox(b, &box);
  EXPECT_EQ(box.x, 2);
  EXPECT_EQ(box.y, 0);
  EXPECT_EQ(box.width, 6);
  EXPECT_EQ(box.height, 4);
  Region both = XCreateRegion();
  XIntersectRegion(a, b, both);
  XClipBox(both, &box);
  EXPECT_EQ(box.x, 2);
  EXPECT_EQ(box.width, 3);

  Pixmap clipped = white_pixmap(8, 4), none = white_pixmap(8, 4);
  GC g = gc(0x000000), empty = gc(0x000000);
  XSetRegion(display_, g, a);
  XDestroyRegion(a);  // the context holds its own copy
  XFillRectangle(display_, clipped, g, 0, 0, 8, 4);
  EXPECT_EQ(picture(clipped, 8, 4), (Rows{"........", "..###...", "..###...", "........"}));
  XSetClipRectangles(display_, empty, 0, 0, nullptr, 0, Unsorted);
  XFillRectangle(display_, none, empty, 0, 0, 8, 4);
  EXPECT_EQ(picture(none, 8, 4), (Rows(4, "........")));
  XDestroyRegion(b);
  XDestroyRegion(both);
}

int first_handler(Display*, XErrorEvent*) { return 1; }

std::string box_text, box_title;
int capture_box(const char* text, const char* title, UINT) {
  box_text = text;
  box_title = title;
  return IDOK;
}

TEST_F(XLayer, ErrorHandlersChainThroughTheDefaultOne) {
  const XErrorHandler before = XSetErrorHandler(first_handler);
  EXPECT_EQ(XSetErrorHandler(nullptr), first_handler);
  EXPECT_EQ(XSetErrorHandler(before), DefaultErrorHandler);

  const Lx_MessageBoxHook hook = Lx_SetMessageBoxHook(capture_box);
  XErrorEvent error{};
  error.error_code = BadWindow;
  error.resourceid = 0x1234;
  EXPECT_EQ(DefaultErrorHandler(display_, &error), 0);
  Lx_SetMessageBoxHook(hook);
  EXPECT_EQ(box_title, "Error Handler");
  EXPECT_EQ(box_text, "  Error of faild request: BadWindow\n  Resource id in faild request: 1234");
  char text[8] = "x";
  XGetErrorText(display_, BadWindow, text, sizeof text);
  EXPECT_STREQ(text, "");
}

TEST_F(XLayer, ColoursAreColourReferencesAndNamesTheSchemesColours) {
  XColor red{};
  ASSERT_TRUE(XParseColor(display_, 1, "#ff0000", &red));
  EXPECT_EQ(red.red, 0xFF00);
  ASSERT_TRUE(XAllocColor(display_, 1, &red));
  EXPECT_EQ(red.pixel, 0x000000FFul);
  XColor f{};
  ASSERT_TRUE(XParseColor(display_, 1, "#fff", &f));
  EXPECT_EQ(f.green, 0xF000);

  XColor exact{}, screen{};
  ASSERT_TRUE(XLookupColor(display_, 1, "SystemWindow", &exact, &screen));
  EXPECT_EQ(exact.pixel, static_cast<unsigned long>(GetSysColor(COLOR_WINDOW)));
  EXPECT_EQ(exact.red >> 8, GetSysColor(COLOR_WINDOW) & 0xFF);
  ASSERT_TRUE(XAllocNamedColor(display_, 1, "NAVY", &screen, &exact));
  EXPECT_EQ(screen.pixel, 0x00800000ul);
  XColor query{};
  query.pixel = 0x00123456;
  XQueryColor(display_, 1, &query);
  EXPECT_EQ(query.red, 0x5656);
  EXPECT_EQ(query.blue, 0x1212);
  // Bytes widen as X's do: white is full white, its every bit set.
  ASSERT_TRUE(XParseColor(display_, 1, "white", &exact));
  EXPECT_EQ(exact.red, 0xFFFF);
  ASSERT_TRUE(XAllocColor(display_, 1, &exact));
  EXPECT_EQ(exact.green, 0xFFFF);
  query.pixel = 0x00FFFFFF;
  XQueryColor(display_, 1, &query);
  EXPECT_EQ(query.blue, 0xFFFF);

  // Specs of any length or bytes are refused, not read past.
  const std::string hostile[] = {"#" + std::string(100000, 'f'), std::string(100000, 'a'), "#fff0", "navy blue",
                                 std::string("\x80\xff\x01", 3)};
  for (const auto& spec : hostile) EXPECT_FALSE(XParseColor(display_, 1, spec.c_str(), &f)) << spec.size();
}

TEST_F(XLayer, ColormapIdsAreNeverZeroAndTheDefaultStays) {
  Visual true_colour{};
  true_colour.c_class = TrueColor;
  const Colormap a = XCreateColormap(display_, None, &true_colour, AllocNone);
  const Colormap b = XCreateColormap(display_, None, &true_colour, AllocNone);
  EXPECT_GE(a, 2ul);
  EXPECT_EQ(b, a + 1);
  XColor c{};
  XFreeColormap(display_, 1);
  XFreeColormap(display_, 0);
  EXPECT_TRUE(XAllocColor(display_, 1, &c));
  EXPECT_FALSE(XAllocColor(display_, 0, &c));
  XFreeColormap(display_, a);
  EXPECT_FALSE(XAllocColor(display_, a, &c));

  // Storing a colour exposes the whole of each window shown through the map.
  Window w = window(None, 30, 20);
  XSetWindowAttributes attributes{};
  attributes.colormap = b;
  XChangeWindowAttributes(display_, w, CWColormap, &attributes);
  XEvent e;
  while (XCheckTypedEvent(display_, Expose, &e)) {
  }
  c.pixel = 5;
  EXPECT_TRUE(XStoreColor(display_, b, &c));
  ASSERT_TRUE(XCheckTypedEvent(display_, Expose, &e));
  EXPECT_EQ(e.xexpose.window, w);
  EXPECT_EQ(e.xexpose.x, 0);
  EXPECT_EQ(e.xexpose.count, 0);
  RECT client;
  GetClientRect(Lx_Hwnd(w), &client);
  EXPECT_EQ(e.xexpose.width, client.right);
  EXPECT_FALSE(XCheckTypedEvent(display_, Expose, &e));
  XFreeColormap(display_, b);
}

TEST_F(XLayer, FontsByNameMeasureAndDrawTheirText) {
  EXPECT_EQ(XLoadFont(display_, "cursor"), static_cast<Font>(-2));
  EXPECT_EQ(XQueryFont(display_, static_cast<Font>(-2)), nullptr);
  for (const char* name : {"ansi", "Arial-Bold-12", "-*-courier-medium-r-*-*-14-*-*-*-*-*-*-*"}) {
    SCOPED_TRACE(name);
    XFontStruct* font = XLoadQueryFont(display_, name);
    ASSERT_NE(font, nullptr);
    EXPECT_GT(font->ascent, 0);
    EXPECT_EQ(XTextWidth(font, "", 0), 0);
    const int one = XTextWidth(font, "a", 1), two = XTextWidth(font, "aa", 2);
    EXPECT_GT(one, 0);
    EXPECT_GE(two, 2 * one - 1);
    int direction, ascent, descent;
    XCharStruct overall;
    XTextExtents(font, "aa", 2, &direction, &ascent, &descent, &overall);
    EXPECT_EQ(ascent, font->ascent);
    EXPECT_GT(overall.width, 0);
    EXPECT_EQ(overall.lbearing, 0);

    // The text stands on its base line: ink above y, none below the descent.
    Pixmap p = white_pixmap(60, 40);
    GC g = gc(0x000000);
    XSetFont(display_, g, font->fid);
    XDrawString(display_, p, g, 2, 25, "Hg", 2);
    const Rows rows = picture(p, 60, 40);
    auto ink = [&](int from, int to) {
      int n = 0;
      for (int y = from; y < to; ++y) n += static_cast<int>(std::count(rows[size_t(y)].begin(), rows[size_t(y)].end(), '#'));
      return n;
    };
    EXPECT_GT(ink(25 - font->ascent, 25), 0);
    EXPECT_EQ(ink(0, 25 - font->ascent), 0);
    EXPECT_EQ(ink(25 + font->descent, 40), 0);
    XFreeFont(display_, font);
  }
}

std::string test_folder() {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.erase(folder.find_last_of("\\/") + 1) + "bitmaps\\";
}

TEST_F(XLayer, BitmapFilesBecomePixmapsEqualToTheirXBitmaps) {
  for (const char* name : {"woman", "odd9", "wide17"}) {
    SCOPED_TRACE(name);
    const std::string xbm = test_folder() + name + ".xbm", bmp = test_folder() + name + "_1.bmp";
    unsigned w = 0, h = 0, bw = 0, bh = 0;
    int x_hot, y_hot;
    Pixmap from_xbm = None, from_bmp = None;
    ASSERT_EQ(XReadBitmapFile(display_, None, xbm.c_str(), &w, &h, &from_xbm, &x_hot, &y_hot), BitmapSuccess);
    ASSERT_EQ(XReadBitmapFile(display_, None, bmp.c_str(), &bw, &bh, &from_bmp, &x_hot, &y_hot), BitmapSuccess);
    pixmaps_.push_back(from_xbm);
    pixmaps_.push_back(from_bmp);
    EXPECT_EQ(x_hot, 0);
    EXPECT_EQ(bw, w);
    EXPECT_EQ(bh, h);
    EXPECT_TRUE(Lx_IsPixmap(from_bmp));
    const Rows pixels = picture(from_xbm, w, h);
    EXPECT_EQ(picture(from_bmp, w, h), pixels);

    unsigned char* data = nullptr;
    unsigned dw = 0, dh = 0;
    ASSERT_EQ(XReadBitmapFileData(xbm.c_str(), &dw, &dh, &data, nullptr, nullptr), BitmapSuccess);
    Rows bits;
    for (unsigned y = 0; y < dh; ++y) {
      std::string row;
      for (unsigned x = 0; x < dw; ++x) row += (data[y * ((dw + 7) / 8) + x / 8] >> (x % 8) & 1) != 0 ? '#' : '.';
      bits.push_back(row);
    }
    XFree(data);
    EXPECT_EQ(bits, pixels);
  }
  unsigned w, h;
  Pixmap p;
  EXPECT_EQ(XReadBitmapFile(display_, None, (test_folder() + "missing.xbm").c_str(), &w, &h, &p, nullptr, nullptr),
            BitmapOpenFailed);
}

}  // namespace
