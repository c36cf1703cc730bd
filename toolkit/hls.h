// Colour conversion between RGB (0..1 each) and HLS (hue in degrees 0..360,
// lightness and saturation 0..1), in single precision.
#pragma once

// The server's own calls: a value out of range is internal error 15.
void convert_rgb_to_hls(float r, float g, float b, float* h, float* l, float* s);
void convert_hls_to_rgb(float h, float l, float s, float* r, float* g, float* b);

enum class ColourSpace { RGB, HLS };

// The entry for colours from outside the server (YARL values): converts `in`,
// a colour of space `from`, into the other space. A hue is wrapped into
// [0, 360); every other component must lie in 0..1. Returns 0, or the number
// (1 to 3) of the first component that is out of range or not a number, and
// then leaves `out` untouched.
int convert_checked_colour(ColourSpace from, const float in[3], float out[3]);
