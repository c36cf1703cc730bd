#include "toolkit/hls.h"

#include <algorithm>
#include <cmath>

#include "base/internal_error.h"

static bool unit(float v) { return v >= 0.0f && v <= 1.0f; }

void convert_rgb_to_hls(float r, float g, float b, float* h, float* l, float* s) {
  if (!unit(r) || !unit(g) || !unit(b)) internal_error(15, "convert_rgb_to_hls");
  float mx = std::max({r, g, b});
  float mn = std::min({r, g, b});
  *l = (mx + mn) / 2.0f;
  *h = 0.0f;
  *s = 0.0f;
  if (*l == 0.0f) return;
  float d = mx - mn;
  if (d == 0.0f) return;
  *s = *l <= 0.5f ? d / (mx + mn) : d / (2.0f - mx - mn);
  float rc = (mx - r) / d;
  float gc = (mx - g) / d;
  float bc = (mx - b) / d;
  float hue;
  if (r == mx) hue = g == mn ? 5.0f + bc : 1.0f - gc;
  else if (g == mx) hue = b == mn ? 1.0f + rc : 3.0f - bc;
  else hue = r == mn ? 3.0f + gc : 5.0f - rc;
  hue *= 60.0f;
  *h = hue >= 359.99997f ? 0.0f : hue;
}

void convert_hls_to_rgb(float h, float l, float s, float* r, float* g, float* b) {
  if (!(h >= 0.0f && h <= 360.0f) || !unit(l) || !unit(s)) {
    internal_error(15, "convert_hls_to_rgb");
  }
  float v = l <= 0.5f ? l * (1.0f + s) : l + s - l * s;
  if (v <= 0.0f) {
    *r = *g = *b = 0.0f;
    return;
  }
  float m = 2.0f * l - v;
  float sv = (v - m) / v;
  float sextant = h / 60.0f;
  int whole = static_cast<int>(sextant);
  float f = sextant - float(whole);
  float vsf = v * sv * f;
  float mid1 = m + vsf;
  float mid2 = v - vsf;
  switch (whole) {
    case 1: *r = mid2; *g = v; *b = m; break;
    case 2: *r = m; *g = v; *b = mid1; break;
    case 3: *r = m; *g = mid2; *b = v; break;
    case 4: *r = mid1; *g = m; *b = v; break;
    case 5: *r = v; *g = m; *b = mid2; break;
    default: *r = v; *g = mid1; *b = m; break;  // 0, and 6 for h = 360
  }
}

// Any finite angle in degrees into [0, 360); NaN and infinities stay as they are.
static float wrapped_hue(float h) {
  float w = std::fmod(h, 360.0f);
  if (w < 0.0f) w += 360.0f;
  return w >= 360.0f ? 0.0f : w;  // a tiny negative angle rounds up to 360
}

int convert_checked_colour(ColourSpace from, const float in[3], float out[3]) {
  float c[3] = {in[0], in[1], in[2]};
  bool hls = from == ColourSpace::HLS;
  if (hls) c[0] = wrapped_hue(c[0]);
  for (int i = 0; i < 3; ++i) {
    bool ok = hls && i == 0 ? std::isfinite(c[0]) : unit(c[i]);
    if (!ok) return i + 1;
  }
  if (hls) convert_hls_to_rgb(c[0], c[1], c[2], &out[0], &out[1], &out[2]);
  else convert_rgb_to_hls(c[0], c[1], c[2], &out[0], &out[1], &out[2]);
  return 0;
}
