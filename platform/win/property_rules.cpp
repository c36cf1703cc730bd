#include "platform/win/property_rules.h"

#include <cstdio>
#include <cstring>

void Lx_PropertyName(unsigned atom, char (&name)[LX_PROPERTY_NAME_SIZE]) {
  snprintf(name, sizeof name, "#0x%.4x", atom);  // the same text as "#0x%0.4x"
}

bool Lx_MotifFrameStyle(const long* data, int count, int format, uint32_t style, uint32_t* new_style) {
  constexpr long kDecorationsFlag = 2;
  enum : long { kAll = 1, kBorder = 2, kResize = 4, kTitle = 8, kMenu = 16, kMinimize = 32, kMaximize = 64 };
  if (data == nullptr || count < 3 || format != 32 || (data[0] & kDecorationsFlag) == 0) return false;
  const long decorations = data[2];
  if (decorations & kAll) {
    *new_style = style | LX_WS_OVERLAPPEDWINDOW;
    return true;
  }
  style &= ~(LX_WS_CAPTION | LX_WS_SYSMENU | LX_WS_MINIMIZEBOX | LX_WS_MAXIMIZEBOX);
  if (decorations & kBorder) style |= LX_WS_BORDER;
  if (decorations & kTitle) style |= LX_WS_CAPTION;
  if (decorations & kMenu) style |= LX_WS_SYSMENU;
  if (decorations & kMinimize) style |= LX_WS_MINIMIZEBOX;
  if (decorations & kMaximize) style |= LX_WS_MAXIMIZEBOX;
  if (decorations & kResize) style |= LX_WS_THICKFRAME;  // its absence keeps a sizing frame
  *new_style = style;
  return true;
}

bool Lx_AtomNameUsable(const char* name) {
  const size_t n = strnlen(name, LX_ATOM_NAME_MAX + 1);
  if (n == 0 || n > LX_ATOM_NAME_MAX) return false;
  return !(name[0] == '#' && n > 1 && strspn(name + 1, "0123456789") == n - 1);
}
