// Colormaps and colours of the Windows layer. Pixels are colour references
// 0x00BBGGRR; colormap 1 is the screen's default and, like 0, never freed.
#include <windows.h>

#include <X11/Xlib.h>

#include <cstdlib>
#include <new>

#include "platform/win/colormaps.h"
#include "platform/win/colour_db.h"
#include "platform/win/layer.h"

namespace {

// Every colormap the layer makes is of this kind: true colour, or a palette
// of its own for a PseudoColor visual; no cell is ever reserved.
constexpr int kTrueColourMark = 32;

struct ColormapRecord {
  Colormap id;
  unsigned long size;
  int mark;
  int bit_count;
  HPALETTE palette;  // null for true-colour maps
};

ColormapRecord default_map{1, 1ul << 25, kTrueColourMark, 24, nullptr};
// Indexed by id; slot 0 never holds a map, slot 1 the default one.
ColormapRecord** table = nullptr;
unsigned long slots = 0;

bool make_ready() {
  if (table != nullptr) return true;
  table = static_cast<ColormapRecord**>(calloc(2, sizeof *table));
  if (table == nullptr) return false;
  table[1] = &default_map;
  slots = 2;
  return true;
}

ColormapRecord* find(Colormap id) {
  if (!make_ready() || id >= slots) return nullptr;
  return table[id];
}

// A byte as a 16-bit component, as X widens it: 0xFF is 0xFFFF, full white.
unsigned short widened(unsigned long byte) { return static_cast<unsigned short>((byte & 0xFF) * 0x101); }

void set_from_pixel(XColor* colour, unsigned long pixel) {
  colour->pixel = pixel;
  colour->red = widened(pixel);
  colour->green = widened(pixel >> 8);
  colour->blue = widened(pixel >> 16);
}

HPALETTE make_palette(int entries) {
  if (entries < 1 || entries > 256) entries = 256;
  auto* logical = static_cast<LOGPALETTE*>(calloc(1, sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256));
  if (logical == nullptr) return nullptr;
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(entries);
  HPALETTE palette = CreatePalette(logical);
  free(logical);
  return palette;
}

struct ExposeRequest {
  Display* display;
  Colormap colormap;
};

// An Expose of the whole window and the layer's wake-up, for a window of
// ours shown through the colormap.
BOOL CALLBACK expose_if_shown_through(HWND hwnd, LPARAM request_address) {
  const auto* request = reinterpret_cast<const ExposeRequest*>(request_address);
  const Lx_WindowRecord* record = Lx_FindHwnd(hwnd);
  if (record == nullptr || record->attributes.colormap != request->colormap) return TRUE;
  const Window window = Lx_WindowId(hwnd);
  Window root;
  int x, y;  // in the parent: not the area's
  unsigned width, height, border, depth;
  if (!XGetGeometry(request->display, window, &root, &x, &y, &width, &height, &border, &depth)) return TRUE;
  XEvent event{};
  event.xexpose.type = Expose;
  event.xexpose.display = request->display;
  event.xexpose.window = window;
  // The whole area in the window's own coordinates.
  event.xexpose.x = 0;
  event.xexpose.y = 0;
  event.xexpose.width = static_cast<int>(width);
  event.xexpose.height = static_cast<int>(height);
  event.xexpose.count = 0;
  if (Lx_PutEvent(&event)) PostMessageA(hwnd, LX_WAKE_UP, 0, 0);
  return TRUE;
}

// A top-level window and all its descendants.
BOOL CALLBACK expose_tree(HWND hwnd, LPARAM request) {
  expose_if_shown_through(hwnd, request);
  EnumChildWindows(hwnd, expose_if_shown_through, request);
  return TRUE;
}

void expose_windows_of(Display* display, Colormap id) {
  ExposeRequest request{display, id};
  EnumThreadWindows(GetCurrentThreadId(), expose_tree, reinterpret_cast<LPARAM>(&request));
}

}  // namespace

Colormap XCreateColormap(Display*, Window, Visual* visual, int) {
  if (!make_ready()) return 0;
  auto* record = new (std::nothrow) ColormapRecord{slots, 1ul << 25, kTrueColourMark, 24, nullptr};
  if (record == nullptr) return 0;
  if (visual != nullptr && visual->c_class == PseudoColor) {
    record->palette = make_palette(visual->map_entries);
    record->size = static_cast<unsigned long>(visual->map_entries);
    record->bit_count = 16;
    if (record->palette == nullptr) {
      delete record;
      return 0;
    }
  }
  auto* grown = static_cast<ColormapRecord**>(realloc(table, (slots + 1) * sizeof *table));
  if (grown == nullptr) {
    if (record->palette != nullptr) DeleteObject(record->palette);
    delete record;
    return 0;
  }
  table = grown;
  table[slots] = record;
  return slots++;
}

int XFreeColormap(Display*, Colormap id) {
  ColormapRecord* record = id > 1 ? find(id) : nullptr;
  if (record == nullptr) return 0;
  if (record->palette != nullptr) DeleteObject(record->palette);
  delete record;
  table[id] = nullptr;
  return 1;
}

int XInstallColormap(Display*, Colormap) { return 0; }

Status XAllocColor(Display*, Colormap id, XColor* colour) {
  if (find(id) == nullptr) return 0;
  set_from_pixel(colour, Lx_NearestScreenColour(colour->red >> 8, colour->green >> 8, colour->blue >> 8));
  return 1;
}

Status XLookupColor(Display*, Colormap id, const char* name, XColor* exact, XColor* screen) {
  uint32_t value;
  if (find(id) == nullptr || name == nullptr || !Lx_LookupColourName(name, &value)) return 0;
  set_from_pixel(screen, Lx_NearestScreenColour(value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF));
  exact->red = widened(value);
  exact->green = widened(value >> 8);
  exact->blue = widened(value >> 16);
  exact->pixel = screen->pixel;
  return 1;
}

Status XAllocNamedColor(Display* display, Colormap id, const char* name, XColor* screen, XColor* exact) {
  if (!XLookupColor(display, id, name, exact, screen)) return 0;
  XAllocColor(display, id, screen);
  exact->pixel = screen->pixel;
  return 1;
}

Status XParseColor(Display* display, Colormap id, const char* spec, XColor* colour) {
  if (spec == nullptr) return 0;
  if (spec[0] == '#') {
    if (!Lx_ParseHexColor(spec, &colour->red, &colour->green, &colour->blue)) return 0;
    colour->flags = 0;
    return 1;
  }
  XColor screen;
  return XLookupColor(display, id, spec, colour, &screen);
}

int XQueryColor(Display*, Colormap id, XColor* colour) {
  if (find(id) == nullptr) return 0;
  set_from_pixel(colour, colour->pixel);
  return 1;
}

int XQueryColors(Display* display, Colormap id, XColor* colours, int count) {
  for (int i = 0; i < count; ++i)
    if (!XQueryColor(display, id, &colours[i])) return 0;
  return 1;
}

int XFreeColors(Display*, Colormap, unsigned long*, int, unsigned long) { return 1; }

int XStoreColor(Display* display, Colormap id, XColor* colour) {
  ColormapRecord* record = find(id);
  if (record == nullptr) return 0;
  if (record->palette != nullptr) {
    PALETTEENTRY entry{static_cast<BYTE>(colour->red >> 8), static_cast<BYTE>(colour->green >> 8),
                       static_cast<BYTE>(colour->blue >> 8), PC_NOCOLLAPSE};
    SetPaletteEntries(record->palette, static_cast<UINT>(colour->pixel & 0xFF), 1, &entry);
  }
  expose_windows_of(display, id);
  return 1;
}

int XStoreColors(Display* display, Colormap id, XColor* colours, int count) {
  for (int i = 0; i < count; ++i)
    if (!XStoreColor(display, id, &colours[i])) return 0;
  return 1;
}

HPALETTE Lx_GetDrawablePalette(Drawable drawable) {
  const Lx_WindowRecord* record = Lx_FindWindow(drawable);
  const ColormapRecord* map = record != nullptr ? find(record->attributes.colormap) : nullptr;
  return map != nullptr ? map->palette : nullptr;
}

void Lx_UpdatePaletteColors(Window window) {
  if (Lx_FindWindow(window) == nullptr) return;
  HWND hwnd = Lx_Hwnd(window);
  HPALETTE palette = Lx_GetDrawablePalette(window);
  if (palette != nullptr) {
    HDC dc = GetDC(hwnd);
    if (dc != nullptr) {
      HPALETTE old = SelectPalette(dc, palette, FALSE);
      if (RealizePalette(dc) > 0) InvalidateRect(hwnd, nullptr, FALSE);
      SelectPalette(dc, old, FALSE);
      ReleaseDC(hwnd, dc);
    }
  }
  // Direct children only: each of them recurses into its own.
  for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
    Lx_UpdatePaletteColors(Lx_WindowId(child));
}
