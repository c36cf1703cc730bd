// The YARL operations GET_MATERIAL and SET_MATERIAL over the material list.
#pragma once

#include "runtime/interpreter.h"

const uint8_t* get_material_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_material_op(ident_info* context, const uint8_t* pc);
