// Access to the predefined variables, global identifiers 0 to 528.
#pragma once

#include <cstdint>

int32_t get_predef(uint32_t number);
void put_predef(uint32_t number, int32_t v);
// The variable takes ownership of the heap string.
void put_predef_string(uint32_t number, char* text);
