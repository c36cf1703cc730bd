// The GDI half of the dormant font calls: a font for a name as XLoadFont
// reads it, and the text extents of XTextExtents and XTextWidth. Only the
// Windows build has it.
#pragma once

#include <windows.h>

// The font a name asks for: a stock font or a new logical font (*made true:
// delete it when done). Null for the cursor font, which is no GDI font.
HFONT Lx_CreateNamedFont(const char* name, bool* made);
// A memory context with the font selected, for reading its metrics.
struct Lx_FontContext {
  explicit Lx_FontContext(HFONT font);
  ~Lx_FontContext();
  Lx_FontContext(const Lx_FontContext&) = delete;
  Lx_FontContext& operator=(const Lx_FontContext&) = delete;
  HDC dc;  // null when the system gave none
  HGDIOBJ initial;
};

// The extent of `length` characters drawn in the font; 0 for none.
int Lx_TextExtent(HFONT font, const char* text, int length);
// The width of `length` characters drawn in the font: 0 for no characters,
// else the string's extent plus that of "aa" less twice that of "a".
int Lx_TextWidth(HFONT font, const char* text, int length);
