// The 3D GUI items of the loaded program (the 3D-kind records of table 12, in
// order, numbered from 0) and the manipulators that show them.
#pragma once

#include <cstdint>

#include "runtime/gui3d_table.h"
#include "runtime/tables.h"

class GUI3D;

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
