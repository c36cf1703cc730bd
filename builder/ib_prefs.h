// The lines of the Interface Builder's preferences file ".ib_prefs": the
// grids, alignments, editor command and window positions they hold.
#pragma once

#include <cstddef>
#include <cstdint>

// The grids and alignments that the preferences file holds.
struct builder_prefs {
  uint16_t position_grid_x = 1, position_grid_y = 1;
  uint16_t offset_x = 0, offset_y = 0;
  bool size_grid_active = false;
  uint16_t size_grid_x = 1, size_grid_y = 1;
  uint16_t x_alignment = 1, y_alignment = 1;
  char editor[100] = "nedit %s&";
  short main_x = 0, main_y = 0;
  short window_inspector_x = 0, window_inspector_y = 0;
  short object_inspector_x = 0, object_inspector_y = 0;
};
// Applies one line of the preferences file (with its line feed; at most 98
// characters) for a screen of `width` x `height`; returns the message of a
// line that is not accepted, else null. Any bytes are safe.
const char* apply_prefs_line(const char* line, int width, int height, builder_prefs* prefs);
// The file's text for `prefs`.
void format_prefs(const builder_prefs& prefs, char* out, size_t size);
