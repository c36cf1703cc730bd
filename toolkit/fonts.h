// The 18 built-in bitmap fonts, addressed by index 0 to 17.
#pragma once

// One glyph. Rows bottom first, each padded to whole bytes, most significant
// bit leftmost (glBitmap with unpack alignment 1). The lower-left corner goes
// to the raster position minus the origin; the raster position is the bottom
// of the line cell, the font's descent below the baseline.
struct BitmapCharRec {
  int width;
  int height;
  float x_origin;
  float y_origin;
  float advance;
  const unsigned char* bitmap;
};

struct BitmapFontRec {
  int line_height;
  int num_chars;
  int first_char;
  const BitmapCharRec* const* chars;  // num_chars entries, null where no glyph

  // The glyph of a character code, or null.
  const BitmapCharRec* glyph(unsigned char code) const {
    int i = int(code) - first_char;
    return i >= 0 && i < num_chars ? chars[i] : nullptr;
  }
};

class Fonts {
 public:
  static constexpr int count = 18;
  static const BitmapFontRec* const fonts[count];
  static const char* const font_names[count];
};
