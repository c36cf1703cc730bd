#include "toolkit/hls.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
