#include "platform/win/icons.h"

#include <cstdint>
#include <vector>

namespace {

// A mask of the system's icon size that lets no pixel of the screen through:
// an X icon without a mask is shown whole. (An all-white mask would show the
// screen inverted by the icon's colours.)
HBITMAP opaque_mask() {
  const int width = GetSystemMetrics(SM_CXICON), height = GetSystemMetrics(SM_CYICON);
  std::vector<uint8_t> zeros(static_cast<size_t>((width + 15) / 16 * 2) * static_cast<size_t>(height), 0);
  return CreateBitmap(width, height, 1, 1, zeros.data());
}

}  // namespace

HICON CreateXIconFromBitmaps(HBITMAP colour, HBITMAP mask) {
  HBITMAP own_mask = mask == nullptr ? opaque_mask() : nullptr;
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask != nullptr ? mask : own_mask;
  HICON icon = info.hbmMask != nullptr ? CreateIconIndirect(&info) : nullptr;
  if (own_mask != nullptr) DeleteObject(own_mask);
  return icon;
}
