// The defaults of resource variables and windows: saving them after the
// initial code, comparing and restoring them, writing the values that differ
// as a resource file, and the YARL operations SAVE_DEFAULTS and
// RESTORE_DEFAULTS.
#pragma once

#include <cstdio>

#include "runtime/tables.h"

// Keeps a copy of the value of every resource variable of table 0 or 2.
void save_initial_resource_variable_values(int table_number);
// Notes each window's geometry and automatic-size bits as its start state.
void save_initial_window_geometry();
void cleanup_save_resources();

// The identifiers [first, last) of one table: each resource variable's
// differs flag becomes whether its value differs from its saved default.
void compare_resource_variable_values(ident_info* first, ident_info* last);
// Gives every resource variable of [first, last) its saved default back.
void restore_resource_variable_values(ident_info* context, ident_info* first, ident_info* last);
// Flags as for read_resources: the window's resource locals, its geometry.
void restore_window_resource_values(ident_info* window, unsigned long flags);

// Writes the lines of every resource variable and window attribute whose
// differs flag is set.
void save_resources(FILE* file);

// The text of a scalar as a resource file holds it (ANGLE always in format 2
// with the degree mark "o"); kinds 0 to 4.
int encode_resource_value(char* buffer, int kind, value v);

const uint8_t* save_defaults_op(ident_info* context, const uint8_t* pc);
const uint8_t* restore_defaults_op(ident_info* context, const uint8_t* pc);
