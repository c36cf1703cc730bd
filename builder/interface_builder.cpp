// SEAM: the Interface Builder itself is not built yet. Entering it warns and
// leaves again at once, so the program goes on with its windows restored.
#include "builder/interface_builder.h"

#include <cstdio>

#include "runtime/window_ops.h"

void (*interface_builder_hook)(bool hide, unsigned short* windows);

void interface_builder(bool hide, unsigned short* windows) {
  if (interface_builder_hook != nullptr) return interface_builder_hook(hide, windows);
  fputs("Warning - the Interface Builder is not available in this server.\n", stderr);
  quit_interface_builder();
}
