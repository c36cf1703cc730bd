// Fuzz target of bitmap files: any bytes are read as an X bitmap text file
// and checked as a Windows bitmap file. A parsed bitmap must have sizes in
// range and rows that convert to GDI rows; a checked "BM" file must hold the
// pixel rows its headers promise. Every block taken must be given back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "base/checked_mm.h"
#include "platform/win/bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const int32_t balance = GetMallocBalance();
  Lx_XBitmap bitmap;
  const int result = Lx_ParseXBitmap(reinterpret_cast<const char*>(data), size, &bitmap);
  if (result == LX_BITMAP_SUCCESS) {
    if (bitmap.width < 1 || bitmap.width > LX_BITMAP_MAX_SIZE || bitmap.height < 1 ||
        bitmap.height > LX_BITMAP_MAX_SIZE || bitmap.data == nullptr)
      abort();
    const size_t gdi_row = static_cast<size_t>(Lx_GdiRowBytes(bitmap.width));
    std::vector<uint8_t> gdi(gdi_row * static_cast<size_t>(bitmap.height));
    Lx_XBitmapToGdi(bitmap.data, bitmap.width, bitmap.height, gdi.data());
    if (gdi_row % 2 != 0) abort();
    CheckedFree(bitmap.data);
  } else if (result != LX_BITMAP_FILE_INVALID || bitmap.data != nullptr) {
    abort();
  }
  if (GetMallocBalance() != balance) abort();

  Lx_BmpInfo info;
  if (Lx_CheckBmpFile(data, size, &info) == LX_BITMAP_SUCCESS) {
    const size_t rows = static_cast<size_t>(info.height < 0 ? -static_cast<int64_t>(info.height) : info.height);
    const size_t end = info.pixel_offset + info.row_bytes * rows;
    if (end > size || info.row_bytes < (static_cast<size_t>(info.width) * info.bit_count + 7) / 8) abort();
    volatile uint8_t last = data[end - 1];  // the sanitizer sees a read past the input
    (void)last;
  }
  return 0;
}
