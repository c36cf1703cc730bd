// How a picture shows a line or a square drawn over a plain background:
// measures over the pixels within one of a place, since an anti-aliased line
// may fall between two rows or columns. `read(x, y)` gives a pixel of the
// picture (a back buffer's or a screenshot's).
#pragma once

#include <cmath>
#include <cstdlib>
#include <ostream>

namespace gui3d_pixels {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
inline const Rgb BLUE = {0, 0, 255}, RED = {255, 0, 0}, YELLOW = {255, 255, 0}, WHITE = {255, 255, 255};
// The fill of a handle square, (0.2, 0.2, 0.9).
inline const Rgb HANDLE_FILL = {51, 51, 230};

inline std::ostream& operator<<(std::ostream& o, const Rgb& c) {
  return o << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

inline bool near(const Rgb& a, const Rgb& b, int tolerance = 40) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// The pixel nearest to `want` among those within one pixel of (x, y).
template <class Read>
Rgb best_near_in(const Read& read, float x, float y, const Rgb& want) {
  int cx = int(std::lround(x)), cy = int(std::lround(y));
  Rgb best = read(cx, cy);
  auto d = [&](const Rgb& c) { return std::abs(c.r - want.r) + std::abs(c.g - want.g) + std::abs(c.b - want.b); };
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      Rgb c = read(cx + dx, cy + dy);
      if (d(c) < d(best)) best = c;
    }
  return best;
}

// How much of `want` over `background` the pixel nearest to it within one
// pixel of (x, y) shows, 0 to 1.
template <class Read>
float coverage_in(const Read& read, float x, float y, const Rgb& want, const Rgb& background = BLUE) {
  float d[3] = {float(want.r - background.r), float(want.g - background.g), float(want.b - background.b)};
  float best = -1;
  int cx = int(std::lround(x)), cy = int(std::lround(y));
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx) {
      Rgb c = read(cx + dx, cy + dy);
      float e[3] = {float(c.r - background.r), float(c.g - background.g), float(c.b - background.b)};
      best = std::fmax(best, (d[0] * e[0] + d[1] * e[1] + d[2] * e[2]) / (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
    }
  return best;
}

}  // namespace gui3d_pixels
