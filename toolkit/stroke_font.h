// The stroke font of texts in the 3D window, characters 32 to 127.
//
// At font_ctl[c - 32] in font_data: a signed byte S, the number of strokes;
// per stroke a signed byte C (points after the first), the first point x0, y0
// and C relative steps dx, dy, all signed bytes, in a cell of font_width by
// font_height units with the origin bottom left.
#pragma once

extern const unsigned char font_data[];
extern const unsigned short font_ctl[96];
extern const unsigned font_data_size;

constexpr int font_width = 120;
constexpr int font_height = 64;
constexpr int ch_width_scale_factor = 12;
constexpr int ch_height_scale_factor = 6;
constexpr float ch_width_scaled = 10.0f;
constexpr float ch_height_scaled = 64.0f / 6.0f;
