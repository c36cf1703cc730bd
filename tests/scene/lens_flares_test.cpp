// Lens flares over the view: the glow at the light and its elements along the
// line through the centre, hidden by a surface in front, by a spot's cone and
// by the visibility settings; the profile textures.
#include "scene/lens_flares.h"

#include <gtest/gtest.h>

#include "tests/scene/effects_scene.h"
#include "tests/support/graphics_environment.h"

namespace {

using namespace effects;

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

// The start-up view spans 4095 units over its 1280 pixels: x = 1228.5 is
// normalised 0.6, where type 1 puts its disc at -0.6.
constexpr float LIGHT_X = 1228.5f;

class LensFlares : public Effects {
 protected:
  void SetUp() override {
    Effects::SetUp();
    get_display_options()->set_display_lens_flares(true);
    set_lens_flares(1, true, false);
    lights_off();
  }
  void TearDown() override {
    set_lens_flares(1, true, false);
    Effects::TearDown();
  }
  static void flare_light(float x, float z = 0) {
    const float at[4] = {x, 0, z, 1};
    light(GL_LIGHT0, at, false);
    set_light_lens_flares(GL_LIGHT0, true);
  }
  // Brightness above the blue background at normalised (x, y) of the view.
  static int glow(float x, float y) {
    Rgb c = pixel(int(640 + x * 640), int(512 + y * 640));
    return c.r + c.g;
  }
};

TEST_F(LensFlares, AGlowAtTheLightAndItsDiscAcrossTheCentre) {
  ASSERT_EQ(run(blue_background()), "");
  flare_light(LIGHT_X);
  EXPECT_FALSE(repaint());
  EXPECT_GT(glow(0.6f, 0), 200) << "the spark and ring at the light";
  EXPECT_GT(glow(-0.6f, 0), 60) << "the disc at t = 0.8";
  EXPECT_LT(glow(0, 0.6f), 10) << "nothing elsewhere";
  EXPECT_LT(glow(-0.2f, -0.5f), 10);
}

TEST_F(LensFlares, NoFlareBehindAnOpaqueSurface) {
  ASSERT_EQ(run(blue_background() + wall(1, LIGHT_X, -500, 0, 300, {0, 0, 0})), "");
  flare_light(LIGHT_X);
  EXPECT_FALSE(repaint());
  EXPECT_LT(glow(0.6f, 0), 10);
  EXPECT_LT(glow(-0.6f, 0), 10);
}

TEST_F(LensFlares, ASpotShowsItsFlareOnlyToAnEyeInsideItsCone) {
  ASSERT_EQ(run(blue_background()), "");
  flare_light(LIGHT_X);
  set_light_spot_cutoff(GL_LIGHT0, 30);
  const struct {
    float direction[3];
    bool flare;
  } cases[] = {{{0, -1, 0}, true}, {{0, 1, 0}, false}, {{1, 0, 0}, false}};
  for (const auto& c : cases) {
    set_light_spot_direction(GL_LIGHT0, c.direction);
    EXPECT_FALSE(repaint());
    EXPECT_EQ(glow(-0.6f, 0) > 60, c.flare) << c.direction[0] << " " << c.direction[1];
  }
}

TEST_F(LensFlares, HiddenOnlyFlaresShowForLightsOutsideTheView) {
  ASSERT_EQ(run(blue_background()), "");
  set_lens_flares(1, false, true);
  flare_light(LIGHT_X);
  EXPECT_FALSE(repaint());
  EXPECT_LT(glow(-0.6f, 0), 10) << "inside the view";
  flare_light(3000);  // normalised 1.465: its disc falls at 0.265
  EXPECT_FALSE(repaint());
  EXPECT_GT(glow(0.265f, 0), 60) << "outside the view";
}

TEST_F(LensFlares, SettingsRequestARepaintOnlyWhileFlaresAreShown) {
  EXPECT_TRUE(set_lens_flares(4, true, true));
  EXPECT_FALSE(set_lens_flares(4, true, true));
  get_display_options()->set_display_lens_flares(false);
  EXPECT_FALSE(set_lens_flares(5, true, true));
  unsigned type;
  bool visible, hidden;
  get_lens_flares(&type, &visible, &hidden);
  EXPECT_EQ(type, 5u);
}

TEST(LensFlareProfiles, RingDiscHexagonAndStar) {
  // Texel (i, j) is (u, v) = (i / 256 - 1, j / 256 - 1).
  const struct {
    int texture, i, j;
    float value;
  } cases[] = {
      {0, 256, 256, 0},          // the ring's centre is empty
      {0, 256 + 218, 256, 1},    // on its radius 0.85 (d = 0.8516)
      {1, 256, 256, 1},          // the disc's centre
      {1, 256 + 200, 256, 0.5f}, // d = 0.78: at least 0.5 inside 0.85
      {2, 256 + 200, 256 + 200, 0.5f},
      {2, 0, 256, 0.0625f},      // the band at the square edge, d = 1
      {3, 256, 256, 1},          // the star's core
      {3, 0, 256, 0},            // off its rays
  };
  for (const auto& c : cases)
    EXPECT_NEAR(lens_flare_profile(c.texture, c.i, c.j), c.value, 0.02) << c.texture << " " << c.i << " " << c.j;
}

}  // namespace
