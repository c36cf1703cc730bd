// The callbacks that widgets and toolkit windows report through: each finds
// the window, widget element and MENU item behind an object id, assigns the
// item's edit variable and starts the item's action.
#pragma once

#include <cstdint>

#include "runtime/tables.h"
#include "runtime/window_record.h"
#include "toolkit/ui_text_field.h"

class Image;

// Object id of a widget: window index << 16 | table position.
inline long object_id(const ident_info* window, uint32_t position) {
  return long(uint16_t(window - globals())) << 16 | long(position & 0xFFFF);
}

// Where a widget item keeps its edit variable.
struct item_edit_var {
  uint32_t code_offset;  // of the index expression in table 3
  uint8_t code_length;   // 0: no index expression
  uint16_t reference;    // 16-bit in-code reference
};
item_edit_var edit_var_of(const menu_item& item);
// The select value of a choice's first entry (a signed byte).
inline int index_origin(const menu_item& item) { return int8_t(item.head1); }
inline uint8_t shortcut_of(const menu_item& item) { return uint8_t(item.head12 >> 16); }

// Enter callbacks: the pointer entered the widget.
void enter_a_box(long id);
void enter_a_button(long id);
void enter_a_check_button(long id);
void enter_a_color_bar(long id);
void enter_a_color_editor(long id);
void enter_a_enter_button(long id);
void enter_a_frame(long id);
void enter_a_material_label(long id);
void enter_a_menu_button(long id);
void enter_a_label(long id);
void enter_a_option_pop_up(long id);
void enter_a_picture_button(long id);
void enter_a_radio_box(long id);
void enter_a_selection_list(long id);
void enter_a_separator(long id);
void enter_a_slider(long id);
void enter_a_text_field(long id);
void enter_a_thumb_wheel(long id);

void activate_button(long id);
void activate_enter_button(long id);
void activate_menu_button(long id);
void activate_picture_button(long id);
void activate_text_field(long id);
void activate_slider(long id);
void activate_color_editor(long id);
void activate_tab_button(long id);
void activate_thumb_wheel(long id, long value);

void change_check_button(long id, bool state);
void change_radio_box(long id, unsigned short index);
void change_option_pop_up(long id, unsigned short index);
void change_selection_list(long id, long index, bool selected, bool changed);
void change_slider(long id);
void change_thumb_wheel(long id, long value);
void change_color_editor(long id, float a, float b, float c);
// False when the action was started.
bool change_text_field(long id);

void cycle_text_field(long id, cycle_types type);
void enter_menu_button(long id);
// A new image of entry `index`; the caller owns it.
Image* get_option_pop_up_image(long id, unsigned short index);
uintptr_t* get_selection_list_select_variable(long id);

// Window callbacks.
bool handle_shortcut(long window, unsigned char key);
// The "Acknowledged" button of the information window; its id is its address.
void hide_info_window(long id);

// True when the field's text fails its check, after telling the user.
bool check_text_field(text_field_info* field);
// False when a field of the window fails: the window is redisplayed and
// that field's text selected.
bool check_text_fields(ident_info* window);
