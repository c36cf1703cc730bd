#include "toolkit/draw_characters.h"

#include <GL/gl.h>

#include "toolkit/stroke_font.h"

static bool drawable(unsigned char c) { return c >= 32 && c <= 127; }

void draw_characters(const char* text, float char_width, float char_height, float spacing,
                     float x, float y, float z, text_justify_horizontal h,
                     text_justify_vertical v) {
  const float advance = ch_width_scaled * char_width + spacing;
  if (h != justify_left) {
    int n = 0;
    for (const char* p = text; *p != '\0'; ++p) n += drawable(static_cast<unsigned char>(*p));
    float width = n > 0 ? float(n) * advance - spacing : 0.0f;
    x -= h == justify_h_centre ? width / 2 : width;
  }
  if (v == justify_v_centre) y -= char_height * ch_height_scaled / 2;
  else if (v == justify_top) y -= char_height * ch_height_scaled;

  const float sx = char_width / ch_width_scale_factor;
  const float sy = char_height / ch_height_scale_factor;
  for (const char* p = text; *p != '\0'; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (!drawable(c)) continue;
    const signed char* s = reinterpret_cast<const signed char*>(font_data + font_ctl[c - 32]);
    int strokes = *s++;
    for (int k = 0; k < strokes; ++k) {
      int steps = *s++;
      int px = *s++;
      int py = *s++;
      glBegin(GL_LINE_STRIP);
      glVertex3f(x + sx * float(px), y + sy * float(py), z);
      for (int i = 0; i < steps; ++i) {
        px += *s++;
        py += *s++;
        glVertex3f(x + sx * float(px), y + sy * float(py), z);
      }
      glEnd();
    }
    x += advance;
  }
}
