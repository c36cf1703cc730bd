#include "platform/win/icons.h"

namespace {

// A mask of the system's icon size with every pixel white.
HBITMAP white_mask() {
  const int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return nullptr;
  HBITMAP mask = CreateCompatibleBitmap(screen, width, height);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  if (mask == nullptr || dc == nullptr) {
    if (mask != nullptr) DeleteObject(mask);
    if (dc != nullptr) DeleteDC(dc);
    return nullptr;
  }
  HGDIOBJ initial = SelectObject(dc, mask);
  const RECT all{0, 0, width, height};
  HBRUSH white = CreateSolidBrush(0xFFFFFF);
  FillRect(dc, &all, white);
  DeleteObject(white);
  SelectObject(dc, initial);
  DeleteDC(dc);
  return mask;
}

}  // namespace

HICON CreateXIconFromBitmaps(HBITMAP colour, HBITMAP mask) {
  HBITMAP own_mask = mask == nullptr ? white_mask() : nullptr;
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask != nullptr ? mask : own_mask;
  HICON icon = info.hbmMask != nullptr ? CreateIconIndirect(&info) : nullptr;
  if (own_mask != nullptr) DeleteObject(own_mask);
  return icon;
}
