#include "toolkit/image_text.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "toolkit/fonts.h"
#include "toolkit/image_picture.h"

ImagePicture* ImageText::font_pictures[18][256];

static unsigned short clamp16(uint32_t v) { return static_cast<unsigned short>(std::min<uint32_t>(v, 0xFFFF)); }

ImageText::ImageText(unsigned char kind_, unsigned char font_index_, char* text_)
    : Image(kind_),
      font_index(font_index_),
      text(text_),
      length(text_ != nullptr ? strlen(text_) : 0),
      font(Fonts::fonts[font_index_]) {
  if (length == 0) return;
  uint32_t w = 0;
  uint32_t lh = uint32_t(font->line_height);
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      full_width = std::max(full_width, w);
      full_height += lh;
      lh = uint32_t(font->line_height);
      ++lines;
      w = 0;
    } else if (const ImagePicture* p = font_pictures[font_index][c]) {
      w += p->width;
      lh = std::max<uint32_t>(lh, p->height);
    } else if (const BitmapCharRec* g = font->glyph(c)) {
      w += uint32_t(g->advance);
    }
  }
  full_width = std::max(full_width, w);
  full_height += lh;
  width = clamp16(full_width);
  height = clamp16(full_height);
}

ImageText::~ImageText() {
  if (text != nullptr) CheckedFree(text);
}

void ImageText::draw(float x, float y, float z) {
  glRasterPos3f(x, y, z);
  if (length == 0) return;
  // Lines are drawn bottom up: find each line's start from the end of the text.
  size_t end = length;
  for (;;) {
    size_t start = end;
    while (start > 0 && text[start - 1] != '\n') --start;
    int line_width = 0;
    int line_height = font->line_height;
    for (size_t i = start; i < end; ++i) {
      unsigned char c = static_cast<unsigned char>(text[i]);
      if (ImagePicture* p = font_pictures[font_index][c]) {
        p->draw_at_current_position();
        glBitmap(0, 0, 0, 0, float(p->width), 0, nullptr);
        line_width += p->width;
        line_height = std::max<int>(line_height, p->height);
      } else if (const BitmapCharRec* g = font->glyph(c)) {
        glBitmap(g->width, g->height, g->x_origin, g->y_origin, g->advance, 0, g->bitmap);
        line_width += int(g->advance);
      }
    }
    if (start == 0) break;
    glBitmap(0, 0, 0, 0, float(-line_width), float(line_height), nullptr);
    end = start - 1;
  }
}

void ImageText::set_font_picture(unsigned char font, unsigned char character,
                                 ImagePicture* picture) {
  if (font >= 18) internal_error(106, "ImageText");
  if (font_pictures[font][character] != nullptr) internal_error(107, "ImageText");
  font_pictures[font][character] = picture;
}

void ImageText::delete_font_pictures() {
  for (auto& row : font_pictures) {
    for (ImagePicture*& p : row) {
      delete p;
      p = nullptr;
    }
  }
}
