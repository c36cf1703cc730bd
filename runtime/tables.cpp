#include "runtime/tables.h"

#include "runtime/gui3d_items.h"

table tables[N_TABLES];
uint32_t n_windows;

item_group group_of_item_kind(int kind) {
  switch (kind) {
    case ITEM_BOX:
    case ITEM_COLOR_BAR:
    case ITEM_MATERIAL_LABEL:
      return GROUP_PLAIN_BOX;
    case ITEM_GRID:
    case ITEM_POINT:
    case ITEM_VECTOR:
    case ITEM_RULER2D:
    case ITEM_RULER3D:
    case ITEM_DIRECTION:
    case ITEM_RECTANGLE:
    case ITEM_BEAM_LIGHT:
    case ITEM_CLIP_PLANE:
    case ITEM_SPOT_LIGHT:
    case ITEM_WORK_PLANE:
    case ITEM_WORLD_AXIS:
    case ITEM_POINT_LIGHT:
      return GROUP_3D;
    case ITEM_FRAME:
    case ITEM_SEPARATOR:
      return GROUP_FRAME;
    case ITEM_LABEL:
      return GROUP_LABEL;
    case ITEM_BUTTON:
    case ITEM_MENU_BUTTON:
      return GROUP_BUTTON;
    case ITEM_SLIDER:
    case ITEM_THUMB_WHEEL:
      return GROUP_RANGE;
    case ITEM_RADIO_BOX:
    case ITEM_OPTION_POP_UP:
      return GROUP_CHOICE;
    case ITEM_TEXT_FIELD:
      return GROUP_TEXT_FIELD;
    case ITEM_CHECK_BUTTON:
      return GROUP_CHECK_BUTTON;
    case ITEM_COLOR_EDITOR:
      return GROUP_COLOR_EDITOR;
    case ITEM_PICTURE_BUTTON:
      return GROUP_PICTURE_BUTTON;
    case ITEM_SELECTION_LIST:
      return GROUP_SELECTION_LIST;
    default:
      return GROUP_NONE;
  }
}

const uint8_t* ident_name(const ident_info& ident) {
  const table& names = tables[T_NAMES];
  if (ident.name_offset >= names.length) return nullptr;
  const uint8_t* name = names.as<uint8_t>() + ident.name_offset;
  if (uint64_t(ident.name_offset) + 1 + name[0] > names.length) return nullptr;
  return name;
}

void delete_tables() {
  release_gui3d_items();
  for (table& t : tables) table_delete(&t);
  n_windows = 0;
}
