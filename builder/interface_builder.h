// The Interface Builder: an editing mode in which the widgets of the YARL
// program's windows are moved, sized and re-attributed with the pointer and
// written out as patch lines for the sources.
//
// Entered only by the INTERFACE_BUILDER operation and left by the main
// window's "Hide", which calls quit_interface_builder(). All state is module
// state made on the first call and kept until cleanup_interface_builder().
#pragma once

#include <cstdint>

#include "builder/ib_prefs.h"
#include "runtime/tables.h"

class UITextField;

// --- Services to the runtime and toolkit -----------------------------------

// Shows the main window "IB_Main" (made on the first call, which also copies
// the item table and reads the preferences), installs the builder's toolkit
// callbacks and returns; the event loop drives the builder. `windows` lists
// the identifier indexes of all YARL windows (the runtime's window count of
// them); with `hide` the main window offers them in a selection list.
void interface_builder(bool hide, unsigned short* windows);
// Tests put a recording hook in place of the builder; null: the builder runs.
extern void (*interface_builder_hook)(bool hide, unsigned short* windows);
// Frees the builder's windows, widgets and tables; the last step of the
// user interface's clean-up. Nothing when the builder never ran.
void cleanup_interface_builder();
// The widget callbacks of builder mode: configure, end of configure, pick.
void preset_object_inspector();
// The window callbacks of builder mode: configure, pick, no shortcut, map.
void preset_window_inspector();

// --- Within the builder -----------------------------------------------------

// Records a changed window (once) and gives "Write patches" and "Reset all
// objects" their actions.
void add_edited_window(unsigned short window);
// The changed windows in the order of their first change.
const unsigned short* edited_window_list(uint32_t* count);
// Empties the list and takes the actions of both buttons away.
void clear_edited_windows();
// The window list given by the caller and its length.
const unsigned short* builder_window_list(uint32_t* count);
// The copy of item `index` as the builder first saw it or last wrote it.
menu_item* old_menu_item(unsigned long index);

// Snaps the item's origin and size to the grids; `min_x`, `min_y` are the
// smallest origin allowed, the flags say what to snap. The item must have a
// widget.
void snap_to_grids(unsigned short item, short min_x, short min_y, bool snap_x, bool snap_y,
                   bool snap_width, bool snap_height);
// The snapping rule for one axis: the new origin of a widget at `live` of
// extent `size` under grid `grid`, offset `offset` and alignment `alignment`
// (1 none, 2 left or up, 3 right or down, 4 centre); `origin` when none.
int snapped_origin(int origin, int live, int size, int grid, int offset, int alignment, int minimum);

// The "Text editor" field's text: a command with one "%s" for a file name.
const char* get_editor_call();
// The field's text as an INTEGER; false after showing "Integer syntax".
bool decode_integer(UITextField* field, long* value);

// The "Put window snapshots into:" field's text.
const char* snapshot_folder();
void show_main_window(bool shown);

// The preferences file: "$HOME/.ib_prefs", else ".ib_prefs".
const char* build_prefs_fn();
void read_prefs_file();
// Replaces the file as a whole; the old one stays when that fails.
void write_prefs_file();

