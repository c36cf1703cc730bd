// Base of the geometry held in segments and scene-graph leaves, and the
// result of a hit test.
#pragma once

#include <cstdint>

#include "base/point_vector.h"
#include "view/offscreen.h"

class DrawAttributes;
class write_df;
struct RepaintAttributes;

constexpr uint32_t NO_VERTEX = 0xFFFFFFFF;

struct GEOMSelect_info {
  uint32_t a = 0;
  uint32_t b = NO_VERTEX;
  uint32_t c = NO_VERTEX;
  float u = 0, v = 0;
  float hit[3] = {0, 0, 0};  // model coordinates
  float distance = 0;        // normalised screen units
  uint32_t number_of_points = 0;
  float* point = nullptr;    // the hit point's model coordinates
};

// The box of points grown one at a time, as a reader can keep it while it
// stores them; a NaN coordinate is passed over as by `if (p < lo) lo = p`.
struct PointBox {
  float lo[3] = {3.4028235e38f, 3.4028235e38f, 3.4028235e38f};
  float hi[3] = {-3.4028235e38f, -3.4028235e38f, -3.4028235e38f};
  void grow(const vector_type& p) {
    const float c[3] = {p.x, p.y, p.z};
    for (int k = 0; k < 3; ++k) {
      lo[k] = c[k] < lo[k] ? c[k] : lo[k];
      hi[k] = c[k] > hi[k] ? c[k] : hi[k];
    }
  }
};

class GEOMObject {
 public:
  GEOMObject() = default;
  GEOMObject(const GEOMObject&) = delete;
  GEOMObject& operator=(const GEOMObject&) = delete;
  virtual ~GEOMObject() = default;

  virtual void draw(const DrawAttributes* attributes, const RepaintAttributes* repaint) = 0;
  virtual void draw_select() const = 0;
  virtual void draw_transparent(const DrawAttributes*, const RepaintAttributes*) {}
  virtual uint32_t get_number_triangles() const { return 0; }
  // Hit test of a point in normalised screen coordinates of the current view;
  // distances are compared squared.
  virtual bool nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) = 0;
  // The object's display-file record, if its kind has one.
  virtual void write_ldf(write_df*, const DrawAttributes*, unsigned char /*lod*/, float /*facet_size*/) const {}

  void set_bounding_box(unsigned long n, const vector_type* points);
  void set_bounding_box(const PointBox& box);
  const float* get_minimum() const { return minimum; }
  const float* get_maximum() const { return maximum; }
  const float* get_centre() const { return centre; }

  GEOMObject* next = nullptr;  // chain link of the segment store

 protected:
  static void set_line_attributes(const DrawAttributes* attributes);
  // Sets the colour of a palette index unless the drawing is not ordinary.
  static void set_index_color(int index, const RepaintAttributes* repaint);
  // The point for a point-like hit.
  static void point_hit(float* position, uint32_t index, float distance_squared, GEOMSelect_info* info);
  // Hit test of one model point against a screen point: true and the hit
  // when it lies within the radius.
  static bool select_point(float* position, const float* point, float radius_squared, bool mirrored,
                           GEOMSelect_info* info);

  float minimum[3] = {3.4028235e38f, 3.4028235e38f, 3.4028235e38f};
  float maximum[3] = {-3.4028235e38f, -3.4028235e38f, -3.4028235e38f};
  float centre[3] = {0, 0, 0};
};

// Normalised screen position of a model point in the current view (y negated
// when mirrored).
void project_to_screen(const float* p, bool mirrored, float out[2]);
// Squared distance between two screen positions.
inline float screen_distance_squared(const float a[2], const float b[2]) {
  float dx = a[0] - b[0], dy = a[1] - b[1];
  return dx * dx + dy * dy;
}

// Drawing in window pixels of the current viewport: an orthographic set-up
// pushed and popped through the current context.
void begin_pixel_drawing();
void end_pixel_drawing();
// Pixel centre of a model point; false when it lies outside the view volume.
bool project_to_pixel(const float* p, bool mirrored, float* x, float* y);

