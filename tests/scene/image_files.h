// Image files for the tests: a scratch directory, the build machine's tools,
// and readers of their output.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/scene/host_tools.h"
#include "tests/support/runner.h"

namespace image_files {

// A fresh directory, removed with its files at the end.
using ScratchDir = TempDir;

using host_tools::shell;
using host_tools::tool_path;

inline std::vector<uint8_t> read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A binary PNM (P5 grey or P6 RGB) as written by djpeg: rows top to bottom.
struct Pnm {
  int width = 0, height = 0, channels = 0;
  std::vector<uint8_t> pixels;
};

inline Pnm parse_pnm(const std::string& data) {
  Pnm p;
  int max = 0;
  char kind[3] = {};
  int consumed = 0;
  if (sscanf(data.c_str(), "%2s %d %d %d%n", kind, &p.width, &p.height, &max, &consumed) != 4) return p;
  p.channels = std::string(kind) == "P6" ? 3 : 1;
  size_t start = size_t(consumed) + 1;
  size_t size = size_t(p.width) * p.height * p.channels;
  if (data.size() >= start + size) p.pixels.assign(data.begin() + long(start), data.begin() + long(start + size));
  return p;
}

// The JPEG file decoded by djpeg.
inline Pnm djpeg(const std::string& path) { return parse_pnm(shell("djpeg -pnm '" + tool_path(path) + "'")); }

}  // namespace image_files
