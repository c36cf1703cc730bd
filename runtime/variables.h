// YARL variables: assignment, arrays and their elements, lookup by name.
// Every change ends in process_variable_change.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

// Flags of procedure locals (flag byte 1).
constexpr uint8_t IDENT_PARAMETER = 1 << 7;  // received an argument

// Stores `v` into a scalar and reports whether it differed; the variable
// takes ownership of a STRING or PICTURE value, and an equal value changes
// nothing. move_pointer: predefined 511 and 512 move the pointer.
bool change_variable(ident_info* context, ident_info* variable, value v, bool move_pointer);

// Stores one element (0-based); an index equal to the size appends. The
// array takes ownership of a STRING or PICTURE value.
bool assign_array_element(ident_info* context, ident_info* variable, uint32_t index, value v);

// Frees the elements of a STRING or PICTURE array and resizes the array to
// n zeroed elements, without propagation. Beyond the maximum length it
// raises a run-time error, leaves the array as it was and returns false.
bool reset_array_size(ident_info* context, ident_info* variable, uint32_t n);

// Grows a REAL to CHARACTER array to n elements, the new ones 0.
void extend_array(ident_info* context, ident_info* variable, uint32_t n);

// The assignment that a widget or 3D item makes to the variable it edits.
bool assign_edit_var(ident_info* context, uint32_t code_offset, uint8_t code_length, int32_t index,
                     value v, uint16_t reference);

// The 32-bit reference (table << 30 | index) of a variable found by name, or 0.
uint32_t find_var(const char* name, int table_number, uint32_t first, uint32_t count);

// Pushes a new STRING: a copy of a STRING, else the text form of the value.
void push_conversion(int kind, value v);

// Frees the heap values held by every identifier of one identifier table.
void destroy_variables(int table_number);
