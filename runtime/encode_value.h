// The text form of YARL values: scalar texts in both directions, the
// formatted text that widgets show, the three-way comparison, and the choice
// of a widget's image for a value.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

// The longest scalar text is 13 characters ("-1.234567e-38", "-596523o14\"8").
constexpr int ENCODE_BUFFER_SIZE = 20;

// The text of a scalar of kinds 0 to 4 into `buffer` (ENCODE_BUFFER_SIZE
// bytes), NUL-terminated; the result is its length.
int encode_value(char* buffer, int kind, value v);
int convert_real(float r, char* buffer);
// Arc-seconds in the ANGLE format of predefined 103, with the degree mark of 88.
int convert_angle(int32_t seconds, char* buffer);

// A new heap string of the value formatted with width and precision (8 bits
// each). A STRING with width and precision 0 is returned itself, not a copy.
char* encode_format_value(value v, int kind, int width, int precision);

// Parses the text of a scalar of kinds 0 to 4 into *out; true on a syntax
// error, and then *out is unchanged.
bool decode_value(const char* text, int kind, value* out);

// -1, 0 or 1 as a is below, equal to or above b; kinds 0 to 6.
int compare(int kind, value a, value b);

// What decides whether a widget's current image still shows a value.
struct shown_image {
  int kind;              // value kind of the image
  int font;              // text images: font index
  const char* text;      // text images
  uint32_t colours[2];   // picture images
  uint32_t header;       // picture images: header word of the shown picture
};

constexpr uint32_t GREY_COLOUR = 0xDBDBDB;
constexpr uint32_t TRANSPARENT_COLOUR = 0x1000000;

// The image a widget must show for a value, or none when its current one stays.
struct image_choice {
  bool new_image;
  char* text;            // new text image: its text, owned by the image from then on
  uint32_t colours[2];   // new picture image: its colours
  bool transparent;      // new picture image: both colours are TRANSPARENT_COLOUR
};

// Takes ownership of a STRING or PICTURE value: it becomes the new image's
// text or picture, or is freed when the current image stays. `current` is
// null when the widget has no image yet.
image_choice choose_image(value v, int kind, int width, int precision, int font, bool grey,
                          uint32_t colour1, uint32_t colour2, const shown_image* current);

