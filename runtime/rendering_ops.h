// YARL operations on the rendering state of the graphics window: lights,
// clip planes, display options and modes, the environment box, lens flares,
// fog, highlighting, GL queries and the drawing benchmark.
// Handlers of the opcode table.
#pragma once

#include "runtime/interpreter.h"

const uint8_t* get_light_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_light_op(ident_info* context, const uint8_t* pc);
const uint8_t* gl_set_clipplane_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_display_option_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_display_mode_op(ident_info* context, const uint8_t* pc);
const uint8_t* test_performance_op(ident_info* context, const uint8_t* pc);
const uint8_t* get_environment_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_environment_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_lens_flares_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_fog_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_highlight_attributes_op(ident_info* context, const uint8_t* pc);
const uint8_t* gl_get_op(ident_info* context, const uint8_t* pc);
const uint8_t* available_display_mode_op(ident_info* context, const uint8_t* pc);
