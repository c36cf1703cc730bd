// The server's 152 x 77 logo, drawn over a view with a given alpha.
#pragma once

#include <cstdint>

constexpr int LOGO_WIDTH = 152, LOGO_HEIGHT = 77;

class Logo {
 public:
  // The RGBA image, rows bottom to top, with `alpha` in every pixel.
  explicit Logo(uint8_t alpha);
  ~Logo();
  Logo(const Logo&) = delete;
  Logo& operator=(const Logo&) = delete;
  // At the current raster position.
  void draw() const;

 private:
  uint8_t* image;
};
