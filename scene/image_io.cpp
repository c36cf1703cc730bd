#include "scene/image_io.h"

// Reading is not built yet: every file gives the failure image.
ImageIO::ImageIO(GLenum format, const char*) : gl_format(format) { make_failure_image(); }
ImageIO::ImageIO(GLenum format) : gl_format(format) { make_failure_image(); }

// 32 x 32 white pixels with both diagonals black.
void ImageIO::make_failure_image() {
  bytes_per_pixel = gl_format == GL_LUMINANCE ? 1 : 4;
  width = height = 32;
  pixels.assign(size_t(width) * height * bytes_per_pixel, 255);
  for (uint32_t i = 0; i < 32; ++i)
    for (uint32_t x : {i, 31 - i}) {
      uint8_t* p = &pixels[(size_t(i) * width + x) * bytes_per_pixel];
      for (unsigned c = 0; c < (bytes_per_pixel == 1 ? 1u : 3u); ++c) p[c] = 0;
    }
  ok = false;
}
