// Text to value: the parsers of the five scalar kinds.
#include <cstdint>

#include "base/internal_error.h"
#include "runtime/encode_value.h"
#include "runtime/predefined.h"

constexpr uint32_t PREDEF_DEGREE_MARK = 88;
constexpr uint32_t MAX_KEPT = 2147483647;     // digits of a REAL part are kept up to 31 bits
constexpr int MAX_POWER = 49;                 // 10^0 to 10^49
constexpr int MIN_POWER = -48;                // a part scaled below this is 0
constexpr double MAX_REAL = 3.4028235e38;
constexpr uint32_t MAX_DEGREES = 119303;
constexpr uint32_t FULL_TURN = 1296000;       // arc-seconds
constexpr uint32_t MAX_INTEGER_PREFIX = 214748363;

static bool is_digit(char c) { return c >= '0' && c <= '9'; }
static int digit(char c) { return c - '0'; }

static const char* skip_blanks(const char* p) {
  while (*p == ' ') ++p;
  return p;
}

// True when only blanks are left.
static bool at_end(const char* p) { return *skip_blanks(p) == '\0'; }

// The optional sign; true for "-".
static bool read_sign(const char** p) {
  if (**p == '-') {
    ++*p;
    return true;
  }
  if (**p == '+') ++*p;
  return false;
}

static constexpr double TEN[MAX_POWER + 1] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12,
    1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22, 1e23, 1e24, 1e25,
    1e26, 1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37, 1e38,
    1e39, 1e40, 1e41, 1e42, 1e43, 1e44, 1e45, 1e46, 1e47, 1e48, 1e49};

// part × 10^power; false when the power is too large.
static bool scale(uint32_t part, int64_t power, double* result) {
  if (power > MAX_POWER) return false;
  if (power < MIN_POWER) *result = 0;
  else if (power >= 0) *result = part * TEN[power];
  else *result = part / TEN[-power];
  return true;
}

// Accumulates a digit while the number stays within `limit`.
static bool keep_digit(uint32_t* n, char c, uint32_t limit) {
  if (*n > (limit - uint32_t(digit(c))) / 10) return false;
  *n = *n * 10 + uint32_t(digit(c));
  return true;
}

static bool decode_real(const char* p, float* out) {
  p = skip_blanks(p);
  bool negative = read_sign(&p);
  uint32_t whole = 0;
  int dropped = 0;
  bool dropping = false;
  for (; is_digit(*p); ++p) {
    if (dropping || !keep_digit(&whole, *p, MAX_KEPT)) {
      dropping = true;
      ++dropped;
    }
  }
  uint32_t fraction = 0;
  int kept = 0;
  if (*p == '.') {
    dropping = false;
    for (++p; is_digit(*p); ++p) {
      if (dropping || !keep_digit(&fraction, *p, MAX_KEPT)) dropping = true;
      else ++kept;
    }
  }
  int64_t exponent = 0;
  if (*p == 'E' || *p == 'e') {
    ++p;
    bool negative_exponent = read_sign(&p);
    // Saturates far beyond any usable power.
    for (; is_digit(*p); ++p) {
      if (exponent < 100000) exponent = exponent * 10 + digit(*p);
    }
    if (negative_exponent) exponent = -exponent;
  }
  if (!at_end(p)) return true;
  double whole_part, fraction_part;
  if (!scale(whole, dropped + exponent, &whole_part)) return true;
  if (!scale(fraction, exponent - kept, &fraction_part)) return true;
  double magnitude = whole_part + fraction_part;
  if (magnitude > MAX_REAL) return true;
  *out = negative ? -float(magnitude) : float(magnitude);
  return false;
}

// Minutes or seconds: 60 or more is an error.
static bool read_sexagesimal(const char** p, uint32_t* n) {
  *n = 0;
  for (; is_digit(**p); ++*p) {
    if (!keep_digit(n, **p, 59)) return true;
  }
  return false;
}

static bool decode_angle(const char* p, int32_t* out) {
  p = skip_blanks(p);
  bool negative = read_sign(&p);
  if (!is_digit(*p)) return true;
  uint32_t degrees = 0;
  while (is_digit(*p) && keep_digit(&degrees, *p, MAX_DEGREES)) ++p;
  uint32_t seconds = degrees * 3600;
  char mark = char(get_predef(PREDEF_DEGREE_MARK));
  if (*p == '.') {
    // Hundred-thousandths of a degree from the first five fraction digits.
    uint32_t fraction = 0;
    int n = 0;
    for (++p; is_digit(*p); ++p, ++n) {
      if (n < 5) fraction = fraction * 10 + uint32_t(digit(*p));
    }
    for (; n < 5; ++n) fraction *= 10;
    seconds += fraction * 36 / 1000;
  } else if (*p == 'o' || (*p == mark && mark != '\0')) {
    ++p;
    uint32_t minutes, secs = 0;
    if (read_sexagesimal(&p, &minutes)) return true;
    if (*p == '"') {
      ++p;
      if (read_sexagesimal(&p, &secs)) return true;
    }
    seconds += minutes * 60 + secs;
  }
  if (!at_end(p)) return true;
  if (seconds > FULL_TURN) seconds %= FULL_TURN;
  *out = negative ? -int32_t(seconds) : int32_t(seconds);
  return false;
}

static bool decode_integer(const char* p, int32_t* out) {
  p = skip_blanks(p);
  bool negative = read_sign(&p);
  if (!is_digit(*p)) return true;
  uint32_t n = 0;
  for (; is_digit(*p) && n <= MAX_INTEGER_PREFIX; ++p) n = n * 10 + uint32_t(digit(*p));
  if (!at_end(p)) return true;
  *out = negative ? -int32_t(n) : int32_t(n);
  return false;
}

bool decode_value(const char* text, int kind, value* out) {
  switch (kind) {
    case K_REAL: {
      float r;
      if (decode_real(text, &r)) return true;
      out->raw = 0;
      out->r = r;
      return false;
    }
    case K_ANGLE:
    case K_INTEGER: {
      int32_t n;
      if (kind == K_ANGLE ? decode_angle(text, &n) : decode_integer(text, &n)) return true;
      *out = integer_value(n);
      return false;
    }
    case K_BOOLEAN:
    case K_CHARACTER:
      if (text[0] == '\0' || text[1] != '\0') return true;
      out->raw = 0;
      if (kind == K_BOOLEAN) out->b = text[0] != '0';
      else out->c = text[0];
      return false;
    default:
      internal_error(255, "decode_value");
  }
}
