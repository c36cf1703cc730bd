#include "platform/win/gc_drawing.h"

#include "platform/win/arc_points.h"

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
