#include "platform/win/cursor_planes.h"

void Lx_CursorPlanes(const uint8_t* source_bits, const uint8_t* mask_bits, size_t bytes, uint8_t* and_plane,
                     uint8_t* xor_plane) {
  for (size_t i = 0; i < bytes; ++i) {
    if (mask_bits != nullptr) {
      and_plane[i] = mask_bits[i];
      xor_plane[i] = static_cast<uint8_t>(source_bits[i] & ~mask_bits[i]);
    } else {
      and_plane[i] = 0xFF;
      xor_plane[i] = static_cast<uint8_t>(~source_bits[i]);
    }
  }
}
