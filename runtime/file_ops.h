// YARL operations that move the 3D scene between the server and files: the
// display file (also into an application's input) and PostScript export.
// Handlers of the opcode table.
#pragma once

#include "runtime/interpreter.h"

// Opcode 81: inline target kind (INTEGER process number or STRING file
// name); the stamp on top; the target is replaced by the result.
const uint8_t* save_df_op(ident_info* context, const uint8_t* pc);
// Opcode 78: two inline INTEGER variables for the stamp and the option
// bits; the file name on top (empty: standard input), replaced by the result.
const uint8_t* read_df_op(ident_info* context, const uint8_t* pc);
