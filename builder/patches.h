// The Interface Builder's outputs: the patch file "patches", the collision
// report, window snapshots and the text editor on an item's source.
#pragma once

#include <cstdio>
#include <string>

#include "runtime/tables.h"

// Button actions.
void write_patches(long id);
void check_collisions(long id);
void create_snapshots(long id);
void launch_editor(long id);

// The lines of one changed item: its source file's name, its saved copy and
// the item itself. Nothing for an item equal to its copy.
void write_patch(FILE* f, const char* file, const menu_item* old_item, const menu_item* item);

// The editor command for `file`: `format` with its one "%s" replaced by the
// shell-quoted name and "%%" by "%". False, with nothing formed, for any
// other conversion, a second "%s" or more than size - 1 characters.
bool format_editor_command(const char* format, const char* file, char* out, size_t size);
// `text` quoted for the shell: in single quotes, each quote as '\\''.
std::string shell_quoted(const char* text);
