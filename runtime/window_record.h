// The run-time record of a YARL window: its state, call stack, tab page,
// pending requests, toolkit window and the widgets built from its MENUs,
// sorted into 18 per-kind widget tables.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

class UIObject;
class UITabButton;
class UIWindow;

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
constexpr uint8_t WR_AUTO_WIDTH = 1 << 0;
constexpr uint8_t WR_AUTO_HEIGHT = 1 << 1;
constexpr uint8_t WR_SUSPENDED_ITEM = 1 << 2;  // the current item's action waits
constexpr uint8_t WR_RUNNING = 1 << 3;         // the window's code is running
constexpr uint8_t WR_ACTION_FLAG = 1 << 4;     // the selected flag of the current action
constexpr uint8_t WR_VISIBLE_WITH_PARENT = 1 << 5;
constexpr uint8_t WR_WITHDRAWN = 1 << 6;
constexpr uint8_t WR_SAVED_VISIBILITY = 1 << 7;
// Call flags.
constexpr uint8_t WR_WAITS_FOR_SUB_WINDOW = 1 << 0;
// Window 1 only: a value request of an action started with the busy-main flag made it busy.
constexpr uint8_t WR_BUSY_BY_REQUEST = 1 << 5;

// Window flags in word 2: byte 2 in bits 0-7, byte 3 in bits 8-10.
constexpr uint16_t WINDOW_HAS_SUB_WINDOWS = 1 << 0;
constexpr uint16_t WINDOW_HAS_CANCEL = 1 << 1;  // a SUB_WINDOW with a cancel action
constexpr uint16_t WINDOW_POP_UP = 1 << 2;
constexpr uint16_t WINDOW_RESET_LOCALS = 1 << 3;
constexpr uint16_t WINDOW_APP_MAIN = 1 << 4;
constexpr uint16_t WINDOW_MAPPED = 1 << 5;
// The running action was started with the busy-main flag (a 3D manipulator's):
// its value requests make window 1 busy too, and the wait loop holds its repaint.
constexpr uint16_t WINDOW_BUSY_MAIN = 1 << 6;

// The per-kind widget tables, in their fixed order.
enum widget_kind : uint8_t {
  WK_BOX, WK_BUTTON, WK_CHECK_BUTTON, WK_COLOR_BAR, WK_COLOR_EDITOR, WK_ENTER_BUTTON, WK_FRAME,
  WK_MATERIAL_LABEL, WK_MENU_BUTTON, WK_LABEL, WK_OPTION_POP_UP, WK_PICTURE_BUTTON,
  WK_RADIO_BOX, WK_SELECTION_LIST, WK_SEPARATOR, WK_SLIDER, WK_TEXT_FIELD, WK_THUMB_WHEEL,
  N_WIDGET_KINDS
};

class Image;

// One element of a per-kind widget table. The fields past `inactive` serve
// the kinds that need them (choices, lists, text fields).
struct widget_element {
  uint32_t item;         // index in table 8; 0xFFFF for the frame around an item
  char* help_text;       // owned, or null
  UIObject* widget;      // owned, or null
  uint16_t item_number;  // within the window's shown MENUs
  uint16_t element;      // 0 scalar, 1.. array elements
  bool inactive;
  uint8_t font;
  uint8_t value_kind;
  uint16_t text_reference;
  uint32_t text_count;   // change counter of the text variable at the last build
  uint32_t colours[2];
  Image** images;        // radio boxes, selection lists: owned list
  uint32_t image_count;
  uint16_t select_reference;
  uint32_t select_count;
  value lower, upper;    // text fields: range values (owned strings for STRING)
};
using text_field_info = widget_element;

// The cancel MENU of a window with a cancel action: its local index, in the
// high half of word8 (the main MENU is the low half). The MENU's word4 holds
// the cancel item's number among its items.
inline uint16_t cancel_menu_index(const ident_info& window) { return uint16_t(window.word8 >> 16); }

struct window_record {
  uint8_t state;
  uint8_t call_flags;
  uint8_t border_width;
  uint8_t current_tab;      // 0 before the first display of a window with tab pages
  uint16_t called_window;   // SUB_WINDOW called last, 0 none
  uint16_t calling_window;  // window whose code called this one, 0 none
  uint16_t wc_owner;        // the window's own when-changed list
  int16_t initial_x, initial_y;
  uint16_t initial_width, initial_height;
  uint8_t initial_auto;     // the automatic-size bits as they stood with the initial geometry
  uint16_t current_item;
  uint16_t current_element;
  int16_t auto_width, auto_height;  // last automatic size, -1 none
  uint16_t frame_capacity;
  uint16_t current_tab_menu;  // index among the window's locals
  uint32_t background;        // colour word 0xRRGGBB
  uint32_t wc_offset;
  int32_t pending_request;  // -1 none
  uint8_t awaited_values;   // application values still awaited by the request
  uint32_t resume_offset;   // statement-code offset of suspended code, 0 none
  table widgets[N_WIDGET_KINDS];
  UIWindow* ui_window;      // owned; null for the graphics window until it exists
  UITabButton* tab_buttons[15];  // owned; made at the first display with tab pages
  ident_info* locals;       // the window's first local in table 2
  call_frame* frames;
  call_frame* top;
};

inline window_record* record_of(const ident_info* window) { return window->val.w; }
inline bool window_flag(const ident_info& window, uint16_t flag) { return (window.word2 & flag) != 0; }
inline void set_window_flag(ident_info* window, uint16_t flag, bool on) {
  window->word2 = on ? uint16_t(window->word2 | flag) : uint16_t(window->word2 & ~flag);
}

// Global indices of all windows in initialisation order.
extern uint16_t* windows;
extern uint32_t n_windows_listed;

// True while the Interface Builder is active: run-time errors do not stop
// the program, empty MENUs are allowed, auto-size without content gives 1.
extern bool in_interface_builder;

// A notice in the information window; in quiet mode only with force.
void display_internal_info(const char* message, bool force);
// A notice to the user: predefined 91 gets it, and the bell rings.
void display_user_info(const char* message);
// Switches all windows busy or back; a pending request keeps a window busy.
void set_windows_busy(bool busy);
// The busy state of one window's toolkit window.
void set_window_busy(ident_info* window, bool busy);
// Queues the windows that display `variable` for redisplay.
void update_displaying_windows(ident_info* variable);
// Queues one window for redisplay.
void queue_update(uint16_t window);
// Redisplays the queued windows; false when none was queued.
bool update_menu_windows();
void display_menu(ident_info* window);
void destroy_objects(ident_info* window);
void make_window_visible(ident_info* window);
// Shows a window again: the graphics window at once, the others queued for display.
void show_window_again(uint16_t index);
void make_window_invisible(ident_info* window);
void set_current_menu(ident_info* window, uint16_t menu);
void make_transient_to_app_main_win(UIWindow* window);
// The global shortcut of a key code; false when it has none.
bool handle_global_shortcut(unsigned char code);
void clear_calling_window();
// The tab of a MENU shows the MENU's current title.
void retitle_tab_button(ident_info* window, uint16_t menu);
bool has_app_main_window();
// The background colour word of the application context (0xRRGGBB).
uint32_t application_background();
// The toolkit callbacks of normal operation (the Interface Builder has its own).
void restore_window_callbacks();
