// Bitmap files and X bitmap data for the Windows layer: the X bitmap text
// parser, the check of a Windows bitmap file's headers, and the conversion of
// X rows (least significant bit leftmost, 1 foreground) to GDI's 1-bit rows
// (most significant bit leftmost, 1 background, even byte counts). Portable code.
#pragma once

#include <cstddef>
#include <cstdint>

// Results of the bitmap-file calls, as X numbers them.
constexpr int LX_BITMAP_SUCCESS = 0;
constexpr int LX_BITMAP_OPEN_FAILED = 1;
constexpr int LX_BITMAP_FILE_INVALID = 2;
constexpr int LX_BITMAP_NO_MEMORY = 3;

constexpr int LX_BITMAP_MAX_SIZE = 32767;  // widths and heights above it are refused

// An X bitmap: rows of (width + 7) / 8 bytes; hot spot -1 when the file gives none.
struct Lx_XBitmap {
  int width;
  int height;
  int x_hot;
  int y_hot;
  uint8_t* data;  // from CheckedMalloc; null unless the parse succeeded
};

// Parses the text of an X bitmap file (either the char or the short form).
int Lx_ParseXBitmap(const char* text, size_t length, Lx_XBitmap* bitmap);

// One X byte as GDI holds it: inverted, bit order reversed (0x01 gives 0x7F).
uint8_t Lx_SwapBits(uint8_t x_byte);
// Bytes per GDI row of a 1-bit bitmap `width` pixels wide: X's count, made even.
int Lx_GdiRowBytes(int width);
// Converts X rows to GDI rows into `gdi` (Lx_GdiRowBytes(width) * height bytes);
// the padding byte of an odd row is zero.
void Lx_XBitmapToGdi(const uint8_t* x_rows, int width, int height, uint8_t* gdi);

// What the headers of a Windows bitmap file say, once checked against its length.
struct Lx_BmpInfo {
  uint32_t header_size;   // of the bitmap header after the 14-byte file header
  int32_t width;
  int32_t height;         // negative for top-down rows
  uint16_t bit_count;
  uint32_t pixel_offset;  // of the first pixel row from the file's start
  uint32_t row_bytes;
};
// LX_BITMAP_SUCCESS when `data` is a "BM" file whose headers, palette and
// pixel rows all lie within `length`; else LX_BITMAP_FILE_INVALID.
int Lx_CheckBmpFile(const uint8_t* data, size_t length, Lx_BmpInfo* info);
