// The picture and colour operations: HLS conversions against Python's
// colorsys figures, MODIFY_COLOR on the palette, FONT_PICTURES' refusals and
// load_picture's sizes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstring>

#include "base/checked_mm.h"
#include "runtime/image_ops.h"
#include "runtime/run_time_errors.h"
#include "scene/display_options.h"
#include "scene/image_io.h"
#include "tests/oracle/tool_oracle.h"
#include "tests/runtime/yarl_fixture.h"
#include "tests/support/runner.h"
#include "toolkit/image_text.h"
#include "toolkit/neutral_picture.h"

namespace {

using yarl::Code;
using yarl::GLOBAL;
using yarl::make_ident;
using yarl_test::real_bits;

constexpr uint8_t MODIFY_COLOR = 139, FONT_PICTURES = 145, HLS_TO_RGB = 188, RGB_TO_HLS = 189;
constexpr int32_t FULL_TURN = 1296000;

class ColourOps : public yarl_test::Loaded {
 protected:
  void SetUp() override {
    for (int k = 0; k < 3; ++k) reals[k] = program.add(GLOBAL, make_ident(K_REAL), "real_" + std::to_string(k));
    hue = program.add(GLOBAL, make_ident(K_ANGLE), "hue");
    for (int k = 0; k < 2; ++k) sizes[k] = program.add(GLOBAL, make_ident(K_INTEGER), "size_" + std::to_string(k));
    load();
    in_interface_builder = true;  // errors end the run, not the program
    init_color_palette();
  }
  void TearDown() override {
    cleanup_color_palette();
    Loaded::TearDown();
  }
  float real(int k) { return global(reals[k])->val.r; }
  std::string error_text() { return rterror ? traceback_line(0).substr(0, traceback_line(0).find(" in ")) : ""; }
  void hls_to_rgb(int32_t h, float l, float s) {
    Code c(false);
    c.push_long(uint32_t(h)).push_long(real_bits(l)).push_long(real_bits(s)).op(HLS_TO_RGB);
    for (uint16_t r : reals) c.ref_long(GLOBAL, r);
    run(c.raw_bytes());
  }
  void rgb_to_hls(float r, float g, float b) {
    Code c(false);
    c.push_long(real_bits(r)).push_long(real_bits(g)).push_long(real_bits(b)).op(RGB_TO_HLS);
    c.ref_long(GLOBAL, hue).ref_long(GLOBAL, reals[1]).ref_long(GLOBAL, reals[2]);
    run(c.raw_bytes());
  }
  uint16_t reals[3];
  uint16_t hue;
  uint16_t sizes[2];
};

// Figures of colorsys.hls_to_rgb and rgb_to_hls (hue in turns there).
TEST_F(ColourOps, HlsToRgbMatchesColorsysAndWrapsTheHue) {
  struct {
    int32_t hue;
    float l, s, r, g, b;
  } cases[] = {
      {0, 0.5f, 1, 1, 0, 0},                      // colorsys.hls_to_rgb(0, .5, 1)
      {FULL_TURN, 0.5f, 1, 1, 0, 0},              // a full turn is hue 0
      {FULL_TURN / 3, 0.5f, 1, 0, 1, 0},          // 120 degrees
      {-FULL_TURN / 3, 0.5f, 1, 0, 0, 1},         // -120 is 240 degrees
      {FULL_TURN / 6, 0.25f, 0.5f, 0.375f, 0.375f, 0.125f},  // hls_to_rgb(1/6, .25, .5)
  };
  for (const auto& c : cases) {
    hls_to_rgb(c.hue, c.l, c.s);
    ASSERT_EQ(error_text(), "") << c.hue;
    EXPECT_NEAR(real(0), c.r, 1e-5f) << c.hue;
    EXPECT_NEAR(real(1), c.g, 1e-5f) << c.hue;
    EXPECT_NEAR(real(2), c.b, 1e-5f) << c.hue;
  }
  hls_to_rgb(0, 1.5f, 0.5f);
  EXPECT_EQ(error_text(), "CONVERT_HLS_TO_RGB - lightness out of range [0.0, 1.0]");
}

TEST_F(ColourOps, RgbToHlsGivesTheHueAsAnAngle) {
  rgb_to_hls(0.375f, 0.375f, 0.125f);  // colorsys: (1/6, .25, .5)
  ASSERT_EQ(error_text(), "");
  EXPECT_EQ(global(hue)->val.i, FULL_TURN / 6);
  EXPECT_NEAR(real(1), 0.25f, 1e-6f);
  EXPECT_NEAR(real(2), 0.5f, 1e-6f);
  rgb_to_hls(0.5f, -0.1f, 0);
  EXPECT_EQ(error_text(), "CONVERT_RGB_TO_HLS - green out of range [0.0, 1.0]");
}

TEST_F(ColourOps, ModifyColorSetsThePaletteBelow100AndChecksItsArray) {
  auto modify = [&](int32_t index, std::initializer_list<float> hls) {
    Code c(false);
    c.push_long(uint32_t(index));
    for (float v : hls) c.push_long(real_bits(v));
    c.push(int32_t(hls.size())).op(MODIFY_COLOR);
    c.assign(GLOBAL, reals[2]).assign(GLOBAL, reals[1]).assign(GLOBAL, reals[0]);
    run(c.raw_bytes());
  };
  modify(5, {-120, 0.5f, 1});
  ASSERT_EQ(error_text(), "");
  float r, g, b;
  get_colormap_entry(5, &r, &g, &b);
  EXPECT_NEAR(b, 1, 1e-6f);
  EXPECT_NEAR(real(2), 1, 1e-6f) << "the pushed blue";
  float before[3];
  get_colormap_entry(99, &before[0], &before[1], &before[2]);
  for (int32_t index : {100, -1}) {
    modify(index, {0, 0.5f, 1, 7});
    ASSERT_EQ(error_text(), "") << index;
    EXPECT_NEAR(real(0), 1, 1e-6f) << "red is still pushed";
  }
  get_colormap_entry(99, &r, &g, &b);
  EXPECT_EQ(r, before[0]);
  modify(5, {0, 0.5f});
  EXPECT_EQ(error_text(), "MODIFY_COLOR - array needs hue, lightness and saturation");
  modify(5, {0, 0.5f, 2});
  EXPECT_EQ(error_text(), "MODIFY_COLOR - saturation out of range [0.0, 1.0]");
}

TEST_F(ColourOps, FontPicturesRefusesABadFontOrAReplacedCharacter) {
  auto run_with = [&](uint8_t font, uint8_t character) {
    Code c(false);
    c.push_picture(7, 2, 2, std::vector<uint8_t>(16, 0x80)).op(FONT_PICTURES).u8(font).u8(character);
    run(c.raw_bytes());
  };
  run_with(18, 'a');
  EXPECT_EQ(error_text(), "FONT_PICTURES - font index out of range");
  run_with(3, 'a');
  EXPECT_EQ(error_text(), "");
  EXPECT_NE(ImageText::font_pictures[3]['a'], nullptr);
  run_with(3, 'a');
  EXPECT_EQ(error_text(), "FONT_PICTURES - character already has a picture");
  ImageText::delete_font_pictures();
}

// SAVE_DF's process numbers run from 0 to 20; an idle slot is refused too.
TEST_F(ColourOps, SaveDfRefusesAProcessNumberOutsideZeroTo20) {
  const std::pair<int32_t, const char*> cases[] = {{21, "SAVE_DF - process number out of range"},
                                                   {-1, "SAVE_DF - process number out of range"},
                                                   {3, "SAVE_DF - process not active"}};
  for (const auto& [number, message] : cases) {
    Code c(false);
    c.push(number).push(0).op(81).u8(K_INTEGER);
    run(c.raw_bytes());
    EXPECT_EQ(error_text(), message) << number;
  }
}

// IMAGE_INFO gives what tiffinfo reads from the file's header.
TEST_F(ColourOps, ImageInfoReadsTheSizeThatTiffinfoReads) {
  TempDir dir;
  std::string path = tool_oracle::file("size.tif");
  {
    ImageIO out(IMAGE_TIFF, GL_RGB, 7, 3, 0, path.c_str(), false, 72, 72);
    ASSERT_TRUE(out.ok);
    uint8_t row[21] = {};
    for (uint32_t r = 0; r < 3; ++r) ASSERT_FALSE(out.write_scanline(r, row));
    ASSERT_FALSE(out.finish_write());
  }
  const int width = 7, height = 3;
  for (const std::string& name : {path, dir.file("missing.tif")}) {
    Code c(false);
    c.push_string(name).op(111).ref_long(GLOBAL, sizes[0]).ref_long(GLOBAL, sizes[1]).assign(GLOBAL, hue);
    run(c.raw_bytes());
    ASSERT_EQ(error_text(), "");
    if (name == path) {
      EXPECT_EQ(global(hue)->val.i, 1);
      EXPECT_EQ(global(sizes[0])->val.i, width);
      EXPECT_EQ(global(sizes[1])->val.i, height);
      // tiffinfo reads the same size from the file.
      tool_oracle::expect_output(
          "size_tif", "tiffinfo size.tif 2>/dev/null | sed -n 's/.*Image Width: \\([0-9]*\\) Image Length: \\([0-9]*\\).*/\\1 \\2/p'",
          std::to_string(global(sizes[0])->val.i) + " " + std::to_string(global(sizes[1])->val.i));
    } else {
      EXPECT_EQ(global(hue)->val.i, 0) << "false for a file that cannot be read";
    }
  }
}

// A quality outside 0 to 4 makes no file.
TEST_F(ColourOps, SavePostscriptRefusesAQualityOutOfRange) {
  TempDir dir;
  Code c(false);
  c.push_string(dir.file("q.ps")).push(1).push(100).push(100).push(5).push(0).push(0).op(166).assign(GLOBAL, hue);
  testing::internal::CaptureStderr();
  run(c.raw_bytes());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "SAVE_POSTSCRIPT - quality out of range.\n");
  EXPECT_EQ(global(hue)->val.i, -1);
  EXPECT_NE(access(dir.file("q.ps").c_str(), F_OK), 0);
}

TEST(LoadPicture, SizesFollowTheImageAndTheHeaderWordNamesTheFile) {
  TempDir dir;
  std::string path = dir.file("p.tif");
  {
    ImageIO out(IMAGE_TIFF, GL_RGB, 4, 2, 0, path.c_str(), false, 72, 72);
    ASSERT_TRUE(out.ok);
    uint8_t row[12];
    for (uint32_t r = 0; r < 2; ++r) {
      for (int k = 0; k < 12; ++k) row[k] = uint8_t(r * 100 + k);
      ASSERT_FALSE(out.write_scanline(r, row));
    }
    ASSERT_FALSE(out.finish_write());
  }
  struct {
    uint32_t width, height, want_width, want_height;
  } cases[] = {{0, 0, 4, 2}, {0, 4, 8, 4}, {6, 0, 6, 3}, {3, 7, 3, 7}, {9, 9, 9, 9}};
  for (const auto& c : cases) {
    uint8_t* block;
    EXPECT_FALSE(load_picture(path.c_str(), c.width, c.height, &block));
    const neutral_picture* p = reinterpret_cast<const neutral_picture*>(block);
    EXPECT_EQ(p->width, c.want_width) << c.width << "x" << c.height;
    EXPECT_EQ(p->height, c.want_height) << c.width << "x" << c.height;
    uint32_t header = c.want_width << 16 | c.want_height;
    for (size_t i = 0; i < path.size(); ++i) header += uint32_t(uint8_t(path[i])) * uint32_t(i + 1);
    EXPECT_EQ(p->header, header);
    CheckedFree(block);
  }
  uint8_t* block;
  EXPECT_TRUE(load_picture(dir.file("missing.tif").c_str(), 64, 64, &block));
  const neutral_picture* p = reinterpret_cast<const neutral_picture*>(block);
  EXPECT_EQ(p->width, 64);
  EXPECT_EQ(p->height, 64);
  CheckedFree(block);
  EXPECT_TRUE(load_picture(path.c_str(), 0, 65535 * 2 + 2, &block)) << "a width past 65535 takes the failure image";
  CheckedFree(block);
}

}  // namespace
