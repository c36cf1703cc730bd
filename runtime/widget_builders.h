// The widget builders of the MENU item kinds: each makes or reuses the
// widget of its per-kind table, hands it geometry, look, value and
// callbacks, and reports the widget's right and bottom edge.
#pragma once

#include <cstdint>

#include "runtime/tables.h"
#include "runtime/window_record.h"

class Image;
class UIObject;

// Optional values of a widget item: flags-word bits that say the item's code
// leaves the value on the operand stack (the colours are in tables.h).
constexpr uint32_t ITEM_HAS_ACTION = 1u << 0;
constexpr uint32_t ITEM_ACTION_ON_CHANGE = 1u << 3;
constexpr uint32_t ITEM_BLACK_BORDER = 1u << 4;
constexpr uint32_t ITEM_LIGHT_FILL = 1u << 5;
constexpr uint32_t ITEM_INACTIVE = 1u << 6;
constexpr uint32_t ITEM_HELP_TEXT = 1u << 7;
constexpr uint32_t ITEM_RANGE = 1u << 8;
constexpr uint32_t ITEM_FRAME_STYLE = 1u << 11;
constexpr uint32_t ITEM_BUSY_EXEMPT = 1u << 14;
constexpr uint32_t ITEM_SHORTCUT = 1u << 16;

constexpr uint32_t SURROUNDING_FRAME = 0xFFFF;  // item index of the frame around an item

// What display_menu took from the operand stack for one widget.
struct item_values {
  int16_t x, y;
  bool black_border, light_fill, inactive, pressed;
  char* help_text;         // borrowed; builders keep a copy
  uint16_t item_number;
  uint16_t element;
  uint32_t text_colour;
  uint32_t background;
  int value_kind;          // scalar kind of the value
  value v;                 // owned STRING or PICTURE until a builder takes it
  value range[2];          // SLIDER minimum and maximum, TEXT_FIELD strings
  bool check_state;
  value pictures[3];       // PICTURE_BUTTON: active, armed, idle
};

// Builds the widget of one item; right and bottom edges as outputs. The
// builder takes ownership of the owned values in `values`.
using widget_builder = void (*)(ident_info* window, uint32_t item_index, item_values& values,
                                int* right, int* bottom);

// Frees the owned values that no builder took.
void release_item_values(item_values& values);

// The builder of an item kind, or null for kinds that make no widget.
widget_builder builder_of(const menu_item& item);

// The frame or separator of an item, or around one (item index 0xFFFF); null
// for a window without toolkit window.
UIObject* setup_frame(ident_info* window, uint32_t item_index, int16_t x, int16_t y, int width,
                      int height, bool black_border, bool light_fill);
UIObject* setup_separator(ident_info* window, uint32_t item_index, int16_t x, int16_t y, int width,
                          int height, bool black_border, bool light_fill);

// Replaces a choice's or list's images by those of the text variable's
// entries: pictures in the two colours, strings in the built-in font.
void rebuild_image_list(int font, const ident_info* text, uint32_t text_colour, uint32_t background,
                        Image*** images, uint32_t* count);

// Deletes the widgets of elements that a display did not reuse.
void destroy_unused(table* t, uint32_t old_length);
void adapt_size(ident_info* window, int width, int height);

// The image that shows a value, or null when the current one stays; takes
// ownership of a STRING or PICTURE value. `colours` of the element are the
// picture colours last shown.
Image* update_image(value v, int kind, int width, int precision, int font, bool grey,
                    uint32_t colour1, uint32_t colour2, Image* current, widget_element* element);

// Windows that display a variable: registered per shown MENU.
void add_dis_vars(ident_info* window, uint32_t list);
void clear_dis_vars(ident_info* window);
void free_display_list(ident_info* variable);
// Calls `visit` for each window that displays the variable.
void for_each_displaying_window(const ident_info* variable, void (*visit)(uint16_t window));
