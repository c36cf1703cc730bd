// Resource files: text lines that set YARL resource variables and the
// geometry of windows. This module reads them; save_resources writes them.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

// Flags of a read: which lines are taken.
constexpr unsigned long RESOURCE_VARIABLES = 1 << 0;
constexpr unsigned long RESOURCE_GEOMETRY = 1 << 1;

// Reads one resource file; true when an error was reported. Changes are made
// in the name of `context`. A window restricts the read to that window's
// locals and geometry (other lines are skipped silently). compare: only sets
// the differs flags from what the file holds.
bool read_resources(ident_info* context, const char* path, ident_info* window, bool compare,
                    unsigned long flags);

// The geometry attributes of windows, in the order of their flags.
enum resource_attribute { RA_ORIGIN_X, RA_ORIGIN_Y, RA_SIZE_X, RA_SIZE_Y, N_RESOURCE_ATTRIBUTES };
extern const char* const resource_attribute_names[N_RESOURCE_ATTRIBUTES];

bool has_resource_attribute(const ident_info& window, int attribute);
// The window record's call-flags bit that says the attribute differs from its start value.
inline uint8_t geometry_differs_flag(int attribute) { return uint8_t(2 << attribute); }
// The toolkit window's current x, y, width or height (0 without a toolkit window).
int32_t window_geometry(const ident_info* window, int attribute);
// Moves or resizes the toolkit window along one attribute (origins clamped
// to 16 bits, sizes to 1..32767); a size holds over the automatic size. A
// change runs process_window_change.
void set_window_geometry(ident_info* window, int attribute, int32_t v);

// Drops the name index built by the first read.
void cleanup_read_resources();
