// Graphics contexts and drawing of the Windows layer over GDI, and the device
// contexts of drawables.
#include <windows.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <new>

#include "platform/win/drawable_lists.h"
#include "platform/win/gc_drawing.h"
#include "platform/win/layer.h"
#include "platform/win/regions.h"

struct _XGC {
  bool owns_clip;  // clip is the context's own copy, selected when it draws
  XGCValues values;
  _XRegion* clip;
};

namespace {

// A pixmap's memory context, kept open until its slot is needed again.
struct PixmapContext {
  Drawable pixmap;
  HDC dc;
  HGDIOBJ initial;
  int users;
};
constexpr int kPixmapContexts = 2;  // a copy from one pixmap to another
PixmapContext contexts[kPixmapContexts];

void close_context(PixmapContext* c) {
  SelectObject(c->dc, c->initial);
  DeleteDC(c->dc);
  *c = PixmapContext{};
}

// Asks the system again after each box until it gives what `get` asks for.
template <class Get>
auto until_given(const char* text, const char* title, Get get) {
  auto got = get();
  while (got == nullptr) {
    Lx_MessageBox(text, title, MB_OK);
    got = get();
  }
  return got;
}

HDC pixmap_dc(Drawable pixmap) {
  PixmapContext* free_slot = nullptr;
  for (auto& c : contexts) {
    if (c.dc != nullptr && c.pixmap == pixmap) {
      ++c.users;
      return c.dc;
    }
    if (c.users == 0 && (free_slot == nullptr || c.dc == nullptr)) free_slot = &c;
  }
  if (free_slot == nullptr) return nullptr;
  if (free_slot->dc != nullptr) close_context(free_slot);
  HDC dc = until_given("System is running low on memory.\nPlease close some applications and continue.",
                       "Memory Low", [] { return CreateCompatibleDC(nullptr); });
  HGDIOBJ initial = SelectObject(dc, Lx_IdHandle<HBITMAP>(pixmap));
  if (initial == nullptr || initial == HGDI_ERROR) {
    DeleteDC(dc);
    return nullptr;
  }
  *free_slot = PixmapContext{pixmap, dc, initial, 1};
  return dc;
}

}  // namespace

HDC Lx_GetDrawableDC(Display*, Drawable drawable) {
  if (Lx_IsPixmap(drawable)) return pixmap_dc(drawable);
  HWND window = Lx_Hwnd(drawable);
  if (drawable != 0 && !IsWindow(window)) return nullptr;
  return until_given("System is running low on memory.\nPlease shutdown some applications and continue.",
                     "Memory is Low", [window] { return GetDC(window); });
}

void Lx_ReleaseDrawableDC(Display*, Drawable drawable, HDC dc) {
  for (auto& c : contexts)
    if (c.dc == dc && c.pixmap == drawable) {
      --c.users;
      return;
    }
  ReleaseDC(Lx_Hwnd(drawable), dc);
}

void Lx_ClosePixmapDC(Drawable pixmap) {
  for (auto& c : contexts)
    if (c.dc != nullptr && c.pixmap == pixmap && c.users == 0) close_context(&c);
}

// Graphics contexts.

namespace {

const XGCValues kDefaults = [] {
  XGCValues v{};
  v.function = R2_COPYPEN;
  v.plane_mask = ~0ul;
  v.foreground = 0x000000;
  v.background = 0xFFFFFF;
  v.fill_rule = WINDING;
  v.arc_mode = ArcPieSlice;
  v.graphics_exposures = True;
  v.dashes = 4;
  return v;
}();

void set_values(XGCValues* to, unsigned long mask, const XGCValues* from) {
#define LX_GC_VALUE(bit, field) \
  if (mask & (bit)) to->field = from->field;
  LX_GC_VALUE(GCFunction, function)
  LX_GC_VALUE(GCPlaneMask, plane_mask)
  LX_GC_VALUE(GCForeground, foreground)
  LX_GC_VALUE(GCBackground, background)
  LX_GC_VALUE(GCLineWidth, line_width)
  LX_GC_VALUE(GCLineStyle, line_style)
  LX_GC_VALUE(GCCapStyle, cap_style)
  LX_GC_VALUE(GCJoinStyle, join_style)
  LX_GC_VALUE(GCFillStyle, fill_style)
  LX_GC_VALUE(GCFillRule, fill_rule)
  LX_GC_VALUE(GCArcMode, arc_mode)
  LX_GC_VALUE(GCTile, tile)
  LX_GC_VALUE(GCStipple, stipple)
  LX_GC_VALUE(GCTileStipXOrigin, ts_x_origin)
  LX_GC_VALUE(GCTileStipYOrigin, ts_y_origin)
  LX_GC_VALUE(GCFont, font)
  LX_GC_VALUE(GCSubwindowMode, subwindow_mode)
  LX_GC_VALUE(GCGraphicsExposures, graphics_exposures)
  LX_GC_VALUE(GCClipXOrigin, clip_x_origin)
  LX_GC_VALUE(GCClipYOrigin, clip_y_origin)
  LX_GC_VALUE(GCClipMask, clip_mask)
  LX_GC_VALUE(GCDashOffset, dash_offset)
  LX_GC_VALUE(GCDashList, dashes)
#undef LX_GC_VALUE
}

void drop_clip(GC gc) {
  if (gc->owns_clip) Lx_DestroyRegion(gc->clip);
  gc->clip = nullptr;
  gc->owns_clip = false;
}

// A clip region of the context's own: `region`, which it now owns.
void own_clip(GC gc, _XRegion* region) {
  drop_clip(gc);
  gc->clip = region;
  gc->owns_clip = region != nullptr;
}

Lx_DrawState state_of(GC gc) {
  const XGCValues& v = gc->values;
  return {static_cast<COLORREF>(v.foreground), v.function, v.line_width, v.line_style, v.arc_mode};
}

bool stippled(GC gc) {
  return (gc->values.fill_style == FillStippled || gc->values.fill_style == FillOpaqueStippled) &&
         gc->values.stipple != None;
}

// Takes the drawable's context with the GC's operation (unless the shape is
// points, which no operation changes) and clip, runs draw(dc, state), and
// gives the context back; 0 when there is none.
template <class Draw>
int draw(Display* display, Drawable drawable, GC gc, Draw draw_with, bool points = false) {
  if (gc == nullptr) return 0;
  // A stipple's bitmap must not be held by a pixmap context while it is read.
  if (stippled(gc)) Lx_ClosePixmapDC(gc->values.stipple);
  HDC dc = Lx_GetDrawableDC(display, drawable);
  if (dc == nullptr) return 0;
  const int rop = points ? 0 : SetROP2(dc, gc->values.function);
  if (gc->owns_clip) SelectClipRgn(dc, gc->clip->region);
  draw_with(dc, state_of(gc));
  if (gc->owns_clip) SelectClipRgn(dc, nullptr);
  if (!points) SetROP2(dc, rop);
  Lx_ReleaseDrawableDC(display, drawable, dc);
  return 1;
}

// The process-wide point buffer of the point-list calls, grown on demand.
POINT* point_buffer = nullptr;
int point_slots = 0;

// The points in device coordinates, each relative to the one before in
// previous mode; null when no buffer can be had.
POINT* device_points(const XPoint* points, int count, int mode) {
  if (count < 1) return nullptr;
  if (count > point_slots) {
    auto* grown = static_cast<POINT*>(realloc(point_buffer, sizeof(POINT) * static_cast<size_t>(count)));
    if (grown == nullptr) return nullptr;
    point_buffer = grown;
    point_slots = count;
  }
  for (int i = 0; i < count; ++i) {
    point_buffer[i] = POINT{points[i].x, points[i].y};
    if (mode == CoordModePrevious && i > 0) {
      point_buffer[i].x += point_buffer[i - 1].x;
      point_buffer[i].y += point_buffer[i - 1].y;
    }
  }
  return point_buffer;
}

struct Box {
  int x, y, width, height;
};

// The box of the points, widened by the pen on every side.
Box box_of(const POINT* points, int count, int line_width) {
  LONG left = points[0].x, top = points[0].y, right = left, bottom = top;
  for (int i = 1; i < count; ++i) {
    left = points[i].x < left ? points[i].x : left;
    top = points[i].y < top ? points[i].y : top;
    right = points[i].x > right ? points[i].x : right;
    bottom = points[i].y > bottom ? points[i].y : bottom;
  }
  const int pen = line_width / 2 + 2;
  return {left - pen, top - pen, right - left + 2 * pen + 1, bottom - top + 2 * pen + 1};
}

// Draws points (in the target's coordinates) through the GC's stipple, or straight.
template <class Shape>
void shape_through(HDC dc, GC gc, const Lx_DrawState& state, POINT* points, int count, bool line, Shape shape) {
  if (!stippled(gc)) {
    shape(dc, state, points, count);
    return;
  }
  const Box b = box_of(points, count, gc->values.line_width);
  Lx_DrawState copy = state;
  copy.function = R2_COPYPEN;
  Lx_GdiStippled(dc, Lx_IdHandle<HBITMAP>(gc->values.stipple), gc->values.ts_x_origin, gc->values.ts_y_origin, b.x,
                 b.y, b.width, b.height, line, [&](HDC memory) {
                   for (int i = 0; i < count; ++i) points[i].x -= b.x, points[i].y -= b.y;
                   shape(memory, copy, points, count);
                   for (int i = 0; i < count; ++i) points[i].x += b.x, points[i].y += b.y;
                 });
}

void polyline(HDC dc, const Lx_DrawState& state, POINT* points, int count) {
  Lx_GdiDrawLines(dc, state, points, count);
}

}  // namespace

GC XCreateGC(Display*, Drawable, unsigned long mask, XGCValues* values) {
  GC gc = new (std::nothrow) _XGC{false, kDefaults, nullptr};
  if (gc != nullptr && values != nullptr) set_values(&gc->values, mask & ~static_cast<unsigned long>(GCClipMask), values);
  if (gc != nullptr && values != nullptr && (mask & GCClipMask)) gc->values.clip_mask = values->clip_mask;
  return gc;
}

int XChangeGC(Display*, GC gc, unsigned long mask, XGCValues* values) {
  if (gc == nullptr || values == nullptr) return 0;
  // A new clip mask is held, not owned: a pixmap can't clip here.
  if (mask & GCClipMask) drop_clip(gc);
  set_values(&gc->values, mask, values);
  return 1;
}

int XCopyGC(Display*, GC source, unsigned long mask, GC destination) {
  if (source == nullptr || destination == nullptr) return 0;
  if (mask & GCClipMask) {
    own_clip(destination, source->clip != nullptr ? Lx_CopyRegion(source->clip) : nullptr);
    destination->values.clip_mask = source->values.clip_mask;
  }
  return 1;
}

Status XGetGCValues(Display*, GC gc, unsigned long mask, XGCValues* values) {
  if (gc == nullptr || values == nullptr) return 0;
  set_values(values, mask, &gc->values);
  return 1;
}

int XFreeGC(Display*, GC gc) {
  if (gc == nullptr) return 0;
  drop_clip(gc);
  delete gc;
  return 1;
}

int XSetForeground(Display*, GC gc, unsigned long pixel) { return gc->values.foreground = pixel, 1; }
int XSetBackground(Display*, GC gc, unsigned long pixel) { return gc->values.background = pixel, 1; }
int XSetFunction(Display*, GC gc, int function) { return gc->values.function = function, 1; }
int XSetFillRule(Display*, GC gc, int rule) { return gc->values.fill_rule = rule, 1; }
int XSetFillStyle(Display*, GC gc, int style) { return gc->values.fill_style = style, 1; }
int XSetFont(Display*, GC gc, Font font) { return gc->values.font = font, 1; }
int XSetArcMode(Display*, GC gc, int mode) { return gc->values.arc_mode = mode, 1; }
int XSetStipple(Display*, GC gc, Pixmap stipple) { return gc->values.stipple = stipple, 1; }

int XSetTSOrigin(Display*, GC gc, int x, int y) {
  gc->values.ts_x_origin = x;
  gc->values.ts_y_origin = y;
  return 1;
}

int XSetLineAttributes(Display*, GC gc, unsigned width, int style, int cap, int join) {
  gc->values.line_width = static_cast<int>(width);
  gc->values.line_style = style;
  gc->values.cap_style = cap;
  gc->values.join_style = join;
  return 1;
}

int XSetClipOrigin(Display*, GC gc, int x, int y) {
  gc->values.clip_x_origin = x;
  gc->values.clip_y_origin = y;
  return 1;
}

int XSetClipMask(Display* display, GC gc, Pixmap mask) {
  XGCValues v{};
  v.clip_mask = mask;
  return XChangeGC(display, gc, GCClipMask, &v);
}

int XSetRegion(Display*, GC gc, Region region) {
  own_clip(gc, region != nullptr ? Lx_CopyRegion(region) : nullptr);
  return 1;
}

int XSetClipRectangles(Display*, GC gc, int x, int y, XRectangle* rectangles, int count, int) {
  _XRegion* clip = Lx_CreateRegion();
  for (int i = 0; clip != nullptr && i < count; ++i)
    Lx_UnionRectWithRegion(rectangles[i].x + x, rectangles[i].y + y, rectangles[i].width, rectangles[i].height, clip,
                           clip);
  own_clip(gc, clip);
  return 1;
}

// Drawing.

int XDrawPoint(Display* display, Drawable drawable, GC gc, int x, int y) {
  return draw(
      display, drawable, gc, [&](HDC dc, const Lx_DrawState& s) { Lx_GdiDrawPoint(dc, s, x, y); }, true);
}

int XDrawPoints(Display* display, Drawable drawable, GC gc, XPoint* points, int count, int) {
  POINT* p = device_points(points, count, CoordModeOrigin);
  if (p == nullptr) return 0;
  return draw(display, drawable, gc, [&](HDC dc, const Lx_DrawState& s) {
    for (int i = 0; i < count; ++i) Lx_GdiDrawPoint(dc, s, p[i].x, p[i].y);
  }, true);
}

int XDrawLine(Display* display, Drawable drawable, GC gc, int x1, int y1, int x2, int y2) {
  POINT p[2] = {{x1, y1}, {x2, y2}};
  return draw(display, drawable, gc,
              [&](HDC dc, const Lx_DrawState& s) { shape_through(dc, gc, s, p, 2, true, polyline); });
}

int XDrawLines(Display* display, Drawable drawable, GC gc, XPoint* points, int count, int mode) {
  POINT* p = device_points(points, count, mode);
  if (p == nullptr) return 0;
  return draw(display, drawable, gc,
              [&](HDC dc, const Lx_DrawState& s) { shape_through(dc, gc, s, p, count, true, polyline); });
}

int XDrawSegments(Display* display, Drawable drawable, GC gc, XSegment* segments, int count) {
  return draw(display, drawable, gc, [&](HDC dc, const Lx_DrawState& s) {
    for (int i = 0; i < count; ++i) {
      POINT p[2] = {{segments[i].x1, segments[i].y1}, {segments[i].x2, segments[i].y2}};
      shape_through(dc, gc, s, p, 2, true, polyline);
    }
  });
}

int XDrawRectangle(Display* display, Drawable drawable, GC gc, int x, int y, unsigned width, unsigned height) {
  const int right = x + static_cast<int>(width), bottom = y + static_cast<int>(height);
  POINT p[5] = {{x, y}, {right, y}, {right, bottom}, {x, bottom}, {x, y}};
  return draw(display, drawable, gc,
              [&](HDC dc, const Lx_DrawState& s) { shape_through(dc, gc, s, p, 5, true, polyline); });
}

int XFillRectangle(Display* display, Drawable drawable, GC gc, int x, int y, unsigned width, unsigned height) {
  return draw(display, drawable, gc, [&](HDC dc, const Lx_DrawState& s) {
    if (stippled(gc))
      Lx_GdiFillRectangleStippled(dc, s, Lx_IdHandle<HBITMAP>(gc->values.stipple), gc->values.ts_x_origin,
                                  gc->values.ts_y_origin, x, y, width, height);
    else
      Lx_GdiFillRectangle(dc, s, x, y, width, height);
  });
}

int XFillRectangles(Display* display, Drawable drawable, GC gc, XRectangle* rectangles, int count) {
  for (int i = 0; i < count; ++i)
    if (!XFillRectangle(display, drawable, gc, rectangles[i].x, rectangles[i].y, rectangles[i].width,
                        rectangles[i].height))
      return 0;
  return 1;
}

int XFillPolygon(Display* display, Drawable drawable, GC gc, XPoint* points, int count, int, int mode) {
  POINT* p = device_points(points, count, mode);
  if (p == nullptr) return 0;
  return draw(display, drawable, gc, [&](HDC dc, const Lx_DrawState& s) {
    shape_through(dc, gc, s, p, count, true, [gc](HDC on, const Lx_DrawState& st, POINT* q, int n) {
      Lx_GdiFillPolygon(on, st, q, n, gc->values.fill_rule);
    });
  });
}

namespace {

int arc(Display* display, Drawable drawable, GC gc, int x, int y, unsigned width, unsigned height, int angle1,
        int angle2, bool fill) {
  return draw(display, drawable, gc, [&](HDC dc, const Lx_DrawState& s) {
    const HBITMAP stipple = Lx_IdHandle<HBITMAP>(gc->values.stipple);
    const int ox = gc->values.ts_x_origin, oy = gc->values.ts_y_origin;
    if (!stippled(gc))
      Lx_GdiDrawArc(dc, s, x, y, width, height, angle1, angle2, fill);
    else if (fill)
      Lx_GdiFillArcStippled(dc, s, stipple, ox, oy, x, y, width, height, angle1, angle2);
    else
      Lx_GdiStippled(dc, stipple, ox, oy, x, y, static_cast<int>(width) + 1, static_cast<int>(height) + 1, false,
                     [&](HDC memory) {
                       Lx_DrawState copy = s;
                       copy.function = R2_COPYPEN;
                       Lx_GdiDrawArc(memory, copy, 0, 0, width, height, angle1, angle2, false);
                     });
  });
}

}  // namespace

int XDrawArc(Display* display, Drawable drawable, GC gc, int x, int y, unsigned width, unsigned height, int angle1,
             int angle2) {
  return arc(display, drawable, gc, x, y, width, height, angle1, angle2, false);
}

int XFillArc(Display* display, Drawable drawable, GC gc, int x, int y, unsigned width, unsigned height, int angle1,
             int angle2) {
  return arc(display, drawable, gc, x, y, width, height, angle1, angle2, true);
}

int XDrawArcs(Display* display, Drawable drawable, GC gc, XArc* arcs, int count) {
  for (int i = 0; i < count; ++i)
    arc(display, drawable, gc, arcs[i].x, arcs[i].y, arcs[i].width, arcs[i].height, arcs[i].angle1, arcs[i].angle2,
        false);
  return 1;
}

int XFillArcs(Display* display, Drawable drawable, GC gc, XArc* arcs, int count) {
  for (int i = 0; i < count; ++i)
    arc(display, drawable, gc, arcs[i].x, arcs[i].y, arcs[i].width, arcs[i].height, arcs[i].angle1, arcs[i].angle2,
        true);
  return 1;
}

namespace {

// Text with its top at y less the font's ascent: y is its base line, as in X.
int text(Display* display, Drawable drawable, GC gc, int x, int y, const char* string, int length, bool image) {
  return draw(display, drawable, gc, [&](HDC dc, const Lx_DrawState& s) {
    HFONT font = gc->values.font != None ? Lx_IdHandle<HFONT>(gc->values.font)
                                         : static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    HGDIOBJ old_font = SelectObject(dc, font);
    const UINT align = SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    const COLORREF old_text = SetTextColor(dc, s.foreground);
    const COLORREF old_back = SetBkColor(dc, static_cast<COLORREF>(gc->values.background));
    const int old_mode = SetBkMode(dc, image ? OPAQUE : TRANSPARENT);
    TextOutA(dc, x, y, string, length);
    SetBkMode(dc, old_mode);
    SetBkColor(dc, old_back);
    SetTextColor(dc, old_text);
    SetTextAlign(dc, align);
    SelectObject(dc, old_font);
  });
}

}  // namespace

int XDrawString(Display* display, Drawable drawable, GC gc, int x, int y, const char* string, int length) {
  return text(display, drawable, gc, x, y, string, length, false);
}

int XDrawImageString(Display* display, Drawable drawable, GC gc, int x, int y, const char* string, int length) {
  return text(display, drawable, gc, x, y, string, length, true);
}
