#include "view/gui3d_shapes.h"

#include <initializer_list>
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/internal_error.h"
#include "gl/gl_context.h"
#include "toolkit/stroke_font.h"

// ---- Geometry ------------------------------------------------------------

bool define_axis_sections(float length, float* spacing, int* subdivisions) {
  if (!(length > 0) || !std::isfinite(length)) return false;
  double exponent = std::log10(double(length));
  if (!(std::fabs(exponent) <= 10)) return false;
  double whole = std::trunc(exponent);
  if (length < 1) whole -= 1;
  double p = std::pow(10.0, whole);
  if (length < 2 * p) {
    *spacing = float(p), *subdivisions = 10;
  } else if (length < 5 * p) {
    *spacing = float(2 * p), *subdivisions = 2;
  } else {
    *spacing = float(5 * p), *subdivisions = 5;
  }
  return true;
}

bool all_finite(const float* values, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(values[i])) return false;
  return true;
}

// Normalises when long enough; Vector::normalize would end the server.
static bool unit(const Vector& v, Vector* out) {
  if (!(v.length_square() >= 1e-10f)) return false;
  *out = v * (1 / v.length());
  return true;
}

bool rebuild_axes_about_z(Vector& x, Vector& y, const Vector& z) {
  Vector nx, ny;
  if (std::fabs(y * z) <= std::fabs(x * z)) {
    if (!unit(y.cross_product(z), &nx) || !unit(z.cross_product(nx), &ny)) return false;
  } else {
    if (!unit(z.cross_product(x), &ny) || !unit(ny.cross_product(z), &nx)) return false;
  }
  x = nx, y = ny;
  return true;
}

void rectangle_handle_positions(const Point& p, const Vector& x, const Vector& y, float a, float b, float u, float v,
                                Point out[RECTANGLE_HANDLES]) {
  Vector ax = x * a, by = y * b;
  out[0] = p + ax * 0.5f;
  out[1] = p + ax;
  out[2] = p + by * 0.5f;
  out[3] = p + ax + by * 0.5f;
  out[4] = p + by;
  out[5] = p + ax * 0.5f + by;
  out[6] = p + ax + by;
  out[7] = p + ax * 0.1f;
  out[8] = p + ax * u + by * v;
}

void rectangle_texture_coordinates(const RectangleTexture& t, float a, float b, bool centre, float u, float v,
                                   float out[4][2]) {
  float q = std::max(a, EDGE_LENGTH_MINIMUM) / std::max(b, EDGE_LENGTH_MINIMUM);
  float f1 = t.repeat_x, f2 = t.repeat_y, c = t.cosine, s = t.sine;
  float s0 = t.x_offset, t0 = t.y_offset;
  if (centre) {
    s0 += f1 / q * v * s + (1 - c) * f1 * u;
    t0 += (1 - c) * f2 * v - f2 * q * u * s;
  }
  out[0][0] = s0, out[0][1] = t0;
  out[1][0] = s0 + f1 * c, out[1][1] = t0 + f2 * q * s;
  out[2][0] = s0 + f1 * (c - s / q), out[2][1] = t0 + f2 * (q * s + c);
  out[3][0] = s0 - f1 * s / q, out[3][1] = t0 + f2 * c;
}

float round_to_segments(float offset, float size) {
  float magnitude = std::fabs(offset);
  float whole = std::trunc(magnitude / size);
  if (magnitude - whole * size >= size / 2) whole += 1;
  return std::copysign(whole * size, offset);
}

void world_axis_pixel(const float vp[4], float* x, float* y) {
  *x = std::round(vp[0] + 300 * vp[2] / 4095);
  *y = std::round(vp[1] + 400 * vp[3] / 3276);
}

bool unproject_front(const double viewing_matrix[16], const float vp[4], float x, float y, Point* out) {
  static const double IDENTITY[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  GLint viewport[4] = {GLint(vp[0]), GLint(vp[1]), GLint(vp[2]), GLint(vp[3])};
  double ox, oy, oz;
  if (gluUnProject(x, y, 0.0, viewing_matrix, IDENTITY, viewport, &ox, &oy, &oz) != GL_TRUE) return false;
  if (!std::isfinite(ox) || !std::isfinite(oy) || !std::isfinite(oz)) return false;
  *out = Point(float(ox), float(oy), float(oz));
  return true;
}

// ---- Drawing ---------------------------------------------------------------

static void vertex(const Point& p) { glVertex3fv(p.coord_array()); }

void draw_open_cross(const Point& p, const Vector& u, const Vector& v, float s) {
  glBegin(GL_LINES);
  for (const Vector* axis : {&u, &v})
    for (float sign : {1.0f, -1.0f}) {
      vertex(p + *axis * (sign * s));
      vertex(p + *axis * (sign * 0.4f * s));
    }
  glEnd();
}

void draw_circle_loop(const Point& p, const Vector& x, const Vector& y, float r, int count) {
  glBegin(GL_LINE_LOOP);
  for (int i = 0; i < count; ++i) {
    double a = 2 * M_PI * i / count;
    vertex(p + x * float(r * std::cos(a)) + y * float(r * std::sin(a)));
  }
  glEnd();
}

void draw_line_loop(const Point* points, int count) {
  glBegin(GL_LINE_LOOP);
  for (int i = 0; i < count; ++i) vertex(points[i]);
  glEnd();
}

void draw_grid_lines(const Point& o, const Vector& a, const Vector& b, uint32_t n, float s, float line_width) {
  XGLContext* c = XGLContext::current_context;
  Vector along = a * (float(n) * s);
  c->set_line_width(3 * line_width);
  glBegin(GL_LINES);
  vertex(o);
  vertex(o + along);
  glEnd();
  c->set_line_width(line_width);
  glBegin(GL_LINES);
  for (uint32_t i = 1; i <= n; ++i) {
    Point start = o + b * (s * float(i));
    vertex(start);
    vertex(start + along);
  }
  glEnd();
}

void draw_grid_markers(const Point& o, const Vector& a, const Vector& b, uint32_t n, float s, const Vector& u,
                       const Vector& v, float half) {
  Vector du = u * half, dv = v * half;
  glBegin(GL_LINES);
  for (uint32_t i = 0; i <= n; ++i)
    for (uint32_t j = 0; j <= n; ++j) {
      Point node = o + b * (s * float(i)) + a * (s * float(j));
      vertex(node - du);
      vertex(node + du);
      vertex(node - dv);
      vertex(node + dv);
    }
  glEnd();
}

void draw_disc_with_rays(const Point& p, const Vector& u, const Vector& v, float radius, float line_width) {
  glBegin(GL_TRIANGLE_FAN);
  vertex(p);
  for (int i = 0; i < 25; ++i) {
    double a = 2 * M_PI * i / 24;
    vertex(p + u * float(radius * std::cos(a)) + v * float(radius * std::sin(a)));
  }
  glEnd();
  // The rays stand off the disc by half its radius and are one radius long.
  XGLContext* c = XGLContext::current_context;
  float width = c->get_line_width();
  c->set_line_width(line_width);
  glBegin(GL_LINES);
  for (int i = 0; i < 24; ++i) {
    double a = 2 * M_PI * i / 24;
    Vector d = u * float(std::cos(a)) + v * float(std::sin(a));
    vertex(p + d * (1.5f * radius));
    vertex(p + d * (2.5f * radius));
  }
  glEnd();
  c->set_line_width(width);
}

void turn_z_onto(const Vector& axis) {
  float side = std::sqrt(axis.x() * axis.x() + axis.y() * axis.y());
  if (side < 1e-6f) {
    if (axis.z() < 0) glRotatef(180, 1, 0, 0);
    return;
  }
  float z = std::clamp(axis.z(), -1.0f, 1.0f);
  glRotatef(float(-std::acos(z) * 180 / M_PI), axis.y(), -axis.x(), 0);
}

static GLUquadric* quadric() {
  static GLUquadric* q = nullptr;
  if (q == nullptr) {
    q = gluNewQuadric();
    if (q == nullptr) internal_error(60, "gui3d_shapes");
    gluQuadricNormals(q, GLU_SMOOTH);
  }
  return q;
}

void draw_closed_cylinder(float z0, float base_radius, float top_radius, float length, int slices) {
  GLUquadric* q = quadric();
  XGLContext::current_context->push_matrix();
  glTranslatef(0, 0, z0);
  gluQuadricOrientation(q, GLU_INSIDE);
  if (base_radius > 0) gluDisk(q, 0, base_radius, slices, 1);
  gluQuadricOrientation(q, GLU_OUTSIDE);
  gluCylinder(q, base_radius, top_radius, length, slices, 1);
  if (top_radius > 0) {
    glTranslatef(0, 0, length);
    gluDisk(q, 0, top_radius, slices, 1);
  }
  XGLContext::current_context->pop_matrix();
}

void draw_light_bulb(const Point& p, const Vector& u, const Vector& v, float d, const float glass[4]) {
  static const float WHITE[4] = {1, 1, 1, 1};
  XGLContext::current_context->push_matrix();
  glTranslatef(p.x(), p.y(), p.z());
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, glass);
  gluSphere(quadric(), d, 20, 12);
  // The base: a neck, the thread and the contact, along -v.
  Vector down = -v;
  (void)u;
  turn_z_onto(down);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, WHITE);
  draw_closed_cylinder(0.55f * d, 0.6f * d, 0.5f * d, 0.35f * d, 16);
  draw_closed_cylinder(0.9f * d, 0.4f * d, 0.4f * d, 0.35f * d, 16);
  draw_closed_cylinder(1.25f * d, 0.25f * d, 0.15f * d, 0.15f * d, 16);
  XGLContext::current_context->pop_matrix();
}

void draw_textured_quad(const Point corners[4], const float st[4][2]) {
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    glTexCoord2fv(st[i]);
    vertex(corners[i]);
  }
  glEnd();
}

void draw_ruler_axis(const RulerAxis& r) {
  if (!(r.spacing > 0) || !(r.to > r.from)) return;
  XGLContext* c = XGLContext::current_context;
  float width = c->get_line_width();
  c->set_line_width(3 * r.line_width);
  glBegin(GL_LINES);
  vertex(r.origin + r.axis * r.from);
  vertex(r.origin + r.axis * r.to);
  glEnd();
  c->set_line_width(r.line_width);
  int sub = std::max(r.subdivisions, 1);
  double step = double(r.spacing) / sub;
  double first = std::ceil(r.from / step);
  double last = std::floor(r.to / step);
  // A ruler over more ticks than a screen can show is not drawn.
  if (!(last - first < 10000)) {
    c->set_line_width(width);
    return;
  }
  glBegin(GL_LINES);
  for (double k = first; k <= last; ++k) {
    bool section = std::fmod(std::fabs(k), sub) == 0;
    Point at = r.origin + r.axis * float(k * step);
    vertex(at);
    vertex(at + r.across * (section ? r.tick : r.tick / 2));
  }
  glEnd();
  for (double k = std::ceil(first / sub) * sub; k <= last; k += sub) {
    char label[32];
    std::snprintf(label, sizeof label, "%.5g", k * step);
    draw_screen_text(label, r.origin + r.axis * float(k * step) + r.across * (1.5f * r.tick), r.u, r.v, r.text,
                     r.h, r.vertical);
  }
  c->set_line_width(width);
}

float text_size_for_height(float height) { return height / ch_height_scaled; }

void draw_screen_text(const char* text, const Point& at, const Vector& u, const Vector& v, float size,
                      text_justify_horizontal h, text_justify_vertical vertical) {
  Vector normal = u.cross_product(v);
  float m[16] = {u.x(), u.y(), u.z(), 0, v.x(), v.y(), v.z(), 0, normal.x(), normal.y(), normal.z(), 0,
                 at.x(), at.y(), at.z(), 1};
  XGLContext* c = XGLContext::current_context;
  c->push_matrix();
  glMultMatrixf(m);
  draw_characters(text, 0.8f * size, size, 1.2f * size, 0, 0, 0, h, vertical);
  c->pop_matrix();
}
