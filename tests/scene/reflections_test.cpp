// Mirror sides of the environment box: the model mirrored below a mirror
// floor and nothing of what lies under it, none seen from behind, and the
// state an abort in the mirrored drawing leaves.
#include "scene/reflections.h"

#include <gtest/gtest.h>

#include "tests/scene/effects_scene.h"
#include "tests/support/graphics_environment.h"

namespace {

using namespace effects;

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

bool red(const Rgb& c) { return c.r > c.g + 60 && c.r > c.b + 60; }
bool green(const Rgb& c) { return c.g > c.r + 60 && c.g > c.b + 60; }

// A red plate above a mirror floor and a green one under it.
class Reflections : public Effects {
 protected:
  void SetUp() override {
    Effects::SetUp();
    ASSERT_EQ(run(blue_background() + plate(1, 0, 0, 1000, 500, {255, 0, 0}) +
                  plate(2, 1000, 0, -500, 300, {0, 255, 0})),
              "");
    Box b;
    for (int side = 1; side < 6; ++side) b.surfaces[side] = false;
    b.size[0] = b.size[1] = b.size[2] = 4000;
    b.reflection[0] = 1;
    b.set();
    lights_off();
    const float above[4] = {0, -3000, 5000, 1};
    light(GL_LIGHT0, above, false);
  }
};

TEST_F(Reflections, AMirrorFloorShowsTheModelBelowItAndNothingOfWhatLiesUnderIt) {
  set_vpn(0, 1, -1);
  EXPECT_FALSE(repaint());
  EXPECT_TRUE(red(pixel_at(0, 0, -1000))) << "the red plate mirrored";
  EXPECT_FALSE(green(pixel_at(1000, 0, 500))) << "the green plate under the floor is not mirrored above it";
  EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE5));
  Box plain;
  for (int side = 1; side < 6; ++side) plain.surfaces[side] = false;
  plain.size[0] = plain.size[1] = plain.size[2] = 4000;
  plain.set();
  EXPECT_FALSE(repaint());
  EXPECT_FALSE(red(pixel_at(0, 0, -1000))) << "no mirror";
}

TEST_F(Reflections, SeenFromBehindAMirrorShowsNoReflection) {
  set_vpn(0, 1, 1);
  EXPECT_FALSE(repaint());
  EXPECT_FALSE(red(pixel_at(0, 0, -1000)));
}

int abort_calls;
bool abort_at_first() { return ++abort_calls == 1; }

TEST_F(Reflections, AnAbortInTheMirroredDrawingRestoresClipPlaneAndWinding) {
  set_vpn(0, 1, -1);
  abort_calls = 0;
  EXPECT_TRUE(repaint(abort_at_first));
  EXPECT_FALSE(glIsEnabled(GL_CLIP_PLANE5));
  GLint face = 0;
  glGetIntegerv(GL_FRONT_FACE, &face);
  EXPECT_EQ(face, GL_CW);
  EXPECT_FALSE(repaint());
  EXPECT_TRUE(red(pixel_at(0, 0, -1000))) << "drawn whole the next time";
}

}  // namespace

namespace {

// A reflective plate facing up under a box whose ceiling and floor differ,
// seen from above: it mirrors the ceiling.
class ReflectiveMaterial : public Effects {
 protected:
  void SetUp() override {
    Effects::SetUp();
    material_attributes a;
    for (int k = 0; k < 3; ++k) a.diffuse[k] = a.ambient[k] = 0;
    a.reflection = 1;
    set_material(1, &a);
    set_material(2, &a);  // reflective too, but used by nothing
    get_display_options()->set_enable_reflection(true);
    ASSERT_EQ(run(blue_background() + lit_plate(1, 1, 0, 0, 0, 500)), "");
    set_vpn(0, 0, -1);
    set_vup(0, 1, 0);
    lights_off();
    const float above[4] = {0, 0, 2000, 1};
    light(GL_LIGHT0, above, false);
  }
  void box(const char* ceiling, const char* floor) {
    names[0] = solid(std::string("floor") + floor + ".tif", floor);
    names[1] = solid(std::string("ceiling") + ceiling + ".tif", ceiling);
    Box b;
    for (int side = 1; side < 5; ++side) b.surfaces[side] = false;
    b.files[0] = names[0].c_str();
    b.files[5] = names[1].c_str();
    b.position[2] = -1000;
    b.size[0] = b.size[1] = b.size[2] = 4000;
    b.cull = true;
    b.set();
  }
  std::string names[2];
};

TEST_F(ReflectiveMaterial, MirrorsTheCeilingWithCubeMapsAndThePanorama) {
  for (int cube : {1, 0}) {
    set_cube_maps_available_for_test(cube);
    for (bool blue_ceiling : {true, false}) {
      box(blue_ceiling ? "#0000ff" : "#ff0000", blue_ceiling ? "#ff0000" : "#0000ff");
      EXPECT_FALSE(repaint());
      Rgb c = pixel_at(0, 0, 0);
      std::string what = std::string(cube ? "cube map" : "panorama") + (blue_ceiling ? ", blue ceiling" : ", red ceiling");
      if (blue_ceiling)
        EXPECT_GT(c.b, c.r + 40) << what;
      else
        EXPECT_GT(c.r, c.b + 40) << what;
    }
  }
  set_cube_maps_available_for_test(-1);
}

TEST_F(ReflectiveMaterial, OnlyMaterialsInUseKeepAReflectionMap) {
  box("#0000ff", "#ff0000");
  EXPECT_FALSE(repaint());
  uint64_t built = get_reflection_maps_built();
  update_reflection_maps();  // every map stale
  EXPECT_FALSE(repaint());
  EXPECT_EQ(get_reflection_maps_built(), built + 1) << "material 1's only; material 2 is unused";
  ASSERT_EQ(run(cmd("SK") + i(1)), "");
  update_reflection_maps();
  get_display_options()->set_use_display_lists(true);  // textures are brought up to date at each repaint
  EXPECT_FALSE(repaint());
  EXPECT_EQ(get_reflection_maps_built(), built + 1) << "its last segment deleted";
}

}  // namespace
