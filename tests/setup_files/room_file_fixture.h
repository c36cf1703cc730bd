// The room-file tests' fixtures: a room record of two surfaces, and the
// environment box around each test with TIFF files of one colour.
#pragma once

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "scene/environment.h"
#include "scene/image_io.h"
#include "scene/loaded_texture.h"
#include "scene/materials.h"
#include "setup_files/room_file.h"
#include "tests/setup_files/setup_files_fixture.h"

namespace setup_test {

constexpr int CEILING = 0, FLOOR = 1, WALL2 = 3;

class RoomFile : public SetupFiles {
 protected:
  static TrqDrm* room() {
    TrqDrm* r;
    TrqDrmAlloc(&r, ROOM_SURFACES);
    r->count = ROOM_SURFACES;
    TrqDrmInit(r);
    r->version = 1.0;
    TrqComInitS(&r->surfaces[FLOOR].image, "floor.tif");
    r->surfaces[FLOOR].copies = 1;
    r->surfaces[FLOOR].flipped_vertical = 1;
    TrqComInitArrF(r->surfaces[FLOOR].scale, {2, 3});
    TrqComInitS(&r->surfaces[WALL2].image, "C:\\x y.tif");
    r->surfaces[WALL2].rotation = 90;
    TrqComInitArrF(r->dimensions, {400, 300, 200});
    TrqComInitArrF(r->origin, {-200, 0, -150});
    return r;
  }
};

// The environment box as get_environment gives it; names as strings.
struct BoxState {
  bool visible, shown[6], lit[6], shadows[6], cull;
  float position[3], size[3], reflection[6], repeat[12];
  std::string names[6];

  static BoxState now() {
    BoxState b;
    char* names[6];
    get_environment(&b.visible, b.shown, b.position, b.size, b.reflection, b.lit, b.shadows, b.repeat, names, &b.cull);
    for (int k = 0; k < 6; ++k) {
      b.names[k] = names[k];
      CheckedFree(names[k]);
    }
    return b;
  }
  void set() const {
    const char* n[6];
    for (int k = 0; k < 6; ++k) n[k] = names[k].c_str();
    set_environment(visible, shown, position, size, reflection, lit, shadows, repeat, n, cull);
  }
  bool operator==(const BoxState& o) const {
    auto same = [](const auto& a, const auto& b) { return std::equal(std::begin(a), std::end(a), std::begin(b)); };
    return visible == o.visible && cull == o.cull && same(shown, o.shown) && same(lit, o.lit) &&
           same(shadows, o.shadows) && same(position, o.position) && same(size, o.size) &&
           same(reflection, o.reflection) && same(repeat, o.repeat) && same(names, o.names);
  }
};

// Room files against the real environment box.
class RoomBox : public RoomFile {
 protected:
  void SetUp() override {
    RoomFile::SetUp();
    init_environment();
  }
  void TearDown() override {
    cleanup_environment();
    if (char* missing = get_texture_not_found()) CheckedFree(missing);
    RoomFile::TearDown();
  }
  // A w x h TIFF of one colour.
  std::string tiff(const std::string& name, uint8_t r, uint8_t g, uint8_t b, uint32_t w = 4, uint32_t h = 2) const {
    std::vector<uint8_t> rgba;
    for (uint32_t i = 0; i < w * h; ++i) rgba.insert(rgba.end(), {r, g, b, 255});
    rgba[0] = uint8_t(r ^ 1);  // the first pixel tells the rows' order
    EXPECT_EQ(write_tiff(path(name).c_str(), w, h, rgba.data()), 0);
    return path(name);
  }
  // A visible box with odd settings that the import must replace or keep.
  static BoxState odd_box() {
    BoxState b{};
    b.visible = true, b.cull = true;
    for (int k = 0; k < 6; ++k) b.shown[k] = b.lit[k] = b.shadows[k] = true, b.reflection[k] = 0.5f;
    for (float& r : b.repeat) r = 3;
    for (int k = 0; k < 3; ++k) b.position[k] = 7, b.size[k] = 9;
    return b;
  }
};

}  // namespace setup_test
