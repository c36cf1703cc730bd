// The layer's X calls on windows under wine: atoms and properties with their
// effects on titles, frames and stacking, window icons from the hints,
// cursors by shape and from bitmaps, and the clipboard as the selection.
#include "tests/platform/win/x_layer_fixture.h"

#include <X11/Xatom.h>
#include <X11/cursorfont.h>

#include <cstring>

#include "platform/win/layer.h"

namespace {

TEST_F(XLayer, AtomsAreGlobalAtomsNamedFrom0xC000Up) {
  const std::string name = "qob test atom " + std::to_string(GetCurrentProcessId());
  EXPECT_EQ(XInternAtom(display_, name.c_str(), True), None);
  const Atom atom = XInternAtom(display_, name.c_str(), False);
  EXPECT_GE(atom, 0xC000ul);
  EXPECT_EQ(XInternAtom(display_, name.c_str(), False), atom);
  EXPECT_EQ(XInternAtom(display_, name.c_str(), True), atom);
  char* back = XGetAtomName(display_, atom);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back, name);
  XFree(back);
  EXPECT_EQ(XGetAtomName(display_, XA_WM_NAME), nullptr);

  // The system's table holds names of at most 255 characters, not numbers.
  const std::string longest(255, 'q'), longer(256, 'q');
  const Atom most = XInternAtom(display_, longest.c_str(), False);
  ASSERT_NE(most, None);
  back = XGetAtomName(display_, most);
  EXPECT_EQ(back, longest);
  XFree(back);
  EXPECT_EQ(XInternAtom(display_, longer.c_str(), False), None);
  EXPECT_EQ(XInternAtom(display_, "#123", False), None);
}

TEST_F(XLayer, TheLastNameStoredIsTheTitle) {
  Window w = window(None, 100, 50);
  XStoreName(display_, w, "first");
  char second[] = "second";
  XTextProperty text{reinterpret_cast<unsigned char*>(second), XA_STRING, 8, 6};
  XSetWMName(display_, w, &text);
  char title[32] = "";
  GetWindowTextA(Lx_Hwnd(w), title, sizeof title);
  EXPECT_STREQ(title, "second");
  char* fetched = nullptr;
  ASSERT_TRUE(XFetchName(display_, w, &fetched));
  EXPECT_STREQ(fetched, "second");
  XFree(fetched);
  XTextProperty back{};
  ASSERT_TRUE(XGetWMName(display_, w, &back));
  EXPECT_EQ(back.nitems, 6ul);
  EXPECT_EQ(back.encoding, static_cast<Atom>(XA_STRING));
  XFree(back.value);

  char* list[] = {second, nullptr};
  XTextProperty from_list{};
  EXPECT_TRUE(XStringListToTextProperty(list, 1, &from_list));
  EXPECT_EQ(from_list.nitems, 6ul);
  EXPECT_NE(from_list.value, text.value);
  XFree(from_list.value);
}

// The titles and the protocols come back as stored, as X's property store
// gives them; any other text property is the selection's text on the clipboard.
TEST_F(XLayer, TitlesAndProtocolsComeBackAsStoredOtherTextIsTheClipboard) {
  Window w = window(None, 100, 50);
  char on_clipboard[] = "clipped";
  XTextProperty clipped{reinterpret_cast<unsigned char*>(on_clipboard), XA_STRING, 8, 7};
  XSetTextProperty(display_, w, &clipped, XA_STRING);
  auto text = [&](Atom property) {
    XTextProperty back{};
    if (!XGetTextProperty(display_, w, &back, property)) return std::string("<none>");
    std::string s(reinterpret_cast<char*>(back.value), back.nitems);
    EXPECT_EQ(back.encoding, static_cast<Atom>(XA_STRING));
    EXPECT_EQ(back.format, 8);
    XFree(back.value);
    return s;
  };
  EXPECT_EQ(text(XA_WM_NAME), "<none>");
  EXPECT_EQ(text(XA_WM_ICON_NAME), "<none>");
  char title[] = "A title of some length";
  XTextProperty name{reinterpret_cast<unsigned char*>(title), XA_STRING, 8, 22};
  XSetWMName(display_, w, &name);
  name.nitems = 10;
  XSetWMIconName(display_, w, &name);
  EXPECT_EQ(text(XA_WM_NAME), "A title of some length");
  EXPECT_EQ(text(XA_WM_ICON_NAME), "A title of");
  EXPECT_EQ(text(XA_STRING), "clipped");
  char window_title[32] = "";
  GetWindowTextA(Lx_Hwnd(w), window_title, sizeof window_title);
  EXPECT_STREQ(window_title, "A title of some length") << "the icon name leaves the shown title";

  Atom* protocols = nullptr;
  int count = 5;
  EXPECT_FALSE(XGetWMProtocols(display_, w, &protocols, &count));
  EXPECT_EQ(count, 0);
  Atom asked[] = {XInternAtom(display_, "WM_DELETE_WINDOW", False), XInternAtom(display_, "WM_TAKE_FOCUS", False)};
  EXPECT_TRUE(XSetWMProtocols(display_, w, asked, 2));
  ASSERT_TRUE(XGetWMProtocols(display_, w, &protocols, &count));
  ASSERT_EQ(count, 2);
  EXPECT_EQ(protocols[0], asked[0]);
  EXPECT_EQ(protocols[1], asked[1]);
  XFree(protocols);
  EXPECT_TRUE(XSetWMProtocols(display_, w, asked, 0));
  EXPECT_FALSE(XGetWMProtocols(display_, w, &protocols, &count));
  EXPECT_EQ(protocols, nullptr);
}

TEST_F(XLayer, WindowPropertiesAreNeverReadBack) {
  Window w = window(None, 100, 50);
  Atom type = 7;
  int format = 8;
  unsigned long count = 3, after = 4;
  unsigned char* data = reinterpret_cast<unsigned char*>(&type);
  EXPECT_EQ(XGetWindowProperty(display_, w, XA_WM_NAME, 0, 100, False, AnyPropertyType, &type, &format, &count,
                               &after, &data),
            Success);
  EXPECT_EQ(type, None);
  EXPECT_EQ(format, 0);
  EXPECT_EQ(count, 0ul);
  EXPECT_EQ(after, 0ul);
  EXPECT_EQ(data, nullptr);
}

TEST_F(XLayer, MotifDecorationsSetTheFrameStyle) {
  const Atom motif = XInternAtom(display_, "_MOTIF_WM_HINTS", False);
  constexpr LONG kFrame = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME;
  const struct {
    const char* name;
    long words[4];
    int count, format, mode;
    LONG frame;  // the frame bits afterwards
  } cases[] = {
      {"none keeps the sizing frame", {2, 0, 0, 0}, 4, 32, PropModeReplace, WS_THICKFRAME},
      {"border, title and menu", {3, 36, 26, 0}, 4, 32, PropModeReplace, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME},
      {"all", {2, 0, 1, 0}, 4, 32, PropModeReplace, kFrame},
      {"two words are too few", {2, 0, 0, 0}, 2, 32, PropModeReplace, kFrame},
      {"not of format 32", {2, 0, 0, 0}, 4, 16, PropModeReplace, kFrame},
      {"appended", {2, 0, 0, 0}, 4, 32, PropModeAppend, kFrame},
      {"no decorations flag", {1, 0, 0, 0}, 4, 32, PropModeReplace, kFrame},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Window w = window(None, 100, 50);
    ASSERT_EQ(GetWindowLongA(Lx_Hwnd(w), GWL_STYLE) & kFrame, kFrame);
    XChangeProperty(display_, w, motif, motif, c.format, c.mode, reinterpret_cast<const unsigned char*>(c.words),
                    c.count);
    EXPECT_EQ(GetWindowLongA(Lx_Hwnd(w), GWL_STYLE) & kFrame, c.frame);
  }
  // Other properties have no effect.
  Window w = window(None, 100, 50);
  const long none[4] = {2, 0, 0, 0};
  XChangeProperty(display_, w, XA_WM_HINTS, motif, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(none),
                  4);
  EXPECT_EQ(GetWindowLongA(Lx_Hwnd(w), GWL_STYLE) & kFrame, kFrame);
}

TEST_F(XLayer, ATransientIsTopmostWhileItHasAnOwner) {
  Window owner = window(None, 100, 50), other = window(None, 100, 50), w = window(None, 60, 40);
  auto topmost = [&] { return (GetWindowLongA(Lx_Hwnd(w), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
  EXPECT_FALSE(topmost());
  XSetTransientForHint(display_, w, owner);
  EXPECT_TRUE(topmost());
  Window back = None;
  ASSERT_TRUE(XGetTransientForHint(display_, w, &back));
  EXPECT_EQ(back, owner);
  XSetTransientForHint(display_, w, other);
  EXPECT_TRUE(topmost());
  XSetTransientForHint(display_, w, None);
  EXPECT_FALSE(topmost());
}

TEST_F(XLayer, HintsAndClassComeBackAsStored) {
  Window w = window(None, 100, 50);
  EXPECT_EQ(XGetWMHints(display_, w), nullptr);
  XWMHints* hints = XAllocWMHints();
  hints->flags = StateHint;
  hints->initial_state = IconicState;
  XSetWMHints(display_, w, hints);
  XWMHints* back = XGetWMHints(display_, w);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->initial_state, IconicState);
  XFree(back);
  XFree(hints);

  XClassHint* hint = XAllocClassHint();
  char name[] = "dialog", class_name[] = "VorqQOBS";
  hint->res_name = name;
  hint->res_class = class_name;
  XSetClassHint(display_, w, hint);
  XClassHint read{};
  ASSERT_TRUE(XGetClassHint(display_, w, &read));
  EXPECT_STREQ(read.res_name, "dialog");
  EXPECT_STREQ(read.res_class, "VorqQOBS");
  XFree(read.res_name);
  XFree(read.res_class);
  XFree(hint);
}

// The colour of pixel (x, y) of an icon drawn over red.
COLORREF icon_over_red(HICON icon, int x, int y) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP target = CreateCompatibleBitmap(screen, 32, 32);
  ReleaseDC(nullptr, screen);
  HGDIOBJ initial = SelectObject(dc, target);
  HBRUSH red = CreateSolidBrush(0x0000FF);
  const RECT all{0, 0, 32, 32};
  FillRect(dc, &all, red);
  DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
  const COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, initial);
  DeleteObject(red);
  DeleteObject(target);
  DeleteDC(dc);
  return c;
}

TEST_F(XLayer, TheIconPixmapOfTheHintsBecomesTheClassIcon) {
  Window w = window(None, 100, 50);
  EXPECT_EQ(Lx_GetIcon(display_, w), nullptr);
  HICON application = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  XWMHints hints{};
  hints.flags = StateHint;
  XSetWMHints(display_, w, &hints);
  EXPECT_EQ(Lx_GetIcon(display_, w), application);  // no pixmap: the default icon

  Pixmap icon = white_pixmap(32, 32);
  XFillRectangle(display_, icon, gc(0x00FF00), 0, 0, 16, 32);
  hints.flags = StateHint | IconPixmapHint;
  hints.icon_pixmap = icon;
  XSetWMHints(display_, w, &hints);
  HICON made = Lx_GetIcon(display_, w);
  ASSERT_NE(made, nullptr);
  EXPECT_NE(made, application);
  EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrA(Lx_Hwnd(w), GCLP_HICON)), made);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(made, &info));
  EXPECT_TRUE(info.fIcon);
  BITMAP colour{};
  GetObject(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  // Without a mask the icon is opaque, as X shows it: the pixmap's own colours.
  EXPECT_EQ(icon_over_red(made, 4, 4), 0x00FF00u);
  EXPECT_EQ(icon_over_red(made, 20, 4), 0xFFFFFFu);

  XSetWMHints(display_, w, &hints);
  EXPECT_EQ(Lx_GetIcon(display_, w), made);  // the same pixmap makes no new icon
  hints.flags = StateHint;
  XSetWMHints(display_, w, &hints);
  EXPECT_EQ(Lx_GetIcon(display_, w), application);
}

// The AND and XOR bits of a black-and-white cursor.
struct CursorBits {
  explicit CursorBits(Cursor cursor) {
    ICONINFO info{};
    if (!GetIconInfo(Lx_IdHandle<HCURSOR>(cursor), &info)) return;
    x_hot = static_cast<int>(info.xHotspot);
    y_hot = static_cast<int>(info.yHotspot);
    BITMAP planes{};
    GetObject(info.hbmMask, sizeof planes, &planes);
    width = planes.bmWidth;
    height = planes.bmHeight / 2;  // the AND plane over the XOR plane
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ initial = SelectObject(dc, info.hbmMask);
    for (int y = 0; y < 2 * height; ++y)
      for (int x = 0; x < width; ++x) bits.push_back((GetPixel(dc, x, y) & 0xFFFFFF) != 0);
    SelectObject(dc, initial);
    DeleteDC(dc);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
  }
  // (and, xor) of pixel x, y.
  std::pair<bool, bool> at(int x, int y) const {
    return {bits[size_t(y * width + x)], bits[size_t((y + height) * width + x)]};
  }
  int width = 0, height = 0, x_hot = -1, y_hot = -1;
  std::vector<bool> bits;
};

TEST_F(XLayer, TheToolkitsCursorsAreMadeAndFreedTheBlankOneToo) {
  const unsigned shapes[] = {XC_bottom_left_corner, XC_bottom_right_corner, XC_bottom_side, XC_double_arrow,
                             XC_fleur,    XC_hand2,          XC_left_ptr,       XC_left_side,
                             XC_right_side, XC_xterm,        XC_sb_h_double_arrow, XC_sb_v_double_arrow,
                             XC_top_left_corner, XC_top_right_corner, XC_top_side, XC_watch};
  std::vector<Cursor> cursors;
  for (unsigned shape : shapes) {
    cursors.push_back(XCreateFontCursor(display_, shape));
    EXPECT_NE(cursors.back(), None) << shape;
  }
  // The blank cursor: a 1 x 1 pixmap of depth 1 as both source and mask.
  Pixmap blank = XCreatePixmap(display_, None, 1, 1, 1);
  ASSERT_NE(blank, None);
  BITMAP b{};
  GetObject(reinterpret_cast<HBITMAP>(static_cast<intptr_t>(static_cast<long>(blank))), sizeof b, &b);
  EXPECT_EQ(b.bmBitsPixel, 1);
  XColor colour{};
  const Cursor blank_cursor = XCreatePixmapCursor(display_, blank, blank, &colour, &colour, 0, 0);
  EXPECT_NE(blank_cursor, None);
  XFreePixmap(display_, blank);
  const CursorBits blank_bits(blank_cursor);
  EXPECT_EQ(blank_bits.width, 1);
  EXPECT_EQ(blank_bits.at(0, 0), std::pair(true, false));  // the screen shows through
  cursors.push_back(blank_cursor);
  for (Cursor c : cursors) XFreeCursor(display_, c);

  EXPECT_EQ(XCreateFontCursor(display_, XC_left_ptr),
            static_cast<Cursor>(reinterpret_cast<intptr_t>(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)))));
  EXPECT_EQ(XCreateFontCursor(display_, 155), XCreateFontCursor(display_, XC_left_ptr));
  EXPECT_EQ(XCreateFontCursor(display_, 167), None);
  const Cursor glyph = XCreateFontCursor(display_, 152 + 1);  // no system cursor: the glyph
  EXPECT_NE(glyph, None);
  XFreeCursor(display_, glyph);
  unsigned width = 0, height = 0;
  EXPECT_TRUE(XQueryBestCursor(display_, None, 64, 64, &width, &height));
  EXPECT_EQ(width, 32u);
  EXPECT_EQ(height, 32u);
}

TEST_F(XLayer, APixmapCursorIsAsWideAndHighAsItsSource) {
  // 16 x 8: the source's left half, the mask's top half.
  char source[16], mask[16];
  for (int row = 0; row < 8; ++row) {
    source[row * 2] = static_cast<char>(0xFF);
    source[row * 2 + 1] = 0;
    mask[row * 2] = mask[row * 2 + 1] = static_cast<char>(row < 4 ? 0xFF : 0);
  }
  Pixmap s = XCreateBitmapFromData(display_, None, source, 16, 8);
  Pixmap m = XCreateBitmapFromData(display_, None, mask, 16, 8);
  pixmaps_.push_back(s);
  pixmaps_.push_back(m);
  XColor colour{};
  const Cursor cursor = XCreatePixmapCursor(display_, s, m, &colour, &colour, 3, 2);
  ASSERT_NE(cursor, None);
  const CursorBits planes(cursor);
  EXPECT_EQ(planes.x_hot, 3);
  EXPECT_EQ(planes.y_hot, 2);
  EXPECT_EQ(planes.width, 16);
  EXPECT_EQ(planes.height, 8);
  // (and, xor): black where source and mask are set, white where only the mask is, else the screen.
  EXPECT_EQ(planes.at(2, 1), std::pair(false, false));
  EXPECT_EQ(planes.at(12, 1), std::pair(false, true));
  EXPECT_EQ(planes.at(2, 6), std::pair(true, false));
  EXPECT_EQ(planes.at(12, 6), std::pair(true, false));
  XFreeCursor(display_, cursor);

  // A source drawn through the X calls, its context still open, reads the same.
  Pixmap drawn = XCreatePixmap(display_, None, 16, 8, 1);
  pixmaps_.push_back(drawn);
  XFillRectangle(display_, drawn, gc(0xFFFFFF), 0, 0, 16, 8);
  XFillRectangle(display_, drawn, gc(0x000000), 0, 0, 8, 8);  // black: the X bits set
  const Cursor from_drawing = XCreatePixmapCursor(display_, drawn, m, &colour, &colour, 3, 2);
  ASSERT_NE(from_drawing, None);
  EXPECT_EQ(CursorBits(from_drawing).bits, planes.bits);
  XFreeCursor(display_, from_drawing);
}

TEST_F(XLayer, AWindowWithoutACursorShowsItsParents) {
  Window top = window(None, 100, 60), child = window(top, 40, 30);
  const Cursor arrow = XCreateFontCursor(display_, XC_left_ptr), hand = XCreateFontCursor(display_, XC_hand2);
  Lx_SetDefaultCursor(arrow);
  EXPECT_EQ(Lx_FindCursor(child), arrow);
  EXPECT_EQ(Lx_FindCursor(12345), arrow);
  XDefineCursor(display_, top, hand);
  EXPECT_EQ(Lx_FindCursor(child), hand);
  EXPECT_EQ(XUndefineCursor(display_, 12345), 0);
  XFreeCursor(display_, hand);
}

TEST_F(XLayer, TheClipboardCarriesTheSelectionsText) {
  Window w = window(None, 100, 50), requestor = window(None, 100, 50);
  std::string big(10 * 1024 * 1024, 'x');
  for (size_t i = 0; i < big.size(); i += 4093) big[i] = static_cast<char>('a' + i % 26);
  XTextProperty text{reinterpret_cast<unsigned char*>(big.data()), XA_STRING, 8, static_cast<unsigned long>(big.size())};
  XSetTextProperty(display_, w, &text, XA_STRING);
  XTextProperty back{};
  ASSERT_TRUE(XGetTextProperty(display_, requestor, &back, XA_STRING));
  EXPECT_EQ(back.encoding, static_cast<Atom>(XA_STRING));
  EXPECT_EQ(back.format, 8);
  ASSERT_EQ(back.nitems, big.size());
  EXPECT_EQ(memcmp(back.value, big.data(), big.size()), 0);
  XFree(back.value);

  // Taking the selection asks its owner for the text at once; a request
  // for it is answered at once too.
  XEvent e;
  while (XCheckTypedEvent(display_, SelectionRequest, &e) || XCheckTypedEvent(display_, SelectionNotify, &e)) {
  }
  XSetSelectionOwner(display_, XA_PRIMARY, w, CurrentTime);
  EXPECT_EQ(XGetSelectionOwner(display_, XA_PRIMARY), w);
  EXPECT_EQ(XGetSelectionOwner(display_, XA_SECONDARY), None);
  ASSERT_TRUE(XCheckTypedEvent(display_, SelectionRequest, &e));
  EXPECT_EQ(e.xselectionrequest.owner, w);
  EXPECT_EQ(e.xselectionrequest.requestor, None);
  EXPECT_EQ(e.xselectionrequest.selection, static_cast<Atom>(XA_PRIMARY));
  EXPECT_EQ(e.xselectionrequest.target, static_cast<Atom>(XA_STRING));
  // The owner answers the request, which names no requestor: its text goes on
  // the clipboard all the same, under the owner.
  char copied[] = "copied";
  XTextProperty answer{reinterpret_cast<unsigned char*>(copied), XA_STRING, 8, 6};
  XSetTextProperty(display_, e.xselectionrequest.requestor, &answer, XA_STRING);
  EXPECT_EQ(GetClipboardOwner(), Lx_Hwnd(w));
  ASSERT_TRUE(XGetTextProperty(display_, requestor, &back, XA_STRING));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(back.value), back.nitems), "copied");
  XFree(back.value);
  XConvertSelection(display_, XA_PRIMARY, XA_STRING, XA_STRING, requestor, CurrentTime);
  ASSERT_TRUE(XCheckTypedEvent(display_, SelectionNotify, &e));
  EXPECT_EQ(e.xselection.requestor, requestor);
  EXPECT_EQ(e.xselection.selection, static_cast<Atom>(XA_PRIMARY));
  EXPECT_EQ(e.xselection.property, static_cast<Atom>(XA_STRING));
  // The owner's own text replaces the clipboard without losing the selection.
  XSetTextProperty(display_, w, &text, XA_STRING);
  EXPECT_FALSE(XCheckTypedEvent(display_, SelectionClear, &e));
  EXPECT_EQ(XGetSelectionOwner(display_, XA_PRIMARY), w);
  // Another window taking it tells the owner of its loss.
  XSetSelectionOwner(display_, XA_SECONDARY, requestor, CurrentTime);
  ASSERT_TRUE(XCheckTypedEvent(display_, SelectionClear, &e));
  EXPECT_EQ(e.xselectionclear.window, w);
  EXPECT_EQ(e.xselectionclear.selection, static_cast<Atom>(XA_PRIMARY));
  EXPECT_EQ(XGetSelectionOwner(display_, XA_SECONDARY), requestor);
  EXPECT_EQ(XGetSelectionOwner(display_, XA_PRIMARY), None);

  // An empty clipboard gives nothing and stays usable by others.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  back.value = reinterpret_cast<unsigned char*>(&e);
  EXPECT_FALSE(XGetTextProperty(display_, requestor, &back, XA_STRING));
  EXPECT_EQ(back.value, nullptr);
  EXPECT_EQ(back.nitems, 0ul);
  ASSERT_TRUE(OpenClipboard(nullptr));
  CloseClipboard();
}

}  // namespace
