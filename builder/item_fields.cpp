#include "builder/item_fields.h"

#include <cstring>


namespace {

constexpr uint16_t SOURCE_FILE_NAMES = 65;

bool group_has_label_head(const menu_item& item) {
  switch (group_of_item_kind(item.kind)) {
    case GROUP_LABEL:
    case GROUP_BUTTON:
    case GROUP_TEXT_FIELD:
    case GROUP_CHECK_BUTTON:
      return true;
    default:
      return false;
  }
}

struct keyword {
  uint8_t kind;
  const char* name;
};
const keyword keywords[] = {
    {ITEM_BOX, "BOX"},
    {ITEM_GRID, "GRID"},
    {ITEM_FRAME, "FRAME"},
    {ITEM_LABEL, "LABEL"},
    {ITEM_POINT, "POINT"},
    {ITEM_BUTTON, "BUTTON"},
    {ITEM_SLIDER, "SLIDER"},
    {ITEM_VECTOR, "VECTOR"},
    {ITEM_RULER2D, "RULER2D"},
    {ITEM_RULER3D, "RULER3D"},
    {ITEM_COLOR_BAR, "COLOR_BAR"},
    {ITEM_DIRECTION, "DIRECTION"},
    {ITEM_RADIO_BOX, "RADIO_BOX"},
    {ITEM_RECTANGLE, "RECTANGLE"},
    {ITEM_SEPARATOR, "SEPARATOR"},
    {ITEM_BEAM_LIGHT, "BEAM_LIGHT"},
    {ITEM_CLIP_PLANE, "CLIP_PLANE"},
    {ITEM_SPOT_LIGHT, "SPOT_LIGHT"},
    {ITEM_TEXT_FIELD, "TEXT_FIELD"},
    {ITEM_WORK_PLANE, "WORK_PLANE"},
    {ITEM_WORLD_AXIS, "WORLD_AXIS"},
    {ITEM_MENU_BUTTON, "MENU_BUTTON"},
    {ITEM_POINT_LIGHT, "POINT_LIGHT"},
    {ITEM_THUMB_WHEEL, "THUMB_WHEEL"},
    {ITEM_CHECK_BUTTON, "CHECK_BUTTON"},
    {ITEM_COLOR_EDITOR, "COLOR_EDITOR"},
    {ITEM_OPTION_POP_UP, "OPTION_POP_UP"},
    {ITEM_MATERIAL_LABEL, "MATERIAL_LABEL"},
    {ITEM_PICTURE_BUTTON, "PICTURE_BUTTON"},
    {ITEM_SELECTION_LIST, "SELECTION_LIST"},
};

}  // namespace

bool has_format(const menu_item& item) { return group_has_label_head(item); }
bool has_layout(const menu_item& item) { return group_has_label_head(item); }
bool has_shortcut(const menu_item& item) { return group_of_item_kind(item.kind) == GROUP_BUTTON; }

bool has_font(const menu_item& item) {
  switch (group_of_item_kind(item.kind)) {
    case GROUP_CHOICE:
    case GROUP_SELECTION_LIST:
      return true;
    default:
      return group_has_label_head(item);
  }
}

item_format format_of(const menu_item& item) {
  return has_format(item) ? item_format{item.head1, item.head2} : item_format{0, 1};
}
uint8_t font_of(const menu_item& item) { return has_font(item) ? item.head8 : 0; }
item_layout layout_of(const menu_item& item) {
  return has_layout(item) ? item_layout{item.head4, item.head6} : item_layout{0, 1};
}
uint8_t shortcut_code(const menu_item& item) {
  return has_shortcut(item) ? uint8_t(item.head12 >> 16) : 0;
}

void set_format(menu_item* item, item_format f) {
  if (!has_format(*item)) return;
  item->head1 = f.width;
  item->head2 = f.precision;
}
void set_font(menu_item* item, uint8_t font) {
  if (has_font(*item)) item->head8 = font;
}
void set_layout(menu_item* item, item_layout l) {
  if (!has_layout(*item)) return;
  item->head4 = l.width;
  item->head6 = l.per_line;
}

bool items_equal(const menu_item& a, const menu_item& b) {
  menu_item x = a, y = b;
  x.widget = y.widget = nullptr;
  return memcmp(&x, &y, sizeof x) == 0;
}

void restore_item(menu_item* to, const menu_item& from) {
  void* widget = to->widget;
  *to = from;
  to->widget = widget;
}

const char* item_keyword(int kind) {
  for (const keyword& k : keywords)
    if (k.kind == kind) return k.name;
  return "ITEM";
}

const char* item_source_file(uint16_t index) {
  const ident_info& names = globals()[SOURCE_FILE_NAMES];
  if (!is_array_kind(names.kind) || index >= names.word6 || names.val.a == nullptr) return nullptr;
  const char* s = names.val.a[index].s;
  return s != nullptr ? s : "";
}
