// Image files for the tests: a scratch directory, outside tools run as child
// processes, and readers of their output.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace image_files {

// A fresh directory under /tmp, removed with its files at the end.
class ScratchDir {
 public:
  ScratchDir() {
    char name[] = "/tmp/qob_image_XXXXXX";
    if (mkdtemp(name) != nullptr) path_ = name;
  }
  ~ScratchDir() {
    if (!path_.empty()) (void)system(("rm -rf '" + path_ + "'").c_str());
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs a shell command; its standard output, and its exit status through `status`.
inline std::string shell(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  int s = pclose(pipe);
  if (status != nullptr) *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return out;
}

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
inline Pnm djpeg(const std::string& path) { return parse_pnm(shell("djpeg -pnm '" + path + "'")); }

}  // namespace image_files
