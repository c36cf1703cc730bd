// The room file: reader and writer, the path helpers, the TIFF test and the
// TIFF writer, and the import and export against the environment box.
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

namespace {

using setup_test::SetupFiles;

constexpr int CEILING = 0, FLOOR = 1, WALL2 = 3;

const char* const golden =
    "V1.000000\n"
    "floor \"floor.tif\"\n"
    "copies 1\n"
    "flipped_horizontal 0\n"
    "flipped_vertical 1\n"
    "scale 2.000000 3.000000\n"
    "wall2 \"C:\\x y.tif\"\n"
    "copies 0\n"
    "flipped_horizontal 0\n"
    "flipped_vertical 0\n"
    "rotation 90.000000\n"
    "center 0.000000 0.000000 0.000000\n"
    "dimensions 400.000000 300.000000 200.000000\n"
    "origin -200.000000 0.000000 -150.000000\n"
    "rotation 0.000000 0.000000 0.000000\n"
    "room_shape rectangle\n";

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
  static std::string run(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
      char buffer[4096];
      size_t n;
      while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
      pclose(p);
    }
    return out;
  }
};

TEST_F(RoomFile, WriterGivesItsBytesAndRecordsRoundTrip) {
  TrqDrm* r = room();
  ASSERT_EQ(TrqDrmWrite(path("r").c_str(), r), 0);
  EXPECT_EQ(contents("r"), golden);
  TrqComInitArrF(r->center, {TRQ_UNSET, TRQ_UNSET, TRQ_UNSET});
  ASSERT_EQ(TrqDrmWrite(path("unset").c_str(), r), 0);
  EXPECT_EQ(contents("unset").find("center"), std::string::npos) << "an unset centre is left out";
  struct {
    const char* name;
    void (*change)(TrqDrm*);
  } cases[] = {
      {"as_is", [](TrqDrm*) {}},
      {"cylinder", [](TrqDrm* r) { copy_string(&r->room_shape, "cylinder"); }},
      {"every_surface",
       [](TrqDrm* r) {
         for (int i = 0; i < ROOM_SURFACES; ++i) {
           if (r->surfaces[i].image == nullptr) TrqComInitS(&r->surfaces[i].image, "s.tif");
           TrqComInitArrF(r->surfaces[i].offset, {0.5, -0.5});
         }
       }},
      {"room_rotation", [](TrqDrm* r) { TrqComInitArrF(r->rotation, {1, 2, 3}); }},
  };
  for (const auto& c : cases) {
    TrqDrm* changed = room();
    c.change(changed);
    ASSERT_EQ(TrqDrmWrite(path(c.name).c_str(), changed), 0) << c.name;
    TrqDrm* back;
    ASSERT_EQ(TrqDrmRead(path(c.name).c_str(), &back), 0) << c.name;
    ASSERT_EQ(TrqDrmWrite(path("again").c_str(), back), 0) << c.name;
    EXPECT_EQ(contents("again"), contents(c.name)) << c.name;
    EXPECT_STREQ(back->room_shape, changed->room_shape) << c.name;
    EXPECT_NEAR(back->surfaces[FLOOR].scale[1], 3, 1e-6) << c.name;
    TrqDrmFree(back);
    TrqDrmFree(changed);
  }
  TrqDrmFree(r);
}

TEST_F(RoomFile, ReaderEdgeCases) {
  struct {
    const char* name;
    const char* text;
    void (*check)(const TrqDrm*);
  } cases[] = {
      {"one_real_rotation_turns_the_surface", "V1.0\nfloor f.tif\nrotation 45.0\ncopies 1\n",
       [](const TrqDrm* r) {
         EXPECT_EQ(r->surfaces[FLOOR].rotation, 45);
         EXPECT_EQ(r->surfaces[FLOOR].copies, 1);
       }},
      {"three_reals_turn_the_room", "V1.0\nfloor f.tif\nrotation 1.0 2.0 3.0\ncopies 1\n",
       [](const TrqDrm* r) {
         EXPECT_EQ(r->rotation[2], 3);
         EXPECT_TRUE(trq_is_unset(r->surfaces[FLOOR].rotation));
         EXPECT_EQ(r->surfaces[FLOOR].copies, 1);
       }},
      {"two_reals_store_nothing", "V1.0\nfloor f.tif\nrotation 1.0 2.0\ncopies 1\n",
       [](const TrqDrm* r) {
         EXPECT_EQ(r->rotation[0], 0);
         EXPECT_TRUE(trq_is_unset(r->surfaces[FLOOR].rotation));
         EXPECT_EQ(r->surfaces[FLOOR].copies, 1);
       }},
      {"copies_two_refused", "V1.0\nwall1 w.tif\ncopies 2\n",
       [](const TrqDrm* r) { EXPECT_EQ(r->surfaces[2].copies, 0); }},
      {"rotation_before_any_surface_is_the_ceiling's", "V1.0\nrotation 10.0\n",
       [](const TrqDrm* r) { EXPECT_EQ(r->surfaces[CEILING].rotation, 10); }},
      {"second_image_refused", "V1.0\nfloor a.tif\nfloor b.tif\n",
       [](const TrqDrm* r) { EXPECT_STREQ(r->surfaces[FLOOR].image, "a.tif"); }},
      {"unknown_shape_refused", "V1.0\nroom_shape sphere\n",
       [](const TrqDrm* r) { EXPECT_STREQ(r->room_shape, "rectangle"); }},
      {"dimensions_fall_back", "V1.0\ndimensions 1.0 x\n",
       [](const TrqDrm* r) { EXPECT_EQ(r->dimensions[0], 200); }},
      {"no_version_keeps_the_first_line", "floor f.tif\n",
       [](const TrqDrm* r) {
         EXPECT_TRUE(trq_is_unset(r->version));
         EXPECT_STREQ(r->surfaces[FLOOR].image, "f.tif");
       }},
  };
  for (const auto& c : cases) {
    TrqDrm* r;
    bool is_room = false;
    ASSERT_EQ(TrqDrmRead(put("r", c.text).c_str(), &r, &is_room), 0) << c.name;
    EXPECT_TRUE(is_room) << c.name;
    c.check(r);
    TrqDrmFree(r);
  }
  TrqDrm* r;
  bool is_room = true;
  ASSERT_EQ(TrqDrmRead(put("junk", "junk 1 2 \"x\"").c_str(), &r, &is_room), 0);
  EXPECT_FALSE(is_room);
  TrqDrmFree(r);
  EXPECT_EQ(TrqDrmRead(path("missing").c_str(), &r), 1);
  EXPECT_EQ(r, nullptr);
}

TEST_F(RoomFile, WriterRefusalsAndFailures) {
  TrqDrm* r;
  TrqDrmAlloc(&r, ROOM_SURFACES);
  r->count = ROOM_SURFACES;
  TrqDrmInit(r);
  EXPECT_EQ(TrqDrmWrite(path("none").c_str(), r), -1) << "no surface has an image";
  TrqDrmFree(r);
  put("old", "old");
  r = room();
  copy_string(&r->surfaces[FLOOR].image, "a\"b.tif");
  EXPECT_EQ(TrqDrmWrite(path("old").c_str(), r), 1);
  TrqDrmFree(r);
  EXPECT_EQ(with_small_file_limit([&] { return TrqDrmWrite(path("old").c_str(), room()); }), 1);
  EXPECT_EQ(contents("old"), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"old"}));
}

TEST(RoomPaths, DirectoryRootAndTail) {
  struct {
    const char* path;
    bool has_directory;
    size_t header, root;
    const char* tail;
  } cases[] = {
      {"a.room", false, 0, 1, "a.room"},
      {"../rooms/a.room", true, 8, 10, "a.room"},
      {"C:\\rooms.d\\a", true, 10, 12, "a"},
      {"dir/x\\y.z.room", true, 5, 9, "y.z.room"},
      {"noext", false, 0, 5, "noext"},
  };
  for (const auto& c : cases) {
    size_t header = 99, root = 99;
    EXPECT_EQ(GetHeader(c.path, &header), c.has_directory) << c.path;
    EXPECT_EQ(header, c.header) << c.path;
    get_root(c.path, &root);
    EXPECT_EQ(root, c.root) << c.path;
    EXPECT_STREQ(get_tail(c.path), c.tail) << c.path;
  }
}

TEST_F(RoomFile, TiffFilesAreRecognisedByTheirHeader) {
  // Two rows of one pixel: red below, blue on top.
  const uint8_t rgba[8] = {255, 0, 0, 255, 0, 0, 255, 255};
  ASSERT_EQ(write_tiff(path("little.tif").c_str(), 1, 2, rgba), 0);
  EXPECT_TRUE(FileIsTiff(path("little.tif").c_str()));
  run("tiffcp -B " + path("little.tif") + " " + path("big.tif"));
  EXPECT_TRUE(FileIsTiff(path("big.tif").c_str()));
  run("tiffcp -8 " + path("little.tif") + " " + path("bigtiff.tif"));
  ASSERT_EQ(contents("bigtiff.tif").substr(2, 2), std::string("\x2B\0", 2));
  EXPECT_FALSE(FileIsTiff(path("bigtiff.tif").c_str())) << "BigTIFF";
  EXPECT_FALSE(FileIsTiff(put("text", "II").c_str()));
  EXPECT_FALSE(FileIsTiff(path("missing").c_str()));
  ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
  EXPECT_FALSE(FileIsTiff(path("fifo").c_str()));
  EXPECT_FALSE(FileIsTiff(path("").c_str()));
}

TEST_F(RoomFile, WriteTiffGivesAnUncompressedRgbImageLastRowOnTop) {
  const uint32_t width = 3, height = 2;
  std::vector<uint8_t> rgba(width * height * 4);
  for (uint32_t i = 0; i < width * height; ++i) {
    rgba[i * 4] = uint8_t(i < width ? 10 : 200);  // row 0 (bottom) dark, row 1 bright
    rgba[i * 4 + 1] = uint8_t(i);
    rgba[i * 4 + 2] = 7;
    rgba[i * 4 + 3] = 99;
  }
  ASSERT_EQ(write_tiff(path("o.tif").c_str(), width, height, rgba.data()), 0);
  std::string info = run("tiffinfo " + path("o.tif") + " 2>&1");
  EXPECT_NE(info.find("Image Width: 3 Image Length: 2"), std::string::npos) << info;
  EXPECT_NE(info.find("Bits/Sample: 8"), std::string::npos) << info;
  EXPECT_NE(info.find("Photometric Interpretation: RGB"), std::string::npos) << info;
  EXPECT_NE(info.find("Compression Scheme: None"), std::string::npos) << info;
  std::string pixels = run("convert " + path("o.tif") + " rgb:-");
  ASSERT_EQ(pixels.size(), 18u);
  EXPECT_EQ(uint8_t(pixels[0]), 200) << "the last pixel row comes first";
  EXPECT_EQ(uint8_t(pixels[1]), 3);
  EXPECT_EQ(uint8_t(pixels[9]), 10);
  EXPECT_EQ(uint8_t(pixels[17]), 7);

  put("old.tif", "old");
  EXPECT_EQ(with_small_file_limit([&] { return write_tiff(path("old.tif").c_str(), width, height, rgba.data()); }), 1);
  ASSERT_EQ(mkdir(path("folder").c_str(), 0700), 0);
  EXPECT_EQ(write_tiff(path("folder").c_str(), width, height, rgba.data()), 1);
  EXPECT_EQ(contents("old.tif"), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"o.tif", "old.tif", "folder"}));
}

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

TEST_F(RoomBox, ImportSetsTheSidesFromTheSurfaces) {
  tiff("f.tif", 255, 0, 0);
  tiff("w.tif", 0, 255, 0);
  tiff("c.tif", 0, 0, 255);
  put("p.png", "\x89PNG\r\n\x1a\n");
  put("r.room",
      "V1.0\n"
      "floor \"f.tif\"\ncopies 1\nscale 2.0 3.0\noffset 9.0 9.0\n"
      "wall1 \"w.tif\"\ncopies 1\n"          // no scale: 25 by 25
      "wall2 \"p.png\"\n"                    // no TIFF: -4, the others applied
      "wall3 \"w.tif\"\ncopies 1\nscale 0.0001 99.0\n"
      "ceiling \"c.tif\"\ncopies 2\nscale 5.0 5.0\n"  // copies 2 refused: no repeat
      "center 5.0 5.0 5.0\n"
      "dimensions 400.0 300.0 200.0\n"
      "origin -200.0 0.0 -100.0\n");
  odd_box().set();
  ASSERT_EQ(TrqDrmImport(path("r.room").c_str()), -4);
  BoxState b = BoxState::now();
  EXPECT_TRUE(b.visible);
  EXPECT_TRUE(b.cull);
  const bool shown[6] = {true, false, true, false, true, true};  // floor, wall2..wall4, wall1, ceiling
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(b.shown[k], shown[k]) << k;
    EXPECT_FALSE(b.lit[k] || b.shadows[k]) << k;
    EXPECT_EQ(b.reflection[k], 0) << k;
  }
  const float repeat[12] = {2, 3, 1, 1, 0.01f, 25, 1, 1, 25, 25, 1, 1};
  for (int k = 0; k < 12; ++k) EXPECT_FLOAT_EQ(b.repeat[k], repeat[k]) << k;
  EXPECT_EQ(b.names[0], path("f.tif")) << "the checked path";
  EXPECT_EQ(b.names[2], path("w.tif"));
  EXPECT_EQ(b.names[5], path("c.tif"));
  EXPECT_EQ(b.names[1], "");
  const float position[3] = {0, 0, 0}, size[3] = {400, 200, 300};
  for (int k = 0; k < 3; ++k) EXPECT_EQ(b.position[k], position[k]) << k;
  for (int k = 0; k < 3; ++k) EXPECT_EQ(b.size[k], size[k]) << k;
  const LoadedTexture* floor = get_environment_side_texture(0);
  ASSERT_NE(floor, nullptr);
  EXPECT_FALSE(floor->get_showing_failure_image()) << "the box reads the file that was checked";
  EXPECT_EQ(floor->get_width(), 4);
  EXPECT_EQ(floor->get_pixels()[0], 254);
}

TEST_F(RoomBox, FilesThatChangeNothing) {
  tiff("f.tif", 255, 0, 0);
  struct {
    const char* name;
    const char* text;  // null: no file
    int result;
  } cases[] = {
      {"cylinder", "V1.0\nfloor \"f.tif\"\nroom_shape cylinder\n", 0},
      {"no_room_file", "some words \"and\" 1.0 2\n", -1},
      {"empty", "", -1},
      {"missing", nullptr, -1},
  };
  odd_box().set();
  BoxState before = BoxState::now();
  for (const auto& c : cases) {
    std::string file = c.text != nullptr ? put(c.name, c.text) : path(c.name);
    EXPECT_EQ(TrqDrmImport(file.c_str()), c.result) << c.name;
    EXPECT_TRUE(BoxState::now() == before) << c.name;
  }
}

TEST_F(RoomBox, ExportThenImportGivesTheSameBox) {
  // The export root ends at the last "." after the last separator.
  ASSERT_EQ(mkdir(path("rooms.d").c_str(), 0700), 0);
  BoxState b{};
  b.visible = true;
  b.shown[0] = b.shown[2] = b.shown[4] = true;
  for (float& r : b.repeat) r = 1;
  b.repeat[0] = 2.5f, b.repeat[1] = 25;
  b.position[0] = 10, b.position[1] = -20, b.position[2] = 5;
  b.size[0] = 400, b.size[1] = 300, b.size[2] = 250;
  b.names[0] = tiff("rooms.d/a_floor.tif", 255, 0, 0, 3, 2);
  b.names[2] = tiff("rooms.d/a_wall3.tif", 0, 255, 0, 2, 5);
  b.names[4] = tiff("rooms.d/a_wall1.tif", 0, 0, 255);
  b.set();
  BoxState before = BoxState::now();
  ASSERT_EQ(TrqDrmExport(path("rooms.d/a.room").c_str(), true), 0);
  ASSERT_EQ(TrqDrmImport(path("rooms.d/a.room").c_str()), 0);
  EXPECT_TRUE(BoxState::now() == before);

  // Each side's own image goes out unchanged, the room file names it bare.
  ASSERT_EQ(TrqDrmExport(path("b.x.room").c_str(), true), 0);
  const std::string room = contents("b.x.room");
  EXPECT_NE(room.find("floor \"b.x_floor.tif\"\ncopies 1\n"), std::string::npos) << room;
  EXPECT_NE(room.find("scale 2.500000 25.000000\n"), std::string::npos) << room;
  EXPECT_NE(room.find("wall3 \"b.x_wall3.tif\"\ncopies 0\n"), std::string::npos) << room;
  EXPECT_NE(room.find("origin -190.000000 5.000000 -170.000000\n"), std::string::npos) << room;
  EXPECT_NE(room.find("dimensions 400.000000 250.000000 300.000000\n"), std::string::npos) << room;
  for (const char* side : {"floor", "wall3", "wall1"}) {
    ImageIO original(GL_RGBA, path(std::string("rooms.d/a_") + side + ".tif").c_str());
    ImageIO exported(GL_RGBA, path(std::string("b.x_") + side + ".tif").c_str());
    EXPECT_TRUE(original.pixels == exported.pixels) << side;
    EXPECT_EQ(exported.width, original.width) << side;
  }
  ASSERT_EQ(TrqDrmExport(path("c.room").c_str(), false), 0);
  EXPECT_NE(contents("c.room").find("wall1 \"c_wall1.tif\""), std::string::npos);
  EXPECT_FALSE(entries().count("c_wall1.tif")) << "no images asked for";
}

TEST_F(RoomBox, ExportRefusals) {
  BoxState b{};
  b.visible = false;
  b.shown[0] = true;
  for (float& r : b.repeat) r = 1;
  b.size[0] = b.size[1] = b.size[2] = 100;
  b.names[0] = tiff("f.tif", 255, 0, 0);
  b.set();
  EXPECT_EQ(TrqDrmExport(path("hidden.room").c_str(), true), -1) << "hidden box";
  b.visible = true, b.shown[0] = false;
  b.set();
  EXPECT_EQ(TrqDrmExport(path("no_side.room").c_str(), true), -1) << "no side shown";
  EXPECT_EQ(entries(), (std::set<std::string>{"f.tif"}));

  // An image that can't be written: result 1, no room file, no partial TIFF.
  b.shown[0] = true, b.shown[5] = true;
  b.names[5] = path("f.tif");
  b.set();
  ASSERT_EQ(mkdir(path("x_ceiling.tif").c_str(), 0700), 0);
  EXPECT_EQ(TrqDrmExport(path("x.room").c_str(), true), 1);
  EXPECT_EQ(with_small_file_limit([&] { return TrqDrmExport(path("y.room").c_str(), true); }), 1);
  std::set<std::string> left = entries();
  EXPECT_FALSE(left.count("x.room") || left.count("y.room")) << "no room file";
  EXPECT_FALSE(left.count("y_floor.tif")) << "no partial TIFF";
  for (const std::string& name : left) EXPECT_TRUE(name == "f.tif" || name.rfind("x_", 0) == 0) << name;
}

}  // namespace
