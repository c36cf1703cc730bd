#include "scene/image_io.h"

#include <jpeglib.h>
#include <tiffio.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "base/internal_error.h"

static const char* const MODULE = "image_io";
static const int ERR_FORMAT = 5251;  // a GL format other than GL_RGB, GL_RGBA, GL_LUMINANCE

bool image_size_acceptable(uint32_t width, uint32_t height, unsigned bytes_per_pixel) {
  if (width == 0 || height == 0 || width > IMAGE_MAX_SIDE || height > IMAGE_MAX_SIDE) return false;
  size_t pixels = size_t(width) * height;
  return pixels / width == height && pixels <= SIZE_MAX / (bytes_per_pixel == 0 ? 1 : bytes_per_pixel);
}

// libtiff reports through global handlers: silent while one call runs.
namespace {
class QuietTiff {
 public:
  QuietTiff() : error(TIFFSetErrorHandler(nullptr)), warning(TIFFSetWarningHandler(nullptr)) {}
  ~QuietTiff() {
    TIFFSetErrorHandler(error);
    TIFFSetWarningHandler(warning);
  }
  QuietTiff(const QuietTiff&) = delete;
  QuietTiff& operator=(const QuietTiff&) = delete;

 private:
  TIFFErrorHandler error, warning;
};

// libjpeg's fatal errors jump back to the setjmp of the ImageIO call that
// entered the library; the frames jumped over are libjpeg's own C frames.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void jpeg_error_exit(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
}

// Warnings (level < 0) are counted: a reader that saw one refuses the file.
void jpeg_emit_message(j_common_ptr info, int level) {
  if (level < 0) ++info->err->num_warnings;
}

void jpeg_output_message(j_common_ptr) {}

void init_jpeg_errors(JpegErrors* errors) {
  jpeg_std_error(&errors->manager);
  errors->manager.error_exit = jpeg_error_exit;
  errors->manager.emit_message = jpeg_emit_message;
  errors->manager.output_message = jpeg_output_message;
}

// The reader's state: plain C records only, so a jump out of libjpeg skips no destructor.
struct JpegReader {
  jpeg_decompress_struct info;
  JpegErrors errors;
};

// Restores errno on leaving: reading an image never changes it.
class KeepErrno {
 public:
  KeepErrno() : saved(errno) {}
  ~KeepErrno() { errno = saved; }
  KeepErrno(const KeepErrno&) = delete;
  KeepErrno& operator=(const KeepErrno&) = delete;

 private:
  int saved;
};
}  // namespace

struct ImageIO::Writer {
  TIFF* tiff = nullptr;
  FILE* file = nullptr;
  jpeg_compress_struct jpeg;
  JpegErrors errors;
  bool jpeg_created = false;
  bool failed = false;
  uint32_t next_row = 0;
};

static unsigned bytes_for(GLenum format, bool reading) {
  switch (format) {
    case GL_LUMINANCE: return 1;
    case GL_RGB:
    case GL_RGBA: return reading ? 4 : 3;
    default: internal_error(ERR_FORMAT, MODULE);
  }
}

ImageIO::ImageIO(GLenum format) : gl_format(format) { make_failure_image(); }

ImageIO::ImageIO(GLenum format, const char* path) : gl_format(format) {
  KeepErrno keep;
  bytes_per_pixel = bytes_for(format, true);
  ok = path != nullptr && (read_tiff(path, false) || read_jpeg(path, false));
  if (!ok) make_failure_image();
}

ImageIO::ImageIO(const char* path) {
  KeepErrno keep;
  ok = path != nullptr && (read_tiff(path, true) || read_jpeg(path, true));
  if (!ok) width = height = 0;
}

ImageIO::ImageIO(uint8_t file_kind, GLenum format, uint32_t w, uint32_t h, uint8_t file_compression,
                 const char* path, bool inches, uint32_t x_resolution, uint32_t y_resolution)
    : width(w), height(h), kind(file_kind), gl_format(format), compression(file_compression) {
  if (format != GL_RGB && format != GL_LUMINANCE) internal_error(ERR_FORMAT, MODULE);
  bytes_per_pixel = bytes_for(format, false);
  if (path == nullptr || w == 0 || h == 0 || w > JPEG_MAX_DIMENSION || h > JPEG_MAX_DIMENSION) {
    open_reason = path == nullptr ? "no file name" : "image size out of range";
    return;
  }
  writer = std::make_unique<Writer>();
  ok = kind == IMAGE_TIFF ? open_tiff(path, inches, x_resolution, y_resolution)
                          : open_jpeg(path, inches, x_resolution, y_resolution);
  if (!ok) writer.reset();
}

ImageIO::~ImageIO() { close_writer(); }

const char* ImageIO::open_failure() const {
  if (open_errno != 0) return strerror(open_errno);
  return open_reason != nullptr ? open_reason : "not opened";
}

// 32 x 32 white pixels with both diagonals black.
void ImageIO::make_failure_image() {
  bytes_per_pixel = bytes_for(gl_format, true);
  width = height = 32;
  pixels.assign(size_t(width) * height * bytes_per_pixel, 255);
  for (uint32_t i = 0; i < 32; ++i)
    for (uint32_t x : {i, 31 - i}) {
      uint8_t* p = &pixels[(size_t(i) * width + x) * bytes_per_pixel];
      for (unsigned c = 0; c < (bytes_per_pixel == 1 ? 1u : 3u); ++c) p[c] = 0;
    }
  ok = false;
}

bool ImageIO::read_tiff(const char* path, bool header_only) {
  QuietTiff quiet;
  TIFF* tiff = TIFFOpen(path, "r");
  if (tiff == nullptr) return false;
  uint32_t w = 0, h = 0;
  bool read = TIFFGetFieldDefaulted(tiff, TIFFTAG_IMAGEWIDTH, &w) == 1 &&
              TIFFGetFieldDefaulted(tiff, TIFFTAG_IMAGELENGTH, &h) == 1 && image_size_acceptable(w, h, 4);
  if (read && !header_only) {
    // Left uninitialised: a damaged file claiming a large size touches only what libtiff wrote.
    size_t count = size_t(w) * h;
    std::unique_ptr<uint32_t[]> raster(new uint32_t[count]);
    // Stopping at the first damaged strip: a truncated file is refused, not half read.
    read = TIFFReadRGBAImageOriented(tiff, w, h, raster.get(), ORIENTATION_BOTLEFT, 1) == 1;
    if (read) {
      pixels.resize(count * bytes_per_pixel);
      uint8_t* out = pixels.data();
      for (size_t i = 0; i < count; ++i) {
        uint32_t p = raster[i];
        uint8_t r = uint8_t(TIFFGetR(p)), g = uint8_t(TIFFGetG(p)), b = uint8_t(TIFFGetB(p));
        if (bytes_per_pixel == 1) {
          *out++ = uint8_t((unsigned(r) + g + b) / 3);
        } else {
          out[0] = r, out[1] = g, out[2] = b;
          out[3] = gl_format == GL_RGBA ? uint8_t(TIFFGetA(p)) : 255;
          out += 4;
        }
      }
    }
  }
  TIFFClose(tiff);
  if (read) width = w, height = h;
  return read;
}

// Decodes into `pixels`; false when libjpeg failed or warned. Nothing here
// has a destructor: a longjmp from libjpeg may land at the setjmp below.
static bool decode_jpeg(JpegReader* r, FILE* file, bool header_only, GLenum format, unsigned bytes_per_pixel,
                        std::vector<uint8_t>* pixels, uint32_t* width, uint32_t* height) {
  jpeg_decompress_struct* info = &r->info;
  info->err = &r->errors.manager;
  init_jpeg_errors(&r->errors);
  if (setjmp(r->errors.jump) != 0) {
    jpeg_destroy_decompress(info);
    return false;
  }
  jpeg_create_decompress(info);
  jpeg_stdio_src(info, file);
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK || info->err->num_warnings != 0 ||
      !image_size_acceptable(info->image_width, info->image_height, 4)) {
    jpeg_destroy_decompress(info);
    return false;
  }
  uint32_t w = info->image_width, h = info->image_height;
  if (header_only) {
    jpeg_destroy_decompress(info);
    *width = w, *height = h;
    return true;
  }
  info->out_color_space = info->jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(info);
  unsigned components = unsigned(info->output_components);
  if ((components != 1 && components != 3) || info->output_width != w || info->output_height != h) {
    jpeg_destroy_decompress(info);
    return false;
  }
  JSAMPARRAY row = (*info->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(info), JPOOL_IMAGE, w * components, 1);
  // Rows are appended top first as they are decoded, so a damaged file claiming
  // a large size costs only the rows it has; they are turned over at the end.
  size_t row_bytes = size_t(w) * bytes_per_pixel;
  pixels->clear();
  pixels->reserve(row_bytes * h);
  while (info->output_scanline < h) {
    if (jpeg_read_scanlines(info, row, 1) != 1) break;
    pixels->resize(pixels->size() + row_bytes);
    uint8_t* out = pixels->data() + pixels->size() - row_bytes;
    const uint8_t* in = row[0];
    for (uint32_t x = 0; x < w; ++x, in += components) {
      if (format == GL_LUMINANCE) {
        *out++ = components == 1 ? in[0] : uint8_t((unsigned(in[0]) + in[1] + in[2]) / 3);
      } else {
        out[0] = in[0];
        out[1] = in[components == 1 ? 0 : 1];
        out[2] = in[components == 1 ? 0 : 2];
        out[3] = 255;
        out += 4;
      }
    }
  }
  bool complete = info->output_scanline == h;
  if (complete) jpeg_finish_decompress(info);
  complete = complete && info->err->num_warnings == 0;
  jpeg_destroy_decompress(info);
  if (!complete) return false;
  for (uint32_t y = 0; y < h / 2; ++y)  // bottom row first
    std::swap_ranges(pixels->begin() + long(y * row_bytes), pixels->begin() + long((y + 1) * row_bytes),
                     pixels->begin() + long((h - 1 - y) * row_bytes));
  *width = w, *height = h;
  return true;
}

bool ImageIO::read_jpeg(const char* path, bool header_only) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;
  JpegReader reader;
  uint32_t w = 0, h = 0;
  bool read = decode_jpeg(&reader, file, header_only, gl_format, bytes_per_pixel, &pixels, &w, &h);
  fclose(file);
  if (read) width = w, height = h;
  return read;
}

// Why the C library can't open `path` for writing, or 0 when it can. A file
// the probe makes is removed again, so a failed write leaves none behind.
static int write_open_errno(const char* path) {
  std::error_code failed;
  bool existed = std::filesystem::exists(path, failed);
  FILE* probe = fopen(path, "ab");
  if (probe == nullptr) return errno;
  fclose(probe);
  if (!existed) std::remove(path);
  return 0;
}

bool ImageIO::open_tiff(const char* path, bool inches, uint32_t x_resolution, uint32_t y_resolution) {
  QuietTiff quiet;
  errno = 0;  // an error number left from before would describe nothing here
  TIFF* tiff = TIFFOpen(path, "w");
  if (tiff == nullptr) {
    open_errno = errno;
    // Some builds of the TIFF library open files through the system's own
    // calls and leave errno alone: the C library then gives the reason.
    if (open_errno == 0) open_errno = write_open_errno(path);
    if (open_errno == 0) open_reason = "not a TIFF file that can be written";
    return false;
  }
  bool grey = gl_format == GL_LUMINANCE;
  bool set = TIFFSetField(tiff, TIFFTAG_COMPRESSION, compression != 0 ? COMPRESSION_LZW : COMPRESSION_NONE) &&
             TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height) &&
             TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) && TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, grey ? 1 : 3) &&
             TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB) &&
             TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
             TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, inches ? RESUNIT_INCH : RESUNIT_CENTIMETER) &&
             TIFFSetField(tiff, TIFFTAG_XRESOLUTION, double(x_resolution)) &&
             TIFFSetField(tiff, TIFFTAG_YRESOLUTION, double(y_resolution)) &&
             TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  if (!set) {
    TIFFClose(tiff);
    open_reason = "TIFF tags refused";
    return false;
  }
  writer->tiff = tiff;
  return true;
}

// Opens the compressor on `w`; false when libjpeg failed. No destructors in
// this frame: a longjmp from libjpeg lands at its setjmp.
static bool start_jpeg(ImageIO::Writer* w, uint32_t width, uint32_t height, bool grey, int quality, bool inches,
                       uint32_t x_resolution, uint32_t y_resolution) {
  jpeg_compress_struct* info = &w->jpeg;
  info->err = &w->errors.manager;
  init_jpeg_errors(&w->errors);
  if (setjmp(w->errors.jump) != 0) return false;
  jpeg_create_compress(info);
  w->jpeg_created = true;
  jpeg_stdio_dest(info, w->file);
  info->image_width = width;
  info->image_height = height;
  info->input_components = grey ? 1 : 3;
  info->in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(info);
  info->density_unit = inches ? 1 : 2;
  info->X_density = UINT16(x_resolution > 65535 ? 65535 : x_resolution);
  info->Y_density = UINT16(y_resolution > 65535 ? 65535 : y_resolution);
  jpeg_set_quality(info, quality, TRUE);  // libjpeg takes quality 0 and below as 1
  jpeg_start_compress(info, TRUE);
  return true;
}

bool ImageIO::open_jpeg(const char* path, bool inches, uint32_t x_resolution, uint32_t y_resolution) {
  writer->file = fopen(path, "wb");
  if (writer->file == nullptr) {
    open_errno = errno;
    return false;
  }
  if (start_jpeg(writer.get(), width, height, gl_format == GL_LUMINANCE, 100 - int(compression), inches,
                 x_resolution, y_resolution))
    return true;
  close_writer();
  open_reason = "the JPEG compressor did not start";
  return false;
}

static bool write_jpeg_row(ImageIO::Writer* w, const uint8_t* bytes) {
  if (setjmp(w->errors.jump) != 0) return false;
  JSAMPROW row = const_cast<JSAMPROW>(bytes);
  return jpeg_write_scanlines(&w->jpeg, &row, 1) == 1;
}

static bool finish_jpeg(ImageIO::Writer* w) {
  if (setjmp(w->errors.jump) != 0) return false;
  jpeg_finish_compress(&w->jpeg);
  return true;
}

bool ImageIO::write_scanline(uint32_t row, const uint8_t* bytes) {
  Writer* w = writer.get();
  if (w == nullptr || w->failed || row != w->next_row || row >= height) return true;
  bool written;
  if (w->tiff != nullptr) {
    QuietTiff quiet;
    written = TIFFWriteScanline(w->tiff, const_cast<uint8_t*>(bytes), row, 0) > 0;
  } else {
    written = write_jpeg_row(w, bytes);
  }
  if (!written) {
    w->failed = true;
    return true;
  }
  ++w->next_row;
  return false;
}

bool ImageIO::finish_write() {
  Writer* w = writer.get();
  if (w == nullptr) return true;
  bool failed = w->failed || w->next_row != height;
  if (!failed) {
    if (w->tiff != nullptr) {
      QuietTiff quiet;
      failed = TIFFFlush(w->tiff) != 1;
    } else {
      failed = !finish_jpeg(w);
    }
  }
  bool close_failed = close_writer();
  return failed || close_failed;
}

// Closes what is open; true when closing the JPEG file failed (buffered bytes lost).
bool ImageIO::close_writer() {
  Writer* w = writer.get();
  if (w == nullptr) return false;
  if (w->tiff != nullptr) {
    QuietTiff quiet;
    TIFFClose(w->tiff);
  }
  if (w->jpeg_created) jpeg_destroy_compress(&w->jpeg);
  bool failed = w->file != nullptr && fclose(w->file) != 0;
  writer.reset();
  return failed;
}
