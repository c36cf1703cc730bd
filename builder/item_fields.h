// The attributes of an item that the Interface Builder edits (FORMAT, FONT,
// LAYOUT, SHORTCUT), each read and written through the head field that the
// item's group keeps it in, and the keyword of an item kind.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

// Flags of the attributes given in the source.
constexpr uint32_t ITEM_FONT = 1u << 4;
constexpr uint32_t ITEM_FORMAT = 1u << 5;
constexpr uint32_t ITEM_LAYOUT = 1u << 14;
constexpr uint32_t ITEM_SHORTCUT = 1u << 21;

struct item_format {
  uint8_t width, precision;
};
struct item_layout {
  uint16_t width;
  uint8_t per_line;
};

// Which attributes the item's group holds; an attribute it lacks reads as
// its default and is never written.
bool has_format(const menu_item& item);    // head bytes 1 and 2
bool has_font(const menu_item& item);      // head byte 8
bool has_layout(const menu_item& item);    // head word 4 and byte 6
bool has_shortcut(const menu_item& item);  // second byte of head word 12

item_format format_of(const menu_item& item);
uint8_t font_of(const menu_item& item);
item_layout layout_of(const menu_item& item);
uint8_t shortcut_code(const menu_item& item);

void set_format(menu_item* item, item_format f);
void set_font(menu_item* item, uint8_t font);
void set_layout(menu_item* item, item_layout l);

// True when all fields but the widget are equal.
bool items_equal(const menu_item& a, const menu_item& b);
// Copies `from` into `to`, keeping the widget of `to`.
void restore_item(menu_item* to, const menu_item& from);

// The YARL keyword of an item kind ("LABEL"); "ITEM" for an unknown one.
const char* item_keyword(int kind);
// The name of source file `index`, or null when the program has no such file.
const char* item_source_file(uint16_t index);
