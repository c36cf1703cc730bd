// The GLX rules of the Windows layer that need no system: the attribute
// values of a visual as glXGetConfig and glXGetFBConfigAttrib give them, the
// score that picks one visual for an attribute list, the matching of
// frame-buffer configurations and the reading of pbuffer attributes.
// Portable code over the visual table's records.
#pragma once

#include <cstdint>

// What a drawable of a visual info is, as the layer hands visual infos out.
constexpr int LX_KIND_WINDOW = 0;
constexpr int LX_KIND_PIXMAP = 1;
constexpr int LX_KIND_PBUFFER = 2;

// One admitted pixel format as the rules read it: the visual record's fields
// in the record's order.
struct Lx_VisualCaps {
  // Flags: where the pixel format draws, and its buffers.
  enum : unsigned { DRAWS_TO_WINDOW = 1, DRAWS_TO_BITMAP = 2, DRAWS_TO_PBUFFER = 4, DOUBLE_BUFFERED = 8, STEREO = 16 };
  // The pixel formats' acceleration codes.
  enum : unsigned { NO_ACCELERATION = 0x2025, GENERIC_ACCELERATION = 0x2026, FULL_ACCELERATION = 0x2027 };
  enum Size { RED, GREEN, BLUE, ALPHA, ACCUM_RED, ACCUM_GREEN, ACCUM_BLUE, ACCUM_ALPHA, DEPTH, STENCIL, AUX_BUFFERS,
              SIZE_COUNT };

  int id;             // pixel format - 1
  int visual_class;   // X's class: 3 PseudoColor, 4 TrueColor
  int depth;          // colour bits
  unsigned flags;
  uint8_t sizes[SIZE_COUNT];
  uint8_t sample_buffers, samples;
  unsigned acceleration;
  int max_pbuffer_width, max_pbuffer_height, max_pbuffer_pixels;
};

// glXGetConfig's value of an attribute: 0 (Success), or GLX_BAD_ATTRIBUTE
// after "glXGetConfig - unknown attribute %d.\n" on standard error.
int Lx_GlxConfigValue(const Lx_VisualCaps& visual, int attribute, int* value);
// glXGetFBConfigAttrib's value, with that call's own text for an unknown one.
int Lx_GlxFBConfigValue(const Lx_VisualCaps& visual, int attribute, int* value);

// The best of `count` visuals (null entries are formats not admitted) for a
// glXChooseVisual attribute list ended by None: its index, or -1 for none
// or for an attribute the list may not hold. `kind` is the kind its visual
// info takes: window when the list asks GLX_USE_GL, else GLX pixmap.
int Lx_ChooseVisual(const Lx_VisualCaps* const* visuals, int count, const int* attributes, int* kind);

// glXChooseFBConfig over the same table: the indices of the matching visuals
// in table order (at most `count` of them, so `matches` needs `count` words),
// their number, or -1 for an attribute not allowed or an id that names no
// visual. `kind` is the kind of the configurations' visual infos.
int Lx_ChooseFBConfigs(const Lx_VisualCaps* const* visuals, int count, const int* attributes, int* matches,
                       int* kind);

// A pbuffer's attribute list (pairs up to None): false for an attribute that
// it may not hold. Width, height and the largest-pbuffer wish default to 0.
bool Lx_ReadPbufferAttributes(const int* attributes, int* width, int* height, int* largest);
