// The layer's portable rules of cursors, icons, arcs, font names and
// properties: the decisions its GDI half takes from them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win/arc_points.h"
#include "platform/win/bitmap_file.h"
#include "platform/win/cursor_planes.h"
#include "platform/win/drawable_lists.h"
#include "platform/win/error_names.h"
#include "platform/win/font_names.h"
#include "platform/win/icon_rules.h"
#include "platform/win/image_format.h"
#include "platform/win/property_rules.h"

namespace {

enum class Shows { black, white, screen, inverted };

// What a system cursor shows for an AND and an XOR bit.
Shows shown(int and_bit, int xor_bit) {
  if (and_bit == 0) return xor_bit == 0 ? Shows::black : Shows::white;
  return xor_bit == 0 ? Shows::screen : Shows::inverted;
}

// One pixel of X source and mask bits, through the GDI bitmaps (swapped bits)
// and the planes.
Shows cursor_pixel(int source, int mask, bool with_mask) {
  const uint8_t gdi_source = Lx_SwapBits(static_cast<uint8_t>(source));
  const uint8_t gdi_mask = Lx_SwapBits(static_cast<uint8_t>(mask));
  uint8_t and_plane, xor_plane;
  Lx_CursorPlanes(&gdi_source, with_mask ? &gdi_mask : nullptr, 1, &and_plane, &xor_plane);
  return shown(and_plane >> 7, xor_plane >> 7);  // the leftmost pixel
}

TEST(CursorPlanes, SourceAndMaskBitsGiveTheFourCases) {
  const struct {
    int source, mask;
    Shows with_mask;
  } table[] = {
      {1, 1, Shows::black}, {0, 1, Shows::white}, {1, 0, Shows::screen}, {0, 0, Shows::screen},
  };
  for (const auto& c : table) {
    SCOPED_TRACE(testing::Message() << "source " << c.source << " mask " << c.mask);
    EXPECT_EQ(cursor_pixel(c.source, c.mask, true), c.with_mask);
  }
  // Without a mask the source inverts the screen.
  EXPECT_EQ(cursor_pixel(1, 0, false), Shows::inverted);
  EXPECT_EQ(cursor_pixel(0, 0, false), Shows::screen);
}

TEST(IconRules, TheIconIsRemadeOnlyWhenPixmapOrMaskChange) {
  const uintptr_t def = 0xD0;
  const Lx_IconHints none{0, 0, 0};
  const Lx_IconHints with_pixmap{LX_ICON_PIXMAP_HINT, 0x100, 0};
  const Lx_IconHints with_both{LX_ICON_PIXMAP_HINT | LX_ICON_MASK_HINT, 0x100, 0x200};
  const struct {
    const char* what;
    Lx_IconHints record, hints;
    bool remake;
    uintptr_t pixmap, mask;
  } cases[] = {
      {"no pixmap on a window that never had one", none, {1, 0x555, 0x666}, false, def, 0},
      {"the same pixmap again", with_pixmap, with_pixmap, false, 0x100, 0},
      {"the same pixmap and mask again, other flags", with_both, {with_both.flags | 1, 0x100, 0x200}, false, 0x100,
       0x200},
      {"a first pixmap", none, with_pixmap, true, 0x100, 0},
      {"another pixmap", with_pixmap, {LX_ICON_PIXMAP_HINT, 0x101, 0}, true, 0x101, 0},
      {"a mask added", with_pixmap, with_both, true, 0x100, 0x200},
      {"the pixmap bit dropped", with_pixmap, none, true, def, 0},
      {"a pixmap value without its bit is ignored", none, {0, 0x100, 0}, false, def, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Lx_IconChoice choice = Lx_ChooseIcon(c.record, c.hints, def);
    EXPECT_EQ(choice.remake, c.remake);
    EXPECT_EQ(choice.pixmap, c.pixmap);
    EXPECT_EQ(choice.mask, c.mask);
  }
}

TEST(ArcPoints, EndPointsLieOnTheEllipseOfTheBox) {
  const struct {
    int x, y;
    unsigned w, h;
    int a1, a2;
    Lx_ArcEnds ends;
  } cases[] = {
      {0, 0, 11, 11, 0, 90 * 64, {10, 5, 5, 0}},            // three o'clock to twelve
      {0, 0, 12, 12, 0, 90 * 64, {10, 5, 5, 0}},            // an even size counts one less
      {10, 20, 21, 11, 180 * 64, 90 * 64, {10, 25, 20, 30}},  // nine o'clock to six
      {0, 0, 11, 11, 0, -90 * 64, {5, 10, 10, 5}},          // clockwise: the points exchange
      {0, 0, 11, 11, 0, 360 * 64, {10, 5, 10, 5}},          // a full ellipse
      {0, 0, 1, 1, 45 * 64, 45 * 64, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " " << c.a1 / 64 << " " << c.a2 / 64);
    const Lx_ArcEnds e = Lx_ArcEndPoints(c.x, c.y, c.w, c.h, c.a1, c.a2);
    EXPECT_EQ(e.start_x, c.ends.start_x);
    EXPECT_EQ(e.start_y, c.ends.start_y);
    EXPECT_EQ(e.end_x, c.ends.end_x);
    EXPECT_EQ(e.end_y, c.ends.end_y);
  }
}

TEST(ArcPoints, LinesEndOnePixelFurtherSoTheirLastPointIsDrawn) {
  const struct {
    int x1, y1, x2, y2, end_x, end_y;
  } cases[] = {
      {0, 0, 10, 0, 11, 0}, {10, 0, 0, 0, -1, 0}, {0, 0, 0, 10, 0, 11}, {5, 5, 0, 0, -1, -1},
      {0, 0, 10, 3, 11, 4}, {3, 3, 3, 3, 4, 3},
  };
  for (const auto& c : cases) {
    int x = 0, y = 0;
    Lx_LineEndPoint(c.x1, c.y1, c.x2, c.y2, &x, &y);
    EXPECT_EQ(x, c.end_x) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
    EXPECT_EQ(y, c.end_y) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
  }
}

TEST(ImageFormat, RowsAreWholeWordsAndPixelsLeastSignificantByteFirst) {
  EXPECT_EQ(Lx_ImageBitsPerPixel(8), 8);
  EXPECT_EQ(Lx_ImageBitsPerPixel(24), 32);
  EXPECT_EQ(Lx_ImageBitsPerPixel(1), 32);
  const struct {
    int width, bits, bytes;
  } lines[] = {{1, 32, 4}, {3, 32, 12}, {1, 8, 4}, {3, 8, 4}, {5, 8, 8}, {4, 8, 4}, {3, 16, 8}, {0, 32, 0}};
  for (const auto& l : lines) EXPECT_EQ(Lx_ImageBytesPerLine(l.width, l.bits), l.bytes) << l.width << " " << l.bits;

  char data[2 * 12] = {};
  const int bpl = Lx_ImageBytesPerLine(3, 32);
  Lx_ImagePutPixel(data, bpl, 32, 2, 1, 0x00332211ul);
  EXPECT_EQ(static_cast<unsigned char>(data[bpl + 8]), 0x11);  // least significant first
  EXPECT_EQ(static_cast<unsigned char>(data[bpl + 10]), 0x33);
  EXPECT_EQ(Lx_ImageGetPixel(data, bpl, 32, 2, 1), 0x00332211ul);
  EXPECT_EQ(Lx_ImageGetPixel(data, bpl, 32, 1, 1), 0ul);
  for (int bits : {8, 16}) {
    char small[16] = {};
    Lx_ImagePutPixel(small, 8, bits, 1, 1, 0xABCDEF);
    EXPECT_EQ(Lx_ImageGetPixel(small, 8, bits, 1, 1), bits == 8 ? 0xEFul : 0xCDEFul);
    EXPECT_EQ(Lx_ImageGetPixel(small, 8, bits, 0, 1), 0ul);
  }
  char untouched[4] = {1, 2, 3, 4};
  Lx_ImagePutPixel(untouched, 4, 24, 0, 0, 0);
  EXPECT_EQ(untouched[0], 1);
  EXPECT_EQ(Lx_ImageGetPixel(untouched, 4, 24, 0, 0), 0ul);
}

TEST(DrawableLists, PixmapsAreListedWithTheDrawableTheyWereMadeFor) {
  Lx_ClearDrawableLists();
  const uintptr_t window = 0x10010, a = 0x20, b = 0x30, c = 0x40;
  EXPECT_FALSE(Lx_IsPixmap(window));
  Lx_ListPixmap(a, window);
  Lx_ListPixmap(b, a);  // a pixmap made for a pixmap
  EXPECT_TRUE(Lx_IsPixmap(a));
  EXPECT_TRUE(Lx_IsPixmap(b));
  EXPECT_FALSE(Lx_IsPixmap(0));
  EXPECT_EQ(Lx_GetDrawableWindow(b), window);
  EXPECT_EQ(Lx_GetDrawableWindow(a), window);
  EXPECT_EQ(Lx_GetDrawableWindow(window), window);
  Lx_ListPixmap(c, c);  // a chain that leads back into itself ends
  EXPECT_EQ(Lx_GetDrawableWindow(c), 0u);
  EXPECT_TRUE(Lx_UnlistPixmap(a));
  EXPECT_FALSE(Lx_UnlistPixmap(a));
  EXPECT_FALSE(Lx_IsPixmap(a));
  EXPECT_EQ(Lx_GetDrawableWindow(b), a);

  Lx_ListCursor(0x500);
  EXPECT_TRUE(Lx_UnlistCursor(0x500));
  EXPECT_FALSE(Lx_UnlistCursor(0x500));  // a cursor not listed is left alone
  EXPECT_FALSE(Lx_UnlistCursor(0x600));
  Lx_ClearDrawableLists();
  EXPECT_FALSE(Lx_IsPixmap(b));
}

TEST(ErrorNames, CodesGiveTheirNamesInTheHandlersText) {
  const struct {
    int code;
    const char* name;
  } cases[] = {{1, "BadRequest"}, {3, "BadWindow"}, {11, "BadAlloc"}, {17, "BadImplementation"},
               {0, "unknown error type"}, {18, "unknown error type"}, {-1, "unknown error type"}};
  for (const auto& c : cases) EXPECT_STREQ(Lx_ErrorName(c.code), c.name) << c.code;
  char text[128];
  Lx_FormatErrorText(4, 0x1c00003, text, sizeof text);
  EXPECT_STREQ(text, "  Error of faild request: BadPixmap\n  Resource id in faild request: 1c00003");
  char small[10];
  Lx_FormatErrorText(4, 0x1c00003, small, sizeof small);
  EXPECT_EQ(strlen(small), 9u);
}

TEST(FontNames, EveryNameFormGivesItsRequest) {
  const struct {
    const char* name;
    Lx_FontKind kind;
    Lx_StockFont stock;
    const char* face;
    int height, weight;
    bool italic;
    int orientation;
    bool symbol, fixed;
  } cases[] = {
      {"cursor", Lx_FontKind::cursor, LX_STOCK_SYSTEM, "", 0, 0, false, 0, false, false},
      {"SystemFixed", Lx_FontKind::stock, LX_STOCK_SYSTEM_FIXED, "", 0, 0, false, 0, false, false},
      {"ANSI", Lx_FontKind::stock, LX_STOCK_ANSI, "", 0, 0, false, 0, false, false},
      {"oemfixed", Lx_FontKind::stock, LX_STOCK_OEM_FIXED, "", 0, 0, false, 0, false, false},
      {"Arial-Bold Italic-12", Lx_FontKind::logical, LX_STOCK_SYSTEM, "Arial", -16, 700, true, 0, false, false},
      {"Times New Roman-Oblique Light-9", Lx_FontKind::logical, LX_STOCK_SYSTEM, "Times New Roman", -12, 300, false,
       3450, false, false},
      {"Courier-Semibold-1", Lx_FontKind::logical, LX_STOCK_SYSTEM, "Courier", -1, 600, false, 0, false, false},
      {"Symbol--10", Lx_FontKind::logical, LX_STOCK_SYSTEM, "Symbol", -13, 0, false, 0, true, false},
      {"wingdings-Regular-8", Lx_FontKind::logical, LX_STOCK_SYSTEM, "wingdings", -11, 400, false, 0, true, false},
      {"-adobe-courier-bold-o-normal--14-140-75-75-m-90-iso8859-1", Lx_FontKind::logical, LX_STOCK_SYSTEM,
       "courier", -14, 700, true, 0, false, true},
      {"*-helvetica-medium-r-*-*-*-120-*-75-p-*", Lx_FontKind::logical, LX_STOCK_SYSTEM, "helvetica", -13, 500,
       false, 0, false, false},
      {"-*-*-*-*", Lx_FontKind::logical, LX_STOCK_SYSTEM, "", 0, 0, false, 0, false, false},
      // Names that cannot be used give the system fixed font.
      {"Arial-Bold-0", Lx_FontKind::stock, LX_STOCK_SYSTEM_FIXED, "", 0, 0, false, 0, false, false},
      {"Arial-Bold-x", Lx_FontKind::stock, LX_STOCK_SYSTEM_FIXED, "", 0, 0, false, 0, false, false},
      {"Arial-12", Lx_FontKind::stock, LX_STOCK_SYSTEM_FIXED, "", 0, 0, false, 0, false, false},
      {"fixed", Lx_FontKind::stock, LX_STOCK_SYSTEM_FIXED, "", 0, 0, false, 0, false, false},
      {"", Lx_FontKind::stock, LX_STOCK_SYSTEM_FIXED, "", 0, 0, false, 0, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Lx_FontRequest r;
    Lx_ParseFontName(c.name, &r);
    EXPECT_EQ(r.kind, c.kind);
    if (r.kind == Lx_FontKind::stock) {
      EXPECT_EQ(r.stock, c.stock);
    }
    EXPECT_STREQ(r.face, c.face);
    EXPECT_EQ(r.height, c.height);
    EXPECT_EQ(r.weight, c.weight);
    EXPECT_EQ(r.italic, c.italic);
    EXPECT_EQ(r.orientation, c.orientation);
    EXPECT_EQ(r.symbol_set, c.symbol);
    EXPECT_EQ(r.fixed_pitch, c.fixed);
  }
  // Long names and long faces are held safely.
  Lx_FontRequest r;
  const std::string long_stock = std::string(300, 's');
  Lx_ParseFontName(long_stock.c_str(), &r);
  EXPECT_EQ(r.stock, LX_STOCK_SYSTEM_FIXED);
  const std::string long_face = std::string(100, 'f') + "-Bold-12";
  Lx_ParseFontName(long_face.c_str(), &r);
  EXPECT_EQ(strlen(r.face), sizeof r.face - 1);
  const std::string many_fields = "-" + std::string(40, '-') + "12";
  Lx_ParseFontName(many_fields.c_str(), &r);
  EXPECT_EQ(r.kind, Lx_FontKind::logical);
}

TEST(PropertyRules, BlocksAreNamedAfterTheirAtom) {
  char name[LX_PROPERTY_NAME_SIZE];
  Lx_PropertyName(39, name);
  EXPECT_STREQ(name, "#0x0027");
  Lx_PropertyName(0xC123, name);
  EXPECT_STREQ(name, "#0xc123");
  Lx_PropertyName(0x10027, name);  // never the block of another atom
  EXPECT_STREQ(name, "#0x10027");
}

TEST(PropertyRules, MotifDecorationsSetTheFrameStyle) {
  const uint32_t framed = LX_WS_OVERLAPPEDWINDOW;
  const uint32_t other = 0x10000000;  // a style bit the hints leave alone
  const struct {
    const char* what;
    long decorations;
    uint32_t before, after;
  } cases[] = {
      {"all", 1, other, other | LX_WS_OVERLAPPEDWINDOW},
      {"none keeps the sizing frame", 0, framed | other, LX_WS_THICKFRAME | other},
      {"none on a fixed frame", 0, framed & ~LX_WS_THICKFRAME, 0},
      {"border only", 2, framed, LX_WS_BORDER | LX_WS_THICKFRAME},
      {"title gives the caption with its border", 8, 0, LX_WS_CAPTION},
      {"title and menu", 8 | 16, 0, LX_WS_CAPTION | LX_WS_SYSMENU},
      {"boxes", 8 | 16 | 32 | 64, 0, LX_WS_CAPTION | LX_WS_SYSMENU | LX_WS_MINIMIZEBOX | LX_WS_MAXIMIZEBOX},
      {"resize handles add the sizing frame", 4, 0, LX_WS_THICKFRAME},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const long data[5] = {2, 0, c.decorations, 0, 0};
    uint32_t style = 0;
    ASSERT_TRUE(Lx_MotifFrameStyle(data, 5, 32, c.before, &style));
    EXPECT_EQ(style, c.after);
  }
  const long data[5] = {2, 0, 0, 0, 0};
  const long no_flag[5] = {1, 0, 0, 0, 0};
  uint32_t style = 7;
  EXPECT_FALSE(Lx_MotifFrameStyle(data, 2, 32, framed, &style));  // below three words
  EXPECT_FALSE(Lx_MotifFrameStyle(data, 5, 8, framed, &style));   // not format 32
  EXPECT_FALSE(Lx_MotifFrameStyle(data, 5, 16, framed, &style));
  EXPECT_FALSE(Lx_MotifFrameStyle(no_flag, 5, 32, framed, &style));
  EXPECT_FALSE(Lx_MotifFrameStyle(nullptr, 5, 32, framed, &style));
  EXPECT_EQ(style, 7u);
}

TEST(PropertyRules, AtomNamesFitTheSystemsTable) {
  const std::string at_limit(255, 'a'), past_limit(256, 'a');
  const struct {
    std::string name;
    bool usable;
  } cases[] = {
      {"WM_DELETE_WINDOW", true}, {"_MOTIF_WM_HINTS", true}, {at_limit, true}, {past_limit, false},
      {"", false},                {"#39", false},            {"#", true},      {"#3a", true},
  };
  for (const auto& c : cases) EXPECT_EQ(Lx_AtomNameUsable(c.name.c_str()), c.usable) << c.name.substr(0, 20);
}

}  // namespace
