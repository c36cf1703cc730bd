// The GDI half of colour names and pixels: the nearest colour the screen
// offers, and names looked up with the desktop's system colours. Only the
// Windows build has it.
#pragma once

#include <cstdint>

// The colour reference 0x00BBGGRR nearest to red, green and blue (high bytes
// of X's 16-bit components), as the screen offers it.
uint32_t Lx_NearestScreenColour(unsigned red, unsigned green, unsigned blue);
// A colour name's exact colour reference; the index is built on first use
// with the system colours read then. False when the name is unknown.
bool Lx_LookupColourName(const char* name, uint32_t* exact);
