// What a font name given to XLoadFont asks for: the cursor font, a stock font,
// or a logical font built from an X logical font description or from the
// form "family-style words-size". Portable code.
#pragma once

enum class Lx_FontKind { cursor, stock, logical };

// The stock fonts by name, compared without case; their order is the order
// of the layer's table of system stock fonts.
enum Lx_StockFont { LX_STOCK_SYSTEM, LX_STOCK_SYSTEM_FIXED, LX_STOCK_ANSI, LX_STOCK_ANSI_FIXED, LX_STOCK_DEVICE,
                    LX_STOCK_OEM_FIXED, LX_STOCK_FONTS };

struct Lx_FontRequest {
  Lx_FontKind kind;
  Lx_StockFont stock;  // for a stock font; a name that cannot be used gives the system fixed font
  char face[32];       // empty: any face
  int height;          // negative: character height in pixels; 0 any
  int weight;          // 0 any, else 100 to 900
  bool italic;
  int orientation;     // tenths of a degree
  bool symbol_set;     // the symbol character set
  bool fixed_pitch;
};

void Lx_ParseFontName(const char* name, Lx_FontRequest* request);
