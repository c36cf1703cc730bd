// Converts an image file of scrsave into a PNG:
//   imgcopy FILE OUT.png
#include <cstdio>
#include <vector>

#include "tools/screen_image.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s FILE OUT.png\n", argv[0]);
    return 2;
  }
  FILE* f = fopen(argv[1], "rb");
  int width = 0, height = 0;
  if (f == nullptr || fscanf(f, "QIMG %d %d", &width, &height) != 2 || fgetc(f) != '\n' || width <= 0 ||
      height <= 0 || width > 65535 || height > 65535) {
    fprintf(stderr, "imgcopy: %s is no image of scrsave.\n", argv[1]);
    if (f != nullptr) fclose(f);
    return 1;
  }
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
  bool read = fread(rgb.data(), 1, rgb.size(), f) == rgb.size();
  fclose(f);
  if (!read || !write_png(argv[2], width, height, rgb)) {
    fprintf(stderr, "imgcopy: cannot make %s.\n", argv[2]);
    return 1;
  }
  return 0;
}
