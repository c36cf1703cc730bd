// The Interface Builder: the interactive editor of the program's windows,
// entered by the YARL operation INTERFACE_BUILDER.
#pragma once

// Shows the builder's main window and installs its toolkit callbacks; with
// hide, a selection list of the window names. Returns at once: the event loop
// drives the builder, which leaves through quit_interface_builder.
void interface_builder(bool hide, unsigned short* windows);

// Tests put a recording hook in place of the builder; null: the builder runs.
extern void (*interface_builder_hook)(bool hide, unsigned short* windows);
