#include "platform/win/pixmaps.h"

#include <cstdio>
#include <vector>

#include "base/checked_mm.h"
#include "platform/win/bitmap_file.h"

HBITMAP Lx_CreatePixmapBitmap(int width, int height, int depth) {
  if (width < 1 || height < 1 || width > LX_BITMAP_MAX_SIZE || height > LX_BITMAP_MAX_SIZE) return nullptr;
  if (depth == 1) {
    // Clear in X's terms (GDI's 1 bits), so an undrawn bitmap as cursor or
    // mask shows nothing: the toolkit's blank cursor is one.
    std::vector<uint8_t> clear(static_cast<size_t>(Lx_GdiRowBytes(width)) * static_cast<size_t>(height), 0xFF);
    return CreateBitmap(width, height, 1, 1, clear.data());
  }
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

int Lx_ReadXBitmapFile(const char* path, Lx_XBitmap* bitmap) {
  bitmap->data = nullptr;
  std::vector<uint8_t> file;
  const int read = read_whole(path, &file);
  if (read != LX_BITMAP_SUCCESS) return read;
  return Lx_ParseXBitmap(reinterpret_cast<const char*>(file.data()), file.size(), bitmap);
}

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

bool Lx_GdiGetPixels(HDC source, int x, int y, int width, int height, uint8_t* pixels) {
  if (width < 1 || height < 1) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr) return false;
  HDC dc = CreateCompatibleDC(source);
  bool read = false;
  if (dc != nullptr) {
    HGDIOBJ initial = SelectObject(dc, section);
    read = BitBlt(dc, 0, 0, width, height, source, x, y, SRCCOPY) != 0;
    GdiFlush();
    if (read) {
      const auto* from = static_cast<const uint8_t*>(bits);
      for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) {
        for (int c = 0; c < 3; ++c) pixels[i * 4 + c] = from[i * 4 + c];
        pixels[i * 4 + 3] = 0;
      }
    }
    SelectObject(dc, initial);
    DeleteDC(dc);
  }
  DeleteObject(section);
  return read;
}

bool Lx_GdiPutPixels(HDC destination, int dx, int dy, int width, int height, const char* data, int bytes_per_line,
                     int bits_per_pixel, int sx, int sy) {
  if ((bits_per_pixel != 8 && bits_per_pixel != 32) || width < 1 || height < 1) return false;
  // The rows from sy on, as a top-down bitmap whose width is the image's row.
  struct {
    BITMAPINFOHEADER header;
    WORD indices[256];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = bytes_per_line * 8 / bits_per_pixel;
  info.header.biHeight = -height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(bits_per_pixel);
  info.header.biCompression = BI_RGB;
  UINT use = DIB_RGB_COLORS;
  if (bits_per_pixel == 8) {
    for (int i = 0; i < 256; ++i) info.indices[i] = static_cast<WORD>(i);
    use = DIB_PAL_COLORS;
  }
  const char* rows = data + static_cast<ptrdiff_t>(sy) * bytes_per_line;
  return SetDIBitsToDevice(destination, dx, dy, static_cast<DWORD>(width), static_cast<DWORD>(height), sx, 0, 0,
                           static_cast<UINT>(height), rows, reinterpret_cast<BITMAPINFO*>(&info), use) != 0;
}
