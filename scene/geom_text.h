// A text in the stroke font at a model position, drawn in window pixels.
#pragma once

#include "scene/geom_object.h"

class GEOMText : public GEOMObject {
 public:
  // Takes ownership of the text.
  GEOMText(float x, float y, float z, char* text);
  ~GEOMText() override;

  void draw(const DrawAttributes* attributes, const RepaintAttributes* repaint) override;
  void draw_select() const override;
  bool nt_select(const float* point, float radius_squared, bool mirrored, GEOMSelect_info* info) override;

  const char* get_text() const { return text; }
  const float* get_position() const { return position; }

 private:
  float position[3];
  char* text;
  uint32_t length;
};
