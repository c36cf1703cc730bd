// The loaded YARL program: values, identifiers, menu items and the 14 global
// tables of the compiled YARL binary.
#pragma once

#include <cstdint>

#include "base/checked_mm.h"

struct neutral_picture;
struct window_record;
struct display_list;

// One YARL value, pointer-sized. INTEGER and ANGLE are int32_t, REAL a float;
// STRING, PICTURE, arrays and window records are pointers owned by the holder.
union value {
  float r;
  int32_t i;
  uint32_t u;
  uint8_t b;
  char c;
  char* s;
  uint8_t* p;  // PICTURE: header word, u16 width, u16 height, RGBA pixels
  value* a;
  window_record* w;
  intptr_t raw;
};
static_assert(sizeof(value) == sizeof(void*));

inline value integer_value(int32_t i) {
  value v{};
  v.i = i;
  return v;
}

enum yarl_kind : uint8_t {
  K_REAL = 0,
  K_ANGLE = 1,
  K_INTEGER = 2,
  K_BOOLEAN = 3,
  K_CHARACTER = 4,
  K_STRING = 5,
  K_PICTURE = 6,
  K_UNDECLARED = 7,
  K_ARRAY = 8,  // K_ARRAY + scalar kind: the array of that kind
  K_MENU = 16,
  K_PROCEDURE = 17,
  K_SUB_WINDOW = 18,
  K_MENU_WINDOW = 19,
};

inline bool is_variable_kind(int kind) { return kind <= 15; }
inline bool is_array_kind(int kind) { return kind >= 8 && kind <= 15; }
inline bool is_window_kind(int kind) { return kind == K_SUB_WINDOW || kind == K_MENU_WINDOW; }

// One identifier of the loaded program; the meaning of the words depends on
// the kind (variables, MENUs, PROCEDUREs, windows).
struct ident_info {
  uint8_t kind;
  uint8_t flags1;
  uint16_t word2;
  uint16_t word4;
  uint16_t word6;
  uint32_t word8;
  uint32_t name_offset;
  value val;
  uint32_t count;
  uint32_t code_offset;
  uint32_t source_position;  // bits 0-11, 12-21, 22-31: three compiler numbers
  union {                    // run time only:
    display_list* displays;  // variables: the windows that display them
    char* menu_title;        // MENUs: the title given by the MENU operation, owned
  };
  uint32_t last_word;
};

// Flags of variables.
constexpr uint8_t IDENT_HIDDEN = 1 << 3;      // flags1: not found by name
constexpr uint8_t IDENT_KEEP_LOCAL = 1 << 6;  // flags1: procedure local not released
constexpr uint8_t IDENT_USED_BY_GUI3D = 1 << 7;  // flags1: a 3D GUI item uses the variable
constexpr uint32_t IDENT_RESOURCE = 1 << 2;   // word8
constexpr uint32_t IDENT_CHANGED = 1 << 4;    // word8: differs from its default

// Flags of windows (flags1, then word2 byte 2 in bits 0-7 and byte 3 in bits 8-10).
constexpr uint8_t WINDOW_OVERLAY = 1 << 3;
constexpr uint8_t WINDOW_TOP_WITH_PARENT = 1 << 4;
constexpr uint8_t WINDOW_VISIBLE = 1 << 5;
constexpr uint8_t WINDOW_MAIN_INITIAL = 1 << 6;

inline int menu_tab_number(const ident_info& menu) {
  return ((menu.flags1 >> 6) & 3) | ((menu.word2 & 3) << 2);
}
inline int window_menu_count(const ident_info& window) { return (window.word2 >> 12) & 15; }

// Item kinds are YARL keyword codes.
enum item_kind : uint8_t {
  ITEM_BOX = 7,
  ITEM_GRID = 23,
  ITEM_FRAME = 39,
  ITEM_LABEL = 41,
  ITEM_POINT = 42,
  ITEM_BUTTON = 49,
  ITEM_SLIDER = 63,
  ITEM_VECTOR = 65,
  ITEM_RULER2D = 79,
  ITEM_RULER3D = 80,
  ITEM_COLOR_BAR = 96,
  ITEM_DIRECTION = 97,
  ITEM_RADIO_BOX = 100,
  ITEM_RECTANGLE = 101,
  ITEM_SEPARATOR = 102,
  ITEM_BEAM_LIGHT = 107,
  ITEM_CLIP_PLANE = 108,
  ITEM_SPOT_LIGHT = 117,
  ITEM_TEXT_FIELD = 119,
  ITEM_WORK_PLANE = 121,
  ITEM_WORLD_AXIS = 122,
  ITEM_MENU_BUTTON = 124,
  ITEM_POINT_LIGHT = 126,
  ITEM_THUMB_WHEEL = 129,
  ITEM_CHECK_BUTTON = 133,
  ITEM_COLOR_EDITOR = 134,
  ITEM_OPTION_POP_UP = 147,
  ITEM_MATERIAL_LABEL = 152,
  ITEM_PICTURE_BUTTON = 154,
  ITEM_SELECTION_LIST = 158,
};

// The record groups of menu items on file.
enum item_group : uint8_t {
  GROUP_NONE,
  GROUP_PLAIN_BOX,
  GROUP_3D,
  GROUP_FRAME,
  GROUP_LABEL,
  GROUP_BUTTON,
  GROUP_RANGE,
  GROUP_CHOICE,
  GROUP_TEXT_FIELD,
  GROUP_CHECK_BUTTON,
  GROUP_COLOR_EDITOR,
  GROUP_PICTURE_BUTTON,
  GROUP_SELECTION_LIST,
};
item_group group_of_item_kind(int kind);

// One widget or 3D-manipulator item of a MENU.
struct menu_item {
  uint8_t kind;
  uint8_t head1, head2, head3;
  uint16_t head4;
  uint8_t head6;
  uint8_t value_kind;
  uint8_t head8;
  uint8_t margin;
  uint16_t head10;
  uint32_t head12;
  uint16_t source_file;
  uint16_t line;
  int16_t x, y;
  int16_t width, height;  // 3D items: one 32-bit item word, width its high half
  uint32_t flags;
  uint32_t code_offset;
  uint32_t action_offset;
  void* widget;  // run time only

  uint32_t item3d_word() const { return uint32_t(uint16_t(width)) << 16 | uint16_t(height); }
};

// Flags of widget items.
constexpr uint32_t ITEM_TEXT_COLOR = 1u << 1;
constexpr uint32_t ITEM_BACKGROUND = 1u << 2;
constexpr uint32_t ITEM_GRADATION = 1u << 10;
constexpr uint32_t ITEM_FRAMED = 1u << 15;
constexpr uint32_t ITEM_SIZE_X = 1u << 18;
constexpr uint32_t ITEM_SIZE_Y = 1u << 19;
constexpr uint32_t ITEM_ORIGIN = 1u << 20;
constexpr uint32_t ITEM_X_RELATIVE = 1u << 22;
constexpr uint32_t ITEM_X_ABSENT = 1u << 23;
constexpr uint32_t ITEM_Y_RELATIVE = 1u << 24;
constexpr uint32_t ITEM_Y_ABSENT = 1u << 25;

struct g_shortcut {
  uint32_t action_offset;  // in table 3; 0 = no shortcut for this key
  uint32_t argument;
  uint16_t item;
  uint16_t window;  // target window identifier
};

struct edit_var {
  uint32_t index_code_offset;  // in table 3
  uint16_t reference;          // 16-bit in-code identifier reference
  uint8_t code_length;
};

enum table_index {
  T_GLOBALS,
  T_PROC_LOCALS,
  T_WINDOW_LOCALS,
  T_CODE,
  T_INITIAL_CODE,
  T_PROC_INITIAL_CODE,
  T_WINDOW_INITIAL_CODE,
  T_INIT_ORDER,
  T_MENU_ITEMS,
  T_NAMES,
  T_U16_LISTS,
  T_G_SHORTCUTS,
  T_ITEMS_2,
  T_EDIT_VARS,
  N_TABLES
};

constexpr uint32_t YARL_REVISION = 111587;
constexpr uint32_t N_PREDEFINED = 529;  // global identifiers 0..528

extern table tables[N_TABLES];
extern uint32_t n_windows;

inline ident_info* globals() { return tables[T_GLOBALS].as<ident_info>(); }

// The name of an identifier as a pointer to its length byte in table 9,
// or null when the offset lies outside the table.
const uint8_t* ident_name(const ident_info& ident);

// Releases the 14 tables (not the values they hold).
void delete_tables();
