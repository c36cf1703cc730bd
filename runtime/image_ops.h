// The YARL operation that exports the graphics window as image files.
#pragma once

#include "runtime/interpreter.h"

// Opcode 116: the file-name array (STRING elements, count) and twelve values
// below the top; pushes the result of the export.
const uint8_t* save_image_op(ident_info* context, const uint8_t* pc);
