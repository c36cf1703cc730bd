// A vector symbol: a shaft from a position along a unit direction with an
// arrow head facing the viewer, sized relative to the view's width.
#pragma once

#include "scene/geom_object.h"

class GEOMVector : public GEOMObject {
 public:
  GEOMVector(float x, float y, float z, float dx, float dy, float dz, float size1, float size2);

  void draw(const DrawAttributes* attributes, const RepaintAttributes* repaint) override;
  void draw_select() const override;
  bool nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) override;

  const float* get_position() const { return position; }
  const float* get_direction() const { return direction; }

 private:
  void draw_symbol() const;

  float position[3];
  float direction[3];
  float size1, size2;
};
