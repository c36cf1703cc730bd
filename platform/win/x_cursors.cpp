// Cursors of the Windows layer: system cursors and black-and-white cursors made
// from bitmap pairs. A window without a cursor shows its parent's, up to the
// default cursor.
#include <windows.h>

#include <X11/Xlib.h>


#include "platform/win/cursors.h"
#include "platform/win/drawable_lists.h"
#include "platform/win/layer.h"
#include "platform/win/x_fonts.h"

namespace {

Cursor default_cursor = None;

// Moves the pointer to where it is, so that a new cursor shows at once.
void nudge_pointer() {
  POINT at;
  if (GetCursorPos(&at)) SetCursorPos(at.x, at.y);
}

int set_cursor_attribute(Display* display, Window window, Cursor cursor) {
  XSetWindowAttributes attributes{};
  attributes.cursor = cursor;
  return XChangeWindowAttributes(display, window, CWCursor, &attributes);
}

}  // namespace

Cursor XCreateFontCursor(Display* display, unsigned shape) {
  static const XColor black{0, 0, 0, 0, DoRed | DoGreen | DoBlue, 0};
  static const XColor white{0xFFFFFF, 0xFFFF, 0xFFFF, 0xFFFF, DoRed | DoGreen | DoBlue, 0};
  return XCreateGlyphCursor(display, LX_CURSOR_FONT, LX_CURSOR_FONT, shape, shape + 1, &black, &white);
}

Cursor XCreatePixmapCursor(Display*, Pixmap source, Pixmap mask, XColor*, XColor*, unsigned x_hot, unsigned y_hot) {
  // The bitmaps are read, so no pixmap context may hold them.
  Lx_ClosePixmapDC(source);
  Lx_ClosePixmapDC(mask);
  HCURSOR cursor = Lx_CreateCursorFromBitmaps(Lx_IdHandle<HBITMAP>(source), Lx_IdHandle<HBITMAP>(mask),
                                              static_cast<int>(x_hot), static_cast<int>(y_hot));
  if (cursor == nullptr) return None;
  Lx_ListCursor(Lx_HandleId(cursor));
  return Lx_HandleId(cursor);
}

int XFreeCursor(Display*, Cursor cursor) {
  // System cursors are not listed: they stay.
  if (cursor != None && Lx_UnlistCursor(cursor)) DestroyCursor(Lx_IdHandle<HCURSOR>(cursor));
  return 1;
}

int XDefineCursor(Display* display, Window window, Cursor cursor) {
  if (Lx_FindWindow(window) == nullptr) return BadWindow;
  set_cursor_attribute(display, window, cursor);
  nudge_pointer();
  return 1;
}

int XUndefineCursor(Display* display, Window window) {
  Lx_WindowRecord* record = Lx_FindWindow(window);
  if (record == nullptr) return 0;
  const Cursor saved = record->previous_cursor;
  record->previous_cursor = None;
  set_cursor_attribute(display, window, saved);
  nudge_pointer();
  return 1;
}

int XRecolorCursor(Display*, Cursor, XColor*, XColor*) { return 1; }

Status XQueryBestCursor(Display*, Drawable, unsigned width, unsigned height, unsigned* best_width,
                        unsigned* best_height) {
  Lx_BestCursorSize(width, height, best_width, best_height);
  return 1;
}

Cursor Lx_FindCursor(Window window) {
  // Each step goes up one parent; the root (0) has no record.
  for (Window w = window; w != None; w = Lx_ParentWindow(w)) {
    const Lx_WindowRecord* record = Lx_FindWindow(w);
    if (record == nullptr) break;
    if (record->cursor != None) return record->cursor;
  }
  return default_cursor;
}

void Lx_SetDefaultCursor(Cursor cursor) { default_cursor = cursor; }
