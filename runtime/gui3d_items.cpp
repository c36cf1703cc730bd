#include "runtime/gui3d_items.h"

#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "link/gui3d_events.h"
#include "link/si.h"
#include "runtime/interpreter.h"
#include "runtime/procedures.h"
#include "runtime/qob.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "runtime/widget_builders.h"
#include "runtime/window_record.h"
#include "toolkit/image.h"
#include "view/gui3d.h"
#include "view/gui3d_kinds.h"

constexpr const char* MODULE = "gui3d_items";
constexpr float ARC_SECONDS_TO_RADIANS = 4.84813681109536e-6f;
constexpr float UNSET = 4711;
constexpr uint32_t MAX_DISABLED = 64;  // longer lists cannot be valid for any kind

// The run-time slot of an array item: its manipulators, one per element, and
// per element the attribute values its setters last took without a refusal.
struct gui3d_array {
  GUI3D** elements;  // count entries, each owned or null
  uint32_t count;
  uint32_t* applied;    // count × stride: each element's edit values, then its given attribute slots
  uint8_t* applied_ok;  // count entries: the element's applied values hold
  uint32_t stride;
};

// ---- Manipulators of the items ----

GUI3D* create_gui3d_object(uint8_t kind, uint32_t item, uint32_t element) {
  GUI3D* made = new_gui3d_of_kind(kind, item, element, change_gui3d, activate_gui3d);
  if (made == nullptr) internal_error(144, MODULE);
  return made;
}

static gui3d_array* array_of(const menu_item& item) { return static_cast<gui3d_array*>(item.widget); }

GUI3D* find_gui3d(uint32_t n, int32_t element) {
  if (n >= gui3d_item_count()) return nullptr;
  menu_item& item = gui3d_item(n);
  if (item.widget == nullptr) return nullptr;
  if (!is_array_item(item)) return element < 0 ? static_cast<GUI3D*>(item.widget) : nullptr;
  const gui3d_array* a = array_of(item);
  if (element < 0 || uint32_t(element) >= a->count) return nullptr;
  return a->elements[element];
}

int32_t gui3d_element_count(uint32_t n) {
  if (n >= gui3d_item_count()) return 0;
  const menu_item& item = gui3d_item(n);
  if (!is_array_item(item)) return -1;
  return item.widget != nullptr ? int32_t(array_of(item)->count) : 0;
}

// A manipulator that holds the drag takes the drag with it.
static void destroy(GUI3D*& g) {
  if (g == nullptr) return;
  if (g == GUI3D::selected_object) end_gui3d_drag();
  delete g;
  g = nullptr;
}

static void free_array(gui3d_array* a) {
  if (a->elements != nullptr) CheckedFree(a->elements);
  if (a->applied != nullptr) CheckedFree(a->applied);
  if (a->applied_ok != nullptr) CheckedFree(a->applied_ok);
  CheckedFree(a);
}

static void destroy_item_manipulators(menu_item& item) {
  if (item.widget == nullptr) return;
  if (is_array_item(item)) {
    gui3d_array* a = array_of(item);
    for (uint32_t i = 0; i < a->count; ++i) destroy(a->elements[i]);
    free_array(a);
  } else {
    GUI3D* g = static_cast<GUI3D*>(item.widget);
    destroy(g);
  }
  item.widget = nullptr;
}

void delete_gui3d_objects() {
  for (uint32_t n = 0; n < gui3d_item_count(); ++n) destroy_item_manipulators(gui3d_item(n));
}

void delete_gui3d_textures() {
  GUI3DTableIterator it;
  while (GUI3D* g = it.next()) g->delete_texture();
}

// ---- The values the attribute code leaves ----

namespace {

// Slots of one element's attributes, in the order the code pushes them.
enum attribute_slot : uint8_t {
  S_IMAGE,
  S_CONFIGURATION,
  S_DELETE,
  S_HIGHLIGHT,
  S_COLOR,
  S_CS_TYPE,
  S_CS_AXES,
  S_CS_MASK = S_CS_AXES + 9,
  S_INC_ANGULAR,
  S_INC_LINEAR,
  S_MOTION_SCALE,
  S_ROTATION,
  S_ROTATION_KIND = S_ROTATION + 3,
  S_TEXTURE_ON,
  S_TEXTURE_NAME,
  S_TEXTURE_VALUES,
  N_SLOTS = S_TEXTURE_VALUES + 7
};

struct attribute_group {
  uint32_t flag;
  uint8_t first, count;
};

// The groups in push order; DISABLE_ACCESS_POINTS (between COORDINATE_SYSTEM
// and INCREMENT_ANGULAR) is a list of its own.
constexpr attribute_group GROUPS[] = {
    {ITEM3D_IMAGE, S_IMAGE, 1},
    {ITEM3D_CONFIGURATION, S_CONFIGURATION, 1},
    {ITEM3D_DELETE, S_DELETE, 1},
    {ITEM3D_HIGHLIGHT_BORDER, S_HIGHLIGHT, 1},
    {ITEM3D_COLOR, S_COLOR, 1},
    {ITEM3D_COORDINATE_SYSTEM, S_CS_TYPE, 11},
    {ITEM3D_INCREMENT_ANGULAR, S_INC_ANGULAR, 1},
    {ITEM3D_INCREMENT_LINEAR, S_INC_LINEAR, 1},
    {ITEM3D_MOTION_SCALE, S_MOTION_SCALE, 1},
    {ITEM3D_ROTATION, S_ROTATION, 4},
    {ITEM3D_TEXTURE, S_TEXTURE_ON, 9},
};
constexpr int GROUPS_BEFORE_DISABLE = 6;

// An array taken off the stack; its elements stay in the stack's memory.
struct slot_array {
  value* elements;
  uint32_t n;
};

// Reads the stack from the top down, never below `floor`: code that left
// fewer slots than the flags announce is an internal error.
struct stack_reader {
  value* floor;

  value pop() {
    if (sp < floor) internal_error(8202, MODULE);
    return *sp--;
  }
  slot_array pop_array() {
    int32_t n = pop().i;
    if (n < 0 || n > sp + 1 - floor) internal_error(8203, MODULE);
    sp -= n;
    return {sp + 1, uint32_t(n)};
  }
};

struct element_values {
  value slots[N_SLOTS];
  uint32_t disabled[MAX_DISABLED];
  uint32_t disabled_count;
  bool disabled_given;
};

}  // namespace

// Takes the DISABLE_ACCESS_POINTS list: its count on top, then the numbers,
// stored in their pushed order. False when the list is longer than the buffer.
static bool get_disabled_access_points(stack_reader& r, uint32_t& count, uint32_t* numbers, uint32_t capacity) {
  int32_t n = r.pop().i;
  if (n < 0 || n > sp + 1 - r.floor) internal_error(8204, MODULE);
  sp -= n;
  const value* list = sp + 1;
  count = uint32_t(n);
  if (count > capacity) return false;
  for (uint32_t i = 0; i < count; ++i) numbers[i] = uint32_t(list[i].i);
  return true;
}

static void default_values(element_values& v) {
  for (value& s : v.slots) s = value{};
  v.slots[S_CS_TYPE].u = CoordinateSystem::ABSENT;
  for (int i = 0; i < 9; ++i) v.slots[S_CS_AXES + i].r = UNSET;
  v.disabled_count = 0;
  v.disabled_given = false;
}

// ---- The update pass ----

namespace {

// One item's pass: its window, record and the state it restores.
struct item_pass {
  uint32_t number;
  menu_item* item;
  item3d_fields fields;
  ident_info* window;
};

}  // namespace

static char message_buffer[200];

static uint32_t reports_made;  // refusals reported so far

static void report(const item_pass& p, const char* message) {
  if (message == nullptr) return;
  ++reports_made;
  error(message, 0, p.window);
}

static bool finite_slots(const value* slots, int count) {
  for (int i = 0; i < count; ++i)
    if (!std::isfinite(slots[i].r)) return false;
  return true;
}

// Values the manipulators cannot take are refused here, as run-time errors.
static const char* refused_value(const item_pass& p, const element_values& v, int slot) {
  uint32_t flags = p.item->flags;
  switch (slot) {
    case S_CS_TYPE: {
      int32_t type = v.slots[S_CS_TYPE].i;
      if (type < 0 || type > 4) {
        snprintf(message_buffer, sizeof message_buffer,
                 "COORDINATE_SYSTEM item attribute: type %ld out of range 0 - 4", long(type));
        return message_buffer;
      }
      if (type == 2 && !finite_slots(v.slots + S_CS_AXES, 9))
        return "COORDINATE_SYSTEM item attribute: axis is not a finite vector";
      return nullptr;
    }
    case S_INC_ANGULAR:
      return (flags & ITEM3D_INCREMENT_ANGULAR) && v.slots[S_INC_ANGULAR].i < 0
                 ? "3D GUI object item attribute INCREMENT_ANGULAR is negative"
                 : nullptr;
    case S_INC_LINEAR:
      return (flags & ITEM3D_INCREMENT_LINEAR) && !finite_slots(v.slots + S_INC_LINEAR, 1)
                 ? "3D GUI object item attribute INCREMENT_LINEAR is not a finite number"
                 : nullptr;
    case S_MOTION_SCALE:
      return (flags & ITEM3D_MOTION_SCALE) && !finite_slots(v.slots + S_MOTION_SCALE, 1)
                 ? "3D GUI object item attribute MOTION_SCALE is not a finite number"
                 : nullptr;
    case S_ROTATION:
      return (flags & ITEM3D_ROTATION) && !finite_slots(v.slots + S_ROTATION, 3)
                 ? "3D GUI object item attribute ROTATION is not a finite vector"
                 : nullptr;
    default:
      return nullptr;
  }
}

// Runs the setters on one manipulator in their fixed order.
static void apply_setters(const item_pass& p, GUI3D* g, const value* edit, const element_values& v) {
  uint32_t flags = p.item->flags;
  const char* m = nullptr;
  if (g->set_edit_vars(edit, &m)) set_repaint(true);
  report(p, m);
  if ((flags & ITEM3D_COLOR) && g->set_color(v.slots[S_COLOR].u)) set_repaint(false);
  if (g->set_configuration(v.slots[S_CONFIGURATION].u)) set_repaint(true);
  if (const char* r = refused_value(p, v, S_CS_TYPE)) {
    report(p, r);
  } else {
    float axes[9];
    for (int i = 0; i < 9; ++i) axes[i] = v.slots[S_CS_AXES + i].r;
    m = nullptr;
    if (g->set_coordinate_system(v.slots[S_CS_TYPE].u, axes, v.slots[S_CS_MASK].u, &m)) set_repaint(false);
    report(p, m);
  }
  if (g->set_highlight_border(v.slots[S_HIGHLIGHT].i != 0)) set_repaint(true);
  if (v.disabled_given) {
    m = nullptr;
    if (v.disabled_count > MAX_DISABLED) {
      snprintf(message_buffer, sizeof message_buffer, "3D GUI: Too many DISABLE_ACCESS_POINTS arguments (%lu)",
               (unsigned long)v.disabled_count);
      m = message_buffer;
    } else if (g->set_disabled_access_points(v.disabled_count, v.disabled, &m)) {
      set_repaint(false);
    }
    report(p, m);
  }
  for (int slot : {S_INC_ANGULAR, S_INC_LINEAR, S_MOTION_SCALE})
    if (const char* r = refused_value(p, v, slot)) report(p, r);
  if ((flags & ITEM3D_INCREMENT_ANGULAR) && v.slots[S_INC_ANGULAR].i >= 0 &&
      g->set_increment_angular(v.slots[S_INC_ANGULAR].u))
    set_repaint(false);
  if ((flags & ITEM3D_INCREMENT_LINEAR) && std::isfinite(v.slots[S_INC_LINEAR].r) &&
      g->set_increment_linear(v.slots[S_INC_LINEAR].r))
    set_repaint(false);
  if ((flags & ITEM3D_MOTION_SCALE) && std::isfinite(v.slots[S_MOTION_SCALE].r) &&
      g->set_motion_scale(v.slots[S_MOTION_SCALE].r))
    set_repaint(false);
  if (flags & ITEM3D_ROTATION) {
    if (const char* r = refused_value(p, v, S_ROTATION)) {
      report(p, r);
    } else {
      m = nullptr;
      const value* r3 = v.slots + S_ROTATION;
      if (g->set_rotation(r3[0].r, r3[1].r, r3[2].r, v.slots[S_ROTATION_KIND].u, &m)) set_repaint(false);
      report(p, m);
    }
  }
  if (flags & ITEM3D_TEXTURE) {
    const value* t = v.slots + S_TEXTURE_VALUES;
    float angle = float(t[4].i) * ARC_SECONDS_TO_RADIANS;
    m = nullptr;
    if (g->set_texture(v.slots[S_TEXTURE_ON].i != 0, v.slots[S_TEXTURE_NAME].s, t[0].r, t[1].r, t[2].r, t[3].r,
                       angle, t[5].r, t[6].r, &m))
      set_repaint(false);
    report(p, m);
  }
}

// Takes the attribute groups of a plain item off the stack, top first.
static void take_groups(const item_pass& p, stack_reader& r, element_values& v) {
  uint32_t flags = p.item->flags;
  for (int k = int(sizeof GROUPS / sizeof GROUPS[0]); k-- > 0;) {
    if (k == GROUPS_BEFORE_DISABLE - 1 && (flags & ITEM3D_DISABLE_ACCESS_POINTS)) {
      v.disabled_given = true;
      if (!get_disabled_access_points(r, v.disabled_count, v.disabled, MAX_DISABLED)) v.disabled_count = MAX_DISABLED + 1;
    }
    const attribute_group& g = GROUPS[k];
    if (!(flags & g.flag)) continue;
    for (int s = g.first + g.count; s-- > g.first;) v.slots[s] = r.pop();
  }
}

static void free_edit_values(const item_pass& p, value* edit, uint32_t count);

static Image* new_image(const item_pass& p, value v, Image* current) {
  static widget_element picture_colours;  // 3D images are shown in the picture's own colours
  picture_colours.colours[0] = picture_colours.colours[1] = 0;
  return update_image(v, image_kind(*p.item), p.fields.image_width, p.fields.image_precision, p.fields.image_font,
                      false, 0, 0, current, &picture_colours);
}

static void free_image_value(const item_pass& p, value* v) {
  if (is_owned_kind(image_kind(*p.item))) free_owned(image_kind(*p.item), v);
}

// Makes the manipulator of an element when missing, then its image and setters.
static void update_manipulator(const item_pass& p, GUI3D*& g, uint32_t element, const value* edit,
                               const element_values& v) {
  if (g == nullptr) {
    g = create_gui3d_object(p.item->kind, p.number, element);
    set_repaint(true);
  }
  if (p.item->flags & ITEM3D_IMAGE) {
    if (Image* image = new_image(p, v.slots[S_IMAGE], g->image)) {
      g->set_image(image);
      set_repaint(false);
    }
  }
  apply_setters(p, g, edit, v);
}

static void update_plain_item(item_pass& p) {
  menu_item& item = *p.item;
  // The stack may move while the code grows it: its floor is kept as a count.
  uint32_t base = used_slots();
  interpret_code(p.window, statement_code(item.code_offset), false);
  value* floor = sb + base;
  if (rterror) {
    sp = floor - 1;
    return;
  }
  stack_reader r{floor};
  element_values v;
  default_values(v);
  take_groups(p, r, v);
  value edit[MAX_EDIT_VARS];
  for (uint32_t j = p.fields.edit_var_count; j-- > 0;) edit[j] = r.pop();
  if (sp != floor - 1) internal_error(8205, MODULE);
  GUI3D* g = static_cast<GUI3D*>(item.widget);
  if ((item.flags & ITEM3D_DELETE) && v.slots[S_DELETE].i != 0) {
    if (g != nullptr) {
      destroy(g);
      item.widget = nullptr;
      set_repaint(true);
    }
    if (item.flags & ITEM3D_IMAGE) free_image_value(p, &v.slots[S_IMAGE]);
    if (item.flags & ITEM3D_TEXTURE) free_owned(K_STRING, &v.slots[S_TEXTURE_NAME]);
    free_edit_values(p, edit, p.fields.edit_var_count);
    return;
  }
  update_manipulator(p, g, 0, edit, v);
  item.widget = g;
  if (item.flags & ITEM3D_TEXTURE) free_owned(K_STRING, &v.slots[S_TEXTURE_NAME]);
  free_edit_values(p, edit, p.fields.edit_var_count);
}

// The identifier an edit variable names in the owning window, or null.
static ident_info* edit_var_ident(const item_pass& p, uint32_t j) {
  const edit_var& e = edit_var_at(p.fields.first_edit_var + j);
  uint32_t selector = e.reference >> 14, index = e.reference & 0x1FFF;
  if (selector == 0) return &globals()[index];
  window_record* w = record_of(p.window);
  if (w == nullptr || w->locals == nullptr) return nullptr;
  return &w->locals[index];
}

static void free_edit_values(const item_pass& p, value* edit, uint32_t count) {
  for (uint32_t j = 0; j < count; ++j) {
    const ident_info* id = edit_var_ident(p, j);
    int kind = id == nullptr ? K_REAL : id->kind & 7;
    if (is_owned_kind(kind)) free_owned(kind, &edit[j]);
  }
}

static void* resized(void* block, size_t size) {
  return block == nullptr ? CheckedMalloc(size) : CheckedRealloc(block, size);
}

// Follows a changed element count: new places hold none, lost ones are destroyed.
static gui3d_array* resize_array(menu_item& item, uint32_t count, uint32_t stride) {
  gui3d_array* a = array_of(item);
  uint32_t stored = a != nullptr ? a->count : 0;
  if (count == stored) return a;
  if (stored == 0) {
    if (a != nullptr) internal_error(205, MODULE);
    a = static_cast<gui3d_array*>(CheckedMalloc(sizeof(gui3d_array)));
    *a = {nullptr, 0, nullptr, nullptr, stride};
    item.widget = a;
  }
  for (uint32_t i = count; i < stored; ++i) {
    if (a->elements[i] != nullptr) set_repaint(true);
    destroy(a->elements[i]);
  }
  if (count == 0) {
    free_array(a);
    item.widget = nullptr;
    return nullptr;
  }
  a->elements = static_cast<GUI3D**>(resized(a->elements, count * sizeof(GUI3D*)));
  a->applied_ok = static_cast<uint8_t*>(resized(a->applied_ok, count));
  a->applied = static_cast<uint32_t*>(resized(a->applied, size_t(count) * a->stride * sizeof(uint32_t)));
  for (uint32_t i = stored; i < count; ++i) a->elements[i] = nullptr, a->applied_ok[i] = 0;
  a->count = count;
  return a;
}

// The slots of the attribute groups an item gives, in slot order.
static uint32_t given_slots(uint32_t flags, uint8_t* slots) {
  uint32_t n = 0;
  for (const attribute_group& g : GROUPS)
    if (flags & g.flag)
      for (int s = g.first; s < g.first + g.count; ++s) slots[n++] = uint8_t(s);
  return n;
}

// Whether an element's setters can be left out: its edit values and given
// attributes are those its setters last took without a refusal, and its
// manipulator has not reported values of its own since (`forget_applied`).
// Attributes whose effect may follow the view or a drag are always applied.
constexpr uint32_t ALWAYS_APPLIED = ITEM3D_IMAGE | ITEM3D_TEXTURE | ITEM3D_ROTATION | ITEM3D_DISABLE_ACCESS_POINTS;

static inline bool unchanged(const gui3d_array& a, uint32_t i, const slot_array* edits, uint32_t n_edit,
                             const element_values& v, const uint8_t* slots) {
  if (!a.applied_ok[i]) return false;  // also while the element has no manipulator
  const uint32_t* applied = a.applied + size_t(i) * a.stride;
  for (uint32_t j = 0; j < n_edit; ++j)
    if (applied[j] != edits[j].elements[i].u) return false;
  for (uint32_t k = n_edit; k < a.stride; ++k)
    if (applied[k] != v.slots[slots[k - n_edit]].u) return false;
  uint32_t type = v.slots[S_CS_TYPE].u;
  return type != CoordinateSystem::OWN && type != CoordinateSystem::VIEW;
}

static void remember_applied(gui3d_array& a, uint32_t i, const value* edit, uint32_t n_edit, const element_values& v,
                             const uint8_t* slots) {
  uint32_t* applied = a.applied + size_t(i) * a.stride;
  for (uint32_t j = 0; j < n_edit; ++j) applied[j] = edit[j].u;
  for (uint32_t k = n_edit; k < a.stride; ++k) applied[k] = v.slots[slots[k - n_edit]].u;
}

// A manipulator that reports values has left what its setters took.
static void forget_applied(const menu_item& item, uint32_t element) {
  if (!is_array_item(item) || item.widget == nullptr || element == 0) return;
  gui3d_array* a = array_of(item);
  if (element <= a->count) a->applied_ok[element - 1] = 0;
}

static void update_array_item(item_pass& p) {
  menu_item& item = *p.item;
  uint32_t n_edit = p.fields.edit_var_count;
  ident_info* first = edit_var_ident(p, 0);
  if (first == nullptr) return;
  uint32_t count = first->word6;
  uint32_t base = used_slots();
  if (count != 0) interpret_code(p.window, statement_code(item.code_offset), false);
  value* floor = sb + base;
  if (rterror) {
    sp = floor - 1;
    return;
  }
  uint8_t slots[N_SLOTS];
  uint32_t n_given = given_slots(item.flags, slots);
  gui3d_array* a = resize_array(item, count, n_edit + n_given);
  if (count == 0) {
    if (sp != floor - 1) internal_error(8205, MODULE);
    return;
  }
  stack_reader r{floor};
  slot_array arrays[N_SLOTS] = {};
  element_values v;
  default_values(v);
  for (int k = int(sizeof GROUPS / sizeof GROUPS[0]); k-- > 0;) {
    if (k == GROUPS_BEFORE_DISABLE - 1 && (item.flags & ITEM3D_DISABLE_ACCESS_POINTS)) {
      v.disabled_given = true;
      if (!get_disabled_access_points(r, v.disabled_count, v.disabled, MAX_DISABLED)) v.disabled_count = MAX_DISABLED + 1;
    }
    const attribute_group& g = GROUPS[k];
    if (!(item.flags & g.flag)) continue;
    for (int s = g.first + g.count; s-- > g.first;) arrays[s] = r.pop_array();
  }
  slot_array edits[MAX_EDIT_VARS];
  for (uint32_t j = n_edit; j-- > 0;) edits[j] = r.pop_array();
  if (sp != floor - 1) internal_error(8205, MODULE);
  const char* refusal = nullptr;
  for (uint32_t j = 1; j < n_edit; ++j)
    if (edits[j].n != count) refusal = "3D GUI object item array edit variables must all have the same length";
  if (edits[0].n != count) internal_error(8206, MODULE);
  if (refusal == nullptr && (item.flags & ITEM3D_IMAGE) && arrays[S_IMAGE].n != count)
    refusal = "3D GUI image array length must be equal to edit variable array length";
  bool may_skip = !(item.flags & ALWAYS_APPLIED);
  for (uint32_t j = 0; j < n_edit; ++j) {
    const ident_info* id = edit_var_ident(p, j);
    if (id == nullptr || is_owned_kind(id->kind & 7)) may_skip = false;
  }
  for (uint32_t i = 0; i < count && refusal == nullptr; ++i) {
    for (uint32_t k = 0; k < n_given; ++k)
      if (arrays[slots[k]].n > i) v.slots[slots[k]] = arrays[slots[k]].elements[i];
    if (item.flags & ITEM3D_IMAGE) arrays[S_IMAGE].elements[i] = value{};  // consumed by this element
    float scale = v.slots[S_MOTION_SCALE].r;
    if ((item.flags & ITEM3D_MOTION_SCALE) && !(scale >= 0.01f && scale <= 100)) {
      refusal = "3D GUI object item attribute MOTION_SCALE is out of range";
      free_image_value(p, &v.slots[S_IMAGE]);
      break;
    }
    GUI3D*& g = a->elements[i];
    if ((item.flags & ITEM3D_DELETE) && v.slots[S_DELETE].i != 0) {
      if (g != nullptr) set_repaint(true);
      destroy(g);
      a->applied_ok[i] = 0;
      free_image_value(p, &v.slots[S_IMAGE]);
      continue;
    }
    if (may_skip && unchanged(*a, i, edits, n_edit, v, slots)) continue;
    value edit[MAX_EDIT_VARS];
    for (uint32_t j = 0; j < n_edit; ++j) edit[j] = edits[j].elements[i];
    uint32_t reported = reports_made;
    update_manipulator(p, g, i + 1, edit, v);
    a->applied_ok[i] = may_skip && g != nullptr && reports_made == reported;
    remember_applied(*a, i, edit, n_edit, v, slots);
  }
  // What the elements did not consume.
  if (item.flags & ITEM3D_IMAGE)
    for (uint32_t i = 0; i < arrays[S_IMAGE].n; ++i) free_image_value(p, &arrays[S_IMAGE].elements[i]);
  for (uint32_t i = 0; i < arrays[S_TEXTURE_NAME].n; ++i) free_owned(K_STRING, &arrays[S_TEXTURE_NAME].elements[i]);
  for (uint32_t j = 0; j < n_edit; ++j) {
    const ident_info* id = edit_var_ident(p, j);
    int kind = id == nullptr ? K_REAL : id->kind & 7;
    for (uint32_t i = 0; is_owned_kind(kind) && i < edits[j].n; ++i) free_owned(kind, &edits[j].elements[i]);
  }
  report(p, refusal);
}

void update_gui3d_objects() {
  if (gui3d_item_count() == 0) return;
  GUI3D::set_view();
  for (uint32_t n = 0; n < gui3d_item_count(); ++n) {
    item_pass p{n, &gui3d_item(n), {}, nullptr};
    p.fields = gui3d_fields_of(*p.item);
    p.window = &globals()[p.fields.window];
    window_record* w = record_of(p.window);
    if (w == nullptr || w->frames == nullptr) continue;
    call_frame* context = w->top;
    w->top = w->frames;
    bool when_changed = wc_ok;
    wc_ok = false;
    if (is_array_item(*p.item)) update_array_item(p);
    else update_plain_item(p);
    wc_ok = when_changed;
    w->top = context;
  }
}

// ---- Callbacks of the manipulators ----

static bool assign_values(const menu_item& item, ident_info* window, uint32_t element, const value* values) {
  item3d_fields f = gui3d_fields_of(item);
  bool changed = false;
  for (uint32_t j = 0; j < f.edit_var_count; ++j) {
    const edit_var& e = edit_var_at(f.first_edit_var + j);
    changed |= assign_edit_var(window, e.index_code_offset, e.code_length, int32_t(element), values[j], e.reference);
  }
  return changed;
}

static void start(const menu_item& item, ident_info* window, uint32_t element, bool change) {
  start_action(window, uint16_t(item.source_file + 1), item.line, item.action_offset, 0, uint16_t(element), change,
               true);
}

void change_gui3d(uint32_t n, uint32_t element, const value* values) {
  const menu_item& item = gui3d_item(n);
  forget_applied(item, element);
  ident_info* window = &globals()[gui3d_fields_of(item).window];
  if (record_of(window) == nullptr || !assign_values(item, window, element, values)) return;
  set_repaint(true);
  if ((item.flags & ITEM3D_ACTION) && (item.flags & ITEM3D_ACTION_ON_CHANGE)) start(item, window, element, true);
}

void activate_gui3d(uint32_t n, uint32_t element, const value* values) {
  const menu_item& item = gui3d_item(n);
  forget_applied(item, element);
  ident_info* window = &globals()[gui3d_fields_of(item).window];
  if (record_of(window) == nullptr) return;
  if (values != nullptr && assign_values(item, window, element, values)) set_repaint(true);
  if (item.flags & ITEM3D_ACTION) start(item, window, element, false);
}

// ---- Walking the manipulators ----

bool GUI3DTableIterator::next_menu_item() {
  for (++item_; item_ < int64_t(gui3d_item_count()); ++item_) {
    const menu_item& item = gui3d_item(uint32_t(item_));
    if (item.widget == nullptr) continue;
    element_ = -1;
    single_ = is_array_item(item) && array_of(item)->count == 1;
    given_ = false;
    return true;
  }
  return false;
}

GUI3D* GUI3DTableIterator::next() {
  while (item_ < int64_t(gui3d_item_count())) {
    if (item_ >= 0) {
      const menu_item& item = gui3d_item(uint32_t(item_));
      if (item.widget != nullptr && is_array_item(item)) {
        const gui3d_array* a = array_of(item);
        while (++element_ < int32_t(a->count))
          if (a->elements[element_] != nullptr) return a->elements[element_];
      } else if (item.widget != nullptr && !given_) {
        given_ = true;
        return static_cast<GUI3D*>(item.widget);
      }
    }
    if (!next_menu_item()) break;
  }
  return nullptr;
}
