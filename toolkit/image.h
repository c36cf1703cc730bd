// What a widget shows: a picture or a text, drawn at a raster position.
#pragma once

class Image {
 public:
  virtual void draw(float x, float y, float z) = 0;
  // The built-in font that suits the image's height.
  virtual unsigned char get_matching_font_index() const = 0;
  virtual ~Image() = default;
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  // Every new image takes the next serial, so a widget can tell images apart.
  static long highest_id;

  long serial;
  unsigned char kind;  // the YARL kind of the value shown, 6 for a picture
  unsigned short width = 0;
  unsigned short height = 0;

 protected:
  explicit Image(unsigned char kind_) : serial(++highest_id), kind(kind_) {}
};
