#include "toolkit/fonts.h"

// The tables are generated at build time from the X11 bitmap fonts.
extern const BitmapFontRec font_00, font_01, font_02, font_03, font_04, font_05, font_06,
    font_07, font_08, font_09, font_10, font_11, font_12, font_13, font_14, font_15,
    font_16, font_17;

const BitmapFontRec* const Fonts::fonts[Fonts::count] = {
    &font_00, &font_01, &font_02, &font_03, &font_04, &font_05, &font_06, &font_07, &font_08,
    &font_09, &font_10, &font_11, &font_12, &font_13, &font_14, &font_15, &font_16, &font_17,
};

const char* const Fonts::font_names[Fonts::count] = {
    "Courier 12",
    "Courier 14",
    "Courier Bold 12",
    "Courier Bold 14",
    "Courier Bold 17",
    "Helvetica 10",
    "Helvetica Bold 10",
    "Helvetica Bold 12",
    "Helvetica Bold 14",
    "Helvetica Bold 18",
    "Helvetica Bold 20",
    "Helvetica Bold 24",
    "Helvetica Bold Italic 12",
    "Helvetica Bold Italic 14",
    "Helvetica Bold Italic 18",
    "Helvetica Italic 14",
    "Symbol 14",
    "Symbol 17",
};
