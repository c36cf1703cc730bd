#include "runtime/image_ops.h"

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "runtime/interpreter.h"
#include "runtime/run_time_errors.h"
#include "scene/display_options.h"
#include "scene/image_export.h"
#include "view/graphics_display.h"
#include "view/graphics_window.h"

// The twelve values above the name array, bottom first.
enum SaveImageValue {
  KIND,           // CHARACTER
  COLOUR,         // BOOLEAN
  TILE_WIDTH,     // INTEGER
  TILE_HEIGHT,
  X_TILES,
  Y_TILES,
  X_RESOLUTION,
  Y_RESOLUTION,
  INCHES,         // BOOLEAN
  OVERSAMPLING,   // CHARACTER
  COMPRESSION,    // CHARACTER
  USE_WINDOW,     // BOOLEAN
  VALUE_COUNT
};

const uint8_t* save_image_op(ident_info* context, const uint8_t* pc) {
  value* values = sp - (VALUE_COUNT - 1);
  value* count_slot = values - 1;
  int32_t count = count_slot->i;
  // The count comes from the program: it must fit the stack below it.
  if (count < 0 || count > count_slot - sb) internal_error(5691, "save_image_op");
  value* names = count_slot - count;
  auto integer = [&](SaveImageValue v) { return values[v].i; };
  auto byte = [&](SaveImageValue v) { return values[v].b; };
  int64_t tiles = int64_t(integer(X_TILES)) * integer(Y_TILES);
  int result = -1;
  if (count != tiles) {
    error("SAVE_IMAGE - file name array length must be x_tiles*y_tiles", 0, context);
  } else {
    const char** files = static_cast<const char**>(CheckedMalloc(sizeof(char*) * (size_t(count) + 1)));
    for (int32_t i = 0; i < count; ++i) files[i] = names[i].s != nullptr ? names[i].s : "";
    const HighlightOptions* highlight = get_highlight_options();
    int colour_count = highlight != nullptr ? int(highlight->get_ramp_base() + highlight->get_ramp_size()) : 0;
    result = save_image(graphics_display(), get_graphics_window(), colour_count, -1, byte(KIND), files,
                        byte(COLOUR) != 0, uint32_t(integer(TILE_WIDTH)), uint32_t(integer(TILE_HEIGHT)),
                        uint32_t(integer(X_TILES)), uint32_t(integer(Y_TILES)), byte(INCHES) != 0,
                        uint32_t(integer(X_RESOLUTION)), uint32_t(integer(Y_RESOLUTION)), byte(OVERSAMPLING),
                        byte(COMPRESSION), byte(USE_WINDOW) != 0);
    CheckedFree(files);
  }
  for (int32_t i = 0; i < count; ++i)
    if (names[i].s != nullptr) CheckedFree(names[i].s);
  sp = names;
  set_int(sp, result);
  return pc;
}
