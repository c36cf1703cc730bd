// Image files: TIFF and JPEG files made by ImageMagick read into memory, files
// written scanline by scanline checked with libtiff's and libjpeg's tools, and
// damaged files that must give the failure image.
#include "scene/image_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "tests/scene/image_files.h"
#include "tests/support/dump_files.h"

namespace {

using namespace image_files;

struct Rgba {
  int r, g = -1, b = -1, a = -1;  // -1: not checked (grey has r only)
};

class ImageFiles : public testing::Test {
 protected:
  // An 8 × 6 image, its top three rows `top` and the bottom three `bottom`.
  std::string convert(const std::string& name, const char* top, const char* bottom, const std::string& options) {
    std::string path = dir.file(name);
    int status = -1;
    shell("convert -size 8x3 xc:'" + std::string(top) + "' -size 8x3 xc:'" + bottom + "' -append " + options + " '" +
            tool_path(path) + "'",
        &status);
    EXPECT_EQ(status, 0) << name;
    return path;
  }
  // A 64 × 64 noise image: enough coded data that cutting it loses scanlines.
  std::string noise(const std::string& name) {
    std::string path = dir.file(name);
    int status = -1;
    shell("convert -size 64x64 xc: +noise Random -depth 8 '" + tool_path(path) + "'", &status);
    EXPECT_EQ(status, 0) << name;
    return path;
  }
  static Rgba pixel(const ImageIO& image, uint32_t x, uint32_t row_from_bottom) {
    const uint8_t* p = &image.pixels[(size_t(row_from_bottom) * image.width + x) * image.bytes_per_pixel];
    if (image.bytes_per_pixel == 1) return {p[0]};
    return {p[0], p[1], p[2], p[3]};
  }
  static void expect_near(Rgba got, Rgba want, int tolerance, const std::string& where) {
    EXPECT_NEAR(got.r, want.r, tolerance) << where;
    if (want.g >= 0) {
      EXPECT_NEAR(got.g, want.g, tolerance) << where;
    }
    if (want.b >= 0) {
      EXPECT_NEAR(got.b, want.b, tolerance) << where;
    }
    if (want.a >= 0) {
      EXPECT_NEAR(got.a, want.a, tolerance) << where;
    }
  }
  static void expect_failure_image(const ImageIO& image, const std::string& name) {
    EXPECT_FALSE(image.ok) << name;
    ASSERT_EQ(image.width, 32u) << name;
    ASSERT_EQ(image.height, 32u) << name;
    ASSERT_EQ(image.pixels.size(), 32u * 32 * image.bytes_per_pixel) << name;
    int black = 0, white = 255;
    for (auto [x, y, v] : {std::array{0, 0, black}, {31, 31, black}, {31, 0, black}, {0, 31, black},
                           {16, 16, black}, {1, 0, white}, {16, 0, white}, {5, 20, white}}) {
      Rgba p = pixel(image, uint32_t(x), uint32_t(y));
      EXPECT_EQ(p.r, v) << name << " at " << x << ", " << y;
      if (image.bytes_per_pixel == 4) {
        EXPECT_EQ(p.a, 255) << name;
      }
    }
  }

  ScratchDir dir;
};

TEST_F(ImageFiles, FilesOfImageMagickAreReadBottomRowFirstInTheAskedFormat) {
  struct Case {
    const char* name;
    const char* top;
    const char* bottom;
    const char* options;
    GLenum format;
    Rgba want_top, want_bottom;
    int tolerance;
  } cases[] = {
      {"rgb8.tif", "red", "blue", "-depth 8", GL_RGBA, {255, 0, 0, 255}, {0, 0, 255, 255}, 0},
      {"rgb16.tif", "red", "blue", "", GL_RGB, {255, 0, 0, 255}, {0, 0, 255, 255}, 0},
      {"lzw.tif", "red", "lime", "-depth 8 -compress lzw", GL_RGB, {255, 0, 0, 255}, {0, 255, 0, 255}, 0},
      {"grey.tif", "white", "black", "-depth 8 -type Grayscale", GL_LUMINANCE, {255}, {0}, 0},
      {"grey_as_rgba.tif", "white", "black", "-depth 8 -type Grayscale", GL_RGBA, {255, 255, 255, 255}, {0, 0, 0, 255}, 0},
      {"rgb_as_grey.tif", "red", "blue", "-depth 8", GL_LUMINANCE, {85}, {85}, 0},
      // libtiff hands unassociated alpha back premultiplied: only alpha and the zero channels are fixed.
      {"rgba.tif", "rgba(255,0,0,0.5)", "blue", "-depth 8 -type TrueColorAlpha", GL_RGBA, {-1, 0, 0, 128}, {0, 0, 255, 255}, 1},
      {"rgba_as_rgb.tif", "rgba(255,0,0,0.5)", "blue", "-depth 8 -type TrueColorAlpha", GL_RGB, {-1, 0, 0, 255}, {0, 0, 255, 255}, 1},
      {"rgb.jpg", "red", "blue", "-quality 95", GL_RGBA, {255, 0, 0, 255}, {0, 0, 255, 255}, 8},
      {"grey.jpg", "white", "black", "-type Grayscale -quality 95", GL_LUMINANCE, {255}, {0}, 4},
      {"grey_as_rgb.jpg", "white", "black", "-type Grayscale -quality 95", GL_RGB, {255, 255, 255, 255}, {0, 0, 0, 255}, 4},
      {"rgb_as_grey.jpg", "red", "blue", "-quality 95", GL_LUMINANCE, {85}, {85}, 8},
  };
  for (const Case& c : cases) {
    std::string path = convert(c.name, c.top, c.bottom, c.options);
    ImageIO image(c.format, path.c_str());
    ASSERT_TRUE(image.ok) << c.name;
    EXPECT_EQ(image.width, 8u) << c.name;
    EXPECT_EQ(image.height, 6u) << c.name;
    EXPECT_EQ(image.bytes_per_pixel, c.format == GL_LUMINANCE ? 1u : 4u) << c.name;
    ASSERT_EQ(image.pixels.size(), 8u * 6 * image.bytes_per_pixel) << c.name;
    Rgba top = c.want_top, bottom = c.want_bottom;
    if (top.r < 0) top.r = pixel(image, 4, 5).r;  // not fixed by the case
    expect_near(pixel(image, 4, 5), top, c.tolerance, std::string(c.name) + " top");
    expect_near(pixel(image, 4, 0), bottom, c.tolerance, std::string(c.name) + " bottom");
  }
}

TEST_F(ImageFiles, DamagedOrForeignFilesGiveTheFailureImage) {
  std::vector<uint8_t> tiff = read_bytes(convert("whole.tif", "red", "blue", "-depth 8"));
  std::vector<uint8_t> jpeg = read_bytes(noise("whole.jpg"));
  ASSERT_GT(jpeg.size(), 2000u);
  write_bytes(dir.file("half.tif"), std::vector<uint8_t>(tiff.begin(), tiff.begin() + long(tiff.size() / 2)));
  write_bytes(dir.file("half.jpg"), std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2)));
  write_bytes(dir.file("empty"), {});
  std::vector<uint8_t> garbage(4096);
  uint32_t seed = 12345;
  for (uint8_t& b : garbage) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
  write_bytes(dir.file("garbage"), garbage);
  // A JPEG start marker followed by garbage reaches libjpeg's fatal error exit.
  std::vector<uint8_t> bad_jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
  bad_jpeg.insert(bad_jpeg.end(), garbage.begin(), garbage.end());
  write_bytes(dir.file("bad_stream.jpg"), bad_jpeg);
  // Sizes past the limit in the header: refused before any buffer is sized.
  std::vector<uint8_t> huge_jpeg = jpeg;
  for (size_t i = 2; i + 9 < huge_jpeg.size(); ++i)
    if (huge_jpeg[i] == 0xFF && huge_jpeg[i + 1] == 0xC0) {
      huge_jpeg[i + 5] = huge_jpeg[i + 7] = 0xEA, huge_jpeg[i + 6] = huge_jpeg[i + 8] = 0x60;  // 60000 × 60000
      break;
    }
  write_bytes(dir.file("huge.jpg"), huge_jpeg);
  std::string huge_tiff = convert("huge.tif", "red", "blue", "-depth 8");
  int status = -1;
  shell("tiffset -s 256 60000 '" + tool_path(huge_tiff) + "' && tiffset -s 257 60000 '" + tool_path(huge_tiff) + "'", &status);
  ASSERT_EQ(status, 0);
  std::string cmyk = dir.file("cmyk.jpg");
  shell("convert -size 8x6 xc:red -colorspace CMYK '" + tool_path(cmyk) + "'", &status);
  ASSERT_EQ(status, 0);

  for (const char* name : {"missing", "empty", "garbage", "half.tif", "half.jpg", "bad_stream.jpg", "huge.jpg",
                           "huge.tif", "cmyk.jpg"})
    for (GLenum format : {GL_RGBA, GL_RGB, GL_LUMINANCE}) {
      errno = EDOM;
      ImageIO image(format, dir.file(name).c_str());
      EXPECT_EQ(errno, EDOM) << name << ": reading leaves errno as it was";
      EXPECT_EQ(image.bytes_per_pixel, format == GL_LUMINANCE ? 1u : 4u);
      expect_failure_image(image, name);
    }
  ImageIO header_only(dir.file("huge.jpg").c_str());
  EXPECT_FALSE(header_only.ok);
}

TEST_F(ImageFiles, OnlyTheSizeIsReadFromTheHeader) {
  std::string tiff = convert("size.tif", "red", "blue", "");
  std::string jpeg = convert("size.jpg", "red", "blue", "");
  for (const std::string& path : {tiff, jpeg}) {
    ImageIO image(path.c_str());
    EXPECT_TRUE(image.ok) << path;
    EXPECT_EQ(image.width, 8u);
    EXPECT_EQ(image.height, 6u);
    EXPECT_TRUE(image.pixels.empty());
  }
  EXPECT_FALSE(ImageIO(dir.file("missing").c_str()).ok);
}

TEST_F(ImageFiles, FailureImageStandsAloneAndOtherFormatsAreAnInternalError) {
  expect_failure_image(ImageIO(GL_RGBA), "RGBA");
  expect_failure_image(ImageIO(GL_LUMINANCE), "grey");
  EXPECT_EXIT(ImageIO(GL_ALPHA, dir.file("x").c_str()), testing::ExitedWithCode(1), removing_dump("internal error"));
}

// A 5 × 4 test pattern, rows top first: every pixel different.
std::vector<uint8_t> pattern(unsigned channels) {
  std::vector<uint8_t> p(5 * 4 * channels);
  for (size_t i = 0; i < p.size(); ++i) p[i] = uint8_t(i * 7 + 3);
  return p;
}

TEST_F(ImageFiles, TiffIsWrittenWithTheAskedTagsAndReadsBackExactly) {
  struct Case {
    bool colour;
    uint8_t compression;
    bool inches;
    const char* scheme;
    const char* photometric;
    const char* unit;
  } cases[] = {{true, 0, true, "None", "RGB color", "pixels/inch"},
               {true, 1, false, "LZW", "RGB color", "pixels/cm"},
               {false, 9, true, "LZW", "min-is-black", "pixels/inch"},
               {false, 0, false, "None", "min-is-black", "pixels/cm"}};
  for (const Case& c : cases) {
    std::string path = dir.file("out.tif");
    unsigned channels = c.colour ? 3 : 1;
    std::vector<uint8_t> bytes = pattern(channels);
    {
      ImageIO out(IMAGE_TIFF, c.colour ? GL_RGB : GL_LUMINANCE, 5, 4, c.compression, path.c_str(), c.inches, 72, 96);
      ASSERT_TRUE(out.ok);
      for (uint32_t row = 0; row < 4; ++row) EXPECT_FALSE(out.write_scanline(row, &bytes[row * 5 * channels]));
      EXPECT_FALSE(out.finish_write());
    }
    std::string info = shell("tiffinfo '" + tool_path(path) + "' 2>&1");
    std::string where = info;
    EXPECT_NE(info.find("Image Width: 5 Image Length: 4"), std::string::npos) << where;
    EXPECT_NE(info.find(std::string("Compression Scheme: ") + c.scheme), std::string::npos) << where;
    EXPECT_NE(info.find(std::string("Photometric Interpretation: ") + c.photometric), std::string::npos) << where;
    EXPECT_NE(info.find(std::string("Resolution: 72, 96 ") + c.unit), std::string::npos) << where;
    EXPECT_NE(info.find("Samples/Pixel: " + std::to_string(channels)), std::string::npos) << where;
    EXPECT_NE(info.find("Bits/Sample: 8"), std::string::npos) << where;
    ImageIO back(c.colour ? GL_RGB : GL_LUMINANCE, path.c_str());
    ASSERT_TRUE(back.ok);
    for (uint32_t row = 0; row < 4; ++row)
      for (uint32_t x = 0; x < 5; ++x) {
        Rgba p = pixel(back, x, 3 - row);
        const uint8_t* want = &bytes[(row * 5 + x) * channels];
        EXPECT_EQ(p.r, want[0]);
        if (c.colour) {
          EXPECT_EQ(p.b, want[2]);
        }
      }
  }
}

TEST_F(ImageFiles, JpegQualityIsOneHundredLessTheCompressionWithTheDensityGiven) {
  struct Case {
    uint8_t compression;
    bool colour;
    bool inches;
    int quality;
  } cases[] = {{0, true, true, 100}, {25, true, false, 75}, {60, false, true, 40}};
  for (const Case& c : cases) {
    std::string path = dir.file("out.jpg");
    unsigned channels = c.colour ? 3 : 1;
    std::vector<uint8_t> bytes(64 * 48 * channels);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t((i / channels % 64) * 4);  // a ramp across
    {
      ImageIO out(2, c.colour ? GL_RGB : GL_LUMINANCE, 64, 48, c.compression, path.c_str(), c.inches, 300, 150);
      ASSERT_TRUE(out.ok);
      for (uint32_t row = 0; row < 48; ++row) EXPECT_FALSE(out.write_scanline(row, &bytes[row * 64 * channels]));
      EXPECT_FALSE(out.finish_write());
    }
    EXPECT_EQ(shell("identify -format %Q '" + tool_path(path) + "'"), std::to_string(c.quality));
    std::vector<uint8_t> file = read_bytes(path);
    ASSERT_GT(file.size(), 20u);
    EXPECT_EQ(std::string(file.begin() + 6, file.begin() + 10), "JFIF");
    EXPECT_EQ(file[13], c.inches ? 1 : 2) << "density unit";
    EXPECT_EQ(file[14] << 8 | file[15], 300);
    EXPECT_EQ(file[16] << 8 | file[17], 150);
    Pnm decoded = djpeg(path);
    ASSERT_EQ(decoded.width, 64);
    ASSERT_EQ(decoded.height, 48);
    ASSERT_EQ(decoded.channels, int(channels));
    int worst = 0;
    for (size_t i = 0; i < bytes.size(); ++i) worst = std::max(worst, std::abs(int(decoded.pixels[i]) - bytes[i]));
    EXPECT_LE(worst, c.quality == 100 ? 2 : 24) << "quality " << c.quality;
  }
}

TEST_F(ImageFiles, FailedWritesAreReportedByTheCallThatFailed) {
  // TIFF writes its header at opening: a full device fails there. An error
  // number left from before never describes a failure.
  const struct {
    uint8_t kind;
    uint32_t width;
    std::string path;
    std::string failure;
  } opens[] = {
#ifndef _WIN32
      {IMAGE_TIFF, 8, "/dev/full", strerror(ENOSPC)},
#endif
      {2, 8, dir.file("no/such/dir.jpg"), strerror(ENOENT)},
      {IMAGE_TIFF, 8, dir.file("no/such/dir.tif"), strerror(ENOENT)},
      // Windows' C library refuses a folder as a file with EACCES.
#ifdef _WIN32
      {2, 8, dir.file(""), strerror(EACCES)},
      {IMAGE_TIFF, 8, dir.file(""), strerror(EACCES)},
#else
      {2, 8, dir.file(""), strerror(EISDIR)},
#endif
      {IMAGE_TIFF, 0, dir.file("empty.tif"), "image size out of range"}};
  for (const auto& o : opens) {
    errno = EDOM;
    ImageIO out(o.kind, GL_RGB, o.width, 8, 0, o.path.c_str(), true, 72, 72);
    EXPECT_FALSE(out.ok) << o.path;
    EXPECT_EQ(std::string(out.open_failure()), o.failure) << o.path;
  }
#ifndef _WIN32
  // JPEG data goes out in blocks: libjpeg's write error comes back as a failed scanline or finish.
  {
    ImageIO out(2, GL_RGB, 256, 256, 0, "/dev/full", true, 72, 72);
    ASSERT_TRUE(out.ok);
    std::vector<uint8_t> row(256 * 3);
    bool failed = false;
    for (uint32_t y = 0; y < 256 && !failed; ++y) {
      for (size_t i = 0; i < row.size(); ++i) row[i] = uint8_t(i * 31 + y * 17);
      failed = out.write_scanline(y, row.data());
    }
    if (!failed) failed = out.finish_write();
    EXPECT_TRUE(failed);
  }
#endif
  // Rows out of order, and a file finished early.
  for (uint8_t kind : {IMAGE_TIFF, uint8_t(2)}) {
    std::string path = dir.file(kind == IMAGE_TIFF ? "order.tif" : "order.jpg");
    ImageIO out(kind, GL_LUMINANCE, 4, 4, 0, path.c_str(), true, 72, 72);
    ASSERT_TRUE(out.ok);
    uint8_t row[4] = {1, 2, 3, 4};
    EXPECT_TRUE(out.write_scanline(1, row));
    EXPECT_FALSE(out.write_scanline(0, row));
    EXPECT_TRUE(out.finish_write());
  }
}

}  // namespace
