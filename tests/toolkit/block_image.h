// A test image: a solid block in the current colour, counted while alive.
#pragma once

#include <GL/gl.h>

#include "toolkit/image.h"

class BlockImage : public Image {
 public:
  BlockImage(unsigned short w, unsigned short h) : Image(0) {
    width = w;
    height = h;
    ++alive;
  }
  ~BlockImage() override { --alive; }
  // Left edge x, bottom row y.
  void draw(float x, float y, float) override {
    glRecti(int(x), int(y) - height, int(x) + width, int(y));
  }
  unsigned char get_matching_font_index() const override { return 0; }

  static inline int alive = 0;
};
