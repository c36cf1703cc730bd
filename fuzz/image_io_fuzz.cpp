// Fuzz target of the image reader: any file must read as an image or give
// the failure image, never a fault; the reader takes a path, so each input
// is written to a file of this process first.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/escape.h"
#include "fuzz/input_file.h"
#include "scene/image_io.h"

static const std::string& input_path() {
  static const std::string path = "/tmp/qob_image_fuzz_" + std::to_string(getpid());
  return path;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!write_input_file(input_path().c_str(), data, size)) abort();
  const char* path = input_path().c_str();
  for (GLenum format : {GL_RGBA, GL_RGB, GL_LUMINANCE}) {
    ImageIO image(format, path);
    size_t expected = size_t(image.width) * image.height * image.bytes_per_pixel;
    if (image.pixels.size() != expected || (!image.ok && image.width != 32)) abort();
  }
  ImageIO header(path);
  if (header.ok && (header.width == 0 || header.height == 0)) abort();
  return 0;
}
