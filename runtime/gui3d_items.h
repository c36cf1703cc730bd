// The 3D GUI items of the loaded program (the 3D-kind records of table 12, in
// order, numbered from 0) and the manipulators that show them.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

class GUI3D;

// Where a 3D item record keeps what the update pass needs.
struct item3d_fields {
  uint16_t window;          // identifier index of the owning window
  uint8_t edit_var_count;   // edit variables, from first_edit_var in table 13
  uint16_t first_edit_var;
  uint8_t image_width, image_precision, image_font;  // format of the image value
};
item3d_fields gui3d_fields_of(const menu_item& item);

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

// The manipulator of a kind, or null (internal error 144) for another kind.
GUI3D* create_gui3d_object(uint8_t kind, uint32_t item, uint32_t element);
void update_gui3d_objects();
void change_gui3d(uint32_t item, uint32_t element, const value* values);
void activate_gui3d(uint32_t item, uint32_t element, const value* values);
// -1 for a plain item, else the element count of the array item's manipulators.
int32_t gui3d_element_count(uint32_t n);
// The manipulator of item n (element position -1 for a plain item), or null.
GUI3D* find_gui3d(uint32_t n, int32_t element);
// Deletes every manipulator, ending a drag it holds.
void delete_gui3d_objects();
void delete_gui3d_textures();

// Walks the manipulators in item and element order.
class GUI3DTableIterator {
 public:
  // The next manipulator, or null at the end.
  GUI3D* next();
  // Moves to the next item that has manipulators; false at the end.
  bool next_menu_item();
  uint32_t item() const { return item_; }
  int32_t element() const { return element_; }  // -1 for a plain item
  bool single_element() const { return single_; }

 private:
  int64_t item_ = -1;
  int32_t element_ = -1;
  bool single_ = false;
  bool given_ = false;  // a plain item's manipulator was yielded
};
