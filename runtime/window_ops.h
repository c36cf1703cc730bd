// YARL operations on windows: their attributes, SUB_WINDOW calls and
// cancels, restarts, MENU titles, the current item and tab, and RESUME.
// Handlers of the opcode table.
#pragma once

#include "runtime/interpreter.h"

const uint8_t* background_color_op(ident_info* context, const uint8_t* pc);
const uint8_t* border_width_op(ident_info* context, const uint8_t* pc);
const uint8_t* main_initial_op(ident_info* context, const uint8_t* pc);
const uint8_t* origin_x_op(ident_info* context, const uint8_t* pc);
const uint8_t* origin_y_op(ident_info* context, const uint8_t* pc);
const uint8_t* overlay_op(ident_info* context, const uint8_t* pc);
const uint8_t* pop_up_op(ident_info* context, const uint8_t* pc);
const uint8_t* size_x_op(ident_info* context, const uint8_t* pc);
const uint8_t* size_y_op(ident_info* context, const uint8_t* pc);
const uint8_t* visible_op(ident_info* context, const uint8_t* pc);
const uint8_t* current_tab_op(ident_info* context, const uint8_t* pc);
const uint8_t* item_index_op(ident_info* context, const uint8_t* pc);
const uint8_t* selected_op(ident_info* context, const uint8_t* pc);
const uint8_t* item_geometry_op(ident_info* context, const uint8_t* pc);
const uint8_t* size_op(ident_info* context, const uint8_t* pc);
const uint8_t* x_window_id_op(ident_info* context, const uint8_t* pc);
const uint8_t* set_win_attr_op(ident_info* context, const uint8_t* pc);
const uint8_t* menu_op(ident_info* context, const uint8_t* pc);
const uint8_t* main_op(ident_info* context, const uint8_t* pc);
const uint8_t* sub_window_op(ident_info* context, const uint8_t* pc);
const uint8_t* cancel_sub_window_op(ident_info* context, const uint8_t* pc);
const uint8_t* resume_op(ident_info* context, const uint8_t* pc);

// Leaves the Interface Builder: every window gets its remembered visibility
// back and the normal callbacks return.
void quit_interface_builder();
