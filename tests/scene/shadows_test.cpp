// Shadows of the model on the environment's floor: hard by projection, from
// a cached map, and soft; their updates, their strength per light, the blur
// filter, and an abort while a map is drawn offscreen.
#include "scene/shadows.h"

#include <gtest/gtest.h>

#include <random>

#include "gl/gl_context.h"
#include "tests/scene/effects_scene.h"
#include "tests/support/graphics_environment.h"

namespace {

using namespace effects;

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

enum class Mode { hard, cached, soft };

const float RIGHT_ABOVE[4] = {3000, 0, 4000, 1};  // throws the plate's shadow to x = -1000
const float LEFT_ABOVE[4] = {-3000, 0, 4000, 1};  // to x = +1000

// A red plate 1000 above a white floor that receives shadows, seen from the front and above.
class Shadows : public Effects {
 protected:
  void SetUp() override {
    Effects::SetUp();
    ASSERT_EQ(run(blue_background() + plate(1, 0, 0, 1000, 500, {255, 0, 0})), "");
    set_vpn(0, 1, -1);
    Box b;
    for (int side = 1; side < 6; ++side) b.surfaces[side] = false;
    b.size[0] = b.size[1] = b.size[2] = 6000;
    b.shadows[0] = true;
    b.set();
    lights_off();
  }
  static void mode(Mode m) {
    get_display_options()->set_update_shadow_maps(m != Mode::cached);
    for (int i = 0; i < 2; ++i) set_light_soft_shadows(GL_LIGHT0 + i, m == Mode::soft);
  }
  static int floor_at(float x) { return pixel_at(x, 0, 0).sum(); }
};

TEST_F(Shadows, ALightAboveDarkensTheFloorUnderThePlateInEveryMode) {
  light(GL_LIGHT0, RIGHT_ABOVE);
  for (Mode m : {Mode::hard, Mode::cached, Mode::soft}) {
    mode(m);
    EXPECT_FALSE(repaint());
    std::string what = m == Mode::hard ? "hard" : (m == Mode::cached ? "cached" : "soft");
    EXPECT_LT(floor_at(-1000), 100) << what;
    EXPECT_GT(floor_at(1500), 700) << what << ": far from the shadow";
    EXPECT_GT(floor_at(1000), 700) << what << ": where the other light would throw it";
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(Shadows, ACachedMapStaysWhenTheLightMovesAndAnUpdatedOneFollows) {
  for (Mode m : {Mode::cached, Mode::hard}) {
    light(GL_LIGHT0, RIGHT_ABOVE);
    mode(m);
    EXPECT_FALSE(repaint());
    uint64_t computed = shadow_maps_computed();
    set_light_position(GL_LIGHT0, LEFT_ABOVE);
    EXPECT_FALSE(repaint());
    EXPECT_EQ(shadow_maps_computed(), computed) << "no map is computed again";
    bool follows = m == Mode::hard;
    EXPECT_EQ(floor_at(1000) < 100, follows);
    EXPECT_EQ(floor_at(-1000) < 100, !follows);
    delete_shadow_maps();
  }
}

TEST_F(Shadows, TwoEqualLightsThrowTwoHalfDarkShadows) {
  light(GL_LIGHT0, RIGHT_ABOVE);
  light(GL_LIGHT1, LEFT_ABOVE);
  mode(Mode::hard);
  EXPECT_FALSE(repaint());
  for (float x : {-1000.0f, 1000.0f}) {
    EXPECT_GT(floor_at(x), 3 * 100) << x;
    EXPECT_LT(floor_at(x), 3 * 160) << x;
  }
}

TEST_F(Shadows, ABeamFromAboveShadowsTheFloor) {
  const float beam[4] = {1, 0, 1, 0};
  light(GL_LIGHT0, beam);
  for (Mode m : {Mode::hard, Mode::cached}) {
    mode(m);
    EXPECT_FALSE(repaint());
    EXPECT_LT(floor_at(-1000), 100);
    EXPECT_GT(floor_at(1500), 700);
  }
}

bool abort_now() { return true; }

TEST_F(Shadows, AnAbortWhileAMapIsDrawnLeavesTheWindowsContextCurrent) {
  light(GL_LIGHT0, RIGHT_ABOVE);
  mode(Mode::cached);
  EXPECT_TRUE(repaint(abort_now));
  EXPECT_EQ(XGLContext::current_context, get_graphics_context());
  EXPECT_EQ(XGLContext::current_drawable, GLXDrawable(get_graphics_window()));
  EXPECT_EQ(get_shadow_texture(GL_LIGHT0, 0), 0u) << "the map was not finished";
  EXPECT_FALSE(repaint());
  EXPECT_LT(floor_at(-1000), 100) << "drawn again later";
}

TEST(ShadowMaps, SizesFollowTheSoftness) {
  init_lights();
  get_display_options()->reset();
  const struct {
    bool soft;
    float softness;
    int size;
  } cases[] = {{false, 3, 1024}, {true, 2, 512}, {true, 3, 256}, {true, 6, 128}};
  for (const auto& c : cases) {
    set_light_soft_shadows(GL_LIGHT0, c.soft);
    set_light_shadow_softness(GL_LIGHT0, c.softness);
    EXPECT_EQ(shadow_map_size(GL_LIGHT0), c.size) << c.softness;
  }
  init_lights();
}

TEST(ShadowMaps, TheBlurEqualsABruteForceBoxFilter) {
  const int size = 17;
  std::vector<uint8_t> in(size * size), out(size * size);
  std::mt19937 random(7);
  for (uint8_t& b : in) b = uint8_t(random() % 256);
  for (int radius : {0, 1, 3}) {
    filter_shadow_map(in.data(), out.data(), size, radius);
    int n = 2 * radius + 1;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        int sum = 0;
        for (int dy = -radius; dy <= radius; ++dy)
          for (int dx = -radius; dx <= radius; ++dx)
            if (x + dx >= 0 && x + dx < size && y + dy >= 0 && y + dy < size) sum += in[(y + dy) * size + x + dx];
        ASSERT_EQ(out[y * size + x], sum / (n * n)) << "radius " << radius << " at " << x << ", " << y;
      }
  }
}

}  // namespace
