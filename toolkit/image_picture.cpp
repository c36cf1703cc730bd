#include "toolkit/image_picture.h"

#include <GL/gl.h>

#include "base/checked_mm.h"
#include "gl/gl_context.h"
#include "toolkit/fonts.h"
#include "toolkit/neutral_picture.h"

ImagePicture::ImagePicture(neutral_picture* picture_, unsigned long first, unsigned long second)
    : Image(6),
      picture(picture_),
      first_colour(first),
      second_colour(second),
      both_transparent(first == transparent_word && second == transparent_word) {
  width = picture->width;
  height = picture->height;
}

ImagePicture::~ImagePicture() {
  if (blended_cache != nullptr) CheckedFree(blended_cache);
  CheckedFree(picture);
}

void ImagePicture::draw(float x, float y, float z) {
  glRasterPos3f(x, y, z);
  draw_at_current_position();
}

static int component(unsigned long word, int shift) { return int((word >> shift) & 0xFF); }

void ImagePicture::build_blended_cache() {
  size_t n = size_t(width) * height * 4;
  blended_cache = static_cast<unsigned char*>(CheckedMalloc(n));
  const unsigned char* src = picture->pixels();
  for (int row = 0; row < height; ++row) {
    int k[3];
    for (int c = 0; c < 3; ++c) {
      int shift = 16 - 8 * c;
      int a = component(first_colour, shift);
      int b = component(second_colour, shift);
      if (first_colour == second_colour) {
        k[c] = b;
      } else {
        // One row high: the first colour (t would be 0 / 0).
        float t = height > 1 ? float(row) / float(height - 1) : 0.0f;
        k[c] = int(float(a) * (1.0f - t) + t * float(b));
      }
    }
    for (int col = 0; col < width; ++col) {
      size_t i = (size_t(row) * width + col) * 4;
      int alpha = src[i + 3];
      if (alpha == 255) {
        for (int c = 0; c < 4; ++c) blended_cache[i + c] = src[i + c];
        continue;
      }
      for (int c = 0; c < 3; ++c) {
        blended_cache[i + c] =
            static_cast<unsigned char>((src[i + c] * alpha + k[c] * (255 - alpha)) / 255);
      }
      blended_cache[i + 3] = 255;
    }
  }
}

void ImagePicture::draw_at_current_position() {
  if (width == 0 || height == 0) return;
  XGLContext* context = XGLContext::current_context;
  if (both_transparent) {
    if (context != nullptr) {
      context->enable_blending(true);
      context->set_blend_func(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, picture->pixels());
    if (context != nullptr) context->enable_blending(false);
    return;
  }
  if (blended_cache == nullptr) build_blended_cache();
  glDrawPixels(width, height, GL_RGBA, GL_UNSIGNED_BYTE, blended_cache);
}

unsigned char ImagePicture::get_matching_font_index() const {
  unsigned char best = 0;
  int best_height = 0;
  for (int i = 0; i < 16; ++i) {  // the Symbol fonts are never chosen
    int lh = Fonts::fonts[i]->line_height;
    if (lh <= height && lh >= best_height) {
      best = static_cast<unsigned char>(i);
      best_height = lh;
    }
  }
  return best;
}
