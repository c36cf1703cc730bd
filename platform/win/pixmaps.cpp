#include "platform/win/pixmaps.h"

#include <cstdio>
#include <vector>

#include "base/checked_mm.h"
#include "platform/win/bitmap_file.h"

HBITMAP Lx_CreatePixmapBitmap(int width, int height, int depth) {
  if (width < 1 || height < 1 || width > LX_BITMAP_MAX_SIZE || height > LX_BITMAP_MAX_SIZE) return nullptr;
  if (depth == 1) return CreateBitmap(width, height, 1, 1, nullptr);
  // Created from a 24-bit header, so the pixmap's pixels take the screen's format.
  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return nullptr;
  HBITMAP bitmap = CreateDIBitmap(screen, &header, 0, nullptr, nullptr, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

HBITMAP Lx_CreateBitmapFromXData(const uint8_t* data, int width, int height) {
  if (width < 1 || height < 1 || width > LX_BITMAP_MAX_SIZE || height > LX_BITMAP_MAX_SIZE) return nullptr;
  std::vector<uint8_t> rows(static_cast<size_t>(Lx_GdiRowBytes(width)) * static_cast<size_t>(height));
  Lx_XBitmapToGdi(data, width, height, rows.data());
  return CreateBitmap(width, height, 1, 1, rows.data());
}

namespace {

// The whole file, or a result code.
int read_whole(const char* path, std::vector<uint8_t>* bytes) {
  FILE* f = fopen(path, "rb");
  if (f == nullptr) return LX_BITMAP_OPEN_FAILED;
  uint8_t block[65536];
  size_t n;
  while ((n = fread(block, 1, sizeof block, f)) > 0) bytes->insert(bytes->end(), block, block + n);
  const bool failed = ferror(f) != 0;
  fclose(f);
  return failed ? LX_BITMAP_OPEN_FAILED : LX_BITMAP_SUCCESS;
}

// A device-dependent bitmap of a checked "BM" file's pixels.
HBITMAP bitmap_of_bmp(const std::vector<uint8_t>& file, const Lx_BmpInfo& info) {
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(file.data() + 14);
  const auto* dib = reinterpret_cast<const BITMAPINFO*>(file.data() + 14);
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return nullptr;
  HBITMAP bitmap = CreateDIBitmap(screen, header, CBM_INIT, file.data() + info.pixel_offset, dib, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

}  // namespace

int Lx_ReadBitmapFileToBitmap(const char* path, HBITMAP* bitmap, int* width, int* height, int* x_hot, int* y_hot) {
  *bitmap = nullptr;
  std::vector<uint8_t> file;
  const int read = read_whole(path, &file);
  if (read != LX_BITMAP_SUCCESS) return read;
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
    Lx_BmpInfo info;
    // The old core header has another layout than the one CreateDIBitmap takes here.
    if (Lx_CheckBmpFile(file.data(), file.size(), &info) != LX_BITMAP_SUCCESS || info.header_size < 40)
      return LX_BITMAP_FILE_INVALID;
    *bitmap = bitmap_of_bmp(file, info);
    if (*bitmap == nullptr) return LX_BITMAP_NO_MEMORY;
    *width = info.width;
    *height = info.height < 0 ? -info.height : info.height;
    *x_hot = *y_hot = 0;
    return LX_BITMAP_SUCCESS;
  }
  Lx_XBitmap x;
  const int parsed = Lx_ParseXBitmap(reinterpret_cast<const char*>(file.data()), file.size(), &x);
  if (parsed != LX_BITMAP_SUCCESS) return parsed;
  *bitmap = Lx_CreateBitmapFromXData(x.data, x.width, x.height);
  CheckedFree(x.data);
  if (*bitmap == nullptr) return LX_BITMAP_NO_MEMORY;
  *width = x.width;
  *height = x.height;
  *x_hot = x.x_hot;
  *y_hot = x.y_hot;
  return LX_BITMAP_SUCCESS;
}

bool Lx_GdiCopyArea(HDC source, HDC destination, int sx, int sy, int width, int height, int dx, int dy) {
  return BitBlt(destination, dx, dy, width, height, source, sx, sy, SRCCOPY) != 0;
}

bool Lx_GdiCopyPlane(HDC source, HDC destination, int sx, int sy, int width, int height, int dx, int dy,
                     COLORREF foreground, COLORREF background) {
  // A monochrome source paints its 0 bits in the text colour and its 1 bits in
  // the background colour: the X bits' foreground and background.
  const COLORREF text = SetTextColor(destination, foreground);
  const COLORREF back = SetBkColor(destination, background);
  const bool copied = BitBlt(destination, dx, dy, width, height, source, sx, sy, SRCCOPY) != 0;
  SetTextColor(destination, text);
  SetBkColor(destination, back);
  return copied;
}
