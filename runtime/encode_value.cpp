#include "runtime/encode_value.h"

#include <cstdio>
#include <cstring>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "runtime/predefined.h"

constexpr uint32_t PREDEF_DEGREE_MARK = 88;
constexpr uint32_t PREDEF_ANGLE_FORMAT = 103;
constexpr int N_FONTS = 18;

static bool is_digit(char c) { return c >= '0' && c <= '9'; }

// "%.7g" rewritten so that the text always has a "." with a digit after it and
// an exponent without "+" or leading zeros: 100 gives 100.0, 1e10 gives 1.0e10.
int convert_real(float r, char* buffer) {
  char raw[32];
  snprintf(raw, sizeof raw, "%.7g", double(r));
  const char* in = raw;
  char* out = buffer;
  if (*in == '-') *out++ = *in++;
  while (is_digit(*in)) *out++ = *in++;
  if (*in == '.') {
    *out++ = *in++;
    if (!is_digit(*in)) *out++ = '0';
    while (is_digit(*in)) *out++ = *in++;
  } else {
    *out++ = '.';
    *out++ = '0';
  }
  if (*in == 'e') {
    *out++ = *in++;
    if (*in == '-') *out++ = '-';
    if (*in == '-' || *in == '+') ++in;
    while (*in == '0' && is_digit(in[1])) ++in;
    while (is_digit(*in)) *out++ = *in++;
  }
  while (*in != '\0') *out++ = *in++;
  *out = '\0';
  return int(out - buffer);
}

int convert_angle(int32_t seconds, char* buffer) {
  const char* sign = seconds < 0 ? "-" : "";
  // The magnitude of INT32_MIN needs 32 unsigned bits.
  uint32_t s = seconds < 0 ? 0u - uint32_t(seconds) : uint32_t(seconds);
  unsigned long d = s / 3600, m = (s / 60) % 60, x = s % 60;
  char c = char(get_predef(PREDEF_DEGREE_MARK));
  int32_t format = get_predef(PREDEF_ANGLE_FORMAT);
  int n;
  if (format == 2) {
    if (m == 0 && x == 0) n = snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%lu%c", sign, d, c);
    else if (x == 0) n = snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%lu%c%lu", sign, d, c, m);
    else n = snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%lu%c%lu\"%lu", sign, d, c, m, x);
  } else if (format >= 3 && format <= 6) {
    double degrees = double(d) + double(s - 3600 * d) / 3600.0;
    n = snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%3.*f", sign, int(format - 2), degrees);
  } else {
    // Rounded to the minute; exactly 30 seconds rounds down.
    if (x > 30 && ++m == 60) {
      m = 0;
      ++d;
    }
    if (m == 0) n = snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%lu%c", sign, d, c);
    else n = snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%lu%c%lu", sign, d, c, m);
  }
  return n;
}

int encode_value(char* buffer, int kind, value v) {
  switch (kind) {
    case K_REAL:
      return convert_real(v.r, buffer);
    case K_ANGLE:
      return convert_angle(v.i, buffer);
    case K_INTEGER:
      return snprintf(buffer, ENCODE_BUFFER_SIZE, "%ld", long(v.i));
    case K_BOOLEAN:
      buffer[0] = v.b ? '1' : '0';
      buffer[1] = '\0';
      return 1;
    case K_CHARACTER:
      buffer[0] = v.c;
      buffer[1] = '\0';
      return 1;
    default:
      internal_error(177, "encode_value");
  }
}

// A heap string of exactly the length that `format` produces.
template <typename... Args>
static char* format_text(const char* format, Args... args) {
  int n = snprintf(nullptr, 0, format, args...);
  if (n < 0) internal_error(66, "encode_format_value");
  char* text = static_cast<char*>(CheckedMalloc(size_t(n) + 1));
  snprintf(text, size_t(n) + 1, format, args...);
  return text;
}

char* encode_format_value(value v, int kind, int width, int precision) {
  width = uint8_t(width);
  precision = uint8_t(precision);
  if (width == 0 && precision == 0) {
    if (kind == K_STRING) return v.s;
    char* text = static_cast<char*>(CheckedMalloc(ENCODE_BUFFER_SIZE));
    encode_value(text, kind, v);
    return text;
  }
  switch (kind) {
    case K_REAL:
      return format_text("%*.*f", width, precision, double(v.r));
    case K_ANGLE: {
      // precision blanks, the angle, then blanks up to width characters in all
      char angle[ENCODE_BUFFER_SIZE];
      int n = convert_angle(v.i, angle);
      int length = precision + n < width ? width : precision + n;
      char* text = static_cast<char*>(CheckedMalloc(size_t(length) + 1));
      memset(text, ' ', size_t(length));
      memcpy(text + precision, angle, size_t(n));
      text[length] = '\0';
      return text;
    }
    case K_INTEGER:
      return format_text("%*ld", width, long(v.i));
    default:
      internal_error(65, "encode_format_value");
  }
}

int compare(int kind, value a, value b) {
  switch (kind) {
    case K_REAL:
      if (a.r == b.r) return 0;
      return a.r > b.r ? 1 : -1;
    case K_ANGLE:
    case K_INTEGER:
      return a.i == b.i ? 0 : a.i > b.i ? 1 : -1;
    case K_BOOLEAN:
    case K_CHARACTER:
      return a.b == b.b ? 0 : a.b > b.b ? 1 : -1;
    case K_STRING: {
      int c = strcmp(a.s, b.s);
      return c == 0 ? 0 : c > 0 ? 1 : -1;
    }
    case K_PICTURE: {
      uint32_t header_a, header_b;
      memcpy(&header_a, a.p, 4);
      memcpy(&header_b, b.p, 4);
      if (header_a == header_b) return 0;
      uint16_t size_a[2], size_b[2];
      memcpy(size_a, a.p + 4, 4);
      memcpy(size_b, b.p + 4, 4);
      return uint32_t(size_a[0]) * size_a[1] > uint32_t(size_b[0]) * size_b[1] ? 1 : -1;
    }
    default:
      internal_error(57, "compare");
  }
}

image_choice choose_image(value v, int kind, int width, int precision, int font, bool grey,
                          uint32_t colour1, uint32_t colour2, const shown_image* current) {
  image_choice choice{};
  if (grey) colour1 = colour2 = GREY_COLOUR;
  bool needed = current == nullptr || current->kind != kind;
  if (kind != K_PICTURE) {
    if (font < 0 || font >= N_FONTS) internal_error(69, "update_image");
    char* text = encode_format_value(v, kind, width, precision);
    if (!needed) needed = current->font != font || strcmp(current->text, text) != 0;
    if (needed) {
      choice.new_image = true;
      choice.text = text;
      return choice;
    }
    if (kind != K_STRING || text != v.s) CheckedFree(text);
  } else {
    uint32_t header;
    memcpy(&header, v.p, 4);
    if (!needed) {
      needed = current->colours[0] != colour1 || current->colours[1] != colour2 ||
               current->header != header;
    }
    if (needed) {
      choice.new_image = true;
      choice.colours[0] = colour1;
      choice.colours[1] = colour2;
      choice.transparent = colour1 == TRANSPARENT_COLOUR && colour2 == TRANSPARENT_COLOUR;
      return choice;
    }
  }
  if (kind == K_STRING || kind == K_PICTURE) CheckedFree(v.s);
  return choice;
}
