// The run-time record of a YARL window as the interpreter sees it: the
// running mark, the call stack, the window's locals and its pending code.
// The window building extends the record with its widgets.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

// One entry of a window's call stack; the bottom frame belongs to the window.
struct call_frame {
  uint16_t source_position;  // source-file index + 1 of the running statement; 0 unknown
  uint16_t line;
  uint16_t procedure;        // in-code reference; 0xFFFF in the bottom frame
  uint16_t local_count;
  uint16_t window;           // global index of the window whose locals selector 2 names
  // The caller's result pairs; a position, since initial code lies outside table 3.
  const uint8_t* return_position;
  ident_info* locals;        // procedure locals, null when none
};

constexpr uint16_t NO_PROCEDURE = 0xFFFF;
constexpr uint16_t OTHER_WINDOW_PROCEDURE = 0x8000;  // or-ed with a window-local index

// State flags.
constexpr uint8_t WR_SUSPENDED_ITEM = 1 << 2;  // the current item's action waits
constexpr uint8_t WR_RUNNING = 1 << 3;         // the window's code is running
constexpr uint8_t WR_ACTION_FLAG = 1 << 4;     // the selected flag of the current action
// Call flags.
constexpr uint8_t WR_WAITS_FOR_SUB_WINDOW = 1 << 0;

// Window identifier flags in word2 (flag byte 2).
constexpr uint16_t WINDOW_HAS_CANCEL = 1 << 1;  // a SUB_WINDOW with a cancel action
constexpr uint16_t WINDOW_POP_UP = 1 << 2;
// The cancel MENU of a window with a cancel action: its local index, in the
// high half of word8 (the main MENU is the low half). The MENU's word4 holds
// the cancel item's number among its items.
inline uint16_t cancel_menu_index(const ident_info& window) { return uint16_t(window.word8 >> 16); }

struct window_record {
  uint8_t state;
  uint8_t call_flags;
  uint16_t called_window;   // SUB_WINDOW called last, 0 none
  uint16_t calling_window;  // window whose code called this one, 0 none
  uint16_t wc_owner;        // the window's own when-changed list
  uint32_t wc_offset;
  uint16_t current_item;
  uint16_t current_element;
  uint16_t frame_capacity;
  uint16_t current_tab_menu;  // index among the window's locals
  int32_t pending_request;  // -1 none
  uint8_t awaited_values;   // application values still awaited by the request
  uint32_t resume_offset;   // statement-code offset of suspended code, 0 none
  bool busy;
  ident_info* locals;       // the window's first local in table 2
  call_frame* frames;
  call_frame* top;
};

inline window_record* record_of(const ident_info* window) { return window->val.w; }

// Global indices of all windows in initialisation order.
extern uint16_t* windows;
extern uint32_t n_windows_listed;

// True while the Interface Builder is active: run-time errors do not stop the program.
extern bool in_interface_builder;

// Shows a notice in the information window. The information window is not
// built yet: the notice goes nowhere.
void display_internal_info(const char* message, bool force);
// Switches all windows busy or back. No toolkit window exists yet: records only.
void set_windows_busy(bool busy);
// Queues the windows that display `variable` for redisplay.
void update_displaying_windows(ident_info* variable);
// Queues one window for redisplay.
void queue_update(uint16_t window);
// Hides a window; without toolkit windows only the VISIBLE flag changes.
void make_window_invisible(ident_info* window);
