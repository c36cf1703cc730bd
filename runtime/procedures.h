// Procedures, window call stacks, actions and the propagation of variable
// changes to when-changed lists and displaying windows.
#pragma once

#include <cstdint>

#include "runtime/tables.h"
#include "runtime/window_record.h"

extern uint16_t active_calling_window;

// The call stack of a new window record: one bottom frame of the window.
void create_call_stack(ident_info* window);
void destroy_call_stack(ident_info* window);

void pop_stack(ident_info* window);
void release_locals(ident_info* context, ident_info* block, uint16_t count);
void return_to_menu(ident_info* window);

// Runs an item's action as window code from its bottom frame. busy_main
// marks the window for the run (a 3D manipulator's action): its value
// requests make window 1 busy too, and the graphics window is not repainted.
void start_action(ident_info* window, uint16_t source_index, uint16_t line, uint32_t code_offset,
                  uint16_t item, uint16_t element, bool action_flag, bool busy_main = false);
// Runs the action when the condition code (length bytes, 0: none) yields true.
bool start_if_active(ident_info* window, uint32_t length, uint32_t condition_offset,
                     uint32_t action_offset);

// Runs the cancel action of a SUB_WINDOW on behalf of `caller`, after queueing
// the caller's re-entry at `resume_offset` (0: none). False when it has none.
bool start_cancel_action(ident_info* sub_window, ident_info* caller, uint32_t resume_offset);

void queue_re_entry(ident_info* window, uint32_t position);
void re_enter(ident_info* window);
void clear_queues(ident_info* window);

// The module whose code a frame runs: its procedure, else the window's MENU.
ident_info* active_module(ident_info* window);
ident_info* frame_module(ident_info* window, const call_frame* frame);
bool is_procedure_frame(const call_frame* frame);

void execute_when_changed_statement_list(uint16_t owner, uint32_t* offset_slot);
void process_variable_change(ident_info* context, ident_info* variable);
void process_window_change(ident_info* window);
// Whether a when-changed list watches identifier `number` (14 to 528 only).
bool when_changed(uint32_t number);
