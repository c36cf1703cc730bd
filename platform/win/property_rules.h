// The rules of the layer's window properties that need no system: the names
// under which property blocks hang on a window, the frame style that
// "_MOTIF_WM_HINTS" asks for, and which atom names the system can hold.
// Portable code; styles are the system's window style words.
#pragma once

#include <cstddef>
#include <cstdint>

// Window style bits that the frame-style rules touch.
constexpr uint32_t LX_WS_BORDER = 0x00800000;
constexpr uint32_t LX_WS_CAPTION = 0x00C00000;  // includes the border
constexpr uint32_t LX_WS_SYSMENU = 0x00080000;
constexpr uint32_t LX_WS_THICKFRAME = 0x00040000;
constexpr uint32_t LX_WS_MINIMIZEBOX = 0x00020000;
constexpr uint32_t LX_WS_MAXIMIZEBOX = 0x00010000;
constexpr uint32_t LX_WS_OVERLAPPEDWINDOW = 0x00CF0000;

constexpr size_t LX_PROPERTY_NAME_SIZE = 16;
// "#0x%0.4x" of the atom: the name of the atom's property block.
void Lx_PropertyName(unsigned atom, char (&name)[LX_PROPERTY_NAME_SIZE]);

// The style that "_MOTIF_WM_HINTS" data give a window of style `style`; false
// (style unchanged) for data below three words, not of format 32 or without
// the decorations flag.
bool Lx_MotifFrameStyle(const long* data, int count, int format, uint32_t style, uint32_t* new_style);

constexpr size_t LX_ATOM_NAME_MAX = 255;
// Whether the system's atom table can hold the name as it is: 1 to 255
// characters, and not "#" and digits, which the system reads as a number.
bool Lx_AtomNameUsable(const char* name);
