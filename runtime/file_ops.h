// The YARL operations that move the 3D scene and its setup between the
// server and files: the render-setup files, the display file (also into an
// application's input) and PostScript export. Handlers of the opcode table.
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
// Opcode 81: inline target kind (INTEGER process number or STRING file
// name); the stamp on top; the target is replaced by the result.
const uint8_t* save_df_op(ident_info* context, const uint8_t* pc);
// Opcode 78: two inline INTEGER variables for the stamp and the option
// bits; the file name on top (empty: standard input), replaced by the result.
const uint8_t* read_df_op(ident_info* context, const uint8_t* pc);
