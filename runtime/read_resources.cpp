#include "runtime/read_resources.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "base/checked_mm.h"
#include "runtime/encode_value.h"
#include "runtime/interpreter.h"
#include "runtime/procedures.h"
#include "runtime/variables.h"
#include "runtime/window_record.h"
#include "toolkit/ui_window.h"

const char* const resource_attribute_names[N_RESOURCE_ATTRIBUTES] = {"ORIGIN_X", "ORIGIN_Y", "SIZE_X",
                                                                      "SIZE_Y"};

// ORIGIN_X is bit 7 of the window's byte 2; the other three bits 0 to 2 of byte 3.
static const uint16_t attribute_flags[N_RESOURCE_ATTRIBUTES] = {1 << 7, 1 << 8, 1 << 9, 1 << 10};

bool has_resource_attribute(const ident_info& window, int attribute) {
  return (window.word2 & attribute_flags[attribute]) != 0;
}

int32_t window_geometry(const ident_info* window, int attribute) {
  const UIWindow* ui = record_of(window)->ui_window;
  if (ui == nullptr) return 0;
  switch (attribute) {
    case RA_ORIGIN_X: return ui->x;
    case RA_ORIGIN_Y: return ui->y;
    case RA_SIZE_X: return ui->width;
    default: return ui->height;
  }
}

void set_window_geometry(ident_info* window, int attribute, int32_t v) {
  window_record* w = record_of(window);
  if (attribute >= RA_SIZE_X) {
    v = std::clamp(v, 1, 32767);
    w->state &= uint8_t(~(WR_AUTO_WIDTH << (attribute - RA_SIZE_X)));
  } else {
    v = std::clamp(v, -32768, 32767);
  }
  UIWindow* ui = w->ui_window;
  if (ui == nullptr || v == window_geometry(window, attribute)) return;
  switch (attribute) {
    case RA_ORIGIN_X: ui->set_origin(short(v), ui->y); break;
    case RA_ORIGIN_Y: ui->set_origin(ui->x, short(v)); break;
    case RA_SIZE_X: ui->set_size(uint16_t(v), 0); break;
    default: ui->set_size(0, uint16_t(v)); break;
  }
  process_window_change(window);
}

// ---- Name index ----

// Every name that a resource line can give, built once: the globals from 529
// upwards and the locals of those windows. The first identifier of a name
// wins, so a later one of the same name stays out of reach as in a scan.
// A slot holds the hash and the identifier alone (8 bytes, so that the
// table stays small in the cache); the name and the owner are checked on the
// identifier itself.
namespace {
constexpr uint32_t GLOBAL_OWNER = 0xFFFFFFFF;
constexpr uint32_t LOCAL_ENTRY = 0x80000000;  // an entry's bit for table 2; else it is in table 0

struct name_slot {
  uint32_t hash;   // compared first, so a probe seldom reads the identifier
  uint32_t entry;  // the identifier's index, with LOCAL_ENTRY; 0 = free (no predefined is entered)
};

name_slot* slots;
uint32_t slot_mask;
bool index_built;
// By identifier of tables 0 and 2: 1 when no identifier before it of the
// same owner has its name, so a hint that names it is what the index gives.
uint8_t* first_of_name[3];
// Files are mostly in table order (as save_resources writes them): the
// identifier after the last one found is tried before the index.
uint32_t last_found[3];
bool hint_missed;  // the last name came from the index, not from the hint
}  // namespace

// The owner and the characters, eight at a time, with a final mix so that
// the low bits, which pick the slot, depend on every character.
static uint32_t hash_name(uint32_t owner, const char* text, size_t length) {
  uint64_t h = 0x9E3779B97F4A7C15u ^ (uint64_t(owner) << 8 | length);
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64_t w;
    memcpy(&w, text + i, 8);
    h = (h ^ w) * 0xBF58476D1CE4E5B9u;
    h ^= h >> 31;
  }
  uint64_t tail = 0;
  for (; i < length; ++i) tail = tail << 8 | uint8_t(text[i]);
  h = (h ^ tail) * 0x94D049BB133111EBu;
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9u;
  return uint32_t(h ^ (h >> 32));
}

static uint32_t entry_of(uint32_t owner, uint32_t index) {
  return owner == GLOBAL_OWNER ? index : index | LOCAL_ENTRY;
}

static ident_info* ident_of(uint32_t entry) {
  int t = entry & LOCAL_ENTRY ? T_WINDOW_LOCALS : T_GLOBALS;
  return &tables[t].as<ident_info>()[entry & ~LOCAL_ENTRY];
}

// True when the entry is an identifier of the owner with this name.
static bool entry_names(uint32_t entry, uint32_t owner, const char* text, size_t length) {
  if (((entry & LOCAL_ENTRY) != 0) != (owner != GLOBAL_OWNER)) return false;
  if (owner != GLOBAL_OWNER) {
    const ident_info& window = globals()[owner];
    uint32_t index = entry & ~LOCAL_ENTRY;
    if (index < window.count || index - window.count >= window.word6) return false;
  }
  const uint8_t* name = ident_name(*ident_of(entry));
  return name != nullptr && name[0] == length && memcmp(name + 1, text, length) == 0;
}

static void insert_name(uint32_t owner, const ident_info& id, uint32_t index) {
  const uint8_t* name = ident_name(id);
  if (name == nullptr || name[0] == 0) return;
  uint8_t& first = first_of_name[owner == GLOBAL_OWNER ? T_GLOBALS : T_WINDOW_LOCALS][index];
  const char* text = reinterpret_cast<const char*>(name + 1);
  uint32_t h = hash_name(owner, text, name[0]);
  for (uint32_t s = h & slot_mask;; s = (s + 1) & slot_mask) {
    name_slot& slot = slots[s];
    if (slot.entry == 0) {
      slot = {h, entry_of(owner, index)};
      first = 1;
      return;
    }
    if (slot.hash == h && entry_names(slot.entry, owner, text, name[0])) return;
  }
}

static void build_name_index() {
  const table& g = tables[T_GLOBALS];
  const table& l = tables[T_WINDOW_LOCALS];
  uint64_t count = g.length + uint64_t(l.length);
  uint32_t capacity = 16;
  while (capacity < 2 * count) capacity *= 2;
  slots = checked_new_array<name_slot>(capacity);
  memset(slots, 0, capacity * sizeof(name_slot));
  slot_mask = capacity - 1;
  for (int t : {T_GLOBALS, T_WINDOW_LOCALS}) {
    first_of_name[t] = checked_new_array<uint8_t>(tables[t].length + 1);
    memset(first_of_name[t], 0, tables[t].length + 1);
  }
  for (uint32_t i = N_PREDEFINED; i < g.length; ++i) {
    const ident_info& id = g.as<ident_info>()[i];
    insert_name(GLOBAL_OWNER, id, i);
    if (!is_window_kind(id.kind)) continue;
    for (uint32_t k = 0; k < id.word6 && uint64_t(id.count) + k < l.length; ++k)
      insert_name(i, l.as<ident_info>()[id.count + k], id.count + k);
  }
  index_built = true;
}

// The identifier after the last one found in its table, when it is the one
// the index would give for this name.
static ident_info* hinted_name(uint32_t owner, const char* text, size_t length) {
  int t = owner == GLOBAL_OWNER ? T_GLOBALS : T_WINDOW_LOCALS;
  uint32_t next = last_found[t] + 1;
  if (next >= tables[t].length || !first_of_name[t][next]) return nullptr;
  uint32_t entry = entry_of(owner, next);
  if (!entry_names(entry, owner, text, length)) return nullptr;
  last_found[t] = next;
  return ident_of(entry);
}

static ident_info* lookup_name(uint32_t owner, const char* text, size_t length) {
  ident_info* id = hinted_name(owner, text, length);
  hint_missed = id == nullptr;
  if (id != nullptr) return id;
  uint32_t h = hash_name(owner, text, length);
  for (uint32_t s = h & slot_mask;; s = (s + 1) & slot_mask) {
    const name_slot& slot = slots[s];
    if (slot.entry == 0) return nullptr;
    if (slot.hash == h && entry_names(slot.entry, owner, text, length)) {
      last_found[owner == GLOBAL_OWNER ? T_GLOBALS : T_WINDOW_LOCALS] = slot.entry & ~LOCAL_ENTRY;
      return ident_of(slot.entry);
    }
  }
}

void cleanup_read_resources() {
  if (slots != nullptr) CheckedFree(slots);
  slots = nullptr;
  for (uint8_t*& first : first_of_name) {
    if (first != nullptr) CheckedFree(first);
    first = nullptr;
  }
  last_found[T_GLOBALS] = last_found[T_WINDOW_LOCALS] = 0;
  hint_missed = false;
  index_built = false;
}

// ---- Reading ----

namespace {
constexpr int LINES_AHEAD = 8;  // a slot is fetched this many lines before its line is read

struct reader {
  ident_info* context;
  const char* path;
  ident_info* window;  // the restriction, or null
  bool compare;
  unsigned long flags;
  const char* p;
  const char* end;
  const char* ahead;  // the line whose first name's slot was fetched last
  unsigned long line;
  bool error;
  char* text;  // a value's text, NUL-terminated for decode_value
  size_t text_capacity;
  value* elements;  // an array line's values, at most its maximum length
  uint32_t element_capacity;
};

// What a line names: a variable, or one geometry attribute of a window.
struct resource_name {
  ident_info* variable;
  ident_info* window;
  int attribute;  // -1 for a variable
};
}  // namespace

constexpr size_t MAX_NAME = 255;

static bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
static bool is_name_char(char c) { return is_letter(c) || (c >= '0' && c <= '9') || c == '_'; }
static bool ends_value(char c) { return c == '\t' || c == '\n' || c == '\r'; }

static void skip_line(reader& r) {
  const char* lf = static_cast<const char*>(memchr(r.p, '\n', size_t(r.end - r.p)));
  r.p = lf != nullptr ? lf + 1 : r.end;
  ++r.line;
}

// The end of the name that begins at p; p itself when none begins there.
static const char* name_end(const char* p, const char* end) {
  if (p == end || !is_letter(*p)) return p;
  while (p < end && is_name_char(*p)) ++p;
  return p;
}

// A name at the reading position; its length is 0 when none begins there.
// Only the first MAX_NAME characters are kept.
static size_t read_name(reader& r, const char** start) {
  *start = r.p;
  r.p = name_end(r.p, r.end);
  return std::min(size_t(r.p - *start), MAX_NAME);
}

// Moves the look-ahead one line on and, while the names do not follow the
// table, starts fetching the index slot of that line's first name: a file
// in no particular order then does not wait for the memory on every line.
static void fetch_ahead(reader& r) {
  if (r.ahead == r.end) return;
  const char* lf = static_cast<const char*>(memchr(r.ahead, '\n', size_t(r.end - r.ahead)));
  r.ahead = lf != nullptr ? lf + 1 : r.end;
  if (!hint_missed) return;
  size_t length = std::min(size_t(name_end(r.ahead, r.end) - r.ahead), MAX_NAME);
  if (length != 0) __builtin_prefetch(&slots[hash_name(GLOBAL_OWNER, r.ahead, length) & slot_mask]);
}

static bool is_resource_kind(int kind) {
  return kind <= K_STRING || (kind >= K_ARRAY + K_REAL && kind <= K_ARRAY + K_STRING);
}

// Finds what the line names, up to and including the ":"; false for an
// unknown or malformed name.
static bool find_name(reader& r, resource_name* found) {
  const char* first;
  size_t first_length = read_name(r, &first);
  if (first_length == 0) return false;
  ident_info* id = lookup_name(GLOBAL_OWNER, first, first_length);
  if (id == nullptr) return false;
  found->window = nullptr;
  found->attribute = -1;
  if (r.p < r.end && *r.p == '.') {
    ++r.p;
    if (!is_window_kind(id->kind) || (r.window != nullptr && id != r.window)) return false;
    const char* second;
    size_t second_length = read_name(r, &second);
    if (second_length == 0) return false;
    found->window = id;
    if (*second >= 'A' && *second <= 'Z') {
      for (int a = 0; a < N_RESOURCE_ATTRIBUTES; ++a)
        if (strlen(resource_attribute_names[a]) == second_length &&
            memcmp(resource_attribute_names[a], second, second_length) == 0)
          found->attribute = a;
      if (found->attribute < 0) return false;
      id = nullptr;
    } else {
      id = lookup_name(uint32_t(id - globals()), second, second_length);
      if (id == nullptr) return false;
    }
  } else if (r.window != nullptr) {
    return false;
  }
  found->variable = id;
  if (id != nullptr && (!is_resource_kind(id->kind) || (id->flags1 & IDENT_HIDDEN))) return false;
  if (r.p == r.end || *r.p != ':') return false;
  ++r.p;
  return true;
}

// Decodes the value text at the reading position, which ends at a TAB, a
// line end or the end of the file; false when it is not a value of the kind.
// A STRING is the raw text; a NUL byte fits no kind.
static bool read_value(reader& r, int kind, value* v) {
  const char* start = r.p;
  while (r.p < r.end && !ends_value(*r.p)) ++r.p;
  size_t length = size_t(r.p - start);
  if (memchr(start, '\0', length) != nullptr) return false;
  if (kind == K_STRING) {
    v->s = static_cast<char*>(CheckedMalloc(length + 1));
    memcpy(v->s, start, length);
    v->s[length] = '\0';
    return true;
  }
  if (length + 1 > r.text_capacity) {
    if (r.text != nullptr) CheckedFree(r.text);
    r.text_capacity = std::max(length + 1, 2 * r.text_capacity);
    r.text = static_cast<char*>(CheckedMalloc(r.text_capacity));
  }
  memcpy(r.text, start, length);
  r.text[length] = '\0';
  *v = value{};
  return !decode_value(r.text, kind, v);
}

static bool same_value(int kind, value a, value b) {
  if (kind == K_STRING) return strcmp(a.s != nullptr ? a.s : "", b.s != nullptr ? b.s : "") == 0;
  return a.u == b.u || (kind == K_REAL && a.r == b.r);
}

static void report(reader& r, const char* message) {
  fprintf(stderr, "Error - %s at line %lu in resource file '%s'.\n", message, r.line, r.path);
  r.error = true;
}

static void report_bad_value(reader& r, int kind) {
  fprintf(stderr, "Error - bad %s resource value at line %lu in resource file '%s'.\n", type_name(kind), r.line,
          r.path);
  r.error = true;
}

static void free_values(int kind, value* values, uint32_t n) {
  if (kind == K_STRING)
    for (uint32_t i = 0; i < n; ++i) free_owned(kind, &values[i]);
}

static void set_differs(ident_info* variable, bool differs) {
  variable->word8 = differs ? variable->word8 | IDENT_CHANGED : variable->word8 & ~IDENT_CHANGED;
}

static void take_scalar(reader& r, ident_info* variable) {
  value v{};
  if (r.p == r.end || *r.p != '\t') return report_bad_value(r, variable->kind);
  ++r.p;
  if (!read_value(r, variable->kind, &v)) return report_bad_value(r, variable->kind);
  if (r.compare) {
    set_differs(variable, !same_value(variable->kind, v, variable->val));
    free_values(variable->kind, &v, 1);
    return;
  }
  set_differs(variable, false);
  change_variable(r.context, variable, v, false);
}

static void take_array(reader& r, ident_info* variable) {
  int kind = variable->kind - K_ARRAY;
  uint32_t max_length = variable->word2;
  if (r.element_capacity < max_length) {
    if (r.elements != nullptr) CheckedFree(r.elements);
    r.element_capacity = max_length;
    r.elements = checked_new_array<value>(max_length);
  }
  uint64_t count = 0;
  bool differs = false;
  while (r.p < r.end && *r.p == '\t') {
    ++r.p;
    value v{};
    if (!read_value(r, kind, &v)) {
      if (!r.compare) free_values(kind, r.elements, uint32_t(std::min<uint64_t>(count, max_length)));
      return report_bad_value(r, variable->kind);
    }
    if (r.compare) {
      differs = differs || count >= variable->word6 || !same_value(kind, v, variable->val.a[count]);
      free_values(kind, &v, 1);
    } else if (count < max_length) {
      r.elements[count] = v;
    } else {
      free_values(kind, &v, 1);
    }
    ++count;
  }
  uint32_t n = uint32_t(std::min<uint64_t>(count, max_length));
  if (r.compare) {
    set_differs(variable, differs || count != variable->word6);
    return;
  }
  set_differs(variable, false);
  if (count > max_length) {
    free_values(kind, r.elements, n);
    return report(r, "resource value size exceeds array size");
  }
  if (!reset_array_size(r.context, variable, n)) {
    free_values(kind, r.elements, n);
    return;
  }
  if (n != 0) memcpy(variable->val.a, r.elements, n * sizeof(value));
  process_variable_change(r.context, variable);
}

static void take_geometry(reader& r, ident_info* window, int attribute) {
  value v{};
  if (r.p == r.end || *r.p != '\t') return report_bad_value(r, window->kind);
  ++r.p;
  if (!read_value(r, K_INTEGER, &v)) return report_bad_value(r, window->kind);
  window_record* w = record_of(window);
  uint8_t differs_flag = geometry_differs_flag(attribute);
  if (r.compare) {
    bool differs = v.i != window_geometry(window, attribute);
    w->call_flags = differs ? uint8_t(w->call_flags | differs_flag) : uint8_t(w->call_flags & ~differs_flag);
    return;
  }
  const char* name = resource_attribute_names[attribute];
  int32_t low = attribute >= RA_SIZE_X ? 2 : 0, high = attribute >= RA_SIZE_X ? 4095 : 4094;
  if (v.i < low || v.i > high) {
    char message[64];
    snprintf(message, sizeof message, "%s resource value out of range", name);
    report(r, message);
  }
  if (!has_resource_attribute(*window, attribute)) {
    fprintf(stderr, "Error - %s's %s is not a resource attribute.  At line %lu in resource file '%s'.\n",
            name_of(window), name, r.line, r.path);
    r.error = true;
  }
  w->call_flags &= uint8_t(~differs_flag);
  set_window_geometry(window, attribute, v.i);
}

static void read_line(reader& r) {
  if (*r.p == '#' || *r.p == '\n' || (*r.p == '\r' && r.p + 1 < r.end && r.p[1] == '\n'))
    return skip_line(r);
  resource_name found;
  if (!find_name(r, &found)) {
    if (r.window == nullptr) report(r, "bad resource name");
    return skip_line(r);
  }
  bool geometry = found.attribute >= 0;
  if (!(r.flags & (geometry ? RESOURCE_GEOMETRY : RESOURCE_VARIABLES))) return skip_line(r);
  if (geometry) {
    take_geometry(r, found.window, found.attribute);
  } else {
    ident_info* variable = found.variable;
    if (!r.compare && !(variable->word8 & IDENT_RESOURCE)) {
      fprintf(stderr, "Error - %s is not a resource variable.  At line %lu in resource file '%s'.\n",
              name_of(variable), r.line, r.path);
      r.error = true;
    }
    if (is_array_kind(variable->kind))
      take_array(r, variable);
    else
      take_scalar(r, variable);
  }
  skip_line(r);
}

constexpr size_t MAX_FILE_SIZE = size_t(64) << 20;  // bytes; a device or a runaway pipe stops here

// The whole file into one heap block; 0 or an errno value. Only regular
// files and pipes are read: a device such as /dev/zero never ends.
static int read_whole_file(FILE* file, char** data, size_t* size) {
  struct stat st;
  if (fstat(fileno(file), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) return ENODEV;
  size_t capacity = 1 << 16, length = 0;
  char* buffer = static_cast<char*>(CheckedMalloc(capacity));
  for (;;) {
    length += fread(buffer + length, 1, capacity - length, file);
    if (length < capacity) break;
    if (capacity >= MAX_FILE_SIZE) {
      CheckedFree(buffer);
      return EFBIG;
    }
    capacity *= 2;
    buffer = static_cast<char*>(CheckedRealloc(buffer, capacity));
  }
  if (ferror(file)) {
    int e = errno;
    CheckedFree(buffer);
    return e;
  }
  *data = buffer;
  *size = length;
  return 0;
}

// Why `path` did not open. Windows' C library refuses a folder with EACCES,
// where the folder itself is the reason.
static int open_failure(const char* path) {
  int e = errno;
  struct stat st;
  return stat(path, &st) == 0 && S_ISDIR(st.st_mode) ? EISDIR : e;
}

bool read_resources(ident_info* context, const char* path, ident_info* window, bool compare,
                    unsigned long flags) {
  FILE* file = fopen(path, "rb");
  char* data = nullptr;
  size_t size = 0;
  int e = file == nullptr ? open_failure(path) : read_whole_file(file, &data, &size);
  if (e != 0) {
    fprintf(stderr, "Warning - Unable to open resource file %s - %s.\n", path,
            e == ENODEV ? "not a regular file" : strerror(e));
    if (file != nullptr) fclose(file);
    return false;
  }
  fclose(file);
  reader r{};
  r.context = context;
  r.path = path;
  r.window = window;
  r.compare = compare;
  r.flags = flags;
  r.p = data;
  r.end = data + size;
  r.ahead = data;
  r.line = 1;
  if (!index_built) build_name_index();
  for (int n = 0; n < LINES_AHEAD; ++n) fetch_ahead(r);
  while (r.p < r.end) {
    read_line(r);
    fetch_ahead(r);
  }
  if (r.text != nullptr) CheckedFree(r.text);
  if (r.elements != nullptr) CheckedFree(r.elements);
  CheckedFree(data);
  return r.error;
}
