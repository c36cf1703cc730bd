// The environment box: its settings and change rules, the rotated frame, the
// sides drawn from inside and outside, the depth range, and the reflection
// images (panorama and cube-map faces).
#include "scene/environment.h"

#include <gtest/gtest.h>

#include <fstream>

#include "scene/loaded_texture.h"
#include "tests/scene/effects_scene.h"
#include "tests/support/graphics_environment.h"

namespace {

using namespace effects;

testing::Environment* const environment = testing::AddGlobalTestEnvironment(new GraphicsEnvironment);

constexpr int32_t QUARTER = 324000;  // arc-seconds

void expect_near(const Rgb& got, const Rgb& want, const std::string& what, int tolerance = 8) {
  EXPECT_NEAR(got.r, want.r, tolerance) << what;
  EXPECT_NEAR(got.g, want.g, tolerance) << what;
  EXPECT_NEAR(got.b, want.b, tolerance) << what;
}

const Rgb SIDE_COLOURS[6] = {{255, 0, 0}, {0, 255, 0}, {255, 255, 0}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
const char* const SIDE_NAMES[6] = {"#ff0000", "#00ff00", "#ffff00", "#ff00ff", "#00ffff", "#ffffff"};

class Environment : public Effects {
 protected:
  // A box of six coloured sides around the start-up camera's reference point.
  Box coloured_box() {
    Box b;
    for (int side = 0; side < 6; ++side) {
      names[side] = solid("side" + std::to_string(side) + ".tif", SIDE_NAMES[side]);
      b.files[side] = names[side].c_str();
    }
    b.position[2] = -1000;
    b.size[0] = b.size[1] = b.size[2] = 2000;
    return b;
  }
  std::string names[6];
};

TEST_F(Environment, SettingsFollowTheChangeRules) {
  Box b;
  b.size[1] = 0;
  EXPECT_TRUE(b.set());
  EXPECT_FALSE(b.set()) << "the same settings again";
  EXPECT_EQ(get_environment_data()->size[1], 1) << "a size of 0 becomes 1";
  EXPECT_TRUE(get_environment_resized());
  EXPECT_FALSE(get_environment_resized()) << "read once";
  EXPECT_TRUE(get_environment_visible());

  Box hidden = b;
  for (bool& s : hidden.surfaces) s = false;
  EXPECT_TRUE(hidden.set());
  EXPECT_FALSE(get_environment_visible()) << "no side shown";
  hidden.reflection[2] = 1;
  EXPECT_FALSE(hidden.set()) << "a hidden side's reflection is not visible";

  hidden.files[3] = "wall.tif";
  EXPECT_TRUE(hidden.set()) << "any file name";
  bool visible, surfaces[6], lit[6], shadows[6], cull;
  float position[3], size[3], reflection[6], repeat[12];
  char* files[6];
  get_environment(&visible, surfaces, position, size, reflection, lit, shadows, repeat, files, &cull);
  EXPECT_TRUE(visible);
  EXPECT_EQ(reflection[2], 1);
  EXPECT_STREQ(files[3], "") << "a hidden side's file";
  for (char* f : files) CheckedFree(f);
}

TEST_F(Environment, RotationTurnsTheFrame) {
  EXPECT_TRUE(set_rotate_reflection(0, 0, QUARTER));
  EXPECT_FALSE(set_rotate_reflection(0, 0, QUARTER));
  const reflection_frame* f = get_reflection_data();
  EXPECT_NEAR(f->x[0], 0, 1e-6);
  EXPECT_NEAR(f->x[1], 1, 1e-6);
  EXPECT_NEAR(f->z[2], 1, 1e-6);
  EXPECT_NEAR(f->y[0], -1, 1e-6);
  EXPECT_TRUE(change_rotate_reflection(0, 0, -QUARTER));
  int32_t ax, ay, az;
  get_rotate_reflection(&ax, &ay, &az);
  EXPECT_EQ(az, 0);
  EXPECT_NEAR(f->x[0], 1, 1e-6);
}

// Seen from inside, with back faces culled, the side in front of the camera
// shows its image; turning the box brings each side in front.
TEST_F(Environment, FromInsideEachDirectionShowsItsSide) {
  ASSERT_EQ(run(blue_background()), "");
  Box b = coloured_box();
  b.cull = true;
  ASSERT_TRUE(b.set());
  const struct {
    int32_t ax, az;
    int side;
  } cases[] = {{0, 0, 1}, {0, QUARTER, 2}, {0, -QUARTER, 4}, {0, 2 * QUARTER, 3}, {QUARTER, 0, 0}, {-QUARTER, 0, 5}};
  for (const auto& c : cases) {
    set_rotate_reflection(c.ax, 0, c.az);
    EXPECT_FALSE(repaint());
    expect_near(pixel(640, 512), SIDE_COLOURS[c.side], "side " + std::to_string(c.side));
  }
}

TEST_F(Environment, ALitSideIsModulatedByTheLights) {
  ASSERT_EQ(run(blue_background()), "");
  Box b = coloured_box();
  b.cull = true;
  b.lit[1] = true;
  ASSERT_TRUE(b.set());
  lights_off();
  EXPECT_FALSE(repaint());
  Rgb dark = pixel(640, 512);
  EXPECT_LT(dark.sum(), 40) << "no light falls on it";
  const float eye[4] = {0, -3000, 0, 1};
  light(GL_LIGHT0, eye);
  EXPECT_FALSE(repaint());
  Rgb lit = pixel(640, 512);
  EXPECT_GT(lit.g, 100);
  EXPECT_LT(lit.r + lit.b, 20) << "the green image, lit";
}

TEST_F(Environment, CullingHidesAWallSeenFromOutside) {
  ASSERT_EQ(run(blue_background()), "");
  Box b = coloured_box();
  b.size[0] = b.size[1] = b.size[2] = 1000;
  b.position[1] = 2000;
  b.position[2] = -500;
  for (bool cull : {false, true}) {
    b.cull = cull;
    b.set();
    EXPECT_FALSE(repaint());
    expect_near(pixel(640, 512), SIDE_COLOURS[cull ? 1 : 3], cull ? "culled: the far wall" : "the near wall");
  }
}

TEST_F(Environment, RepeatsTileTheImage) {
  ASSERT_EQ(run(blue_background()), "");
  Box b = coloured_box();
  b.cull = true;
  names[1] = image("cells.tif", "-size 1x1 xc:'#ff0000' xc:'#00ff00' +append");
  b.files[1] = names[1].c_str();
  b.repeat[2] = 3;
  ASSERT_TRUE(b.set());
  EXPECT_FALSE(repaint());
  for (int k = 0; k < 6; ++k)
    expect_near(pixel_at(-1000 + (k + 0.5f) * 2000 / 6, 1000, 0), k % 2 == 0 ? SIDE_COLOURS[0] : SIDE_COLOURS[1],
                "cell " + std::to_string(k), 16);
}

TEST_F(Environment, ABoxFarLargerThanTheModelIsNotCutOffByDepth) {
  ASSERT_EQ(run(blue_background() + plate(1, 0, 0, 0, 100, {255, 0, 0})), "");
  Box b = coloured_box();
  b.cull = true;
  b.size[0] = b.size[1] = b.size[2] = 200000;
  b.position[2] = -100000;
  ASSERT_TRUE(b.set());
  EXPECT_FALSE(repaint());
  expect_near(pixel(1200, 900), SIDE_COLOURS[1], "the far wall");
  float near_z, far_z;
  ASSERT_TRUE(get_environment_min_max(get_view_pointer(), &near_z, &far_z));
  EXPECT_LT(far_z - near_z, 200001);
  EXPECT_GT(far_z - near_z, 199999);
}

TEST_F(Environment, AnUnreadableSideImageShowsTheFailureImage) {
  ASSERT_EQ(run(blue_background()), "");
  std::ofstream(directory + "/broken.tif") << "not an image";
  Box b = coloured_box();
  b.cull = true;
  b.files[1] = "broken.tif";
  ASSERT_TRUE(b.set());
  EXPECT_FALSE(repaint());
  const LoadedTexture* t = get_environment_side_texture(1);
  ASSERT_NE(t, nullptr);
  EXPECT_TRUE(t->get_showing_failure_image());
  Rgb centre = pixel(640, 512);
  EXPECT_FALSE(centre.r < 10 && centre.g < 10 && centre.b > 245) << "not the background";
}

// Without cube maps: a panorama in which only the floor shows.
TEST_F(Environment, APanoramaOfOnlyTheFloorShowsItInTheBottomRows) {
  ASSERT_EQ(run(blue_background()), "");
  set_cube_maps_available_for_test(0);
  Box b = coloured_box();
  for (int side = 1; side < 6; ++side) b.surfaces[side] = false;
  b.set();
  get_display_options()->set_reflection_map_size(64);
  compute_reflection_image();
  set_cube_maps_available_for_test(-1);
  const environment_image* p = get_reflection_image();
  ASSERT_EQ(p->width, 64);
  auto at = [&](int row, int column) {
    const uint8_t* q = &p->pixels[(size_t(row) * 64 + size_t(column)) * 4];
    return Rgb{q[0], q[1], q[2]};
  };
  for (int column = 0; column < 64; column += 9) {
    expect_near(at(0, column), SIDE_COLOURS[0], "bottom row");
    for (int row = 32; row < 64; row += 7) expect_near(at(row, column), {0, 0, 255}, "upper half");
  }
}

// Face images against the flip table: the texel at two face corners, for an
// image whose texels all differ (2 wide, 3 high, (x, y) from the bottom).
TEST_F(Environment, CubeFacesFollowTheFlipTable) {
  ASSERT_EQ(run(blue_background()), "");
  auto colour = [](int x, int y) {
    char c[16];
    snprintf(c, sizeof c, "#%02x%02x00", 40 * (x + 1), 40 * (y + 1));
    return std::string(c);
  };
  std::string rows;
  for (int y = 2; y >= 0; --y)
    rows += "\\( -size 1x1 xc:'" + colour(0, y) + "' xc:'" + colour(1, y) + "' +append \\) ";
  std::string name = image("texels.tif", rows + "-append");
  Box b;
  for (const char*& f : b.files) f = name.c_str();
  b.set();
  get_display_options()->set_reflection_map_size(12);
  compute_cube_map_images();
  const struct {
    int corner_0[2], corner_right[2];  // texels at face pixels (0, 0) and (n - 1, 0)
  } table[6] = {{{1, 2}, {0, 2}}, {{0, 0}, {1, 0}}, {{1, 0}, {1, 2}}, {{1, 2}, {0, 2}}, {{0, 2}, {0, 0}}, {{0, 0}, {1, 0}}};
  for (int side = 0; side < 6; ++side) {
    const environment_image* f = get_environment_side_image(side);
    ASSERT_EQ(f->width, 6);
    const uint8_t* p0 = &f->pixels[0];
    const uint8_t* p1 = &f->pixels[5 * 4];
    std::string what = "side " + std::to_string(side);
    EXPECT_EQ(p0[0], 40 * (table[side].corner_0[0] + 1)) << what;
    EXPECT_EQ(p0[1], 40 * (table[side].corner_0[1] + 1)) << what;
    EXPECT_EQ(p1[0], 40 * (table[side].corner_right[0] + 1)) << what;
    EXPECT_EQ(p1[1], 40 * (table[side].corner_right[1] + 1)) << what;
  }
}

TEST_F(Environment, AOnePixelSideImageFillsItsFace) {
  ASSERT_EQ(run(blue_background()), "");
  std::string name = image("dot.tif", "-size 1x1 xc:'#00ff00'");
  Box b;
  b.files[1] = name.c_str();
  b.repeat[2] = b.repeat[3] = 3;
  b.set();
  get_display_options()->set_reflection_map_size(8);
  compute_cube_map_images();
  const environment_image* f = get_environment_side_image(1);
  ASSERT_EQ(f->width, 4);
  for (size_t i = 0; i < f->pixels.size(); i += 4) EXPECT_EQ(f->pixels[i + 1], 255);
}

}  // namespace
