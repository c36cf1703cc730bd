// The AND and XOR planes of a black-and-white system cursor made from two
// 1-bit bitmaps as GDI reads them back (the inverted bits of the X bitmaps
// they were made from). Portable code.
#pragma once

#include <cstddef>
#include <cstdint>

// With a mask (not the source itself): opaque where the X mask is set, black
// where the X source is set and white where it is clear; the screen elsewhere.
// Without one (null): the screen inverted where the X source is set.
void Lx_CursorPlanes(const uint8_t* source_bits, const uint8_t* mask_bits, size_t bytes, uint8_t* and_plane,
                     uint8_t* xor_plane);
