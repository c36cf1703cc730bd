#include "platform/win/image_format.h"

#include <cstddef>

int Lx_ImageBitsPerPixel(int depth) { return depth == 8 ? 8 : 32; }

int Lx_ImageBytesPerLine(int width, int bits_per_pixel) { return (width * bits_per_pixel + 31) / 8 / 4 * 4; }

namespace {

unsigned char* pixel_at(char* data, int bytes_per_line, int bits_per_pixel, int x, int y) {
  return reinterpret_cast<unsigned char*>(data) + static_cast<ptrdiff_t>(y) * bytes_per_line +
         static_cast<ptrdiff_t>(x) * (bits_per_pixel / 8);
}

}  // namespace

unsigned long Lx_ImageGetPixel(const char* data, int bytes_per_line, int bits_per_pixel, int x, int y) {
  if (bits_per_pixel != 8 && bits_per_pixel != 16 && bits_per_pixel != 32) return 0;
  const unsigned char* p = pixel_at(const_cast<char*>(data), bytes_per_line, bits_per_pixel, x, y);
  unsigned long pixel = 0;
  for (int i = bits_per_pixel / 8 - 1; i >= 0; --i) pixel = pixel << 8 | p[i];
  return pixel;
}

void Lx_ImagePutPixel(char* data, int bytes_per_line, int bits_per_pixel, int x, int y, unsigned long pixel) {
  if (bits_per_pixel != 8 && bits_per_pixel != 16 && bits_per_pixel != 32) return;
  unsigned char* p = pixel_at(data, bytes_per_line, bits_per_pixel, x, y);
  for (int i = 0; i < bits_per_pixel / 8; ++i) p[i] = static_cast<unsigned char>(pixel >> (8 * i));
}
