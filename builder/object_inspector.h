// The object inspector "IB_ObjectInspector": the item last picked, its
// attributes, the drag handling and the item's undo history.
#pragma once

#include <cstdint>

#include "runtime/tables.h"

class UIObject;

// The builder's widget callbacks.
void pick_object(const UIObject* object, long object_id);
void configure_object(bool x, bool y, bool width, bool height);
void end_configure_object();

void update_object_inspector();
void close_object_inspector();
void get_object_inspector_position(short* x, short* y);
void set_object_inspector_position(short x, short y);
// The item shown, or null.
menu_item* current_object_item();
// Takes a copy of the item into the history unless it equals the last one.
void save_item();
// save_item, the inspector refreshed, the window recorded and queued.
void apply_changes();
void update_current_window();
// Undo and redo: the history's cursor moves and the item takes that copy.
void undo_object(long id);
void redo_object(long id);
// The cursor and the number of copies kept.
void undo_state(uint32_t* cursor, uint32_t* top);
void cleanup_object_inspector();
