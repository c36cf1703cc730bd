// Fonts and glyph cursors of the Windows layer. Of the font calls only the
// cursor font is live; the others are kept over GDI fonts for completeness.
#pragma once

#include <windows.h>

#include <X11/Xlib.h>

// The font id of X's cursor font, the one XLoadFont gives for "cursor".
constexpr Font LX_CURSOR_FONT = static_cast<Font>(-2);

// The cursor of a glyph of the cursor font, with the glyph mask_char as mask
// when the mask font is the cursor font too; None for any other font.
Cursor XCreateGlyphCursor(Display* display, Font source_font, Font mask_font, unsigned source_char,
                          unsigned mask_char, XColor const* foreground, XColor const* background);
