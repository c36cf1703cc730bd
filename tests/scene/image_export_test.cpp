// Image export: a segment sent through the command parser, drawn into the
// graphics window and exported offscreen as TIFF and JPEG files in tiles,
// oversampled, in grey; the files checked with libtiff's and libjpeg's
// tools and compared with the window's pixels.
#include <gtest/gtest.h>  // before Xlib, whose None clashes with gtest's

#include "scene/image_export.h"

#include <GL/gl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/checked_mm.h"
#include "link/si.h"
#include "runtime/image_ops.h"
#include "runtime/interpreter.h"
#include "runtime/predefined.h"
#include "runtime/read_tables.h"
#include "scene/image_io.h"
#include "tests/scene/image_files.h"
#include "tests/scene/scene_stream.h"
#include "tests/support/graphics_environment.h"
#include "tests/support/own_x_server.h"
#include "tests/support/yarl_writer.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"
#include "view/repaint.h"
#include "view/transforms.h"
#include "view/views.h"

namespace {

using namespace scene_stream;
using namespace image_files;

// The graphics start state with the interpreter's stack, for SAVE_IMAGE, on
// an X server of this program's own: an export through a window covers the
// whole screen for a moment, which would spoil other tests' screen reads.
class ImageEnvironment : public GraphicsEnvironment {
 public:
  void SetUp() override {
    ASSERT_FALSE(x_server.name().empty()) << "Xvfb did not start";
    x_server.use();
    GraphicsEnvironment::SetUp();
    preset_const_expr_eval();
  }

 private:
  OwnXServer x_server;
};
testing::Environment* const environment = testing::AddGlobalTestEnvironment(new ImageEnvironment);

constexpr int W = 1280, H = 1024;  // the graphics viewport

// RGB rows bottom to top.
using Rgb = std::vector<uint8_t>;

class ImageExport : public SceneStream {
 protected:
  void SetUp() override {
    start_view_1(W, H);
    SceneStream::SetUp();
    // A red triangle around the origin facing the start-up camera, on blue.
    std::vector<Triple> points = {{-1000000, 0, -1000000}, {1000000, 0, -1000000}, {0, 0, 1000000}};
    ASSERT_EQ(run(cmd("TM") + ints({1, 0, 0}) + cmd("TG") + ints({1, 4, 0, 0, 0, 100}) + so(1) +
                  uc(points, {{255, 0, 0}}, {0, 0, 0}, ONE_STRIP) + sc()),
              "");
  }
  // The window's rows that hold pixels: a system that keeps a screen-sized
  // window's frame on the screen gives it a lower client area than the viewport.
  static int window_rows() {
    Window root;
    int x, y;
    unsigned width, height = 0, border, depth;
    XGetGeometry(graphics_display(), get_graphics_window(), &root, &x, &y, &width, &height, &border, &depth);
    return std::min(int(height), H);
  }
  static Rgb window_pixels() {
    EXPECT_FALSE(repaint_screen(true, never_abort_repaint));
    Rgb p(size_t(W) * H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, p.data());
    return p;
  }
  int save(const std::vector<std::string>& names, uint8_t kind, bool colour, uint32_t tile_width, uint32_t tile_height,
           uint32_t across, uint32_t down, uint8_t oversampling, bool use_window = false, int background = -1) {
    std::vector<const char*> files;
    for (const std::string& n : names) files.push_back(n.c_str());
    return save_image(graphics_display(), get_graphics_window(), 0, background, kind, files.data(), colour,
                      tile_width, tile_height, across, down, true, 72, 72, oversampling, 0, use_window);
  }
  // Pixels of the file (rows bottom to top, 3 or 1 bytes) against the window's
  // area from (x0, y0): the share of pixels off by more than `tolerance`,
  // among those of the window's rows.
  static double mismatch(const ImageIO& image, const Rgb& window, int x0, int y0, bool colour, int tolerance) {
    size_t off = 0, compared = 0;
    const int rows = window_rows();
    for (uint32_t y = 0; y < image.height && y0 + int(y) < rows; ++y)
      for (uint32_t x = 0; x < image.width; ++x) {
        ++compared;
        const uint8_t* w = &window[(size_t(y0 + int(y)) * W + size_t(x0) + x) * 3];
        const uint8_t* p = &image.pixels[(size_t(y) * image.width + x) * image.bytes_per_pixel];
        if (colour) {
          for (int c = 0; c < 3; ++c)
            if (std::abs(int(p[c]) - w[c]) > tolerance) {
              ++off;
              break;
            }
        } else if (std::abs(int(p[0]) - int(std::lround(0.299 * w[0] + 0.587 * w[1] + 0.114 * w[2]))) > tolerance) {
          ++off;
        }
      }
    EXPECT_GT(compared, 0u);
    return double(off) / double(std::max<size_t>(compared, 1));
  }
  static bool exists(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0;
  }

  ScratchDir dir;
};

TEST_F(ImageExport, TiffOfTheWindowsSizeHoldsTheWindowsPixels) {
  Rgb window = window_pixels();
  std::string path = dir.file("whole.tif");
  EXPECT_EQ(save({path}, IMAGE_TIFF, true, W, H, 1, 1, 1), SAVE_IMAGE_OK);
  std::string info = shell("tiffinfo '" + tool_path(path) + "' 2>&1");
  EXPECT_NE(info.find("Image Width: 1280 Image Length: 1024"), std::string::npos) << info;
  EXPECT_NE(info.find("Samples/Pixel: 3"), std::string::npos) << info;
  EXPECT_NE(shell("tiffdump '" + tool_path(path) + "'").find("ImageWidth (256) SHORT (3) 1<1280>"), std::string::npos);
  ImageIO image(GL_RGB, path.c_str());
  ASSERT_TRUE(image.ok);
  EXPECT_LT(mismatch(image, window, 0, 0, true, 2), 0.001);
  EXPECT_EQ(window_pixels(), window) << "the window draws as before the export";
}

TEST_F(ImageExport, EveryTileIsWrittenWithItsPartOfTheImage) {
  Rgb window = window_pixels();
  std::vector<std::string> names;
  for (int i = 0; i < 6; ++i) names.push_back(dir.file("tile" + std::to_string(i) + ".tif"));
  // Three columns of 426 and two rows of 512: tile (column c, row r from the top) is name r × 3 + c.
  ASSERT_EQ(save(names, IMAGE_TIFF, true, 426, 512, 3, 2, 1), SAVE_IMAGE_OK);
  for (int row = 0; row < 2; ++row)
    for (int column = 0; column < 3; ++column) {
      const std::string& name = names[size_t(row * 3 + column)];
      ASSERT_TRUE(exists(name)) << name;
      ImageIO tile(GL_RGB, name.c_str());
      ASSERT_TRUE(tile.ok) << name;
      EXPECT_EQ(tile.width, 426u);
      EXPECT_EQ(tile.height, 512u);
      // The image is 1278 wide, a little narrower than the window, and scaled by 1278/1280.
      EXPECT_LT(mismatch(tile, window, column * 426, (1 - row) * 512, true, 2), 0.02) << name;
    }
}

TEST_F(ImageExport, OversampledTilesAreFilteredDownToTheTileSize) {
  Rgb window = window_pixels();
  // 2 and 3 times 1280 × 1024 exceed the 2048-pixel drawable: sub-tiles.
  for (uint8_t factor : {1, 2, 3}) {
    std::string path = dir.file("over" + std::to_string(factor) + ".tif");
    ASSERT_EQ(save({path}, IMAGE_TIFF, true, W, H, 1, 1, factor), SAVE_IMAGE_OK) << int(factor);
    ImageIO image(GL_RGB, path.c_str());
    ASSERT_TRUE(image.ok);
    EXPECT_EQ(image.width, uint32_t(W));
    EXPECT_EQ(image.height, uint32_t(H));
    // Filtering softens the triangle's edges only.
    EXPECT_LT(mismatch(image, window, 0, 0, true, 40), 0.005) << int(factor);
  }
}

TEST_F(ImageExport, JpegAndGreyFilesHoldTheScene) {
  Rgb window = window_pixels();
  std::string jpeg = dir.file("scene.jpg"), grey = dir.file("grey.tif"), grey_jpeg = dir.file("grey.jpg");
  ASSERT_EQ(save({jpeg}, 2, true, 640, 512, 1, 1, 2), SAVE_IMAGE_OK);
  ASSERT_EQ(save({grey}, IMAGE_TIFF, false, 640, 512, 1, 1, 1), SAVE_IMAGE_OK);
  ASSERT_EQ(save({grey_jpeg}, 2, false, 640, 512, 1, 1, 1), SAVE_IMAGE_OK);
  Pnm decoded = djpeg(jpeg);
  ASSERT_EQ(decoded.width, 640);
  ASSERT_EQ(decoded.height, 512);
  ASSERT_EQ(decoded.channels, 3);
  // The centre of the triangle and a corner: half the window's coordinates.
  auto at = [&](const Pnm& p, int x, int y) { return &p.pixels[(size_t(511 - y) * 640 + size_t(x)) * p.channels]; };
  EXPECT_GT(at(decoded, 320, 256)[0], 240);
  EXPECT_LT(at(decoded, 320, 256)[2], 15);
  EXPECT_GT(at(decoded, 5, 5)[2], 240);
  EXPECT_NE(shell("tiffinfo '" + tool_path(grey) + "' 2>&1").find("Samples/Pixel: 1"), std::string::npos);
  ImageIO image(GL_LUMINANCE, grey.c_str());
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.pixels[256 * 640 + 320], 76) << "red weighs 0.299";
  EXPECT_EQ(image.pixels[5 * 640 + 5], 29) << "blue weighs 0.114";
  // A grey export on a background of its own: white, with the palette's colours black.
  std::string print = dir.file("print.tif");
  ASSERT_EQ(save({print}, IMAGE_TIFF, false, 640, 512, 1, 1, 1, false, 0), SAVE_IMAGE_OK);
  ImageIO printed(GL_LUMINANCE, print.c_str());
  ASSERT_TRUE(printed.ok);
  EXPECT_EQ(printed.pixels[5 * 640 + 5], 255);
  EXPECT_EQ(printed.pixels[256 * 640 + 320], 76) << "the segment's own colour";
  Pnm grey_decoded = djpeg(grey_jpeg);
  ASSERT_EQ(grey_decoded.channels, 1);
  EXPECT_NEAR(at(grey_decoded, 320, 256)[0], 76, 3);
  (void)window;
}

TEST_F(ImageExport, ExportThroughAWindowOverTheGraphicsWindow) {
  Rgb window = window_pixels();
  std::string path = dir.file("window.tif");
  ASSERT_EQ(save({path}, IMAGE_TIFF, true, W, H, 1, 1, 1, true), SAVE_IMAGE_OK);
  ImageIO image(GL_RGB, path.c_str());
  ASSERT_TRUE(image.ok);
  EXPECT_LT(mismatch(image, window, 0, 0, true, 2), 0.001);
}

TEST_F(ImageExport, OutOfRangeParametersAreRefusedBeforeAnythingIsMade) {
  std::string path = dir.file("refused.tif");
  struct Case {
    uint32_t tile_width, tile_height, across, down;
    uint8_t oversampling;
  } cases[] = {{64, 64, 1, 1, 0},     {64, 64, 1, 1, 4},     {0, 64, 1, 1, 1},      {64, 0, 1, 1, 1},
               {64, 64, 0, 1, 1},     {64, 64, 1, 0, 1},     {20000, 64, 1, 1, 1},  {64, 64, 70000, 1, 1},
               {64, 64, 0xFFFFFFFFu, 1, 1}};
  for (const Case& c : cases) {
    std::vector<std::string> names(1, path);
    testing::internal::CaptureStderr();
    EXPECT_EQ(save(names, IMAGE_TIFF, true, c.tile_width, c.tile_height, c.across, c.down, c.oversampling),
              SAVE_IMAGE_BAD_PARAMETER);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("SAVE_IMAGE - "), std::string::npos);
    EXPECT_FALSE(exists(path));
  }
  const float* area = get_vl_system_viewport();
  EXPECT_EQ(area[1], float(W)) << "the viewport is left as it was";
}

TEST_F(ImageExport, AFileThatCannotBeWrittenEndsTheExport) {
  std::vector<std::string> names = {dir.file("first.tif"), dir.file("no/such/dir.tif"), dir.file("third.tif")};
  testing::internal::CaptureStderr();
  EXPECT_EQ(save(names, IMAGE_TIFF, true, 64, 64, 3, 1, 1), SAVE_IMAGE_WRITE_FAILED);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("SAVE_IMAGE - error opening '" + names[1] +
                                                        "' - No such file or directory.\n"),
            std::string::npos);
  EXPECT_TRUE(exists(names[0]));
  EXPECT_FALSE(exists(names[2]));
  testing::internal::CaptureStderr();
  EXPECT_EQ(save({"/dev/full"}, 2, true, 256, 256, 1, 1, 1), SAVE_IMAGE_WRITE_FAILED);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("SAVE_IMAGE - error writing image file - No space left on device.\n"),
            std::string::npos);
}

char* string_value(const std::string& s) {
  char* block = static_cast<char*>(CheckedMalloc(s.size() + 1));
  memcpy(block, s.c_str(), s.size() + 1);
  return block;
}

TEST_F(ImageExport, YarlOperationWritesOneFilePerTileAndPushesTheResult) {
  std::vector<std::string> names = {dir.file("left.jpg"), dir.file("right.jpg")};
  value* bottom = sp;
  value v{};
  for (const std::string& n : names) {
    v.s = string_value(n);
    push_value(v);
  }
  push_int(2);  // the count
  auto byte = [](uint8_t b) {
    value x{};
    x.b = b;
    return x;
  };
  push_value(byte(2));  // JPEG
  push_value(byte(1));  // colour
  for (int32_t i : {64, 48, 2, 1, 300, 300}) push_int(i);
  for (uint8_t b : {1, 1, 0, 0}) push_value(byte(b));  // inches, oversampling, compression, use window
  save_image_op(nullptr, nullptr);
  ASSERT_EQ(sp, bottom + 1);
  EXPECT_EQ(sp->i, 0);
  --sp;
  for (const std::string& n : names) {
    Pnm p = djpeg(n);
    EXPECT_EQ(p.width, 64) << n;
    EXPECT_EQ(p.height, 48) << n;
  }
}

}  // namespace
