// One or more lines of text in a built-in font; single characters of a font
// can be replaced by pictures.
#pragma once

#include <cstddef>
#include <cstdint>

#include "toolkit/image.h"

class ImagePicture;
struct BitmapFontRec;

class ImageText : public Image {
 public:
  // Takes over `text` (checked memory, newline-separated lines).
  ImageText(unsigned char kind, unsigned char font_index, char* text);
  ~ImageText() override;

  // The left end of the bottom line's cell at (x, y, z); the text grows upwards.
  void draw(float x, float y, float z) override;
  unsigned char get_matching_font_index() const override { return font_index; }

  // Width of the widest line and height of all lines, before clamping to the
  // 16-bit image size.
  uint32_t text_width() const { return full_width; }
  uint32_t text_height() const { return full_height; }
  size_t line_count() const { return lines; }
  const char* get_text() const { return text; }

  // The table takes over the picture; internal errors for a bad font or a
  // character that already has one.
  static void set_font_picture(unsigned char font_index, unsigned char character,
                               ImagePicture* picture);
  static void delete_font_pictures();
  static ImagePicture* font_pictures[18][256];

 private:
  unsigned char font_index;
  char* text;
  size_t length;
  size_t lines = 1;
  const BitmapFontRec* font;
  uint32_t full_width = 0;
  uint32_t full_height = 0;
};
