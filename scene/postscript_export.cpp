#include "scene/postscript_export.h"

#include <GL/gl.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/atomic_file.h"
#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "platform/files.h"
#include "view/graphics_window.h"

constexpr const char* MODULE = "save_postscript";
constexpr int FIRST_FEEDBACK_SIZE = 1000000;            // floats
constexpr size_t FEEDBACK_LIMIT = 134217728;             // bytes
constexpr int QUALITIES = 5;

namespace {

// ---- prolog

const char RGB_PROCEDURES[] = R"(% x y r g b P
/P { C newpath point_radius 0 360 arc fill } bind def
% x2 y2 x1 y1 r g b L
/L { C newpath moveto lineto stroke } bind def
% x2 y2 r2 g2 b2 x1 y1 r1 g1 b1 SL
/SL { 16 dict begin
  /b1 exch def /g1 exch def /r1 exch def /y1 exch def /x1 exch def
  /b2 exch def /g2 exch def /r2 exch def /y2 exch def /x2 exch def
  r1 r2 sub abs line_delta_r gt g1 g2 sub abs line_delta_g gt or b1 b2 sub abs line_delta_b gt or {
    /xm x1 x2 add 2 div def /ym y1 y2 add 2 div def
    /rm r1 r2 add 2 div def /gm g1 g2 add 2 div def /bm b1 b2 add 2 div def
    xm ym rm gm bm x1 y1 r1 g1 b1 SL
    x2 y2 r2 g2 b2 xm ym rm gm bm SL
  } { x2 y2 x1 y1 r1 g1 b1 L } ifelse
end } def
% x3 y3 x2 y2 x1 y1 r g b T
/T { C newpath moveto lineto lineto closepath fill } bind def
% x3 y3 r3 g3 b3 x2 y2 r2 g2 b2 x1 y1 r1 g1 b1 ST
/ST { 40 dict begin
  /b1 exch def /g1 exch def /r1 exch def /y1 exch def /x1 exch def
  /b2 exch def /g2 exch def /r2 exch def /y2 exch def /x2 exch def
  /b3 exch def /g3 exch def /r3 exch def /y3 exch def /x3 exch def
  r1 r2 sub abs triangle_delta_r gt r1 r3 sub abs triangle_delta_r gt or r2 r3 sub abs triangle_delta_r gt or
  g1 g2 sub abs triangle_delta_g gt or g1 g3 sub abs triangle_delta_g gt or g2 g3 sub abs triangle_delta_g gt or
  b1 b2 sub abs triangle_delta_b gt or b1 b3 sub abs triangle_delta_b gt or b2 b3 sub abs triangle_delta_b gt or {
    /x12 x1 x2 add 2 div def /y12 y1 y2 add 2 div def
    /r12 r1 r2 add 2 div def /g12 g1 g2 add 2 div def /b12 b1 b2 add 2 div def
    /x13 x1 x3 add 2 div def /y13 y1 y3 add 2 div def
    /r13 r1 r3 add 2 div def /g13 g1 g3 add 2 div def /b13 b1 b3 add 2 div def
    /x23 x2 x3 add 2 div def /y23 y2 y3 add 2 div def
    /r23 r2 r3 add 2 div def /g23 g2 g3 add 2 div def /b23 b2 b3 add 2 div def
    x13 y13 r13 g13 b13 x12 y12 r12 g12 b12 x1 y1 r1 g1 b1 ST
    x23 y23 r23 g23 b23 x2 y2 r2 g2 b2 x12 y12 r12 g12 b12 ST
    x3 y3 r3 g3 b3 x23 y23 r23 g23 b23 x13 y13 r13 g13 b13 ST
    x13 y13 r13 g13 b13 x23 y23 r23 g23 b23 x12 y12 r12 g12 b12 ST
  } { x3 y3 x2 y2 x1 y1 r1 g1 b1 T } ifelse
end } def
)";

const char INDEX_PROCEDURES[] = R"(color_map astore pop
% x y i P
/P { C newpath point_radius 0 360 arc fill } bind def
% x2 y2 x1 y1 i L
/L { C newpath moveto lineto stroke } bind def
% x2 y2 i2 x1 y1 i1 SL
/SL { 8 dict begin
  /i1 exch def /y1 exch def /x1 exch def /i2 exch def /y2 exch def /x2 exch def
  i1 i2 sub abs line_delta gt {
    /xm x1 x2 add 2 div def /ym y1 y2 add 2 div def /im i1 i2 add 2 idiv def
    xm ym im x1 y1 i1 SL
    x2 y2 i2 xm ym im SL
  } { x2 y2 x1 y1 i1 L } ifelse
end } def
% x3 y3 x2 y2 x1 y1 i T
/T { C newpath moveto lineto lineto closepath fill } bind def
% x3 y3 i3 x2 y2 i2 x1 y1 i1 ST
/ST { 24 dict begin
  /i1 exch def /y1 exch def /x1 exch def /i2 exch def /y2 exch def /x2 exch def
  /i3 exch def /y3 exch def /x3 exch def
  i1 i2 sub abs triangle_delta gt i1 i3 sub abs triangle_delta gt or i2 i3 sub abs triangle_delta gt or {
    /x12 x1 x2 add 2 div def /y12 y1 y2 add 2 div def /i12 i1 i2 add 2 idiv def
    /x13 x1 x3 add 2 div def /y13 y1 y3 add 2 div def /i13 i1 i3 add 2 idiv def
    /x23 x2 x3 add 2 div def /y23 y2 y3 add 2 div def /i23 i2 i3 add 2 idiv def
    x13 y13 i13 x12 y12 i12 x1 y1 i1 ST
    x23 y23 i23 x2 y2 i2 x12 y12 i12 ST
    x3 y3 i3 x23 y23 i23 x13 y13 i13 ST
    x13 y13 i13 x23 y23 i23 x12 y12 i12 ST
  } { x3 y3 x2 y2 x1 y1 i1 T } ifelse
end } def
)";

const char RGB_COLOUR[] = "% r g b C\n/C { setrgbcolor } bind def\n";
const char GREY_COLOUR[] = "% r g b C\n/C { 0.114 mul 3 1 roll 0.587 mul 3 1 roll 0.299 mul add add setgray } bind def\n";
const char INDEX_RGB_COLOUR[] = "% i C\n/C { color_map exch get aload pop setrgbcolor } bind def\n";
const char INDEX_GREY_COLOUR[] =
    "% i C\n/C { color_map exch get aload pop 0.114 mul 3 1 roll 0.587 mul 3 1 roll 0.299 mul add add setgray } "
    "bind def\n";

const float RGB_DELTAS[QUALITIES][3] = {
    {0.8f, 0.5f, 1.0f}, {0.4f, 0.25f, 0.5f}, {0.08f, 0.05f, 0.1f}, {0.008f, 0.005f, 0.01f}, {0.0008f, 0.0005f, 0.001f}};

unsigned index_delta(int quality, unsigned count) {
  switch (quality) {
    case 0: return count;
    case 1: return count / 2;
    case 2: return count / 10 + 1;
    case 3: return count / 100 + 1;
    default: return 1;
  }
}

// ---- primitives

struct primitive {
  const float* start;  // the token
  float depth;
  float line_width;
};

int vertex_size(bool index_mode) { return index_mode ? 4 : 7; }

bool same_colour(const float* a, const float* b, bool index_mode) {
  if (index_mode) return a[3] == b[3];
  return a[3] == b[3] && a[4] == b[4] && a[5] == b[5];
}

void put_vertex_colour(FILE* f, const float* v, bool index_mode) {
  if (index_mode)
    fprintf(f, " %d", int(v[3]));
  else
    fprintf(f, " %g %g %g", double(v[3]), double(v[4]), double(v[5]));
}

void put_xy(FILE* f, const float* v) { fprintf(f, "%g %g", double(v[0]), double(v[1])); }

void write_triangle(FILE* f, const float* p3, const float* p2, const float* p1, bool index_mode) {
  bool flat = same_colour(p1, p2, index_mode) && same_colour(p1, p3, index_mode);
  if (flat) {
    put_xy(f, p3), fputc(' ', f), put_xy(f, p2), fputc(' ', f), put_xy(f, p1);
    put_vertex_colour(f, p1, index_mode);
    fputs(" T\n", f);
  } else {
    for (const float* p : {p3, p2, p1}) {
      put_xy(f, p);
      put_vertex_colour(f, p, index_mode);
      fputc(' ', f);
    }
    fputs("ST\n", f);
  }
}

void write_primitive(FILE* f, const float* token, bool index_mode) {
  int size = vertex_size(index_mode);
  const float* v = token + 1;
  switch (int(token[0])) {
    case GL_POINT_TOKEN:
      put_xy(f, v);
      put_vertex_colour(f, v, index_mode);
      fputs(" P\n", f);
      break;
    case GL_LINE_TOKEN:
    case GL_LINE_RESET_TOKEN: {
      const float* a = v;
      const float* b = v + size;
      if (same_colour(a, b, index_mode)) {
        put_xy(f, b), fputc(' ', f), put_xy(f, a);
        put_vertex_colour(f, a, index_mode);
        fputs(" L\n", f);
      } else {
        put_xy(f, b), put_vertex_colour(f, b, index_mode), fputc(' ', f);
        put_xy(f, a), put_vertex_colour(f, a, index_mode);
        fputs(" SL\n", f);
      }
      break;
    }
    case GL_POLYGON_TOKEN: {
      int n = int(v[0]);
      const float* p = v + 1;
      bool flat = true;
      for (int j = 1; j < n; ++j) flat &= same_colour(p, p + j * size, index_mode);
      if (!flat || n == 3) {
        for (int j = 0; j + 2 < n; ++j) write_triangle(f, p + (j + 2) * size, p + (j + 1) * size, p, index_mode);
      } else {
        fputs("newpath\n", f);
        if (index_mode)
          fprintf(f, "%d C\n", int(p[3]));
        else
          fprintf(f, "%g %g %g C\n", double(p[3]), double(p[4]), double(p[5]));
        fprintf(f, "%g %g moveto\n", double(p[0]), double(p[1]));
        for (int j = 1; j < n; ++j) fprintf(f, "%g %g lineto\n", double(p[j * size]), double(p[j * size + 1]));
        fputs("closepath fill\n", f);
      }
      break;
    }
    default:
      fprintf(stderr, "save_postscript/write_%s_primitive - Unexpected token (0x%x).\n", index_mode ? "index" : "rgb",
              unsigned(token[0]));
      internal_error(2, MODULE);
  }
}

}  // namespace

void write_header(FILE* f, const float viewport[4], bool colour, bool eps, bool landscape, int page_width,
                  int page_height, const uint16_t* colours, int colour_count, int quality, float point_size,
                  float line_width, const float clear_rgb[3]) {
  if (quality < 0 || quality >= QUALITIES) internal_error(1, MODULE);
  float w = viewport[2] - viewport[0], h = viewport[3] - viewport[1];
  float pw = landscape ? h : w, ph = landscape ? w : h;
  float s = std::min(float(page_width) / pw, float(page_height) / ph);
  fputs(eps ? "%!PS-Adobe-2.0 EPSF-2.0\n" : "%!PS-Adobe-2.0\n", f);
  fputs("%%Creator: Vorq QOBS Version11.1596 2003/08/06.(using OpenGL feedback)\n", f);
  if (!eps) fputs("%%Pages: 1\n", f);
  fprintf(f, "%%%%BoundingBox: 0 0 %d %d\n", int(pw * s + 0.999f), int(ph * s + 0.999f));
  fputs("%%EndComments\n\n", f);
  fputs("%%BeginProlog\n", f);
  fprintf(f, "/point_radius %g def\n", double(point_size / 2));
  bool index_mode = colours != nullptr;
  if (!index_mode) {
    const float* d = RGB_DELTAS[quality];
    for (const char* kind : {"line", "triangle"}) {
      fprintf(f, "/%s_delta_r %g def\n", kind, double(d[0]));
      fprintf(f, "/%s_delta_g %g def\n", kind, double(d[1]));
      fprintf(f, "/%s_delta_b %g def\n", kind, double(d[2]));
    }
    fputs(colour ? RGB_COLOUR : GREY_COLOUR, f);
    fputs(RGB_PROCEDURES, f);
  } else {
    unsigned delta = index_delta(quality, unsigned(colour_count));
    fprintf(f, "/triangle_delta %u def\n", delta);
    fprintf(f, "/line_delta %u def\n", delta);
    fputs(colour ? INDEX_RGB_COLOUR : INDEX_GREY_COLOUR, f);
    fprintf(f, "/color_map %u array def\n", unsigned(colour_count));
    for (int i = 0; i < colour_count; ++i)
      fprintf(f, "[%g %g %g]\n", colours[3 * i] / 65535.0, colours[3 * i + 1] / 65535.0, colours[3 * i + 2] / 65535.0);
    fputs(INDEX_PROCEDURES, f);
  }
  fputs("%%EndProlog\n", f);
  fputs(eps ? "gsave\n" : "%%Page: 1\n", f);
  if (s != 1) fprintf(f, "%g dup scale\n", double(s));
  if (landscape) fprintf(f, "%g 0 translate\n90 rotate\n", double(h));
  if (viewport[0] != 0 || viewport[1] != 0) fprintf(f, "%g %g translate\n", double(-viewport[0]), double(-viewport[1]));
  // Nothing is drawn outside the picture (and the bounding box).
  fprintf(f, "%g %g %g %g rectclip\n", double(viewport[0]), double(viewport[1]), double(w), double(h));
  fprintf(f, "\n%g setlinewidth\n", double(line_width));
  if (colour) {
    fprintf(f, "%g %g %g setrgbcolor\n", double(clear_rgb[0]), double(clear_rgb[1]), double(clear_rgb[2]));
    fprintf(f, "%g %g %g %g rectfill\n", double(viewport[0]), double(viewport[1]), double(w), double(h));
  }
}

void write_sorted_feedback(FILE* f, int count, const float* buffer, bool index_mode, float line_width) {
  int size = vertex_size(index_mode);
  table list;
  table_create(&list, sizeof(primitive), 1024);
  float width = line_width;
  for (int p = 0; p < count;) {
    const float* token = buffer + p;
    int kind = int(token[0]);
    float depth = 0;
    int used;
    switch (kind) {
      case GL_PASS_THROUGH_TOKEN:
        if (p + 1 < count) width = token[1];
        p += 2;
        continue;
      case GL_POINT_TOKEN:
        used = 1 + size;
        if (p + used <= count) depth = token[3];
        break;
      case GL_LINE_TOKEN:
      case GL_LINE_RESET_TOKEN:
        used = 1 + 2 * size;
        if (p + used <= count) depth = (token[3] + token[3 + size]) / 2;
        break;
      case GL_POLYGON_TOKEN: {
        int n = p + 1 < count ? int(token[1]) : 0;
        used = n >= 3 ? 2 + n * size : count - p;
        if (n >= 3 && p + used <= count) {
          for (int j = 0; j < n; ++j) depth += token[4 + j * size];
          depth /= float(n);
        } else {
          used = count - p;  // a cut or degenerate polygon ends the walk
          kind = -1;
        }
        break;
      }
      case GL_BITMAP_TOKEN:
      case GL_DRAW_PIXEL_TOKEN:
      case GL_COPY_PIXEL_TOKEN:
        p += 1 + size;
        continue;
      default:
        fprintf(stderr, "save_postscript/write_sorted_feedback - Unexpected token (0x%x).\n", unsigned(kind));
        internal_error(3, MODULE);
    }
    if (kind != -1 && p + used <= count) {
      if (list.length + 1 >= list.capacity) table_expand(&list, 1);
      list.as<primitive>()[list.length++] = primitive{token, depth, width};
    }
    p += used;
  }
  primitive* items = list.as<primitive>();
  std::stable_sort(items, items + list.length, [](const primitive& a, const primitive& b) { return a.depth > b.depth; });
  float written = line_width;
  for (uint32_t i = 0; i < list.length; ++i) {
    int kind = int(items[i].start[0]);
    if ((kind == GL_LINE_TOKEN || kind == GL_LINE_RESET_TOKEN) && items[i].line_width != written) {
      written = items[i].line_width;
      fprintf(f, "%g setlinewidth\n", double(written));
    }
    write_primitive(f, items[i].start, index_mode);
  }
  table_delete(&list);
}

int save_postscript(const float viewport[4], void (*draw)(), Display* display, Window window, int colour_count,
                    const char* path, bool colour, bool eps, bool landscape, int page_width, int page_height,
                    int quality) {
  atomic_file file;
  if (int e = atomic_file_open(&file, path)) {
    fprintf(stderr, "SAVE_POSTSCRIPT - error opening '%s' - %s.\n", path, strerror(e));
    return -2;
  }
  make_graphics_context_active();
  size_t size = FIRST_FEEDBACK_SIZE;
  float* buffer = nullptr;
  int n;
  for (;;) {
    buffer = static_cast<float*>(CheckedMalloc(size * sizeof(float)));
    glFeedbackBuffer(GLsizei(size), GL_3D_COLOR, buffer);
    glRenderMode(GL_FEEDBACK);
    draw();
    n = glRenderMode(GL_RENDER);
    if (n >= 0) break;
    CheckedFree(buffer);
    buffer = nullptr;
    size *= 2;
    if (size * sizeof(float) > FEEDBACK_LIMIT) break;
  }
  if (n <= 0) {
    if (buffer != nullptr) CheckedFree(buffer);
    atomic_file_abandon(&file);
    return n == 0 ? -4 : -3;
  }
  bool index_mode = get_color_index_mode();
  uint16_t* colours = nullptr;
  float clear[4] = {0, 0, 0, 0};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  if (index_mode && colour_count > 0) {
    XWindowAttributes attributes;
    XGetWindowAttributes(display, window, &attributes);
    XColor* cells = static_cast<XColor*>(CheckedMalloc(sizeof(XColor) * size_t(colour_count)));
    for (int i = 0; i < colour_count; ++i) cells[i].pixel = static_cast<unsigned long>(i);
    XQueryColors(display, attributes.colormap, cells, colour_count);
    colours = static_cast<uint16_t*>(CheckedMalloc(sizeof(uint16_t) * 3 * size_t(colour_count)));
    for (int i = 0; i < colour_count; ++i)
      colours[3 * i] = cells[i].red, colours[3 * i + 1] = cells[i].green, colours[3 * i + 2] = cells[i].blue;
    GLfloat clear_index = 0;
    glGetFloatv(GL_INDEX_CLEAR_VALUE, &clear_index);
    int c = std::clamp(int(clear_index), 0, colour_count - 1);
    for (int k = 0; k < 3; ++k) clear[k] = colours[3 * c + k] / 65535.0f;
    CheckedFree(cells);
  }
  float point_size = 1, line_width = 1;
  glGetFloatv(GL_POINT_SIZE, &point_size);
  glGetFloatv(GL_LINE_WIDTH, &line_width);
  // Numbers with a decimal point whatever the server's locale.
  begin_c_numbers();
  write_header(file.stream, viewport, colour, eps, landscape, page_width, page_height, colours, colour_count, quality,
               point_size, line_width, clear);
  write_sorted_feedback(file.stream, n, buffer, index_mode && colour_count > 0, line_width);
  fputs(eps ? "grestore\n" : "showpage\n%%EndPage\n", file.stream);
  end_c_numbers();
  CheckedFree(buffer);
  if (colours != nullptr) CheckedFree(colours);
  if (int e = atomic_file_commit(&file)) {
    fprintf(stderr, "SAVE_POSTSCRIPT - I/O error saving '%s' - %s.\n", path, strerror(e));
    return -2;
  }
  return 0;
}
