#include "toolkit/hls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "tests/scene/host_tools.h"
#include "tests/support/runner.h"

namespace {

struct HlsCase {
  const char* name;
  float r, g, b;
  float h, l, s;
};

const HlsCase hls_cases[] = {
    {"red", 1, 0, 0, 0, 0.5f, 1},    // the computed 360 folds to 0
    {"green", 0, 1, 0, 120, 0.5f, 1},
    {"blue", 0, 0, 1, 240, 0.5f, 1},
    {"black", 0, 0, 0, 0, 0, 0},
    {"white", 1, 1, 1, 0, 1, 0},
    {"grey", 0.3f, 0.3f, 0.3f, 0, 0.3f, 0},
    {"yellow", 1, 1, 0, 60, 0.5f, 1},
    {"violet", 0.5f, 0.25f, 0.75f, 270, 0.5f, 0.5f},
};

void PrintTo(const HlsCase& c, std::ostream* os) { *os << c.name; }

class Hls : public testing::TestWithParam<HlsCase> {};

TEST_P(Hls, ConvertsBothWays) {
  const HlsCase& c = GetParam();
  float h, l, s;
  convert_rgb_to_hls(c.r, c.g, c.b, &h, &l, &s);
  EXPECT_NEAR(h, c.h, 1e-3f);
  EXPECT_NEAR(l, c.l, 1e-5f);
  EXPECT_NEAR(s, c.s, 1e-5f);
  float r, g, b;
  convert_hls_to_rgb(c.h, c.l, c.s, &r, &g, &b);
  EXPECT_NEAR(r, c.r, 1e-5f);
  EXPECT_NEAR(g, c.g, 1e-5f);
  EXPECT_NEAR(b, c.b, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(Colours, Hls, testing::ValuesIn(hls_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Hls, HueOf360ConvertsLikeZero) {
  float a[3], b[3];
  convert_hls_to_rgb(360, 0.4f, 0.7f, &a[0], &a[1], &a[2]);
  convert_hls_to_rgb(0, 0.4f, 0.7f, &b[0], &b[1], &b[2]);
  for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(a[i], b[i]);
}

// ---- Against Python's colorsys ----

// Reads "rgb r g b" and "hls h l s" lines (hue in degrees) and prints the
// conversion of each by colorsys, whose hue runs from 0 to 1.
constexpr const char* COLORSYS_SCRIPT = R"(import colorsys, sys
for line in sys.stdin:
    kind, a, b, c = line.split()
    a, b, c = float(a), float(b), float(c)
    if kind == "rgb":
        h, l, s = colorsys.rgb_to_hls(a, b, c)
        print(repr(h * 360.0), repr(l), repr(s))
    else:
        print(*map(repr, colorsys.hls_to_rgb(a / 360.0, b, c)))
)";

struct Triple {
  float v[3];
};

// The hue difference on the circle: 359.9 and 0 are close.
float hue_distance(float a, float b) {
  float d = std::fabs(a - b);
  return std::fmin(d, 360.0f - d);
}

TEST(Hls, AgreesWithPythonsColorsysBothWays) {
  std::vector<Triple> rgb, hls;
  const float steps[] = {0, 0.1f, 0.25f, 0.5f, 0.6f, 0.9f, 1};
  for (float r : steps) {
    for (float g : steps) {
      for (float b : steps) rgb.push_back({{r, g, b}});
    }
  }
  for (float h : {0.0f, 15.0f, 59.5f, 60.0f, 119.0f, 180.0f, 233.3f, 300.0f, 359.0f, 360.0f}) {
    for (float l : {0.0f, 0.2f, 0.5f, 0.7f, 1.0f}) {
      for (float s : {0.0f, 0.35f, 1.0f}) hls.push_back({{h, l, s}});
    }
  }
  TempDir dir;
  write_file(dir.file("reference_hls.py"), COLORSYS_SCRIPT);  // "colorsys.py" would hide the module
  std::ostringstream table;
  table.precision(9);
  for (const Triple& c : rgb) table << "rgb " << c.v[0] << ' ' << c.v[1] << ' ' << c.v[2] << '\n';
  for (const Triple& c : hls) table << "hls " << c.v[0] << ' ' << c.v[1] << ' ' << c.v[2] << '\n';
  write_file(dir.file("colours.txt"), table.str());
  std::string command = "python3 '" + host_tools::tool_path(dir.file("reference_hls.py")) + "' < '" +
                        host_tools::tool_path(dir.file("colours.txt")) + "' > '" +
                        host_tools::tool_path(dir.file("expected.txt")) + "'";
  ASSERT_EQ(host_tools::run(command), 0);
  std::ifstream expected(dir.file("expected.txt"));
  for (const Triple& c : rgb) {
    float want[3];
    ASSERT_TRUE(expected >> want[0] >> want[1] >> want[2]);
    float h, l, s;
    convert_rgb_to_hls(c.v[0], c.v[1], c.v[2], &h, &l, &s);
    std::string at = "rgb " + std::to_string(c.v[0]) + " " + std::to_string(c.v[1]) + " " + std::to_string(c.v[2]);
    if (s > 1e-6f) {  // a grey has no hue to compare
      EXPECT_LT(hue_distance(h, want[0]), 1e-3f) << at;
    }
    EXPECT_NEAR(l, want[1], 1e-6f) << at;
    EXPECT_NEAR(s, want[2], 1e-5f) << at;
  }
  for (const Triple& c : hls) {
    float want[3];
    ASSERT_TRUE(expected >> want[0] >> want[1] >> want[2]);
    float got[3];
    convert_hls_to_rgb(c.v[0], c.v[1], c.v[2], &got[0], &got[1], &got[2]);
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(got[i], want[i], 1e-5f) << "hls " << c.v[0] << " " << c.v[1] << " " << c.v[2] << " component " << i;
  }
}

// ---- The checked entry for colours from outside ----

struct CheckedCase {
  const char* name;
  ColourSpace from;
  float in[3];
  int bad;          // the component refused, 0 none
  float same_as[3];  // accepted: converts like this colour of the same space
};

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

const CheckedCase checked_cases[] = {
    {"RgbInRange", ColourSpace::RGB, {0.2f, 0.4f, 0.6f}, 0, {0.2f, 0.4f, 0.6f}},
    {"RgbLimits", ColourSpace::RGB, {0, 1, 1}, 0, {0, 1, 1}},
    {"RedAboveOne", ColourSpace::RGB, {1.0001f, 0, 0}, 1, {}},
    {"GreenBelowZero", ColourSpace::RGB, {0, -0.1f, 0}, 2, {}},
    {"BlueNotANumber", ColourSpace::RGB, {0, 0, NaN}, 3, {}},
    {"HueFullTurnIsZero", ColourSpace::HLS, {360, 0.5f, 1}, 0, {0, 0.5f, 1}},
    {"HueTwoTurnsAndABit", ColourSpace::HLS, {750, 0.5f, 1}, 0, {30, 0.5f, 1}},
    {"NegativeHueWraps", ColourSpace::HLS, {-90, 0.4f, 0.8f}, 0, {270, 0.4f, 0.8f}},
    {"TinyNegativeHueIsZero", ColourSpace::HLS, {-1e-6f, 0.5f, 1}, 0, {0, 0.5f, 1}},
    {"HueInfinite", ColourSpace::HLS, {Inf, 0.5f, 1}, 1, {}},
    {"HueNotANumber", ColourSpace::HLS, {NaN, 0.5f, 1}, 1, {}},
    {"LightnessAboveOne", ColourSpace::HLS, {0, 1.5f, 1}, 2, {}},
    {"SaturationBelowZero", ColourSpace::HLS, {0, 0.5f, -1}, 3, {}},
};

void PrintTo(const CheckedCase& c, std::ostream* os) { *os << c.name; }

class CheckedColour : public testing::TestWithParam<CheckedCase> {};

TEST_P(CheckedColour, WrapsHuesAndRefusesComponentsOutOfRange) {
  const CheckedCase& c = GetParam();
  float out[3] = {-7, -7, -7};
  EXPECT_EQ(convert_checked_colour(c.from, c.in, out), c.bad);
  if (c.bad != 0) {
    for (float v : out) EXPECT_EQ(v, -7);  // untouched
    return;
  }
  float want[3];
  const float* a = c.same_as;
  if (c.from == ColourSpace::RGB) convert_rgb_to_hls(a[0], a[1], a[2], &want[0], &want[1], &want[2]);
  else convert_hls_to_rgb(a[0], a[1], a[2], &want[0], &want[1], &want[2]);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], want[i], 1e-5f) << i;
}

INSTANTIATE_TEST_SUITE_P(FromOutside, CheckedColour, testing::ValuesIn(checked_cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
