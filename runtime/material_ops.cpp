#include "runtime/material_ops.h"

#include <cstdio>

#include "base/checked_mm.h"
#include "runtime/procedures.h"
#include "runtime/run_time_errors.h"
#include "runtime/variables.h"
#include "scene/materials.h"

namespace {

constexpr int ATTRIBUTES = 24;

value real_value(float r) {
  value v{};
  v.r = r;
  return v;
}

value string_value(char* s) {
  value v{};
  v.s = s;
  return v;
}

void assign_colour(ident_info* context, ident_info* variable, const float rgba[4]) {
  if (!reset_array_size(context, variable, 4)) return;
  for (int k = 0; k < 4; ++k) variable->val.a[k] = real_value(rgba[k]);
  process_variable_change(context, variable);
}

// Frees the STRING values among the slots from `first` to the top and empties the stack there.
void drop_from(value* first, const bool* is_string, int n) {
  for (int k = 0; k < n; ++k)
    if (is_string[k] && first[k].s != nullptr) CheckedFree(first[k].s);
  sp = first - 1;
}

}  // namespace

// Operands: 24 ident references, attributes 1 to 24; the stack: the material index.
const uint8_t* get_material_op(ident_info* context, const uint8_t* pc) {
  ident_info* out[ATTRIBUTES];
  for (ident_info*& v : out) v = decode_ref(context, pc, 8620);
  int32_t index = (sp--)->i;
  if (index < 1 || index > get_material_count()) {
    error("GET_MATERIAL - material index out of range", 0, context);
    return nullptr;
  }
  material_attributes a;
  get_material_attributes(uint16_t(index), &a);
  auto scalar = [&](int n, value v) { change_variable(context, out[n - 1], v, false); };
  auto flag = [&](int n, bool b) { scalar(n, integer_value(b)); };
  scalar(1, string_value(a.name));
  scalar(2, integer_value(int32_t(a.integer_a)));
  assign_colour(context, out[2], a.ambient);
  assign_colour(context, out[3], a.diffuse);
  assign_colour(context, out[4], a.specular);
  assign_colour(context, out[5], a.emission);
  scalar(7, real_value(a.shininess));
  flag(8, a.flag_a);
  flag(9, a.texture_on);
  flag(10, a.flag_b);
  flag(11, a.flag_c);
  scalar(12, string_value(a.texture_file));
  scalar(13, string_value(a.second_file));
  scalar(14, string_value(a.third_file));
  scalar(15, integer_value(int32_t(a.texture_mode)));
  scalar(16, real_value(a.value_a));
  scalar(17, real_value(a.value_b));
  scalar(18, real_value(a.reflection));
  scalar(19, real_value(a.transparency));
  flag(20, a.flag_d);
  scalar(21, real_value(a.value_c));
  scalar(22, integer_value(int32_t(a.integer_b)));
  flag(23, a.casts_shadows);
  flag(24, a.flag_e);
  return pc;
}

// The stack from the bottom: index, attributes 1 and 2, four colour arrays
// (elements and count each), attributes 7 to 24.
const uint8_t* set_material_op(ident_info* context, const uint8_t* pc) {
  value* top = sp - (ATTRIBUTES - 7);  // attribute 7
  static const char* const colour_names[4] = {"emission", "specular", "diffuse", "ambient"};
  float colours[4][4];  // emission, specular, diffuse, ambient
  value* p = top - 1;   // the count of the emission array
  for (int c = 0; c < 4; ++c) {
    if (p->i != 4) {
      static char message[80];
      snprintf(message, sizeof message, "SET_MATERIAL %s color array must be 4 elements long", colour_names[c]);
      error(message, 0, context);
      return nullptr;
    }
    for (int k = 0; k < 4; ++k) colours[c][k] = p[k - 4].r;
    p -= 5;
  }
  value* first = p - 2;  // the index; p + 1 is the ambient's first element
  value* attribute_1 = p - 1;
  static const bool strings[] = {false, true, false};  // index, name, number
  static const bool tail_strings[ATTRIBUTES - 6] = {false, false, false, false, false, true, true, true};
  auto drop_all = [&] {
    drop_from(top, tail_strings, ATTRIBUTES - 6);
    drop_from(first, strings, 3);
  };
  for (auto& colour : colours)
    for (float v : colour)
      if (!(v >= 0.0f && v <= 1.0f)) {
        drop_all();
        error("SET_MATERIAL color value out of range [0.0, 1.0]", 0, context);
        return nullptr;
      }
  int32_t index = first->i;
  if (index < 1 || index > int32_t(get_material_count()) + 1) {
    drop_all();
    error("SET_MATERIAL - material index out of range", 0, context);
    return nullptr;
  }
  material_attributes a;
  a.name = attribute_1->s;
  a.integer_a = attribute_1[1].u;
  for (int k = 0; k < 4; ++k) {
    a.ambient[k] = colours[3][k];
    a.diffuse[k] = colours[2][k];
    a.specular[k] = colours[1][k];
    a.emission[k] = colours[0][k];
  }
  const value* t = top;  // attributes 7 to 24
  a.shininess = t[0].r;
  a.flag_a = t[1].i != 0;
  a.texture_on = t[2].i != 0;
  a.flag_b = t[3].i != 0;
  a.flag_c = t[4].i != 0;
  a.texture_file = t[5].s;
  a.second_file = t[6].s;
  a.third_file = t[7].s;
  a.texture_mode = t[8].u;
  a.value_a = t[9].r;
  a.value_b = t[10].r;
  a.reflection = t[11].r;
  a.transparency = t[12].r;
  a.flag_d = t[13].i != 0;
  a.value_c = t[14].r;
  a.integer_b = t[15].u;
  a.casts_shadows = t[16].i != 0;
  a.flag_e = t[17].i != 0;
  sp = first - 1;
  set_material(uint16_t(index), &a);
  return pc;
}
