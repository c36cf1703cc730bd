#include "platform/win/icon_rules.h"

namespace {

uintptr_t pixmap_of(const Lx_IconHints& h, uintptr_t default_icon) {
  return (h.flags & LX_ICON_PIXMAP_HINT) != 0 ? h.pixmap : default_icon;
}
uintptr_t mask_of(const Lx_IconHints& h) { return (h.flags & LX_ICON_MASK_HINT) != 0 ? h.mask : 0; }

}  // namespace

Lx_IconChoice Lx_ChooseIcon(const Lx_IconHints& record, const Lx_IconHints& hints, uintptr_t default_icon) {
  constexpr long kBits = LX_ICON_PIXMAP_HINT | LX_ICON_MASK_HINT;
  const uintptr_t pixmap = pixmap_of(hints, default_icon), mask = mask_of(hints);
  const bool same = (record.flags & kBits) == (hints.flags & kBits) && pixmap == pixmap_of(record, default_icon) &&
                    mask == mask_of(record);
  return {!same, pixmap, mask};
}
