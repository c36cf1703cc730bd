// Colour conversion between RGB (0..1 each) and HLS (hue in degrees 0..360,
// lightness and saturation 0..1), in single precision.
#pragma once

void convert_rgb_to_hls(float r, float g, float b, float* h, float* l, float* s);
void convert_hls_to_rgb(float h, float l, float s, float* r, float* g, float* b);
