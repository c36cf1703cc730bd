#include "platform/win/gc_drawing.h"

#include "platform/win/arc_points.h"

#include <functional>

namespace {

// Selects a pen (and for fills a brush) of the state into the context for
// the length of one drawing, with the state's raster operation.
class Tools {
 public:
  Tools(HDC dc, const Lx_DrawState& state, bool solid_fill)
      : dc_(dc),
        pen_(CreatePen(solid_fill ? PS_SOLID : state.line_style, solid_fill ? 1 : state.line_width, state.foreground)),
        brush_(solid_fill ? CreateSolidBrush(state.foreground) : nullptr),
        old_pen_(SelectObject(dc, pen_)),
        old_brush_(SelectObject(dc, brush_ != nullptr ? static_cast<HGDIOBJ>(brush_) : GetStockObject(NULL_BRUSH))),
        old_rop_(SetROP2(dc, state.function)) {}
  ~Tools() {
    SetROP2(dc_, old_rop_);
    SelectObject(dc_, old_brush_);
    SelectObject(dc_, old_pen_);
    if (brush_ != nullptr) DeleteObject(brush_);
    DeleteObject(pen_);
  }
  Tools(const Tools&) = delete;
  Tools& operator=(const Tools&) = delete;

 private:
  HDC dc_;
  HPEN pen_;
  HBRUSH brush_;
  HGDIOBJ old_pen_, old_brush_;
  int old_rop_;
};

}  // namespace

void Lx_GdiDrawPoint(HDC dc, const Lx_DrawState& state, int x, int y) { SetPixel(dc, x, y, state.foreground); }

void Lx_GdiDrawLine(HDC dc, const Lx_DrawState& state, int x1, int y1, int x2, int y2) {
  Tools tools(dc, state, false);
  int end_x, end_y;
  Lx_LineEndPoint(x1, y1, x2, y2, &end_x, &end_y);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, end_x, end_y);
}

void Lx_GdiDrawLines(HDC dc, const Lx_DrawState& state, POINT* points, int count) {
  if (count < 1) return;
  Tools tools(dc, state, false);
  const POINT last = points[count - 1];
  // Closed: the pixel GDI leaves out at the end is the first one, drawn already.
  if (count > 1 && last.x == points[0].x && last.y == points[0].y) {
    Polyline(dc, points, count);
    return;
  }
  const POINT before = count > 1 ? points[count - 2] : last;
  int end_x, end_y;
  Lx_LineEndPoint(before.x, before.y, last.x, last.y, &end_x, &end_y);
  if (count == 1) {
    MoveToEx(dc, last.x, last.y, nullptr);
    LineTo(dc, end_x, end_y);
    return;
  }
  points[count - 1] = POINT{end_x, end_y};
  Polyline(dc, points, count);
  points[count - 1] = last;
}

void Lx_GdiFillPolygon(HDC dc, const Lx_DrawState& state, const POINT* points, int count, int fill_mode) {
  if (count < 1) return;
  Tools tools(dc, state, true);
  SelectObject(dc, GetStockObject(NULL_PEN));
  const int old_mode = SetPolyFillMode(dc, fill_mode);
  Polygon(dc, points, count);
  SetPolyFillMode(dc, old_mode);
}

void Lx_GdiFillRectangle(HDC dc, const Lx_DrawState& state, int x, int y, unsigned width, unsigned height) {
  Tools tools(dc, state, true);
  // Without a pen GDI leaves out one more row and column than it takes in.
  SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, x, y, x + static_cast<int>(width) + 1, y + static_cast<int>(height) + 1);
}

void Lx_GdiDrawArc(HDC dc, const Lx_DrawState& state, int x, int y, unsigned width, unsigned height, int angle1,
                   int angle2, bool fill) {
  const Lx_ArcEnds e = Lx_ArcEndPoints(x, y, width, height, angle1, angle2);
  const int right = x + static_cast<int>(width), bottom = y + static_cast<int>(height);
  Tools tools(dc, state, fill);
  if (!fill)
    Arc(dc, x, y, right, bottom, e.start_x, e.start_y, e.end_x, e.end_y);
  else if (state.arc_mode == 0)
    Chord(dc, x, y, right, bottom, e.start_x, e.start_y, e.end_x, e.end_y);
  else
    Pie(dc, x, y, right, bottom, e.start_x, e.start_y, e.end_x, e.end_y);
}

namespace {

constexpr DWORD kStippleOnBlack = 0xAE0B06;      // D | (S & ~P)
constexpr DWORD kStippleLineOnBlack = 0xAE0B09;  // the same operation as lines and polygons need it
constexpr DWORD kStippleOnWhite = 0xA803A9;      // D & (S | P)

}  // namespace

// The shape drawn into a memory bitmap covering it, twice: on black, then
// on white, each copied to the target through the stipple's pattern brush,
// so the foreground lands where the pattern is black (the X stipple set).
bool Lx_GdiStippled(HDC dc, HBITMAP stipple, int origin_x, int origin_y, int x, int y, int width, int height,
                    bool line, const std::function<void(HDC)>& draw_at_origin) {
  if (width < 1 || height < 1) return true;
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  HDC memory = CreateCompatibleDC(dc);
  HBRUSH pattern = CreatePatternBrush(stipple);
  bool drawn = bitmap != nullptr && memory != nullptr && pattern != nullptr;
  if (drawn) {
    HGDIOBJ initial = SelectObject(memory, bitmap);
    POINT old_origin;
    SetBrushOrgEx(dc, ((origin_x % 8) + 8) % 8, ((origin_y % 8) + 8) % 8, &old_origin);
    HGDIOBJ old_brush = SelectObject(dc, pattern);
    const COLORREF text = SetTextColor(dc, 0x000000), back = SetBkColor(dc, 0xFFFFFF);
    const DWORD on_black = line ? kStippleLineOnBlack : kStippleOnBlack;
    for (const auto& [fill, rop] : {std::pair{BLACKNESS, on_black}, std::pair{WHITENESS, kStippleOnWhite}}) {
      PatBlt(memory, 0, 0, width, height, fill);
      draw_at_origin(memory);
      drawn = BitBlt(dc, x, y, width, height, memory, 0, 0, rop) != 0 && drawn;
    }
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    SelectObject(dc, old_brush);
    SetBrushOrgEx(dc, old_origin.x, old_origin.y, nullptr);
    SelectObject(memory, initial);
  }
  if (pattern != nullptr) DeleteObject(pattern);
  if (memory != nullptr) DeleteDC(memory);
  if (bitmap != nullptr) DeleteObject(bitmap);
  return drawn;
}

bool Lx_GdiFillRectangleStippled(HDC dc, const Lx_DrawState& state, HBITMAP stipple, int origin_x, int origin_y,
                                 int x, int y, unsigned width, unsigned height) {
  Lx_DrawState copy = state;
  copy.function = R2_COPYPEN;
  return Lx_GdiStippled(dc, stipple, origin_x, origin_y, x, y, static_cast<int>(width), static_cast<int>(height), false,
                  [&](HDC memory) { Lx_GdiFillRectangle(memory, copy, 0, 0, width, height); });
}

bool Lx_GdiFillArcStippled(HDC dc, const Lx_DrawState& state, HBITMAP stipple, int origin_x, int origin_y, int x,
                           int y, unsigned width, unsigned height, int angle1, int angle2) {
  Lx_DrawState copy = state;
  copy.function = R2_COPYPEN;
  return Lx_GdiStippled(dc, stipple, origin_x, origin_y, x, y, static_cast<int>(width) + 1,
                        static_cast<int>(height) + 1, false,
                  [&](HDC memory) { Lx_GdiDrawArc(memory, copy, 0, 0, width, height, angle1, angle2, true); });
}
