// The YARL view and coordinate operations: camera and viewport attributes of
// the current view, conversions between pixels, tek units and the model, the
// screen size, the model's extent, view links, depth of field, stereo and
// the model transformation.
#include <cmath>
#include <initializer_list>

#include "base/internal_error.h"
#include "link/graphics_input.h"
#include "link/si.h"
#include "runtime/op_handlers.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "scene/environment.h"
#include "scene/transformation.h"
#include "view/graphics_display.h"
#include "view/model_extent.h"
#include "view/transforms.h"
#include "view/view_navigation.h"
#include "view/views.h"

#define QOB_OP(name) const uint8_t* name(ident_info* context, const uint8_t* pc)

namespace {

constexpr const char* MODULE = "ui";
constexpr uint8_t CURSOR_ATTRIBUTE = 50;
constexpr uint32_t LAST_MIRROR_MODE = 2;

value real_value(float r) {
  value v{};
  v.r = r;
  return v;
}

// A graphics attribute: its code (the opcode of its query), how many stack
// values it takes, and its query, setter and relative change over YARL values
// (x first). The setter and change report whether the view changed.
struct graph_attribute {
  uint8_t code;
  uint8_t values;
  void (*get)(value out[3]);
  bool (*set)(const value in[3]);
  bool (*change)(const value in[3]);
};

template <void (*getter)(float*, float*, float*)>
void get_real3(value out[3]) {
  float x, y, z;
  getter(&x, &y, &z);
  out[0] = real_value(x), out[1] = real_value(y), out[2] = real_value(z);
}
template <bool (*setter)(float, float, float)>
bool set_real3(const value in[3]) {
  return setter(in[0].r, in[1].r, in[2].r);
}
// current + amount, then set
template <void (*getter)(float*, float*, float*), bool (*setter)(float, float, float)>
bool add_real3(const value in[3]) {
  float x, y, z;
  getter(&x, &y, &z);
  return setter(x + in[0].r, y + in[1].r, z + in[2].r);
}
template <void (*getter)(int32_t*, int32_t*, int32_t*)>
void get_angle3(value out[3]) {
  int32_t x, y, z;
  getter(&x, &y, &z);
  out[0] = integer_value(x), out[1] = integer_value(y), out[2] = integer_value(z);
}
template <bool (*setter)(int32_t, int32_t, int32_t)>
bool set_angle3(const value in[3]) {
  return setter(in[0].i, in[1].i, in[2].i);
}
template <float (*getter)()>
void get_real(value out[3]) {
  out[0] = real_value(getter());
}
template <bool (*setter)(float)>
bool set_real(const value in[3]) {
  return setter(in[0].r);
}
template <int32_t (*getter)()>
void get_int(value out[3]) {
  out[0] = integer_value(getter());
}
template <bool (*setter)(int32_t)>
bool set_int(const value in[3]) {
  return setter(in[0].i);
}
// current + amount as a wrapping INTEGER sum, then set
template <int32_t (*getter)(), bool (*setter)(int32_t)>
bool add_int(const value in[3]) {
  return setter(int32_t(uint32_t(getter()) + in[0].u));
}

bool set_focus_sum(const value in[3]) { return set_focus(get_focus() + in[0].r); }
void get_projection_value(value out[3]) { out[0] = integer_value(get_projection()); }
bool set_projection_value(const value in[3]) { return set_projection(in[0].i != 0); }
bool toggle_projection(const value in[3]) { return in[0].i != 0 && set_projection(!get_projection()); }
int32_t mirror_display() { return int32_t(get_mirror_display()); }
bool mirror_display_set(int32_t m) { return set_mirror_display(uint32_t(m)); }
// Unused: the cursor attribute is handled apart (run-time errors, no repaint).
void get_cursor_value(value out[3]) { out[0] = integer_value(get_noinput_cursor()); }

const graph_attribute graph_attributes[] = {
    {16, 3, get_real3<get_vpn>, set_real3<set_vpn>, add_real3<get_vpn, set_vpn>},
    {17, 3, get_real3<get_vup>, set_real3<set_vup>, add_real3<get_vup, set_vup>},
    {33, 1, get_real<get_zoom>, set_real<set_zoom>, set_real<change_zoom>},
    {38, 1, get_real<get_focus>, set_real<set_focus>, set_focus_sum},
    {CURSOR_ATTRIBUTE, 1, get_cursor_value, nullptr, nullptr},
    {60, 3, get_angle3<get_rotate>, set_angle3<set_rotate>, set_angle3<change_rotate>},
    {66, 1, get_real<get_zoom_x>, set_real<set_zoom_x>, set_real<change_zoom_x>},
    {67, 1, get_real<get_zoom_y>, set_real<set_zoom_y>, set_real<change_zoom_y>},
    {106, 3, get_real3<get_translate>, set_real3<set_translate>, set_real3<change_translate>},
    {114, 1, get_projection_value, set_projection_value, toggle_projection},
    {135, 3, get_real3<get_eye_position>, set_real3<set_eye_position>,
     add_real3<get_eye_position, set_eye_position>},
    {153, 1, get_int<mirror_display>, set_int<mirror_display_set>, add_int<mirror_display, mirror_display_set>},
    {170, 1, get_int<get_viewport_size_x>, set_int<set_viewport_size_x>,
     add_int<get_viewport_size_x, set_viewport_size_x>},
    {171, 1, get_int<get_viewport_size_y>, set_int<set_viewport_size_y>,
     add_int<get_viewport_size_y, set_viewport_size_y>},
    {185, 3, get_angle3<get_rotate_reflection>, set_angle3<set_rotate_reflection>,
     set_angle3<change_rotate_reflection>},
    {186, 1, get_int<get_viewport_origin_x>, set_int<set_viewport_origin_x>,
     add_int<get_viewport_origin_x, set_viewport_origin_x>},
    {187, 1, get_int<get_viewport_origin_y>, set_int<set_viewport_origin_y>,
     add_int<get_viewport_origin_y, set_viewport_origin_y>},
};

const graph_attribute* find_attribute(uint8_t code) {
  for (const graph_attribute& a : graph_attributes)
    if (a.code == code) return &a;
  return nullptr;
}

// Pops n values into in[0..n-1], deepest first.
void pop_values(value in[3], int n, int error_number) {
  if (used_slots() < uint32_t(n)) internal_error(error_number, MODULE);
  for (int i = n - 1; i >= 0; --i) in[i] = *sp--;
}

value pop_value(int error_number) {
  if (used_slots() == 0) internal_error(error_number, MODULE);
  return *sp--;
}

// The query of the attribute whose code is the opcode just read.
const uint8_t* query(const uint8_t* pc) {
  const graph_attribute* a = find_attribute(pc[-1]);
  if (a == nullptr) internal_error(6131, MODULE);
  value out[3];
  a->get(out);
  for (int i = 0; i < a->values; ++i) push_value(out[i]);
  return pc;
}

// A mirror mode outside 0 to 2 would be a broken invariant of the views:
// from YARL it is the program's error.
bool refused_mirror(uint8_t code, int32_t mode, ident_info* context) {
  if (code != 153 || uint32_t(mode) <= LAST_MIRROR_MODE) return false;
  error("Mirror mode out of range", 0, context);
  return true;
}

void set_cursor_number(uint32_t n, ident_info* context) {
  if (n >= N_CURSORS) {
    error("Cursor number out of range", 0, context);
    return;
  }
  set_noinput_cursor(uint8_t(n));
}

// Stores a tek coordinate into an INTEGER variable with its change handling.
void assign_tek(ident_info* context, ident_info* variable, uint16_t t) {
  change_variable(context, variable, integer_value(t), false);
}

}  // namespace

// The queries: the attribute whose code is the opcode itself.
#define QUERY_OP(name) \
  const uint8_t* name(ident_info*, const uint8_t* pc) { return query(pc); }

QUERY_OP(vpn_op)
QUERY_OP(vup_op)
QUERY_OP(zoom_op)
QUERY_OP(focus_op)
QUERY_OP(cursor_op)
QUERY_OP(rotate_op)
QUERY_OP(zoom_x_op)
QUERY_OP(zoom_y_op)
QUERY_OP(translate_op)
QUERY_OP(projection_op)
QUERY_OP(eye_position_op)
QUERY_OP(mirror_display_op)
QUERY_OP(viewport_size_x_op)
QUERY_OP(viewport_size_y_op)
QUERY_OP(rotate_reflection_op)
QUERY_OP(viewport_origin_x_op)
QUERY_OP(viewport_origin_y_op)

QOB_OP(set_graph_attr_op) {
  uint8_t code = *pc++;
  const graph_attribute* a = find_attribute(code);
  if (a == nullptr) internal_error(6131, MODULE);
  value in[3];
  pop_values(in, a->values, 6132);
  if (code == CURSOR_ATTRIBUTE) {
    set_cursor_number(in[0].u & 0xFF, context);
    return pc;
  }
  if (refused_mirror(code, in[0].i, context)) return pc;
  if (a->set(in)) set_repaint(false);
  return pc;
}

QOB_OP(change_graph_attr_op) {
  uint8_t code = *pc++;
  const graph_attribute* a = find_attribute(code);
  if (a == nullptr) internal_error(2915, MODULE);
  value in[3];
  pop_values(in, a->values, 2916);
  if (code == CURSOR_ATTRIBUTE) {
    set_cursor_number(uint32_t(get_noinput_cursor()) + in[0].u, context);
    return pc;
  }
  if (refused_mirror(code, int32_t(get_mirror_display() + in[0].u), context)) return pc;
  if (a->change(in)) set_repaint(false);
  return pc;
}

const uint8_t* view_number_op(ident_info*, const uint8_t* pc) {
  int32_t y = pop_value(1301).i;
  int32_t x = pop_value(1301).i;
  push_int(get_view_number(float(x), float(y)));
  return pc;
}

const uint8_t* screen_size_op(ident_info*, const uint8_t* pc) {
  push_int(graphics_display_width_mm());
  push_int(graphics_display_height_mm());
  push_int(graphics_display_width());
  push_int(graphics_display_height());
  return pc;
}

const uint8_t* bounding_cuboid_op(ident_info*, const uint8_t* pc) {
  float box[6];
  get_bounding_cuboid(box);
  for (float f : box) push_real(f);
  return pc;
}

QOB_OP(model_to_tek_op) {
  ident_info* x_variable = decode_ref(context, pc, 1381);
  ident_info* y_variable = decode_ref(context, pc, 1382);
  float z = pop_value(1383).r;
  float y = pop_value(1383).r;
  float x = pop_value(1383).r;
  // The current view, whichever view was drawn or picked last.
  int drawn = get_view_number();
  set_view_being_drawn(get_current_view_number());
  TekPoint t{};
  bool inside = model_to_tek(Point(x, y, z), t);
  set_view_being_drawn(drawn);
  assign_tek(context, x_variable, t.x);
  assign_tek(context, y_variable, t.y);
  push_int(inside);
  return pc;
}

QOB_OP(screen_to_tek_op) {
  ident_info* x_variable = decode_ref(context, pc, 1391);
  ident_info* y_variable = decode_ref(context, pc, 1392);
  int32_t py = pop_value(1393).i;
  int32_t px = pop_value(1393).i;
  // Pixels beyond 16 bits are clamped first: -1 is left of the area, not 65535.
  auto narrow = [](int32_t p) { return uint16_t(p < 0 ? 0 : p > 65535 ? 65535 : p); };
  uint16_t tx = 0, ty = 0;
  bool inside = screen_input_to_tek(narrow(px), narrow(py), &tx, &ty) && narrow(px) == px && narrow(py) == py;
  x_variable->val = integer_value(tx);  // no change handling: nothing runs or redisplays
  y_variable->val = integer_value(ty);
  push_int(inside);
  return pc;
}

const uint8_t* tek_to_3d_op(ident_info*, const uint8_t* pc) {
  int16_t y = int16_t(pop_value(1051).i);
  int16_t x = int16_t(pop_value(1051).i);
  vector_type point{}, second{};
  get_3d_line_screen_pos(x, y, &point, &second);
  allocate_stack_space(6);
  for (float f : {point.x, point.y, point.z, second.x, second.y, second.z}) push_real(f);
  return pc;
}

const uint8_t* create_view_dependency_op(ident_info*, const uint8_t* pc) {
  create_view_dependency(pop_value(2011).u);
  return pc;
}

const uint8_t* delete_view_dependency_op(ident_info*, const uint8_t* pc) {
  delete_view_dependency(pop_value(2021).u);
  return pc;
}

const uint8_t* set_depth_of_field_op(ident_info*, const uint8_t* pc) {
  value in[3];
  pop_values(in, 3, 1911);
  set_depth_of_field(in[0].i != 0, in[1].r, in[2].r);  // reports no change: no repaint
  return pc;
}

const uint8_t* set_stereo_attributes_op(ident_info*, const uint8_t* pc) {
  value in[3];
  pop_values(in, 3, 1991);
  value enable = pop_value(1991);
  if (set_stereo_attributes(enable.i != 0, in[0].r, in[1].r, in[2].r)) set_repaint(false);
  return pc;
}

QOB_OP(set_transformation_op) {
  if (used_slots() != 16) {
    error("SET_TRANSFORMATION array must be 16 elements long", 0, context);
    sp = sb - 1;
    return pc;
  }
  double m[16];
  for (int i = 0; i < 16; ++i) m[i] = sb[i].r;
  sp = sb - 1;
  Transformation* t = new Transformation(m);
  if (!t->is_inverse_valid()) {
    delete t;
    error("SET_TRANSFORMATION matrix must be invertible", 0, context);
    return pc;
  }
  if (set_transformation(t)) set_repaint(true);
  else delete t;
  return pc;
}
