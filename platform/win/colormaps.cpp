#include "platform/win/colormaps.h"

#include <windows.h>

#include "platform/win/colour_db.h"

uint32_t Lx_NearestScreenColour(unsigned red, unsigned green, unsigned blue) {
  const COLORREF wanted = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
  // A context of the screen of its own, kept for the run: colours are asked for often.
  static HDC screen = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
  if (screen == nullptr) return wanted;
  const COLORREF nearest = GetNearestColor(screen, wanted);
  return nearest == CLR_INVALID ? wanted : nearest;
}

bool Lx_LookupColourName(const char* name, uint32_t* exact) {
  Lx_BuildColorDB([](int index) { return static_cast<uint32_t>(GetSysColor(index)); });
  return Lx_LookupColorName(name, exact);
}
