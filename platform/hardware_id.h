// The host's network adapter address, handed to the YARL program as two
// numbers (predefined 84 and 85).
#pragma once

#include <cstdint>

// high = 0x60000 | a0 << 8 | a1, low = a2 a3 a4 a5 big-endian, from the
// first adapter's six-byte address; both 0 when there is none.
void get_hardware_id(uint32_t* high, uint32_t* low);
