// Image files: TIFF and JPEG written scanline by scanline, and read into
// memory (rows bottom to top) with a fixed failure image for anything
// that cannot be read.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

constexpr uint8_t IMAGE_TIFF = 1;  // any other file kind is JPEG

// The largest image read from a file, per side.
constexpr uint32_t IMAGE_MAX_SIDE = 16384;

class ImageIO {
 public:
  // Opens `path` for writing a `width` x `height` image of `format` (GL_RGB
  // or GL_LUMINANCE); `ok` tells whether it opened. TIFF compression other
  // than 0 is LZW; JPEG quality is 100 - compression.
  ImageIO(uint8_t kind, GLenum format, uint32_t width, uint32_t height, uint8_t compression, const char* path,
          bool resolution_in_inches, uint32_t x_resolution, uint32_t y_resolution);
  // Reads `path` as TIFF, else as JPEG, into `format` (GL_RGB, GL_RGBA or
  // GL_LUMINANCE); the failure image when it cannot be read.
  ImageIO(GLenum format, const char* path);
  // The failure image only.
  explicit ImageIO(GLenum format);
  // Reads only width and height (TIFF, else the JPEG header); `ok` tells
  // whether they could be read.
  explicit ImageIO(const char* path);
  ~ImageIO();
  ImageIO(const ImageIO&) = delete;
  ImageIO& operator=(const ImageIO&) = delete;

  // Writes image row `row` (0 the top) of width × bytes_per_pixel bytes;
  // true on failure. Rows go in order 0, 1, ...
  bool write_scanline(uint32_t row, const uint8_t* bytes);
  // Completes and closes the file; true when that failed.
  bool finish_write();
  // Why the writer did not open: the failing call's error, or what was refused.
  const char* open_failure() const;

  uint32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;  // rows bottom to top
  uint8_t kind = IMAGE_TIFF;
  GLenum gl_format = GL_RGBA;
  unsigned bytes_per_pixel = 4;  // 1 grey; 4 read, 3 written otherwise
  uint8_t compression = 0;
  bool ok = false;  // reading: false when the failure image stands in

  struct Writer;  // the open file with its TIFF handle or JPEG compressor

 private:
  void make_failure_image();
  bool read_tiff(const char* path, bool header_only);
  bool read_jpeg(const char* path, bool header_only);
  bool open_tiff(const char* path, bool inches, uint32_t x_resolution, uint32_t y_resolution);
  bool open_jpeg(const char* path, bool inches, uint32_t x_resolution, uint32_t y_resolution);
  bool close_writer();

  std::unique_ptr<Writer> writer;
  int open_errno = 0;                  // of the open call that failed
  const char* open_reason = nullptr;   // a failure without a system call's error
};

// Whether a width × height image of bytes_per_pixel bytes may be held in memory.
bool image_size_acceptable(uint32_t width, uint32_t height, unsigned bytes_per_pixel);
