// Frame time of repaint_screen with each realtime effect alone, against the
// same scene without effects, frames of the two alternating: 100,000 lit
// triangles (an upright sheet) over the environment box's floor, one point
// light, one view. Then frames that recompute the shadow maps, and a check
// that unchanged scenes recompute none.
#include <GL/gl.h>

#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "bench/graphics_start.h"
#include "bench/paired.h"
#include "bench/stream_bench.h"
#include "link/tek_parser.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/display_options.h"
#include "scene/environment.h"
#include "scene/lens_flares.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "scene/segment_store.h"
#include "scene/self_shadows.h"
#include "scene/shadows.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

using namespace stream_bench;

namespace {

constexpr int SEGMENTS = 10;
constexpr int LIGHT = GL_LIGHT0;
// The sheet spans x and z from -1500 to 1500 model units at y = 0.
const float LIGHT_AT[4] = {1000, -1000, 800, 1};  // in front of the sheet, in view

// Material 1: grey and diffuse, or a perfect mirror of the environment.
void material(bool reflective) {
  material_attributes a;
  a.reflection = reflective ? 1 : 0;
  set_material(1, &a);
  get_display_options()->set_enable_reflection(reflective);
}

// The settings of one effect; everything off is the anchor: the sheet over
// the box's floor, which receives no shadows and mirrors nothing.
struct Effect {
  bool walls = false, floor_shadows = false, soft = false, update_maps = true, self_shadows = false;
  bool mirror_floor = false, reflective_model = false, flares = false;
};

void apply(const Effect& e) {
  bool surfaces[6], lit[6] = {}, shadows[6] = {};
  float position[3] = {0, 0, -2000}, size[3] = {6000, 6000, 6000}, reflection[6] = {}, repeat[12];
  const char* files[6] = {};
  for (int side = 0; side < 6; ++side) surfaces[side] = side == 0 || e.walls;
  for (float& r : repeat) r = 1;
  shadows[0] = e.floor_shadows;
  reflection[0] = e.mirror_floor ? 1 : 0;
  set_environment(true, surfaces, position, size, reflection, lit, shadows, repeat, files, false);
  set_light_cast_shadows(LIGHT, e.floor_shadows || e.self_shadows);
  set_light_soft_shadows(LIGHT, e.soft);
  get_display_options()->set_display_soft_shadows(e.soft);
  get_display_options()->set_update_shadow_maps(e.update_maps);
  get_display_options()->set_self_shadows(e.self_shadows);
  material(e.reflective_model);
  get_display_options()->set_display_lens_flares(e.flares);
  set_light_lens_flares(LIGHT, e.flares);
}

bool repaint() { return repaint_screen(false, never_abort_repaint); }

double frame(const Effect& e) {
  apply(e);
  auto t0 = std::chrono::steady_clock::now();
  repaint();
  glFinish();
  return paired::seconds_since(t0);
}

// The anchor keeps the subject's map updating: switching it deletes the maps.
void run(const char* name, const Effect& e, int frames, double goal = 0) {
  Effect none;
  none.update_maps = e.update_maps;
  frame(e);  // maps and textures made once
  uint64_t maps = shadow_maps_computed();
  paired::Result r = paired::measure(frames, [&] { return frame(e); }, [&] { return frame(none); });
  paired::report(name, r, "no effect", goal);
  if (shadow_maps_computed() != maps)
    printf("%-40s %lu shadow maps recomputed in %d frames\n", "", (unsigned long)(shadow_maps_computed() - maps),
           frames);
}

}  // namespace

int main(int argc, char** argv) {
  long triangles = argc > 1 ? atol(argv[1]) : 100000;
  int frames = argc > 2 ? atoi(argv[2]) : 9;
  start_graphics_window();
  get_display_options()->set_use_display_lists(true);
  material(false);
  build_stream(triangles, SEGMENTS, 1);
  parse_stream();

  // Seen from the front and above; one white point light.
  set_vpn(0, 1, -1);
  for (int i = 0; i < get_number_of_lights(); ++i) set_light_on(GL_LIGHT0 + i, false);
  const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
  set_light_ambient_color(LIGHT, black);
  set_light_diffuse_color(LIGHT, white);
  set_light_position(LIGHT, LIGHT_AT);
  set_light_emitting(LIGHT, true);
  set_light_on(LIGHT, true);
  set_lens_flares(1, true, false);
  frame(Effect{});
  // Flares are drawn only for a light inside the view.
  const double* m = get_viewing_matrix();
  double c[4];
  for (int r = 0; r < 4; ++r) c[r] = m[r] * LIGHT_AT[0] + m[4 + r] * LIGHT_AT[1] + m[8 + r] * LIGHT_AT[2] + m[12 + r];
  bool light_in_view = c[3] > 0 && std::abs(c[0] / c[3]) < 1 && std::abs(c[1] / c[3]) < 1;
  printf("the light at (%.2f, %.2f) of the view's normalised square: %s\n", c[0] / c[3], c[1] / c[3],
         light_in_view ? "in view" : "outside the view");
  unsigned long drawn = get_triangles_displayed();
  printf("%lu triangles in %d segments, %lu drawn per repaint, %d frame pairs per effect\n", triangles, SEGMENTS,
         drawn, frames);

  Effect box, hard, cached, soft, self, mirror, cube_map, flares;
  box.walls = true;
  hard.floor_shadows = true;
  cached = hard;
  cached.update_maps = false;
  soft = cached;
  soft.soft = true;
  self.self_shadows = true;
  mirror.mirror_floor = true;
  cube_map.reflective_model = true;
  flares.flares = true;
  run("environment box", box, frames, 1.3);
  run("hard shadows (projected)", hard, frames);
  run("cached shadow map", cached, frames, 1.3);
  run("soft shadow map (cached)", soft, frames);
  uint64_t tiles = self_shadow_tiles_drawn();
  run("self shadows", self, frames, 2.3);
  printf("%-40s %.1f depth-map tiles drawn per frame\n", "",
         double(self_shadow_tiles_drawn() - tiles) / (2 * frames + 1));
  run("mirror floor", mirror, frames, 2.3);
  uint64_t built = get_reflection_maps_built();
  run("cube-map reflection", cube_map, frames);
  printf("%-40s %lu reflection maps built\n", "", (unsigned long)(get_reflection_maps_built() - built));
  run("lens flares", flares, frames, 1.1);

  // A frame that recomputes the maps: they are deleted before it.
  for (const Effect* e : {&cached, &soft}) {
    uint64_t maps = shadow_maps_computed();
    paired::Result r = paired::measure(
        frames,
        [&] {
          delete_shadow_maps();
          return frame(*e);
        },
        [&] { return frame(*e); });
    paired::report(e->soft ? "soft: frame recomputing its map" : "hard: frame recomputing its map", r,
                   "frame from the cache");
    printf("%-40s %lu maps computed in %d recomputing and %d cached frames (%s)\n", "",
           (unsigned long)(shadow_maps_computed() - maps), frames, frames,
           shadow_maps_computed() - maps == uint64_t(frames) ? "an unchanged scene recomputes none" : "unexpected");
  }
  cleanup_tek_parser();
  return 0;
}
