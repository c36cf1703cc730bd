// Image files: TIFF and JPEG written scanline by scanline, and read into
// memory (rows bottom to top) with a fixed failure image for anything
// that cannot be read.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

class ImageIO {
 public:
  // Reads `path` as TIFF, else as JPEG, into `format` (GL_RGB, GL_RGBA or
  // GL_LUMINANCE); the failure image when it cannot be read.
  ImageIO(GLenum format, const char* path);
  // The failure image only.
  explicit ImageIO(GLenum format);

  uint32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;  // rows bottom to top
  GLenum gl_format = GL_RGBA;
  unsigned bytes_per_pixel = 4;
  bool ok = false;  // false when the failure image stands in

 private:
  void make_failure_image();
};
