// Which icon a window's new window-manager hints ask for, against the icon
// record kept for the window. Portable code: pixmaps and icons are handles.
#pragma once

#include <cstdint>

constexpr long LX_ICON_PIXMAP_HINT = 4;
constexpr long LX_ICON_MASK_HINT = 0x20;

// What the record holds of the hints last applied.
struct Lx_IconHints {
  long flags;
  uintptr_t pixmap;
  uintptr_t mask;
};

struct Lx_IconChoice {
  bool remake;       // false: the icon stays, only its drawing is refreshed
  uintptr_t pixmap;  // the default icon when the hints give no pixmap
  uintptr_t mask;    // 0 when the hints give no mask
};

Lx_IconChoice Lx_ChooseIcon(const Lx_IconHints& record, const Lx_IconHints& hints, uintptr_t default_icon);
