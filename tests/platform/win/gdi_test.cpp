// The GDI halves of the layer under wine: cursors from bitmaps and from the
// cursor font, the best cursor size, colours, icons and bitmap files read
// into bitmaps (X bitmap files, and the Windows bitmap files that netpbm
// made of them at build time, which must read equal).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "base/checked_mm.h"
#include <vector>

#include "platform/win/bitmap_file.h"
#include "platform/win/colormaps.h"
#include "platform/win/cursors.h"
#include "platform/win/fonts.h"
#include "platform/win/gc_drawing.h"
#include "platform/win/icons.h"
#include "platform/win/pixmaps.h"
#include "platform/win/regions.h"
#include "platform/win/selections.h"

namespace {

// The folder beside this test program.
std::string own_folder() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, n);
  return folder.erase(folder.find_last_of("\\/") + 1);
}

// Whether pixel (x, y) of a bitmap is black, read through a memory context.
class BitmapPixels {
 public:
  explicit BitmapPixels(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)), initial_(SelectObject(dc_, bitmap)) {}
  ~BitmapPixels() {
    SelectObject(dc_, initial_);
    DeleteDC(dc_);
  }
  bool black(int x, int y) const { return (GetPixel(dc_, x, y) & 0xFFFFFF) == 0; }

 private:
  HDC dc_;
  HGDIOBJ initial_;
};

// The AND and XOR bits of a monochrome cursor, read from its icon information.
struct CursorPlanes {
  int width = 0, height = 0, x_hot = -1, y_hot = -1;
  std::vector<bool> and_bits, xor_bits;
  bool and_at(int x, int y) const { return and_bits[static_cast<size_t>(y * width + x)]; }
  bool xor_at(int x, int y) const { return xor_bits[static_cast<size_t>(y * width + x)]; }
};

CursorPlanes planes_of(HCURSOR cursor) {
  CursorPlanes p;
  ICONINFO info{};
  if (!GetIconInfo(cursor, &info)) return p;
  BITMAP b{};
  GetObject(info.hbmMask, sizeof b, &b);
  p.width = b.bmWidth;
  p.height = b.bmHeight / 2;  // the AND plane above the XOR plane
  p.x_hot = static_cast<int>(info.xHotspot);
  p.y_hot = static_cast<int>(info.yHotspot);
  {
    BitmapPixels pixels(info.hbmMask);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        p.and_bits.push_back(!pixels.black(x, y));
        p.xor_bits.push_back(!pixels.black(x, y + p.height));
      }
  }
  DeleteObject(info.hbmMask);
  if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  return p;
}

TEST(GdiCursors, SourceAndMaskGiveBlackWhiteAndTransparentPixelsAtTheSourcesSize) {
  // 16 x 8: column 0 source and mask set, column 1 mask only, column 2 source only.
  uint8_t source[16], mask[16];
  for (int y = 0; y < 8; ++y) {
    source[y * 2] = 0x05;
    mask[y * 2] = 0x03;
    source[y * 2 + 1] = mask[y * 2 + 1] = 0;
  }
  HBITMAP s = Lx_CreateBitmapFromXData(source, 16, 8);
  HBITMAP m = Lx_CreateBitmapFromXData(mask, 16, 8);
  HCURSOR cursor = Lx_CreateCursorFromBitmaps(s, m, 3, 4);
  ASSERT_NE(cursor, nullptr);
  const CursorPlanes p = planes_of(cursor);
  EXPECT_EQ(p.width, 16);
  EXPECT_EQ(p.height, 8);  // not square: the source's own width and height
  EXPECT_EQ(p.x_hot, 3);
  EXPECT_EQ(p.y_hot, 4);
  EXPECT_FALSE(p.and_at(0, 2));  // opaque black
  EXPECT_FALSE(p.xor_at(0, 2));
  EXPECT_FALSE(p.and_at(1, 2));  // opaque white
  EXPECT_TRUE(p.xor_at(1, 2));
  EXPECT_TRUE(p.and_at(2, 2));  // transparent, the source bit without mask
  EXPECT_FALSE(p.xor_at(2, 2));
  EXPECT_TRUE(p.and_at(9, 5));
  EXPECT_FALSE(p.xor_at(9, 5));
  DestroyCursor(cursor);

  // The source as its own mask: the screen is inverted where the source is set.
  cursor = Lx_CreateCursorFromBitmaps(s, s, 0, 0);
  ASSERT_NE(cursor, nullptr);
  const CursorPlanes inv = planes_of(cursor);
  EXPECT_TRUE(inv.and_at(0, 0));
  EXPECT_TRUE(inv.xor_at(0, 0));
  EXPECT_TRUE(inv.and_at(1, 0));
  EXPECT_FALSE(inv.xor_at(1, 0));
  DestroyCursor(cursor);
  DeleteObject(s);
  DeleteObject(m);

  // A colour bitmap is no cursor source.
  HBITMAP colour = Lx_CreatePixmapBitmap(16, 16, 24);
  ASSERT_NE(colour, nullptr);
  EXPECT_EQ(Lx_CreateCursorFromBitmaps(colour, nullptr, 0, 0), nullptr);
  DeleteObject(colour);
}

// The toolkit's cursors: sixteen shapes, the blank one from a 1 x 1 bitmap of
// depth 1 used as source and mask, and the watch; all made and freed.
TEST(GdiCursors, TheToolkitsCursorsAreMadeAndFreed) {
  HBITMAP blank_bitmap = Lx_CreatePixmapBitmap(1, 1, 1);
  ASSERT_NE(blank_bitmap, nullptr);
  BITMAP b{};
  GetObject(blank_bitmap, sizeof b, &b);
  EXPECT_EQ(b.bmBitsPixel, 1);
  HCURSOR blank = Lx_CreateCursorFromBitmaps(blank_bitmap, blank_bitmap, 0, 0);
  EXPECT_NE(blank, nullptr);
  DeleteObject(blank_bitmap);
  EXPECT_TRUE(DestroyCursor(blank));

  for (unsigned shape : {12u, 14u, 16u, 42u, 52u, 60u, 68u, 70u, 96u, 152u, 108u, 116u, 134u, 136u, 138u, 150u}) {
    SCOPED_TRACE(shape);
    bool made = false;
    HCURSOR c = Lx_CreateShapeCursor(shape, shape + 1, &made);
    ASSERT_NE(c, nullptr);
    if (made) {
      EXPECT_TRUE(DestroyCursor(c));
    }
  }
}

TEST(GdiCursors, ShapesGiveSystemCursorsGlyphsOrNone) {
  bool made = true;
  EXPECT_EQ(Lx_CreateShapeCursor(68, 69, &made), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_FALSE(made);
  EXPECT_EQ(Lx_CreateShapeCursor(155, 156, &made), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_EQ(Lx_CreateShapeCursor(152, 153, &made), LoadCursor(nullptr, IDC_IBEAM));
  EXPECT_EQ(Lx_CreateShapeCursor(167, 168, &made), nullptr);
  EXPECT_EQ(Lx_CreateShapeCursor(1000, 0, &made), nullptr);
  HCURSOR pirate = Lx_CreateShapeCursor(88, 89, &made);  // a glyph of the table
  ASSERT_NE(pirate, nullptr);
  EXPECT_TRUE(made);
  const CursorPlanes p = planes_of(pirate);
  EXPECT_EQ(p.width, 32);
  EXPECT_EQ(p.height, 32);
  int opaque = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) opaque += !p.and_at(x, y);
  EXPECT_GT(opaque, 20);
  DestroyCursor(pirate);
}

TEST(GdiCursors, BestSizeIsLimitedToTheSystemsCursorSize) {
  unsigned w = 0, h = 0;
  Lx_BestCursorSize(64, 64, &w, &h);
  EXPECT_EQ(w, static_cast<unsigned>(GetSystemMetrics(SM_CXCURSOR)));
  EXPECT_EQ(w, 32u);
  EXPECT_EQ(h, 32u);
  Lx_BestCursorSize(16, 8, &w, &h);
  EXPECT_EQ(w, 16u);
  EXPECT_EQ(h, 8u);
}

// A 24-bit memory context of 40 x 40 white pixels to draw into.
class Canvas {
 public:
  Canvas() {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kSize;
    info.bmiHeader.biHeight = -kSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    initial_ = SelectObject(dc_, bitmap_);
    PatBlt(dc_, 0, 0, kSize, kSize, WHITENESS);
  }
  ~Canvas() {
    SelectObject(dc_, initial_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  HDC dc() const { return dc_; }
  bool set(int x, int y) const { return (GetPixel(dc_, x, y) & 0xFFFFFF) == 0x0000FF; }
  int count() const {
    int n = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) n += set(x, y);
    return n;
  }
  static constexpr int kSize = 40;

 private:
  HBITMAP bitmap_;
  HDC dc_;
  HGDIOBJ initial_;
};

const Lx_DrawState kRed{0x0000FF, R2_COPYPEN, 0, PS_SOLID, 1};

TEST(GdiDrawing, LinesDrawBothEndPoints) {
  const struct {
    int x1, y1, x2, y2, pixels;
  } cases[] = {{0, 0, 10, 0, 11}, {10, 5, 0, 5, 11}, {3, 0, 3, 20, 21}, {0, 0, 9, 9, 10}, {7, 7, 7, 7, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2);
    Canvas canvas;
    Lx_GdiDrawLine(canvas.dc(), kRed, c.x1, c.y1, c.x2, c.y2);
    EXPECT_TRUE(canvas.set(c.x1, c.y1));
    EXPECT_TRUE(canvas.set(c.x2, c.y2));
    EXPECT_EQ(canvas.count(), c.pixels);
  }
  Canvas canvas;
  Lx_GdiDrawLine(canvas.dc(), kRed, 0, 0, 10, 0);
  EXPECT_TRUE(canvas.set(10, 0));
  EXPECT_FALSE(canvas.set(11, 0));
}

TEST(GdiDrawing, RectanglesAndPointsCoverExactlyTheirPixels) {
  Canvas canvas;
  Lx_GdiFillRectangle(canvas.dc(), kRed, 2, 3, 4, 5);
  EXPECT_EQ(canvas.count(), 20);
  EXPECT_TRUE(canvas.set(2, 3));
  EXPECT_TRUE(canvas.set(5, 7));
  EXPECT_FALSE(canvas.set(6, 7));
  EXPECT_FALSE(canvas.set(5, 8));
  Lx_GdiDrawPoint(canvas.dc(), kRed, 30, 30);
  EXPECT_TRUE(canvas.set(30, 30));
  EXPECT_EQ(canvas.count(), 21);
  // Inverting twice gives back the white.
  const Lx_DrawState invert{0x0000FF, R2_NOT, 0, PS_SOLID, 1};
  Lx_GdiFillRectangle(canvas.dc(), invert, 0, 0, 40, 40);
  Lx_GdiFillRectangle(canvas.dc(), invert, 0, 0, 40, 40);
  EXPECT_EQ(canvas.count(), 21);
}

TEST(GdiDrawing, FilledArcsArePiesOrChordsByTheArcMode) {
  Canvas pie, chord, outline;
  Lx_DrawState state = kRed;
  Lx_GdiDrawArc(pie.dc(), state, 0, 0, 21, 21, 0, 90 * 64, true);
  state.arc_mode = 0;
  Lx_GdiDrawArc(chord.dc(), state, 0, 0, 21, 21, 0, 90 * 64, true);
  Lx_GdiDrawArc(outline.dc(), state, 0, 0, 21, 21, 0, 90 * 64, false);
  EXPECT_TRUE(pie.set(12, 8));  // inside the slice, below the chord
  EXPECT_FALSE(chord.set(12, 8));
  EXPECT_TRUE(pie.set(16, 4));
  EXPECT_TRUE(chord.set(16, 4));
  EXPECT_FALSE(pie.set(3, 17));  // the other quarters stay empty
  EXPECT_FALSE(pie.set(3, 3));
  EXPECT_GT(pie.count(), chord.count());
  EXPECT_FALSE(outline.set(16, 4));  // an outline only
  EXPECT_GT(outline.count(), 10);
}

struct Box {
  int x, y;
  unsigned w, h;
  bool operator==(const Box&) const = default;
};
Box box_of(const _XRegion* r) {
  Box b{};
  Lx_ClipBox(r, &b.x, &b.y, &b.w, &b.h);
  return b;
}

TEST(GdiRegions, UnionsCopyTheSourceOrGrowInPlaceAndIntersect) {
  _XRegion* a = Lx_CreateRegion();
  _XRegion* b = Lx_CreateRegion();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(box_of(a), (Box{0, 0, 0, 0}));  // a new region is empty
  EXPECT_EQ(Lx_UnionRectWithRegion(10, 20, 5, 6, a, a), 0);  // in place
  EXPECT_EQ(Lx_UnionRectWithRegion(30, 20, 5, 6, a, a), 0);
  EXPECT_EQ(box_of(a), (Box{10, 20, 25, 6}));
  EXPECT_TRUE(PtInRegion(a->region, 14, 25));
  EXPECT_FALSE(PtInRegion(a->region, 15, 25));  // the far edges are outside
  EXPECT_FALSE(PtInRegion(a->region, 20, 22));  // between the two

  EXPECT_EQ(Lx_UnionRectWithRegion(0, 0, 12, 22, a, b), 0);  // b = a plus a rectangle
  EXPECT_EQ(box_of(b), (Box{0, 0, 35, 26}));
  EXPECT_EQ(box_of(a), (Box{10, 20, 25, 6}));  // the source is untouched

  _XRegion* both = Lx_CreateRegion();
  Lx_IntersectRegion(a, b, both);
  EXPECT_EQ(box_of(both), (Box{10, 20, 25, 6}));
  _XRegion* copy = Lx_CopyRegion(b);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(box_of(copy), box_of(b));
  EXPECT_TRUE(EqualRgn(copy->region, b->region));
  _XRegion* empty = Lx_CreateRegion();
  Lx_IntersectRegion(a, empty, both);
  EXPECT_EQ(box_of(both), (Box{0, 0, 0, 0}));
  for (_XRegion* r : {a, b, both, copy, empty}) Lx_DestroyRegion(r);
}

// A window of the test's own to own the clipboard.
class ClipboardOwner {
 public:
  ClipboardOwner() : window_(CreateWindowA("STATIC", "owner", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
  ~ClipboardOwner() { DestroyWindow(window_); }
  HWND window() const { return window_; }

 private:
  HWND window_;
};

TEST(GdiClipboard, TextGoesOnAndComesBackWithinItsBlock) {
  ClipboardOwner owner;
  ASSERT_NE(owner.window(), nullptr);
  char* text = nullptr;
  size_t length = 0;
  ASSERT_TRUE(Lx_SetClipboardText(owner.window(), "hello", 5));
  ASSERT_TRUE(Lx_GetClipboardText(owner.window(), &text, &length));
  EXPECT_STREQ(text, "hello");
  EXPECT_EQ(length, 5u);
  CheckedFree(text);

  std::string big(10 * 1024 * 1024, 'x');
  for (size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>('a' + i / 4096 % 26);
  ASSERT_TRUE(Lx_SetClipboardText(owner.window(), big.data(), big.size()));
  ASSERT_TRUE(Lx_GetClipboardText(owner.window(), &text, &length));
  ASSERT_EQ(length, big.size());
  EXPECT_EQ(memcmp(text, big.data(), length), 0);
  CheckedFree(text);

  // A block put there by another program without a terminator.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 64);
  char* bytes = static_cast<char*>(GlobalLock(block));
  memset(bytes, 'z', 64);
  GlobalUnlock(block);
  ASSERT_TRUE(OpenClipboard(owner.window()));
  EmptyClipboard();
  ASSERT_NE(SetClipboardData(CF_TEXT, block), nullptr);
  CloseClipboard();
  ASSERT_TRUE(Lx_GetClipboardText(owner.window(), &text, &length));
  // The block's size bounds the text (wine ends such a block with a terminator
  // in its last byte, so 63 of the 64 may come back).
  ASSERT_GE(length, 63u);
  EXPECT_EQ(std::string(text, 63), std::string(63, 'z'));
  EXPECT_EQ(text[length], '\0');
  CheckedFree(text);

  // An empty clipboard gives nothing and stays usable.
  ASSERT_TRUE(OpenClipboard(owner.window()));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_FALSE(Lx_GetClipboardText(owner.window(), &text, &length));
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(length, 0u);
  ASSERT_TRUE(OpenClipboard(nullptr));
  CloseClipboard();
}

// Another thread holds the clipboard open for a while, as a clipboard
// manager copying new text does, then closes it.
class ClipboardHolder {
 public:
  explicit ClipboardHolder(DWORD hold_ms) : opened_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    thread_ = std::thread([this, hold_ms] {
      // Wine's clipboard manager may have it open itself while it hands the
      // last text to X, which takes seconds on a busy X server.
      for (int i = 0; i < 1500 && !holding_; ++i) {
        holding_ = OpenClipboard(nullptr) != 0;
        if (!holding_) Sleep(10);
      }
      SetEvent(opened_);
      Sleep(hold_ms);
      if (holding_) CloseClipboard();
    });
    WaitForSingleObject(opened_, 20000);
  }
  ~ClipboardHolder() {
    thread_.join();
    CloseHandle(opened_);
  }
  bool holding() const { return holding_; }

 private:
  HANDLE opened_;
  std::thread thread_;
  bool holding_ = false;
};

TEST(GdiClipboard, AClipboardHeldOpenElsewhereIsWaitedForAMoment) {
  struct Case {
    const char* what;
    DWORD hold_ms;
    bool put;
  } cases[] = {
      {"held for a moment: put once it is free", 60, true},
      {"held for long: given up, the text before stays", 2000, false},
  };
  ClipboardOwner owner;
  ASSERT_NE(owner.window(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(Lx_SetClipboardText(owner.window(), "before", 6));
    {
      ClipboardHolder holder(c.hold_ms);
      ASSERT_TRUE(holder.holding());
      EXPECT_EQ(Lx_SetClipboardText(owner.window(), "after", 5), c.put);
    }
    char* text = nullptr;
    size_t length = 0;
    ASSERT_TRUE(Lx_GetClipboardText(owner.window(), &text, &length));
    EXPECT_STREQ(text, c.put ? "after" : "before");
    CheckedFree(text);
  }
  // Reading waits the same way.
  ClipboardHolder holder(60);
  ASSERT_TRUE(holder.holding());
  char* text = nullptr;
  size_t length = 0;
  EXPECT_TRUE(Lx_GetClipboardText(owner.window(), &text, &length));
  EXPECT_STREQ(text, "before");
  CheckedFree(text);
}

TEST(GdiDrawing, CopyPlanePaintsSetBitsInTheForegroundAndCopyAreaCopies) {
  const uint8_t x_rows[] = {0x05, 0x00, 0x0A, 0x00};  // 9 x 2: pixels 0, 2 of row 0; 1, 3 of row 1
  HBITMAP plane = Lx_CreateBitmapFromXData(x_rows, 9, 2);
  HDC plane_dc = CreateCompatibleDC(nullptr);
  HGDIOBJ initial = SelectObject(plane_dc, plane);
  Canvas canvas;
  ASSERT_TRUE(Lx_GdiCopyPlane(plane_dc, canvas.dc(), 0, 0, 9, 2, 5, 6, 0x0000FF, 0x00FF00));
  EXPECT_TRUE(canvas.set(5, 6));
  EXPECT_EQ(GetPixel(canvas.dc(), 6, 6) & 0xFFFFFF, 0x00FF00u);  // a clear bit: the background
  EXPECT_TRUE(canvas.set(7, 6));
  EXPECT_TRUE(canvas.set(6, 7));
  EXPECT_TRUE(canvas.set(8, 7));
  EXPECT_EQ(canvas.count(), 4);
  EXPECT_EQ(GetPixel(canvas.dc(), 13, 7) & 0xFFFFFF, 0x00FF00u);
  EXPECT_EQ(GetPixel(canvas.dc(), 14, 7) & 0xFFFFFF, 0xFFFFFFu);  // outside the copy

  Canvas copy;
  ASSERT_TRUE(Lx_GdiCopyArea(canvas.dc(), copy.dc(), 5, 6, 4, 2, 0, 0));
  EXPECT_TRUE(copy.set(0, 0));
  EXPECT_TRUE(copy.set(2, 0));
  EXPECT_TRUE(copy.set(1, 1));
  EXPECT_TRUE(copy.set(3, 1));
  EXPECT_EQ(copy.count(), 4);
  SelectObject(plane_dc, initial);
  DeleteDC(plane_dc);
  DeleteObject(plane);
}

TEST(GdiFonts, NamesGiveStockOrLogicalFontsAndTextHasWidth) {
  bool made = true;
  EXPECT_EQ(Lx_CreateNamedFont("ANSIFIXED", &made), GetStockObject(ANSI_FIXED_FONT));
  EXPECT_FALSE(made);
  EXPECT_EQ(Lx_CreateNamedFont("no such form", &made), GetStockObject(SYSTEM_FIXED_FONT));
  EXPECT_EQ(Lx_CreateNamedFont("cursor", &made), nullptr);
  HFONT font = Lx_CreateNamedFont("Tahoma-Bold-12", &made);
  ASSERT_NE(font, nullptr);
  EXPECT_TRUE(made);
  LOGFONTA f{};
  GetObjectA(font, sizeof f, &f);
  EXPECT_EQ(f.lfHeight, -16);
  EXPECT_EQ(f.lfWeight, 700);
  EXPECT_STREQ(f.lfFaceName, "Tahoma");
  EXPECT_EQ(Lx_TextWidth(font, "", 0), 0);
  const int one = Lx_TextWidth(font, "m", 1), three = Lx_TextWidth(font, "mmm", 3);
  EXPECT_GT(one, 0);
  EXPECT_GT(three, 2 * one);
  DeleteObject(font);
}

TEST(GdiImages, PixelsReadBackAsBlueGreenRedAndPutBackUnchanged) {
  Canvas canvas;
  Lx_GdiFillRectangle(canvas.dc(), kRed, 1, 1, 2, 1);
  SetPixel(canvas.dc(), 0, 1, 0x00332211);
  std::vector<uint8_t> pixels(4 * 3 * 2);
  ASSERT_TRUE(Lx_GdiGetPixels(canvas.dc(), 0, 0, 4, 2, pixels.data()));
  EXPECT_EQ(std::vector<uint8_t>(pixels.begin() + 16, pixels.begin() + 24),
            (std::vector<uint8_t>{0x33, 0x22, 0x11, 0, 0, 0, 0xFF, 0}));  // (0, 1) and the red (1, 1)
  EXPECT_EQ(pixels[0], 0xFF);  // white
  EXPECT_EQ(pixels[3], 0);

  // Put at another place: the same colours come back.
  Canvas other;
  ASSERT_TRUE(Lx_GdiPutPixels(other.dc(), 10, 20, 3, 1, reinterpret_cast<const char*>(pixels.data()), 16, 32, 0, 1));
  EXPECT_EQ(GetPixel(other.dc(), 10, 20) & 0xFFFFFF, 0x00332211u);
  EXPECT_TRUE(other.set(11, 20));
  EXPECT_TRUE(other.set(12, 20));
  EXPECT_EQ(other.count(), 2);
  EXPECT_FALSE(Lx_GdiPutPixels(other.dc(), 0, 0, 1, 1, reinterpret_cast<const char*>(pixels.data()), 4, 16, 0, 0));
}

TEST(GdiDrawing, AStippleLetsTheForegroundThroughItsSetBitsFromItsOrigin) {
  // 8 x 8: column 0 of every row set, and all of row 2.
  uint8_t x_rows[8];
  for (uint8_t& r : x_rows) r = 0x01;
  x_rows[2] = 0xFF;
  HBITMAP stipple = Lx_CreateBitmapFromXData(x_rows, 8, 8);
  for (int origin_x : {0, 3, 11}) {
    SCOPED_TRACE(origin_x);
    Canvas canvas;
    SetPixel(canvas.dc(), 5, 5, 0x00FF00);  // a pixel under the stipple's clear bits stays
    ASSERT_TRUE(Lx_GdiFillRectangleStippled(canvas.dc(), kRed, stipple, origin_x, 0, 0, 0, 16, 16));
    const int column = origin_x % 8;
    EXPECT_TRUE(canvas.set(column, 0));
    EXPECT_TRUE(canvas.set(column + 8, 9));
    EXPECT_FALSE(canvas.set((column + 1) % 8, 0));
    EXPECT_TRUE(canvas.set(6, 2));  // row 2 throughout
    EXPECT_TRUE(canvas.set(13, 10));
    EXPECT_FALSE(canvas.set(16 + column, 0));  // nothing outside the rectangle
    EXPECT_EQ(GetPixel(canvas.dc(), column == 5 ? 6 : 5, 5) & 0xFFFFFF, column == 5 ? 0xFFFFFFu : 0x00FF00u);
    EXPECT_EQ(canvas.count(), 2 * 16 + 2 * 16 - 4);  // two columns, two rows, their four crossings once
  }
  Canvas arc;
  ASSERT_TRUE(Lx_GdiFillArcStippled(arc.dc(), kRed, stipple, 0, 0, 0, 0, 21, 21, 0, 360 * 64));
  EXPECT_TRUE(arc.set(8, 10));   // a set column inside the ellipse
  EXPECT_FALSE(arc.set(9, 9));   // a clear bit inside it
  EXPECT_FALSE(arc.set(0, 0));   // a set bit outside it
  DeleteObject(stipple);
}

TEST(GdiColours, PixelsAreColourReferencesAndSystemNamesTheSchemesColours) {
  EXPECT_EQ(Lx_NearestScreenColour(0xFF, 0, 0), 0x000000FFu);
  EXPECT_EQ(Lx_NearestScreenColour(0x12, 0x34, 0x56), 0x00563412u);
  uint32_t value = 0;
  ASSERT_TRUE(Lx_LookupColourName("red", &value));
  EXPECT_EQ(value, 0x000000FFu);
  ASSERT_TRUE(Lx_LookupColourName("SystemWindow", &value));
  EXPECT_EQ(value, static_cast<uint32_t>(GetSysColor(COLOR_WINDOW)));
  ASSERT_TRUE(Lx_LookupColourName("systembuttonface", &value));
  EXPECT_EQ(value, static_cast<uint32_t>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_FALSE(Lx_LookupColourName("navy blue", &value));
}

TEST(GdiIcons, IconsAreMadeWithAndWithoutAMask) {
  HBITMAP colour = Lx_CreatePixmapBitmap(32, 32, 24);
  HBITMAP mask = Lx_CreatePixmapBitmap(32, 32, 1);
  HICON with_mask = CreateXIconFromBitmaps(colour, mask);
  HICON without = CreateXIconFromBitmaps(colour, nullptr);
  EXPECT_NE(with_mask, nullptr);
  EXPECT_NE(without, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(without, &info));
  EXPECT_TRUE(info.fIcon);  // an icon's hot spot is the system's: its centre
  BITMAP m{};
  GetObject(info.hbmMask, sizeof m, &m);
  EXPECT_EQ(m.bmWidth, GetSystemMetrics(SM_CXICON));
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  DestroyIcon(with_mask);
  DestroyIcon(without);
  DeleteObject(colour);
  DeleteObject(mask);
}

TEST(GdiBitmapFiles, BmpFilesMadeByNetpbmReadEqualToTheirXBitmapFiles) {
  const std::string folder = own_folder() + "bitmaps\\";
  int compared = 0;
  for (const char* name : {"woman", "xlogo11", "weird_size", "star", "odd9", "wide17"}) {
    SCOPED_TRACE(name);
    HBITMAP xbm = nullptr, bmp = nullptr;
    int xw = 0, xh = 0, xx = 0, xy = 0, bw = 0, bh = 0, bx = -1, by = -1;
    ASSERT_EQ(Lx_ReadBitmapFileToBitmap((folder + name + ".xbm").c_str(), &xbm, &xw, &xh, &xx, &xy), 0);
    for (const char* depth : {"1", "24"}) {
      ASSERT_EQ(Lx_ReadBitmapFileToBitmap((folder + name + "_" + depth + ".bmp").c_str(), &bmp, &bw, &bh, &bx, &by),
                0);
      EXPECT_EQ(bw, xw);
      EXPECT_EQ(bh, xh);
      EXPECT_EQ(bx, 0);
      EXPECT_EQ(by, 0);
      BitmapPixels a(xbm), b(bmp);
      int differing = 0;
      for (int y = 0; y < xh; ++y)
        for (int x = 0; x < xw; ++x) differing += a.black(x, y) != b.black(x, y);
      EXPECT_EQ(differing, 0) << depth;
      DeleteObject(bmp);
      ++compared;
    }
    DeleteObject(xbm);
  }
  EXPECT_EQ(compared, 12);
}

TEST(GdiBitmapFiles, MissingDamagedAndShortFilesGiveTheirResults) {
  const std::string folder = own_folder() + "bitmaps\\";
  HBITMAP bitmap = nullptr;
  int w, h, x, y;
  EXPECT_EQ(Lx_ReadBitmapFileToBitmap((folder + "missing.xbm").c_str(), &bitmap, &w, &h, &x, &y), 1);
  EXPECT_EQ(Lx_ReadBitmapFileToBitmap((folder + "short.bmp").c_str(), &bitmap, &w, &h, &x, &y), 2);
  EXPECT_EQ(Lx_ReadBitmapFileToBitmap((folder + "short.xbm").c_str(), &bitmap, &w, &h, &x, &y), 2);
  EXPECT_EQ(bitmap, nullptr);
}

}  // namespace
