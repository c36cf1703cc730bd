// Markers: one symbol in window pixels at each of its model points.
#pragma once

#include "scene/geom_object.h"

class GEOMMarkers : public GEOMObject {
 public:
  // Takes ownership of the points.
  GEOMMarkers(unsigned long n, vector_type* points);
  ~GEOMMarkers() override;

  void draw(const DrawAttributes* attributes, const RepaintAttributes* repaint) override;
  void draw_select() const override;
  // The first point within the radius, in array order.
  bool nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) override;

  uint32_t get_number_of_points() const { return number_of_points; }
  const vector_type* get_points() const { return points; }

 private:
  uint32_t number_of_points;
  vector_type* points;
};

// Line segments (x1, y1, x2, y2 each) of a marker symbol of radius r at the
// pixel centre (x, y); returns how many were written (at most 4), -1 for the
// closed octagon of 'O' (8 points written as pairs).
int marker_symbol_segments(char symbol, float x, float y, float r, float out[16]);
