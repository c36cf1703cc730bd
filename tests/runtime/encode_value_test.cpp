// The text form of values: scalar texts against the C library, the ANGLE
// formats, parsing, round trips, comparison, formatted texts and the choice
// of a widget's image.
#include "runtime/encode_value.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "base/checked_mm.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "runtime/tables.h"
#include "tests/support/dump_files.h"
#include "tests/support/yarl_writer.h"

namespace {

constexpr uint32_t DEGREE_MARK = 88;
constexpr uint32_t ANGLE_FORMAT = 103;

// The predefined variables exist only with a loaded program.
class TextForm : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
    decode_tables(bytes.data(), bytes.size());
    put_predef(DEGREE_MARK, 'o');
    put_predef(ANGLE_FORMAT, 2);
  }
  void TearDown() override { delete_tables(); }
};
using TextFormDeathTest = TextForm;

value real(float r) {
  value v{};
  v.r = r;
  return v;
}
value boolean(bool b) {
  value v{};
  v.b = b;
  return v;
}
value character(char c) {
  value v{};
  v.c = c;
  return v;
}
value string_value(const char* s) {
  value v{};
  v.s = dup_chars(s);
  return v;
}

std::string encoded(int kind, value v) {
  char buffer[ENCODE_BUFFER_SIZE];
  int n = encode_value(buffer, kind, v);
  EXPECT_EQ(size_t(n), strlen(buffer));
  return std::string(buffer, size_t(n));
}

// Distance in representable floats; 0 for equal values, also 0 and -0.
int64_t ulps(float a, float b) {
  auto ordered = [](float f) {
    int32_t bits = std::bit_cast<int32_t>(f);
    return bits < 0 ? int64_t(INT32_MIN) - bits : int64_t(bits);
  };
  return std::llabs(ordered(a) - ordered(b));
}

// A float from each binade (denormals included) in both signs, and random ones.
std::vector<float> float_sweep() {
  std::vector<float> values;
  std::mt19937 random(1106);
  for (uint32_t exponent = 0; exponent < 255; ++exponent) {
    for (uint32_t mantissa : {0u, 1u, 0x400000u, 0x7FFFFFu, uint32_t(random() & 0x7FFFFF)}) {
      uint32_t bits = exponent << 23 | mantissa;
      values.push_back(std::bit_cast<float>(bits));
      values.push_back(std::bit_cast<float>(bits | 0x80000000u));
    }
  }
  for (int i = 0; i < 200000; ++i) {
    float f = std::bit_cast<float>(uint32_t(random()));
    if (std::isfinite(f)) values.push_back(f);
  }
  return values;
}

// ---- REAL ----

TEST_F(TextForm, RealTextFollowsTheFixedRewriting) {
  const struct {
    float r;
    const char* text;
  } cases[] = {
      {100, "100.0"},
      {0.5f, "0.5"},
      {1e10f, "1.0e10"},
      {0.000015f, "1.5e-5"},
      {1e-5f, "1.0e-5"},
      {0.0001f, "0.0001"},
      {1234567, "1234567.0"},
      {12345678, "1.234568e7"},
      {123.25f, "123.25"},
      {-2.5f, "-2.5"},
      {0.0f, "0.0"},
      {-0.0f, "-0.0"},
      {FLT_MAX, "3.402823e38"},
      {-FLT_MIN, "-1.175494e-38"},
      {std::numeric_limits<float>::denorm_min(), "1.401298e-45"},
      // No digits and no "." in "inf" and "nan": ".0" comes first, the rest is copied.
      {INFINITY, ".0inf"},
      {-INFINITY, "-.0inf"},
      {NAN, ".0nan"},
  };
  for (const auto& c : cases) EXPECT_EQ(encoded(K_REAL, real(c.r)), c.text) << c.r;
}

// The text is "%.7g" in another spelling: the C library reads the same number
// from both, and the shape is always digits "." digits and an optional exponent.
TEST_F(TextForm, RealTextIsTheSameNumberAsPrintf) {
  static const std::regex shape("-?[0-9]+\\.[0-9]+(e-?[1-9][0-9]*)?");
  for (float r : float_sweep()) {
    char printf_text[32];
    snprintf(printf_text, sizeof printf_text, "%.7g", double(r));
    std::string text = encoded(K_REAL, real(r));
    ASSERT_TRUE(std::regex_match(text, shape)) << text;
    float ours = strtof(text.c_str(), nullptr);
    float theirs = strtof(printf_text, nullptr);
    ASSERT_EQ(std::bit_cast<uint32_t>(ours), std::bit_cast<uint32_t>(theirs)) << text;
  }
}

// Parsing keeps 31 bits of digits per part and scales in doubles: within one
// float of strtof wherever no part is scaled below 10^-48.
TEST_F(TextForm, RealTextParsesWithinOneUlpOfStrtof) {
  for (float r : float_sweep()) {
    if (std::fabs(r) < 1e-41f) continue;  // fraction digits scaled below 10^-48 are dropped
    std::string text = encoded(K_REAL, real(r));
    value v{};
    ASSERT_FALSE(decode_value(text.c_str(), K_REAL, &v)) << text;
    float reference = strtof(text.c_str(), nullptr);
    ASSERT_LE(ulps(v.r, reference), 1) << text << " gives " << v.r;
    ASSERT_EQ(std::signbit(v.r), std::signbit(reference)) << text;
  }
}

TEST_F(TextForm, RealDecodingTable) {
  const struct {
    const char* text;
    bool error;
    float r;  // or the strtof of `reference` when given
    const char* reference;
  } cases[] = {
      {"  12.5  ", false, 12.5f, nullptr},
      {"+3", false, 3, nullptr},
      {"-0", false, -0.0f, nullptr},
      {"1E-5", false, 0, "1e-5"},
      {"1.5e+3", false, 1500, nullptr},
      {"3.4028235e38", false, FLT_MAX, nullptr},
      {"-3.4028235e38", false, -FLT_MAX, nullptr},
      {"12345678901234567890", false, 0, "12345678901234567890"},  // dropped digits
      {"0.1234567890123456", false, 0, "0.1234567890123456"},      // ignored digits
      {"1e-45", false, 0, "1e-45"},
      {"1.234567e-43", false, 0, "1e-43"},  // the fraction scaled to 10^-49 is 0
      {"1e-60", false, 0, nullptr},
      {"0.0000000000000000000000000000000000000000000000000001", false, 0, nullptr},
      {"", false, 0, nullptr},  // no digit is needed
      {".", false, 0, nullptr},
      {"3.4028236e38", true, 0, nullptr},
      {"1e49", true, 0, nullptr},
      {"1e50", true, 0, nullptr},
      {"0e50", true, 0, nullptr},  // the integer part's power alone is too large
      {"1e99999999999999999999", true, 0, nullptr},
      {"1.5x", true, 0, nullptr},
      {"1.5 x", true, 0, nullptr},
      {"- 1", true, 0, nullptr},
      {"inf", true, 0, nullptr},
      {"nan", true, 0, nullptr},
      {"1,5", true, 0, nullptr},
  };
  for (const auto& c : cases) {
    value v = real(77);
    bool error = decode_value(c.text, K_REAL, &v);
    ASSERT_EQ(error, c.error) << '"' << c.text << '"';
    if (error) {
      EXPECT_EQ(v.r, 77) << "unchanged on error: " << c.text;
      continue;
    }
    float want = c.reference ? strtof(c.reference, nullptr) : c.r;
    EXPECT_LE(ulps(v.r, want), 1) << c.text << " gives " << v.r;
    EXPECT_EQ(std::signbit(v.r), std::signbit(want)) << c.text;
  }
}

// ---- ANGLE ----

TEST_F(TextForm, AngleTextInEveryFormat) {
  const struct {
    int32_t format;
    char mark;
    int32_t seconds;
    const char* text;
  } cases[] = {
      {2, 'o', 3723, "1o2\"3"},
      {2, 'o', 3600, "1o"},
      {2, 'o', 3660, "1o1"},
      {2, 'o', 3603, "1o0\"3"},
      {2, 'o', 0, "0o"},
      {2, 'o', -3723, "-1o2\"3"},
      {2, 'd', 3723, "1d2\"3"},
      {2, 'o', INT32_MAX, "596523o14\"7"},
      {2, 'o', INT32_MIN, "-596523o14\"8"},
      {3, 'o', 5400, "1.5"},
      {3, 'o', 30, "0.0"},
      {3, 'o', 0, "0.0"},
      {4, 'o', 5400, "1.50"},
      {5, 'o', 3723, "1.034"},
      {6, 'o', 3723, "1.0342"},
      {6, 'o', -5400, "-1.5000"},
      {6, 'o', INT32_MAX, "596523.2353"},
      {6, 'o', INT32_MIN, "-596523.2356"},
      // Other formats round to the minute; 30 seconds round down.
      {0, 'o', 3630, "1o"},
      {0, 'o', 3631, "1o1"},
      {1, 'o', -3631, "-1o1"},
      {7, 'o', 3600 + 59 * 60 + 31, "2o"},
      {-1, 'o', 3600 + 59 * 60 + 30, "1o59"},
      {1000, 'd', 91, "0d2"},
      {0, 'o', INT32_MIN, "-596523o14"},
  };
  for (const auto& c : cases) {
    put_predef(ANGLE_FORMAT, c.format);
    put_predef(DEGREE_MARK, c.mark);
    EXPECT_EQ(encoded(K_ANGLE, integer_value(c.seconds)), c.text)
        << "format " << c.format << ", " << c.seconds;
  }
}

TEST_F(TextForm, AngleDecodingTable) {
  const struct {
    const char* text;
    char mark;
    bool error;
    int32_t seconds;
  } cases[] = {
      {"-1o30", 'o', false, -5400},
      {"1o2\"3", 'o', false, 3723},
      {"1d2\"3", 'd', false, 3723},
      {"1o2\"3", 'd', false, 3723},  // "o" is always a degree mark
      {"1o", 'o', false, 3600},
      {"  +1o2  ", 'o', false, 3720},
      {"1.5", 'o', false, 5400},
      {"1.", 'o', false, 3600},
      {"1.00001", 'o', false, 3600},       // 36/1000 of a second is dropped
      {"1.12345678", 'o', false, 4044},    // five fraction digits count
      {"360", 'o', false, 1296000},        // a full turn is kept
      {"361", 'o', false, 3600},           // beyond it, modulo a turn
      {"-361", 'o', false, -3600},
      {"119303", 'o', false, 119303 * 3600 % 1296000},
      {"119304", 'o', true, 0},
      {"1o60", 'o', true, 0},
      {"1o2\"60", 'o', true, 0},
      {"1\"3", 'o', true, 0},  // seconds only after a degree mark
      {"1d2", 'o', true, 0},
      {"o5", 'o', true, 0},
      {"", 'o', true, 0},
      {"-", 'o', true, 0},
      {"1 o", 'o', true, 0},
      {"1x", 'o', true, 0},
      {"1.5o", 'o', true, 0},
  };
  for (const auto& c : cases) {
    put_predef(DEGREE_MARK, c.mark);
    value v = integer_value(77);
    ASSERT_EQ(decode_value(c.text, K_ANGLE, &v), c.error) << '"' << c.text << '"';
    EXPECT_EQ(v.i, c.error ? 77 : c.seconds) << c.text;
  }
}

// Every scalar text fits ENCODE_BUFFER_SIZE with its terminating NUL.
TEST_F(TextForm, EveryScalarTextFitsTheBuffer) {
  auto check = [](int kind, value v) {
    char buffer[64];
    memset(buffer, '#', sizeof buffer);
    int n = encode_value(buffer, kind, v);
    ASSERT_LT(n, ENCODE_BUFFER_SIZE) << buffer;
    ASSERT_EQ(buffer[n], '\0');
    for (size_t i = size_t(n) + 1; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], '#');
  };
  for (float r : float_sweep()) check(K_REAL, real(r));
  for (float r : {INFINITY, -INFINITY, NAN, -NAN}) check(K_REAL, real(r));
  std::vector<int32_t> counts = {INT32_MIN, INT32_MIN + 1, INT32_MAX, -1, 0, -3599};
  for (int32_t s = INT32_MIN + 17; s < INT32_MAX - 4999999; s += 4999999) counts.push_back(s);
  for (int32_t format : {-1, 0, 2, 3, 4, 5, 6, 7}) {
    put_predef(ANGLE_FORMAT, format);
    for (int32_t s : counts) check(K_ANGLE, integer_value(s));
  }
  for (int32_t i : {INT32_MIN, INT32_MAX, 0}) check(K_INTEGER, integer_value(i));
}

// ---- INTEGER, BOOLEAN, CHARACTER ----

TEST_F(TextForm, IntegerBooleanAndCharacterTexts) {
  const struct {
    int kind;
    value v;
    const char* text;
  } cases[] = {
      {K_INTEGER, integer_value(0), "0"},
      {K_INTEGER, integer_value(-42), "-42"},
      {K_INTEGER, integer_value(INT32_MIN), "-2147483648"},
      {K_INTEGER, integer_value(INT32_MAX), "2147483647"},
      {K_BOOLEAN, boolean(false), "0"},
      {K_BOOLEAN, boolean(true), "1"},
      {K_CHARACTER, character('x'), "x"},
      {K_CHARACTER, character('\xE9'), "\xE9"},
  };
  for (const auto& c : cases) EXPECT_EQ(encoded(c.kind, c.v), c.text);
}

TEST_F(TextForm, IntegerBooleanAndCharacterDecoding) {
  const struct {
    int kind;
    const char* text;
    bool error;
    int32_t expected;  // the value's i, or its byte for BOOLEAN and CHARACTER
  } cases[] = {
      {K_INTEGER, " 12 ", false, 12},
      {K_INTEGER, "+7", false, 7},
      {K_INTEGER, "-2147483639", false, -2147483639},
      {K_INTEGER, "2147483639", false, 2147483639},
      {K_INTEGER, "00000000012", false, 12},
      {K_INTEGER, "2147483647", true, 0},
      {K_INTEGER, "2147483640", true, 0},
      {K_INTEGER, "-2147483648", true, 0},
      {K_INTEGER, "21474836390", true, 0},
      {K_INTEGER, "12a", true, 0},
      {K_INTEGER, "1 2", true, 0},
      {K_INTEGER, "", true, 0},
      {K_INTEGER, "-", true, 0},
      {K_INTEGER, "- 1", true, 0},
      {K_BOOLEAN, "0", false, 0},
      {K_BOOLEAN, "1", false, 1},
      {K_BOOLEAN, "x", false, 1},
      {K_BOOLEAN, "", true, 0},
      {K_BOOLEAN, "00", true, 0},
      {K_CHARACTER, "a", false, 'a'},
      {K_CHARACTER, " ", false, ' '},
      {K_CHARACTER, "ab", true, 0},
      {K_CHARACTER, "", true, 0},
  };
  for (const auto& c : cases) {
    value v = integer_value(77);
    ASSERT_EQ(decode_value(c.text, c.kind, &v), c.error) << c.kind << " \"" << c.text << '"';
    int32_t got = c.kind == K_INTEGER ? v.i : c.error ? v.i : v.b;
    EXPECT_EQ(got, c.error ? 77 : c.expected) << c.text;
  }
}

// ---- Round trips ----

TEST_F(TextForm, ExactRoundTripsOfAngleIntegerBooleanAndCharacter) {
  put_predef(DEGREE_MARK, '*');
  for (int32_t s = -1296000; s <= 1296000; s += 7) {
    value v{};
    std::string text = encoded(K_ANGLE, integer_value(s));
    ASSERT_FALSE(decode_value(text.c_str(), K_ANGLE, &v)) << text;
    ASSERT_EQ(v.i, s) << text;
  }
  std::vector<int32_t> integers = {0, -1, 2147483639, -2147483639};
  for (int32_t i = -2147483639; i < 2147483639 - 9999991; i += 9999991) integers.push_back(i);
  for (int32_t i : integers) {
    value v{};
    ASSERT_FALSE(decode_value(encoded(K_INTEGER, integer_value(i)).c_str(), K_INTEGER, &v));
    ASSERT_EQ(v.i, i);
  }
  for (bool b : {false, true}) {
    value v{};
    ASSERT_FALSE(decode_value(encoded(K_BOOLEAN, boolean(b)).c_str(), K_BOOLEAN, &v));
    EXPECT_EQ(v.b, b);
  }
  for (int c = 1; c < 256; ++c) {
    value v{};
    ASSERT_FALSE(decode_value(encoded(K_CHARACTER, character(char(c))).c_str(), K_CHARACTER, &v));
    ASSERT_EQ(uint8_t(v.c), c);
  }
}

// Decimal and rounded formats come back within their last digit's half step.
TEST_F(TextForm, AngleRoundTripsWithinTheFormatsPrecision) {
  const struct {
    int32_t format;
    int32_t tolerance;  // arc-seconds
  } cases[] = {{3, 181}, {4, 19}, {5, 3}, {6, 1}, {0, 30}, {9, 30}};
  for (const auto& c : cases) {
    put_predef(ANGLE_FORMAT, c.format);
    for (int32_t s = -1295000; s <= 1295000; s += 997) {
      value v{};
      std::string text = encoded(K_ANGLE, integer_value(s));
      ASSERT_FALSE(decode_value(text.c_str(), K_ANGLE, &v)) << text;
      ASSERT_LE(std::abs(v.i - s), c.tolerance) << "format " << c.format << ": " << text;
    }
  }
}

// ---- compare ----

std::vector<uint8_t> picture(uint32_t header, uint16_t width, uint16_t height) {
  std::vector<uint8_t> block(8 + 4 * size_t(width) * height);
  memcpy(block.data(), &header, 4);
  memcpy(block.data() + 4, &width, 2);
  memcpy(block.data() + 6, &height, 2);
  return block;
}

TEST_F(TextForm, CompareByKind) {
  std::vector<uint8_t> p1 = picture(1, 2, 3), p1_big = picture(1, 9, 9), p2 = picture(2, 3, 2),
                       p3 = picture(3, 1, 1), p4 = picture(4, 7, 1);
  auto pic = [](std::vector<uint8_t>& b) {
    value v{};
    v.p = b.data();
    return v;
  };
  char abc[] = "abc", abd[] = "abd", b[] = "b", high[] = "\xC8", a[] = "a";
  auto str = [](char* s) {
    value v{};
    v.s = s;
    return v;
  };
  const struct {
    int kind;
    value a, b;
    int result;
  } cases[] = {
      {K_REAL, real(1), real(2), -1},
      {K_REAL, real(2), real(1), 1},
      {K_REAL, real(0.0f), real(-0.0f), 0},
      {K_REAL, real(-INFINITY), real(-FLT_MAX), -1},
      {K_REAL, real(NAN), real(1), -1},
      {K_REAL, real(1), real(NAN), -1},
      {K_REAL, real(NAN), real(NAN), -1},
      {K_ANGLE, integer_value(-1), integer_value(1), -1},
      {K_ANGLE, integer_value(5), integer_value(5), 0},
      {K_INTEGER, integer_value(INT32_MAX), integer_value(INT32_MIN), 1},
      {K_INTEGER, integer_value(-2), integer_value(-1), -1},
      {K_BOOLEAN, boolean(true), boolean(false), 1},
      {K_BOOLEAN, boolean(true), boolean(true), 0},
      {K_CHARACTER, character('\xC8'), character('a'), 1},  // unsigned
      {K_CHARACTER, character('a'), character('b'), -1},
      {K_STRING, str(abc), str(abd), -1},
      {K_STRING, str(b), str(abc), 1},
      {K_STRING, str(abc), str(abc), 0},
      {K_STRING, str(high), str(a), 1},
      {K_PICTURE, pic(p1), pic(p1_big), 0},  // the header word alone decides equality
      {K_PICTURE, pic(p4), pic(p3), 1},
      {K_PICTURE, pic(p3), pic(p4), -1},
      {K_PICTURE, pic(p1), pic(p2), -1},  // as many pixels is not more
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compare(c.kind, c.a, c.b), c.result)
        << "kind " << c.kind << " case " << (&c - cases);
  }
}

// ---- encode_format_value ----

TEST_F(TextForm, FormattedTextTable) {
  const struct {
    int kind;
    value v;
    int width, precision;
    std::string text;
  } cases[] = {
      {K_REAL, real(3.14159f), 8, 2, "    3.14"},
      {K_REAL, real(3.14159f), 0, 3, "3.142"},
      {K_REAL, real(3.14159f), 3, 0, "  3"},
      {K_REAL, real(-0.5f), 0, 1, "-0.5"},
      {K_REAL, real(100), 0, 0, "100.0"},
      {K_REAL, real(-FLT_MAX), 0, 255,
       "-340282346638528859811704183484516925440." + std::string(255, '0')},
      {K_REAL, real(-FLT_MAX), 255, 255,
       "-340282346638528859811704183484516925440." + std::string(255, '0')},
      {K_REAL, real(1), 255, 0, std::string(254, ' ') + "1"},
      {K_ANGLE, integer_value(3723), 0, 0, "1o2\"3"},
      {K_ANGLE, integer_value(3723), 10, 2, "  1o2\"3   "},
      {K_ANGLE, integer_value(3723), 3, 2, "  1o2\"3"},
      {K_ANGLE, integer_value(INT32_MIN), 0, 255, std::string(255, ' ') + "-596523o14\"8"},
      {K_ANGLE, integer_value(3600), 255, 255, std::string(255, ' ') + "1o"},
      {K_ANGLE, integer_value(3600), 255, 0, "1o" + std::string(253, ' ')},
      {K_INTEGER, integer_value(42), 5, 0, "   42"},
      {K_INTEGER, integer_value(-42), 0, 3, "-42"},
      {K_INTEGER, integer_value(INT32_MIN), 255, 0, std::string(244, ' ') + "-2147483648"},
      {K_BOOLEAN, boolean(true), 0, 0, "1"},
      {K_CHARACTER, character('z'), 0, 0, "z"},
  };
  for (const auto& c : cases) {
    char* text = encode_format_value(c.v, c.kind, c.width, c.precision);
    EXPECT_EQ(text, c.text) << "kind " << c.kind << " width " << c.width << " precision "
                            << c.precision;
    CheckedFree(text);
  }
}

TEST_F(TextForm, FormattedStringIsTheValueItself) {
  value v = string_value("keep");
  EXPECT_EQ(encode_format_value(v, K_STRING, 0, 0), v.s);
  CheckedFree(v.s);
}

TEST_F(TextFormDeathTest, KindsOutsideTheirOperationsAreInternalErrors) {
  const char* const report = "module name: %s\\.\n4\\) line number in that module: %d\\.\n";
  auto expect = [report](auto call, const char* module, int number) {
    char pattern[200];
    snprintf(pattern, sizeof pattern, report, module, number);
    EXPECT_EXIT(call(), testing::ExitedWithCode(1), removing_dump(pattern));
  };
  char buffer[ENCODE_BUFFER_SIZE];
  value s = string_value("s");
  expect([&] { encode_value(buffer, K_STRING, s); }, "encode_value", 177);
  expect([&] { encode_format_value(s, K_STRING, 1, 0); }, "encode_format_value", 65);
  expect([&] { encode_format_value(boolean(true), K_BOOLEAN, 0, 1); }, "encode_format_value", 65);
  expect([&] { decode_value("1", K_STRING, &s); }, "decode_value", 255);
  expect([&] { compare(7, s, s); }, "compare", 57);
  expect([&] { choose_image(integer_value(1), K_INTEGER, 0, 0, 18, false, 0, 0, nullptr); },
         "update_image", 69);
  CheckedFree(s.s);
}

// ---- Widget image ----

TEST_F(TextForm, TextImageIsReplacedOnlyWhenKindFontOrTextChange) {
  const shown_image current{K_INTEGER, 3, "42", {0, 0}, 0};
  const struct {
    int kind;
    int32_t i;
    int font;
    bool with_image;
    bool new_image;
    const char* text;
  } cases[] = {
      {K_INTEGER, 42, 3, true, false, nullptr},
      {K_INTEGER, 42, 3, false, true, "42"},
      {K_INTEGER, 43, 3, true, true, "43"},
      {K_INTEGER, 42, 4, true, true, "42"},
      {K_ANGLE, 42, 3, true, true, "0o0\"42"},
  };
  for (const auto& c : cases) {
    int32_t balance = GetMallocBalance();
    image_choice choice = choose_image(integer_value(c.i), c.kind, 0, 0, c.font, false, 0, 0,
                                       c.with_image ? &current : nullptr);
    ASSERT_EQ(choice.new_image, c.new_image) << (&c - cases);
    if (c.new_image) {
      EXPECT_STREQ(choice.text, c.text);
      CheckedFree(choice.text);
    } else {
      EXPECT_EQ(choice.text, nullptr);
    }
    EXPECT_EQ(GetMallocBalance(), balance) << "the text of a kept image is freed";
  }
}

TEST_F(TextForm, StringValueIsTheNewTextOrFreed) {
  const shown_image current{K_STRING, 0, "same", {0, 0}, 0};
  int32_t balance = GetMallocBalance();
  value same = string_value("same");
  image_choice kept = choose_image(same, K_STRING, 0, 0, 0, false, 0, 0, &current);
  EXPECT_FALSE(kept.new_image);
  EXPECT_EQ(GetMallocBalance(), balance) << "the handed-over STRING is freed";

  value other = string_value("other");
  image_choice changed = choose_image(other, K_STRING, 0, 0, 0, false, 0, 0, &current);
  EXPECT_TRUE(changed.new_image);
  EXPECT_EQ(changed.text, other.s) << "the STRING itself becomes the image's text";
  CheckedFree(changed.text);
  EXPECT_EQ(GetMallocBalance(), balance);
}

TEST_F(TextForm, PictureImageFollowsColoursAndHeader) {
  constexpr uint32_t T = TRANSPARENT_COLOUR;
  const shown_image current{K_PICTURE, 0, nullptr, {0x112233, 0x445566}, 7};
  const struct {
    uint32_t header;
    bool grey;
    uint32_t colour1, colour2;
    bool with_image;
    bool new_image;
    uint32_t shown1, shown2;
    bool transparent;
  } cases[] = {
      {7, false, 0x112233, 0x445566, true, false, 0, 0, false},
      {7, false, 0x112233, 0x445566, false, true, 0x112233, 0x445566, false},
      {8, false, 0x112233, 0x445566, true, true, 0x112233, 0x445566, false},
      {7, false, 0x112233, 0x000000, true, true, 0x112233, 0x000000, false},
      {7, true, 0x112233, 0x445566, true, true, GREY_COLOUR, GREY_COLOUR, false},
      {7, false, T, T, true, true, T, T, true},
      {7, false, T, 0, true, true, T, 0, false},
      {7, true, T, T, false, true, GREY_COLOUR, GREY_COLOUR, false},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> block = picture(c.header, 1, 1);
    int32_t balance = GetMallocBalance();
    value v{};
    v.p = static_cast<uint8_t*>(CheckedMalloc(block.size()));
    memcpy(v.p, block.data(), block.size());
    image_choice choice = choose_image(v, K_PICTURE, 0, 0, 0, c.grey, c.colour1, c.colour2,
                                       c.with_image ? &current : nullptr);
    ASSERT_EQ(choice.new_image, c.new_image) << (&c - cases);
    if (c.new_image) {
      EXPECT_EQ(choice.colours[0], c.shown1);
      EXPECT_EQ(choice.colours[1], c.shown2);
      EXPECT_EQ(choice.transparent, c.transparent);
      CheckedFree(v.p);  // the new image would own it
    }
    EXPECT_EQ(GetMallocBalance(), balance) << (&c - cases);
  }
}

}  // namespace
