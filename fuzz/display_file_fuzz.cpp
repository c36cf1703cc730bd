// Fuzz target of the display-file reader: any bytes are read as a display
// file into a cleared scene, which must end in segments, lights, materials
// and messages, never in a fault, a halt or a lost block. The reader sets up
// lights from the GL context of the graphics window, so the target runs under
// an X server.
//
// With QOB_DF_SEEDS set to a folder the target writes its seeds there
// instead: small scenes saved by the server's own writer.
#include <GL/gl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/checked_mm.h"
#include "link/si.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/display_file.h"
#include "scene/environment.h"
#include "scene/lens_flares.h"
#include "scene/lights.h"
#include "scene/materials.h"
#include "scene/segment_store.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_window.h"
#include "view/views.h"

namespace {

// The scene, the box and the flare settings back to their start, so that a
// read leaves no block behind.
void clear_scene() {
  clear_df_scene();
  init_environment();
  set_lens_flares(1, false, false);
}

// One shell of two strips at levels 1 and 2, a coloured one, a poly-line, a
// material, lights of every kind, an environment box with side images and
// lens flares, saved once with all levels.
void write_seeds(const std::string& dir) {
  auto shell = [](bool colours, float shift) {
    vector_type* p = static_cast<vector_type*>(CheckedMalloc(4 * sizeof(vector_type)));
    for (int k = 0; k < 4; ++k) p[k] = vector_type{shift + float(k % 2), float(k / 2), 0.5f * float(k)};
    float* c = nullptr;
    vector_type* n = nullptr;
    float* t = nullptr;
    if (colours) {
      c = static_cast<float*>(CheckedMalloc(12 * sizeof(float)));
      for (int k = 0; k < 12; ++k) c[k] = float(k) / 12;
    } else {
      n = static_cast<vector_type*>(CheckedMalloc(4 * sizeof(vector_type)));
      t = static_cast<float*>(CheckedMalloc(8 * sizeof(float)));
      for (int k = 0; k < 4; ++k) n[k] = vector_type{0, 0, 1}, t[2 * k] = float(k), t[2 * k + 1] = 0.5f;
    }
    uint32_t* i = static_cast<uint32_t*>(CheckedMalloc(6 * sizeof(uint32_t)));
    const uint32_t list[6] = {1, 4, 0, 1, 2, 3};
    for (int k = 0; k < 6; ++k) i[k] = list[k];
    fill_colored_facet_tree(4, p, n, c, 6, i, t);
  };
  clear_scene();
  create_segment(1);
  shell(false, 0);
  set_segment_lod(2);
  shell(false, 0);
  close_segment();
  create_segment(2);
  shell(true, 3);
  close_segment();
  create_segment(3);
  change_line_weight(4);
  move_beam(0, 0, 0);
  const float line[6] = {1, 1, 1, 2, -1, 0.25f};
  insert_lines(2, line);
  close_segment();
  const float white[4] = {1, 1, 1, 1}, at[4] = {1, 2, 3, 1}, toward[4] = {0, 0, 1, 0};
  set_light_on(GL_LIGHT0, true);
  set_light_ambient_color(GL_LIGHT0, white);
  for (int l = 1; l < 4; ++l) {
    set_light_on(GL_LIGHT0 + l, true);
    set_light_diffuse_color(GL_LIGHT0 + l, white);
    set_light_position(GL_LIGHT0 + l, l == 1 ? toward : at);
  }
  set_light_spot_cutoff(GL_LIGHT0 + 3, 30);
  material_attributes a;
  a.texture_file = dup_chars("/textures/wood.tif");
  set_material(1, &a);
  set_light_lens_flares(GL_LIGHT0 + 2, true);
  set_lens_flares(3, true, false);
  const bool sides[6] = {true, true, false, true, false, true}, lit[6] = {true, false, false, true, false, false};
  const float place[3] = {0, 0, -1}, size[3] = {8, 6, 4}, reflection[6] = {0.5f, 0, 0, 0.25f, 0, 0};
  const float repeat[12] = {2, 2, 1, 1, 1, 1, 3, 1, 1, 1, 1, 1};
  const char* files[6] = {"/rooms/floor.tif", "wall.tif", nullptr, "wall.tif", nullptr, "sky.tif"};
  set_environment(true, sides, place, size, reflection, lit, lit, repeat, files, true);
  set_rotate_reflection(3600, 0, 0);
  write_df out;
  std::string path = dir + "/scene.df";
  if (out.open(path.c_str(), 42) || save_df(&out, true) != 0) {
    fprintf(stderr, "display_file_fuzz: could not write %s\n", path.c_str());
    exit(1);
  }
  clear_scene();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (getenv("DISPLAY") == nullptr) {
    fputs("display_file_fuzz: needs an X server (DISPLAY), e.g. under xvfb-run\n", stderr);
    abort();
  }
  std::vector<uint8_t> bytes = yarl::YarlProgram::standard().bytes();
  decode_tables(bytes.data(), bytes.size());
  put_predef(111, 1);
  preset_window();
  init_segment_structure();
  if (const char* dir = getenv("QOB_DF_SEEDS")) {
    write_seeds(dir);
    exit(0);
  }
  clear_scene();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (stream == nullptr) return 0;
  int32_t balance = GetMallocBalance();
  int32_t stamp, options;
  fflush(stderr);
  read_df_stream(stream, &stamp, &options);
  fclose(stream);
  clear_scene();
  if (GetMallocBalance() != balance) {
    fprintf(stderr, "display_file_fuzz: %d checked blocks left after the run\n", GetMallocBalance() - balance);
    abort();
  }
  return 0;
}
