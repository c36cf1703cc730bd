// A poly-line, optionally with an RGB colour per point.
#pragma once

#include "scene/geom_object.h"

class GEOMPolyline : public GEOMObject {
 public:
  // Takes ownership of the arrays (3 floats per point and per colour).
  GEOMPolyline(unsigned long n, float* points);
  // The same with the points' box as their writer grew it, so they are not read again.
  GEOMPolyline(unsigned long n, float* points, const PointBox& box);
  GEOMPolyline(unsigned long n, float* points, float* colours);
  ~GEOMPolyline() override;

  void draw(const DrawAttributes* attributes, const RepaintAttributes* repaint) override;
  void draw_select() const override;
  bool nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) override;
  // Record 11 for a poly-line without colours.
  void write_ldf(write_df* out, const DrawAttributes* attributes, unsigned char lod, float facet_size) const override;

  const float* get_points() const { return points; }
  const float* get_colours() const { return colours; }
  uint32_t get_number_of_points() const { return number_of_points; }

 private:
  float* points;
  float* colours;
  uint32_t number_of_points;
};
