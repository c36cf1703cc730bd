#include "platform/win/cursors.h"

#include <cstdint>
#include <vector>

#include "platform/win/bitmap_file.h"
#include "platform/win/cursor_glyphs.h"
#include "platform/win/cursor_planes.h"
#include "platform/win/pixmaps.h"

namespace {

// The rows of a 1-bit bitmap read as a top-down device-independent bitmap,
// repacked to GDI's even byte count per row.
bool read_bits(HBITMAP bitmap, int width, int height, std::vector<uint8_t>* rows) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = -height;
  info.header.biPlanes = 1;
  info.header.biBitCount = 1;
  info.header.biCompression = BI_RGB;
  const size_t dib_row = static_cast<size_t>((width + 31) / 32 * 4);
  std::vector<uint8_t> dib(dib_row * static_cast<size_t>(height));
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return false;
  const int got = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), dib.data(),
                            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (got != height) return false;
  const size_t row = static_cast<size_t>(Lx_GdiRowBytes(width));
  rows->assign(row * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y)
    for (size_t k = 0; k < row; ++k) (*rows)[static_cast<size_t>(y) * row + k] = dib[static_cast<size_t>(y) * dib_row + k];
  return true;
}

// Shapes that give system cursors; the extension shapes 154 to 166 among them.
const struct {
  unsigned shape;
  LPCSTR cursor;
} kSystemCursors[] = {
    {68, IDC_ARROW},     {155, IDC_ARROW},    {152, IDC_IBEAM},    {157, IDC_IBEAM},     {150, IDC_WAIT},
    {166, IDC_WAIT},     {154, IDC_APPSTARTING}, {156, IDC_CROSS}, {158, IDC_ICON},      {159, IDC_NO},
    {160, IDC_SIZE},     {52, IDC_SIZEALL},   {12, IDC_SIZENESW},  {136, IDC_SIZENESW},  {161, IDC_SIZENESW},
    {14, IDC_SIZENWSE},  {134, IDC_SIZENWSE}, {163, IDC_SIZENWSE}, {42, IDC_SIZENS},     {116, IDC_SIZENS},
    {162, IDC_SIZENS},   {108, IDC_SIZEWE},   {164, IDC_SIZEWE},   {165, IDC_UPARROW},
};

}  // namespace

HCURSOR Lx_CreateCursorFromBitmaps(HBITMAP source, HBITMAP mask, int x_hot, int y_hot) {
  BITMAP s{};
  if (source == nullptr || GetObject(source, sizeof s, &s) == 0 || s.bmPlanes != 1 || s.bmBitsPixel != 1)
    return nullptr;
  const int width = s.bmWidth, height = s.bmHeight;
  std::vector<uint8_t> source_bits, mask_bits;
  if (!read_bits(source, width, height, &source_bits)) return nullptr;
  const bool masked = mask != nullptr && mask != source;
  if (masked) {
    BITMAP m{};
    if (GetObject(mask, sizeof m, &m) == 0 || m.bmWidth < width || m.bmHeight < height ||
        !read_bits(mask, width, height, &mask_bits))
      return nullptr;
  }
  std::vector<uint8_t> and_plane(source_bits.size()), xor_plane(source_bits.size());
  Lx_CursorPlanes(source_bits.data(), masked ? mask_bits.data() : nullptr, source_bits.size(), and_plane.data(),
                  xor_plane.data());
  return CreateCursor(GetModuleHandle(nullptr), x_hot, y_hot, width, height, and_plane.data(), xor_plane.data());
}

HCURSOR Lx_CreateShapeCursor(unsigned shape, unsigned mask_char, bool* made) {
  *made = false;
  for (const auto& c : kSystemCursors)
    if (c.shape == shape) return LoadCursor(nullptr, c.cursor);
  if (shape >= LX_CURSOR_GLYPHS) return nullptr;
  const int size = LX_CURSOR_GLYPH_SIZE;
  const Lx_CursorGlyph& glyph = cursor_glyphs[shape];
  HBITMAP source = Lx_CreateBitmapFromXData(glyph.bits, size, size);
  HBITMAP mask = mask_char < LX_CURSOR_GLYPHS ? Lx_CreateBitmapFromXData(cursor_glyphs[mask_char].bits, size, size)
                                              : nullptr;
  HCURSOR cursor = Lx_CreateCursorFromBitmaps(source, mask, glyph.x_hot, glyph.y_hot);
  if (source != nullptr) DeleteObject(source);
  if (mask != nullptr) DeleteObject(mask);
  *made = cursor != nullptr;
  return cursor;
}

void Lx_BestCursorSize(unsigned width, unsigned height, unsigned* best_width, unsigned* best_height) {
  const auto most_x = static_cast<unsigned>(GetSystemMetrics(SM_CXCURSOR));
  const auto most_y = static_cast<unsigned>(GetSystemMetrics(SM_CYCURSOR));
  *best_width = width < most_x ? width : most_x;
  *best_height = height < most_y ? height : most_y;
}
