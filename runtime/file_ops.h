// The YARL operations that move the 3D scene and its setup between the
// server and files.
#pragma once

#include "runtime/interpreter.h"

// Render-setup files: the design, room and light files. Each switches the
// windows busy and pushes its result in place of the file name.
const uint8_t* read_tarq_scene_op(ident_info* context, const uint8_t* pc);   // 162
const uint8_t* save_tarq_scene_op(ident_info* context, const uint8_t* pc);   // 165
const uint8_t* read_tarq_room_op(ident_info* context, const uint8_t* pc);    // 155
const uint8_t* save_tarq_room_op(ident_info* context, const uint8_t* pc);    // 157
const uint8_t* read_tarq_light_op(ident_info* context, const uint8_t* pc);   // 161
const uint8_t* save_tarq_light_op(ident_info* context, const uint8_t* pc);   // 164
