#include "platform/win/arc_points.h"

#include <cmath>

namespace {

constexpr double kRadiansPer64th = 3.14159265358979323846 / 180.0 / 64.0;

// Half a size, an even size first made odd, so the centre falls on a pixel.
int half(unsigned size) { return static_cast<int>((size % 2 == 0 && size > 0 ? size - 1 : size) / 2); }

}  // namespace

Lx_ArcEnds Lx_ArcEndPoints(int x, int y, unsigned width, unsigned height, int angle1, int angle2) {
  const int rx = half(width), ry = half(height);
  auto point_x = [&](double a) { return x + static_cast<int>(std::lround(rx * (std::cos(a) + 1.0))); };
  auto point_y = [&](double a) { return y + static_cast<int>(std::lround(ry * (1.0 - std::sin(a)))); };
  const double start = angle1 * kRadiansPer64th;
  const double end = (static_cast<double>(angle1) + angle2) * kRadiansPer64th;
  Lx_ArcEnds e{point_x(start), point_y(start), point_x(end), point_y(end)};
  if (angle2 < 0) e = {e.end_x, e.end_y, e.start_x, e.start_y};
  return e;
}

void Lx_LineEndPoint(int x1, int y1, int x2, int y2, int* end_x, int* end_y) {
  *end_x = x2 + (x2 > x1) - (x2 < x1);
  *end_y = y2 + (y2 > y1) - (y2 < y1);
  if (x1 == x2 && y1 == y2) *end_x = x2 + 1;
}
