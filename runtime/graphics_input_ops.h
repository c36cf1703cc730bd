// The YARL graphics-input operations: the queue of windows waiting for a
// pick, rubber box, rubber line or polyline in the graphics window, the
// report of a finished input, the drag box's wait, the selection of geometry
// and the button box's text display.
#pragma once

#include <cstdint>

#include "runtime/encode_value.h"
#include "runtime/tables.h"

constexpr int N_PICK_QUEUES = 132;

// The event dispatch's report of the finished active input: assigns the
// points delivered and the ending code to the request's variables and
// resumes its window. xs, ys null: the input ended before it began.
void process_graphics_pick(uint8_t mode, uint8_t code, uint16_t count, const uint16_t* xs, const uint16_t* ys,
                           bool keep_cursor);
// At the release of the dragging button: hides the drag box and re-enters
// the window that waits for it.
void drop_drag_box();

// Frees the drag box and empties the queue (with the user interface).
void cleanup_graphics_input_ops();

// The pick part of a window's queue clearing: its requests are dropped; when
// the active one was its, the input ends and the first one left is armed. A
// drag the window waits for is forgotten.
void drop_pick_requests(uint16_t window);

// The active request's index, -1 none; the waiting window of an entry (0 free).
int get_active_pick_queue();
uint16_t pick_queue_window(int entry);

// The text the button box shows for a value of the kind (at most 8
// characters). False for a STRING longer than 8 characters.
bool format_button_box_value(int kind, value v, char out[ENCODE_BUFFER_SIZE]);

// Test hook for the event collection's own tests, which arm inputs without a
// waiting window: when set, a finished input is handed to it and ended, and
// no request is looked up.
using pick_observer = void (*)(uint8_t mode, uint8_t code, uint16_t count, const uint16_t* xs, const uint16_t* ys,
                               bool keep_cursor);
void set_pick_observer(pick_observer observer);
