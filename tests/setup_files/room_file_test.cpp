// The room file: reader and writer, the path helpers, the TIFF test and the
// TIFF writer, and the import and export against the environment box.
#include <functional>
#include <string>
#include <vector>

#include "setup_files/design_file.h"
#include "tests/oracle/tool_oracle.h"
#include "tests/scene/host_tools.h"
#include "tests/setup_files/room_file_fixture.h"

namespace {

using namespace setup_test;

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
  EXPECT_EQ(contents("old"), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"old"}));
}

#ifdef _WIN32
// Under Windows a file that is open for reading cannot be replaced: each
// writer fails at its last step and leaves the old file.
TEST_F(RoomFile, WritesOverAFileHeldOpenKeepItAndLeaveNoTemporary) {
  const std::vector<uint8_t> rgba(3 * 2 * 4, 99);
  const struct {
    const char* what;
    std::function<int(const std::string&)> write;
  } writers[] = {
      {"room",
       [](const std::string& to) {
         TrqDrm* r = room();
         int result = TrqDrmWrite(to.c_str(), r);
         TrqDrmFree(r);
         return result;
       }},
      {"tiff", [&](const std::string& to) { return write_tiff(to.c_str(), 3, 2, rgba.data()); }},
      {"design", [](const std::string& to) { return TrqDsnExport(to.c_str(), "l.light", "", "m.df", nullptr); }},
  };
  for (const auto& w : writers) {
    put(w.what, "old");
    FILE* held = fopen(path(w.what).c_str(), "rb");
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(w.write(path(w.what)), 1) << w.what;
    fclose(held);
    EXPECT_EQ(contents(w.what), "old") << w.what;
  }
  EXPECT_EQ(entries(), (std::set<std::string>{"room", "tiff", "design"}));
}
#endif

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
  auto tiffcp = [&](const char* option, const char* to) {
    using host_tools::tool_path;
    ASSERT_EQ(host_tools::run(std::string("tiffcp ") + option + " " + tool_path(path("little.tif")) + " " +
                              tool_path(path(to))),
              0);
  };
  tiffcp("-B", "big.tif");
  EXPECT_TRUE(FileIsTiff(path("big.tif").c_str()));
  tiffcp("-8", "bigtiff.tif");
  ASSERT_EQ(contents("bigtiff.tif").substr(2, 2), std::string("\x2B\0", 2));
  EXPECT_FALSE(FileIsTiff(path("bigtiff.tif").c_str())) << "BigTIFF";
  EXPECT_FALSE(FileIsTiff(put("text", "II").c_str()));
  EXPECT_FALSE(FileIsTiff(path("missing").c_str()));
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
  ASSERT_EQ(write_tiff(tool_oracle::file("o.tif").c_str(), width, height, rgba.data()), 0);
  tool_oracle::expect_output("o_tif_fields",
                             "tiffinfo o.tif 2>&1 | grep -o -e 'Image Width: [0-9]* Image Length: [0-9]*' "
                             "-e 'Bits/Sample: [0-9]*' -e 'Photometric Interpretation: [A-Za-z]*' "
                             "-e 'Compression Scheme: [A-Za-z]*' | sort",
                             "Bits/Sample: 8\nCompression Scheme: None\nImage Width: 3 Image Length: 2\n"
                             "Photometric Interpretation: RGB");
  // RGB bytes from the top row down: the last pixel row comes first.
  tool_oracle::expect_numbers("o_tif_pixels", "convert o.tif rgb:- | od -An -tu1 -v",
                              {200, 3, 7, 200, 4, 7, 200, 5, 7, 10, 0, 7, 10, 1, 7, 10, 2, 7}, 0);

  put("old.tif", "old");
  ASSERT_TRUE(add_folder("folder"));
  EXPECT_EQ(write_tiff(path("folder").c_str(), width, height, rgba.data()), 1);
  EXPECT_EQ(contents("old.tif"), "old");
  EXPECT_EQ(entries(), (std::set<std::string>{"old.tif", "folder"}));
}

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
  ASSERT_TRUE(add_folder("rooms.d"));
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
  ASSERT_TRUE(add_folder("x_ceiling.tif"));
  EXPECT_EQ(TrqDrmExport(path("x.room").c_str(), true), 1);
  std::set<std::string> left = entries();
  EXPECT_FALSE(left.count("x.room")) << "no room file";
  for (const std::string& name : left) EXPECT_TRUE(name == "f.tif" || name.rfind("x_", 0) == 0) << name;
}

}  // namespace
