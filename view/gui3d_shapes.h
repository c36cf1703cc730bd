// Geometry and GL drawing of the manipulators' symbols over plain points and
// vectors: ruler sections, rectangle handles and texture coordinates, grid
// snapping, the world-axis placement, and the shapes the kinds draw.
#pragma once

#include <cstdint>

#include "base/point_vector.h"
#include "toolkit/draw_characters.h"

// ---- Geometry ------------------------------------------------------------

// Tick spacing of a ruler over `length`: false (no ruler) when |log10| of the
// length exceeds 10 or the length is not a positive finite number.
bool define_axis_sections(float length, float* spacing, int* subdivisions);

// All `n` values are finite.
bool all_finite(const float* values, int n);

// Rebuilds x and y perpendicular to the unit vector z, keeping the axis that
// was the more nearly perpendicular to z; false (nothing changed) when no
// cross product is long enough to normalise.
bool rebuild_axes_about_z(Vector& x, Vector& y, const Vector& z);

// Handle positions of a rectangle with lower left corner p, edge lengths a
// along x and b along y and centre (u, v): lower middle, lower right, middle
// left, middle right, upper left, upper middle, upper right, origin, centre.
constexpr int RECTANGLE_HANDLES = 9;
void rectangle_handle_positions(const Point& p, const Vector& x, const Vector& y, float a, float b, float u, float v,
                                Point out[RECTANGLE_HANDLES]);

// Placement of a texture over a rectangle.
struct RectangleTexture {
  float repeat_x = 1, repeat_y = 1;  // f1, f2
  float x_offset = 0, y_offset = 0;
  float cosine = 1, sine = 0;  // of the rotation angle
};
// Texture coordinates (s, t) of the lower left, lower right, upper right and
// upper left corners; with a centre the rotation turns about (u, v). Lengths
// below the minimum edge length count as that minimum.
void rectangle_texture_coordinates(const RectangleTexture& texture, float a, float b, bool centre, float u, float v,
                                   float out[4][2]);
constexpr float EDGE_LENGTH_MINIMUM = 0.001f;

// `offset` cut into whole segments of `size`: the magnitude truncated, one
// more when the remainder is at least half a segment, with the offset's sign.
float round_to_segments(float offset, float size);

// GL window pixel (origin bottom left) of the world axes: tek (300, 400)
// inside a viewport given in GL pixels (x, y, width, height), rounded.
void world_axis_pixel(const float gl_viewport[4], float* x, float* y);

// Model point at GL window pixel (x, y) on the front plane of a camera given
// by its viewing matrix (projection × modelview) and GL viewport; false when
// the camera cannot be inverted.
bool unproject_front(const double viewing_matrix[16], const float gl_viewport[4], float x, float y, Point* out);

// ---- Drawing (immediate mode, in the current colour) ---------------------

// Four segments along u and v from p ± axis × s to p ± axis × 0.4 s.
void draw_open_cross(const Point& p, const Vector& u, const Vector& v, float s);
// Closed loop of `count` points p + x r cos a + y r sin a, a in steps of 360 / count degrees.
void draw_circle_loop(const Point& p, const Vector& x, const Vector& y, float r, int count);
void draw_line_loop(const Point* points, int count);
// One grid plane from o along a and b: the edge along a with 3 × the line
// width, then n lines from o + b s i (i = 1..n) along a, n × s long.
void draw_grid_lines(const Point& o, const Vector& a, const Vector& b, uint32_t n, float s, float line_width);
// A cross of half-size `half` along u and v at each node o + b s i + a s j.
void draw_grid_markers(const Point& o, const Vector& a, const Vector& b, uint32_t n, float s, const Vector& u,
                       const Vector& v, float half);
// A filled disc of `radius` in the plane of u and v with 24 rays around it.
void draw_disc_with_rays(const Point& p, const Vector& u, const Vector& v, float radius, float line_width);
// Turns the modelview's +z onto the unit vector `axis` about the origin.
void turn_z_onto(const Vector& axis);
// A light bulb of sphere radius d at p, its base toward -v: the glass in the
// current colour `glass` (RGBA), the base in white; lit with GL lighting.
void draw_light_bulb(const Point& p, const Vector& u, const Vector& v, float d, const float glass[4]);
// A closed GLU cylinder (or cone) along +z from z0, in the current frame.
void draw_closed_cylinder(float z0, float base_radius, float top_radius, float length, int slices);
// One textured quad over four corners with their texture coordinates.
void draw_textured_quad(const Point corners[4], const float st[4][2]);

// A ruler along the unit vector `axis` through `origin` from distance `from`
// to `to`, in screen space: its line with 3 × the line width, a tick of
// `tick` along `across` at every section and half ticks at subdivisions, and
// at each section, beyond its tick, its distance as "%.5g" in stroke text of
// size `text`, laid in the screen plane spanned by u and v.
struct RulerAxis {
  Point origin;
  Vector axis, across, u, v;
  float from, to, spacing;
  int subdivisions;
  float tick, text, line_width;
  text_justify_horizontal h = justify_h_centre;
  text_justify_vertical vertical = justify_top;
};
void draw_ruler_axis(const RulerAxis& ruler);

// The stroke font's text size whose characters stand `height` model units tall.
float text_size_for_height(float height);
// Stroke text of size `size` (width 0.8, spacing 1.2 times it) at `at`, in
// the screen plane spanned by the unit vectors u and v.
void draw_screen_text(const char* text, const Point& at, const Vector& u, const Vector& v, float size,
                      text_justify_horizontal h, text_justify_vertical vertical);
