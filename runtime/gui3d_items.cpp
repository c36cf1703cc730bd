#include "runtime/gui3d_items.h"

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "view/gui3d.h"
#include "view/gui3d_kinds.h"

// The run-time slot of an array item: its manipulators, one per element.
struct gui3d_array {
  GUI3D** elements;  // count entries, each owned or null
  uint32_t count;
};

static table item_table;  // uint32_t indices into table 12

item3d_fields gui3d_fields_of(const menu_item& item) {
  return {item.head4, item.margin, item.head10, item.head1, item.head2, item.head8};
}

static bool is_gui3d_kind(int kind) { return group_of_item_kind(kind) == GROUP_3D; }
static bool is_array_item(const menu_item& item) { return item.value_kind >= 8; }

void prepare_gui3d_items() {
  if (item_table.items != nullptr) table_delete(&item_table);
  const table& t = tables[T_ITEMS_2];
  uint32_t n = 0;
  for (uint32_t i = 0; i < t.length; ++i)
    if (is_gui3d_kind(t.as<menu_item>()[i].kind)) ++n;
  table_create(&item_table, sizeof(uint32_t), n + 1);
  for (uint32_t i = 0; i < t.length; ++i)
    if (is_gui3d_kind(t.as<menu_item>()[i].kind)) item_table.as<uint32_t>()[item_table.length++] = i;
}

uint32_t gui3d_item_count() { return item_table.length; }

menu_item& gui3d_item(uint32_t n) {
  if (n >= item_table.length) internal_error(8201, "gui3d_items");
  return tables[T_ITEMS_2].as<menu_item>()[item_table.as<uint32_t>()[n]];
}

GUI3D* create_gui3d_object(uint8_t kind, uint32_t item, uint32_t element) {
  GUI3D* made = new_gui3d_of_kind(kind, item, element, change_gui3d, activate_gui3d);
  if (made == nullptr) internal_error(144, "gui3d_items");
  return made;
}

GUI3D* find_gui3d(uint32_t n, int32_t element) {
  if (n >= item_table.length) return nullptr;
  menu_item& item = gui3d_item(n);
  if (item.widget == nullptr) return nullptr;
  if (!is_array_item(item)) return element < 0 ? static_cast<GUI3D*>(item.widget) : nullptr;
  const gui3d_array* a = static_cast<const gui3d_array*>(item.widget);
  if (element < 0 || uint32_t(element) >= a->count) return nullptr;
  return a->elements[element];
}

void update_gui3d_objects() {}
void change_gui3d(uint32_t, uint32_t, const value*) {}
void activate_gui3d(uint32_t, uint32_t, const value*) {}

void delete_gui3d_objects() {
  for (uint32_t n = 0; n < item_table.length; ++n) {
    menu_item& item = gui3d_item(n);
    if (item.widget == nullptr) continue;
    if (is_array_item(item)) {
      gui3d_array* a = static_cast<gui3d_array*>(item.widget);
      for (uint32_t i = 0; i < a->count; ++i) delete a->elements[i];
      CheckedFree(a->elements);
      CheckedFree(a);
    } else {
      delete static_cast<GUI3D*>(item.widget);
    }
    item.widget = nullptr;
  }
  if (item_table.items != nullptr) table_delete(&item_table);
}

void delete_gui3d_textures() {
  GUI3DTableIterator it;
  while (GUI3D* g = it.next()) g->delete_texture();
}

bool GUI3DTableIterator::next_menu_item() {
  for (++item_; item_ < int64_t(item_table.length); ++item_) {
    const menu_item& item = gui3d_item(uint32_t(item_));
    if (item.widget == nullptr) continue;
    element_ = -1;
    single_ = false;
    if (is_array_item(item)) {
      const gui3d_array* a = static_cast<const gui3d_array*>(item.widget);
      single_ = a->count == 1;
    }
    started_ = true;
    return true;
  }
  return false;
}

GUI3D* GUI3DTableIterator::next() {
  for (;;) {
    if (started_ && item_ >= 0 && item_ < int64_t(item_table.length)) {
      const menu_item& item = gui3d_item(uint32_t(item_));
      if (is_array_item(item) && item.widget != nullptr) {
        const gui3d_array* a = static_cast<const gui3d_array*>(item.widget);
        while (++element_ < int32_t(a->count))
          if (a->elements[element_] != nullptr) return a->elements[element_];
      } else if (element_ == -1 && item.widget != nullptr) {
        element_ = -2;  // the plain item's one manipulator is given
        return static_cast<GUI3D*>(item.widget);
      }
    }
    if (!next_menu_item()) return nullptr;
  }
}
