#include "platform/win/fonts.h"

#include <cstring>

#include "platform/win/font_names.h"

namespace {

// The system's stock fonts in the order of the name table.
const int kStockObjects[LX_STOCK_FONTS] = {SYSTEM_FONT, SYSTEM_FIXED_FONT, ANSI_VAR_FONT, ANSI_FIXED_FONT,
                                           DEVICE_DEFAULT_FONT, OEM_FIXED_FONT};

int extent(HDC dc, const char* text, int length) {
  SIZE size{};
  GetTextExtentPoint32A(dc, text, length, &size);
  return size.cx;
}

}  // namespace

HFONT Lx_CreateNamedFont(const char* name, bool* made) {
  *made = false;
  Lx_FontRequest r;
  Lx_ParseFontName(name, &r);
  if (r.kind == Lx_FontKind::cursor) return nullptr;
  if (r.kind == Lx_FontKind::stock) return static_cast<HFONT>(GetStockObject(kStockObjects[r.stock]));
  LOGFONTA f{};
  f.lfHeight = r.height;
  f.lfWeight = r.weight;
  f.lfItalic = r.italic;
  f.lfEscapement = f.lfOrientation = r.orientation;
  f.lfCharSet = r.symbol_set ? SYMBOL_CHARSET : DEFAULT_CHARSET;
  f.lfPitchAndFamily = r.fixed_pitch ? FIXED_PITCH : DEFAULT_PITCH;
  static_assert(sizeof f.lfFaceName == sizeof r.face);
  memcpy(f.lfFaceName, r.face, sizeof f.lfFaceName);
  HFONT font = CreateFontIndirectA(&f);
  if (font == nullptr) return static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
  *made = true;
  return font;
}

Lx_FontContext::Lx_FontContext(HFONT font) {
  HDC screen = GetDC(nullptr);
  dc = screen != nullptr ? CreateCompatibleDC(screen) : nullptr;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  initial = dc != nullptr ? SelectObject(dc, font) : nullptr;
}

Lx_FontContext::~Lx_FontContext() {
  if (dc == nullptr) return;
  SelectObject(dc, initial);
  DeleteDC(dc);
}

int Lx_TextExtent(HFONT font, const char* text, int length) {
  if (length <= 0) return 0;
  Lx_FontContext f(font);
  return f.dc != nullptr ? extent(f.dc, text, length) : 0;
}

int Lx_TextWidth(HFONT font, const char* text, int length) {
  if (length <= 0) return 0;
  Lx_FontContext f(font);
  if (f.dc == nullptr) return 0;
  // "aa" less twice "a": the spacing between characters that the extent alone leaves out.
  return extent(f.dc, text, length) + extent(f.dc, "aa", 2) - 2 * extent(f.dc, "a", 1);
}
