// An RGBA picture blended over one colour or a vertical gradient of two.
#pragma once

#include "toolkit/image.h"

struct neutral_picture;

class ImagePicture : public Image {
 public:
  static constexpr unsigned long transparent_word = 0x1000000;

  // Takes over the picture. The first colour is at the bottom row, the second
  // at the top; both transparent draws with alpha blending instead.
  ImagePicture(neutral_picture* picture, unsigned long first_colour, unsigned long second_colour);
  ~ImagePicture() override;

  void draw(float x, float y, float z) override;
  // Lower-left corner at the current raster position.
  void draw_at_current_position();
  unsigned char get_matching_font_index() const override;

  const neutral_picture* get_picture() const { return picture; }
  unsigned long get_first_colour() const { return first_colour; }
  unsigned long get_second_colour() const { return second_colour; }

 private:
  void build_blended_cache();

  unsigned char* blended_cache = nullptr;      // width x height x 4, built at first draw
  neutral_picture* picture;
  unsigned long first_colour;
  unsigned long second_colour;
  bool both_transparent;
};
