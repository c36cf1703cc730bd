// The glyphs of X's cursor font as 32x32 X bitmaps, generated at build time:
// entry n is glyph n (even n a cursor shape, n + 1 its mask). Portable data.
#pragma once

#include <cstdint>

constexpr int LX_CURSOR_GLYPHS = 154;
constexpr int LX_CURSOR_GLYPH_SIZE = 32;

struct Lx_CursorGlyph {
  int x_hot;
  int y_hot;
  uint8_t bits[LX_CURSOR_GLYPH_SIZE * LX_CURSOR_GLYPH_SIZE / 8];  // rows of 4 bytes, LSB leftmost
};
extern const Lx_CursorGlyph cursor_glyphs[LX_CURSOR_GLYPHS];
