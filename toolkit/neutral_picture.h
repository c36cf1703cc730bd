// The heap form of a picture: a header word, the size, then width x height
// pixels of red, green, blue and alpha bytes, rows bottom-up.
#pragma once

#include <cstddef>
#include <cstdint>

struct neutral_picture {
  uint32_t header;
  uint16_t width;
  uint16_t height;

  unsigned char* pixels() { return reinterpret_cast<unsigned char*>(this + 1); }
  const unsigned char* pixels() const { return reinterpret_cast<const unsigned char*>(this + 1); }
  static size_t bytes_for(uint16_t width, uint16_t height) {
    return sizeof(neutral_picture) + size_t(width) * height * 4;
  }
};

// A picture in checked memory with its pixels zeroed; freed with CheckedFree.
neutral_picture* new_neutral_picture(uint32_t header, uint16_t width, uint16_t height);
