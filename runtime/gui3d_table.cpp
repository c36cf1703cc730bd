#include "runtime/gui3d_table.h"

#include "base/checked_mm.h"
#include "base/internal_error.h"
#include "runtime/qob.h"

static table item_table;  // uint32_t indices into table 12

item3d_fields gui3d_fields_of(const menu_item& item) {
  return {item.head4, item.margin, item.head10, item.head1, item.head2, item.head8};
}

static bool is_gui3d_kind(int kind) { return group_of_item_kind(kind) == GROUP_3D; }

// ---- The item table and its checks ----

static bool code_range_ok(uint64_t offset, uint64_t length) {
  return offset + length < tables[T_CODE].length;
}

// The record's references must lead somewhere the update pass can follow.
static bool item_ok(const menu_item& item) {
  item3d_fields f = gui3d_fields_of(item);
  const table& g = tables[T_GLOBALS];
  if (f.window >= g.length || !is_window_kind(g.as<ident_info>()[f.window].kind)) return false;
  const ident_info& window = g.as<ident_info>()[f.window];
  if (f.edit_var_count == 0 || f.edit_var_count > MAX_EDIT_VARS) return false;
  if (uint64_t(f.first_edit_var) + f.edit_var_count > tables[T_EDIT_VARS].length) return false;
  if (!code_range_ok(item.code_offset, 0)) return false;
  if ((item.flags & ITEM3D_ACTION) && !code_range_ok(item.action_offset, 0)) return false;
  if ((item.flags & ITEM3D_IMAGE) && (image_kind(item) > K_PICTURE || f.image_font >= 18)) return false;
  for (uint32_t j = 0; j < f.edit_var_count; ++j) {
    const edit_var& e = edit_var_at(f.first_edit_var + j);
    if (e.code_length != 0 && !code_range_ok(e.index_code_offset, e.code_length)) return false;
    uint32_t selector = e.reference >> 14, index = e.reference & 0x1FFF;
    if (is_array_item(item)) {
      // Array edit variables are window locals without index code.
      if (selector != 2 || e.code_length != 0 || index >= window.word6) return false;
      if (uint64_t(window.count) + index >= tables[T_WINDOW_LOCALS].length) return false;
      if (!is_array_kind(tables[T_WINDOW_LOCALS].as<ident_info>()[window.count + index].kind)) return false;
    } else if (selector == 0) {
      if (index >= g.length || !is_variable_kind(g.as<ident_info>()[index].kind)) return false;
    } else if (selector != 2 || index >= window.word6) {
      return false;
    }
  }
  return true;
}

void prepare_gui3d_items() {
  release_gui3d_items();
  const table& t = tables[T_ITEMS_2];
  uint32_t n = 0;
  for (uint32_t i = 0; i < t.length; ++i) {
    const menu_item& item = t.as<menu_item>()[i];
    if (!is_gui3d_kind(item.kind)) continue;
    if (!item_ok(item)) halt("bad or incompatible YARL binary file");
    ++n;
  }
  table_create(&item_table, sizeof(uint32_t), n + 1);
  for (uint32_t i = 0; i < t.length; ++i)
    if (is_gui3d_kind(t.as<menu_item>()[i].kind)) item_table.as<uint32_t>()[item_table.length++] = i;
}

void release_gui3d_items() {
  if (item_table.items != nullptr) table_delete(&item_table);
  item_table = {};
}

uint32_t gui3d_item_count() { return item_table.length; }

menu_item& gui3d_item(uint32_t n) {
  if (n >= item_table.length) internal_error(8201, "gui3d_items");
  return tables[T_ITEMS_2].as<menu_item>()[item_table.as<uint32_t>()[n]];
}


bool owns_gui3d_items(uint16_t window) {
  for (uint32_t n = 0; n < item_table.length; ++n)
    if (gui3d_fields_of(gui3d_item(n)).window == window) return true;
  return false;
}
