// The colour names of the Windows layer: X11's colour list (names without
// blanks), single-word aliases and the desktop's system colours, looked up
// without case; and the "#" hex form of colour specs. Portable code.
#pragma once

#include <cstdint>

// value is a colour reference 0x00BBGGRR.
struct Lx_ColorDBEntry {
  uint32_t value;
  const char* name;
};
extern const Lx_ColorDBEntry colorDB[];
extern const int colorDB_count;

// A name bound to a system colour index of the desktop scheme.
struct Lx_SysColorEntry {
  const char* name;
  int index;
};
constexpr int LX_SYSTEM_COLOURS = 21;
extern const Lx_SysColorEntry sysColorEntries[LX_SYSTEM_COLOURS];

// Builds the name index once; the system colours are read then through
// `system_colour` (a colour reference for a system colour index).
void Lx_BuildColorDB(uint32_t (*system_colour)(int index));
void Lx_FreeColorDB();
// The colour reference of a name in any case; false when it is unknown (names
// with blanks among them). Builds the index on first use, without system colours
// unless Lx_BuildColorDB came first.
bool Lx_LookupColorName(const char* name, uint32_t* value);

// A "#" spec of 3, 6, 9 or 12 hex digits: each component takes a third of
// them as its high bits (X's 16-bit components). False for any other spec.
bool Lx_ParseHexColor(const char* spec, uint16_t* red, uint16_t* green, uint16_t* blue);
