#include "platform/win/x_icons.h"

#include <cstdint>

#include "platform/win/icon_rules.h"
#include "platform/win/icons.h"
#include "platform/win/layer.h"
#include "platform/win/x_properties.h"

namespace {

// The icon record after its type word, the atom "WM_STATE"; handles as ids.
struct IconRecord {
  uint32_t flags;   // of the hints as last applied
  uint32_t pixmap;  // as last applied
  uint32_t mask;
  uint32_t made;    // icon made from them, 0 none yet
  uint32_t current;
  uint32_t default_icon;
};

Atom wm_state() {
  static const Atom atom = GlobalAddAtomA("WM_STATE");
  return atom;
}

bool read_record(HWND window, IconRecord* record) {
  Atom type;
  return Lx_ReadProperty(window, wm_state(), &type, record, sizeof *record) == sizeof *record;
}

void set_class_icon(HWND window, uint32_t icon) {
  SetClassLongPtrA(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(Lx_IdHandle<HICON>(icon)));
}

}  // namespace

void Lx_SetIcon(Display* display, Window window, XWMHints* hints) {
  HWND hwnd = Lx_Hwnd(window);
  IconRecord r{};
  if (!read_record(hwnd, &r)) {
    r = IconRecord{};
    r.default_icon = r.current = Lx_HandleId(LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
  }
  const Lx_IconHints applied{static_cast<long>(r.flags), r.pixmap, r.mask};
  const Lx_IconHints asked{hints->flags, hints->icon_pixmap, hints->icon_mask};
  const Lx_IconChoice choice = Lx_ChooseIcon(applied, asked, r.default_icon);
  if (choice.remake) {
    if (r.made != 0 && r.made != r.default_icon) DestroyIcon(Lx_IdHandle<HICON>(r.made));
    r.made = r.pixmap = r.mask = 0;
    r.current = r.default_icon;
    set_class_icon(hwnd, r.default_icon);
    uint32_t icon = r.default_icon;
    if (choice.pixmap != r.default_icon) {
      // The bitmaps are read, so no pixmap context may hold them.
      Lx_ClosePixmapDC(choice.pixmap);
      Lx_ClosePixmapDC(choice.mask);
      HICON made = CreateXIconFromBitmaps(Lx_IdHandle<HBITMAP>(choice.pixmap), Lx_IdHandle<HBITMAP>(choice.mask));
      if (made != nullptr) icon = Lx_HandleId(made);
    }
    r.made = r.current = icon;
    r.pixmap = static_cast<uint32_t>(hints->icon_pixmap);
    r.mask = static_cast<uint32_t>(hints->icon_mask);
    r.flags = static_cast<uint32_t>(hints->flags);
    set_class_icon(hwnd, icon);
  }
  Lx_StoreProperty(hwnd, wm_state(), wm_state(), &r, sizeof r);
  Lx_UpdateIcon(display, window);
}

void Lx_DestroyWindowIcon(Window window) {
  IconRecord r;
  if (read_record(Lx_Hwnd(window), &r) && r.made != 0 && r.made != r.default_icon)
    DestroyIcon(Lx_IdHandle<HICON>(r.made));
}

HICON Lx_GetIcon(Display*, Window window) {
  IconRecord r;
  return read_record(Lx_Hwnd(window), &r) ? Lx_IdHandle<HICON>(r.current) : nullptr;
}

void Lx_UpdateIcon(Display* display, Window window) {
  HWND hwnd = Lx_Hwnd(window);
  if (!IsIconic(hwnd)) return;
  HICON icon = Lx_GetIcon(display, window);
  InvalidateRect(hwnd, nullptr, TRUE);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  if (dc == nullptr) return;
  SendMessageA(hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  if (icon != nullptr) DrawIcon(dc, 2, 2, icon);
  EndPaint(hwnd, &paint);
}
