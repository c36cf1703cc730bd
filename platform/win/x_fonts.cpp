#include "platform/win/x_fonts.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "platform/win/cursors.h"
#include "platform/win/drawable_lists.h"
#include "platform/win/fonts.h"
#include "platform/win/layer.h"

Cursor XCreateGlyphCursor(Display*, Font source_font, Font mask_font, unsigned source_char, unsigned mask_char,
                          XColor const*, XColor const*) {
  if (source_font != LX_CURSOR_FONT) return None;
  // A mask glyph only from the cursor font and within its glyphs.
  const unsigned mask = mask_font == LX_CURSOR_FONT ? mask_char : ~0u;
  bool made = false;
  HCURSOR cursor = Lx_CreateShapeCursor(source_char, mask, &made);
  if (made) Lx_ListCursor(Lx_HandleId(cursor));
  return Lx_HandleId(cursor);
}

Font XLoadFont(Display*, const char* name) {
  bool made;
  HFONT font = Lx_CreateNamedFont(name, &made);
  return font == nullptr ? LX_CURSOR_FONT : Lx_HandleId(font);
}

int XUnloadFont(Display*, Font font) {
  // Stock fonts are left alone by the system.
  if (font != LX_CURSOR_FONT && font != None) DeleteObject(Lx_IdHandle<HFONT>(font));
  return 1;
}

XFontStruct* XQueryFont(Display*, XID font_id) {
  if (font_id == LX_CURSOR_FONT || font_id == None) return nullptr;
  HFONT font = Lx_IdHandle<HFONT>(font_id);
  Lx_FontContext f(font);
  TEXTMETRICA m{};
  if (f.dc == nullptr || !GetTextMetricsA(f.dc, &m)) return nullptr;
  auto* info = static_cast<XFontStruct*>(calloc(1, sizeof(XFontStruct)));
  if (info == nullptr) return nullptr;
  info->fid = font_id;
  info->direction = FontLeftToRight;
  info->min_char_or_byte2 = static_cast<unsigned char>(m.tmFirstChar);
  info->max_char_or_byte2 = static_cast<unsigned char>(m.tmLastChar);
  info->all_chars_exist = True;
  info->default_char = static_cast<unsigned char>(m.tmDefaultChar);
  XCharStruct bounds{};
  bounds.width = static_cast<short>(m.tmAveCharWidth);
  bounds.rbearing = bounds.width;
  bounds.ascent = static_cast<short>(m.tmAscent);
  bounds.descent = static_cast<short>(m.tmDescent);
  info->min_bounds = info->max_bounds = bounds;
  info->ascent = m.tmAscent;
  info->descent = m.tmDescent;
  const int first = m.tmFirstChar, last = m.tmLastChar;
  if (m.tmAveCharWidth != m.tmMaxCharWidth && last >= first) {
    const int n = last - first + 1;
    auto* widths = static_cast<INT*>(calloc(static_cast<size_t>(n), sizeof(INT)));
    info->per_char = static_cast<XCharStruct*>(calloc(static_cast<size_t>(n), sizeof(XCharStruct)));
    if (widths != nullptr && info->per_char != nullptr &&
        GetCharWidth32A(f.dc, static_cast<UINT>(first), static_cast<UINT>(last), widths)) {
      for (int i = 0; i < n; ++i) {
        info->per_char[i] = bounds;
        info->per_char[i].width = info->per_char[i].rbearing = static_cast<short>(widths[i]);
      }
    } else {
      free(info->per_char);
      info->per_char = nullptr;
    }
    free(widths);
  }
  return info;
}

XFontStruct* XLoadQueryFont(Display* display, const char* name) {
  const Font font = XLoadFont(display, name);
  XFontStruct* info = XQueryFont(display, font);
  if (info == nullptr) XUnloadFont(display, font);
  return info;
}

int XFreeFont(Display* display, XFontStruct* info) {
  if (info == nullptr) return 0;
  XUnloadFont(display, info->fid);
  free(info->per_char);
  free(info);
  return 1;
}

int XTextExtents(XFontStruct* info, const char* text, int length, int* direction, int* ascent, int* descent,
                 XCharStruct* overall) {
  const int width = Lx_TextExtent(Lx_IdHandle<HFONT>(info->fid), text, length);
  *direction = FontLeftToRight;
  *ascent = info->ascent;
  *descent = info->descent;
  *overall = XCharStruct{};
  overall->width = overall->rbearing = static_cast<short>(width);
  overall->ascent = static_cast<short>(info->ascent);
  overall->descent = static_cast<short>(info->descent);
  return 1;
}

int XTextWidth(XFontStruct* info, const char* text, int length) {
  return Lx_TextWidth(Lx_IdHandle<HFONT>(info->fid), text, length);
}

// The system finds its fonts by face name: there is no font path.
int XSetFontPath(Display*, char**, int) { return 1; }
char** XGetFontPath(Display*, int* count) {
  *count = 0;
  return nullptr;
}
int XFreeFontPath(char** list) {
  free(list);
  return 1;
}
