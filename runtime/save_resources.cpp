#include "runtime/save_resources.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "base/atomic_file.h"
#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/procedures.h"
#include "runtime/read_resources.h"
#include "runtime/run_time_errors.h"
#include "runtime/user_interface.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"
#include "toolkit/ui_window.h"

constexpr const char* MODULE = "ui";

// The saved default of one resource variable: its value after the initial
// code (a STRING or an array as an owned copy) and, for an array, its size.
namespace {
struct saved_default {
  value v;
  uint32_t size;
};
saved_default* defaults[3];  // by identifier table: 0 globals, 2 window locals
}  // namespace

static bool is_resource_variable(const ident_info& id) {
  return is_variable_kind(id.kind) && id.kind != K_UNDECLARED && id.kind != K_ARRAY + K_UNDECLARED &&
         (id.word8 & IDENT_RESOURCE);
}

static int scalar_kind(const ident_info& id) { return is_array_kind(id.kind) ? id.kind - K_ARRAY : id.kind; }

static saved_default* default_of(const ident_info* id) {
  for (int t : {T_GLOBALS, T_WINDOW_LOCALS}) {
    const ident_info* base = tables[t].as<ident_info>();
    if (defaults[t] != nullptr && id >= base && id < base + tables[t].length) return &defaults[t][id - base];
  }
  return nullptr;
}

static value copy_scalar(int kind, value v) {
  if (kind != K_STRING) return v;
  value copy{};
  copy.s = dup_chars(v.s != nullptr ? v.s : "");
  return copy;
}

void save_initial_resource_variable_values(int table_number) {
  const table& t = tables[table_number];
  saved_default* saved = checked_new_array<saved_default>(t.length + 1);
  memset(saved, 0, (t.length + 1) * sizeof(saved_default));
  defaults[table_number] = saved;
  for (uint32_t i = 0; i < t.length; ++i) {
    const ident_info& id = t.as<ident_info>()[i];
    if (!is_resource_variable(id)) continue;
    int kind = scalar_kind(id);
    if (kind == K_PICTURE) internal_error(877, MODULE);
    if (!is_array_kind(id.kind)) {
      saved[i].v = copy_scalar(kind, id.val);
      continue;
    }
    saved[i].size = id.word6;
    if (id.word6 == 0) continue;
    saved[i].v.a = checked_new_array<value>(id.word6);
    for (uint32_t e = 0; e < id.word6; ++e) saved[i].v.a[e] = copy_scalar(kind, id.val.a[e]);
  }
}

void save_initial_window_geometry() {
  for (uint32_t i = 0; i < n_windows_listed; ++i) {
    window_record* w = record_of(&globals()[windows[i]]);
    w->initial_auto = w->state & (WR_AUTO_WIDTH | WR_AUTO_HEIGHT);
    if (w->ui_window == nullptr) continue;
    w->initial_x = w->ui_window->x;
    w->initial_y = w->ui_window->y;
    w->initial_width = w->ui_window->width;
    w->initial_height = w->ui_window->height;
  }
}

void cleanup_save_resources() {
  for (int t : {T_GLOBALS, T_WINDOW_LOCALS}) {
    saved_default* saved = defaults[t];
    if (saved == nullptr) continue;
    for (uint32_t i = 0; i < tables[t].length; ++i) {
      const ident_info& id = tables[t].as<ident_info>()[i];
      if (!is_resource_variable(id)) continue;
      if (is_array_kind(id.kind)) {
        if (scalar_kind(id) == K_STRING)
          for (uint32_t e = 0; e < saved[i].size; ++e) CheckedFree(saved[i].v.a[e].s);
        if (saved[i].v.a != nullptr) CheckedFree(saved[i].v.a);
      } else if (id.kind == K_STRING) {
        CheckedFree(saved[i].v.s);
      }
    }
    CheckedFree(saved);
    defaults[t] = nullptr;
  }
}

// ---- Compare and restore ----

static bool same_value(int kind, value a, value b) {
  if (kind == K_STRING) return strcmp(a.s != nullptr ? a.s : "", b.s != nullptr ? b.s : "") == 0;
  return a.u == b.u || (kind == K_REAL && a.r == b.r);
}

static bool differs_from_default(const ident_info& id, const saved_default& saved) {
  int kind = scalar_kind(id);
  if (!is_array_kind(id.kind)) return !same_value(kind, id.val, saved.v);
  if (id.word6 != saved.size) return true;
  for (uint32_t e = 0; e < saved.size; ++e)
    if (!same_value(kind, id.val.a[e], saved.v.a[e])) return true;
  return false;
}

void compare_resource_variable_values(ident_info* first, ident_info* last) {
  for (ident_info* id = first; id < last; ++id) {
    const saved_default* saved = default_of(id);
    if (saved == nullptr || !is_resource_variable(*id)) continue;
    id->word8 = differs_from_default(*id, *saved) ? id->word8 | IDENT_CHANGED : id->word8 & ~IDENT_CHANGED;
  }
}

void restore_resource_variable_values(ident_info* context, ident_info* first, ident_info* last) {
  for (ident_info* id = first; id < last; ++id) {
    const saved_default* saved = default_of(id);
    if (saved == nullptr || !is_resource_variable(*id)) continue;
    int kind = scalar_kind(*id);
    if (kind == K_PICTURE) internal_error(783, MODULE);
    if (is_array_kind(id->kind)) {
      if (!reset_array_size(context, id, saved->size)) continue;
      for (uint32_t e = 0; e < saved->size; ++e) id->val.a[e] = copy_scalar(kind, saved->v.a[e]);
    } else {
      if (kind == K_STRING) free_owned(kind, &id->val);
      id->val = copy_scalar(kind, saved->v);
    }
    id->word8 &= ~IDENT_CHANGED;
    process_variable_change(context, id);
  }
}

static ident_info* locals_of(const ident_info* window, ident_info** last) {
  ident_info* first = tables[T_WINDOW_LOCALS].as<ident_info>() + window->count;
  *last = first + window->word6;
  return first;
}

// The start value of one geometry attribute; an automatic size comes back as
// automatic and is set again by the next display.
static void restore_attribute(ident_info* window, int attribute) {
  window_record* w = record_of(window);
  if (attribute >= RA_SIZE_X) {
    uint8_t auto_bit = uint8_t(WR_AUTO_WIDTH << (attribute - RA_SIZE_X));
    if (w->initial_auto & auto_bit) {
      if (!(w->state & auto_bit)) {
        w->state |= auto_bit;
        (attribute == RA_SIZE_X ? w->auto_width : w->auto_height) = -1;
        if ((window->flags1 & WINDOW_VISIBLE) && window_menu_count(*window) != 0)
          queue_update(uint16_t(window - globals()));
      }
      return;
    }
  }
  const int32_t initial[N_RESOURCE_ATTRIBUTES] = {w->initial_x, w->initial_y, w->initial_width, w->initial_height};
  set_window_geometry(window, attribute, initial[attribute]);
}

void restore_window_resource_values(ident_info* window, unsigned long flags) {
  if (flags & RESOURCE_VARIABLES) {
    ident_info* last;
    ident_info* first = locals_of(window, &last);
    restore_resource_variable_values(window, first, last);
  }
  if (!(flags & RESOURCE_GEOMETRY)) return;
  window_record* w = record_of(window);
  for (int a = 0; a < N_RESOURCE_ATTRIBUTES; ++a) {
    if (!has_resource_attribute(*window, a)) continue;
    w->call_flags &= uint8_t(~geometry_differs_flag(a));
    restore_attribute(window, a);
  }
}

// Whether an attribute's current value differs from its start value. A size
// that is automatic now and was at the start differs only when it is no
// longer the one the last display gave it (the user resized the window).
static bool geometry_differs(const ident_info* window, int attribute) {
  const window_record* w = record_of(window);
  int32_t now = window_geometry(window, attribute);
  if (attribute >= RA_SIZE_X) {
    uint8_t auto_bit = uint8_t(WR_AUTO_WIDTH << (attribute - RA_SIZE_X));
    if (w->state & w->initial_auto & auto_bit) {
      int16_t automatic = attribute == RA_SIZE_X ? w->auto_width : w->auto_height;
      return automatic >= 0 && now != automatic;
    }
  }
  const int32_t initial[N_RESOURCE_ATTRIBUTES] = {w->initial_x, w->initial_y, w->initial_width, w->initial_height};
  return now != initial[attribute];
}

static void compare_window_geometry(ident_info* window) {
  window_record* w = record_of(window);
  for (int a = 0; a < N_RESOURCE_ATTRIBUTES; ++a) {
    uint8_t flag = geometry_differs_flag(a);
    w->call_flags = geometry_differs(window, a) ? uint8_t(w->call_flags | flag) : uint8_t(w->call_flags & ~flag);
  }
}

// ---- Writing ----

// ANGLE in format 2: degrees, the mark "o", minutes, a double quote, seconds.
static int encode_angle(char* buffer, int32_t seconds) {
  const char* sign = seconds < 0 ? "-" : "";
  unsigned long s = seconds < 0 ? uint32_t(0u - uint32_t(seconds)) : uint32_t(seconds);
  unsigned long d = s / 3600, m = (s / 60) % 60, x = s % 60;
  if (m == 0 && x == 0) return snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%luo", sign, d);
  if (x == 0) return snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%luo%lu", sign, d, m);
  return snprintf(buffer, ENCODE_BUFFER_SIZE, "%s%luo%lu\"%lu", sign, d, m, x);  // at most 16 characters
}

int encode_resource_value(char* buffer, int kind, value v) {
  if (kind == K_ANGLE) return encode_angle(buffer, v.i);
  return encode_value(buffer, kind, v);
}

static void write_value(FILE* file, int kind, value v) {
  putc('\t', file);
  if (kind == K_STRING) {
    fputs(v.s != nullptr ? v.s : "", file);
    return;
  }
  char text[ENCODE_BUFFER_SIZE];
  fwrite(text, 1, size_t(encode_resource_value(text, kind, v)), file);
}

static void write_variable(FILE* file, const char* prefix, const ident_info& id) {
  int kind = scalar_kind(id);
  if (!is_resource_variable(id) || !(id.word8 & IDENT_CHANGED) || kind == K_PICTURE) return;
  fprintf(file, "%s%s:", prefix, name_of(&id));
  if (is_array_kind(id.kind)) {
    for (uint32_t e = 0; e < id.word6; ++e) write_value(file, kind, id.val.a[e]);
  } else {
    write_value(file, kind, id.val);
  }
  putc('\n', file);
}

void save_resources(FILE* file) {
  const table& g = tables[T_GLOBALS];
  for (uint32_t i = N_PREDEFINED; i < g.length; ++i) {
    ident_info& id = g.as<ident_info>()[i];
    if (!is_window_kind(id.kind)) {
      write_variable(file, "", id);
      continue;
    }
    const char* name = name_of(&id);
    const window_record* w = record_of(&id);
    for (int a = 0; a < N_RESOURCE_ATTRIBUTES; ++a)
      if (has_resource_attribute(id, a) && (w->call_flags & geometry_differs_flag(a)))
        fprintf(file, "%s.%s:\t%d\n", name, resource_attribute_names[a], int(window_geometry(&id, a)));
    size_t prefix_size = strlen(name) + 2;
    char* prefix = static_cast<char*>(CheckedMalloc(prefix_size));
    snprintf(prefix, prefix_size, "%s.", name);
    ident_info* last;
    for (ident_info* local = locals_of(&id, &last); local < last; ++local) write_variable(file, prefix, *local);
    CheckedFree(prefix);
  }
}

// ---- Operations ----

// A run-time error whose message names a path and a system error text.
static void path_error(const char* format, const char* path, int e, ident_info* context) {
  const char* text = strerror(e);
  size_t size = strlen(format) + strlen(path) + strlen(text) + 1;
  char* message = static_cast<char*>(CheckedMalloc(size));
  snprintf(message, size, format, path, text);
  error(message, 0, context);
  CheckedFree(message);
}

static void compare_all_with_defaults() {
  const table& g = tables[T_GLOBALS];
  const table& l = tables[T_WINDOW_LOCALS];
  compare_resource_variable_values(g.as<ident_info>(), g.as<ident_info>() + g.length);
  compare_resource_variable_values(l.as<ident_info>(), l.as<ident_info>() + l.length);
  for (uint32_t i = 0; i < n_windows_listed; ++i) compare_window_geometry(&globals()[windows[i]]);
}

const uint8_t* save_defaults_op(ident_info* context, const uint8_t* pc) {
  if (used_slots() == 0) internal_error(1481, MODULE);
  int32_t selector = (sp--)->i;
  set_windows_busy(true);
  if (selector < 0 || selector > 2) {
    char message[100];
    snprintf(message, sizeof message, "SAVE_DEFAULTS - defaults file selector %ld not 0, 1 or 2", long(selector));
    error(message, 0, context);
    return pc;
  }
  const char* site = site_resource_path();
  const char* paths[3] = {site, private_resource_path(), local_resource_path()};
  const char* path = paths[selector];
  if (path == nullptr) {
    error("SAVE_DEFAULTS - requested defaults file not specified on qob command line", 0, context);
    return pc;
  }
  atomic_file file;
  if (int e = atomic_file_open(&file, path)) {
    path_error("SAVE_DEFAULTS - Unable to open/create resource file '%s' - %s", path, e, context);
    return pc;
  }
  compare_all_with_defaults();
  bool site_error = false;
  if (selector >= 1 && site != nullptr) site_error = read_resources(context, site, nullptr, true, 3);
  if (selector == 2 && paths[1] != nullptr) read_resources(context, paths[1], nullptr, true, 3);
  save_resources(file.stream);
  if (int e = atomic_file_commit(&file)) {
    path_error("SAVE_DEFAULTS - Unable to write resource file '%s' - %s", path, e, context);
    return pc;
  }
  if (site_error) error("Resource file error(s)", 0, context);
  return pc;
}

const uint8_t* restore_defaults_op(ident_info* context, const uint8_t* pc) {
  ident_ref ref = read_ref(pc);
  if (used_slots() < 2) internal_error(1771, MODULE);
  unsigned long flags = (sp--)->u;
  int32_t depth = (sp--)->i;
  set_windows_busy(true);
  if (depth < 0 || depth > 2) {
    char message[100];
    snprintf(message, sizeof message, "RESTORE_DEFAULTS - depth %ld not 0, 1 or 2", long(depth));
    error(message, 0, context);
    return pc;
  }
  // Reference 0 is the context's window, 1 every window, any other a window.
  ident_info* target = nullptr;
  if (ref.selector != 0 || ref.index >= tables[T_GLOBALS].length) internal_error(1772, MODULE);
  if (ref.index == 0) {
    target = is_window_kind(context->kind) ? context : &globals()[1];
  } else if (ref.index != 1) {
    target = &globals()[ref.index];
    if (!is_window_kind(target->kind)) internal_error(1773, MODULE);
  }
  if (target != nullptr) {
    restore_window_resource_values(target, flags);
  } else {
    if (flags & RESOURCE_VARIABLES) {
      const table& g = tables[T_GLOBALS];
      restore_resource_variable_values(context, g.as<ident_info>(), g.as<ident_info>() + g.length);
    }
    for (uint32_t i = 0; i < n_windows_listed; ++i) restore_window_resource_values(&globals()[windows[i]], flags);
  }
  const char* paths[3] = {site_resource_path(), private_resource_path(), local_resource_path()};
  bool site_error = false;
  for (int32_t i = 0; i <= depth; ++i) {
    if (paths[i] == nullptr) continue;
    bool failed = read_resources(context, paths[i], target, false, flags);
    if (i == 0) site_error = failed;
  }
  if (site_error) error("Resource file error(s)", 0, context);
  return pc;
}
