#include "runtime/file_ops.h"

#include <cmath>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/si.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"
#include "scene/display_file.h"
#include "scene/segment_store.h"
#include "setup_files/design_file.h"
#include "setup_files/light_file.h"
#include "setup_files/room_file.h"
#include "view/graphics_window.h"

// ---- Render-setup files: design, room and light files ----

namespace {

// The YARL program tests results below 0: a writer's failure (1) is pushed as -1.
int32_t as_result(int writer_result) { return writer_result > 0 ? -1 : writer_result; }

void free_string(value* slot) {
  if (slot->s != nullptr) CheckedFree(slot->s);
  slot->s = nullptr;
}

const char* text_of(const value& v) { return v.s != nullptr ? v.s : ""; }

// The sixteen light parameter arrays, in their order on the stack and in the operands.
enum light_array {
  TYPES, ENABLE, RED, GREEN, BLUE, VIEW_DEPENDENCY, DIRECTION_X, DIRECTION_Y, DIRECTION_Z,
  TARGET_X, TARGET_Y, TARGET_Z, SPOT_ANGLE, SPOT_FOCUS, SHADOW_TYPE, SHADOW_SOFTNESS, LIGHT_ARRAYS
};
constexpr uint8_t light_array_kinds[LIGHT_ARRAYS] = {
    K_INTEGER, K_BOOLEAN, K_REAL, K_REAL, K_REAL, K_BOOLEAN, K_REAL, K_REAL, K_REAL,
    K_REAL, K_REAL, K_REAL, K_ANGLE, K_REAL, K_INTEGER, K_REAL};
const char* const light_array_names[LIGHT_ARRAYS] = {
    "light types", "enable", "red", "green", "blue", "view dependency", "direction x", "direction y",
    "direction z", "target x", "target y", "target z", "spot angle", "spot focus", "shadow type",
    "shadow softness"};

constexpr uint32_t TARQ_LIGHTS = 32;       // the arrays that READ_TARQ_LIGHT fills
constexpr uint32_t SAVED_LIGHTS_MAX = 255;  // what one SAVE_TARQ_LIGHT writes
constexpr int32_t ARC_SECONDS_90 = 324000;

// The arrays of one exchange with the light file, one element per light.
struct light_buffers {
  uint32_t type[SAVED_LIGHTS_MAX];
  bool enable[SAVED_LIGHTS_MAX];
  bool view_dependency[SAVED_LIGHTS_MAX];
  uint32_t shadow_type[SAVED_LIGHTS_MAX];
  float reals[LIGHT_ARRAYS][SAVED_LIGHTS_MAX];  // by light_array; spot angles in degrees
};

// A value check of SAVE_TARQ_LIGHT: the array, its range and the error it raises.
struct light_check {
  light_array array;
  bool integer;
  double min, max;
  const char* message;
};
const light_check light_checks[] = {
    {TYPES, true, 1, 4, "SAVE_TARQ_LIGHT light type not supported"},
    {RED, false, 0.0, 1.0, "SAVE_TARQ_LIGHT red color value out of range [0.0, 1.0]"},
    {GREEN, false, 0.0, 1.0, "SAVE_TARQ_LIGHT green color value out of range [0.0, 1.0]"},
    {BLUE, false, 0.0, 1.0, "SAVE_TARQ_LIGHT blue color value out of range [0.0, 1.0]"},
    {SPOT_ANGLE, true, 0, ARC_SECONDS_90, "SAVE_TARQ_LIGHT spot angle out of range [0, 90]"},
    {SPOT_FOCUS, false, 0.0, 128.0, "SAVE_TARQ_LIGHT spot focus out of range [0.0, 128.0]"},
    {SHADOW_TYPE, true, 1, 3, "SAVE_TARQ_LIGHT shadow type out of range [1, 3]"},
    {SHADOW_SOFTNESS, false, 0.0, 10.0, "SAVE_TARQ_LIGHT shadow softness out of range [0.0, 10.0]"},
};

// Ends an operation with a run-time error after freeing the file name.
const uint8_t* light_error(value* name, const char* message, ident_info* context) {
  free_string(name);
  sp = name - 1;
  error(message, 0, context);
  return nullptr;
}

}  // namespace

// Operands: four STRING variables (light, material, model, room file); the stack: the design-file name.
const uint8_t* read_tarq_scene_op(ident_info* context, const uint8_t* pc) {
  set_windows_busy(true);
  ident_info* names[4];
  for (ident_info*& v : names) {
    v = decode_ref(context, pc, 5693);
    if (v->kind != K_STRING) internal_error(5694, "read_tarq_scene_op");
  }
  char* files[4];
  int result = TrqDsnImport(text_of(*sp), &files[0], &files[1], &files[2], &files[3]);
  free_string(sp);
  set_int(sp, result);
  if (result == 0)
    for (int k = 0; k < 4; ++k) {
      value v{};
      v.s = files[k];
      change_variable(context, names[k], v, false);
    }
  return pc;
}

// The stack from the bottom: design-file name, model, material, light and room file.
const uint8_t* save_tarq_scene_op(ident_info*, const uint8_t* pc) {
  set_windows_busy(true);
  value* name = sp - 4;
  int result = TrqDsnExport(text_of(*name), text_of(name[3]), text_of(name[2]), text_of(name[1]),
                            text_of(name[4]));
  for (value* v = name; v <= sp; ++v) free_string(v);
  sp = name;
  set_int(sp, as_result(result));
  return pc;
}

// The stack: the room-file name.
const uint8_t* read_tarq_room_op(ident_info*, const uint8_t* pc) {
  set_windows_busy(true);
  int result = TrqDrmImport(text_of(*sp));
  free_string(sp);
  set_int(sp, result);
  set_repaint(false);
  return pc;
}

// The stack: the room-file name and, on top, whether to write the images.
const uint8_t* save_tarq_room_op(ident_info*, const uint8_t* pc) {
  set_windows_busy(true);
  bool write_images = (sp--)->i != 0;
  int result = TrqDrmExport(text_of(*sp), write_images);
  free_string(sp);
  set_int(sp, as_result(result));
  return pc;
}

// Operands: the sixteen light arrays; the stack: the light-file name.
const uint8_t* read_tarq_light_op(ident_info* context, const uint8_t* pc) {
  set_windows_busy(true);
  ident_info* arrays[LIGHT_ARRAYS];
  for (int k = 0; k < LIGHT_ARRAYS; ++k) {
    arrays[k] = decode_ref(context, pc, 5695);
    if (arrays[k]->kind != K_ARRAY + light_array_kinds[k]) internal_error(5696, "read_tarq_light_op");
  }
  value* name = sp;
  for (ident_info* a : arrays)
    if (!reset_array_size(context, a, TARQ_LIGHTS)) {
      free_string(name);
      sp = name - 1;
      return nullptr;
    }
  static light_buffers b;
  b = light_buffers{};
  auto real = [&](light_array k) { return b.reals[k]; };
  int n = TrqDlgImport(text_of(*name), b.type, b.enable, real(RED), real(GREEN), real(BLUE), b.view_dependency,
                       real(DIRECTION_X), real(DIRECTION_Y), real(DIRECTION_Z), real(TARGET_X), real(TARGET_Y),
                       real(TARGET_Z), real(SPOT_ANGLE), real(SPOT_FOCUS), b.shadow_type, real(SHADOW_SOFTNESS));
  free_string(name);
  set_int(name, n < 1 ? n : 0);
  uint32_t lights = n < 1 ? 0 : uint32_t(n);
  if (lights < TARQ_LIGHTS)
    for (ident_info* a : arrays) reset_array_size(context, a, lights);
  for (uint32_t i = 0; i < lights; ++i) {
    for (int k = 0; k < LIGHT_ARRAYS; ++k) {
      value v{};
      switch (k) {
        case TYPES: v.i = int32_t(b.type[i]); break;
        case ENABLE: v.i = b.enable[i]; break;
        case VIEW_DEPENDENCY: v.i = b.view_dependency[i]; break;
        case SHADOW_TYPE: v.i = int32_t(b.shadow_type[i]); break;
        // The cut-off read is within 0 to 180 degrees.
        case SPOT_ANGLE: v.i = int32_t(std::lround(double(b.reals[k][i]) * 1296000.0) / 360); break;
        default: v.r = b.reals[k][i]; break;
      }
      arrays[k]->val.a[i] = v;
    }
  }
  return pc;
}

// The stack from the bottom: the light-file name and the sixteen arrays,
// each its elements and its count.
const uint8_t* save_tarq_light_op(ident_info* context, const uint8_t* pc) {
  set_windows_busy(true);
  const value* elements[LIGHT_ARRAYS];
  int32_t counts[LIGHT_ARRAYS];
  value* p = sp;
  for (int k = LIGHT_ARRAYS - 1; k >= 0; --k) {
    counts[k] = p->i;
    // The counts come from the program: each must fit the stack below it.
    if (counts[k] < 0 || counts[k] > p - sb - 1) internal_error(5697, "save_tarq_light_op");
    elements[k] = p - counts[k];
    p -= counts[k] + 1;
  }
  value* name = p;
  int32_t n = counts[SHADOW_SOFTNESS];
  static char message[80];
  for (int k = SHADOW_SOFTNESS - 1; k >= 0; --k)
    if (counts[k] != n) {
      snprintf(message, sizeof message, "SAVE_TARQ_LIGHT %s array has wrong size", light_array_names[k]);
      return light_error(name, message, context);
    }
  if (n > int32_t(SAVED_LIGHTS_MAX)) return light_error(name, "SAVE_TARQ_LIGHT more than 255 lights", context);
  for (const light_check& c : light_checks)
    for (int32_t i = 0; i < n; ++i) {
      const value& v = elements[c.array][i];
      double x = c.integer ? double(v.i) : double(v.r);
      if (!(x >= c.min && x <= c.max)) return light_error(name, c.message, context);  // NaN too
    }
  static light_buffers b;
  b = light_buffers{};
  for (int32_t i = 0; i < n; ++i) {
    b.type[i] = uint32_t(elements[TYPES][i].i);
    b.enable[i] = elements[ENABLE][i].i != 0;
    b.view_dependency[i] = elements[VIEW_DEPENDENCY][i].i != 0;
    b.shadow_type[i] = uint32_t(elements[SHADOW_TYPE][i].i);
    for (int k = 0; k < LIGHT_ARRAYS; ++k)
      if (light_array_kinds[k] == K_REAL) b.reals[k][i] = elements[k][i].r;
    b.reals[SPOT_ANGLE][i] = float(elements[SPOT_ANGLE][i].i / 3600.0);
  }
  auto real = [&](light_array k) { return b.reals[k]; };
  int result = TrqDlgExport(text_of(*name), uint32_t(n), b.type, b.enable, real(RED), real(GREEN), real(BLUE),
                            b.view_dependency, real(DIRECTION_X), real(DIRECTION_Y), real(DIRECTION_Z),
                            real(TARGET_X), real(TARGET_Y), real(TARGET_Z), real(SPOT_ANGLE), real(SPOT_FOCUS),
                            b.shadow_type, real(SHADOW_SOFTNESS));
  free_string(name);
  sp = name;
  set_int(sp, as_result(result));
  return pc;
}

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
