// The text of the layer's default X error handler: the error's name by its
// code and the resource id of the failed request. Portable code.
#pragma once

#include <cstddef>

// "BadRequest" for 1 to "BadImplementation" for 17, else "unknown error type".
const char* Lx_ErrorName(int code);
// The message box text of the default handler, cut to `size`.
void Lx_FormatErrorText(int code, unsigned long resource_id, char* text, size_t size);
