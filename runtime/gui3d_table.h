// The table of 3D GUI items: the 3D-kind records of table 12, in order,
// numbered from 0, checked when the loaded program is prepared.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

// Where a 3D item record keeps what the update pass needs.
struct item3d_fields {
  uint16_t window;          // identifier index of the owning window
  uint8_t edit_var_count;   // edit variables, from first_edit_var in table 13
  uint16_t first_edit_var;
  uint8_t image_width, image_precision, image_font;  // format of the image value
};
item3d_fields gui3d_fields_of(const menu_item& item);
inline bool is_array_item(const menu_item& item) { return item.value_kind >= K_ARRAY; }
// The YARL kind of the image value (of its elements for an array item).
inline int image_kind(const menu_item& item) { return item.value_kind & 7; }
inline const edit_var& edit_var_at(uint32_t index) { return tables[T_EDIT_VARS].as<edit_var>()[index]; }
constexpr uint32_t MAX_EDIT_VARS = 16;

// Item flag bits of 3D items.
constexpr uint32_t ITEM3D_ACTION = 1u << 0;
constexpr uint32_t ITEM3D_COLOR = 1u << 1;
constexpr uint32_t ITEM3D_ACTION_ON_CHANGE = 1u << 3;
constexpr uint32_t ITEM3D_HIGHLIGHT_BORDER = 1u << 7;
constexpr uint32_t ITEM3D_DELETE = 1u << 9;
constexpr uint32_t ITEM3D_CONFIGURATION = 1u << 10;
constexpr uint32_t ITEM3D_COORDINATE_SYSTEM = 1u << 11;
constexpr uint32_t ITEM3D_DISABLE_ACCESS_POINTS = 1u << 12;
constexpr uint32_t ITEM3D_IMAGE = 1u << 13;
constexpr uint32_t ITEM3D_INCREMENT_ANGULAR = 1u << 14;
constexpr uint32_t ITEM3D_INCREMENT_LINEAR = 1u << 15;
constexpr uint32_t ITEM3D_MOTION_SCALE = 1u << 17;
constexpr uint32_t ITEM3D_ROTATION = 1u << 18;
constexpr uint32_t ITEM3D_TEXTURE = 1u << 19;

// Builds the item table from table 12 and checks its records; a bad record
// halts with "bad or incompatible YARL binary file".
void prepare_gui3d_items();
void release_gui3d_items();
uint32_t gui3d_item_count();
menu_item& gui3d_item(uint32_t n);
// Whether a window (an identifier index) owns 3D items.
bool owns_gui3d_items(uint16_t window);

