#include "runtime/file_ops.h"

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/si.h"
#include "runtime/run_time_errors.h"
#include "runtime/window_record.h"
#include "scene/display_file.h"
#include "scene/segment_store.h"
#include "view/graphics_window.h"

constexpr const char* MODULE = "ui";
constexpr int32_t HIGHEST_PROCESS = 20;

const uint8_t* save_df_op(ident_info* context, const uint8_t* pc) {
  uint8_t kind = *pc++;
  if (kind != K_INTEGER && kind != K_STRING) internal_error(5643, MODULE);
  if (used_slots() < 2) internal_error(5644, MODULE);
  int32_t stamp = (sp--)->i;
  set_windows_busy(true);
  write_df out;
  int result = -2;
  if (kind == K_INTEGER) {
    int32_t n = sp->i;
    if (n < 0 || n > HIGHEST_PROCESS) {
      error("SAVE_DF - process number out of range", 0, context);
      return pc;
    }
    if (!get_process_active(unsigned(n))) {
      error("SAVE_DF - process not active", 0, context);
      return pc;
    }
    // A stream on a duplicate of the pipe: closing it leaves the pipe open.
    FILE* stream = open_process_stream(unsigned(n));
    if (stream == nullptr) {
      fprintf(stderr, "Error - write_df failed to open process %d.\n", int(n));
    } else if (!out.set_stream(stream, stamp)) {
      result = save_df(&out, false);
    }
  } else {
    char* name = sp->s;
    if (!out.open(name != nullptr ? name : "", stamp)) result = save_df(&out, true);
    if (name != nullptr) CheckedFree(name);
  }
  // A scene without visible segments still ends its file: −2 when that fails.
  if (out.is_open() && out.close() && result == -1) result = -2;
  set_int(sp, result);
  return pc;
}

const uint8_t* read_df_op(ident_info* context, const uint8_t* pc) {
  ident_info* stamp_variable = decode_ref(context, pc, 5645);
  ident_info* options_variable = decode_ref(context, pc, 5646);
  if (used_slots() == 0) internal_error(5647, MODULE);
  set_windows_busy(true);
  char* name = sp->s;
  make_graphics_context_active();
  clear_df_scene();
  int32_t stamp = 0, options = 0;
  int result = read_df(name != nullptr && name[0] != '\0' ? name : nullptr, &stamp, &options);
  if (name != nullptr) CheckedFree(name);
  set_int(sp, result);
  stamp_variable->val = integer_value(stamp);
  options_variable->val = integer_value(options);
  if (open_segment_number() != 0) close_segment();
  set_repaint(true);
  return pc;
}
